// zelmarctl import: new and existing sets, all-or-nothing, limits and exit codes.
#include "CliFiles.h"

#include <cmath>
#include <cstdlib>

namespace {

using namespace clitest;

class ImportCli : public CliTest {
protected:
    std::string put(const std::string& name, const std::string& bytes)
    {
        spit(dir() / name, bytes);
        return path(name);
    }
};

} // namespace

TEST_F(ImportCli, MakesANewSetWithOneEmptySignal)
{
    const std::string a = put("gong.wav", wavBytes(1, 18000, {1, 2, 3, 4}));
    std::vector<int16_t> sine;
    for (int i = 0; i < 44100; ++i)
        sine.push_back(int16_t(8000 * std::sin(i * 0.05)));
    const std::string b = put("stereo.wav", wavBytes(2, 44100, sine));
    const CliResult r = runCli({"import", path("new.zmr"), a, b});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("sound 1 \"gong\": 4 samples\nsound 2 \"stereo\": ", 0), 0u) << r.out;
    const zelmar::SignalSet set = zelmar::readSetFile(path("new.zmr"));
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
    ASSERT_EQ(runCli({"import", path("s.zmr"), put("a.wav", wavBytes(1, 18000, {7, 8}))}).exitCode, 0);
    const std::string before = slurp(path("s.zmr"));
    std::vector<int16_t> quiet;
    for (int i = 0; i < 200; ++i)
        quiet.push_back(i % 2 ? 100 : -100);
    const CliResult r = runCli({"import", path("s.zmr"), put("q.wav", wavBytes(1, 18000, quiet)), "--normalize", "-o", path("out.zmr")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(slurp(path("s.zmr")), before);
    const zelmar::SignalSet out = zelmar::readSetFile(path("out.zmr"));
    ASSERT_EQ(out.library.size(), 2u);
    EXPECT_EQ(out.library[1].sound.Samples[0], -23170);
    EXPECT_EQ(out.library[1].sound.Samples[1], 23170);
}

TEST_F(ImportCli, AnyRefusedFileWritesNothing)
{
    ASSERT_EQ(runCli({"import", path("s.zmr"), put("a.wav", wavBytes(1, 18000, {7, 8}))}).exitCode, 0);
    const std::string before = slurp(path("s.zmr"));
    const std::string good = put("b.wav", wavBytes(1, 18000, {1, 2}));
    const std::string text = put("notes.wav", std::string(300, 't'));

    CliResult r = runCli({"import", path("s.zmr"), good, text});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("zelmarctl: " + text), std::string::npos) << r.err;
    EXPECT_EQ(slurp(path("s.zmr")), before);
    EXPECT_EQ(r.out, "") << "no sound was added, so none is reported";

    r = runCli({"import", path("s.zmr"), good, path("missing.wav"), "-o", path("o.zmr")});
    EXPECT_EQ(r.exitCode, 5);
    EXPECT_FALSE(fs::exists(path("o.zmr")));

    // 110 seconds promised: longer than an empty chime holds.
    r = runCli({"import", path("s.zmr"), good, put("long.wav", wavBytes(1, 18000, {}, 110 * 36000))});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_NE(r.err.find("110.00"), std::string::npos) << r.err;
    EXPECT_EQ(slurp(path("s.zmr")), before);
}

TEST_F(ImportCli, TheHundredTwentyNinthSoundIsRefused)
{
    std::vector<std::string> args = {"import", path("full.zmr")};
    const std::string one = put("one.wav", wavBytes(1, 18000, {5, 6}));
    for (int i = 0; i < 128; ++i)
        args.push_back(one);
    ASSERT_EQ(runCli(args).exitCode, 0);
    EXPECT_EQ(zelmar::readSetFile(path("full.zmr")).library.size(), 128u);
    const CliResult r = runCli({"import", path("full.zmr"), one});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_NE(r.err.find("128"), std::string::npos);
}

TEST_F(ImportCli, InvalidSetFileAndUsage)
{
    const std::string bad = put("bad.zmr", "this is not a set");
    CliResult r = runCli({"import", bad, put("a.wav", wavBytes(1, 18000, {1, 1}))});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("code"), std::string::npos);
    EXPECT_EQ(slurp(bad), "this is not a set");
    EXPECT_EQ(runCli({"import", path("s.zmr")}).exitCode, 1);
    EXPECT_EQ(runCli({"import", path("s.zmr"), path("a.wav"), "--loud"}).exitCode, 1);
    // An empty output name is no way of saying "the set itself".
    ASSERT_EQ(runCli({"import", path("s.zmr"), put("b.wav", wavBytes(1, 18000, {3, 4}))}).exitCode, 0);
    const std::string before = slurp(path("s.zmr"));
    r = runCli({"import", path("s.zmr"), path("b.wav"), "-o", ""});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(slurp(path("s.zmr")), before);
}

TEST_F(ImportCli, TakesFlacAndAiffByTheirContent)
{
    std::vector<int16_t> tone;
    for (int i = 0; i < 1800; ++i)
        tone.push_back(int16_t(9000 * std::sin(i * 0.07)));
    const std::string src = put("src.wav", wavBytes(1, 18000, tone));
    // An AIFF under a WAV name: the content decides, not the name.
    ASSERT_EQ(std::system(("sox " + src + " " + path("dzwonek.flac") + " && sox " + src + " -t aiff " + path("aiff.wav")).c_str()), 0);
    const CliResult r = runCli({"import", path("s.zmr"), path("dzwonek.flac"), path("aiff.wav")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const zelmar::SignalSet set = zelmar::readSetFile(path("s.zmr"));
    ASSERT_EQ(set.library.size(), 2u);
    EXPECT_EQ(set.library[0].name, "dzwonek");
    EXPECT_EQ(set.library[0].sound.Samples, tone);
    EXPECT_EQ(set.library[1].name, "aiff");
    EXPECT_EQ(set.library[1].sound.Samples, tone);
}
