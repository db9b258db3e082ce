// The loudness meter against figures the standard fixes: a full-scale 997 Hz sine in one channel
// reads -3.01 LUFS at any rate; quiet and silent stretches are gated out; the high-pass takes away
// what lies below it and leaves the rest.
#include "audio/Loudness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

using zelmar::integratedLoudness;

namespace {

std::vector<float> sine(double freq, double amplitude, double seconds, int rate)
{
    std::vector<float> out(size_t(seconds * rate));
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = float(amplitude * std::sin(2 * std::numbers::pi * freq * double(i) / rate));
    return out;
}

std::vector<float> joined(std::vector<float> a, const std::vector<float>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

double dbAmplitude(double db) { return std::pow(10.0, db / 20.0); }

} // namespace

TEST(Loudness, FullScaleSineReadsMinusThreeAtEveryRate)
{
    for (int rate : {48000, 44100, 18000}) {
        SCOPED_TRACE(rate);
        const auto l = integratedLoudness(sine(997, 1.0, 3, rate), rate);
        ASSERT_TRUE(l);
        EXPECT_NEAR(*l, -3.01, 0.05);
        const auto quieter = integratedLoudness(sine(997, dbAmplitude(-20), 3, rate), rate);
        ASSERT_TRUE(quieter);
        EXPECT_NEAR(*quieter, -23.01, 0.05);
    }
}

TEST(Loudness, QuietAndSilentStretchesAreGatedOut)
{
    const int rate = 18000;
    const auto loud = sine(997, dbAmplitude(-20), 4, rate);
    // 30 dB down lies below the relative gate, silence below the absolute one.
    const auto withQuiet = integratedLoudness(joined(loud, sine(997, dbAmplitude(-50), 4, rate)), rate);
    const auto withSilence = integratedLoudness(joined(loud, std::vector<float>(size_t(4 * rate))), rate);
    ASSERT_TRUE(withQuiet && withSilence);
    // The 37 blocks of the loud part count, and so do the three across its end, 3/4, 1/2 and 1/4 full.
    const double edge = 10 * std::log10(38.5 / 40);
    EXPECT_NEAR(*withQuiet, -23.01 + edge, 0.02);
    EXPECT_NEAR(*withSilence, -23.01 + edge, 0.02);
    // Only 6 dB down counts: the mean of both halves' energies.
    const auto withNear = integratedLoudness(joined(loud, sine(997, dbAmplitude(-26), 4, rate)), rate);
    ASSERT_TRUE(withNear);
    EXPECT_NEAR(*withNear, -23.01 + 10 * std::log10((1 + std::pow(10.0, -0.6)) / 2), 0.02);

    EXPECT_FALSE(integratedLoudness(std::vector<float>(size_t(2 * rate)), rate));
    EXPECT_FALSE(integratedLoudness(sine(997, dbAmplitude(-80), 2, rate), rate));
    EXPECT_FALSE(integratedLoudness(sine(997, 0.5, 0.39, rate), rate));   // shorter than one block
}

TEST(Loudness, HighPassTakesAwayTheBassAndKeepsTheRest)
{
    const int rate = 18000;
    const auto low = sine(100, 0.5, 3, rate);
    const auto high = sine(3000, 0.5, 3, rate);
    // A second-order Butterworth at 300 Hz: 10 log10(1 + 3^4) = 19.1 dB down at 100 Hz.
    EXPECT_NEAR(*integratedLoudness(low, rate, 300) - *integratedLoudness(low, rate), -19.14, 0.2);
    EXPECT_NEAR(*integratedLoudness(high, rate, 300) - *integratedLoudness(high, rate), 0.0, 0.05);
    // The same through the 16-bit form the sets keep.
    std::vector<int16_t> pcm(high.size());
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = int16_t(std::lround(high[i] * 32767));
    EXPECT_NEAR(*integratedLoudness(pcm, rate, 300), *integratedLoudness(high, rate, 300), 0.01);
}
