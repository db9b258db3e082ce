#include "image/SampleCodec.h"

#include "audio/Gain.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zelmar {

namespace {

// One block of `n` (1..8) samples, the plain way; also the reference for the vector path.
void encodeBlock(const int16_t* s, int n, uint8_t* out)
{
    uint8_t sign = 0;
    for (int j = 0; j < n; ++j) {
        const int v = encodeSample9(s[j]);
        out[1 + j] = uint8_t(v);
        sign |= uint8_t((v >> 8) & 1) << j;
    }
    out[0] = sign;
}

void decodeBlock(const uint8_t* in, int n, int16_t* s)
{
    const uint8_t sign = in[0];
    for (int j = 0; j < n; ++j) {
        const int v = in[1 + j] - ((sign >> j & 1) << 8);
        s[j] = decodeSample9(v);
    }
}

#if defined(__SSE2__)

// Rounds w / 128 to the nearest integer, halves to even, eight lanes at a time.
inline __m128i roundDiv128(__m128i w)
{
    const __m128i q = _mm_srai_epi16(w, 7);
    const __m128i r = _mm_and_si128(w, _mm_set1_epi16(127));
    const __m128i odd = _mm_and_si128(q, _mm_set1_epi16(1));
    // (r + odd) > 64 gives all ones; subtracting all ones adds one.
    const __m128i up = _mm_cmpgt_epi16(_mm_add_epi16(r, odd), _mm_set1_epi16(64));
    return _mm_sub_epi16(q, up);
}

inline void encodeBlock8(const int16_t* s, uint8_t* out)
{
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i v = _mm_min_epi16(roundDiv128(x), _mm_set1_epi16(255));
    const __m128i low = _mm_packus_epi16(_mm_and_si128(v, _mm_set1_epi16(0xFF)), _mm_setzero_si128());
    const int sign = _mm_movemask_epi8(_mm_packs_epi16(v, _mm_setzero_si128())) & 0xFF;
    out[0] = uint8_t(sign);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 1), low);
}

inline void decodeBlock8(const uint8_t* in, int16_t* s)
{
    const __m128i bits = _mm_setr_epi16(1, 2, 4, 8, 16, 32, 64, 128);
    const __m128i data = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + 1)),
                                           _mm_setzero_si128());
    const __m128i sign = _mm_set1_epi16(in[0]);
    const __m128i negative = _mm_cmpeq_epi16(_mm_and_si128(sign, bits), bits);
    // The 9-bit value sign-extended: the high byte all ones where bit 8 is set.
    const __m128i v = _mm_or_si128(data, _mm_and_si128(negative, _mm_set1_epi16(int16_t(0xFF00))));
    const __m128i w = _mm_mullo_epi16(v, _mm_set1_epi16(-9));
    const __m128i out = _mm_add_epi16(_mm_slli_epi16(v, 7), roundDiv128(w));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(s), out);
}

#else

inline void encodeBlock8(const int16_t* s, uint8_t* out) { encodeBlock(s, 8, out); }
inline void decodeBlock8(const uint8_t* in, int16_t* s) { decodeBlock(in, 8, s); }

#endif

} // namespace

void encodeSamples(std::span<const int16_t> samples, uint8_t* out)
{
    const size_t whole = samples.size() / 8;
    const int16_t* s = samples.data();
    for (size_t b = 0; b < whole; ++b)
        encodeBlock8(s + 8 * b, out + 9 * b);
    if (const int rest = int(samples.size() % 8))
        encodeBlock(s + 8 * whole, rest, out + 9 * whole);
}

void encodeSamplesWithGain(std::span<const int16_t> samples, double decibels, uint8_t* out)
{
    if (gainFactor(decibels) == 1.0) {
        encodeSamples(samples, out);
        return;
    }
    const double factor = gainFactor(decibels);
    int16_t block[8];
    for (size_t at = 0; at < samples.size(); at += 8) {
        const int n = int(std::min<size_t>(8, samples.size() - at));
        for (int j = 0; j < n; ++j)
            block[j] = applyGainFactor(samples[at + j], factor);
        uint8_t* o = out + at / 8 * 9;
        if (n == 8)
            encodeBlock8(block, o);
        else
            encodeBlock(block, n, o);
    }
}

void decodeSamples(const uint8_t* in, std::span<int16_t> out)
{
    const size_t whole = out.size() / 8;
    int16_t* s = out.data();
    for (size_t b = 0; b < whole; ++b)
        decodeBlock8(in + 9 * b, s + 8 * b);
    if (const int rest = int(out.size() % 8))
        decodeBlock(in + 9 * whole, rest, s + 8 * whole);
}

} // namespace zelmar
