#pragma once
// Floating-point samples (full scale 1.0) to 16 bits: rounded half to even, without dither,
// limited to the 16-bit range.
#include <cstddef>
#include <cstdint>

namespace zelmar {

// Half to even in the default rounding mode, without a library call per sample: adding and taking
// away 1.5 * 2^52 leaves the nearest integer for any |v| below 2^51 (strict IEEE arithmetic, which
// this project never relaxes, keeps the pair from being folded away).
inline double roundHalfEven(double v)
{
    constexpr double kMagic = 6755399441055744.0;
    return (v + kMagic) - kMagic;
}

// Converts `n` samples.
inline void toInt16(const float* from, size_t n, int16_t* to)
{
    for (size_t i = 0; i < n; ++i) {
        double v = roundHalfEven(double(from[i]) * 32768.0);
        if (v != v)
            v = 0.0;   // a float file's NaN is silence, not a value to convert
        else if (v > 32767.0)
            v = 32767.0;
        else if (v < -32768.0)
            v = -32768.0;
        to[i] = int16_t(v);
    }
}

} // namespace zelmar
