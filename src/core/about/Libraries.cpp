#include "about/Libraries.h"

#include <hidapi/hidapi.h>
#include <mad.h>
#include <sndfile.h>
#include <soxr.h>

namespace zelmar {

namespace {

// "libsndfile-1.2.0" and "libsoxr-0.1.3" give their number after the last '-'.
std::string afterLastDash(const char* text)
{
    const std::string s = text ? text : "";
    const size_t dash = s.rfind('-');
    return dash == std::string::npos ? s : s.substr(dash + 1);
}

// libmad says "MPEG Audio Decoder 0.15.1 (beta)".
std::string afterPrefix(const char* text, const std::string& prefix)
{
    const std::string s = text ? text : "";
    return s.rfind(prefix, 0) == 0 ? s.substr(prefix.size()) : s;
}

} // namespace

std::vector<LibraryNote> coreLibraries()
{
    return {
        {"libsndfile", afterLastDash(sf_version_string()), "LGPL-2.1-or-later"},
        {"libmad", afterPrefix(mad_version, "MPEG Audio Decoder "), "GPL-2.0-or-later"},
        {"libsoxr", afterLastDash(soxr_version()), "LGPL-2.1-or-later"},
        // The 0.1 interface has no call that tells its version; the one built against is kept.
        {"libusb-0.1", ZELMAR_LIBUSB_VERSION, "LGPL-2.1-or-later"},
        {"hidapi", hid_version_str(), "GPL-3.0-only OR BSD-3-Clause OR HIDAPI"},
    };
}

} // namespace zelmar
