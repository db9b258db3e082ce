#pragma once
// Test inputs made on the spot: WAV files of any layout, MP3 files from libmp3lame, and a private
// directory per test.
#include "audio/WavFile.h"
#include "model/ByteReader.h"

#include <gtest/gtest.h>
#include <lame/lame.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <numbers>
#include <string>
#include <unistd.h>
#include <vector>

namespace testaudio {

namespace fs = std::filesystem;

inline std::string readBytes(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

inline void writeBytes(const fs::path& p, const std::string& bytes)
{
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), std::streamsize(bytes.size()));
}

// A WAV file with a 16-byte format chunk and the given raw data; `fmtSize` 18 or 40 adds zeros.
inline std::string wavBytes(int channels, int rate, int bits, const std::string& data, uint16_t formatTag = 1,
                            uint32_t fmtSize = 16)
{
    zelmar::ByteWriter w;
    w.raw("RIFF");
    w.u32(uint32_t(4 + 8 + fmtSize + 8 + data.size()));
    w.raw("WAVE");
    w.raw("fmt ");
    w.u32(fmtSize);
    w.u16(formatTag);
    w.u16(uint16_t(channels));
    w.u32(uint32_t(rate));
    w.u32(uint32_t(rate * channels * bits / 8));
    w.u16(uint16_t(channels * bits / 8));
    w.u16(uint16_t(bits));
    for (uint32_t i = 16; i < fmtSize; ++i)
        w.u8(0);
    w.raw("data");
    w.u32(uint32_t(data.size()));
    w.raw(data);
    return w.bytes();
}

inline std::string pcm16(const std::vector<int16_t>& samples)
{
    std::string s;
    for (int16_t v : samples) {
        s.push_back(char(uint16_t(v) & 0xFF));
        s.push_back(char(uint16_t(v) >> 8));
    }
    return s;
}

// `frames` frames of a sine at `freq` Hz and `amplitude` (of full scale) in every channel, coded at
// `bits` (8 unsigned, 16/24/32 signed little-endian).
inline std::string sinePcm(int channels, int rate, int bits, size_t frames, double freq, double amplitude = 0.5)
{
    std::string s;
    s.reserve(frames * size_t(channels * bits / 8));
    for (size_t i = 0; i < frames; ++i) {
        const double x = amplitude * std::sin(2 * std::numbers::pi * freq * double(i) / rate);
        for (int c = 0; c < channels; ++c) {
            switch (bits) {
            case 8: s.push_back(char(uint8_t(std::lround(x * 127) + 128))); break;
            case 16: {
                const auto v = uint16_t(int16_t(std::lround(x * 32767)));
                s.push_back(char(v & 0xFF)), s.push_back(char(v >> 8));
                break;
            }
            case 24: {
                const auto v = uint32_t(int32_t(std::lround(x * 8388607)));
                for (int k = 0; k < 3; ++k)
                    s.push_back(char(v >> (8 * k)));
                break;
            }
            default: {
                const auto v = uint32_t(int32_t(std::llround(x * 2147483647.0)));
                for (int k = 0; k < 4; ++k)
                    s.push_back(char(v >> (8 * k)));
                break;
            }
            }
        }
    }
    return s;
}

// An MP3 of a sine (different pitch per channel) encoded by libmp3lame at constant bitrate.
inline std::string mp3Bytes(int channels, int rate, double seconds, int kbps = 64, double freq = 440.0)
{
    lame_t l = lame_init();
    lame_set_num_channels(l, channels);
    lame_set_in_samplerate(l, rate);
    lame_set_out_samplerate(l, rate);
    lame_set_brate(l, kbps);
    lame_set_mode(l, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_quality(l, 7);
    lame_set_bWriteVbrTag(l, 0);
    EXPECT_EQ(lame_init_params(l), 0);
    const int frames = int(seconds * rate);
    std::vector<short> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        left[size_t(i)] = short(12000 * std::sin(2 * std::numbers::pi * freq * i / rate));
        right[size_t(i)] = short(9000 * std::sin(2 * std::numbers::pi * freq * 1.5 * i / rate));
    }
    std::vector<unsigned char> out(size_t(frames) * 5 / 4 + 7200 + 16384);
    int n = lame_encode_buffer(l, left.data(), channels == 1 ? left.data() : right.data(), frames, out.data(),
                               int(out.size()));
    EXPECT_GE(n, 0);
    int m = lame_encode_flush(l, out.data() + n, int(out.size()) - n);
    EXPECT_GE(m, 0);
    lame_close(l);
    return std::string(reinterpret_cast<char*>(out.data()), size_t(n + m));
}

// An ID3v2 tag of `payload` bytes, for putting before the first frame.
inline std::string id3Tag(size_t payload)
{
    std::string t = "ID3";
    t += char(3), t += char(0), t += char(0);
    for (int shift : {21, 14, 7, 0})
        t += char((payload >> shift) & 0x7F);
    t += "TIT2";
    t += std::string(payload - 4, 'x');
    return t;
}

inline std::vector<int16_t> samples16(const std::string& bytes, size_t offset)
{
    std::vector<int16_t> v;
    for (size_t i = offset; i + 1 < bytes.size(); i += 2)
        v.push_back(int16_t(uint16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8)));
    return v;
}

// Frequency of a sine from its rising crossings, with hysteresis so that the near-silence an
// encoder puts at the start does not count.
inline double measuredFrequency(const std::vector<int16_t>& s, int channels, int channel, int rate)
{
    int crossings = 0;
    size_t first = 0, last = 0;
    bool armed = false;
    for (size_t i = size_t(channel); i < s.size(); i += size_t(channels)) {
        if (s[i] < -1000) {
            armed = true;
        } else if (armed && s[i] > 1000) {
            armed = false;
            if (crossings == 0)
                first = i / size_t(channels);
            last = i / size_t(channels);
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0;
    return double(crossings - 1) * rate / double(last - first);
}

inline size_t filesIn(const std::string& dir)
{
    std::error_code ec;
    size_t n = 0;
    for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); ++it)
        ++n;
    return n;
}

// A fresh directory per test, removed afterwards.
class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() / ("zelmar-import-" + std::to_string(::getpid())) /
              (std::string(info->test_suite_name()) + "." + info->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::string put(const std::string& name, const std::string& bytes) const
    {
        writeBytes(dir / name, bytes);
        return path(name);
    }
    fs::path dir;
};

// The same, and the import's private temporary folder holds no more files afterwards.
class NoLeftoverTest : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        tempsBefore = filesIn(zelmar::privateTempDirectory());
    }
    void TearDown() override
    {
        EXPECT_EQ(filesIn(zelmar::privateTempDirectory()), tempsBefore) << "a temporary file was left behind";
        TempDirTest::TearDown();
    }
    size_t tempsBefore = 0;
};

} // namespace testaudio
