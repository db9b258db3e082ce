// The rate and bit-depth converter: formats, lengths, pitch, cancel and failure.
#include "AudioFiles.h"

#include "audio/Resample.h"
#include "audio/WavFile.h"

#include <cmath>
#include <random>

using namespace zelmar;
using namespace testaudio;

class Convert : public TempDirTest {
protected:
    struct Run {
        uint8_t failed = 0;
        int32_t cancel = 0;
        int calls = 0;
        int32_t lastDone = -1, lastTotal = -1;
        bool monotone = true;
        ConvertStats stats;
    };
    Run convert(const std::string& in, const std::string& out, int cancelAfterCalls = -1)
    {
        Run r;
        volatile int32_t cancel = 0;
        convertWavFile(in.c_str(), out.c_str(), 18000, 16, 4, 0, &cancel,
                       [&](int32_t done, int32_t total) {
                           r.monotone = r.monotone && done > r.lastDone && done <= total;
                           r.lastDone = done, r.lastTotal = total;
                           if (++r.calls == cancelAfterCalls)
                               cancel = 1;
                       },
                       0, &r.failed, &r.stats);
        r.cancel = cancel;
        return r;
    }
};

TEST_F(Convert, EveryRateAndDepthReaches18000Hz16BitWithTheSameChannels)
{
    for (int rate : {8000, 11025, 16000, 22050, 32000, 44100, 48000, 96000}) {
        for (int bits : {8, 16, 24, 32}) {
            for (int channels : {1, 2}) {
                SCOPED_TRACE(std::to_string(rate) + " Hz " + std::to_string(bits) + " bit " + std::to_string(channels));
                const size_t frames = size_t(rate) * 3 / 4;   // 0.75 s
                const std::string in = put("in.wav", wavBytes(channels, rate, bits, sinePcm(channels, rate, bits, frames, 440)));
                const Run r = convert(in, path("out.wav"));
                ASSERT_EQ(r.failed, 0);
                TWavFileEx wav;
                ASSERT_TRUE(wav.Open(path("out.wav")));
                ASSERT_TRUE(wav.Valid);
                EXPECT_EQ(wav.SampleRate, 18000u);
                EXPECT_EQ(wav.BitsPerSample, 16);
                EXPECT_EQ(wav.Channels, channels);
                EXPECT_EQ(wav.DataSize, fs::file_size(path("out.wav")) - 44);
                const double expected = double(frames) * 18000.0 / rate;
                EXPECT_NEAR(double(wav.DataSize / 2 / uint32_t(channels)), expected, 1.0);
                EXPECT_EQ(r.stats.outputFrames, wav.DataSize / 2 / uint32_t(channels));
                EXPECT_TRUE(r.monotone);
                EXPECT_EQ(r.lastDone, r.lastTotal);
            }
        }
    }
}

TEST_F(Convert, ASineKeepsItsFrequencyAndLevel)
{
    for (int rate : {44100, 8000}) {
        const std::string in = put("in.wav", wavBytes(2, rate, 16, sinePcm(2, rate, 16, size_t(rate) * 2, 1000, 0.5)));
        ASSERT_EQ(convert(in, path("out.wav")).failed, 0);
        const auto s = samples16(readBytes(path("out.wav")), 44);
        EXPECT_NEAR(measuredFrequency(s, 2, 0, 18000), 1000.0, 0.5);
        EXPECT_NEAR(measuredFrequency(s, 2, 1, 18000), 1000.0, 0.5);
        double power = 0;
        for (size_t i = 2000; i < s.size() - 2000; ++i)
            power += double(s[i]) * s[i];
        const double rms = std::sqrt(power / double(s.size() - 4000));
        EXPECT_NEAR(rms, 16384 / std::sqrt(2.0), 60);
    }
}

TEST_F(Convert, SixteenBitsAtTheSameRatePassUnchangedAndRepeatably)
{
    std::vector<int16_t> v;
    for (int i = 0; i < 18000; ++i)
        v.push_back(int16_t((i * 7919) % 20000 - 10000));
    // A rate that differs by nothing still runs the filter; the result must be deterministic.
    const std::string in = put("in.wav", wavBytes(1, 44100, 16, pcm16(v)));
    ASSERT_EQ(convert(in, path("a.wav")).failed, 0);
    ASSERT_EQ(convert(in, path("b.wav")).failed, 0);
    EXPECT_TRUE(readBytes(path("a.wav")) == readBytes(path("b.wav")));
}

TEST_F(Convert, EightBitSilenceStaysSilent)
{
    const std::string in = put("in.wav", wavBytes(1, 18000, 8, std::string(18000, char(0x80))));
    ASSERT_EQ(convert(in, path("out.wav")).failed, 0);
    const auto s = samples16(readBytes(path("out.wav")), 44);
    ASSERT_EQ(s.size(), 18000u);
    for (int16_t x : s)
        ASSERT_EQ(x, 0);
}

TEST_F(Convert, OvershootIsClippedAndCounted)
{
    // A full-scale square wave rings past full scale after band limiting.
    std::vector<int16_t> v;
    for (int i = 0; i < 44100; ++i)
        v.push_back((i / 50) % 2 ? int16_t(32767) : int16_t(-32768));
    const std::string in = put("in.wav", wavBytes(1, 44100, 16, pcm16(v)));
    const Run r = convert(in, path("out.wav"));
    ASSERT_EQ(r.failed, 0);
    EXPECT_GT(r.stats.clippedSamples, 0u);
    const auto s = samples16(readBytes(path("out.wav")), 44);
    EXPECT_EQ(*std::max_element(s.begin(), s.end()), 32767);
    EXPECT_EQ(*std::min_element(s.begin(), s.end()), -32768);
}

TEST_F(Convert, CancelMidWayLeavesNoOutput)
{
    const std::string in = put("in.wav", wavBytes(2, 44100, 16, sinePcm(2, 44100, 16, 44100 * 4, 440)));
    const Run r = convert(in, path("out.wav"), 3);
    EXPECT_EQ(r.cancel, 1);
    EXPECT_EQ(r.calls, 3);   // the flag is read before the next chunk
    EXPECT_FALSE(fs::exists(path("out.wav")));
    EXPECT_EQ(readBytes(in).size(), fs::file_size(in));
}

TEST_F(Convert, FailuresSetTheFlagAndLeaveNoOutput)
{
    const std::string twelveBit = put("odd.wav", wavBytes(1, 44100, 12, std::string(3000, '\1')));
    const std::string text = put("text.wav", "not a wav at all");
    const std::string floats = put("float.wav", wavBytes(1, 44100, 32, std::string(4000, '\0'), 3));   // not this converter's
    for (const std::string& in : {twelveBit, text, floats, path("missing.wav")}) {
        SCOPED_TRACE(in);
        const Run r = convert(in, path("out.wav"));
        EXPECT_NE(r.failed, 0);
        EXPECT_FALSE(fs::exists(path("out.wav")));
    }
    // An output that cannot be created fails the same way.
    const std::string good = put("good.wav", wavBytes(1, 44100, 16, sinePcm(1, 44100, 16, 4410, 440)));
    EXPECT_NE(convert(good, path("no/such/dir/out.wav")).failed, 0);
}

TEST_F(Convert, ADataChunkShorterThanDeclaredConvertsWhatIsThere)
{
    std::string bytes = wavBytes(1, 36000, 16, sinePcm(1, 36000, 16, 36000, 440));
    bytes.resize(44 + 36000);   // half the promised second
    const std::string in = put("cut.wav", bytes);
    ASSERT_EQ(convert(in, path("out.wav")).failed, 0);
    TWavFileEx wav;
    ASSERT_TRUE(wav.Open(path("out.wav")));
    EXPECT_NEAR(double(wav.DataSize / 2), 9000.0, 1.0);
}

TEST(PcmConverterPieces, ExtremeRatiosComeOutInBoundedPieces)
{
    // 1 Hz to 18000 Hz: 20 input frames become 360000 output frames, never in one piece.
    PcmConverter up(1, 18000, 2, 16);
    std::vector<uint8_t> raw(20 * 4, 0x10);
    size_t total = 0, largest = 0;
    auto sink = [&](const int16_t*, size_t n) {
        total += n;
        largest = std::max(largest, n);
    };
    up.process(raw.data(), 20, sink);
    up.flush(sink);
    EXPECT_NEAR(double(total / 2), 360000.0, 2.0);
    EXPECT_LE(largest, PcmConverter::kMaxPieceFrames * 2);

    PcmConverter down(2000000, 18000, 1, 8);
    std::vector<uint8_t> bytes(200000, 0x80);
    total = 0;
    down.process(bytes.data(), bytes.size(), sink);
    down.flush(sink);
    EXPECT_NEAR(double(total), 1800.0, 1.0);
    EXPECT_THROW(PcmConverter(44100, 18000, 1, 12), std::runtime_error);
    EXPECT_THROW(PcmConverter(0, 18000, 1, 16), std::runtime_error);
    EXPECT_THROW(PcmConverter(44100, 18000, 0, 16), std::runtime_error);
}

TEST(PcmConverterThreads, TwoThreadsGiveTheSameSamplesAsOne)
{
    // Two different signals per frame, so that swapped or shifted channels would show.
    std::vector<uint8_t> raw;
    std::mt19937 rng(7);
    for (int i = 0; i < 3 * 44100; ++i) {
        const int16_t left = int16_t(12000.0 * std::sin(i * 0.0627));
        const int16_t right = int16_t(int(rng() % 40000) - 20000);
        for (int16_t v : {left, right}) {
            raw.push_back(uint8_t(v));
            raw.push_back(uint8_t(uint16_t(v) >> 8));
        }
    }
    auto run = [&](int threads) {
        PcmConverter conv(44100, 18000, 2, 16, threads);
        std::vector<int16_t> out;
        auto sink = [&](const int16_t* s, size_t n) { out.insert(out.end(), s, s + n); };
        // Uneven chunks, as a file's last chunk is.
        for (size_t at = 0; at < raw.size() / 4;) {
            const size_t frames = std::min<size_t>(5000 + at % 777, raw.size() / 4 - at);
            conv.process(raw.data() + at * 4, frames, sink);
            at += frames;
        }
        conv.flush(sink);
        return out;
    };
    const std::vector<int16_t> one = run(1);
    const std::vector<int16_t> two = run(2);
    EXPECT_NEAR(double(one.size() / 2), 3 * 18000.0, 2.0);
    EXPECT_TRUE(one == two);
    // The right channel is noise and the left a tone: they must not have been swapped.
    double leftEnergy = 0, rightEnergy = 0;
    for (size_t i = 1000; i + 1 < one.size(); i += 2) {
        leftEnergy += std::abs(one[i] - one[i - 2]);
        rightEnergy += std::abs(one[i + 1] - one[i - 1]);
    }
    EXPECT_LT(leftEnergy * 3, rightEnergy);
}
