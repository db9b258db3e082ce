#include "model/FactoryNames.h"
#include "i18n/Literals.h"
#include "i18n/Text.h"
#include "paths/DataPaths.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>
#include <vector>

using namespace zelmar;

namespace {

struct Row {
    int set;
    int index;
    const char* polish;
    const char* german;
};

// The rows without a person's name, as the product's documentation prints them, with two German
// typos mended: the donkey is "Esel" and set 2's church bell "Kirchenglocke".
const std::vector<Row> kDocumentedRows = {
    {1, 1, "kogut", "Hahn"}, {1, 2, "osioł", "Esel"}, {1, 3, "duży pies", "großer Hund"},
    {1, 4, "mały pies", "kleiner Hund"}, {1, 5, "koń", "Pferd"}, {1, 6, "krowa", "Kuh"},
    {1, 7, "dzik", "Keiler"}, {1, 8, "ptaszek 1", "Vogel 1"}, {1, 9, "ptaszek 2", "Vogel 2"},
    {1, 10, "kot", "Katze"}, {1, 11, "owca", "Schaf"}, {1, 12, "koza", "Ziege"}, {1, 13, "wrona", "Krähe"},
    {1, 14, "słoń", "Elefant"}, {1, 15, "gong 2-tonowy 1", "2-Klang-Gong 1"},
    {1, 16, "gong 2-tonowy 2", "2-Klang-Gong 2"}, {1, 17, "gong 1-tonowy", "1-Klang-Gong"},
    {1, 18, "dzwon kościelny", "Kirchenglocke"}, {1, 19, "dzwonek szkolny", "Schulglocke"},
    {1, 20, "telefon", "Telefon"}, {1, 21, "syrena 1", "Sirene 1"}, {1, 22, "syrena 2", "Sirene 2"},
    {1, 23, "syrena 3", "Sirene 3"}, {1, 24, "syrena okrętowa", "Schiffssirene"},
    {1, 25, "gwizd fabryczny", "Fabriksirene"}, {1, 26, "harfa", "Harfe"}, {1, 27, "werbel", "kleine Trommel"},
    {1, 28, "bęben", "große Trommel"}, {1, 29, "trąbka", "Trompete"},
    {1, 30, "muzyka elektroniczna", "elektronische Musik"}, {1, 31, "rock", "Rock"}, {1, 32, "jazz", "Jazz"},
    {1, 36, "zegar z kukułką", "Kuckucksuhr"}, {1, 37, "pukanie", "Klopfen"},
    {1, 38, "skrzypiące drzwi", "knarrende Tür"}, {1, 39, "tłuczenie szkła", "Glasbruch"},
    {1, 40, "karabin maszynowy", "Maschinengewehr"}, {1, 41, "gwizdek kibica", "Pfiff"},
    {1, 42, "trąbka rowerowa", "Fahrradhupe"}, {1, 43, "klakson", "Hupe"}, {1, 44, "pociąg", "Zug"},
    {1, 45, "młot pneumatyczny", "Presslufthammer"}, {1, 46, "głęboki sen", "Tiefschlaf"},
    {1, 47, "szalony śmiech", "verrücktes Lachen"}, {1, 48, "krzyk mężczyzny", "Aufschrei eines Mannes"},
    {1, 49, "krzyk kobiety", "Aufschrei einer Frau"}, {1, 50, "jodłowanie", "Jodeln"},
    {2, 1, "gong 2-tonowy", "2-Klang-Gong"}, {2, 2, "gong 3-tonowy", "3-Klang-Gong"},
    {2, 3, "dzwonek szkolny", "Schulglocke"}, {2, 4, "telefon", "Telefon"},
    {2, 5, "dzwon kościelny", "Kirchenglocke"}, {2, 6, "bęben", "große Trommel"},
    {2, 7, "werbel", "kleine Trommel"}, {2, 8, "harfa", "Harfe"}, {2, 9, "trąbka", "Trompete"},
    {3, 1, "gong 2-tonowy", "2-Klang-Gong"}, {3, 2, "gong 3-tonowy", "3-Klang-Gong"},
    {3, 3, "dzwonek szkolny", "Schulglocke"}, {3, 4, "harfa", "Harfe"}, {3, 5, "werbel", "kleine Trommel"},
    {3, 6, "trąbka", "Trompete"}, {3, 7, "gitara klasyczna", "klassische Gitarre"},
    {3, 8, "muzyka dance 1", "Dance-Musik 1"}, {3, 9, "muzyka dance 2", "Dance-Musik 2"},
    {3, 10, "muzyka elektroniczna 1", "elektronische Musik 1"},
    {3, 11, "muzyka elektroniczna 2", "elektronische Musik 2"}, {3, 12, "techno", "Techno"},
    {3, 13, "reggae 1", "Reggae 1"}, {3, 14, "reggae 2", "Reggae 2"},
    {3, 15, "karaibskie rytmy 1", "Karibik-Rhythmen 1"}, {3, 16, "karaibskie rytmy 2", "Karibik-Rhythmen 2"},
    {3, 17, "jazz 1", "Jazz 1"}, {3, 18, "jazz 2", "Jazz 2"}, {3, 19, "country", "Country"},
    {3, 20, "blues", "Blues"}, {3, 21, "folk rock", "Folk-Rock"}, {3, 22, "rock 1", "Rock 1"},
    {3, 23, "rock 2", "Rock 2"}, {3, 24, "punk", "Punk"}, {3, 25, "heavy metal", "Heavy Metal"},
};

// The names of a shipped translation.
const FactoryNames& shipped(const std::string& language)
{
    static std::map<std::string, FactoryNames> loaded;
    if (auto it = loaded.find(language); it != loaded.end())
        return it->second;
    const auto data = findDataDirectory();
    const auto file = data ? i18n::TbsINIFile::open(*data / "lang" / (language + ".lng")) : std::nullopt;
    const auto names = file ? FactoryNames::of(*file) : std::nullopt;
    if (!names)
        throw std::runtime_error("no factory names in the shipped " + language + ".lng");
    return loaded.emplace(language, *names).first->second;
}

const char* const kLanguages[] = {"English", "German", "Polish"};

} // namespace

TEST(FactoryNames, DocumentedSignalRowsThroughTheLookup)
{
    for (const Row& r : kDocumentedRows) {
        EXPECT_EQ(shipped("Polish").signalName(r.index, r.set), r.polish) << r.set << "," << r.index;
        EXPECT_EQ(shipped("German").signalName(r.index, r.set), r.german) << r.set << "," << r.index;
    }
    // The classical titles name their composer; set 2's also the work.
    EXPECT_EQ(shipped("Polish").signalName(33, 1), "Beethoven");
    EXPECT_EQ(shipped("German").signalName(11, 2), "Beethoven: Für Elise");
    EXPECT_EQ(shipped("Polish").signalName(11, 2), "Beethoven: Dla Elizy");
}

TEST(FactoryNames, TableSizesAndEmptyOutside)
{
    const int signals[] = {50, 25, 25};
    const int sounds[] = {64, 30, 33};
    for (int set = 1; set <= 3; ++set) {
        EXPECT_EQ(factorySignalCount(set), signals[set - 1]);
        EXPECT_EQ(factorySoundCount(set), sounds[set - 1]);
        for (const char* language : kLanguages) {
            const FactoryNames& names = shipped(language);
            for (int i = 1; i <= signals[set - 1]; ++i)
                EXPECT_FALSE(names.signalName(i, set).empty()) << set << "," << i << "," << language;
            for (int i = 1; i <= sounds[set - 1]; ++i)
                EXPECT_FALSE(names.soundName(i, set).empty()) << set << "," << i << "," << language;
            EXPECT_EQ(names.signalName(0, set), "");
            EXPECT_EQ(names.signalName(signals[set - 1] + 1, set), "");
            EXPECT_EQ(names.soundName(0, set), "");
            EXPECT_EQ(names.soundName(sounds[set - 1] + 1, set), "");
            EXPECT_EQ(names.soundName(-1, set), "");
        }
    }
    for (int set : {0, 4, -1}) {
        EXPECT_EQ(shipped("Polish").signalName(1, set), "");
        EXPECT_EQ(shipped("Polish").soundName(1, set), "");
        EXPECT_EQ(factorySignalCount(set), 0);
        EXPECT_EQ(factorySetFileName(set), "");
    }
}

TEST(FactoryNames, SoundNamesFollowTheirSignals)
{
    const FactoryNames& polish = shipped("Polish");
    EXPECT_EQ(polish.soundName(1, 1), "kogut");
    EXPECT_EQ(polish.soundName(3, 1), "duży pies a");
    EXPECT_EQ(polish.soundName(4, 1), "duży pies b");
    EXPECT_EQ(polish.soundName(9, 1), "dzik a");
    EXPECT_EQ(polish.soundName(11, 1), "dzik c");
    EXPECT_EQ(polish.soundName(61, 1), "jodłowanie a");
    EXPECT_EQ(polish.soundName(64, 1), "jodłowanie d");
    EXPECT_EQ(shipped("German").soundName(64, 1), "Jodeln d");
    EXPECT_EQ(shipped("German").soundName(5, 2), "3-Klang-Gong c");
    EXPECT_EQ(shipped("English").soundName(33, 3), "heavy metal b");

    for (int set = 1; set <= 3; ++set) {
        // Every signal owns at least one sound, in signal order, and every name is unique.
        int previous = 0;
        for (const char* language : kLanguages) {
            const FactoryNames& names = shipped(language);
            std::set<std::string> seen;
            for (int i = 1; i <= factorySoundCount(set); ++i) {
                EXPECT_TRUE(seen.insert(names.soundName(i, set)).second) << set << "," << i;
                // Names fit the one-byte length of files and the chime's code page.
                EXPECT_EQ(fromCp1250(toCp1250(names.soundName(i, set))), names.soundName(i, set));
            }
            std::set<std::string> signalNames;
            for (int i = 1; i <= factorySignalCount(set); ++i)
                EXPECT_TRUE(signalNames.insert(names.signalName(i, set)).second) << set << "," << i;
        }
        for (int i = 1; i <= factorySoundCount(set); ++i) {
            const int signal = factorySignalOfSound(i, set);
            EXPECT_TRUE(signal == previous || signal == previous + 1) << set << "," << i;
            previous = signal;
        }
        EXPECT_EQ(previous, factorySignalCount(set));
    }
}

// The translation files hold the names the program's own tables held before, byte for byte as the
// sets write them: a digest of every signal and sound name of the three sets, in set order, each in
// the code page of the files and ended by a line break. The folder is the files' own too.
TEST(FactoryNames, ShippedTranslationsNameTheSetsAsTheTablesDid)
{
    using Expect = std::tuple<const char*, const char*, uint64_t>;
    for (auto [language, folder, digest] : {Expect{"English", "Signal sets", 0x7cc7a93f8187bc9eULL},
                                            Expect{"German", "Signalsets", 0x617db809d763897aULL},
                                            Expect{"Polish", "Zestawy", 0xd73c9b84db9bec21ULL}}) {
        const FactoryNames& names = shipped(language);
        std::string all;
        for (int set = 1; set <= kFactorySetCount; ++set) {
            for (int i = 1; i <= factorySignalCount(set); ++i)
                all += toCp1250(names.signalName(i, set)) + '\n';
            for (int j = 1; j <= factorySoundCount(set); ++j)
                all += toCp1250(names.soundName(j, set)) + '\n';
        }
        uint64_t h = 0xcbf29ce484222325ULL;
        for (unsigned char c : all)
            h = (h ^ c) * 0x100000001b3ULL;
        EXPECT_EQ(h, digest) << language;
        const auto file = i18n::TbsINIFile::open(*findDataDirectory() / "lang" / (std::string(language) + ".lng"));
        ASSERT_TRUE(file);
        std::string folderKey;
        for (const auto& k : *file->section("ResourceStrings"))
            if (k.name == "65235")
                folderKey = i18n::decodeLiteral(k.value);
        EXPECT_EQ(folderKey, folder);
    }
}

TEST(FactoryNames, KeysNamingNoSignalArePassedOverAndNamesNotGivenAreEmpty)
{
    const auto names = FactoryNames::of(std::vector<i18n::TbsINIFile::Key>{
        {"premium.2", "'osioł'"}, {"Music.25", "'it''s'"}, {"Premium.51", "'x'"}, {"Premium.0", "'x'"},
        {"Opera.1", "'x'"}, {"Classic", "'x'"}, {"Classic.1a", "'x'"}, {"Classic.-1", "'x'"}});
    ASSERT_TRUE(names);
    EXPECT_EQ(names->signalName(2, 1), "osioł");
    EXPECT_EQ(names->soundName(2, 1), "osioł");
    EXPECT_EQ(names->signalName(25, 3), "it's");
    EXPECT_EQ(names->soundName(33, 3), "it's b");
    for (int i = 1; i <= 25; ++i) {
        EXPECT_EQ(names->signalName(i, 2), "") << i;
        EXPECT_EQ(names->signalName(i, 1), i == 2 ? "osioł" : "") << i;
    }
    EXPECT_EQ(names->soundName(3, 1), "");
    EXPECT_FALSE(FactoryNames::of(std::vector<i18n::TbsINIFile::Key>{{"Opera.1", "'x'"}, {"Premium.99", "'x'"}}));
    EXPECT_FALSE(FactoryNames::of(i18n::TbsINIFile::parse("[ResourceStrings]\n65235='Ensembles'\n")));
}

TEST(TypedNames, ControlCharactersAreFoundAnywhereButPrintableTextPasses)
{
    EXPECT_FALSE(hasControlCharacter("Dzwonek ąę – “x”"));
    EXPECT_TRUE(hasControlCharacter("a\nb"));
    EXPECT_TRUE(hasControlCharacter("\tx"));
    EXPECT_TRUE(hasControlCharacter("x\x7f"));
    EXPECT_TRUE(hasControlCharacter("x\xc2\x85")); // U+0085, next line
}
