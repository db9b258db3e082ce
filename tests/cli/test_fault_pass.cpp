// One pass of the transfer faults through zelmarctl and the virtual chime's fault variable: every
// request of an upload, and a spread of faults in a download. An upload exits 2 or leaves the
// chime holding the image; a download exits 2 (or 3 for what it read wrong) and leaves its output
// alone, or saves the set.
#include "../core/device/FaultSet.h"
#include "CliRunner.h"

#include "model/SetFile.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using namespace zelmar;

std::string slurp(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), {});
}

void spit(const fs::path& p, const std::string& bytes)
{
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

SignalSet smallSet()
{
    return devtest::smallFaultSet();
}

class FaultPass : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("zelmar-fault-pass-" + std::to_string(::getpid()) + (GetParam() ? "-hid" : "-usb"));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    CliResult run(std::vector<std::string> args, const std::string& fault)
    {
        args.insert(args.begin(), {"--virtual-chime", path("chime.bin")});
        if (GetParam())
            args.insert(args.begin() + 2, "--hid");
        return runCli(args, {{"ZELMAR_VIRTUAL_FAULT", fault}});
    }
    fs::path dir;
};

} // namespace

TEST_P(FaultPass, UploadAndDownloadThroughTheCommandLine)
{
    const std::string set = path("set.zmr");
    writeSetFile(smallSet(), set);
    ASSERT_EQ(runCli({"build-image", set, "-o", path("image.bin"), "--form", GetParam() ? "linear" : "page"}).exitCode, 0);
    const std::string image = slurp(path("image.bin"));
    ASSERT_EQ(run({"upload", set}, "").exitCode, 0);
    const std::string holding = slurp(path("chime.bin"));
    const std::string erased(holding.size(), '\xFF');
    ASSERT_EQ(run({"download", "-o", path("clean.zmr")}, "").exitCode, 0);
    const std::string downloaded = slurp(path("clean.zmr"));

    // Every request of an upload, until past the last: then the upload is whole again. A request
    // the upload can do without fails unseen, but not three in a row.
    int failed = 0, wholeInARow = 0;
    for (int n = 1; wholeInARow < 3; ++n) {
        SCOPED_TRACE("upload, fail-request=" + std::to_string(n));
        spit(path("chime.bin"), erased);
        const CliResult r = run({"upload", set}, "fail-request=" + std::to_string(n));
        ASSERT_TRUE(r.exitCode == 0 || r.exitCode == 2) << r.exitCode << r.err;
        if (r.exitCode == 2) {
            EXPECT_NE(r.err.find("zelmarctl: "), std::string::npos);
            ++failed;
        } else {
            EXPECT_EQ(slurp(path("chime.bin")).substr(0, image.size()), image);
        }
        wholeInARow = r.exitCode == 0 ? wholeInARow + 1 : 0;
        ASSERT_LT(n, 200);
    }
    EXPECT_GT(failed, 15);

    const std::vector<std::string> faults = {
        "fail-request=1", "fail-request=3", "fail-request=5", "fail-request=40", "fail-request=3000",
        "short-request=2", "short-request=6", "short-request=100", "unplug-at-page=0", "unplug-at-page=2",
        "unplug-at-page=3000", "corrupt-offset=0", "corrupt-offset=40", "corrupt-offset=1500",
        "corrupt-offset=2000000", "never-ready",
    };
    for (const std::string& fault : faults) {
        SCOPED_TRACE("download, " + fault);
        spit(path("chime.bin"), holding);
        spit(path("out.zmr"), "the user's old file");
        const CliResult r = run({"download", "-o", path("out.zmr")}, fault);
        if (r.exitCode == 0)
            EXPECT_TRUE(slurp(path("out.zmr")) == downloaded || fault.rfind("corrupt", 0) == 0);
        else
            EXPECT_EQ(slurp(path("out.zmr")), "the user's old file") << r.err;
        EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 2 || (r.exitCode == 3 && fault.rfind("corrupt", 0) == 0))
            << r.exitCode << " " << r.err;
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, FaultPass, ::testing::Bool(),
                         [](const auto& i) { return i.param ? "Hid" : "Usb"; });
