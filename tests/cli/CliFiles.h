#pragma once
// What the command-line tests share: a folder of their own for each test, whole files in and out,
// and the samples of the WAV files zelmarctl writes.
#include "CliRunner.h"

#include "model/ByteReader.h"
#include "model/SetFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace clitest {

namespace fs = std::filesystem;

inline std::string slurp(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), {});
}

inline void spit(const fs::path& p, const std::string& bytes)
{
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

// A 16-bit PCM WAV file; `declared` overrides the data size its header states.
inline std::string wavBytes(int channels, int rate, const std::vector<int16_t>& samples, uint32_t declared = UINT32_MAX)
{
    zelmar::ByteWriter w;
    const uint32_t bytes = uint32_t(samples.size() * 2);
    w.raw("RIFF");
    w.u32(36 + bytes);
    w.raw("WAVEfmt ");
    w.u32(16);
    w.u16(1);
    w.u16(uint16_t(channels));
    w.u32(uint32_t(rate));
    w.u32(uint32_t(rate * channels * 2));
    w.u16(uint16_t(channels * 2));
    w.u16(16);
    w.raw("data");
    w.u32(declared == UINT32_MAX ? bytes : declared);
    for (int16_t s : samples)
        w.u16(uint16_t(s));
    return w.bytes();
}

// The samples of a WAV file with the program's 44-byte header.
inline std::vector<int16_t> wavSamples(const fs::path& p)
{
    const std::string b = slurp(p);
    EXPECT_GE(b.size(), 44u) << p;
    EXPECT_EQ(b.substr(0, 4), "RIFF") << p;
    std::vector<int16_t> s(b.size() < 44 ? 0 : (b.size() - 44) / 2);
    if (!s.empty())
        std::memcpy(s.data(), b.data() + 44, s.size() * 2);
    return s;
}

// A fresh folder named after the running test, removed with it.
class TestFolder {
public:
    TestFolder()
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(test->test_suite_name()) + "-" + test->name();
        for (char& c : name)
            if (c == '/')
                c = '-';
        dir_ = fs::temp_directory_path() / ("zelmarctl-test-" + std::to_string(::getpid()) + "-" + name);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    ~TestFolder()
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const fs::path& dir() const { return dir_; }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    // `set` saved under `name`; its path.
    std::string saved(const zelmar::SignalSet& set, const std::string& name) const
    {
        zelmar::writeSetFile(set, path(name));
        return path(name);
    }

private:
    fs::path dir_;
};

class CliTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return files.path(name); }
    std::string saved(const zelmar::SignalSet& set, const std::string& name) const { return files.saved(set, name); }
    const fs::path& dir() const { return files.dir(); }

    TestFolder files;
};

} // namespace clitest
