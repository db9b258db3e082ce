#include "model/FactoryNames.h"

#include <array>
#include <span>

namespace zelmar {

namespace {

// Signal names, one array per set and language: German first, then Polish, then English.

constexpr std::array<const char*, 50> kPremiumGerman = {
    "Hahn", "Esel", "großer Hund", "kleiner Hund", "Pferd", "Kuh", "Keiler", "Vogel 1", "Vogel 2",
    "Katze", "Schaf", "Ziege", "Krähe", "Elefant", "2-Klang-Gong 1", "2-Klang-Gong 2", "1-Klang-Gong",
    "Kirchenglocke", "Schulglocke", "Telefon", "Sirene 1", "Sirene 2", "Sirene 3", "Schiffssirene",
    "Fabriksirene", "Harfe", "kleine Trommel", "große Trommel", "Trompete", "elektronische Musik", "Rock",
    "Jazz", "Beethoven", "Mozart", "Bach", "Kuckucksuhr", "Klopfen", "knarrende Tür", "Glasbruch",
    "Maschinengewehr", "Pfiff", "Fahrradhupe", "Hupe", "Zug", "Presslufthammer", "Tiefschlaf",
    "verrücktes Lachen", "Aufschrei eines Mannes", "Aufschrei einer Frau", "Jodeln",
};

constexpr std::array<const char*, 25> kClassicGerman = {
    "2-Klang-Gong", "3-Klang-Gong", "Schulglocke", "Telefon", "Kirchenglocke", "große Trommel",
    "kleine Trommel", "Harfe", "Trompete",
    "Bach: Toccata d-Moll", "Beethoven: Für Elise", "Beethoven: 5. Sinfonie", "Beethoven: Ode an die Freude",
    "Brahms: Wiegenlied", "Grieg: In der Halle des Bergkönigs", "Grieg: Morgenstimmung",
    "Mozart: Eine kleine Nachtmusik", "Mozart: Rondo alla turca", "Mozart: Sinfonie Nr. 40", "Offenbach: Cancan",
    "Pachelbel: Kanon in D", "Rossini: Wilhelm Tell", "Strauß: An der schönen blauen Donau",
    "Vivaldi: Der Frühling", "Wagner: Treulich geführt",
};

constexpr std::array<const char*, 25> kMusicGerman = {
    "2-Klang-Gong", "3-Klang-Gong", "Schulglocke", "Harfe", "kleine Trommel", "Trompete", "klassische Gitarre",
    "Dance-Musik 1", "Dance-Musik 2", "elektronische Musik 1", "elektronische Musik 2", "Techno", "Reggae 1",
    "Reggae 2", "Karibik-Rhythmen 1", "Karibik-Rhythmen 2", "Jazz 1", "Jazz 2", "Country", "Blues", "Folk-Rock",
    "Rock 1", "Rock 2", "Punk", "Heavy Metal",
};

constexpr std::array<const char*, 50> kPremiumPolish = {
    "kogut", "osioł", "duży pies", "mały pies", "koń", "krowa", "dzik", "ptaszek 1", "ptaszek 2", "kot", "owca",
    "koza", "wrona", "słoń", "gong 2-tonowy 1", "gong 2-tonowy 2", "gong 1-tonowy", "dzwon kościelny",
    "dzwonek szkolny", "telefon", "syrena 1", "syrena 2", "syrena 3", "syrena okrętowa", "gwizd fabryczny",
    "harfa", "werbel", "bęben", "trąbka", "muzyka elektroniczna", "rock", "jazz", "Beethoven", "Mozart", "Bach",
    "zegar z kukułką", "pukanie", "skrzypiące drzwi", "tłuczenie szkła", "karabin maszynowy", "gwizdek kibica",
    "trąbka rowerowa", "klakson", "pociąg", "młot pneumatyczny", "głęboki sen", "szalony śmiech",
    "krzyk mężczyzny", "krzyk kobiety", "jodłowanie",
};

constexpr std::array<const char*, 25> kClassicPolish = {
    "gong 2-tonowy", "gong 3-tonowy", "dzwonek szkolny", "telefon", "dzwon kościelny", "bęben", "werbel",
    "harfa", "trąbka",
    "Bach: Toccata d-moll", "Beethoven: Dla Elizy", "Beethoven: V Symfonia", "Beethoven: Oda do radości",
    "Brahms: Kołysanka", "Grieg: W grocie Króla Gór", "Grieg: Poranek", "Mozart: Eine kleine Nachtmusik",
    "Mozart: Marsz turecki", "Mozart: Symfonia nr 40", "Offenbach: Kankan", "Pachelbel: Kanon D-dur",
    "Rossini: Wilhelm Tell", "Strauss: Nad pięknym modrym Dunajem", "Vivaldi: Wiosna", "Wagner: Marsz weselny",
};

constexpr std::array<const char*, 25> kMusicPolish = {
    "gong 2-tonowy", "gong 3-tonowy", "dzwonek szkolny", "harfa", "werbel", "trąbka", "gitara klasyczna",
    "muzyka dance 1", "muzyka dance 2", "muzyka elektroniczna 1", "muzyka elektroniczna 2", "techno",
    "reggae 1", "reggae 2", "karaibskie rytmy 1", "karaibskie rytmy 2", "jazz 1", "jazz 2", "country",
    "blues", "folk rock", "rock 1", "rock 2", "punk", "heavy metal",
};

constexpr std::array<const char*, 50> kPremiumEnglish = {
    "rooster", "donkey", "big dog", "small dog", "horse", "cow", "wild boar", "bird 1", "bird 2", "cat",
    "sheep", "goat", "crow", "elephant", "two-tone gong 1", "two-tone gong 2", "one-tone gong", "church bell",
    "school bell", "telephone", "siren 1", "siren 2", "siren 3", "ship's horn", "factory whistle", "harp",
    "snare drum", "bass drum", "trumpet", "electronic music", "rock", "jazz", "Beethoven", "Mozart", "Bach",
    "cuckoo clock", "knocking", "creaking door", "breaking glass", "machine gun", "sports fan's whistle",
    "bicycle horn", "car horn", "train", "jackhammer", "deep sleep", "crazy laughter", "man's scream",
    "woman's scream", "yodeling",
};

constexpr std::array<const char*, 25> kClassicEnglish = {
    "two-tone gong", "three-tone gong", "school bell", "telephone", "church bell", "bass drum", "snare drum",
    "harp", "trumpet",
    "Bach: Toccata in D minor", "Beethoven: Für Elise", "Beethoven: Symphony No. 5", "Beethoven: Ode to Joy",
    "Brahms: Lullaby", "Grieg: In the Hall of the Mountain King", "Grieg: Morning Mood",
    "Mozart: Eine kleine Nachtmusik", "Mozart: Turkish March", "Mozart: Symphony No. 40", "Offenbach: Can-can",
    "Pachelbel: Canon in D", "Rossini: William Tell Overture", "Strauss: The Blue Danube", "Vivaldi: Spring",
    "Wagner: Bridal Chorus",
};

constexpr std::array<const char*, 25> kMusicEnglish = {
    "two-tone gong", "three-tone gong", "school bell", "harp", "snare drum", "trumpet", "classical guitar",
    "dance music 1", "dance music 2", "electronic music 1", "electronic music 2", "techno", "reggae 1",
    "reggae 2", "Caribbean rhythms 1", "Caribbean rhythms 2", "jazz 1", "jazz 2", "country", "blues",
    "folk rock", "rock 1", "rock 2", "punk", "heavy metal",
};

// How many library sounds each signal is made of, in library order. The sound tables follow from
// these and the signal names.
constexpr std::array<int, 50> kPremiumSoundsPerSignal = {
    1, 1, 2, 2, 1, 1, 3, 1, 1, 1, 1, 1, 1, 1,   // animals: big and small dog barks, three boar grunts
    2, 2, 1, 2, 1, 1, 1, 1, 1, 1, 1,            // gongs (one sound per tone), two church bells
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1,               // instruments, styles, classical excerpts
    2, 1, 1, 1, 1, 1, 1, 1, 2, 1, 2, 2, 1, 1,   // cuckoo and clock, train whistle and wheels, snore in and out
    4,                                          // yodel phrases
};
constexpr std::array<int, 25> kClassicSoundsPerSignal = {
    2, 3, 1, 1, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
};
constexpr std::array<int, 25> kMusicSoundsPerSignal = {
    2, 3, 1, 1, 1, 1, 1,                        // gongs and instruments
    2, 1, 2, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1,   // a groove and its ending where a style has two sounds
    2, 1, 1, 2,
};

struct SetTables {
    std::span<const char* const> german, polish, english;
    std::span<const int> soundsPerSignal;
};

const SetTables* tablesOf(int set)
{
    static const std::array<SetTables, 3> tables = {{
        {kPremiumGerman, kPremiumPolish, kPremiumEnglish, kPremiumSoundsPerSignal},
        {kClassicGerman, kClassicPolish, kClassicEnglish, kClassicSoundsPerSignal},
        {kMusicGerman, kMusicPolish, kMusicEnglish, kMusicSoundsPerSignal},
    }};
    return set >= 1 && set <= 3 ? &tables[size_t(set - 1)] : nullptr;
}

std::span<const char* const> namesOf(const SetTables& t, int language)
{
    switch (language) {
    case kFactoryGerman: return t.german;
    case kFactoryPolish: return t.polish;
    case kFactoryEnglish: return t.english;
    default: return {};
    }
}

// The signal of sound `index` and the sound's place among that signal's sounds (0-based).
struct SoundPlace {
    int signal = 0;
    int part = 0;
    int parts = 0;
};

SoundPlace placeOfSound(int index, const SetTables& t)
{
    int first = 1;
    for (size_t s = 0; s < t.soundsPerSignal.size(); ++s) {
        const int n = t.soundsPerSignal[s];
        if (index >= first && index < first + n)
            return {int(s) + 1, index - first, n};
        first += n;
    }
    return {};
}

} // namespace

std::string_view factorySetFileName(int set)
{
    switch (set) {
    case 1: return "Premium.zmr";
    case 2: return "Classic.zmr";
    case 3: return "Music.zmr";
    default: return {};
    }
}

int factorySignalCount(int set)
{
    const SetTables* t = tablesOf(set);
    return t ? int(t->polish.size()) : 0;
}

int factorySoundCount(int set)
{
    const SetTables* t = tablesOf(set);
    if (!t)
        return 0;
    int n = 0;
    for (int k : t->soundsPerSignal)
        n += k;
    return n;
}

std::string factorySignalName(int index, int set, int language)
{
    const SetTables* t = tablesOf(set);
    if (!t)
        return {};
    const auto names = namesOf(*t, language);
    if (index < 1 || index > int(names.size()))
        return {};
    return names[size_t(index - 1)];
}

int factorySignalOfSound(int index, int set)
{
    const SetTables* t = tablesOf(set);
    return t ? placeOfSound(index, *t).signal : 0;
}

std::string factorySoundName(int index, int set, int language)
{
    const SetTables* t = tablesOf(set);
    if (!t)
        return {};
    const SoundPlace place = placeOfSound(index, *t);
    std::string name = factorySignalName(place.signal, set, language);
    if (!name.empty() && place.parts > 1) {
        name += ' ';
        name += char('a' + place.part);
    }
    return name;
}

std::optional<FactoryFolder> factoryFolderFor(std::string_view interfaceLanguage)
{
    if (interfaceLanguage == "Polish")
        return FactoryFolder{"Zestawy", kFactoryPolish};
    if (interfaceLanguage == "German")
        return FactoryFolder{"Signalsets", kFactoryGerman};
    if (interfaceLanguage == "English")
        return FactoryFolder{"Signal sets", kFactoryEnglish};
    return std::nullopt;
}

} // namespace zelmar
