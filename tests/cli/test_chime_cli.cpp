// zelmarctl render --as-chime and render of memory images; upload --backup and upload-image on both
// kinds of virtual chime.
#include "CliFiles.h"

#include "model/SetFile.h"

#include <gtest/gtest.h>

namespace {

using namespace clitest;
using zelmar::SignalSet;
using zelmar::TDzwiek;

zelmar::LibrarySound sound(const std::string& name, size_t samples, int step, uint8_t gain = 0)
{
    zelmar::LibrarySound s{name, {}};
    std::vector<int16_t> v(samples);
    for (size_t i = 0; i < samples; ++i)
        v[i] = int16_t((int(i) * step % 600 - 300) * 90);
    s.sound.SetSamples(std::move(v));
    s.sound.Gain = gain;
    return s;
}

// A leading pause, merged pauses past 2.55 s, a fragment off the chime's blocks, gain, a signal
// the chime does not keep, and no back-door signal of its own.
SignalSet chimeSet(size_t samples = 800)
{
    SignalSet set;
    set.library.push_back(sound("gong", samples, 7, 60));
    set.library.push_back(sound("bell", 20, 131));
    set.signals.push_back({"one", {TDzwiek::pause(30), TDzwiek{1, 8, 5, 700, 0}, TDzwiek::pause(200),
                                   TDzwiek::pause(200), TDzwiek{2, 0, 1, 20, 0}}});
    set.signals.push_back({"quiet", {TDzwiek::pause(20)}});
    set.signals.push_back({"three", {TDzwiek{2, 3, 3, 17, 0}}});
    return set;
}

class ChimeCli : public CliTest {
protected:
    // The samples `render SOURCE ARGS...` writes.
    std::vector<int16_t> rendered(const std::string& source, std::vector<std::string> args)
    {
        args.insert(args.begin(), {"render", source, "-o", path("out.wav")});
        const CliResult r = runCli(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return wavSamples(path("out.wav"));
    }
};

} // namespace

TEST_F(ChimeCli, RenderAsTheChimePlaysIsTheSetThroughItsImage)
{
    const std::string set = saved(chimeSet(), "set.zmr");
    for (const char* form : {"page", "linear"}) {
        SCOPED_TRACE(form);
        const std::string image = path(std::string(form) + ".bin");
        ASSERT_EQ(runCli({"build-image", set, "-o", image, "--form", form}).exitCode, 0);
        ASSERT_EQ(runCli({"read-image", image, "-o", path("back.zmr"), "--form", form}).exitCode, 0);
        const std::string back = path("back.zmr");
        // Signals 1 and 3 are the chime's 1 and 2; signal 1 plays at its back door.
        const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> same = {
            {{"--signal", "1"}, {"--signal", "1"}},   {{"--signal", "3"}, {"--signal", "2"}},
            {{"--backdoor"}, {"--backdoor"}},         {{"--sound", "1"}, {"--sound", "1"}},
            {{"--sound", "1", "--no-gain"}, {"--sound", "1"}}, {{"--element", "1:2"}, {"--element", "1:1"}},
            {{"--element", "3:1"}, {"--element", "2:1"}},
        };
        for (const auto& [ofSet, ofBack] : same) {
            SCOPED_TRACE(ofSet[0] + " " + (ofSet.size() > 1 ? ofSet[1] : ""));
            std::vector<std::string> asChime = ofSet;
            asChime.push_back("--as-chime");
            const std::vector<int16_t> heard = rendered(set, asChime);
            EXPECT_EQ(heard, rendered(back, ofBack));
            // The image itself is a source, and as the chime plays it nothing changes.
            std::vector<std::string> fromImage = ofBack;
            fromImage.insert(fromImage.end(), {"--form", form});
            EXPECT_EQ(rendered(image, fromImage), heard);
            fromImage.push_back("--as-chime");
            EXPECT_EQ(rendered(image, fromImage), heard);
        }
        EXPECT_NE(rendered(set, {"--signal", "1", "--as-chime"}), rendered(set, {"--signal", "1"}));
    }
    // A signal the chime does not keep plays nothing; without --as-chime there is no back door.
    const CliResult quiet = runCli({"render", set, "-o", path("q.wav"), "--signal", "2", "--as-chime"});
    EXPECT_EQ(quiet.exitCode, 0) << quiet.err;
    EXPECT_NE(quiet.err.find("the chime does not keep it"), std::string::npos) << quiet.err;
    EXPECT_TRUE(wavSamples(path("q.wav")).empty());
    EXPECT_EQ(runCli({"render", set, "-o", path("q.wav"), "--backdoor"}).exitCode, 1);
}

TEST_F(ChimeCli, RenderTellsSetFilesFromImagesAndNamesWhatIsWrong)
{
    spit(path("erased.bin"), std::string(1000, '\xFF'));
    CliResult r = runCli({"render", path("erased.bin"), "-o", path("x.wav"), "--signal", "1"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("erased.bin: not a valid memory image in the page form (code 11)"), std::string::npos) << r.err;
    spit(path("cut.zmr"), "ZELMAR");
    r = runCli({"render", path("cut.zmr"), "-o", path("x.wav"), "--signal", "1"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("cut.zmr: not a valid set file"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(path("x.wav")));
}

namespace {

// Each command run against one virtual chime of the kind the parameter names.
class BackupCli : public ::testing::TestWithParam<bool> {
protected:
    std::string path(const std::string& name) const { return files.path(name); }
    CliResult chime(std::vector<std::string> args, const std::string& fault = "")
    {
        args.insert(args.begin(), {"--virtual-chime", path("chime.bin")});
        if (GetParam())
            args.insert(args.begin() + 2, "--hid");
        return runCli(args, {{"ZELMAR_VIRTUAL_FAULT", fault}});
    }
    const char* form() const { return GetParam() ? "linear" : "page"; }
    const char* otherForm() const { return GetParam() ? "page" : "linear"; }
    // The image a download keeps of the chime now.
    std::string downloaded()
    {
        const CliResult r = chime({"download", "-o", path("now.zmr"), "--image-out", path("now.bin")});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return slurp(path("now.bin"));
    }
    TestFolder files;
};

} // namespace

TEST_P(BackupCli, KeptWhatADownloadKeepsAndPutBackExactly)
{
    const std::string small = files.saved(chimeSet(), "small.zmr");
    const std::string large = files.saved(chimeSet(9000), "large.zmr");
    ASSERT_EQ(chime({"upload", small}).exitCode, 0);
    const std::string before = downloaded();

    // The larger set covers more of the memory than the image that goes back will fill.
    const CliResult up = chime({"upload", large, "--backup", path("kept.bin")});
    ASSERT_EQ(up.exitCode, 0) << up.err;
    EXPECT_NE(up.out.find("kept in " + path("kept.bin")), std::string::npos) << up.out;
    EXPECT_EQ(slurp(path("kept.bin")), before);
    EXPECT_EQ(zelmar::readSetFile(path("now.zmr")).library[0].sound.SampleCount, 800);
    downloaded();
    EXPECT_EQ(zelmar::readSetFile(path("now.zmr")).library[0].sound.SampleCount, 9000);

    const CliResult back = chime({"upload-image", path("kept.bin"), "--form", form()});
    ASSERT_EQ(back.exitCode, 0) << back.err;
    EXPECT_EQ(downloaded(), before) << "the chime holds what it held before, byte for byte";

    // An image in the other form is converted on its way in.
    ASSERT_EQ(runCli({"build-image", large, "-o", path("other.bin"), "--form", otherForm()}).exitCode, 0);
    const CliResult other = chime({"upload-image", path("other.bin"), "--form", otherForm()});
    ASSERT_EQ(other.exitCode, 0) << other.err;
    EXPECT_NE(other.err.find("converted"), std::string::npos) << other.err;
    ASSERT_EQ(runCli({"build-image", large, "-o", path("same.bin"), "--form", form()}).exitCode, 0);
    const std::string same = slurp(path("same.bin"));
    EXPECT_EQ(downloaded().substr(0, same.size()), same);
}

TEST_P(BackupCli, ABackupThatFailsWritesNothingIntoTheChime)
{
    const std::string small = files.saved(chimeSet(), "small.zmr");
    const std::string large = files.saved(chimeSet(9000), "large.zmr");
    ASSERT_EQ(chime({"upload", small}).exitCode, 0);
    const std::string holding = slurp(path("chime.bin"));

    spit(path("kept.bin"), "an older backup");
    for (const char* fault : {"unplug-at-page=3", "fail-request=40"}) {
        const CliResult r = chime({"upload", large, "--backup", path("kept.bin")}, fault);
        EXPECT_EQ(r.exitCode, 2) << fault;
        EXPECT_NE(r.err.find("reading the chime for the backup failed"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("nothing was written to the chime"), std::string::npos) << r.err;
        EXPECT_EQ(slurp(path("kept.bin")), "an older backup");
        EXPECT_EQ(slurp(path("chime.bin")), holding);
    }
    const CliResult unsaved = chime({"upload", large, "--backup", path("no-such-folder/kept.bin")});
    EXPECT_EQ(unsaved.exitCode, 5) << unsaved.err;
    EXPECT_NE(unsaved.err.find("nothing was written to the chime"), std::string::npos) << unsaved.err;
    EXPECT_EQ(slurp(path("chime.bin")), holding);
    EXPECT_EQ(chime({"upload", large, "--backup", ""}).exitCode, 1);
}

TEST_P(BackupCli, AnImageTheReaderRefusesNeverReachesTheChime)
{
    const std::string small = files.saved(chimeSet(), "small.zmr");
    ASSERT_EQ(chime({"upload", small}).exitCode, 0);
    const std::string holding = slurp(path("chime.bin"));
    std::string good = downloaded();

    std::string manySignals = good;
    manySignals[1] = char(200);
    std::string pastTheMemory = good + std::string(100, '\xFF') + "x";
    const std::vector<std::pair<std::string, std::string>> damaged = {
        {"erased", std::string(size_t(zelmar::kChimeMemory), '\xFF')},
        {"many signals", manySignals},
        {"cut short", good.substr(0, 40)},
        {"past the memory", pastTheMemory},
        {"a set file", slurp(small)},
    };
    for (const auto& [what, bytes] : damaged) {
        SCOPED_TRACE(what);
        spit(path("bad.bin"), bytes);
        // Any request of the chime would fail: a refusal that touched it would say so.
        const CliResult r = chime({"upload-image", path("bad.bin"), "--form", form()}, "fail-request=1");
        EXPECT_EQ(r.exitCode, 3) << r.err;
        EXPECT_NE(r.err.find("bad.bin"), std::string::npos) << r.err;
        EXPECT_EQ(slurp(path("chime.bin")), holding);
    }
    // A page image read as linear points past its sounds. (The other way round, a linear image may
    // well read as a page image: the format cannot tell.)
    spit(path("good.bin"), good);
    if (!GetParam()) {
        EXPECT_EQ(chime({"upload-image", path("good.bin"), "--form", "linear"}).exitCode, 3);
    }
    EXPECT_EQ(chime({"upload-image", path("missing.bin")}).exitCode, 5);
    EXPECT_EQ(slurp(path("chime.bin")), holding);
}

INSTANTIATE_TEST_SUITE_P(Kinds, BackupCli, ::testing::Bool(), [](const auto& i) { return i.param ? "Hid" : "Usb"; });
