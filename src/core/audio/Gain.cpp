#include "audio/Gain.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZELMAR_GAIN_AVX2 1
#endif

namespace zelmar {

namespace {
bool gainApplies(double decibels)
{
    // Written so that NaN also leaves the sample alone.
    return decibels > 0.0 && decibels <= 10.0;
}
} // namespace

double gainFactor(double decibels)
{
    return gainApplies(decibels) ? std::pow(10.0, decibels / 20.0) : 1.0;
}

#if ZELMAR_GAIN_AVX2
namespace {

// Four samples per register with the scalar arithmetic step for step (divide, multiply, clip,
// scale); the conversion rounds as nearbyint does, to even under the default rounding mode.
__attribute__((target("avx2"))) inline __m128i gainFour(__m128i s32, __m256d f)
{
    const __m256d full = _mm256_set1_pd(32767.0);
    __m256d y = _mm256_mul_pd(_mm256_div_pd(_mm256_cvtepi32_pd(s32), full), f);
    y = _mm256_min_pd(_mm256_max_pd(y, _mm256_set1_pd(-1.0)), _mm256_set1_pd(1.0));
    return _mm256_cvtpd_epi32(_mm256_mul_pd(y, full));
}

__attribute__((target("avx2"))) void gainAvx2(const int16_t* in, int16_t* out, size_t count, double factor)
{
    const __m256d f = _mm256_set1_pd(factor);
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i s = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i)));
        const __m128i r = _mm_packs_epi32(gainFour(_mm256_castsi256_si128(s), f),
                                          gainFour(_mm256_extracti128_si256(s, 1), f));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), r);
    }
    for (; i < count; ++i)
        out[i] = applyGainFactor(in[i], factor);
}

bool haveAvx2()
{
    static const bool yes = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return yes;
}

} // namespace
#endif

void applyGainFactor(const int16_t* in, int16_t* out, size_t count, double factor)
{
#if ZELMAR_GAIN_AVX2
    if (haveAvx2()) {
        gainAvx2(in, out, count, factor);
        return;
    }
#endif
    for (size_t i = 0; i < count; ++i)
        out[i] = applyGainFactor(in[i], factor);
}

int16_t ApplyGain(int16_t sample, double decibels)
{
    if (!gainApplies(decibels))
        return sample;
    return applyGainFactor(sample, gainFactor(decibels));
}

void TEffectNormalize::Process(int16_t* samples, int32_t count, bool removeOffset, bool normalise)
{
    RemoveOffset = removeOffset;
    Normalise = normalise;
    // With no samples there is no mean to remove.
    if ((!RemoveOffset && !Normalise) || samples == nullptr || count <= 0)
        return;

    constexpr int32_t kBlock = 1024;
    std::unique_ptr<double[]> work(new (std::nothrow) double[kBlock]);
    if (!work)
        return;

    Minimum = 1.0;
    Maximum = -1.0;
    Sum = 0;
    Count = 0;
    for (int32_t at = 0; at < count; at += kBlock) {
        const int32_t n = std::min(kBlock, count - at);
        for (int32_t i = 0; i < n; ++i)
            work[i] = samples[at + i] / 32767.0;
        for (int32_t i = 0; i < n; ++i) {
            const double x = work[i];
            if (x < Minimum)
                Minimum = x;
            if (x > Maximum)
                Maximum = x;
            Sum += x;
        }
        Count += n;
    }

    Scale = 1.0;
    Offset = 0;
    if (RemoveOffset)
        Offset = -Sum / Count;
    if (Normalise) {
        const double peak = std::max(std::fabs(Maximum + Offset), std::fabs(Minimum + Offset));
        if (peak > 0)
            Scale = double(std::sqrt(2.0L) / 2.0L / static_cast<long double>(peak));
    }

    for (int32_t at = 0; at < count; at += kBlock) {
        const int32_t n = std::min(kBlock, count - at);
        for (int32_t i = 0; i < n; ++i)
            work[i] = samples[at + i] / 32767.0;
        for (int32_t i = 0; i < n; ++i) {
            // Stays within +-23170 after normalising; the clamp only guards an offset-only pass
            // over a recording that sits at one rail.
            const double v = std::nearbyint((work[i] + Offset) * Scale * 32767.0);
            samples[at + i] = int16_t(std::clamp(v, -32768.0, 32767.0));
        }
    }
}

void NormaliseSamples(int16_t* samples, int32_t count)
{
    TEffectNormalize effect;
    effect.Process(samples, count, true, true);
}

} // namespace zelmar
