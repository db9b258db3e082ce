// zelmarctl import: new and existing sets, all-or-nothing, limits and exit codes.
#include "CliRunner.h"

#include "model/ByteReader.h"
#include "model/SetFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

namespace fs = std::filesystem;

std::string wav(int channels, int rate, const std::vector<int16_t>& samples, uint32_t declared = UINT32_MAX)
{
    zelmar::ByteWriter w;
    const uint32_t bytes = uint32_t(samples.size() * 2);
    w.raw("RIFF");
    w.u32(36 + bytes);
    w.raw("WAVE");
    w.raw("fmt ");
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

std::string slurp(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

class ImportCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("zelmar-import-cli-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string put(const std::string& name, const std::string& bytes)
    {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return (dir / name).string();
    }
    std::string p(const std::string& name) const { return (dir / name).string(); }
    fs::path dir;
};

} // namespace

TEST_F(ImportCli, MakesANewSetWithOneEmptySignal)
{
    const std::string a = put("gong.wav", wav(1, 18000, {1, 2, 3, 4}));
    std::vector<int16_t> sine;
    for (int i = 0; i < 44100; ++i)
        sine.push_back(int16_t(8000 * std::sin(i * 0.05)));
    const std::string b = put("stereo.wav", wav(2, 44100, sine));
    const CliResult r = runCli({"import", p("new.zmr"), a, b});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("sound 1 \"gong\": 4 samples\nsound 2 \"stereo\": ", 0), 0u) << r.out;
    const zelmar::SignalSet set = zelmar::readSetFile(p("new.zmr"));
    ASSERT_EQ(set.signals.size(), 1u);
    EXPECT_EQ(set.signals[0].name, "bez nazwy");
    EXPECT_TRUE(set.signals[0].elements.empty());
    ASSERT_EQ(set.library.size(), 2u);
    EXPECT_EQ(set.library[0].name, "gong");
    EXPECT_EQ(set.library[0].sound.Samples, (std::vector<int16_t>{1, 2, 3, 4}));
    EXPECT_EQ(set.library[1].name, "stereo");
    EXPECT_NEAR(set.library[1].sound.SampleCount, 9000, 1);
}

TEST_F(ImportCli, AddsToAnExistingSetOrWritesElsewhere)
{
    ASSERT_EQ(runCli({"import", p("s.zmr"), put("a.wav", wav(1, 18000, {7, 8}))}).exitCode, 0);
    const std::string before = slurp(p("s.zmr"));
    std::vector<int16_t> quiet;
    for (int i = 0; i < 200; ++i)
        quiet.push_back(i % 2 ? 100 : -100);
    const CliResult r = runCli({"import", p("s.zmr"), put("q.wav", wav(1, 18000, quiet)), "--normalize", "-o", p("out.zmr")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(slurp(p("s.zmr")), before);
    const zelmar::SignalSet out = zelmar::readSetFile(p("out.zmr"));
    ASSERT_EQ(out.library.size(), 2u);
    EXPECT_EQ(out.library[1].sound.Samples[0], -23170);
    EXPECT_EQ(out.library[1].sound.Samples[1], 23170);
}

TEST_F(ImportCli, AnyRefusedFileWritesNothing)
{
    ASSERT_EQ(runCli({"import", p("s.zmr"), put("a.wav", wav(1, 18000, {7, 8}))}).exitCode, 0);
    const std::string before = slurp(p("s.zmr"));
    const std::string good = put("b.wav", wav(1, 18000, {1, 2}));
    const std::string text = put("notes.wav", std::string(300, 't'));

    CliResult r = runCli({"import", p("s.zmr"), good, text});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("zelmarctl: " + text), std::string::npos) << r.err;
    EXPECT_EQ(slurp(p("s.zmr")), before);
    EXPECT_EQ(r.out, "") << "no sound was added, so none is reported";

    r = runCli({"import", p("s.zmr"), good, p("missing.wav"), "-o", p("o.zmr")});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_FALSE(fs::exists(p("o.zmr")));

    // 110 seconds promised: longer than an empty chime holds.
    r = runCli({"import", p("s.zmr"), good, put("long.wav", wav(1, 18000, {}, 110 * 36000))});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_NE(r.err.find("110.00"), std::string::npos) << r.err;
    EXPECT_EQ(slurp(p("s.zmr")), before);
}

TEST_F(ImportCli, TheHundredTwentyNinthSoundIsRefused)
{
    std::vector<std::string> args = {"import", p("full.zmr")};
    const std::string one = put("one.wav", wav(1, 18000, {5, 6}));
    for (int i = 0; i < 128; ++i)
        args.push_back(one);
    ASSERT_EQ(runCli(args).exitCode, 0);
    EXPECT_EQ(zelmar::readSetFile(p("full.zmr")).library.size(), 128u);
    const CliResult r = runCli({"import", p("full.zmr"), one});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_NE(r.err.find("128"), std::string::npos);
}

TEST_F(ImportCli, InvalidSetFileAndUsage)
{
    const std::string bad = put("bad.zmr", "this is not a set");
    CliResult r = runCli({"import", bad, put("a.wav", wav(1, 18000, {1, 1}))});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("code"), std::string::npos);
    EXPECT_EQ(slurp(bad), "this is not a set");
    EXPECT_EQ(runCli({"import", p("s.zmr")}).exitCode, 1);
    EXPECT_EQ(runCli({"import", p("s.zmr"), p("a.wav"), "--loud"}).exitCode, 1);
}

TEST_F(ImportCli, TakesFlacAndAiffByTheirContent)
{
    std::vector<int16_t> tone;
    for (int i = 0; i < 1800; ++i)
        tone.push_back(int16_t(9000 * std::sin(i * 0.07)));
    const std::string src = put("src.wav", wav(1, 18000, tone));
    // An AIFF under a WAV name: the content decides, not the name.
    ASSERT_EQ(std::system(("sox " + src + " " + p("dzwonek.flac") + " && sox " + src + " -t aiff " + p("aiff.wav")).c_str()), 0);
    const CliResult r = runCli({"import", p("s.zmr"), p("dzwonek.flac"), p("aiff.wav")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const zelmar::SignalSet set = zelmar::readSetFile(p("s.zmr"));
    ASSERT_EQ(set.library.size(), 2u);
    EXPECT_EQ(set.library[0].name, "dzwonek");
    EXPECT_EQ(set.library[0].sound.Samples, tone);
    EXPECT_EQ(set.library[1].name, "aiff");
    EXPECT_EQ(set.library[1].sound.Samples, tone);
}
