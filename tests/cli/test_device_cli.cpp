// zelmarctl devices, upload and download against the virtual chime, each run in its own process.
#include "CliFiles.h"

#include "model/FileIO.h"
#include "model/SetFile.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

class DeviceCli : public clitest::CliTest {
protected:
    // Two signals over two sounds, and a back-door signal.
    std::string writeSet(bool withSounds = true)
    {
        zelmar::SignalSet set;
        for (int k = 0; k < 2; ++k) {
            zelmar::LibrarySound s;
            s.name = k == 0 ? "gong" : "dzyń";
            std::vector<int16_t> samples(size_t(3000 + 777 * k));
            for (size_t i = 0; i < samples.size(); ++i)
                samples[i] = int16_t((int(i) * (k + 3) % 200 - 100) * 100);
            s.sound.SetSamples(samples);
            set.library.push_back(s);
        }
        auto el = [&](int n) { return zelmar::TDzwiek::sound(n, set.library[size_t(n - 1)].sound); };
        if (withSounds) {
            set.signals.push_back({"pierwszy", {el(1), zelmar::TDzwiek::pause(20), el(2)}});
            set.signals.push_back({"drugi", {el(2)}});
            set.backdoor = zelmar::Signal{el(1)};
        } else {
            set.signals.push_back({"cisza", {zelmar::TDzwiek::pause(20)}});
        }
        const std::string p = path(withSounds ? "set.zmr" : "silent.zmr");
        zelmar::writeSetFile(set, p);
        return p;
    }
};

TEST_F(DeviceCli, UploadThenDownloadInAnotherProcessGivesTheSetBack)
{
    const std::string set = writeSet();
    for (const char* kind : {"usb", "hid"}) {
        const std::string chime = path(std::string("chime-") + kind + ".bin");
        const std::string env = chime + (std::string(kind) == "hid" ? ",hid" : "");
        CliResult up = runCli({"upload", set}, {{"ZELMAR_VIRTUAL_CHIME", env}});
        ASSERT_EQ(up.exitCode, 0) << up.err;
        EXPECT_NE(up.out.find(std::string(kind) == "hid" ? "HID chime and verified" : "USB chime and verified"),
                  std::string::npos) << up.out;
        EXPECT_NE(up.err.find("zelmarctl: verifying 100%"), std::string::npos) << up.err;

        // The command-line options do what the environment did.
        std::vector<std::string> args = {"--virtual-chime", chime};
        if (std::string(kind) == "hid")
            args.push_back("--hid");
        args.insert(args.end(), {"download", "-o", path("back.zmr"), "--image-out", path("back.bin")});
        CliResult down = runCli(args);
        ASSERT_EQ(down.exitCode, 0) << down.err;
        const zelmar::SignalSet got = zelmar::readSetFile(path("back.zmr"));
        ASSERT_EQ(got.signals.size(), 2u);
        EXPECT_EQ(got.signals[0].name, "pierwszy");
        EXPECT_EQ(got.library.size(), 2u);
        EXPECT_EQ(got.library[1].name, "dzyń");
        EXPECT_EQ(got.library[1].sound.SampleCount, 3777);
        EXPECT_EQ(zelmar::readWholeFile(path("back.bin")).size(), size_t(2097152));
    }
}

TEST_F(DeviceCli, FaultsEndWithExitTwoAndAnEnglishReason)
{
    const std::string set = writeSet();
    const std::string chime = path("chime.bin");
    const struct {
        const char* chimeEnv;
        const char* fault;
        const char* words;
    } cases[] = {
        {",hid", "fail-request=2", "no communication with the chime (HID-ERR: 2)"},
        {",hid", "fail-request=1", "no communication with the chime (HID-ERR: 1; see zelmarctl devices)"},
        {",hid", "corrupt-offset=600", "(PAGE: 1 BYTE: 89 WRITTEN: "},
        {"", "corrupt-offset=600", "differs from the value written (page 1, byte 73)"},
        {"", "unplug-at-page=2", "communication error with the chime"},
        {"", "fail-request=1", "no chime found"},
    };
    for (const auto& c : cases) {
        CliResult r = runCli({"upload", set}, {{"ZELMAR_VIRTUAL_CHIME", chime + c.chimeEnv},
                                               {"ZELMAR_VIRTUAL_FAULT", c.fault}});
        EXPECT_EQ(r.exitCode, 2) << c.fault << ": " << r.err;
        EXPECT_NE(r.err.find(c.words), std::string::npos) << c.fault << ": " << r.err;
    }
    CliResult bad = runCli({"upload", set}, {{"ZELMAR_VIRTUAL_CHIME", chime}, {"ZELMAR_VIRTUAL_FAULT", "melt=1"}});
    EXPECT_EQ(bad.exitCode, 1) << bad.err;
}

TEST_F(DeviceCli, AFailedOrInvalidDownloadLeavesTheOutputAlone)
{
    const std::string chime = path("chime.bin");
    zelmar::writeFileAtomically(path("keep.zmr"), std::string("old contents"));
    // An erased chime holds no set: exit 3, nothing written.
    CliResult erased = runCli({"--virtual-chime", chime, "download", "-o", path("keep.zmr")});
    EXPECT_EQ(erased.exitCode, 3) << erased.err;
    EXPECT_NE(erased.err.find("code 11"), std::string::npos) << erased.err;
    CliResult failed = runCli({"--virtual-chime", chime, "download", "-o", path("keep.zmr")},
                              {{"ZELMAR_VIRTUAL_FAULT", "fail-request=500"}});
    EXPECT_EQ(failed.exitCode, 2) << failed.err;
    EXPECT_EQ(zelmar::readWholeFile(path("keep.zmr")).size(), 12u);
}

TEST_F(DeviceCli, CtrlCCancelsAtTheNextPage)
{
    const std::string set = writeSet();
    const std::string chime = path("chime.bin");
    // Slow requests, so that the transfer is still running when the interrupt arrives.
    const std::vector<std::pair<std::string, std::string>> slow = {{"ZELMAR_VIRTUAL_FAULT", "latency-us=2000"}};
    CliResult up = runCli({"--virtual-chime", chime, "upload", set}, slow, "zelmarctl: writing");
    EXPECT_EQ(up.exitCode, 2) << up.err;
    EXPECT_NE(up.err.find("zelmarctl: cancelled; the chime holds what was written so far"), std::string::npos) << up.err;
    EXPECT_EQ(up.err.find("verifying"), std::string::npos) << up.err;

    CliResult down = runCli({"--virtual-chime", chime, "download", "-o", path("got.zmr"), "--image-out", path("got.bin")},
                            slow, "zelmarctl: reading");
    EXPECT_EQ(down.exitCode, 2) << down.err;
    EXPECT_NE(down.err.find("zelmarctl: cancelled; nothing was saved"), std::string::npos) << down.err;
    EXPECT_FALSE(fs::exists(path("got.zmr")));
    EXPECT_FALSE(fs::exists(path("got.bin")));
}

TEST_F(DeviceCli, RefusalsAndBadChimeFiles)
{
    const std::string chime = path("chime.bin");
    CliResult silent = runCli({"--virtual-chime", chime, "upload", writeSet(false)});
    EXPECT_EQ(silent.exitCode, 4) << silent.err;

    // A file that is not a chime's memory is never overwritten.
    zelmar::writeFileAtomically(path("notes.txt"), std::string("precious"));
    CliResult foreign = runCli({"--virtual-chime", path("notes.txt"), "upload", writeSet()});
    EXPECT_EQ(foreign.exitCode, 5) << foreign.err;
    EXPECT_EQ(zelmar::readWholeFile(path("notes.txt")).size(), 8u);
}

TEST_F(DeviceCli, AnUploadTheChimeFileCannotKeepExitsFiveAndLeavesTheFile)
{
    const std::string set = writeSet();
    for (const char* hid : {"", ",hid"}) {
        const std::string chime = path(std::string("locked") + (*hid ? "-hid" : "") + ".bin");
        ASSERT_EQ(runCli({"devices"}, {{"ZELMAR_VIRTUAL_CHIME", chime + hid}}).exitCode, 0);
        // Immutable for root, read-only in a read-only folder for anyone else.
        const bool root = ::geteuid() == 0;
        const std::string lock = root ? "chattr +i '" + chime + "' 2>/dev/null"
                                      : "chmod 0444 '" + chime + "' && chmod 0555 '" + dir().string() + "'";
        const std::string unlock = root ? "chattr -i '" + chime + "'" : "chmod 0755 '" + dir().string() + "'";
        if (std::system(lock.c_str()) != 0)
            GTEST_SKIP() << "cannot make the chime's file unwritable here";
        CliResult up = runCli({"upload", set}, {{"ZELMAR_VIRTUAL_CHIME", chime + hid}});
        CliResult down = runCli({"download", "-o", path("back.zmr")}, {{"ZELMAR_VIRTUAL_CHIME", chime + hid}});
        ASSERT_EQ(std::system(unlock.c_str()), 0);
        EXPECT_EQ(up.exitCode, 5) << up.err;
        EXPECT_NE(up.err.find("the virtual chime's memory could not be saved"), std::string::npos) << up.err;
        EXPECT_EQ(up.out, "");
        // The chime still holds nothing.
        EXPECT_EQ(down.exitCode, 3) << down.err;
    }
}

TEST_F(DeviceCli, DevicesListsTheVirtualChimeOfEitherKind)
{
    const std::string chime = path("chime.bin");
    CliResult usb = runCli({"--virtual-chime", chime, "devices"});
    EXPECT_EQ(usb.exitCode, 0) << usb.err;
    EXPECT_EQ(usb.out, "usb virtual:" + chime + " \"VORANEX S.C.\" \"ZELMAR 2.0.\"\n");
    CliResult hid = runCli({"devices"}, {{"ZELMAR_VIRTUAL_CHIME", chime + ",hid"}});
    EXPECT_EQ(hid.exitCode, 0) << hid.err;
    EXPECT_EQ(hid.out.rfind("hid virtual:" + chime, 0), 0u) << hid.out;
    // A file named on the command line takes its kind from --hid alone, as in the wizard.
    CliResult named = runCli({"--virtual-chime", chime, "devices"}, {{"ZELMAR_VIRTUAL_CHIME", path("other.bin") + ",hid"}});
    EXPECT_EQ(named.out.rfind("usb virtual:" + chime, 0), 0u) << named.out << named.err;
    CliResult after = runCli({"devices", "--virtual-chime", chime, "--hid"});
    EXPECT_EQ(after.out.rfind("hid virtual:" + chime, 0), 0u) << after.out << after.err;
    CliResult gone = runCli({"--virtual-chime", chime, "devices"}, {{"ZELMAR_VIRTUAL_FAULT", "fail-request=1"}});
    EXPECT_EQ(gone.exitCode, 2) << gone.out;
}

// A chime the user may not open: the advice names the rules an install put in place, and the source
// tree's notes only for a program run from the build.
TEST_F(DeviceCli, PermissionAdviceNamesTheInstalledRules)
{
    const std::string chime = path("chime.bin");
    const std::vector<std::pair<std::string, std::string>> denied = {{"ZELMAR_VIRTUAL_FAULT", "no-permission"}};
    CliResult fromBuild = runCli({"--virtual-chime", chime, "devices"}, denied);
    EXPECT_EQ(fromBuild.exitCode, 2) << fromBuild.err;
    EXPECT_NE(fromBuild.err.find("permission denied"), std::string::npos) << fromBuild.err;
    EXPECT_NE(fromBuild.err.find("packaging/README.md"), std::string::npos) << fromBuild.err;

    const fs::path prefix = fs::path(path("opt zelmar"));
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "lib" / "udev" / "rules.d");
    const fs::path rules = prefix / "lib" / "udev" / "rules.d" / "70-zelmar.rules";
    std::ofstream(rules) << "# rules\n";
    fs::copy_file(ZELMARCTL, prefix / "bin" / "zelmarctl");
    for (const auto& args : {std::vector<std::string>{"--virtual-chime", chime, "devices"},
                             std::vector<std::string>{"--virtual-chime", chime, "--hid", "download", "-o", path("x.zmr")}}) {
        CliResult installed = runCli(args, denied, {}, (prefix / "bin" / "zelmarctl").string());
        EXPECT_EQ(installed.exitCode, 2) << installed.err;
        EXPECT_NE(installed.err.find(rules.lexically_normal().string() + " to where udev reads them"), std::string::npos)
            << installed.err;
        EXPECT_EQ(installed.err.find("packaging/"), std::string::npos) << installed.err;
    }
}

} // namespace
