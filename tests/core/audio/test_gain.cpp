#include "audio/Gain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace zelmar;

TEST(ApplyGain, AmplifiesClipsAndIgnoresOutOfRange)
{
    EXPECT_EQ(ApplyGain(16384, 6.0), 32690);
    EXPECT_EQ(ApplyGain(30000, 6.0), 32767);      // clipped at full scale
    EXPECT_EQ(ApplyGain(-32768, 0.5), -32767);    // -1.00003 clipped to -1.0
    EXPECT_EQ(ApplyGain(-30000, 6.0), -32767);
    EXPECT_EQ(ApplyGain(1000, 0), 1000);
    EXPECT_EQ(ApplyGain(1000, 10.5), 1000);
    EXPECT_EQ(ApplyGain(1000, -3.0), 1000);
    EXPECT_EQ(ApplyGain(1000, std::nan("")), 1000);
    EXPECT_EQ(ApplyGain(1000, 10.0), 3162);       // 10 dB is still inside the range
    EXPECT_EQ(ApplyGain(-32768, 0.1), -32767);    // rounding path of the lower rail
}

TEST(ApplyGain, FactorFormGivesTheSameSamplesEverywhere)
{
    for (double db : {0.1, 0.5, 3.0, 6.0, 7.5, 10.0}) {
        const double f = gainFactor(db);
        for (int s = -32768; s <= 32767; s += 7)
            ASSERT_EQ(applyGainFactor(int16_t(s), f), ApplyGain(int16_t(s), db)) << s << " at " << db;
    }
    EXPECT_EQ(gainFactor(0), 1.0);
    EXPECT_EQ(gainFactor(11), 1.0);
}

TEST(ApplyGain, WholeBuffersMatchSampleBySample)
{
    std::vector<int16_t> all(65536 + 5);   // every value, and a tail that is not a whole vector
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = int16_t(int(i % 65536) - 32768);
    for (double db : {0.1, 3.0, 6.0, 10.0}) {
        const double f = gainFactor(db);
        std::vector<int16_t> out(all.size());
        applyGainFactor(all.data(), out.data(), all.size(), f);
        for (size_t i = 0; i < all.size(); ++i)
            ASSERT_EQ(out[i], ApplyGain(all[i], db)) << all[i] << " at " << db;
        std::vector<int16_t> inPlace = all;
        applyGainFactor(inPlace.data(), inPlace.data(), inPlace.size(), f);
        EXPECT_EQ(inPlace, out);
    }
}

TEST(ApplyGain, RoundsHalfToEven)
{
    // These products land exactly on .5: 2.5 -> 2, 7.5 -> 8, -2.5 -> -2.
    EXPECT_EQ(applyGainFactor(1, 2.5), 2);
    EXPECT_EQ(applyGainFactor(3, 2.5), 8);
    EXPECT_EQ(applyGainFactor(-1, 2.5), -2);
}

TEST(Normalise, SilenceStaysSilent)
{
    std::vector<int16_t> s(3000, 0);
    TEffectNormalize e;
    e.Process(s.data(), int32_t(s.size()), true, true);
    EXPECT_EQ(e.Scale, 1.0);
    EXPECT_EQ(e.Count, 3000);
    for (int16_t v : s)
        ASSERT_EQ(v, 0);
}

TEST(Normalise, AlternatingHalfScaleReachesMinus3dB)
{
    // More than one work block, so the block walk is exercised.
    std::vector<int16_t> s(2500);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = i % 2 ? -16384 : 16384;
    TEffectNormalize e;
    e.Process(s.data(), int32_t(s.size()), true, true);
    EXPECT_EQ(e.Offset, 0.0);
    EXPECT_EQ(e.Count, 2500);
    for (size_t i = 0; i < s.size(); ++i)
        ASSERT_EQ(s[i], i % 2 ? -23170 : 23170) << i;
}

TEST(Normalise, RemovesOffsetBeforeScaling)
{
    std::vector<int16_t> s = {0, 32767, 0, 32767};
    TEffectNormalize e;
    e.Process(s.data(), 4, true, true);
    EXPECT_DOUBLE_EQ(e.Offset, -0.5);
    EXPECT_NEAR(e.Scale, std::sqrt(2.0), 1e-12);
    EXPECT_EQ(s, (std::vector<int16_t>{-23170, 23170, -23170, 23170}));
}

TEST(Normalise, FlagsChooseTheSteps)
{
    std::vector<int16_t> s = {100, 300, 100, 300};
    TEffectNormalize e;
    e.Process(s.data(), 4, false, false);
    EXPECT_EQ(s, (std::vector<int16_t>{100, 300, 100, 300}));

    e.Process(s.data(), 4, true, false);   // the recording minus its mean
    EXPECT_EQ(s, (std::vector<int16_t>{-100, 100, -100, 100}));

    NormaliseSamples(s.data(), 0);         // no samples: nothing, and no division by zero
    NormaliseSamples(nullptr, 5);
    EXPECT_EQ(s, (std::vector<int16_t>{-100, 100, -100, 100}));
}

TEST(Normalise, OffsetOnlyNeverWrapsAround)
{
    // Mostly at the lower rail with one sample at the top: minus the mean that sample would be
    // about +2.0 of full scale; it must stay at the top instead of wrapping to a negative value.
    std::vector<int16_t> s(100, -32768);
    s[50] = 32767;
    TEffectNormalize e;
    e.Process(s.data(), int32_t(s.size()), true, false);
    EXPECT_EQ(s[50], 32767);
    EXPECT_LE(s[0], 0);
}
