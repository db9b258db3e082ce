// zelmarctl and files that are not what they seem: inputs that never end or claim any size, outputs
// that would block or swallow the set, and the temporary folders of killed runs.
#include "CliRunner.h"

#include "WavBytes.h"
#include "audio/WavFile.h"
#include "model/SetFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

class BoundedFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("zelmar-bounded-cli-" + std::to_string(::getpid()) + "-"
                                           + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        zelmar::SignalSet set;
        set.signals.push_back({"dzwonek", {zelmar::TDzwiek::pause(10)}});
        zelmar::writeSetFile(set, p("set.zmr"));
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string p(const std::string& name) const { return (dir / name).string(); }
    static std::string slurp(const std::string& path)
    {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    fs::path dir;
};

} // namespace

// An input that never ends or claims any size, an output that would block or swallow the set:
// refused at once, exit 5, saying why, with the set as it was.
TEST_F(BoundedFiles, FilesThatAreNotWhatTheySeemAreRefused)
{
    fs::create_directories(dir / "folder");
    // Claims 3 GB, holds nothing: it must not be read before it is refused.
    { std::ofstream(p("sparse.zmr"), std::ios::binary) << "ZELMAR"; }
    fs::resize_file(p("sparse.zmr"), 3'000'000'000ULL);
    ASSERT_EQ(::mkfifo(p("pipe").c_str(), 0600), 0);
    // Read at the other end, so that a writer that used the pipe would not block but succeed.
    const int reader = ::open(p("pipe").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const std::string set = p("set.zmr");
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"info", "/dev/zero"}, "not a regular file"},
        {{"info", p("folder")}, "it is a folder"},
        {{"info", p("sparse.zmr")}, "larger than any such file"},
        {{"signal", "add", set, "pause=5", "-o", p("pipe")}, "not a regular file"},
        {{"signal", "add", set, "pause=5", "-o", "/dev/null"}, "not a regular file"}};
    const std::string before = slurp(set);
    for (const auto& [args, why] : cases) {
        SCOPED_TRACE(args.back());
        const auto started = std::chrono::steady_clock::now();
        const CliResult r = runCli(args);
        EXPECT_EQ(r.exitCode, 5);
        EXPECT_NE(r.err.find(why), std::string::npos) << r.err;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    }
    char buf[16];
    EXPECT_LE(::read(reader, buf, sizeof buf), 0);
    ::close(reader);
    EXPECT_EQ(slurp(set), before);
}

// The folders of killed runs go only when a run needs a temporary folder itself, and only those
// this program could have made.
TEST_F(BoundedFiles, StaleTemporaryFoldersGoOnlyWhenOneIsNeeded)
{
    const pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const fs::path tmp = dir / "tmp";
    const fs::path stale = tmp / ("zelmar-" + std::to_string(dead) + "-Ab12Cd");
    fs::create_directories(stale / "inner");
    fs::permissions(tmp, fs::perms::owner_all);
    fs::permissions(stale, fs::perms::owner_all);
    const std::vector<std::pair<std::string, std::string>> env = {{"TMPDIR", tmp.string()}};
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--help"}, {"--version"}, {"bogus"}, {"info", p("set.zmr")}}) {
        SCOPED_TRACE(args.front());
        runCli(args, env);
        EXPECT_TRUE(fs::exists(stale));
    }
    // A sound at another rate is converted through a temporary file.
    std::string wav = testwav::wavFileBytes(std::vector<int16_t>(4410, 1000));
    const uint32_t rate = 44100, byteRate = 88200;
    std::memcpy(wav.data() + 24, &rate, 4);
    std::memcpy(wav.data() + 28, &byteRate, 4);
    std::ofstream(p("tone.wav"), std::ios::binary) << wav;
    const CliResult r = runCli({"import", p("set.zmr"), p("tone.wav")}, env);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(fs::exists(stale));
}
