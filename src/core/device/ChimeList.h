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
};

std::vector<ChimeEntry> listChimes(UsbBus& usb, HidBus& hid);

} // namespace zelmar
