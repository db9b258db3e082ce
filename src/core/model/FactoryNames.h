#pragma once
// The three factory sets: their files, which sounds make each signal, and the names their signals
// and sounds take in a language. The set files ship with neutral names; the first run gives them
// the names of the user's language (see app/FactorySets), which its translation file holds.
#include "i18n/IniFile.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelmar {

constexpr int kFactorySetCount = 3;

// "Premium.zmr", "Classic.zmr", "Music.zmr" for set 1, 2, 3; empty outside.
std::string_view factorySetFileName(int set);

// Signals and sounds of a set (0 outside 1..3): 50/25/25 signals, 64/30/33 sounds.
int factorySignalCount(int set);
int factorySoundCount(int set);

// The signal (1-based) that sound `index` of set `set` belongs to; 0 outside the set.
int factorySignalOfSound(int index, int set);

// The names of the factory sets in one language: the section [FactorySets] of its translation
// file, one key per signal named by the set's file and the signal's number ("Premium.1='kogut'").
class FactoryNames {
public:
    // The names `keys` give (raw values, as a translation file holds them); nothing when they name
    // no signal of any set. Keys that name nothing of the sets are passed over.
    static std::optional<FactoryNames> of(const std::vector<i18n::TbsINIFile::Key>& keys);
    static std::optional<FactoryNames> of(const i18n::TbsINIFile& file);

    // Name of signal `index` (1-based) of set `set`; empty for a set or an index the names leave out.
    std::string signalName(int index, int set) const;
    // Name of library sound `index` (1-based): the name of the signal it belongs to, with " a",
    // " b", ... where a signal is made of several sounds. Empty outside the set.
    std::string soundName(int index, int set) const;

private:
    std::array<std::vector<std::string>, kFactorySetCount> signals_;
};

} // namespace zelmar
