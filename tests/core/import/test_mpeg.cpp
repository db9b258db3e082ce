// MPEG frame headers and the recognition scan.
#include "AudioFiles.h"

#include "audio/MpegFile.h"
#include "audio/WavFile.h"

#include <random>

using namespace zelmar;
using namespace testaudio;

namespace {

// A header as four bytes: sync, version bits, layer bits, no CRC, bitrate and rate index, padding.
std::string header(uint32_t versionBits, uint32_t layerBits, uint32_t bitrateIndex, uint32_t rateIndex, bool pad = false)
{
    const uint32_t h = 0xFFE00000u | versionBits << 19 | layerBits << 17 | 1u << 16 | bitrateIndex << 12
                       | rateIndex << 10 | uint32_t(pad) << 9;
    return {char(h >> 24), char(h >> 16), char(h >> 8), char(h)};
}

uint32_t be(const std::string& s)
{
    return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 | uint32_t(uint8_t(s[2])) << 8 | uint8_t(s[3]);
}

} // namespace

TEST(MpegHeader, FrameLengthsFollowTheStandardTables)
{
    struct Case {
        uint32_t version, layer, bitrate, rate;
        bool pad;
        int expectRate, expectBitrate, expectLength;
    } cases[] = {
        {3, 1, 9, 0, false, 44100, 128000, 417},   // MPEG 1 layer III 128k
        {3, 1, 9, 0, true, 44100, 128000, 418},    // padding adds one byte
        {3, 1, 14, 2, false, 32000, 320000, 1440}, // MPEG 1 layer III 320k at 32000
        {3, 2, 14, 2, false, 32000, 384000, 1728}, // MPEG 1 layer II 384k
        {3, 3, 14, 2, true, 32000, 448000, 676},   // layer I: (12 * 448000 / 32000 + 1) * 4
        {2, 1, 8, 0, false, 22050, 64000, 208},    // MPEG 2 layer III: 72 * 64000 / 22050
        {2, 2, 8, 0, false, 22050, 64000, 417},    // MPEG 2 layer II keeps 144
        {0, 1, 1, 2, false, 8000, 8000, 72},       // MPEG 2.5 layer III 8k at 8000
        {0, 1, 14, 1, false, 12000, 160000, 960},
    };
    for (const Case& c : cases) {
        auto h = parseMpegFrameHeader(be(header(c.version, c.layer, c.bitrate, c.rate, c.pad)));
        ASSERT_TRUE(h.has_value()) << c.expectLength;
        EXPECT_EQ(h->sampleRate, c.expectRate);
        EXPECT_EQ(h->bitrate, c.expectBitrate);
        EXPECT_EQ(h->frameLength, c.expectLength);
    }
}

TEST(MpegHeader, ReservedAndInvalidFieldsAreRejected)
{
    EXPECT_FALSE(parseMpegFrameHeader(be(header(1, 1, 9, 0))));   // reserved version
    EXPECT_FALSE(parseMpegFrameHeader(be(header(3, 0, 9, 0))));   // reserved layer
    EXPECT_FALSE(parseMpegFrameHeader(be(header(3, 1, 0, 0))));   // free format
    EXPECT_FALSE(parseMpegFrameHeader(be(header(3, 1, 15, 0))));  // bad bitrate
    EXPECT_FALSE(parseMpegFrameHeader(be(header(3, 1, 9, 3))));   // reserved rate
    EXPECT_FALSE(parseMpegFrameHeader(be(header(3, 1, 9, 0)) & ~0x00200000u));   // one sync bit missing
}

class MpegScan : public TempDirTest {};

TEST_F(MpegScan, TinyFilesCountAsMpegAndMissingOnesDoNot)
{
    EXPECT_TRUE(isMpegAudioFile(put("four.mp3", "abcd")));
    EXPECT_TRUE(isMpegAudioFile(put("five.mp3", "abcde")));
    EXPECT_TRUE(isMpegAudioFile(put("empty.mp3", "")));
    EXPECT_FALSE(isMpegAudioFile(put("six.txt", "abcdef")));
    EXPECT_FALSE(isMpegAudioFile(path("missing.mp3")));
    EXPECT_FALSE(isMpegAudioFile(dir.string()));
}

TEST_F(MpegScan, OneFrameDecidesByWhatFollowsIt)
{
    const std::string frame = header(3, 1, 9, 0) + std::string(413, '\0');   // 417 bytes
    // A header found at 3: the frame ends at 420; yes only when the file is longer than 424.
    const std::string lead = "abc";
    EXPECT_FALSE(isMpegAudioFile(put("a.mp3", lead + frame + "1234")));
    EXPECT_TRUE(isMpegAudioFile(put("b.mp3", lead + frame + "12345")));
    TMPEGData info;
    ASSERT_TRUE(isMpegAudioFile(path("b.mp3"), &info));
    EXPECT_EQ(info.FirstFrame, 3u);
    EXPECT_EQ(info.SampleRate, 44100);
    EXPECT_EQ(info.BitRate, 128);
    EXPECT_EQ(info.Encoder, "Unknown encoder");
}

TEST_F(MpegScan, AHeaderWhoseFrameRunsPastTheEndIsSkipped)
{
    // A 1440-byte frame announced near the end is dropped; a short layer III frame after it decides.
    const std::string big = header(3, 1, 14, 2);
    const std::string small = header(0, 1, 1, 2) + std::string(68, '\0');   // 72 bytes
    EXPECT_TRUE(isMpegAudioFile(put("a.mp3", std::string(10, 'x') + big + small + "123456")));
    EXPECT_FALSE(isMpegAudioFile(put("b.mp3", std::string(10, 'x') + big + std::string(30, 'y'))));
}

TEST_F(MpegScan, RealFilesWithAndWithoutTagAreRecognisedTextIsNot)
{
    const std::string mp3 = mp3Bytes(2, 44100, 0.5);
    EXPECT_TRUE(isMpegAudioFile(put("plain.mp3", mp3)));
    TMPEGData info;
    EXPECT_TRUE(isMpegAudioFile(put("tagged.mp3", id3Tag(3000) + mp3), &info));
    EXPECT_GE(info.FirstFrame, 3010u);
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "Dzwonek do drzwi, linia " + std::to_string(i) + ".\n";
    EXPECT_FALSE(isMpegAudioFile(put("notes.txt", text)));
}

TEST_F(MpegScan, ExtendedFormatWavHoldingAFrameHeaderIsTriedAsMpeg)
{
    const std::string data = std::string(100, '\0') + header(3, 1, 9, 0) + std::string(500, '\0');
    const std::string file = put("extended.wav", wavBytes(2, 44100, 16, data, 1, 20));
    TWavFileEx wav;
    EXPECT_FALSE(wav.Open(file));   // the WAV reader rejects a 20-byte format chunk
    EXPECT_TRUE(isMpegAudioFile(file));
    // The same file without the stray header is neither.
    EXPECT_FALSE(isMpegAudioFile(put("plain.wav", wavBytes(2, 44100, 16, std::string(604, '\0'), 1, 20))));
}

TEST_F(MpegScan, RandomBytesNeverReadOutside)
{
    std::mt19937 rng(7);
    for (int i = 0; i < 200; ++i) {
        std::string b(rng() % 3000, '\0');
        for (auto& x : b)
            x = char(rng() % 4 == 0 ? 0xFF : rng());
        TMPEGData info;
        const bool yes = isMpegAudioFile(put("random.bin", b), &info);
        if (yes && b.size() > 5) {
            EXPECT_LT(info.FirstFrame + uint64_t(info.FrameLength) + 4, b.size());
        }
    }
}
