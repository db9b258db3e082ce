#include "device/ChimeList.h"

#include "device/HidLayer.h"
#include "device/UsbFlash.h"

namespace zelmar {

std::vector<ChimeEntry> listChimes(UsbBus& usb, HidBus& hid)
{
    std::vector<ChimeEntry> out;
    TUsbFlash probe(usb);
    usb.init();
    usb.findBusses();
    usb.findDevices();
    for (const UsbBusEntry& bus : usb.busses()) {
        for (const UsbDevice& dev : bus.devices) {
            if (dev.idVendor != kUsbVendorId || dev.idProduct != kUsbProductId)
                continue;
            ChimeEntry e;
            e.kind = ChimeEntry::Usb;
            e.path = bus.dirname + "/" + dev.filename;
            e.permitted = usb.permitted(bus, dev);
            if (e.permitted) {
                UsbHandle h = usb.open(dev);
                e.opened = h != nullptr;
                if (h) {
                    const int m = probe.GetStringAscii(h, dev.iManufacturer, 1033, e.manufacturer);
                    const int p = probe.GetStringAscii(h, dev.iProduct, 1033, e.product);
                    e.opened = m >= 0 && p >= 0;
                    usb.close(h);
                }
                e.isChime = e.opened && e.manufacturer == kUsbManufacturer && e.product == kUsbProduct;
            }
            out.push_back(std::move(e));
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
        if (e.permitted)
            e.opened = hid.open(d) != nullptr;
        out.push_back(std::move(e));
    }
    return out;
}

} // namespace zelmar
