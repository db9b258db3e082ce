// The import pipeline in the core: which files are converted or mixed, the limits with their
// messages, normalisation, names, and temporary files.
#include "AudioFiles.h"

#include "audio/Import.h"
#include "audio/WavFile.h"
#include "model/Errors.h"

#include <numeric>
#include <random>

using namespace zelmar;
using namespace testaudio;

namespace {

struct Observer : ImportObserver {
    bool normalise = false;
    int cancelAtCall = -1;   // -1: never
    int started = 0, ended = 0, progressCalls = 0, asked = 0;
    void conversionStarted() override { ++started; }
    bool conversionProgress(int32_t, int32_t) override { return ++progressCalls == cancelAtCall; }
    void conversionEnded() override { ++ended; }
    bool askNormalise() override { ++asked; return normalise; }
};

} // namespace

class Import : public NoLeftoverTest {
protected:
    ImportResult import(const std::string& file)
    {
        const std::string before = readBytes(file);
        ImportResult r = importSound(file, set, obs);
        EXPECT_EQ(readBytes(file), before) << "the chosen file changed";
        return r;
    }
    // Adds a silent sound named `name` that leaves at least `atLeast` free bytes (the nearest
    // count a whole number of 8-sample blocks allows); returns F after it.
    int32_t fillLeaving(const std::string& name, int32_t atLeast)
    {
        const int32_t empty = set.freeBytes() - (nameBytes(name) + 4);
        int32_t target = atLeast;
        while ((empty - target) % 9 != 0)
            ++target;
        LibrarySound filler;
        filler.name = name;
        filler.sound.SetSamples(std::vector<int16_t>(size_t((empty - target) / 9 * 8)));
        set.library.push_back(filler);
        return target;
    }
    SignalSet set;
    Observer obs;
};

TEST_F(Import, MonoAt18000Is16BitTakenAsItIs)
{
    const std::vector<int16_t> v = {1, -2, 3, 32767, -32768, 0, 7};
    const ImportResult r = import(put("gong.wav", wavBytes(1, 18000, 16, pcm16(v))));
    ASSERT_TRUE(r.added);
    EXPECT_FALSE(r.converted);
    EXPECT_FALSE(r.mixedDown);
    EXPECT_EQ(obs.started, 0);
    ASSERT_EQ(set.library.size(), 1u);
    EXPECT_EQ(set.library[0].name, "gong");
    EXPECT_EQ(set.library[0].sound.Samples, v);
    EXPECT_EQ(set.library[0].sound.StoredSize, storedSizeFor(7));
    EXPECT_EQ(r.soundNumber, 1);
    EXPECT_EQ(obs.asked, 1);
}

TEST_F(Import, StereoAt18000IsOnlyMixedDownHalfToEven)
{
    const std::vector<int16_t> v = {3, 0, 5, 0, -3, 0, -5, 0, 7, 0, -1, 0, 1, 0, 32767, 32767, -32768, -32768,
                                    -32768, -32767, 100, -50};
    const ImportResult r = import(put("duo.wav", wavBytes(2, 18000, 16, pcm16(v))));
    ASSERT_TRUE(r.added);
    EXPECT_FALSE(r.converted);
    EXPECT_TRUE(r.mixedDown);
    EXPECT_EQ(set.library[0].sound.Samples, (std::vector<int16_t>{2, 2, -2, -2, 4, 0, 0, 32767, -32768, -32768, 25}));
}

TEST_F(Import, OtherDepthsAndRatesGoThroughTheConverter)
{
    const ImportResult eight = import(put("eight.wav", wavBytes(1, 18000, 8, sinePcm(1, 18000, 8, 9000, 300))));
    ASSERT_TRUE(eight.added);
    EXPECT_TRUE(eight.converted);
    EXPECT_EQ(set.library.back().sound.SampleCount, 9000);
    // 8-bit samples are unsigned: their silence is 128, and stays silence.
    ASSERT_TRUE(import(put("quiet.wav", wavBytes(1, 44100, 8, std::string(44100, char(0x80))))).added);
    EXPECT_EQ(set.library.back().sound.Samples, std::vector<int16_t>(18000, 0));

    const ImportResult cd = import(put("cd.wav", wavBytes(2, 44100, 16, sinePcm(2, 44100, 16, 44100, 440))));
    ASSERT_TRUE(cd.added);
    EXPECT_TRUE(cd.converted);
    EXPECT_TRUE(cd.mixedDown);
    EXPECT_NEAR(set.library.back().sound.SampleCount, 18000, 1);
    EXPECT_NEAR(measuredFrequency(set.library.back().sound.Samples, 1, 0, 18000), 440.0, 0.5);
    EXPECT_EQ(obs.started, 3);
    EXPECT_EQ(obs.ended, 3);
    EXPECT_GT(obs.progressCalls, 0);
}

TEST_F(Import, Mp3FilesAreDecodedConvertedAndMixed)
{
    const ImportResult r = import(put("a.mp3", mp3Bytes(2, 44100, 2.0, 128)));
    ASSERT_TRUE(r.added);
    EXPECT_TRUE(r.decodedMp3);
    EXPECT_TRUE(r.converted);
    EXPECT_TRUE(r.mixedDown);
    EXPECT_EQ(set.library[0].name, "a");
    EXPECT_NEAR(set.library[0].sound.SampleCount, 36000, 1500);
}

TEST_F(Import, UnreadableAndUnsupportedFilesNameTheChosenFile)
{
    const std::string fourBytes = put("tiny.mp3", "abcd");   // taken for MPEG; decodes to nothing
    ImportResult r = import(fourBytes);
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->resourceId, 65221);
    EXPECT_EQ(std::get<std::string>(r.message->args.at(0)), fourBytes);
    EXPECT_TRUE(r.decodedMp3);

    std::string notes;
    for (int i = 0; i < 50; ++i)
        notes += "zwykly tekst bez ramek\n";
    r = import(put("notes.wav", notes));
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->resourceId, 65221);
    EXPECT_FALSE(r.decodedMp3);

    const std::string adpcm = put("adpcm.wav", wavBytes(1, 44100, 4, std::string(400, '\0'), 2));
    r = import(adpcm);
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->resourceId, 65220);
    EXPECT_EQ(std::get<std::string>(r.message->args.at(0)), adpcm);
    EXPECT_TRUE(set.library.empty());
}

TEST_F(Import, TooLongForAnEmptySetStates103_55)
{
    // 104 seconds of 18000 Hz mono: the duration check stops it before any reading.
    std::string bytes = wavBytes(1, 18000, 16, "");
    ByteWriter w;
    w.u32(104 * 36000);
    bytes.replace(40, 4, w.bytes());
    const ImportResult r = import(put("long.wav", bytes));
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->resourceId, 65219);
    EXPECT_EQ(std::get<std::string>(r.message->args.at(0)), "104.00");
    EXPECT_EQ(std::get<std::string>(r.message->args.at(1)), "103.55");
    EXPECT_NE(r.message->text().find("do 103.55 sek."), std::string::npos);
    EXPECT_TRUE(set.library.empty());
}

TEST_F(Import, RoomExactlyFreeBytesFitsOneMoreByteDoesNot)
{
    // Choose the file name so that F - L = 9k + 2: a sound of 8k + 1 samples then needs exactly F.
    const int32_t f = set.freeBytes();
    std::string stem = "s";
    auto fullLength = [&] { return int64_t(path(stem + ".wav").size()); };
    while ((f - fullLength() - 2) % 9 != 0)
        stem += "s";
    const int64_t k = (f - fullLength() - 2) / 9;
    const std::string file = put(stem + ".wav", wavBytes(1, 18000, 16, std::string(size_t(8 * k + 1) * 2, '\0')));
    ImportResult r = import(file);
    ASSERT_TRUE(r.added) << (r.message ? r.message->text() : "");
    EXPECT_EQ(set.library[0].sound.SampleCount, 8 * k + 1);
    EXPECT_GE(set.freeBytes(), 0);

    // One more character in the name: one byte short, refused with the sound's length.
    set.library.clear();
    const std::string longer = put(stem + "t.wav", readBytes(file));
    r = import(longer);
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->resourceId, 65219);
    EXPECT_EQ(std::get<std::string>(r.message->args.at(0)), formatSeconds(double(8 * k + 1) / 18000.0));
}

TEST_F(Import, AMultipleOfEightThatFillsMemoryIsStoppedByTheDurationCheck)
{
    const int32_t f = set.freeBytes();
    std::string stem = "m";
    auto fullLength = [&] { return int64_t(path(stem + ".wav").size()); };
    while ((f - fullLength()) % 9 != 0)
        stem += "m";
    const int64_t n = (f - fullLength()) / 9 * 8;
    const ImportResult r = import(put(stem + ".wav", wavBytes(1, 18000, 16, std::string(size_t(n) * 2, '\0'))));
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->resourceId, 65219);
    EXPECT_EQ(std::get<std::string>(r.message->args.at(0)), formatSeconds(double(n) / 18000.0));
}

TEST_F(Import, TheSecondLengthCheckCountsTheConvertedFile)
{
    // A chosen name shorter than the temporary one: the duration check (which counts the chosen
    // name) passes, the room check after the conversion (which counts the temporary name) refuses.
    struct Cwd {
        fs::path before = fs::current_path();
        ~Cwd() { fs::current_path(before); }
    } restore;
    fs::current_path(dir);
    const std::string data = sinePcm(1, 36000, 16, 36000, 300);
    put("a.wav", wavBytes(1, 36000, 16, data));
    ASSERT_TRUE(import("a.wav").added);
    const int32_t n = set.library[0].sound.SampleCount;
    set.library.clear();
    ASSERT_GT(temporaryWavNameLength(), 25u);

    const int32_t target = fillLeaving("f", storedSizeFor(n) + 15);
    ASSERT_EQ(set.freeBytes(), target);

    const ImportResult r = import("a.wav");
    EXPECT_TRUE(r.converted);
    ASSERT_TRUE(r.message.has_value());
    EXPECT_EQ(r.message->resourceId, 65219);
    EXPECT_EQ(std::get<std::string>(r.message->args.at(0)), formatSeconds(double(n) / 18000.0));
    EXPECT_EQ(std::get<std::string>(r.message->args.at(1)), formatSeconds(secondsForBytes(target)));
    EXPECT_EQ(set.library.size(), 1u);
}

TEST_F(Import, ALongNameCannotOverfillMemoryThroughAShortTemporaryName)
{
    // An MP3 is measured through its decoded temporary file, whose name is short; the sound's own
    // long name must still be paid for.
    const std::string mp3 = mp3Bytes(1, 16000, 1.0, 32);
    ASSERT_TRUE(import(put("probe.mp3", mp3)).added);
    const int32_t n = set.library[0].sound.SampleCount;
    set.library.clear();
    ASSERT_LT(temporaryWavNameLength(), 50u);

    // Leave F between the sound plus 56..64 bytes: enough with the temporary name, not with 154.
    const int32_t target = fillLeaving("filler", storedSizeFor(n) + 56);
    ASSERT_EQ(set.freeBytes(), target);

    const std::string name(150, 'n');
    const ImportResult r = import(put(name + ".mp3", mp3));
    ASSERT_TRUE(r.message.has_value());
    EXPECT_EQ(r.message->resourceId, 65219);
    EXPECT_EQ(set.library.size(), 1u);
    EXPECT_EQ(set.freeBytes(), target);

    // The same sound under a short name fits.
    EXPECT_TRUE(import(put("k.mp3", mp3)).added);
    EXPECT_GE(set.freeBytes(), 0);
}

TEST_F(Import, OneHundredTwentyEightSoundsRefuseOneHundredTwentySevenAccept)
{
    set.library.resize(127);
    const std::string file = put("x.wav", wavBytes(1, 18000, 16, pcm16({1, 2, 3})));
    ASSERT_TRUE(import(file).added);
    EXPECT_EQ(set.library.size(), 128u);
    const ImportResult r = import(file);
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->resourceId, 65217);
    EXPECT_EQ(set.library.size(), 128u);
}

TEST_F(Import, NormalisationOnYes)
{
    obs.normalise = true;
    std::vector<int16_t> v;
    for (int i = 0; i < 1000; ++i)
        v.push_back(i % 2 ? int16_t(16384) : int16_t(-16384));
    ASSERT_TRUE(import(put("n.wav", wavBytes(1, 18000, 16, pcm16(v)))).added);
    EXPECT_EQ(set.library[0].sound.Samples[0], -23170);
    EXPECT_EQ(set.library[0].sound.Samples[1], 23170);
}

TEST_F(Import, CancelEndsWithoutAMessageAndTheNextImportConverts)
{
    const std::string file = put("c.wav", wavBytes(2, 44100, 16, sinePcm(2, 44100, 16, 44100 * 3, 440)));
    obs.cancelAtCall = 2;
    ImportResult r = import(file);
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.message.has_value());
    EXPECT_EQ(obs.ended, 1);
    EXPECT_TRUE(set.library.empty());
    obs.cancelAtCall = -1;
    r = import(file);
    EXPECT_TRUE(r.added);
}

TEST_F(Import, ConverterFailureEndsWith65218)
{
    const ImportResult r = import(put("odd.wav", wavBytes(1, 44100, 12, std::string(3000, '\1'))));
    ASSERT_TRUE(r.message);
    EXPECT_EQ(r.message->resourceId, 65218);
}

TEST_F(Import, NoSamplesGiveTheMemoryMessageDataCutShortIsDamaged)
{
    // Four bytes: less than one frame of 24-bit stereo.
    {
        const ImportResult r = import(put("empty.wav", wavBytes(2, 18000, 24, "\1\2\3\4")));
        ASSERT_TRUE(r.message);
        EXPECT_EQ(r.message->resourceId, 0);
        EXPECT_EQ(r.message->text(), "Not enough memory available.\n\nClose other applications and try again.");
    }
    // The data chunk promises more than the file holds.
    for (size_t cut : {0u, 1u, 3000u}) {
        std::string bytes = wavBytes(1, 18000, 16, std::string(8000, '\1'));
        bytes.resize(44 + cut);
        const ImportResult r = import(put("cut.wav", bytes));
        ASSERT_TRUE(r.message);
        EXPECT_EQ(r.message->resourceId, 65220);
    }
    EXPECT_TRUE(set.library.empty());
}

TEST(ImportFailures, BecomeTheWizardsOwnMessagesInItsLanguage)
{
    // A file that cannot be read names the file, never the system's own English words.
    const ImportMessage read =
        importFailure(std::make_exception_ptr(FileError("/x/a.wav", "cannot read /x/a.wav: Input/output error")), "/x/a.wav");
    EXPECT_EQ(read.resourceId, 65460);
    EXPECT_EQ(read.text(), rsf(65460, {std::string("/x/a.wav")}));
    EXPECT_EQ(read.text().find("Input/output"), std::string::npos);
    EXPECT_EQ(importFailure(std::make_exception_ptr(std::bad_alloc()), "/x/a.wav").text(), kImportNoMemoryText);
    const ImportMessage other = importFailure(std::make_exception_ptr(std::logic_error("odd")), "/x/b.wav");
    EXPECT_EQ(other.resourceId, 65461);
    EXPECT_NE(other.text().find("/x/b.wav"), std::string::npos);
}

TEST(ImportNames, NameIsTheFileNameWithoutItsLastFourCharacters)
{
    EXPECT_EQ(soundNameFromPath("/home/u/Dźwięki/gong.wav"), "gong");
    EXPECT_EQ(soundNameFromPath("a.mp3"), "a");
    EXPECT_EQ(soundNameFromPath("/x/Dzwonek ąę.wav"), "Dzwonek ąę");
    EXPECT_EQ(soundNameFromPath("/x/abcdźż.mp3"), "abcdźż");
    EXPECT_EQ(soundNameFromPath("/x/ab.wave"), "ab.");
    EXPECT_EQ(soundNameFromPath("/x/ąb"), "");
}

TEST(ImportNames, SecondsAreWrittenWithTwoDecimalsAndAPoint)
{
    EXPECT_EQ(formatSeconds(12.5), "12.50");
    EXPECT_EQ(formatSeconds(2097135.0 / 9 * 8 / 18000 - 0.01), "103.55");
    EXPECT_EQ(formatSeconds(0.004), "0.00");
    EXPECT_EQ(formatSeconds(-0.001), "0.00");
}

TEST_F(Import, DamagedFilesNeverCrashOrLeaveTemporaryFiles)
{
    std::mt19937 rng(2024);
    const std::string wavFile = wavBytes(2, 22050, 16, sinePcm(2, 22050, 16, 4000, 440));
    const std::string eightBit = wavBytes(1, 11025, 8, sinePcm(1, 11025, 8, 3000, 440));
    const std::string mp3 = mp3Bytes(1, 16000, 0.5, 32);
    for (int round = 0; round < 150; ++round) {
        const std::string& base = round % 3 == 0 ? wavFile : round % 3 == 1 ? eightBit : mp3;
        std::string bytes = base;
        const int flips = 1 + int(rng() % 6);
        for (int i = 0; i < flips; ++i) {
            // Mostly the header, where the sizes and the format live.
            const size_t at = rng() % 2 ? rng() % std::min<size_t>(64, bytes.size()) : rng() % bytes.size();
            bytes[at] = char(rng());
        }
        if (rng() % 4 == 0)
            bytes.resize(rng() % bytes.size());
        const ImportResult r = import(put("fuzz.wav", bytes));
        if (r.added) {
            EXPECT_EQ(set.library.back().sound.SampleCount, int32_t(set.library.back().sound.Samples.size()));
            set.library.clear();
        } else {
            ASSERT_TRUE(r.message.has_value());
        }
        EXPECT_GE(set.freeBytes(), 0);
    }
}

// The offer after a refusal for length: the start of the sound, as much as the room takes, from
// its first sample on; whether the file says its length up front or is found too long on the way.
TEST_F(Import, KeepingWhatFitsTakesTheStartUpToTheRoom)
{
    // Samples counting up, so that the kept ones show where they came from.
    const int seconds = 110;
    std::string pcm(size_t(seconds) * 18000 * 2, '\0');
    for (size_t i = 0; i < pcm.size() / 2; ++i) {
        const auto v = uint16_t(i % 30000);
        pcm[2 * i] = char(v & 0xFF);
        pcm[2 * i + 1] = char(v >> 8);
    }
    const std::string longWav = put("long.wav", wavBytes(1, 18000, 16, pcm));
    ASSERT_EQ(import(longWav).message->resourceId, 65219);

    for (const std::string& file : {longWav, put("long44.wav", wavBytes(2, 44100, 16, sinePcm(2, 44100, 16, 44100 * seconds, 440)))}) {
        set.library.clear();
        DecodedSound d = decodeSound(file, ImportRoom::of(set), obs, TooLong::KeepWhatFits);
        ASSERT_FALSE(d.result.message) << d.result.message->text();
        const ImportResult r = addDecodedSound(std::move(d), set, obs);
        ASSERT_TRUE(r.added);
        const int32_t n = set.library[0].sound.SampleCount;
        EXPECT_GE(set.freeBytes(), 0);
        // Not one more block of eight samples would have fitted.
        EXPECT_LT(set.freeBytes(), 9 + int32_t(file.size()));
        EXPECT_GT(double(n) / 18000.0, 100.0);
        if (file == longWav)
            for (int32_t i : {0, 1, 29999, 30000, n - 1})
                EXPECT_EQ(set.library[0].sound.Samples[size_t(i)], int16_t(i % 30000)) << i;
    }

    // Without any room, there is nothing to keep: the refusal stands.
    fillLeaving("full", 0);
    DecodedSound none = decodeSound(longWav, ImportRoom::of(set), obs, TooLong::KeepWhatFits);
    ASSERT_TRUE(none.result.message);
    EXPECT_EQ(none.result.message->resourceId, 65219);
}
