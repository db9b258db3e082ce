#pragma once
// The factory sets ship read-only beside the program with neutral names. Each user gets a copy in a
// folder of their own, named in their language and made read-only, so that opening one always
// leads to "save as". The user's own files in that folder are never replaced by a copy.
#include "model/FactoryNames.h"
#include "model/SignalSet.h"

#include <filesystem>
#include <string>
#include <vector>

namespace zelmar {

// Gives the signals and sounds of factory set `set` the names `names` give them. A signal or sound
// they leave out gets the empty name.
void nameFactorySet(SignalSet& s, int set, const FactoryNames& names);

// Identifies the shipped sets as they are now (name, size and modification time of each, or its
// absence): it changes whenever one of them is replaced, added or removed.
std::string factoryStamp(const std::filesystem::path& shippedDir);

// The stamp the last complete write left in a user's factory folder; empty when there is none.
std::string recordedFactoryStamp(const std::filesystem::path& folder);

struct FactoryWriteResult {
    std::vector<std::string> unreadable;   // shipped files missing or damaged: nothing written for them
    std::vector<std::string> unsaved;      // copies that could not be written
    std::vector<std::string> crowded;      // sets whose name and every free variant of it are taken
    int written = 0;
};

// For each set in turn: reads the shipped file, gives it `names` and writes it into `folder`
// (which must exist) as a file nobody may write (mode 0444), under the same file name. A file that
// stands there already is replaced only when it still holds exactly what an earlier write put there
// (the folder keeps a record of that, with the stamp of the shipped sets); a file of the user's, a
// copy the user changed or a link stays as it is, and the copy goes beside it as "Premium (2).zmr"
// (or the next free number). One failure does not stop the others. The record is kept even when
// some copies fail, so that the next run knows them.
FactoryWriteResult writeFactorySets(const std::filesystem::path& shippedDir, const std::filesystem::path& folder,
                                    const FactoryNames& names);

} // namespace zelmar
