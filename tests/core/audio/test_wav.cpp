#include "audio/WavFile.h"

#include "model/ByteReader.h"
#include "model/Errors.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

using namespace zelmar;
namespace fs = std::filesystem;

namespace {

class WavTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("zelmar-wav-test-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string write(const std::string& name, const std::string& bytes)
    {
        const std::string p = (dir / name).string();
        std::ofstream(p, std::ios::binary) << bytes;
        return p;
    }
    static std::string slurp(const std::string& p)
    {
        std::ifstream f(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }

    fs::path dir;
};

// A WAV file built field by field.
struct WavLayout {
    uint32_t fmtSize = 16;
    uint16_t tag = 1;
    uint16_t channels = 1;
    uint32_t rate = 18000;
    uint16_t bits = 16;
    std::string extraChunks;      // whole chunks placed between "fmt " and "data"
    uint32_t dataSize = 4;
    std::string data = std::string(4, '\0');
    bool withData = true;
};

std::string chunk(const char* id, const std::string& body)
{
    ByteWriter w;
    w.raw(id, 4);
    w.u32(uint32_t(body.size()));
    w.raw(body);
    return w.bytes();
}

std::string build(const WavLayout& s)
{
    ByteWriter w;
    w.raw("RIFF", 4);
    w.u32(1000);
    w.raw("WAVE", 4);
    w.raw("fmt ", 4);
    w.u32(s.fmtSize);
    w.u16(s.tag);
    w.u16(s.channels);
    w.u32(s.rate);
    w.u32(s.rate * s.channels * s.bits / 8);
    w.u16(uint16_t(s.channels * s.bits / 8));
    w.u16(s.bits);
    for (uint32_t i = 16; i < s.fmtSize; ++i)
        w.u8(0xEE);
    w.raw(s.extraChunks);
    if (s.withData) {
        w.raw("data", 4);
        w.u32(s.dataSize);
        w.raw(s.data);
    }
    return w.bytes();
}

} // namespace

TEST_F(WavTest, ReadsHeadersPastOtherChunks)
{
    WavLayout s;
    s.extraChunks = chunk("LIST", std::string(26, 'x'));
    TWavFileEx w;
    ASSERT_TRUE(w.Open(write("list.wav", build(s))));
    EXPECT_TRUE(w.Valid);
    EXPECT_EQ(w.DataOffset, 78);   // 20 + 16 + (8 + 26) + 8
    EXPECT_EQ(w.FileSize, 1008u);

    s = WavLayout{};
    s.fmtSize = 18;
    ASSERT_TRUE(w.Open(write("fmt18.wav", build(s))));
    EXPECT_TRUE(w.Valid);
    EXPECT_EQ(w.DataOffset, 46);

    // An odd-sized chunk is skipped without a pad byte.
    s = WavLayout{};
    s.extraChunks = chunk("odd ", std::string(5, 'x'));
    ASSERT_TRUE(w.Open(write("odd.wav", build(s))));
    EXPECT_EQ(w.DataOffset, 57);

    s = WavLayout{};
    s.rate = 96000;
    ASSERT_TRUE(w.Open(write("r96.wav", build(s))));
    EXPECT_EQ(w.SampleRate, 96000u);
}

TEST_F(WavTest, UnreadableHeaders)
{
    TWavFileEx w;
    WavLayout s;
    s.fmtSize = 20;
    EXPECT_FALSE(w.Open(write("fmt20.wav", build(s))));
    for (int size = 0; size < 4; ++size) {
        s = WavLayout{};
        s.extraChunks = chunk("junk", std::string(size_t(size), 'j'));
        EXPECT_FALSE(w.Open(write("small.wav", build(s)))) << size;
    }
    s = WavLayout{};
    s.dataSize = 3;
    s.data = "abc";
    EXPECT_FALSE(w.Open(write("data3.wav", build(s))));
    s = WavLayout{};
    s.withData = false;
    EXPECT_FALSE(w.Open(write("nodata.wav", build(s))));
    // A chunk that claims to run far past the end of the file.
    s = WavLayout{};
    s.extraChunks = "big " + std::string("\xF0\xFF\xFF\xFF", 4);
    EXPECT_FALSE(w.Open(write("huge.wav", build(s))));
    EXPECT_FALSE(w.Open(write("short.wav", "RIFF")));
    EXPECT_FALSE(w.Open((dir / "missing.wav").string()));
    EXPECT_FALSE(w.Valid);
    EXPECT_EQ(w.DataOffset, 0);
}

TEST_F(WavTest, UnsupportedFormatsAreReadButNotValid)
{
    TWavFileEx w;
    WavLayout s;
    s.tag = 2;   // ADPCM
    EXPECT_TRUE(w.Open(write("adpcm.wav", build(s))));
    EXPECT_FALSE(w.Valid);
    s = WavLayout{};
    s.channels = 9;
    EXPECT_TRUE(w.Open(write("nine.wav", build(s))));
    EXPECT_FALSE(w.Valid);
    EXPECT_EQ(w.Channels, 0);
    // Zero bits or zero rate would divide by zero in Duration and in the conversion.
    for (auto [bits, rate] : {std::pair<uint16_t, uint32_t>{0, 18000}, {16, 0}, {16, 384001}}) {
        s = WavLayout{};
        s.bits = bits;
        s.rate = rate;
        EXPECT_TRUE(w.Open(write("zero.wav", build(s))));
        EXPECT_FALSE(w.Valid) << bits << " " << rate;
        EXPECT_EQ(w.Duration(), 0.0);
    }
    std::string bad = build(WavLayout{});
    bad[0] = 'r';
    EXPECT_TRUE(w.Open(write("riff.wav", bad)));
    EXPECT_FALSE(w.Valid);
}

TEST_F(WavTest, Duration)
{
    TWavFileEx w;
    WavLayout s;
    s.channels = 2;
    s.bits = 8;
    s.rate = 44100;
    s.dataSize = 88200;
    ASSERT_TRUE(w.Open(write("st8.wav", build(s))));
    EXPECT_DOUBLE_EQ(w.Duration(), 1.0);
    s = WavLayout{};
    s.dataSize = 36000;
    ASSERT_TRUE(w.Open(write("m16.wav", build(s))));
    EXPECT_DOUBLE_EQ(w.Duration(), 1.0);
}

TEST_F(WavTest, WritesTheFixedHeaderPieceByPiece)
{
    const std::string p = (dir / "own.wav").string();
    CreateWavFile(p, 0);
    std::string bytes = slurp(p);
    ASSERT_EQ(bytes.size(), 44u);
    ByteReader r(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    EXPECT_EQ(r.text(4), "RIFF");
    EXPECT_EQ(r.u32(), 36u);
    EXPECT_EQ(r.text(8), "WAVEfmt ");
    EXPECT_EQ(r.u32(), 16u);
    EXPECT_EQ(r.u16(), 1);
    EXPECT_EQ(r.u16(), 1);
    EXPECT_EQ(r.u32(), 18000u);
    EXPECT_EQ(r.u32(), 36000u);
    EXPECT_EQ(r.u16(), 2);
    EXPECT_EQ(r.u16(), 16);
    EXPECT_EQ(r.text(4), "data");
    EXPECT_EQ(r.u32(), 0u);

    const std::string second(36000, '\x01');
    AppendToFile(p, second.data(), second.size());
    RewriteWavHeader(p, 36000);
    TWavFileEx w;
    ASSERT_TRUE(w.Open(p));
    ASSERT_TRUE(w.Valid);
    EXPECT_EQ(w.DataOffset, 44);
    EXPECT_EQ(w.FileSize, 36044u);
    EXPECT_DOUBLE_EQ(w.Duration(), 1.0);
    EXPECT_EQ(slurp(p).substr(44), second);

    // Creating again empties the file.
    CreateWavFile(p, 10);
    EXPECT_EQ(slurp(p).size(), 44u);
    EXPECT_THROW(AppendToFile((dir / "nope" / "x.wav").string(), "ab", 2), FileError);
    EXPECT_THROW(RewriteWavHeader((dir / "absent.wav").string(), 0), FileError);
    EXPECT_THROW(CreateWavFile((dir / "nope" / "x.wav").string(), 0), FileError);
}

TEST_F(WavTest, ReadFileBlock)
{
    const std::string p = write("block.bin", std::string(100, 'h') + std::string(600, 'd'));
    int64_t n = 1000;
    auto b = ReadFileBlock(p, 100, n);
    ASSERT_TRUE(b);
    EXPECT_EQ(n, 600);
    EXPECT_EQ(b->size(), 600u);
    EXPECT_EQ((*b)[0], 'd');

    n = 0;
    EXPECT_FALSE(ReadFileBlock(p, 0, n));
    n = 50;
    EXPECT_FALSE(ReadFileBlock(p, 700, n));   // nothing after the offset
    EXPECT_EQ(n, 0);
    // A header that declares 4 GiB must not reserve 4 GiB for a small file.
    n = int64_t(1) << 32;
    b = ReadFileBlock(p, 0, n);
    ASSERT_TRUE(b);
    EXPECT_EQ(n, 700);
    n = 5;
    EXPECT_THROW(ReadFileBlock((dir / "missing").string(), 0, n), FileError);
}

TEST_F(WavTest, TempNamesAreFreshAndPrivate)
{
    std::set<std::string> names;
    for (int i = 0; i < 20; ++i) {
        const std::string n = MakeTempWavName();
        const std::string file = fs::path(n).filename().string();
        EXPECT_EQ(file.rfind("zmr", 0), 0u) << file;
        EXPECT_TRUE(file.ends_with(".tmp.wav")) << file;
        EXPECT_FALSE(fs::exists(n));
        EXPECT_EQ(fs::path(n).parent_path().string(), privateTempDirectory());
        names.insert(n);
        if (i == 3)
            CreateWavFile(n, 0);   // a name in use is not handed out again
    }
    EXPECT_EQ(names.size(), 20u);
    const auto perms = fs::status(privateTempDirectory()).permissions();
    EXPECT_EQ(perms & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
}
