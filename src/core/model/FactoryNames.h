#pragma once
// The names of the three factory sets' signals and sounds in the user's language. The set files
// ship with neutral names; the first run gives them these (see app/FactorySets).
#include <optional>
#include <string>
#include <string_view>

namespace zelmar {

// Language codes of the name tables. English is our own addition.
enum FactoryLanguage : int {
    kFactoryEnglish = 1,
    kFactoryGerman = 2,
    kFactoryPolish = 3,
};

constexpr int kFactorySetCount = 3;

// "Premium.zmr", "Classic.zmr", "Music.zmr" for set 1, 2, 3; empty outside.
std::string_view factorySetFileName(int set);

// Rows of the tables of a set (0 outside 1..3): 50/25/25 signals, 64/30/33 sounds.
int factorySignalCount(int set);
int factorySoundCount(int set);

// Name of signal `index` (1-based) of set `set` in `language`; empty for an unknown language or
// set, or an index outside the table.
std::string factorySignalName(int index, int set, int language);

// Name of library sound `index` (1-based): the name of the signal it belongs to, with " a", " b", ...
// where a signal is made of several sounds. Empty outside the table.
std::string factorySoundName(int index, int set, int language);

// The signal (1-based) that sound `index` of set `set` belongs to; 0 outside the table.
int factorySignalOfSound(int index, int set);

// Where the sets of an interface language go and which table names them: "Polish" -> "Zestawy",
// "German" -> "Signalsets", "English" -> "Signal sets" (the name compared exactly). Nothing for
// any other language: no factory sets are written for it.
struct FactoryFolder {
    std::string subdirectory;
    FactoryLanguage language;
};
std::optional<FactoryFolder> factoryFolderFor(std::string_view interfaceLanguage);

} // namespace zelmar
