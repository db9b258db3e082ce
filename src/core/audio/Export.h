#pragma once
// The WAV export: every library sound as "<name>.wav" (stored samples, no gain) in one folder.
#include "model/SignalSet.h"

#include <string>
#include <vector>

namespace zelmar {

// "ZELMAR-WAV" in the user's home directory.
std::string defaultExportDirectory();

// The file name a sound is exported under: its name without double quotes, with path separators
// and NUL replaced by '_', shortened (at a character boundary) so that the name with ".wav" fits
// one directory entry. Always a single name inside the folder.
std::string exportFileName(const std::string& soundName);

// Writes every sound of the library into `directory` (the default folder when empty), making the
// folder when it does not exist. Existing files of the same names are replaced, each atomically.
// Stops at the first file that cannot be written (FileError). Returns the paths written, in
// library order; nothing is made for an empty library.
std::vector<std::string> exportWavFiles(const SignalSet& set, const std::string& directory = {});

} // namespace zelmar
