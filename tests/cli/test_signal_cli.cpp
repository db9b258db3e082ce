// zelmarctl signal and backdoor: a set composed without the wizard, under the editor's limits.
#include "CliFiles.h"

#include "WavBytes.h"
#include "audio/WavFile.h"
#include "model/FileIO.h"
#include "model/SetFile.h"
#include "model/SignalEditing.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using zelmar::Signal;
using zelmar::SignalSet;
using zelmar::TDzwiek;

class SignalCli : public clitest::CliTest {
protected:
    std::string wavFile(const std::string& name, size_t samples, int step)
    {
        std::vector<int16_t> s(samples);
        for (size_t i = 0; i < samples; ++i)
            s[i] = int16_t((int(i) * step % 400 - 200) * 50);
        zelmar::writeFileAtomically(path(name), testwav::wavFileBytes(s));
        return path(name);
    }

    // A set with one signal "pierwszy" and sounds of 100 and 40 samples.
    std::string smallSet(const std::string& name = "s.zmr")
    {
        SignalSet set;
        set.library.push_back({"gong", {}});
        set.library.back().sound.SetSamples(std::vector<int16_t>(100, 5));
        set.library.push_back({"dzwon", {}});
        set.library.back().sound.SetSamples(std::vector<int16_t>(40, 9));
        set.signals.push_back({"pierwszy", {TDzwiek::pause(10)}});
        zelmar::writeSetFile(set, path(name));
        return path(name);
    }
};

CliResult run(std::vector<std::string> args)
{
    return runCli(args);
}

TEST_F(SignalCli, ComposedOnlyWithZelmarctlGoesThroughTheChimeAndBack)
{
    const std::string set = path("composed.zmr");
    ASSERT_EQ(run({"import", set, wavFile("a.wav", 3000, 3), wavFile("b.wav", 1777, 7)}).exitCode, 0);
    // Without a signal holding a sound the chime takes nothing.
    const std::string chime = path("chime.bin");
    EXPECT_EQ(run({"--virtual-chime", chime, "upload", set}).exitCode, 4);

    CliResult r = run({"signal", "add", set, "sound=1", "pause=30", "sound=2,volume=3,start=9,end=1500", "--name",
                       "Dzwonek główny"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("signal 2 \"Dzwonek główny\": 3 elements", 0), 0u) << r.out;
    ASSERT_EQ(run({"backdoor", set, "pause=5", "sound=2"}).exitCode, 0);
    // The empty signal the import made is not sent; it goes.
    ASSERT_EQ(run({"signal", "remove", set, "1"}).exitCode, 0);

    const SignalSet made = zelmar::readSetFile(set);
    ASSERT_EQ(made.signals.size(), 1u);
    EXPECT_EQ(made.signals[0].elements,
              (Signal{TDzwiek{1, 0, 1, 3000, 0}, TDzwiek::pause(30), TDzwiek{2, 3, 9, 1500, 0}}));
    ASSERT_TRUE(made.backdoor);
    EXPECT_EQ(*made.backdoor, (Signal{TDzwiek::pause(5), TDzwiek{2, 0, 1, 1777, 0}}));

    for (const char* kind : {"", "--hid"}) {
        std::vector<std::string> chimeArgs = {"--virtual-chime", path(std::string("chime") + kind + ".bin")};
        if (*kind)
            chimeArgs.push_back(kind);
        auto with = [&](std::vector<std::string> a) {
            a.insert(a.begin(), chimeArgs.begin(), chimeArgs.end());
            return run(a);
        };
        CliResult up = with({"upload", set});
        ASSERT_EQ(up.exitCode, 0) << up.err;
        CliResult down = with({"download", "-o", path("back.zmr")});
        ASSERT_EQ(down.exitCode, 0) << down.err;

        const SignalSet back = zelmar::readSetFile(path("back.zmr"));
        ASSERT_EQ(back.signals.size(), 1u) << kind;
        EXPECT_EQ(back.signals[0].name, "Dzwonek główny");
        EXPECT_EQ(back.signals[0].elements, made.signals[0].elements);
        // The chime does not keep a pause before the first sound.
        ASSERT_TRUE(back.backdoor);
        EXPECT_EQ(*back.backdoor, (Signal{TDzwiek{2, 0, 1, 1777, 0}}));
        ASSERT_EQ(back.library.size(), 2u);
        // The chime keeps 9 bits a sample, so the lengths come back, not every bit.
        EXPECT_EQ(back.library[0].sound.SampleCount, 3000);
        EXPECT_EQ(back.library[1].sound.SampleCount, 1777);
    }
}

TEST_F(SignalCli, AddSetMoveRemoveAndTheDefaults)
{
    const std::string set = smallSet();
    ASSERT_EQ(run({"signal", "add", set, "sound=2"}).exitCode, 0);
    ASSERT_EQ(run({"signal", "add", set, "sound=1,pause=7", "--at", "1", "--name", "przód"}).exitCode, 0);
    SignalSet s = zelmar::readSetFile(set);
    ASSERT_EQ(s.signals.size(), 3u);
    EXPECT_EQ(s.signals[0].name, "przód");
    EXPECT_EQ(s.signals[0].elements, (Signal{TDzwiek{1, 0, 1, 100, 7}}));
    EXPECT_EQ(s.signals[2].name, "bez nazwy");   // as the wizard names a new signal
    EXPECT_EQ(s.signals[2].elements, (Signal{TDzwiek{2, 0, 1, 40, 0}}));

    // set keeps the name unless --name is given; an empty name is a name.
    ASSERT_EQ(run({"signal", "set", set, "3", "pause=0", "sound=1,start=100"}).exitCode, 0);
    ASSERT_EQ(run({"signal", "set", set, "2", "sound=1,end=1", "--name", ""}).exitCode, 0);
    s = zelmar::readSetFile(set);
    EXPECT_EQ(s.signals[2].name, "bez nazwy");
    EXPECT_EQ(s.signals[2].elements, (Signal{TDzwiek::pause(0), TDzwiek{1, 0, 100, 100, 0}}));
    EXPECT_EQ(s.signals[1].name, "");
    EXPECT_EQ(s.signals[1].elements, (Signal{TDzwiek{1, 0, 1, 1, 0}}));

    // FROM is taken out and put back so that it stands at TO.
    ASSERT_EQ(run({"signal", "move", set, "1", "3"}).exitCode, 0);
    s = zelmar::readSetFile(set);
    EXPECT_EQ(s.signals[0].name, "");
    EXPECT_EQ(s.signals[1].name, "bez nazwy");
    EXPECT_EQ(s.signals[2].name, "przód");

    // -o leaves the set file as it was.
    const auto before = zelmar::readWholeFile(set);
    ASSERT_EQ(run({"signal", "remove", set, "2", "-o", path("out.zmr")}).exitCode, 0);
    EXPECT_EQ(zelmar::readWholeFile(set), before);
    EXPECT_EQ(zelmar::readSetFile(path("out.zmr")).signals.size(), 2u);

    // A back-door signal of pauses only is not kept, as when the wizard accepts one.
    ASSERT_EQ(run({"backdoor", set, "sound=1"}).exitCode, 0);
    EXPECT_TRUE(zelmar::readSetFile(set).backdoor);
    CliResult quiet = run({"backdoor", set, "pause=50"});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_NE(quiet.err.find("not kept"), std::string::npos) << quiet.err;
    EXPECT_FALSE(zelmar::readSetFile(set).backdoor);
    ASSERT_EQ(run({"backdoor", set, "sound=2"}).exitCode, 0);
    ASSERT_EQ(run({"backdoor", set, "--none"}).exitCode, 0);
    EXPECT_FALSE(zelmar::readSetFile(set).backdoor);
}

TEST_F(SignalCli, MalformedArgumentsAreUsageErrorsAndWriteNothing)
{
    const std::string set = smallSet();
    const auto before = zelmar::readWholeFile(set);
    std::string longName(251, 'a');
    const std::vector<std::vector<std::string>> cases = {
        {"signal", "add", set, "sound"},
        {"signal", "add", set, "sound="},
        {"signal", "add", set, "sound=x"},
        {"signal", "add", set, "sound=1,,pause=2"},
        {"signal", "add", set, "sound=1,sound=1"},
        {"signal", "add", set, "sound=1,loud=2"},
        {"signal", "add", set, "volume=3"},                // a pause takes only pause=P
        {"signal", "add", set, "pause=3,start=1"},
        {"signal", "add", set, "sound=0"},                 // not a library number
        {"signal", "add", set, "sound=3"},
        {"signal", "add", set, "sound=1,volume=16"},
        {"signal", "add", set, "sound=1,volume=-1"},
        {"signal", "add", set, "pause=256"},
        {"signal", "add", set, "sound=1,pause=256"},
        {"signal", "add", set, "sound=1,start=0"},
        {"signal", "add", set, "sound=1,start=50,end=49"},
        {"signal", "add", set, "sound=2,end=41"},
        {"signal", "add", set, "sound=2,start=41"},
        {"signal", "add", set, "sound=1,volume=99999999999"},
        {"signal", "add", set},                              // no element
        {"signal", "add", set, "sound=1", "--at", "0"},
        {"signal", "add", set, "sound=1", "--at", "2"},
        {"signal", "add", set, "sound=1", "--name", longName},
        {"signal", "add", set, "sound=1", "--name", "鐘"},
        {"signal", "add", set, "sound=1", "--name", "two\nlines"},
        {"signal", "add", set, "sound=1", "--name", "bell\x7f"},
        {"signal", "add", set, "sound=1", "--at", ""},
        {"signal", "add", set, "sound=1", "--at", "01x"},
        {"signal", "add", set, "sound=1", "-o", ""},
        {"signal", "set", set, "1", "sound=1", "-o", ""},
        {"signal", "remove", set, "1", "-o", ""},
        {"signal", "move", set, "1", "1", "-o", ""},
        {"backdoor", set, "sound=1", "-o", ""},
        {"signal", "set", set, "0", "sound=1"},
        {"signal", "set", set, "2", "sound=1"},
        {"signal", "set", set, "x", "sound=1"},
        {"signal", "remove", set, "2"},
        {"signal", "remove", set},
        {"signal", "move", set, "1", "2"},
        {"signal", "move", set, "1"},
        {"signal", "turn", set, "1"},
        {"signal", set},
        {"backdoor", set},                                   // neither elements nor --none
        {"backdoor", set, "sound=1", "--none"},
        {"backdoor", set, "sound=9"},
    };
    for (const auto& args : cases) {
        CliResult r = run(args);
        std::string shown;
        for (const std::string& a : args)
            shown += (a == set ? "SET" : a.size() > 20 ? a.substr(0, 20) + "..." : a) + " ";
        EXPECT_EQ(r.exitCode, 1) << shown << "\n" << r.err;
        EXPECT_EQ(r.err.rfind("zelmarctl: ", 0), 0u) << shown << "\n" << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << shown << "\n" << r.err;
    }
    EXPECT_EQ(zelmar::readWholeFile(set), before);
    EXPECT_NE(run({"signal", "bogus", set}).err.find("unknown command signal bogus"), std::string::npos);
    EXPECT_NE(run({"signal", "add", set, "sound=1", "--name", "a\nb"}).err.find("control character"), std::string::npos);

    // 250 characters the code page holds are a name.
    std::string polish;
    for (int i = 0; i < 250; ++i)
        polish += "ś";
    EXPECT_EQ(run({"signal", "add", set, "sound=1", "--name", polish}).exitCode, 0);
    EXPECT_EQ(zelmar::readSetFile(set).signals.back().name, polish);

    // A damaged or missing set file is not a usage error.
    zelmar::writeFileAtomically(path("bad.zmr"), std::string("ZELMAR"));
    EXPECT_EQ(run({"signal", "add", path("bad.zmr"), "pause=1"}).exitCode, 3);
    EXPECT_EQ(run({"signal", "add", path("none.zmr"), "pause=1"}).exitCode, 5);
}

// Long names of sounds and of pause-only signals until the tables take exactly `target` bytes.
void fillTablesTo(SignalSet& set, int32_t target)
{
    while (target - set.tableSize() >= 259 + 4 && set.library.size() < 120)
        set.library.push_back({std::string(255, 'n'), {}});
    for (int32_t rest = target - set.tableSize(); rest > 0; rest = target - set.tableSize())
        set.signals.push_back({std::string(size_t(std::min(rest, 256) - 1), 's'), {TDzwiek::pause(1)}});
}

TEST_F(SignalCli, TheEditorsLimitsRefuseWithExitFour)
{
    auto refused = [&](const std::vector<std::string>& args, const std::string& file, const std::string& words) {
        const auto before = zelmar::readWholeFile(file);
        CliResult r = run(args);
        EXPECT_EQ(r.exitCode, 4) << args[0] << " " << args[1] << ": " << r.err;
        EXPECT_NE(r.err.find(words), std::string::npos) << r.err;
        EXPECT_EQ(zelmar::readWholeFile(file), before);
    };

    // 127 elements as the signal editor counts them, not 128; the back-door signal likewise.
    const std::string set = smallSet();
    std::vector<std::string> many = {"signal", "add", set};
    many.insert(many.end(), zelmar::kMaxEditorElements, "sound=2");
    ASSERT_EQ(run(many).exitCode, 0);
    many.push_back("pause=1");
    refused(many, set, "at most 127 elements");
    many[1] = "set";
    many.insert(many.begin() + 3, "1");
    refused(many, set, "at most 127 elements");
    many.erase(many.begin(), many.begin() + 4);
    many.insert(many.begin(), {"backdoor", set});
    refused(many, set, "at most 127 elements");

    // A set file holds at least one signal.
    const std::string one = smallSet("one.zmr");
    refused({"signal", "remove", one, "1"}, one, "only signal");

    // 128 signals.
    SignalSet full;
    for (int i = 0; i < zelmar::kMaxSignals; ++i)
        full.signals.push_back({"s", {}});
    zelmar::writeSetFile(full, path("full.zmr"));
    refused({"signal", "add", path("full.zmr"), "pause=1"}, path("full.zmr"), "128 signals");

    // The tables: 300 bytes kept for a new signal, 8 for each element, a name checked after.
    auto tight = [&](const std::string& name, int32_t tableSize) {
        SignalSet s = zelmar::readSetFile(smallSet(name));
        fillTablesTo(s, tableSize);
        EXPECT_EQ(s.tableSize(), tableSize);
        zelmar::writeSetFile(s, path(name));
        return path(name);
    };
    EXPECT_EQ(run({"signal", "add", tight("t300.zmr", zelmar::kTableLimit - 300), "pause=1"}).exitCode, 0);
    const std::string t299 = tight("t299.zmr", zelmar::kTableLimit - 299);
    refused({"signal", "add", t299, "pause=1"}, t299, "no free memory for a new signal");

    // The first signal is built again from nothing, so its own elements do not count against it.
    const std::string t7 = tight("t7.zmr", zelmar::kTableLimit - 7);
    refused({"signal", "set", t7, "1", "pause=1"}, t7, "no free memory for these elements");
    refused({"backdoor", t7, "sound=1"}, t7, "no free memory for these elements");
    EXPECT_EQ(run({"signal", "set", tight("t8.zmr", zelmar::kTableLimit - 8), "1", "pause=1"}).exitCode, 0);

    // The editor does not check a name, but a set whose tables pass the limit cannot be sent.
    const std::string t20 = tight("t20.zmr", zelmar::kTableLimit - 20);
    refused({"signal", "set", t20, "1", "pause=1", "--name", std::string(40, 'x')}, t20, "for this name");
}

} // namespace
