#include "image/SampleCodec.h"

#include "audio/Gain.h"

#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
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

// w / 128 rounded to the nearest integer, halves to even: (w + 63 + odd(floor)) >> 7. The adds
// saturate, which only matters at the top of the 16-bit range where the result is 255 either way.
inline __m128i roundDiv128(__m128i w)
{
    const __m128i odd = _mm_and_si128(_mm_srai_epi16(w, 7), _mm_set1_epi16(1));
    return _mm_srai_epi16(_mm_adds_epi16(_mm_adds_epi16(w, _mm_set1_epi16(63)), odd), 7);
}

inline void encodeBlock8(const int16_t* s, uint8_t* out)
{
    const __m128i v = roundDiv128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s)));
    const __m128i low = _mm_packus_epi16(_mm_and_si128(v, _mm_set1_epi16(0xFF)), _mm_setzero_si128());
    out[0] = uint8_t(_mm_movemask_epi8(_mm_packs_epi16(v, _mm_setzero_si128())));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 1), low);
}

inline void decodeBlock8(const uint8_t* in, int16_t* s)
{
    const __m128i bits = _mm_setr_epi16(1, 2, 4, 8, 16, 32, 64, 128);
    const __m128i data = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + 1)),
                                           _mm_setzero_si128());
    const __m128i negative = _mm_cmpeq_epi16(_mm_and_si128(_mm_set1_epi16(in[0]), bits), bits);
    // The 9-bit value sign-extended: the high byte all ones where bit 8 is set.
    const __m128i v = _mm_or_si128(data, _mm_and_si128(negative, _mm_set1_epi16(int16_t(0xFF00))));
    const __m128i w = _mm_mullo_epi16(v, _mm_set1_epi16(-9));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(s), _mm_add_epi16(_mm_slli_epi16(v, 7), roundDiv128(w)));
}

// Two blocks at a time with 256-bit registers, for processors that have them.
__attribute__((target("avx2"))) inline __m256i roundDiv128x2(__m256i w)
{
    const __m256i odd = _mm256_and_si256(_mm256_srai_epi16(w, 7), _mm256_set1_epi16(1));
    return _mm256_srai_epi16(_mm256_adds_epi16(_mm256_adds_epi16(w, _mm256_set1_epi16(63)), odd), 7);
}

// Two blocks per step, each put together whole in a register: the low bytes of the eight values
// behind a gap, and in the gap the sign byte, summed from the negative lanes' bit weights. Each
// 16-byte store runs 7 bytes into the next block, which the next store overwrites; the last
// blocks go the narrow way so that nothing is written past the output.
__attribute__((target("avx2"))) void encodeWholeAvx2(const int16_t* s, size_t blocks, uint8_t* out)
{
    const __m256i place = _mm256_setr_epi8(-128, 0, 2, 4, 6, 8, 10, 12, 14, -128, -128, -128, -128, -128, -128, -128,
                                           -128, 0, 2, 4, 6, 8, 10, 12, 14, -128, -128, -128, -128, -128, -128, -128);
    const __m256i weights = _mm256_setr_epi8(1, 2, 4, 8, 16, 32, 64, -128, 0, 0, 0, 0, 0, 0, 0, 0,
                                             1, 2, 4, 8, 16, 32, 64, -128, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m256i zero = _mm256_setzero_si256();
    auto pair = [&](const int16_t* from, uint8_t* to) __attribute__((target("avx2"))) {
        const __m256i v = roundDiv128x2(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(from)));
        const __m256i negative = _mm256_packs_epi16(_mm256_cmpgt_epi16(zero, v), zero);
        const __m256i sign = _mm256_sad_epu8(_mm256_and_si256(negative, weights), zero);
        const __m256i block = _mm256_or_si256(_mm256_shuffle_epi8(v, place), sign);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm256_castsi256_si128(block));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 9), _mm256_extracti128_si256(block, 1));
    };
    size_t b = 0;
    for (; b + 5 <= blocks; b += 4, s += 32, out += 36) {
        pair(s, out);
        pair(s + 16, out + 18);
    }
    for (; b + 3 <= blocks; b += 2, s += 16, out += 18)
        pair(s, out);
    for (; b < blocks; ++b, s += 8, out += 9)
        encodeBlock8(s, out);
}

// Sign byte -> for each of its eight samples, 0xFF00 where the sample is negative: or-ed onto the
// data bytes it gives the 9-bit values sign-extended to 16 bits.
struct SignMasks {
    alignas(16) int16_t m[256][8];
    constexpr SignMasks() : m{}
    {
        for (int s = 0; s < 256; ++s)
            for (int j = 0; j < 8; ++j)
                m[s][j] = int16_t((s >> j & 1) ? 0xFF00 : 0);
    }
};
constexpr SignMasks kSignMasks;

// With t = 128 v, mulhrs(t, 32750) is v * 65500 / 512 rounded half up. Of the 512 values only
// v = -64 and v = 192 fall on a half that half-to-even rounds down instead; they are the two t whose
// low fifteen bits are 0x6000.
__attribute__((target("avx2"))) inline void decodePairAvx2(const uint8_t* in, int16_t* s)
{
    const __m128i v0 = _mm_or_si128(_mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + 1))),
                                    _mm_load_si128(reinterpret_cast<const __m128i*>(kSignMasks.m[in[0]])));
    const __m128i v1 = _mm_or_si128(_mm_cvtepu8_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + 10))),
                                    _mm_load_si128(reinterpret_cast<const __m128i*>(kSignMasks.m[in[9]])));
    const __m256i t = _mm256_slli_epi16(_mm256_inserti128_si256(_mm256_castsi128_si256(v0), v1, 1), 7);
    const __m256i tie = _mm256_cmpeq_epi16(_mm256_and_si256(t, _mm256_set1_epi16(0x7FFF)), _mm256_set1_epi16(0x6000));
    const __m256i out = _mm256_add_epi16(_mm256_mulhrs_epi16(t, _mm256_set1_epi16(32750)), tie);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(s), out);
}

__attribute__((target("avx2"))) void decodeWholeAvx2(const uint8_t* in, size_t blocks, int16_t* s)
{
    size_t b = 0;
    for (; b + 4 <= blocks; b += 4, in += 36, s += 32) {
        decodePairAvx2(in, s);
        decodePairAvx2(in + 18, s + 16);
    }
    for (; b + 2 <= blocks; b += 2, in += 18, s += 16)
        decodePairAvx2(in, s);
    if (b < blocks)
        decodeBlock8(in, s);
}

void encodeWholeSse2(const int16_t* s, size_t blocks, uint8_t* out)
{
    for (size_t b = 0; b < blocks; ++b)
        encodeBlock8(s + 8 * b, out + 9 * b);
}

void decodeWholeSse2(const uint8_t* in, size_t blocks, int16_t* s)
{
    for (size_t b = 0; b < blocks; ++b)
        decodeBlock8(in + 9 * b, s + 8 * b);
}

bool g_allowAvx2 = true;

bool useAvx2()
{
    static const bool have = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return have && g_allowAvx2;
}

void encodeWhole(const int16_t* s, size_t blocks, uint8_t* out)
{
    if (useAvx2())
        encodeWholeAvx2(s, blocks, out);
    else
        encodeWholeSse2(s, blocks, out);
}

void decodeWhole(const uint8_t* in, size_t blocks, int16_t* s)
{
    if (useAvx2())
        decodeWholeAvx2(in, blocks, s);
    else
        decodeWholeSse2(in, blocks, s);
}

#else

void encodeWhole(const int16_t* s, size_t blocks, uint8_t* out)
{
    for (size_t b = 0; b < blocks; ++b)
        encodeBlock(s + 8 * b, 8, out + 9 * b);
}

void decodeWhole(const uint8_t* in, size_t blocks, int16_t* s)
{
    for (size_t b = 0; b < blocks; ++b)
        decodeBlock(in + 9 * b, 8, s + 8 * b);
}

inline void encodeBlock8(const int16_t* s, uint8_t* out) { encodeBlock(s, 8, out); }

#endif

} // namespace

void allowWideCodecForTesting(bool allow)
{
#if defined(__SSE2__)
    g_allowAvx2 = allow;
#else
    (void)allow;
#endif
}

void encodeSamples(std::span<const int16_t> samples, uint8_t* out)
{
    const size_t whole = samples.size() / 8;
    const int16_t* s = samples.data();
    encodeWhole(s, whole, out);
    if (const int rest = int(samples.size() % 8))
        encodeBlock(s + 8 * whole, rest, out + 9 * whole);
}

void encodeSamplesWithGain(std::span<const int16_t> samples, double decibels, uint8_t* out)
{
    const double factor = gainFactor(decibels);
    if (factor == 1.0) {
        encodeSamples(samples, out);
        return;
    }
    // Through a buffer that stays in the cache, a whole number of blocks at a time.
    constexpr size_t kChunk = 2048;
    alignas(32) int16_t buffer[kChunk];
    for (size_t at = 0; at < samples.size(); at += kChunk) {
        const size_t n = std::min(kChunk, samples.size() - at);
        applyGainFactor(samples.data() + at, buffer, n, factor);
        encodeSamples(std::span<const int16_t>(buffer, n), out + at / 8 * 9);
    }
}

void decodeSamples(const uint8_t* in, std::span<int16_t> out)
{
    const size_t whole = out.size() / 8;
    int16_t* s = out.data();
    decodeWhole(in, whole, s);
    if (const int rest = int(out.size() % 8))
        decodeBlock(in + 9 * whole, rest, s + 8 * whole);
}

} // namespace zelmar
