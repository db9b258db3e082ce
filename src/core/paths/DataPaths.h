#pragma once
// Where the programs find their shipped data (translations, factory sets). Always relative to the
// running executable, so a build folder, an install under /usr, /opt or ~/.local, or a moved install
// tree all work without a path compiled in.
#include <filesystem>
#include <optional>

namespace zelmar {

// The folder of the running executable (from /proc/self/exe); empty when it cannot be read.
std::filesystem::path executableDirectory();

// The data folder "share/zelmar" that belongs to an executable in `exeDir`: "<prefix>/share/zelmar"
// beside "<prefix>/bin", or "<build>/share/zelmar" for a program in "<build>/src/<name>/".
// Nothing when neither exists. The environment variable ZELMAR_DATA_DIR, when set, wins (tests).
std::optional<std::filesystem::path> findDataDirectory(const std::filesystem::path& exeDir);
inline std::optional<std::filesystem::path> findDataDirectory() { return findDataDirectory(executableDirectory()); }

// The place a user would be told to look for the data, when it is missing.
std::filesystem::path expectedDataDirectory(const std::filesystem::path& exeDir);

// The udev rules an install put beside an executable in `exeDir` ("<prefix>/lib/udev/rules.d/
// 70-zelmar.rules"); nothing for a program that runs from a build folder.
std::optional<std::filesystem::path> installedUdevRules(const std::filesystem::path& exeDir);
// Whether udev reads rules from the folder of `rules` (a package's /usr/lib), or they must be
// copied to /etc/udev/rules.d first (an install under /usr/local, /opt or a home folder).
bool udevReadsRulesAt(const std::filesystem::path& rules);

} // namespace zelmar
