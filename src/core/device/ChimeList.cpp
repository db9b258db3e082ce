#include "device/ChimeList.h"

#include "device/HidLayer.h"
#include "device/UsbFlash.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace zelmar {

namespace {

namespace fs = std::filesystem;

std::string firstLine(const fs::path& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

struct Present {
    std::vector<UsbBusEntry> busses;
    std::vector<ChimeEntry> entries;
    std::vector<const UsbDevice*> usbDevices;   // of each entry listed by the USB bus
    std::vector<HidDeviceInfo> hidDevices;      // of each entry listed by the HID bus
};

// The chimes both buses list, and those only the kernel knows of, without opening any.
Present presentChimes(UsbBus& usb, HidBus& hid)
{
    Present found;
    std::vector<ChimeEntry>& out = found.entries;
    usb.init();
    usb.findBusses();
    usb.findDevices();
    found.busses = usb.busses();
    const std::vector<UsbBusEntry>& busses = found.busses;
    for (const UsbBusEntry& bus : busses) {
        for (const UsbDevice& dev : bus.devices) {
            if (dev.idVendor != kUsbVendorId || dev.idProduct != kUsbProductId)
                continue;
            ChimeEntry e;
            e.kind = ChimeEntry::Usb;
            e.path = bus.dirname + "/" + dev.filename;
            e.permitted = usb.permitted(bus, dev);
            out.push_back(std::move(e));
            found.usbDevices.push_back(&dev);
        }
    }
    for (const HidDeviceInfo& d : hid.enumerate()) {
        if (d.vendorId != kHidVendorId || d.productId != kHidProductId)
            continue;
        ChimeEntry e;
        e.kind = ChimeEntry::Hid;
        e.path = d.path;
        e.manufacturer = d.manufacturer;
        e.product = d.product;
        e.permitted = hid.permitted(d);
        out.push_back(std::move(e));
        found.hidDevices.push_back(d);
    }
    // A device node the user may not read keeps the chime off the bus's list altogether; the
    // kernel's own list still has it.
    const std::string root = usb.sysfsRoot();
    if (root.empty())
        return found;
    auto listed = [&](const std::string& path) {
        return std::any_of(out.begin(), out.end(), [&](const ChimeEntry& e) { return e.path == path; });
    };
    for (const SysfsChime& s : chimesInSysfs(root)) {
        if (s.kind == ChimeEntry::Usb ? listed(s.path)
                                      : std::any_of(s.hidraw.begin(), s.hidraw.end(),
                                                    [&](const std::string& h) { return listed("/dev/" + h); }))
            continue;
        ChimeEntry e;
        e.kind = s.kind;
        e.fromSysfs = true;
        e.path = s.kind == ChimeEntry::Hid && !s.hidraw.empty() ? "/dev/" + s.hidraw.front() : s.path;
        const std::string node = s.kind == ChimeEntry::Hid && !s.hidraw.empty() ? e.path : "/dev/bus/usb/" + s.path;
        e.permitted = ::access(node.c_str(), R_OK | W_OK) == 0;
        e.opened = false;
        out.push_back(std::move(e));
    }
    return found;
}

} // namespace

std::vector<SysfsChime> chimesInSysfs(const std::string& root)
{
    std::vector<SysfsChime> out;
    std::error_code ec;
    std::vector<fs::path> entries;
    for (const fs::directory_entry& d : fs::directory_iterator(root, ec))
        entries.push_back(d.path());
    std::sort(entries.begin(), entries.end());
    for (const fs::path& dev : entries) {
        if (firstLine(dev / "idVendor") != "16c0")
            continue;
        const std::string product = firstLine(dev / "idProduct");
        if (product != "0852" && product != "0854")
            continue;
        SysfsChime s;
        s.kind = product == "0852" ? ChimeEntry::Usb : ChimeEntry::Hid;
        char path[32];
        std::snprintf(path, sizeof path, "%03d/%03d", std::atoi(firstLine(dev / "busnum").c_str()),
                      std::atoi(firstLine(dev / "devnum").c_str()));
        s.path = path;
        // interface / hid device / "hidraw" / hidrawN; links (driver, subsystem) are not followed.
        for (auto it = fs::recursive_directory_iterator(dev, ec); !ec && it != fs::recursive_directory_iterator();
             it.increment(ec)) {
            if (it.depth() > 3) {
                it.disable_recursion_pending();
                continue;
            }
            if (it->path().parent_path().filename() == "hidraw" && it->path().filename().string().rfind("hidraw", 0) == 0)
                s.hidraw.push_back(it->path().filename().string());
        }
        out.push_back(std::move(s));
    }
    return out;
}

std::vector<ChimeEntry> listChimes(UsbBus& usb, HidBus& hid)
{
    Present found = presentChimes(usb, hid);
    TUsbFlash probe(usb);
    size_t nextUsb = 0, nextHid = 0;
    for (ChimeEntry& e : found.entries) {
        if (e.fromSysfs)
            continue;
        const bool isUsb = e.kind == ChimeEntry::Usb;
        const UsbDevice* dev = isUsb ? found.usbDevices[nextUsb++] : nullptr;
        const HidDeviceInfo* info = isUsb ? nullptr : &found.hidDevices[nextHid++];
        if (!e.permitted)
            continue;
        if (info) {
            e.opened = hid.open(*info) != nullptr;
            continue;
        }
        UsbHandle h = usb.open(*dev);
        e.opened = h != nullptr;
        if (h) {
            const int m = probe.GetStringAscii(h, dev->iManufacturer, 1033, e.manufacturer);
            const int p = probe.GetStringAscii(h, dev->iProduct, 1033, e.product);
            e.opened = m >= 0 && p >= 0;
            usb.close(h);
        }
        e.isChime = e.opened && e.manufacturer == kUsbManufacturer && e.product == kUsbProduct;
    }
    return found.entries;
}

bool chimeAccessDenied(UsbBus& usb, HidBus& hid)
{
    const Present found = presentChimes(usb, hid);
    return std::any_of(found.entries.begin(), found.entries.end(), [](const ChimeEntry& e) { return !e.permitted; });
}

} // namespace zelmar
