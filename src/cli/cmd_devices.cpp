// zelmarctl devices: the chimes plugged in, and what keeps the user from those that will not open.
#include "DeviceCli.h"

#include "device/ChimeList.h"

#include <cstdio>

namespace zelmarctl {

namespace {

int runDevices(const Context& ctx)
{
    auto link = openChime(ctx);
    std::vector<zelmar::ChimeEntry> found = zelmar::listChimes(link->usb(), link->hid());
    int usable = 0;
    bool denied = false;
    for (zelmar::ChimeEntry& e : found) {
        const char* kind = e.kind == zelmar::ChimeEntry::Usb ? "usb" : "hid";
        if (zelmar::VirtualChime* v = link->virtualChime())
            e.path = "virtual:" + v->file();
        if (!e.permitted) {
            denied = true;
            note(std::string(kind) + " " + e.path + ": a chime that you may not open (permission denied); " + accessFix());
            continue;
        }
        if (!e.opened) {
            note(std::string(kind) + " " + e.path + ": a chime that does not open or answer");
            continue;
        }
        std::printf("%s %s \"%s\" \"%s\"%s\n", kind, e.path.c_str(), e.manufacturer.c_str(), e.product.c_str(),
                    e.isChime ? "" : " (other strings: not used as a chime)");
        if (e.isChime)
            ++usable;
    }
    if (usable == 0)
        throw Failure(kDevice, denied ? "no chime that can be used" : "no chime found");
    return kOk;
}

} // namespace

Run defineDevices(CLI::App&)
{
    return runDevices;
}

} // namespace zelmarctl
