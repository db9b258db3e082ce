#pragma once
// The factory sets ship read-only beside the program with neutral names. Each user gets a copy in a
// folder of their own, named in their language and made read-only, so that opening one always
// leads to "save as".
#include "model/SignalSet.h"

#include <filesystem>
#include <string>
#include <vector>

namespace zelmar {

// Gives the signals and sounds of factory set `set` their names in `language`. A signal or sound
// beyond the tables gets the empty name.
void nameFactorySet(SignalSet& s, int set, int language);

// Identifies the shipped sets as they are now (name, size and modification time of each, or its
// absence): it changes whenever one of them is replaced, added or removed.
std::string factoryStamp(const std::filesystem::path& shippedDir);

// The stamp a complete write left in a user's factory folder; empty when there is none.
std::string recordedFactoryStamp(const std::filesystem::path& folder);
// Throws FileError when it cannot be written.
void recordFactoryStamp(const std::filesystem::path& folder, const std::string& stamp);

struct FactoryWriteResult {
    std::vector<std::string> unreadable;   // shipped files missing or damaged: nothing written for them
    std::vector<std::string> unsaved;      // copies that could not be written
    int written = 0;
};

// For each set in turn: reads the shipped file, names it in `language`, writes it into `folder`
// (which must exist) under the same file name and leaves the copy with mode 0444. A copy from an
// earlier run is replaced; no other file in the folder is touched. One failure does not stop the
// others.
FactoryWriteResult writeFactorySets(const std::filesystem::path& shippedDir, const std::filesystem::path& folder,
                                    int language);

} // namespace zelmar
