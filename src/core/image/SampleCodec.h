#pragma once
// The chime's 9-bit samples: blocks of a sign byte and up to eight data bytes. Bit j of the sign
// byte is bit 8 of the block's j-th sample.
#include <cstdint>
#include <span>

namespace zelmar {

// 16-bit sample to the 9-bit value the chime stores: s / 128, halves to even, at most 255.
constexpr int encodeSample9(int16_t s)
{
    int q = s >> 7;   // floor
    const int r = s & 127;
    q += (r + (q & 1)) > 64;
    return q > 255 ? 255 : q;
}

// 9-bit value (-256..255) back to 16 bits: v / 512 * 65500, halves to even.
constexpr int16_t decodeSample9(int v)
{
    // v * 65500 / 512 = 128 v - 9 v / 128; 128 v is even, so rounding the small part alone keeps
    // the tie rule.
    const int w = -9 * v;
    int q = w >> 7;
    const int r = w & 127;
    q += (r + (q & 1)) > 64;
    return int16_t(128 * v + q);
}

// Sample data of at least this many bytes is worth a second thread.
constexpr int64_t kTwoThreadBytes = 256 * 1024;

// Bytes `count` samples take: 9 for every 8, rounded up.
constexpr int64_t encodedSize(int64_t count)
{
    return count / 8 * 9 + (count % 8 != 0 ? count % 8 + 1 : 0);
}

// Encodes `samples` into `out`, which holds exactly encodedSize(samples.size()) bytes.
void encodeSamples(std::span<const int16_t> samples, uint8_t* out);

// Encodes with `decibels` of gain applied to each sample first (as ApplyGain does).
void encodeSamplesWithGain(std::span<const int16_t> samples, double decibels, uint8_t* out);

// Decodes `out.size()` samples from `in`, which holds exactly encodedSize(out.size()) bytes.
void decodeSamples(const uint8_t* in, std::span<int16_t> out);

// Test hook: false makes the codec use its 128-bit path even where 256-bit registers exist.
void allowWideCodecForTesting(bool allow);

} // namespace zelmar
