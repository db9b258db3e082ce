#pragma once
// What is plugged in: every device with a chime's ids on either bus, with its strings and whether
// the user may open it.
#include "device/HidBus.h"
#include "device/UsbBus.h"

#include <string>
#include <vector>

namespace zelmar {

struct ChimeEntry {
    enum Kind { Usb, Hid } kind = Usb;
    std::string path;           // "001/005", or the hidraw node
    std::string manufacturer;
    std::string product;
    bool permitted = true;      // false: no access rights to the device node
    bool opened = true;         // false: permitted, but it would not open or answer
    bool isChime = true;        // USB: the strings are the chime's own
    bool fromSysfs = false;     // the kernel has it, but the bus did not list it
};

// Every chime present, the USB ones opened to read their strings.
std::vector<ChimeEntry> listChimes(UsbBus& usb, HidBus& hid);

// Whether a chime is plugged in that this user may not open. Opens nothing.
bool chimeAccessDenied(UsbBus& usb, HidBus& hid);

// A USB device with one of the chimes' ids, as the kernel lists it under `root`.
struct SysfsChime {
    ChimeEntry::Kind kind = ChimeEntry::Usb;
    std::string path;                  // "001/005": bus and device number
    std::vector<std::string> hidraw;   // the hidraw nodes the kernel made for it ("hidraw0")
};
std::vector<SysfsChime> chimesInSysfs(const std::string& root);

} // namespace zelmar
