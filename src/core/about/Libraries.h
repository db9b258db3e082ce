#pragma once
// The libraries the programs are built on, for an About window: the versions in use where a
// library can say so, and the licence each is used under.
#include <string>
#include <vector>

namespace zelmar {

struct LibraryNote {
    std::string name;
    std::string version;   // empty when the library cannot tell
    std::string licence;   // SPDX expression
};

// The libraries of the core (sound files, MPEG audio, rate conversion, USB, HID), in that order.
std::vector<LibraryNote> coreLibraries();

} // namespace zelmar
