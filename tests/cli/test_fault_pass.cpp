// One pass of the transfer faults through zelmarctl and the virtual chime's fault variable: every
// request of an upload, and a spread of faults in a download. An upload exits 2 or leaves the
// chime holding the image. A download exits 2 and leaves its outputs alone, or keeps what it read:
// the chime's image (with a corrupted byte, exactly that byte inverted) and the set the image
// reader makes of that image, or no set with exit 3 when the reader refuses it.
#include "../core/device/FaultSet.h"
#include "CliFiles.h"

#include "device/UsbFlash.h"
#include "image/ImageReader.h"
#include "model/Errors.h"
#include "model/SetFile.h"

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using namespace zelmar;

using namespace clitest;

SignalSet smallSet()
{
    return devtest::smallFaultSet();
}

// Where two sets differ: nothing but samples of one sound, and of those at most one block of eight
// (a byte of a block's data, or its sign byte).
::testing::AssertionResult differInOneBlock(const SignalSet& a, const SignalSet& b)
{
    if (a.signals.size() != b.signals.size() || a.backdoor != b.backdoor || a.library.size() != b.library.size())
        return ::testing::AssertionFailure() << "signals or library differ";
    for (size_t i = 0; i < a.signals.size(); ++i)
        if (a.signals[i].name != b.signals[i].name || a.signals[i].elements != b.signals[i].elements)
            return ::testing::AssertionFailure() << "signal " << i + 1 << " differs";
    int changedSounds = 0;
    for (size_t k = 0; k < a.library.size(); ++k) {
        const std::vector<int16_t>& x = a.library[k].sound.Samples;
        const std::vector<int16_t>& y = b.library[k].sound.Samples;
        if (a.library[k].name != b.library[k].name || x.size() != y.size())
            return ::testing::AssertionFailure() << "sound " << k + 1 << " differs in name or length";
        size_t first = x.size(), last = 0;
        for (size_t i = 0; i < x.size(); ++i)
            if (x[i] != y[i])
                first = std::min(first, i), last = i;
        if (first == x.size())
            continue;
        ++changedSounds;
        if (first / 8 != last / 8)
            return ::testing::AssertionFailure() << "sound " << k + 1 << " differs in samples " << first << " to " << last;
    }
    if (changedSounds > 1)
        return ::testing::AssertionFailure() << changedSounds << " sounds differ";
    return ::testing::AssertionSuccess();
}

class FaultPass : public ::testing::TestWithParam<bool> {
protected:
    std::string path(const std::string& name) const { return files.path(name); }
    CliResult run(std::vector<std::string> args, const std::string& fault)
    {
        args.insert(args.begin(), {"--virtual-chime", path("chime.bin")});
        if (GetParam())
            args.insert(args.begin() + 2, "--hid");
        return runCli(args, {{"ZELMAR_VIRTUAL_FAULT", fault}});
    }
    AddressForm form() const { return GetParam() ? AddressForm::Linear : AddressForm::Page; }
    TestFolder files;
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
    ASSERT_EQ(run({"download", "-o", path("clean.zmr"), "--image-out", path("clean.bin")}, "").exitCode, 0);
    const std::string downloaded = slurp(path("clean.zmr"));
    const std::string cleanImage = slurp(path("clean.bin"));
    ASSERT_EQ(cleanImage.size(), size_t(kImageSize));

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
    int refusedCorruptions = 0;
    for (const std::string& fault : faults) {
        SCOPED_TRACE("download, " + fault);
        spit(path("chime.bin"), holding);
        spit(path("out.zmr"), "the user's old file");
        spit(path("out.bin"), "the user's old image");
        const CliResult r = run({"download", "-o", path("out.zmr"), "--image-out", path("out.bin")}, fault);
        const bool corrupt = fault.rfind("corrupt-offset=", 0) == 0;
        if (!corrupt) {
            ASSERT_TRUE(r.exitCode == 0 || r.exitCode == 2) << r.exitCode << " " << r.err;
            const bool ok = r.exitCode == 0;
            EXPECT_EQ(slurp(path("out.zmr")), ok ? downloaded : "the user's old file") << r.err;
            EXPECT_EQ(slurp(path("out.bin")), ok ? cleanImage : "the user's old image") << r.err;
            continue;
        }
        // The image kept is the chime's with that one byte inverted, whatever the reader makes of it.
        std::string expected = cleanImage;
        const size_t offset = std::stoul(fault.substr(15));
        expected[offset] = char(~expected[offset]);
        EXPECT_EQ(slurp(path("out.bin")), expected);
        const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(expected.data()), expected.size());
        std::optional<SignalSet> readable;
        try {
            readable = parseImage(bytes, form());
        } catch (const FormatError&) {
        }
        if (!readable) {
            EXPECT_EQ(r.exitCode, 3) << r.err;
            EXPECT_EQ(slurp(path("out.zmr")), "the user's old file");
            ++refusedCorruptions;
            continue;
        }
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(slurp(path("out.zmr")), serializeSetFile(*readable));
        const SignalSet clean = readSetFile(path("clean.zmr"));
        if (offset == 2000000) {
            EXPECT_EQ(serializeSetFile(*readable), serializeSetFile(clean)) << "a byte past the set changes nothing";
        }
        if (offset == 1500) {
            EXPECT_TRUE(differInOneBlock(*readable, clean)) << "a byte of sample data changes one block of one sound";
        }
    }
    EXPECT_GE(refusedCorruptions, 1) << "the marker byte at least is refused";
}

INSTANTIATE_TEST_SUITE_P(Kinds, FaultPass, ::testing::Bool(),
                         [](const auto& i) { return i.param ? "Hid" : "Usb"; });
