// MP3 decoding on libmad: the fixed-point conversion, the header estimate and correction, and
// decoded files of every MPEG version.
#include "AudioFiles.h"

#include "audio/Mp3Stream.h"
#include "audio/Mp3ToWav.h"
#include "audio/MpegFile.h"
#include "audio/WavFile.h"

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

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

TEST(MadEstimate, GuessesFromTheFirstFrame)
{
    // 128 kbit/s at 44100: frames of ceil(417.96) = 418 bytes; 418000 bytes are 1000 frames.
    EXPECT_EQ(estimateDecodedBytes(418000, 128000, 44100, 2), 1000u * 1152 * 2 * 2);
    EXPECT_EQ(estimateDecodedBytes(418000, 128000, 44100, 1), 1000u * 1152 * 2);
    EXPECT_EQ(estimateDecodedBytes(418000, 0, 44100, 2), 0u);
    EXPECT_EQ(estimateDecodedBytes(uint64_t(1) << 40, 8000, 48000, 2), 0xFFFFFFFFu);
}

class Mp3Decode : public TempDirTest {
protected:
    // Decodes with the component and returns the output bytes.
    std::string decodeWithComponent(const std::string& in, bool& anyFrame, int& lastPercent)
    {
        TMP3ToWav dec;
        dec.InputFile = in;
        dec.OutputFile = path("out.wav");
        std::atomic<int> percent{-1};
        std::atomic<int> done{-1};
        dec.OnProgress = [&](TMP3ToWav& s) { percent = s.Percent(); };
        dec.OnDone = [&](TMP3ToWav&, bool any) { done = any ? 1 : 0; };
        dec.Run();
        while (dec.Busy())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        anyFrame = done == 1;
        lastPercent = percent;
        return readBytes(path("out.wav"));
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
        const std::string in = put("in.mp3", mp3Bytes(c.channels, c.rate, 1.0, c.kbps));
        ASSERT_TRUE(decodeMp3File(in, path("out.wav")));
        const std::string out = readBytes(path("out.wav"));
        TWavFileEx wav;
        ASSERT_TRUE(wav.Open(path("out.wav")));
        ASSERT_TRUE(wav.Valid);
        EXPECT_EQ(wav.Channels, c.channels);
        EXPECT_EQ(wav.SampleRate, uint32_t(c.rate));
        EXPECT_EQ(wav.BitsPerSample, 16);
        EXPECT_EQ(wav.DataOffset, 44);
        EXPECT_EQ(wav.DataSize, out.size() - 44);
        EXPECT_EQ(wav.FileSize, out.size());
        // The encoder adds its delay and padding, the decoder drops the last frame: about a second.
        EXPECT_NEAR(wav.Duration(), 1.0, 0.12);
        const auto s = samples16(out, 44);
        EXPECT_NEAR(measuredFrequency(s, c.channels, 0, c.rate), 440.0, 3.0);
        if (c.channels == 2) {
            EXPECT_NEAR(measuredFrequency(s, 2, 1, c.rate), 660.0, 4.0);
        }
    }
}

TEST_F(Mp3Decode, ComponentWritesTheEstimateAndCorrectionFixesIt)
{
    const std::string in = put("in.mp3", mp3Bytes(2, 44100, 2.0, 128));
    bool any = false;
    int percent = -1;
    const std::string raw = decodeWithComponent(in, any, percent);
    EXPECT_TRUE(any);
    EXPECT_NEAR(percent, 100, 10);
    ASSERT_GT(raw.size(), 44u);
    ByteReader r(std::span(reinterpret_cast<const uint8_t*>(raw.data()), raw.size()));
    r.seek(40);
    const uint32_t estimate = r.u32();
    EXPECT_EQ(estimate, estimateDecodedBytes(readBytes(in).size(), 128000, 44100, 2));
    EXPECT_NE(estimate, raw.size() - 44);   // the guess is not the truth...

    ASSERT_TRUE(correctWavHeaderSizes(path("out.wav")));
    const std::string fixed = readBytes(path("out.wav"));
    ByteReader f(std::span(reinterpret_cast<const uint8_t*>(fixed.data()), fixed.size()));
    f.seek(4);
    EXPECT_EQ(f.u32(), fixed.size() - 8);
    f.seek(40);
    EXPECT_EQ(f.u32(), fixed.size() - 44);   // ...the correction is
    EXPECT_EQ(fixed.substr(44), raw.substr(44));
    EXPECT_EQ(fixed.substr(8, 32), raw.substr(8, 32));
}

TEST_F(Mp3Decode, CorrectionLeavesShortFilesAlone)
{
    put("short.wav", "RIFF1234WAVE");
    EXPECT_TRUE(correctWavHeaderSizes(path("short.wav")));
    EXPECT_EQ(readBytes(path("short.wav")), "RIFF1234WAVE");
    EXPECT_FALSE(correctWavHeaderSizes(path("missing.wav")));
}

TEST_F(Mp3Decode, FileWithoutFramesLeavesAnEmptyOutput)
{
    for (const std::string& bytes : {std::string("abcd"), std::string(5000, 'z'), std::string()}) {
        const std::string in = put("none.mp3", bytes);
        bool any = true;
        int percent = 0;
        EXPECT_EQ(decodeWithComponent(in, any, percent), "");
        EXPECT_FALSE(any);
        EXPECT_FALSE(decodeMp3File(in, path("out2.wav")));
        EXPECT_EQ(readBytes(path("out2.wav")), "");
    }
}

TEST_F(Mp3Decode, ComponentRefusesMissingNames)
{
    TMP3ToWav dec;
    EXPECT_THROW(dec.Run(), std::runtime_error);
    dec.InputFile = put("a.mp3", "abcd");
    try {
        dec.Run();
        ADD_FAILURE() << "ran without an output name";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Neither output stream not file name is assigned.");
    }
    dec.InputFile.clear();
    dec.OutputFile = path("o.wav");
    try {
        dec.Run();
        ADD_FAILURE() << "ran without an input name";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Neither input stream not file name is assigned.");
    }
}

TEST_F(Mp3Decode, SplitDecodingIsBitIdenticalToOneDecoder)
{
    struct Case {
        int channels, rate, kbps;
        std::string tag;
    } cases[] = {{2, 44100, 128, ""}, {1, 22050, 48, id3Tag(500)}, {2, 8000, 16, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rate));
        const std::string in = put("long.mp3", c.tag + mp3Bytes(c.channels, c.rate, 12.0, c.kbps, 523.25));
        ASSERT_TRUE(decodeMp3FileSingle(in, path("one.wav")));
        bool split = false;
        ASSERT_TRUE(decodeMp3FileSplit(in, path("two.wav"), &split));
        EXPECT_TRUE(split);
        const std::string one = readBytes(path("one.wav")), two = readBytes(path("two.wav"));
        ASSERT_EQ(one.size(), two.size());
        EXPECT_TRUE(one == two);
    }
}

TEST_F(Mp3Decode, DamagedStreamsDecodeWithoutCrashingAndSplitStaysIdentical)
{
    const std::string good = mp3Bytes(2, 44100, 6.0, 128);
    std::mt19937 rng(11);
    for (int round = 0; round < 6; ++round) {
        std::string bad = good;
        for (int i = 0; i < 40; ++i)
            bad[rng() % bad.size()] = char(rng());
        if (round % 2)
            bad.resize(bad.size() * (rng() % 100) / 100);
        const std::string in = put("bad.mp3", bad);
        const bool a = decodeMp3FileSingle(in, path("one.wav"));
        const bool b = decodeMp3FileSplit(in, path("two.wav"));
        EXPECT_EQ(a, b);
        EXPECT_TRUE(readBytes(path("one.wav")) == readBytes(path("two.wav")));
    }
}

TEST_F(Mp3Decode, DestroyingABusyComponentStopsItsWorker)
{
    const std::string in = put("long.mp3", mp3Bytes(2, 44100, 20.0, 128));
    {
        TMP3ToWav dec;
        dec.InputFile = in;
        dec.OutputFile = path("out.wav");
        dec.Run();
        // Twenty seconds of sound take far longer to decode than this second call takes to arrive.
        EXPECT_THROW(dec.Run(), std::runtime_error);
    }   // must not hang or crash
    EXPECT_TRUE(fs::exists(path("out.wav")));
}

TEST_F(Mp3Decode, SplitStaysIdenticalWhenTheFramesBeforeTheMiddleCannotBeDecoded)
{
    // Fifteen frames before the middle keep valid headers but carry side information no decoder
    // takes (big_values above 288): a count of headers takes them for warm-up, yet the second
    // decoder would start on one real frame and synthesise the middle from an empty filter.
    std::string bad = mp3Bytes(2, 44100, 12.0, 128);
    std::vector<size_t> offsets;
    for (size_t at = 0; at + 4 <= bad.size();) {
        const auto h = parseMpegFrameHeader(uint32_t(uint8_t(bad[at])) << 24 | uint32_t(uint8_t(bad[at + 1])) << 16
                                            | uint32_t(uint8_t(bad[at + 2])) << 8 | uint8_t(bad[at + 3]));
        ASSERT_TRUE(h.has_value()) << at;
        offsets.push_back(at);
        at += size_t(h->frameLength);
    }
    const size_t mid = offsets.size() / 2;
    for (size_t k = mid - 15; k < mid; ++k) {
        bad[offsets[k] + 8] = char(0xFF);                       // big_values of the first granule...
        bad[offsets[k] + 9] = char(uint8_t(bad[offsets[k] + 9]) | 0x80);   // ...all nine bits set
    }
    const std::string in = put("bad.mp3", bad);
    ASSERT_TRUE(decodeMp3FileSingle(in, path("one.wav")));
    bool split = false;
    ASSERT_TRUE(decodeMp3FileSplit(in, path("two.wav"), &split));
    const std::string one = readBytes(path("one.wav")), two = readBytes(path("two.wav"));
    ASSERT_EQ(one.size(), two.size());
    EXPECT_TRUE(one == two);
    // Fewer samples than the intact file: the damaged frames really were skipped.
    ASSERT_TRUE(decodeMp3FileSingle(put("good.mp3", mp3Bytes(2, 44100, 12.0, 128)), path("good.wav")));
    EXPECT_EQ(fs::file_size(path("good.wav")) - one.size(), 15u * 1152 * 4);
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
        ASSERT_TRUE(decodeMp3FileSingle(in, path("one.wav")));
        const std::vector<int16_t> one = samples16(readBytes(path("one.wav")), 44);
        for (size_t piece : {size_t(4096), size_t(100000)}) {
            Mp3Stream stream(in, 0, piece);
            std::vector<int16_t> all, frame;
            while (stream.next(frame))
                all.insert(all.end(), frame.begin(), frame.end());
            EXPECT_EQ(stream.channels(), 2);
            EXPECT_TRUE(all == one) << all.size() << " samples, one decoder " << one.size();
        }
    }
}
