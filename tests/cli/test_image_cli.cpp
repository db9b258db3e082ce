#include "CliFiles.h"

#include "audio/Gain.h"
#include "device/UsbFlash.h"
#include "image/ImageBuilder.h"
#include "model/SetFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace zelmar;
namespace fs = std::filesystem;

namespace {

using namespace clitest;

class ImageCli : public CliTest {};

LibrarySound sound(const std::string& name, std::vector<int16_t> samples, uint8_t gain = 0)
{
    LibrarySound s;
    s.name = name;
    s.sound.SetSamples(std::move(samples));
    s.sound.Gain = gain;
    return s;
}

SignalSet sampleSet()
{
    SignalSet set;
    std::vector<int16_t> long_(800);
    for (size_t i = 0; i < long_.size(); ++i)
        long_[i] = int16_t(i * 40);
    set.library.push_back(sound("gong", long_, 60));
    set.library.push_back(sound("bell", {100, -100, 16384, 3}));
    set.signals.push_back({"dzwonek", {TDzwiek{1, 0, 1, 800, 0}, TDzwiek::pause(10), TDzwiek{2, 8, 1, 4, 0}}});
    set.signals.push_back({"cisza", {TDzwiek::pause(20)}});
    set.backdoor = Signal{TDzwiek{2, 0, 3, 4, 0}};
    return set;
}

std::string builtBytes(const SignalSet& set, AddressForm form)
{
    auto flash = std::make_unique<TUsbFlash>();
    buildImage(set, form, *flash);
    return std::string(flash->Image.begin(), flash->Image.begin() + flash->ImageLength);
}

} // namespace

TEST_F(ImageCli, BuildImageInBothForms)
{
    const SignalSet set = sampleSet();
    const std::string zmr = saved(set, "set.zmr");
    CliResult r = runCli({"build-image", zmr, "-o", path("page.bin")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(slurp(path("page.bin")), builtBytes(set, AddressForm::Page));
    EXPECT_NE(r.err.find("left out"), std::string::npos) << "signal \"cisza\" holds no sound: " << r.err;

    r = runCli({"build-image", zmr, "-o", path("linear.bin"), "--form", "linear"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(slurp(path("linear.bin")), builtBytes(set, AddressForm::Linear));
    EXPECT_NE(slurp(path("linear.bin")), slurp(path("page.bin"))) << "the second sound lies past page 0";
}

TEST_F(ImageCli, BuildImageRefusals)
{
    SignalSet quiet;
    quiet.library.push_back(sound("a", {1, 2}));
    quiet.signals.push_back({"p", {TDzwiek::pause(5)}});
    const std::string out = path("out.bin");
    spit(out, "old image");
    CliResult r = runCli({"build-image", saved(quiet, "quiet.zmr"), "-o", out});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_EQ(r.err.rfind("zelmarctl: ", 0), 0u);
    EXPECT_EQ(slurp(out), "old image") << "a refused build leaves the old file";

    spit(path("bad.zmr"), "not a set");
    r = runCli({"build-image", path("bad.zmr"), "-o", out});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("bad.zmr"), std::string::npos);
    EXPECT_NE(r.err.find("code "), std::string::npos);

    EXPECT_EQ(runCli({"build-image", path("missing.zmr"), "-o", out}).exitCode, 5);
    EXPECT_EQ(runCli({"build-image", saved(sampleSet(), "s.zmr")}).exitCode, 1);
    EXPECT_EQ(runCli({"build-image", path("s.zmr"), "-o", out, "--form", "diagonal"}).exitCode, 1);
    EXPECT_EQ(slurp(out), "old image");
}

TEST_F(ImageCli, ReadImageRoundTrip)
{
    const SignalSet set = sampleSet();
    for (const char* form : {"page", "linear"}) {
        SCOPED_TRACE(form);
        ASSERT_EQ(runCli({"build-image", saved(set, "set.zmr"), "-o", path("img.bin"), "--form", form}).exitCode, 0);
        // The built file is only ImageLength bytes: the rest counts as erased flash.
        CliResult r = runCli({"read-image", path("img.bin"), "-o", path("back.zmr"), "--form", form});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const SignalSet back = readSetFile(path("back.zmr"));
        ASSERT_EQ(back.signals.size(), 1u);
        EXPECT_EQ(back.signals[0].name, "dzwonek");
        EXPECT_EQ(back.signals[0].elements,
                  (Signal{TDzwiek{1, 0, 1, 800, 0}, TDzwiek::pause(10), TDzwiek{2, 8, 1, 4, 0}}));
        EXPECT_EQ(*back.backdoor, (Signal{TDzwiek{2, 0, 1, 2, 0}})) << "start 3 moves back to its block";
        ASSERT_EQ(back.library.size(), 2u);
        EXPECT_EQ(back.library[0].sound.Gain, 0);
        EXPECT_EQ(back.library[1].sound.SampleCount, 4);
    }
    // Read in the other form, the page-form addresses past page 0 point elsewhere.
    ASSERT_EQ(runCli({"build-image", path("set.zmr"), "-o", path("img.bin")}).exitCode, 0);
    EXPECT_EQ(runCli({"read-image", path("img.bin"), "-o", path("x.zmr"), "--form", "linear"}).exitCode, 3);
}

TEST_F(ImageCli, ReadImageRejectsDamage)
{
    const std::string out = path("out.zmr");
    spit(out, "old set");
    spit(path("erased.bin"), std::string(size_t(kImageSize), '\xFF'));
    CliResult r = runCli({"read-image", path("erased.bin"), "-o", out});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("code 11"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("erased.bin"), std::string::npos);

    std::string img = builtBytes(sampleSet(), AddressForm::Page);
    img[1] = char(200);
    spit(path("many.bin"), img);
    r = runCli({"read-image", path("many.bin"), "-o", out});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.find("code 12"), std::string::npos) << r.err;
    spit(path("empty.bin"), "");
    EXPECT_EQ(runCli({"read-image", path("empty.bin"), "-o", out}).exitCode, 3);
    EXPECT_EQ(slurp(out), "old set");
    EXPECT_EQ(runCli({"read-image", path("nothing.bin"), "-o", out}).exitCode, 5);
    EXPECT_EQ(runCli({"read-image", path("empty.bin")}).exitCode, 1);
}

TEST_F(ImageCli, RenderWhatThePreviewsPlay)
{
    const std::string zmr = saved(sampleSet(), "set.zmr");
    const std::string out = path("out.wav");
    CliResult r = runCli({"render", zmr, "-o", out, "--signal", "1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<int16_t> s = wavSamples(out);
    ASSERT_EQ(s.size(), 800u + 1800u + 4u);
    EXPECT_EQ(s[1], ApplyGain(40, 6.0));
    EXPECT_EQ(s[900], 0);
    EXPECT_EQ(std::vector<int16_t>(s.end() - 4, s.end()), (std::vector<int16_t>{50, -50, 8192, 2}));

    ASSERT_EQ(runCli({"render", zmr, "-o", out, "--sound", "1"}).exitCode, 0);
    EXPECT_EQ(wavSamples(out)[100], ApplyGain(4000, 6.0));
    ASSERT_EQ(runCli({"render", zmr, "-o", out, "--sound", "1", "--no-gain"}).exitCode, 0);
    EXPECT_EQ(wavSamples(out)[100], 4000);
    ASSERT_EQ(runCli({"render", zmr, "-o", out, "--element", "1:2"}).exitCode, 0);
    EXPECT_EQ(wavSamples(out), std::vector<int16_t>(1800, 0));
    ASSERT_EQ(runCli({"render", zmr, "-o", out, "--backdoor"}).exitCode, 0);
    EXPECT_EQ(wavSamples(out), (std::vector<int16_t>{16384, 3}));
    ASSERT_EQ(runCli({"render", zmr, "-o", out, "--signal", "2"}).exitCode, 0);
    EXPECT_EQ(wavSamples(out).size(), 3600u);

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--signal", "3"}, {"--signal", "0"}, {"--signal", "x"}, {"--element", "1:4"},
          {"--element", "1"}, {"--sound", "3"}, {"--signal", "1", "--backdoor"}, {"--no-gain", "--signal", "1"},
          {}}) {
        std::vector<std::string> args = {"render", zmr, "-o", path("bad.wav")};
        args.insert(args.end(), bad.begin(), bad.end());
        EXPECT_EQ(runCli(args).exitCode, 1) << ::testing::PrintToString(bad);
    }
    EXPECT_FALSE(fs::exists(path("bad.wav")));
    SignalSet noBack = sampleSet();
    noBack.backdoor.reset();
    EXPECT_EQ(runCli({"render", saved(noBack, "nb.zmr"), "-o", out, "--backdoor"}).exitCode, 1);
}

TEST_F(ImageCli, ExportWavKeepsHostileNamesInside)
{
    SignalSet set = sampleSet();
    set.library[0].name = "../../escape";
    set.library[1].name = "Dzwonek \"A\"";
    const fs::path target = dir() / "export";
    CliResult r = runCli({"export-wav", saved(set, "set.zmr"), target.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(wavSamples((target / ".._.._escape.wav").string()).size(), 800u);
    EXPECT_EQ(wavSamples((target / "Dzwonek A.wav").string()), (std::vector<int16_t>{100, -100, 16384, 3}));
    EXPECT_FALSE(fs::exists(dir().parent_path() / "escape.wav"));
    EXPECT_NE(r.out.find("Dzwonek A.wav"), std::string::npos);
    EXPECT_EQ(runCli({"export-wav", path("set.zmr")}).exitCode, 1);
}
