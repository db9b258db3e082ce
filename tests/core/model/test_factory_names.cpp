#include "model/FactoryNames.h"
#include "i18n/Text.h"

#include <gtest/gtest.h>

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

const int kLanguages[] = {kFactoryEnglish, kFactoryGerman, kFactoryPolish};

} // namespace

TEST(FactoryNames, DocumentedSignalRowsThroughTheLookup)
{
    for (const Row& r : kDocumentedRows) {
        EXPECT_EQ(factorySignalName(r.index, r.set, kFactoryPolish), r.polish) << r.set << "," << r.index;
        EXPECT_EQ(factorySignalName(r.index, r.set, kFactoryGerman), r.german) << r.set << "," << r.index;
    }
    // The classical titles name their composer; set 2's also the work.
    EXPECT_EQ(factorySignalName(33, 1, kFactoryPolish), "Beethoven");
    EXPECT_EQ(factorySignalName(11, 2, kFactoryGerman), "Beethoven: Für Elise");
    EXPECT_EQ(factorySignalName(11, 2, kFactoryPolish), "Beethoven: Dla Elizy");
}

TEST(FactoryNames, TableSizesAndEmptyOutside)
{
    const int signals[] = {50, 25, 25};
    const int sounds[] = {64, 30, 33};
    for (int set = 1; set <= 3; ++set) {
        EXPECT_EQ(factorySignalCount(set), signals[set - 1]);
        EXPECT_EQ(factorySoundCount(set), sounds[set - 1]);
        for (int language : kLanguages) {
            for (int i = 1; i <= signals[set - 1]; ++i)
                EXPECT_FALSE(factorySignalName(i, set, language).empty()) << set << "," << i << "," << language;
            for (int i = 1; i <= sounds[set - 1]; ++i)
                EXPECT_FALSE(factorySoundName(i, set, language).empty()) << set << "," << i << "," << language;
            EXPECT_EQ(factorySignalName(0, set, language), "");
            EXPECT_EQ(factorySignalName(signals[set - 1] + 1, set, language), "");
            EXPECT_EQ(factorySoundName(0, set, language), "");
            EXPECT_EQ(factorySoundName(sounds[set - 1] + 1, set, language), "");
            EXPECT_EQ(factorySoundName(-1, set, language), "");
        }
        for (int language : {0, 4, -3})
            EXPECT_EQ(factorySignalName(1, set, language), "") << language;
        EXPECT_EQ(factorySoundName(1, set, 0), "");
    }
    for (int set : {0, 4, -1}) {
        EXPECT_EQ(factorySignalName(1, set, kFactoryPolish), "");
        EXPECT_EQ(factorySoundName(1, set, kFactoryPolish), "");
        EXPECT_EQ(factorySignalCount(set), 0);
        EXPECT_EQ(factorySetFileName(set), "");
    }
}

TEST(FactoryNames, SoundNamesFollowTheirSignals)
{
    EXPECT_EQ(factorySoundName(1, 1, kFactoryPolish), "kogut");
    EXPECT_EQ(factorySoundName(3, 1, kFactoryPolish), "duży pies a");
    EXPECT_EQ(factorySoundName(4, 1, kFactoryPolish), "duży pies b");
    EXPECT_EQ(factorySoundName(9, 1, kFactoryPolish), "dzik a");
    EXPECT_EQ(factorySoundName(11, 1, kFactoryPolish), "dzik c");
    EXPECT_EQ(factorySoundName(61, 1, kFactoryPolish), "jodłowanie a");
    EXPECT_EQ(factorySoundName(64, 1, kFactoryPolish), "jodłowanie d");
    EXPECT_EQ(factorySoundName(64, 1, kFactoryGerman), "Jodeln d");
    EXPECT_EQ(factorySoundName(5, 2, kFactoryGerman), "3-Klang-Gong c");
    EXPECT_EQ(factorySoundName(33, 3, kFactoryEnglish), "heavy metal b");

    for (int set = 1; set <= 3; ++set) {
        // Every signal owns at least one sound, in signal order, and every name is unique.
        int previous = 0;
        for (int language : kLanguages) {
            std::set<std::string> seen;
            for (int i = 1; i <= factorySoundCount(set); ++i) {
                EXPECT_TRUE(seen.insert(factorySoundName(i, set, language)).second) << set << "," << i;
                // Names fit the one-byte length of files and the chime's code page.
                EXPECT_EQ(fromCp1250(toCp1250(factorySoundName(i, set, language))), factorySoundName(i, set, language));
            }
            std::set<std::string> signalNames;
            for (int i = 1; i <= factorySignalCount(set); ++i)
                EXPECT_TRUE(signalNames.insert(factorySignalName(i, set, language)).second) << set << "," << i;
        }
        for (int i = 1; i <= factorySoundCount(set); ++i) {
            const int signal = factorySignalOfSound(i, set);
            EXPECT_TRUE(signal == previous || signal == previous + 1) << set << "," << i;
            previous = signal;
        }
        EXPECT_EQ(previous, factorySignalCount(set));
    }
}

TEST(FactoryNames, FoldersOfTheInterfaceLanguages)
{
    using Expect = std::tuple<const char*, const char*, int>;
    for (auto [language, folder, code] : {Expect{"Polish", "Zestawy", kFactoryPolish},
                                          Expect{"German", "Signalsets", kFactoryGerman},
                                          Expect{"English", "Signal sets", kFactoryEnglish}}) {
        const auto f = factoryFolderFor(language);
        ASSERT_TRUE(f) << language;
        EXPECT_EQ(f->subdirectory, folder);
        EXPECT_EQ(f->language, code);
    }
    // Compared exactly, letter case included.
    for (const char* other : {"French", "polish", "GERMAN", "", "Polish "})
        EXPECT_FALSE(factoryFolderFor(other)) << other;
}

TEST(TypedNames, ControlCharactersAreFoundAnywhereButPrintableTextPasses)
{
    EXPECT_FALSE(hasControlCharacter("Dzwonek ąę – “x”"));
    EXPECT_TRUE(hasControlCharacter("a\nb"));
    EXPECT_TRUE(hasControlCharacter("\tx"));
    EXPECT_TRUE(hasControlCharacter("x\x7f"));
    EXPECT_TRUE(hasControlCharacter("x\xc2\x85")); // U+0085, next line
}
