// What zelmarctl's commands do to the files they write: read-only targets refused, links written
// through, nothing left behind by a killed import; and how much input read-image takes.
#include "CliFiles.h"

#include "device/UsbFlash.h"
#include "model/ByteReader.h"
#include "model/SetFile.h"
#include "model/TempFolders.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <set>

namespace {

namespace fs = std::filesystem;
using namespace zelmar;

using namespace clitest;

SignalSet smallSet(size_t samples = 900)
{
    SignalSet set;
    LibrarySound s;
    s.name = "gong";
    std::vector<int16_t> v(samples);
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = int16_t((int(i) % 300 - 150) * 100);
    s.sound.SetSamples(v);
    set.library.push_back(s);
    set.signals.push_back({"dzwonek", {TDzwiek::sound(1, set.library[0].sound)}});
    return set;
}

std::set<std::string> entries(const fs::path& dir)
{
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

class CliOutputs : public CliTest {
protected:
    std::string readOnly(const std::string& name, const std::string& bytes)
    {
        spit(dir() / name, bytes);
        fs::permissions(dir() / name, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        return path(name);
    }
};

} // namespace

TEST_F(CliOutputs, EveryCommandRefusesAReadOnlyOutputAndKeepsIt)
{
    const std::string set = path("set.zmr");
    writeSetFile(smallSet(), set);
    const std::string chime = path("chime.bin");
    ASSERT_EQ(runCli({"--virtual-chime", chime, "upload", set}).exitCode, 0);
    ASSERT_EQ(runCli({"build-image", set, "-o", path("img.bin")}).exitCode, 0);
    const std::string audio = path("a.wav");
    spit(audio, wavBytes(1, 18000, {1, 2, 3, 4}));
    fs::create_directories(dir() / "wav");
    readOnly("wav/gong.wav", "keep");

    const std::vector<std::vector<std::string>> runs = {
        {"import", readOnly("ro-set.zmr", slurp(set)), audio},
        {"import", set, audio, "-o", readOnly("ro-out.zmr", "keep")},
        {"read-image", path("img.bin"), "-o", readOnly("ro-read.zmr", "keep")},
        {"build-image", set, "-o", readOnly("ro-img.bin", "keep")},
        {"render", set, "-o", readOnly("ro.wav", "keep"), "--sound", "1"},
        {"export-wav", set, path("wav")},
        {"--virtual-chime", chime, "download", "-o", readOnly("ro-down.zmr", "keep")},
        {"--virtual-chime", chime, "download", "-o", path("down.zmr"), "--image-out", readOnly("ro-down.bin", "keep")},
    };
    for (const auto& args : runs) {
        SCOPED_TRACE(args[0] + " " + args[1]);
        const CliResult r = runCli(args);
        EXPECT_EQ(r.exitCode, 5) << r.err;
        EXPECT_NE(r.err.find("read-only"), std::string::npos) << r.err;
    }
    EXPECT_EQ(slurp(dir() / "ro-set.zmr"), slurp(set));
    for (const char* name : {"wav/gong.wav", "ro-out.zmr", "ro-read.zmr", "ro-img.bin", "ro.wav",
                             "ro-down.zmr", "ro-down.bin"})
        EXPECT_EQ(slurp(dir() / name), "keep") << name;
}

TEST_F(CliOutputs, ALinkedSetIsWrittenIntoTheFileItNames)
{
    fs::create_directories(dir() / "real");
    writeSetFile(smallSet(), path("real/set.zmr"));
    fs::create_symlink("real/set.zmr", dir() / "link.zmr");
    spit(dir() / "a.wav", wavBytes(1, 18000, {1, 2, 3, 4}));
    const CliResult r = runCli({"import", path("link.zmr"), path("a.wav")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(dir() / "link.zmr"));
    EXPECT_EQ(readSetFile(path("real/set.zmr")).library.size(), 2u);

    ASSERT_EQ(runCli({"--virtual-chime", path("chime.bin"), "upload", path("real/set.zmr")}).exitCode, 0);
    fs::create_symlink("real/down.zmr", dir() / "down-link.zmr");
    ASSERT_EQ(runCli({"--virtual-chime", path("chime.bin"), "download", "-o", path("down-link.zmr")}).exitCode, 0);
    EXPECT_TRUE(fs::is_symlink(dir() / "down-link.zmr"));
    EXPECT_EQ(readSetFile(path("real/down.zmr")).library.size(), 2u);
    EXPECT_EQ(entries(dir() / "real"), (std::set<std::string>{"down.zmr", "set.zmr"}));
}

TEST_F(CliOutputs, ReadImageTakesTwoMebibytesAndOnlyErasedBytesAfterThem)
{
    ASSERT_EQ(runCli({"build-image", [&] { writeSetFile(smallSet(), path("s.zmr")); return path("s.zmr"); }(),
                      "-o", path("img.bin")})
                  .exitCode,
              0);
    std::string image = slurp(dir() / "img.bin");
    image.resize(size_t(kImageSize), '\xFF');
    const auto readBack = [&](const std::string& bytes) {
        spit(dir() / "in.bin", bytes);
        return runCli({"read-image", path("in.bin"), "-o", path("out.zmr")});
    };
    EXPECT_EQ(readBack(image).exitCode, 0);
    // A raw dump with the padding of the last page: erased bytes only.
    EXPECT_EQ(readBack(image + std::string(528 * 4 + 64, '\xFF')).exitCode, 0);
    EXPECT_EQ(readBack(image + std::string(200000, '\xFF')).exitCode, 0);

    spit(dir() / "out.zmr", "old");
    for (const std::string& tail : {std::string(1, '\0'), std::string(150000, '\xFF') + "x"}) {
        const CliResult r = readBack(image + tail);
        EXPECT_EQ(r.exitCode, 3) << r.err;
        EXPECT_NE(r.err.find("in.bin: longer than the chime's memory of 2097152 bytes"), std::string::npos) << r.err;
        EXPECT_EQ(slurp(dir() / "out.zmr"), "old");
    }
}

// zelmarctl import rewriting a 3 MB set is killed at points spread over its run: the set is the
// old one or the new one, whole; and once the next run has started, neither a file beside the set
// nor a private temporary folder is left.
TEST_F(CliOutputs, AKilledImportLeavesTheOldOrTheNewSetAndNothingElse)
{
    SignalSet big = smallSet(1500000);
    const std::string set = path("set.zmr");
    writeSetFile(big, set);
    const std::string oldBytes = slurp(set);
    std::vector<int16_t> stereo(2 * 44100 * 8);
    for (size_t i = 0; i < stereo.size(); ++i)
        stereo[i] = int16_t(9000 * std::sin(double(i) * 0.01));
    spit(dir() / "in.wav", wavBytes(2, 44100, stereo));   // converted, through the private folder
    // Stereo, so that the run after a kill needs a private folder too and clears the killed one's.
    spit(dir() / "small.wav", wavBytes(2, 18000, {5, 6, 5, 6}));
    fs::create_directories(dir() / "tmp");
    const std::vector<std::pair<std::string, std::string>> env = {{"TMPDIR", path("tmp")}};

    // The whole run, for the new set and the time it takes: the fastest of three, as the first
    // run meets cold caches and the kills must land inside the later, faster ones.
    double seconds = 1e9;
    std::string newBytes;
    for (int i = 0; i < 3; ++i) {
        fs::copy_file(set, path("ref.zmr"), fs::copy_options::overwrite_existing);
        const auto t0 = std::chrono::steady_clock::now();
        ASSERT_EQ(runCli({"import", path("ref.zmr"), path("in.wav")}, env).exitCode, 0);
        seconds = std::min(seconds, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        newBytes = slurp(path("ref.zmr"));
    }
    fs::remove(path("ref.zmr"));
    const std::set<std::string> inputs = entries(dir());

    const int kPoints = 15;
    int killed = 0;
    int leftFolders = 0;
    for (int k = 1; k <= kPoints; ++k) {
        SCOPED_TRACE("kill point " + std::to_string(k));
        spit(set, oldBytes);
        std::fflush(stdout);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("TMPDIR", path("tmp").c_str(), 1);
            std::FILE* quiet = std::freopen("/dev/null", "w", stdout);
            (void)quiet;
            ::execl(ZELMARCTL, ZELMARCTL, "import", set.c_str(), path("in.wav").c_str(), nullptr);
            ::_exit(127);
        }
        ::usleep(useconds_t(seconds * 1e6 * k / (kPoints + 1)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        killed += WIFSIGNALED(status) ? 1 : 0;
        // On a busy machine a run may end sooner than measured: later points move closer.
        if (!WIFSIGNALED(status))
            seconds *= 0.8;
        leftFolders += entries(dir() / "tmp").empty() ? 0 : 1;

        const std::string now = slurp(set);
        EXPECT_TRUE(now == oldBytes || now == newBytes) << now.size() << " bytes";
        // Only a killed write between its link and its rename leaves a file, the new set whole.
        for (const std::string& n : entries(dir()))
            EXPECT_TRUE(inputs.count(n) || (ownerPidOf(n, ".zelmar-") == long(pid) && slurp(dir() / n) == newBytes)) << n;

        // The next run cleans up after the killed one.
        ASSERT_EQ(runCli({"import", set, path("small.wav"), "-o", path("next.zmr")}, env).exitCode, 0);
        fs::remove(path("next.zmr"));
        EXPECT_EQ(entries(dir()), inputs);
        EXPECT_TRUE(entries(dir() / "tmp").empty());
    }
    // Most points land inside the run, and some of them inside the conversion, which works in the
    // private folder.
    EXPECT_GE(killed, kPoints / 3);
    EXPECT_GE(leftFolders, 1);
    RecordProperty("killed", killed);
    RecordProperty("left_folders", leftFolders);
}
