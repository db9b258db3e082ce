#pragma once
// Every sound the factory sets use, by key: how it is made, what it is, and under which licence
// and whose copyright it comes.
#include "Dsp.h"
#include "Outside.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace factory {

struct Made {
    Buffer raw;
    std::string how;       // what the sound is and how it was made
    std::string licence;   // with the copyright holders its source names
    Written notes;          // music: where its written notes begin and end
    bool excerpt = false;   // a piece's excerpt, which must end where a phrase of it ends
};

std::map<std::string, std::function<Made()>> recipes();

// When the recordings were last changed for the sets: the date their notices carry (GPL-3.0, 5a).
inline constexpr const char* kRecordingsModifiedOn = "2026-12-07";

// The Debian packages the sounds are taken or rendered from, and the installed version of each
// ("not installed" when missing).
struct InputPackage {
    std::string name;
    std::string version;
};
std::vector<InputPackage> inputPackages();

} // namespace factory
