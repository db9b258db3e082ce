#pragma once
// Every sound the factory sets use, by key: how it is made, what it is, and under which licence
// and whose copyright it comes.
#include "Dsp.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace factory {

struct Made {
    Buffer raw;
    std::string how;       // what the sound is and how it was made
    std::string licence;   // with the copyright holders its source names
};

std::map<std::string, std::function<Made()>> recipes();

// The Debian packages the sounds are taken or rendered from, and the installed version of each
// ("not installed" when missing).
struct InputPackage {
    std::string name;
    std::string version;
};
std::vector<InputPackage> inputPackages();

} // namespace factory
