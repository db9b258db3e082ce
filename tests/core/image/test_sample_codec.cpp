#include "image/SampleCodec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

using namespace zelmar;

namespace {

// The arithmetic as the chime's format states it, in floating point.
int referenceEncode(int s)
{
    return int(std::clamp(std::nearbyint(s * 512.0 / 65536.0), -256.0, 255.0));
}
int referenceDecode(int v)
{
    return int(std::nearbyint(v / 512.0 * 65500.0));
}

// The block codec has a 128-bit and a 256-bit path; each test of it runs through both.
class BlockCodec : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { allowWideCodecForTesting(GetParam()); }
    void TearDown() override { allowWideCodecForTesting(true); }
};

} // namespace

TEST(SampleCodec, RoundingCases)
{
    EXPECT_EQ(encodeSample9(64), 0);      // 0.5 goes to the even neighbour 0
    EXPECT_EQ(encodeSample9(192), 2);     // 1.5 goes to 2
    EXPECT_EQ(encodeSample9(-64), 0);
    EXPECT_EQ(encodeSample9(-192), -2);
    EXPECT_EQ(encodeSample9(-128), -1);
    EXPECT_EQ(encodeSample9(32767), 255); // limited
    EXPECT_EQ(encodeSample9(-32768), -256);
    EXPECT_EQ(decodeSample9(-256), -32750);
    EXPECT_EQ(decodeSample9(255), 32622);
    EXPECT_EQ(decodeSample9(0), 0);

    uint8_t one[2];
    const int16_t minusOne[1] = {-128};
    encodeSamples(minusOne, one);
    EXPECT_EQ(one[0], 1);      // sign bit of the only sample
    EXPECT_EQ(one[1], 0xFF);   // -1 mod 256
}

TEST(SampleCodec, EveryValueMatchesTheFormula)
{
    for (int s = -32768; s <= 32767; ++s)
        ASSERT_EQ(encodeSample9(int16_t(s)), referenceEncode(s)) << s;
    for (int v = -256; v <= 255; ++v)
        ASSERT_EQ(decodeSample9(v), referenceDecode(v)) << v;
}

TEST_P(BlockCodec, EveryValueThroughTheBlockCodec)
{
    // Sample v * 128 encodes to v exactly, so this walks all 512 stored values, plus an odd tail.
    std::vector<int16_t> s;
    for (int v = -256; v <= 255; ++v)
        s.push_back(int16_t(v * 128));
    s.push_back(-64 * 128);
    s.push_back(192 * 128);
    s.push_back(32767);
    std::vector<uint8_t> enc(size_t(encodedSize(int64_t(s.size()))));
    encodeSamples(s, enc.data());
    std::vector<int16_t> back(s.size());
    decodeSamples(enc.data(), back);
    for (size_t u = 0; u < s.size(); ++u)
        ASSERT_EQ(back[u], referenceDecode(referenceEncode(s[u]))) << "sample " << s[u];
}

TEST_P(BlockCodec, BlocksOfEveryLengthMatchTheSampleRules)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> any(-32768, 32767);
    for (size_t n = 0; n <= 80; ++n) {
        std::vector<int16_t> s(n);
        for (auto& x : s)
            x = int16_t(any(rng));
        if (n > 2) {
            s[0] = -32768;
            s[1] = 32767;
        }
        std::vector<uint8_t> enc(size_t(encodedSize(int64_t(n))) + 1, 0xCD);   // one guard byte
        encodeSamples(s, enc.data());
        EXPECT_EQ(enc.back(), 0xCD) << "wrote past the sound at n=" << n;
        for (size_t u = 0; u < n; ++u) {
            const size_t block = u / 8 * 9;
            const int j = int(u % 8);
            const int v = enc[block + 1 + size_t(j)] - ((enc[block] >> j & 1) << 8);
            ASSERT_EQ(v, referenceEncode(s[u])) << "n=" << n << " u=" << u;
        }
        // Sign bits without a sample stay clear.
        if (n % 8) {
            EXPECT_EQ(enc[n / 8 * 9] >> (n % 8), 0) << n;
        }

        std::vector<int16_t> back(n + 1, 1234);
        decodeSamples(enc.data(), std::span(back).first(n));
        EXPECT_EQ(back.back(), 1234) << "decoded past the sound at n=" << n;
        for (size_t u = 0; u < n; ++u)
            ASSERT_EQ(back[u], referenceDecode(referenceEncode(s[u]))) << "n=" << n << " u=" << u;
    }
}

TEST_P(BlockCodec, GainIsAppliedBeforeEncoding)
{
    const std::vector<int16_t> s = {16384, 30000, -32768, 100, 0, 64, -5, 7, 9000};
    std::vector<uint8_t> plain(size_t(encodedSize(9))), loud(plain.size()), none(plain.size());
    encodeSamples(s, plain.data());
    encodeSamplesWithGain(s, 6.0, loud.data());
    encodeSamplesWithGain(s, 10.5, none.data());   // outside (0, 10]: no gain
    EXPECT_EQ(none, plain);
    std::vector<int16_t> d(9);
    decodeSamples(loud.data(), d);
    EXPECT_EQ(d[0], decodeSample9(encodeSample9(32690)));
    EXPECT_EQ(d[1], decodeSample9(255));
    EXPECT_EQ(d[8], decodeSample9(encodeSample9(17957)));   // 9000 x 10^0.3 = 17957.3
}

INSTANTIATE_TEST_SUITE_P(Paths, BlockCodec, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Wide" : "Narrow"; });
