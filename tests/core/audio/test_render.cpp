#include "audio/Export.h"
#include "audio/Render.h"
#include "audio/WavFile.h"

#include "audio/Gain.h"
#include "model/Errors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

using namespace zelmar;
namespace fs = std::filesystem;

namespace {

SignalSet setWith(std::vector<int16_t> samples, uint8_t gain = 0)
{
    SignalSet set;
    LibrarySound s;
    s.name = "s";
    s.sound.SetSamples(std::move(samples));
    s.sound.Gain = gain;
    set.library.push_back(std::move(s));
    return set;
}

TDzwiek soundElement(int32_t start, int32_t end, int32_t volume = 0)
{
    return TDzwiek{1, volume, start, end, 0};
}

// The samples of a WAV file in the program's format, after checking its fixed header.
std::vector<int16_t> wavSamples(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(f)), {});
    if (bytes.size() < 44) {
        ADD_FAILURE() << path << " has no header";
        return {};
    }
    const uint32_t data = uint32_t(bytes.size() - 44);
    EXPECT_EQ(bytes.substr(0, 44), fixedWavHeader(data)) << path;
    std::vector<int16_t> out(data / 2);
    if (!out.empty())
        std::memcpy(out.data(), bytes.data() + 44, out.size() * 2);
    return out;
}

class RenderFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("zelmar-render-test-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

} // namespace

TEST(Render, PausesAreSilence)
{
    const SignalSet set = setWith({1, 2, 3});
    const auto half = renderElementSamples(TDzwiek::pause(50), set);
    EXPECT_EQ(half.size(), 9000u);
    EXPECT_TRUE(std::all_of(half.begin(), half.end(), [](int16_t s) { return s == 0; }));
    EXPECT_TRUE(renderElementSamples(TDzwiek::pause(0), set).empty());
    EXPECT_EQ(renderElementSamples(TDzwiek::pause(255), set).size(), 45900u);
}

TEST(Render, VolumeScalesWithTiesToEven)
{
    const SignalSet set = setWith({3, -3, 5, 1, -1, 32767, -32768});
    EXPECT_EQ(renderElementSamples(soundElement(1, 7, 8), set),
              (std::vector<int16_t>{2, -2, 2, 0, 0, 16384, -16384}));
    EXPECT_EQ(renderElementSamples(soundElement(1, 7, 0), set), set.library[0].sound.Samples);
    EXPECT_EQ(renderElementSamples(soundElement(1, 1, 15), set)[0], 3);   // 2.8125
}

TEST(Render, FragmentsStayInsideTheirSound)
{
    const SignalSet set = setWith({10, 20, 30, 40, 50});
    EXPECT_EQ(renderElementSamples(soundElement(1, 5), set), (std::vector<int16_t>{10, 20, 30, 40, 50}));
    EXPECT_EQ(renderElementSamples(soundElement(2, 3), set), (std::vector<int16_t>{20, 30}));
    // A start of 0 plays from the first sample, not from the one before it.
    EXPECT_EQ(renderElementSamples(soundElement(0, 2), set), (std::vector<int16_t>{10, 20}));
    EXPECT_EQ(renderElementSamples(soundElement(4, 900), set), (std::vector<int16_t>{40, 50}));
    EXPECT_TRUE(renderElementSamples(soundElement(7, 9), set).empty());
    EXPECT_TRUE(renderElementSamples(TDzwiek{2, 0, 1, 5, 0}, set).empty()) << "no sound 2";
}

TEST(Render, GainThenVolume)
{
    const SignalSet set = setWith({16384, 30000}, 60);
    EXPECT_EQ(renderElementSamples(soundElement(1, 2), set), (std::vector<int16_t>{32690, 32767}));
    EXPECT_EQ(renderElementSamples(soundElement(1, 2, 8), set), (std::vector<int16_t>{16345, 16384}));
    const TDostepnyDzwiek& s = set.library[0].sound;
    EXPECT_EQ(renderSoundSamples(s, true), (std::vector<int16_t>{32690, 32767}));
    EXPECT_EQ(renderSoundSamples(s, false), s.Samples);
}

TEST_F(RenderFiles, SignalPreviewIsTheFragmentThenTheSilence)
{
    const SignalSet set = setWith({7, 8, 9, 10});
    const Signal signal = {soundElement(2, 4), TDzwiek::pause(1)};
    const std::string path = renderSignalPreview(signal, set);
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(fs::path(path).parent_path().string(), privateTempDirectory());
    std::vector<int16_t> want = {8, 9, 10};
    want.resize(3 + 180, 0);
    EXPECT_EQ(wavSamples(path), want);
    EXPECT_EQ(renderSignalSamples(signal, set), want);
    fs::remove(path);

    EXPECT_EQ(renderSignalPreview({}, set), "") << "nothing to play, no file";

    const std::string one = renderElementPreview(soundElement(1, 1), set);
    EXPECT_EQ(wavSamples(one), (std::vector<int16_t>{7}));
    fs::remove(one);

    const std::string p = (dir / "append.wav").string();
    CreateWavFile(p, 0);
    EXPECT_EQ(RenderElement(p, TDzwiek::pause(50), set), 18000);
    EXPECT_EQ(RenderElement(p, TDzwiek::pause(0), set), 0);
    EXPECT_EQ(fs::file_size(p), 44u + 18000u);
}

TEST_F(RenderFiles, SoundPreviewWithAndWithoutGain)
{
    const SignalSet set = setWith({1000, -1000, 20000}, 30);
    const std::string loud = renderSoundPreview(set.library[0].sound, true);
    const std::string plain = renderSoundPreview(set.library[0].sound, false);
    EXPECT_NE(loud, plain);
    const auto l = wavSamples(loud), q = wavSamples(plain);
    EXPECT_EQ(q, set.library[0].sound.Samples);
    ASSERT_EQ(l.size(), 3u);
    EXPECT_EQ(l[0], ApplyGain(1000, 3.0));
    EXPECT_GT(l[2], q[2]);
    fs::remove(loud);
    fs::remove(plain);
}

TEST_F(RenderFiles, WritingKeepsAGoodFileOnFailure)
{
    const SignalSet set = setWith({1, 2, 3});
    const std::string out = (dir / "out.wav").string();
    writeSignalWav(out, {soundElement(1, 3)}, set);
    EXPECT_EQ(wavSamples(out), (std::vector<int16_t>{1, 2, 3}));
    writeSignalWav(out, {}, set);
    EXPECT_TRUE(wavSamples(out).empty());
    writeSoundWav(out, set.library[0].sound, false);
    EXPECT_EQ(wavSamples(out), (std::vector<int16_t>{1, 2, 3}));
    EXPECT_THROW(writeSignalWav((dir / "none" / "x.wav").string(), {}, set), FileError);
    // A directory in place of the file: the rename fails and nothing is left beside it.
    fs::create_directory(dir / "taken.wav");
    fs::create_directory(dir / "taken.wav" / "x");
    EXPECT_THROW(writeSignalWav((dir / "taken.wav").string(), {soundElement(1, 3)}, set), FileError);
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir))
        ++entries;
    EXPECT_EQ(entries, 2u);
}

TEST_F(RenderFiles, AReplacedFileKeepsItsPermissionsAndAReadOnlyOneIsRefused)
{
    const SignalSet set = setWith({4, 5});
    const std::string out = (dir / "ro.wav").string();
    writeSoundWav(out, set.library[0].sound, false);
    const fs::perms own = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(out, own);
    // The new content is written by name into the new file before it takes the old one's place.
    writeSignalWav(out, {soundElement(2, 2)}, set);
    EXPECT_EQ(wavSamples(out), (std::vector<int16_t>{5}));
    EXPECT_EQ(fs::status(out).permissions(), own);

    const fs::perms readOnly = fs::perms::owner_read | fs::perms::group_read;
    fs::permissions(out, readOnly);
    EXPECT_THROW(writeSignalWav(out, {soundElement(1, 2)}, set), FileError);
    EXPECT_EQ(wavSamples(out), (std::vector<int16_t>{5}));
    EXPECT_EQ(fs::status(out).permissions(), readOnly);
}

TEST(ExportName, HostileNamesStayInsideTheFolder)
{
    EXPECT_EQ(exportFileName("Dzwonek \"A\""), "Dzwonek A.wav");
    EXPECT_EQ(exportFileName("../../.profile"), ".._.._.profile.wav");
    EXPECT_EQ(exportFileName("a/b\\c"), "a_b_c.wav");
    EXPECT_EQ(exportFileName(std::string("a\0b", 3)), "a_b.wav");
    EXPECT_EQ(exportFileName(".."), "...wav");
    EXPECT_EQ(exportFileName(""), ".wav");
    // 200 two-byte characters: cut to fit 255 bytes without splitting one.
    std::string longName;
    for (int i = 0; i < 200; ++i)
        longName += "ą";
    const std::string n = exportFileName(longName);
    EXPECT_LE(n.size(), 255u);
    EXPECT_EQ(n.size(), 250u + 4u);
    EXPECT_TRUE(n.ends_with(".wav"));
}

TEST_F(RenderFiles, ExportWritesEverySoundAndOverwrites)
{
    SignalSet set = setWith({5, 6});
    set.library[0].name = "Dzwonek \"A\"";
    set.library[0].sound.Gain = 60;   // the export writes stored samples
    LibrarySound evil;
    evil.name = "../../escape";
    evil.sound.SetSamples({9});
    set.library.push_back(evil);
    LibrarySound dots;
    dots.name = "..";
    dots.sound.SetSamples({4});
    set.library.push_back(dots);

    const fs::path target = dir / "a" / "ZELMAR-WAV";
    auto written = exportWavFiles(set, target.string());
    ASSERT_EQ(written.size(), 3u);
    EXPECT_EQ(wavSamples((target / "Dzwonek A.wav").string()), (std::vector<int16_t>{5, 6}));
    EXPECT_EQ(wavSamples((target / ".._.._escape.wav").string()), (std::vector<int16_t>{9}));
    EXPECT_EQ(wavSamples((target / "...wav").string()), (std::vector<int16_t>{4}));
    for (const std::string& w : written)
        EXPECT_EQ(fs::path(w).parent_path(), target);
    EXPECT_FALSE(fs::exists(dir / "escape.wav"));

    // An export name that is a link is written through, into the file it names.
    const fs::path elsewhere = dir / "elsewhere.wav";
    std::ofstream(elsewhere) << "old";
    fs::remove(target / "Dzwonek A.wav");
    fs::create_symlink(elsewhere, target / "Dzwonek A.wav");
    set.library[0].sound.SetSamples({1, 2, 3});
    exportWavFiles(set, target.string());
    EXPECT_TRUE(fs::is_symlink(target / "Dzwonek A.wav"));
    EXPECT_EQ(wavSamples(elsewhere.string()), (std::vector<int16_t>{1, 2, 3}));

    EXPECT_TRUE(exportWavFiles(SignalSet{}, (dir / "never").string()).empty());
    EXPECT_FALSE(fs::exists(dir / "never"));
}

TEST_F(RenderFiles, ExportDefaultsToTheHomeFolder)
{
    const char* old = std::getenv("HOME");
    const std::string saved = old ? old : "";
    ::setenv("HOME", dir.c_str(), 1);
    EXPECT_EQ(defaultExportDirectory(), (dir / "ZELMAR-WAV").string());
    const auto written = exportWavFiles(setWith({1}));
    ::setenv("HOME", saved.c_str(), 1);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_TRUE(fs::exists(dir / "ZELMAR-WAV" / "s.wav"));
}
