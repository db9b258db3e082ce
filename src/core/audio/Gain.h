#pragma once
// Level adjustments of sounds: the one-off normalisation offered at import, and the per-sound gain
// applied whenever a sound is rendered (image, previews, waveform). Both work on x = sample / 32767
// in double precision and round half to even, so every renderer gives the same samples.
#include <cstddef>
#include <cstdint>

namespace zelmar {

// One sample through `decibels` of gain, clipped at full scale. Outside (0, 10] dB the sample is
// returned unchanged.
int16_t ApplyGain(int16_t sample, double decibels);

// The amplitude factor ApplyGain uses for `decibels`; 1.0 outside (0, 10]. Lets a renderer work
// through a whole sound without one pow() per sample; applyGainFactor gives ApplyGain's result.
double gainFactor(double decibels);
inline int16_t applyGainFactor(int16_t sample, double factor);
// The same over many samples (in and out may be the same memory), several at a time where the
// processor allows; the result is the one applyGainFactor gives sample by sample.
void applyGainFactor(const int16_t* in, int16_t* out, size_t count, double factor);

class TEffectNormalize {
public:
    bool RemoveOffset = false;
    bool Normalise = false;
    double Minimum = 0;
    double Maximum = 0;
    double Sum = 0;
    double Scale = 1.0;
    double Offset = 0;
    int32_t Count = 0;

    // Changes `count` samples in place: subtracts the mean and/or scales the peak to sqrt(2)/2 of
    // full scale. Nothing happens when both flags are false or there are no samples.
    void Process(int16_t* samples, int32_t count, bool removeOffset, bool normalise);
};

// What the import runs: both adjustments.
void NormaliseSamples(int16_t* samples, int32_t count);

} // namespace zelmar

#include <cmath>

inline int16_t zelmar::applyGainFactor(int16_t sample, double factor)
{
    double y = sample / 32767.0 * factor;
    if (y > 1.0)
        y = 1.0;
    else if (y < -1.0)
        y = -1.0;
    return int16_t(std::nearbyint(y * 32767.0));
}
