#include "audio/Gain.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

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
