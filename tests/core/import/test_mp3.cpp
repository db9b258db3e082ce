// MP3 decoding on libmad: the fixed-point conversion, every MPEG version, and a file read in
// pieces against one buffer that holds it whole.
#include "AudioFiles.h"
#include "Mp3Reference.h"

#include "audio/Mp3Stream.h"
#include "model/Errors.h"

#include <random>

using namespace zelmar;
using namespace testaudio;

TEST(MadFixed, ClipsThenShiftsTowardMinusInfinity)
{
    EXPECT_EQ(madFixedToInt16(268435456), 32767);
    EXPECT_EQ(madFixedToInt16(INT32_MAX), 32767);
    EXPECT_EQ(madFixedToInt16(268435455), 32767);
    EXPECT_EQ(madFixedToInt16(-268435456), -32768);
    EXPECT_EQ(madFixedToInt16(-268435457), -32768);
    EXPECT_EQ(madFixedToInt16(INT32_MIN), -32768);
    EXPECT_EQ(madFixedToInt16(8192), 1);
    EXPECT_EQ(madFixedToInt16(8191), 0);
    EXPECT_EQ(madFixedToInt16(-1), -1);
    EXPECT_EQ(madFixedToInt16(-8193), -2);
}

class Mp3Decode : public TempDirTest {
protected:
    // Every frame the stream gives, interleaved.
    static std::vector<int16_t> decodeAll(Mp3Stream& stream)
    {
        std::vector<int16_t> all, frame;
        while (stream.next(frame))
            all.insert(all.end(), frame.begin(), frame.end());
        return all;
    }
};

TEST_F(Mp3Decode, EveryMpegVersionMonoAndStereo)
{
    struct Case {
        int channels, rate, kbps;
    } cases[] = {{1, 44100, 64}, {2, 44100, 128}, {2, 32000, 96}, {1, 22050, 32}, {2, 24000, 64},
                 {1, 16000, 32}, {2, 11025, 32}, {1, 8000, 16}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.channels) + " ch at " + std::to_string(c.rate));
        const std::string bytes = mp3Bytes(c.channels, c.rate, 1.0, c.kbps);
        Mp3Stream stream(put("in.mp3", bytes));
        const std::vector<int16_t> s = decodeAll(stream);
        EXPECT_EQ(stream.channels(), c.channels);
        EXPECT_EQ(stream.sampleRate(), c.rate);
        EXPECT_TRUE(s == decodeMp3Reference(bytes).samples);
        // The encoder adds its delay and padding, the decoder drops the last frame: about a second.
        EXPECT_NEAR(double(s.size()) / c.channels / c.rate, 1.0, 0.12);
        EXPECT_NEAR(measuredFrequency(s, c.channels, 0, c.rate), 440.0, 3.0);
        if (c.channels == 2) {
            EXPECT_NEAR(measuredFrequency(s, 2, 1, c.rate), 660.0, 4.0);
        }
    }
}

TEST_F(Mp3Decode, FileWithoutFramesGivesNone)
{
    for (const std::string& bytes : {std::string("abcd"), std::string(5000, 'z'), std::string()}) {
        Mp3Stream stream(put("none.mp3", bytes));
        std::vector<int16_t> frame;
        EXPECT_FALSE(stream.next(frame));
        EXPECT_TRUE(frame.empty());
        EXPECT_EQ(stream.channels(), 0);
    }
    EXPECT_THROW(Mp3Stream(path("missing.mp3")), FileError);
}

TEST_F(Mp3Decode, PieceByPieceGivesExactlyTheFramesOfOneBuffer)
{
    // Pieces end inside frames and inside long stretches without any frame; the decoder's state
    // must carry over as if it had the whole file at once.
    const std::string good = mp3Bytes(2, 44100, 8.0, 128, 392.0);
    std::mt19937 rng(3);
    std::string noise(150000, '\0');
    for (char& c : noise)
        c = char(rng() % 0xE0);   // never a sync byte
    std::string damaged = good;
    for (int i = 0; i < 60; ++i)
        damaged[rng() % damaged.size()] = char(rng());
    const std::string inputs[] = {good, good.substr(0, good.size() / 2) + noise + good.substr(good.size() / 2),
                                  id3Tag(70000) + good, damaged};
    for (const std::string& bytes : inputs) {
        const std::string in = put("in.mp3", bytes);
        const Mp3Reference one = decodeMp3Reference(bytes);
        ASSERT_EQ(one.channels, 2);
        for (size_t piece : {size_t(4096), size_t(100000)}) {
            Mp3Stream stream(in, 0, piece);
            const std::vector<int16_t> all = decodeAll(stream);
            EXPECT_EQ(stream.channels(), 2);
            EXPECT_TRUE(all == one.samples) << all.size() << " samples, one buffer " << one.samples.size();
        }
    }
}
