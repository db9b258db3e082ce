#include "model/Errors.h"
#include "model/FileIO.h"
#include "model/SetFile.h"
#include "model/SignalSet.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace zelmar;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

// One signal with one element and one sound of four samples.
const Bytes kMinimal = {
    'Z', 'E', 'L', 'M', 'A', 'R', 0,     // 0: magic
    '2', '.', '0', 0,                    // 7: version
    0,                                   // 11: reserved
    1, 0, 0, 0,                          // 12: S = 1
    1, 0, 0, 0,                          // 16: N = 1
    2, 'a', 'b',                         // 20: signal name
    1, 0, 0, 0,                          // 23: E = 1
    1,                                   // 27: SoundNumber
    0,                                   // 28: Volume
    1, 0, 0, 0,                          // 29: FragmentStart
    4, 0, 0, 0,                          // 33: FragmentEnd
    0,                                   // 37: PauseLength
    0, 0, 0, 0,                          // 38: B = 0
    1, 'g',                              // 42: sound name
    30,                                  // 44: Gain
    8, 0, 0, 0,                          // 45: D = 8
    1, 0, 2, 0, 3, 0, 0xFF, 0xFF,        // 49: samples 1, 2, 3, -1
};
constexpr size_t kOffS = 12, kOffN = 16, kOffE = 23, kOffSound = 27, kOffVolume = 28, kOffStart = 29,
                 kOffEnd = 33, kOffB = 38, kOffD = 45;

Bytes patched(Bytes b, size_t offset, std::initializer_list<uint8_t> values)
{
    for (uint8_t v : values)
        b.at(offset++) = v;
    return b;
}

Bytes withI32(Bytes b, size_t offset, int32_t v)
{
    uint32_t u = uint32_t(v);
    return patched(std::move(b), offset, {uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)});
}

Bytes toBytes(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

int formatCode(const Bytes& b)
{
    try {
        parseSetFile(b);
    } catch (const FormatError& e) {
        return e.code;
    }
    return 0;
}

void expectSameSet(const SignalSet& a, const SignalSet& b)
{
    ASSERT_EQ(a.signals.size(), b.signals.size());
    for (size_t i = 0; i < a.signals.size(); ++i) {
        EXPECT_EQ(a.signals[i].name, b.signals[i].name) << "signal " << i;
        EXPECT_EQ(a.signals[i].elements, b.signals[i].elements) << "signal " << i;
    }
    ASSERT_EQ(a.backdoor.has_value(), b.backdoor.has_value());
    if (a.backdoor) {
        EXPECT_EQ(*a.backdoor, *b.backdoor);
    }
    ASSERT_EQ(a.library.size(), b.library.size());
    for (size_t i = 0; i < a.library.size(); ++i) {
        EXPECT_EQ(a.library[i].name, b.library[i].name) << "sound " << i;
        EXPECT_EQ(a.library[i].sound.Gain, b.library[i].sound.Gain) << "sound " << i;
        EXPECT_EQ(a.library[i].sound.Samples, b.library[i].sound.Samples) << "sound " << i;
        EXPECT_EQ(a.library[i].sound.SampleCount, b.library[i].sound.SampleCount) << "sound " << i;
        EXPECT_EQ(a.library[i].sound.StoredSize, b.library[i].sound.StoredSize) << "sound " << i;
    }
}

TDostepnyDzwiek soundOf(std::vector<int16_t> samples, uint8_t gain = 0)
{
    TDostepnyDzwiek s;
    s.SetSamples(std::move(samples));
    s.Gain = gain;
    return s;
}

SignalSet richSet()
{
    SignalSet set;
    set.library.push_back({"gong żółty", soundOf({0, 1, -1, 32767, -32768, 1234, -4321}, 30)});
    set.library.push_back({"Ślimak", soundOf({5, 6, 7, 8, 9, 10, 11, 12, 13}, 100)});
    set.library.push_back({"", soundOf({})});
    set.signals.push_back({"dzwonek", {TDzwiek{1, 0, 1, 7, 0}, TDzwiek{0, 0, 0, 0, 255}, TDzwiek{2, 15, 3, 9, 12}}});
    set.signals.push_back({"Źdźbło ąęćńś", {TDzwiek{2, 7, 0, 2, 1}}});
    set.signals.push_back({"tylko pauzy", {TDzwiek::pause(), TDzwiek::pause(10)}});
    set.backdoor = Signal{TDzwiek{1, 3, 2, 5, 40}, TDzwiek{0, 0, 0, 0, 100}};
    return set;
}

// A temporary directory per test, removed afterwards.
class SetFileDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("zelmar-setfile-" + std::to_string(::getpid()) + "-"
                                           + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        setWriteFailureAfterForTesting(-1);
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir, ec);
    }
    fs::path dir;
};

} // namespace

TEST(SetFileRead, MinimalFileGivesItsRecords)
{
    SignalSet set = parseSetFile(kMinimal);
    ASSERT_EQ(set.signals.size(), 1u);
    EXPECT_EQ(set.signals[0].name, "ab");
    EXPECT_EQ(set.signals[0].elements, (Signal{TDzwiek{1, 0, 1, 4, 0}}));
    EXPECT_FALSE(set.backdoor.has_value());
    ASSERT_EQ(set.library.size(), 1u);
    EXPECT_EQ(set.library[0].name, "g");
    EXPECT_EQ(set.library[0].sound.Gain, 30);
    EXPECT_EQ(set.library[0].sound.Samples, (std::vector<int16_t>{1, 2, 3, -1}));
    EXPECT_EQ(set.library[0].sound.SampleCount, 4);
    EXPECT_EQ(set.library[0].sound.StoredSize, 5);
    EXPECT_EQ(set.library[0].sound.UsageMark, -1);
}

TEST(SetFileRead, EachFormatCodeForItsField)
{
    struct Case {
        Bytes file;
        int code;
        const char* what;
    };
    const Case cases[] = {
        {patched(kMinimal, 0, {'z'}), 1, "magic in lower case"},
        {patched(kMinimal, 6, {'X'}), 1, "magic without its zero byte"},
        {patched(kMinimal, 9, {'1'}), 1, "version 2.1"},
        {patched(kMinimal, 10, {' '}), 1, "version without its zero byte"},
        {withI32(kMinimal, kOffS, 0), 1, "S = 0"},
        {withI32(kMinimal, kOffS, 129), 1, "S = 129"},
        {withI32(kMinimal, kOffS, -1), 1, "S negative"},
        {withI32(kMinimal, kOffN, 129), 1, "N = 129"},
        {withI32(kMinimal, kOffN, -1), 1, "N negative"},
        {withI32(kMinimal, kOffE, 129), 2, "E = 129"},
        {withI32(kMinimal, kOffE, -1), 2, "E negative"},
        {withI32(kMinimal, kOffB, 129), 2, "B = 129"},
        {withI32(kMinimal, kOffB, -5), 2, "B negative"},
        {patched(kMinimal, kOffSound, {2}), 3, "SoundNumber N + 1"},
        {patched(kMinimal, kOffSound, {255}), 3, "SoundNumber 255"},
        {patched(kMinimal, kOffVolume, {16}), 4, "Volume 16"},
        {withI32(kMinimal, kOffStart, -1), 5, "FragmentStart negative"},
        {withI32(kMinimal, kOffEnd, -1), 6, "FragmentEnd negative"},
        {withI32(withI32(kMinimal, kOffStart, 5), kOffEnd, 4), 6, "FragmentEnd before FragmentStart"},
        {withI32(kMinimal, kOffD, -2), 7, "D negative"},
        {withI32(kMinimal, kOffD, 4194305), 7, "D above twice the chime memory"},
        {withI32(kMinimal, kOffD, INT32_MAX), 7, "D huge"},
        {withI32(kMinimal, kOffD, 4194304), kSetFileTruncated, "D allowed but more than the file holds"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatCode(c.file), c.code) << c.what;
}

TEST(SetFileRead, BoundaryValuesThatAreAccepted)
{
    // SoundNumber equal to N, volume 15, FragmentStart 0 and a one-sample fragment.
    SignalSet a = parseSetFile(withI32(withI32(patched(kMinimal, kOffVolume, {15}), kOffStart, 0), kOffEnd, 0));
    EXPECT_EQ(a.signals[0].elements[0], (TDzwiek{1, 15, 0, 0, 0}));

    // Header byte 11 and bytes after the last record are ignored.
    Bytes trailing = patched(kMinimal, 11, {0xA5});
    trailing.push_back(0x42);
    expectSameSet(parseSetFile(trailing), parseSetFile(kMinimal));

    // A pause with no library at all: N = 0, the element a pause, the sound record dropped.
    Bytes noSounds(kMinimal.begin(), kMinimal.begin() + 42);
    noSounds = patched(withI32(noSounds, kOffN, 0), kOffSound, {0});
    SignalSet p = parseSetFile(noSounds);
    EXPECT_TRUE(p.library.empty());
    EXPECT_TRUE(p.signals[0].elements[0].isPause());
    EXPECT_EQ(formatCode(patched(noSounds, kOffSound, {1})), 3);

    // 128 signals and elements are the most a file may hold.
    SignalSet big;
    for (int i = 0; i < kMaxSignals; ++i)
        big.signals.push_back({"s", Signal(size_t(kMaxElements), TDzwiek::pause())});
    big.backdoor = Signal(size_t(kMaxElements), TDzwiek::pause());
    expectSameSet(parseSetFile(toBytes(serializeSetFile(big))), big);
}

TEST(SetFileRead, BackdoorCountZeroMeansNone)
{
    EXPECT_FALSE(parseSetFile(kMinimal).backdoor.has_value());
    SignalSet set = parseSetFile(kMinimal);
    set.backdoor = Signal{TDzwiek::pause(7)};
    SignalSet back = parseSetFile(toBytes(serializeSetFile(set)));
    ASSERT_TRUE(back.backdoor.has_value());
    EXPECT_EQ(*back.backdoor, (Signal{TDzwiek::pause(7)}));
}

TEST(SetFileRead, SampleByteCounts)
{
    // D = 0: a sound without samples.
    Bytes empty(kMinimal.begin(), kMinimal.begin() + 49);
    empty = withI32(empty, kOffD, 0);
    SignalSet e = parseSetFile(empty);
    EXPECT_EQ(e.library[0].sound.SampleCount, 0);
    EXPECT_EQ(e.library[0].sound.StoredSize, 0);

    // Odd D: D div 2 samples, every byte consumed (a second sound follows and must line up).
    Bytes odd(kMinimal.begin(), kMinimal.begin() + 49);
    odd = withI32(withI32(odd, kOffN, 2), kOffD, 5);
    odd.insert(odd.end(), {7, 0, 9, 0, 0xEE});   // two samples and a stray byte
    odd.insert(odd.end(), {1, 'h', 0, 2, 0, 0, 0, 0x34, 0x12});
    SignalSet o = parseSetFile(odd);
    ASSERT_EQ(o.library.size(), 2u);
    EXPECT_EQ(o.library[0].sound.Samples, (std::vector<int16_t>{7, 9}));
    EXPECT_EQ(o.library[1].name, "h");
    EXPECT_EQ(o.library[1].sound.Samples, (std::vector<int16_t>{0x1234}));
    // The next save writes the whole samples only.
    Bytes saved = toBytes(serializeSetFile(o));
    EXPECT_EQ(saved.size(), odd.size() - 1);
    EXPECT_EQ(saved[kOffD], 4);
}

TEST(SetFileRead, FragmentPastTheSoundIsKeptAndClampedOnPlay)
{
    SignalSet set = parseSetFile(withI32(withI32(kMinimal, kOffStart, 3), kOffEnd, 100));
    const TDzwiek& e = set.signals[0].elements[0];
    EXPECT_EQ(e.FragmentEnd, 100);
    PlayedRange r = playedRange(e, *set.soundAt(e.SoundNumber));
    EXPECT_EQ(r.first, 2);
    EXPECT_EQ(r.count, 2);

    SignalSet outside = parseSetFile(withI32(withI32(kMinimal, kOffStart, 50), kOffEnd, 60));
    EXPECT_EQ(playedRange(outside.signals[0].elements[0], outside.library[0].sound).count, 0);
    // The stored values survive a save.
    EXPECT_EQ(parseSetFile(toBytes(serializeSetFile(outside))).signals[0].elements[0].FragmentStart, 50);
}

TEST(SetFileRead, TruncatedAnywhereIsAnError)
{
    Bytes full = toBytes(serializeSetFile(richSet()));
    for (size_t cut = 0; cut < full.size(); ++cut) {
        Bytes part(full.begin(), full.begin() + long(cut));
        EXPECT_EQ(formatCode(part), kSetFileTruncated) << "cut at " << cut;
    }
}

TEST(SetFileRead, LongSoundOpens)
{
    // 70 s: more samples than the chime holds, but a fragment of it can still be used.
    std::vector<int16_t> samples(1260000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(i * 7919);
    SignalSet set;
    set.library.push_back({"long", soundOf(samples)});
    set.signals.push_back({"s", {TDzwiek{1, 0, 1000, 19000, 0}}});
    Bytes bytes = toBytes(serializeSetFile(set));
    // D = 2520000 lies above the chime's 2097152 bytes.
    EXPECT_EQ(bytes[47] | bytes[48] << 8 | bytes[49] << 16 | bytes[50] << 24, 2520000);
    SignalSet back = parseSetFile(bytes);
    ASSERT_EQ(back.library.size(), 1u);
    EXPECT_EQ(back.library[0].sound.SampleCount, 1260000);
    EXPECT_TRUE(back.library[0].sound.Samples == samples);

    // The largest count allowed opens too.
    Bytes max(kMinimal.begin(), kMinimal.begin() + 49);
    max = withI32(max, kOffD, int32_t(kMaxSoundBytes));
    max.resize(max.size() + size_t(kMaxSoundBytes), 0x11);
    EXPECT_EQ(parseSetFile(max).library[0].sound.SampleCount, int32_t(kMaxSoundBytes / 2));
}

TEST(SetFileWrite, RichSetRoundTrips)
{
    SignalSet set = richSet();
    std::string bytes = serializeSetFile(set);
    EXPECT_EQ(bytes.substr(0, 11), std::string("ZELMAR\0" "2.0\0", 11));
    EXPECT_EQ(bytes[11], 0);
    expectSameSet(parseSetFile(toBytes(bytes)), set);
}

TEST(SetFileWrite, NamesAndByteFieldsAsStored)
{
    SignalSet set;
    set.signals.push_back({"日本 żaba", {TDzwiek{0, 0, 0, 0, 256 + 50}}});
    set.signals.push_back({std::string(300, 'x'), {}});
    std::string polish;
    for (int i = 0; i < 300; ++i)
        polish += "ż";
    set.signals.push_back({polish, {}});
    std::string bytes = serializeSetFile(set);
    // Name of signal 1 as Windows-1250: '?' for what the code page lacks, one byte for 'ż'.
    EXPECT_EQ(bytes.substr(20, 8), std::string("\x07??\x20\xBF" "aba"));

    SignalSet back = parseSetFile(toBytes(bytes));
    EXPECT_EQ(back.signals[0].name, "?? żaba");
    EXPECT_EQ(back.signals[0].elements[0].PauseLength, 50);
    EXPECT_EQ(back.signals[1].name, std::string(255, 'x'));
    EXPECT_EQ(back.signals[2].name.size(), 510u);
    EXPECT_EQ(back.signals[2].name.substr(0, 4), "żż");
}

TEST(SetFileWrite, EveryNameByteSurvivesALoadAndSave)
{
    // A signal named with every byte but 0, and a sound named with the five bytes Windows-1250
    // leaves undefined.
    std::string everyByte;
    for (int b = 1; b < 256; ++b)
        everyByte.push_back(char(b));
    Bytes file(kMinimal.begin(), kMinimal.begin() + 20);
    file.push_back(255);
    file.insert(file.end(), everyByte.begin(), everyByte.end());
    file.insert(file.end(), kMinimal.begin() + 23, kMinimal.begin() + 42);
    for (uint8_t b : {5, 0x81, 0x83, 0x88, 0x90, 0x98})
        file.push_back(b);
    file.insert(file.end(), kMinimal.begin() + 44, kMinimal.end());

    const SignalSet set = parseSetFile(file);
    EXPECT_EQ(set.library[0].name, "\u0081\u0083\u0088\u0090\u0098");
    EXPECT_EQ(toBytes(serializeSetFile(set)), file);
}

TEST_F(SetFileDir, SaveAndOpenThroughFiles)
{
    std::string path = (dir / "zestaw.zmr").string();
    writeSetFile(richSet(), path);
    expectSameSet(readSetFile(path), richSet());
    EXPECT_THROW(readSetFile((dir / "missing.zmr").string()), FileError);
}

TEST_F(SetFileDir, FailedSaveKeepsTheOldFile)
{
    std::string path = (dir / "zestaw.zmr").string();
    writeSetFile(richSet(), path);
    Bytes before = readWholeFile(path);

    SignalSet other;
    other.signals.push_back({"inny", {}});
    other.library.push_back({"duży", soundOf(std::vector<int16_t>(5000, 3))});
    for (long long after : {0LL, 10LL, 5000LL}) {
        setWriteFailureAfterForTesting(after);
        EXPECT_THROW(writeSetFile(other, path), FileError);
        setWriteFailureAfterForTesting(-1);
        EXPECT_EQ(readWholeFile(path), before);
        size_t entries = 0;
        for (const auto& entry : fs::directory_iterator(dir)) {
            ++entries;
            EXPECT_EQ(entry.path().filename(), "zestaw.zmr");
        }
        EXPECT_EQ(entries, 1u);
    }
}

TEST_F(SetFileDir, ReadOnlyRule)
{
    std::string path = (dir / "X.zmr").string();
    writeSetFile(richSet(), path);
    EXPECT_FALSE(isReadOnlyFile(path));
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_TRUE(isReadOnlyFile(path));
    // Still readable: a read-only factory set opens.
    EXPECT_EQ(readSetFile(path).signals.size(), 3u);
    EXPECT_FALSE(isReadOnlyFile((dir / "none.zmr").string()));

    EXPECT_EQ(readOnlyAlternativeName("Zestawy/X.zmr"), "Zestawy/X (1).zmr");
    EXPECT_EQ(readOnlyAlternativeName("/opt/zelmar/Zestawy/Premium.zmr"), "/opt/zelmar/Zestawy/Premium (1).zmr");
    EXPECT_EQ(readOnlyAlternativeName("Zestawy/X"), "Zestawy/X (1)");
    EXPECT_EQ(readOnlyAlternativeName("my.sets/X"), "my.sets/X (1)");
    EXPECT_EQ(readOnlyAlternativeName("a.b.zmr"), "a.b (1).zmr");
    EXPECT_EQ(readOnlyAlternativeName("dir/.zmr"), "dir/.zmr (1)");
}

TEST(SetFileFuzz, MutatedFilesNeverCrash)
{
    const Bytes base = toBytes(serializeSetFile(richSet()));
    int opened = 0;
    for (uint32_t seed = 0; seed < 4000; ++seed) {
        std::mt19937 rng(seed);
        Bytes b = base;
        int edits = 1 + int(rng() % 6);
        for (int k = 0; k < edits; ++k) {
            switch (rng() % 4) {
            case 0: b[rng() % b.size()] = uint8_t(rng()); break;
            case 1: b[rng() % b.size()] ^= uint8_t(1u << (rng() % 8)); break;
            case 2: b.resize(rng() % b.size() + 1); break;
            default: b.insert(b.begin() + long(rng() % b.size()), uint8_t(rng())); break;
            }
        }
        try {
            SignalSet set = parseSetFile(b);
            ++opened;
            // What opens must save and open again as the same set.
            std::string once = serializeSetFile(set);
            EXPECT_EQ(serializeSetFile(parseSetFile(toBytes(once))), once) << "seed " << seed;
            for (const auto& s : set.signals)
                for (const TDzwiek& e : s.elements)
                    ASSERT_LE(size_t(e.SoundNumber), set.library.size()) << "seed " << seed;
            for (const auto& l : set.library)
                ASSERT_EQ(size_t(l.sound.SampleCount), l.sound.Samples.size()) << "seed " << seed;
        } catch (const FormatError& e) {
            ASSERT_GE(e.code, 1) << "seed " << seed;
            ASSERT_LE(e.code, kSetFileTruncated) << "seed " << seed;
        }
    }
    // Some mutations only touch samples or names; those must still open.
    EXPECT_GT(opened, 0);
    RecordProperty("opened", opened);
}
