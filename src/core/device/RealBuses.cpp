// The hardware behind UsbBus (libusb-0.1) and HidBus (hidapi, hidraw backend), and the empty buses.
#include "device/HidBus.h"
#include "device/UsbBus.h"

#include <hidapi/hidapi.h>
#include <usb.h>

#include <string>
#include <unistd.h>

namespace zelmar {

namespace {

class LibUsbBus : public UsbBus {
public:
    void init() override { usb_init(); }
    int findBusses() override { return usb_find_busses(); }
    int findDevices() override { return usb_find_devices(); }

    std::vector<UsbBusEntry> busses() override
    {
        std::vector<UsbBusEntry> out;
        for (struct usb_bus* bus = usb_get_busses(); bus; bus = bus->next) {
            UsbBusEntry e;
            e.dirname = bus->dirname;
            for (struct usb_device* dev = bus->devices; dev; dev = dev->next) {
                UsbDevice d;
                d.idVendor = dev->descriptor.idVendor;
                d.idProduct = dev->descriptor.idProduct;
                d.iManufacturer = dev->descriptor.iManufacturer;
                d.iProduct = dev->descriptor.iProduct;
                d.filename = dev->filename;
                d.ref = dev;
                e.devices.push_back(std::move(d));
            }
            out.push_back(std::move(e));
        }
        return out;
    }

    UsbHandle open(const UsbDevice& device) override
    {
        return usb_open(static_cast<struct usb_device*>(const_cast<void*>(device.ref)));
    }

    int close(UsbHandle handle) override { return usb_close(static_cast<usb_dev_handle*>(handle)); }

    int controlMsg(UsbHandle handle, int requestType, int request, int value, int index, uint8_t* bytes,
                   int size, int timeoutMs) override
    {
        return usb_control_msg(static_cast<usb_dev_handle*>(handle), requestType, request, value, index,
                               reinterpret_cast<char*>(bytes), size, timeoutMs);
    }

    bool permitted(const UsbBusEntry& bus, const UsbDevice& device) override
    {
        const std::string node = "/dev/bus/usb/" + bus.dirname + "/" + device.filename;
        return ::access(node.c_str(), R_OK | W_OK) == 0;
    }

    std::string sysfsRoot() override { return "/sys/bus/usb/devices"; }
};

class EmptyUsbBus : public UsbBus {
public:
    void init() override {}
    int findBusses() override { return 0; }
    int findDevices() override { return 0; }
    std::vector<UsbBusEntry> busses() override { return {}; }
    UsbHandle open(const UsbDevice&) override { return nullptr; }
    int close(UsbHandle) override { return 0; }
    int controlMsg(UsbHandle, int, int, int, int, uint8_t*, int, int) override { return kUsbErrNoDevice; }
};

std::string narrow(const wchar_t* w)
{
    std::string s;
    for (; w && *w; ++w)
        s.push_back(*w < 0x80 ? char(*w) : '?');
    return s;
}

class HidApiConnection : public HidConnection {
public:
    explicit HidApiConnection(hid_device* d) : d_(d) {}
    ~HidApiConnection() override { hid_close(d_); }
    // A report exchange counts only when all 513 bytes moved; a short one would leave stale data.
    bool getFeature(uint8_t* report, size_t length) override
    {
        return hid_get_feature_report(d_, report, length) == int(length);
    }
    bool setFeature(const uint8_t* report, size_t length) override
    {
        return hid_send_feature_report(d_, report, length) == int(length);
    }

private:
    hid_device* d_;
};

class HidApiBus : public HidBus {
public:
    HidApiBus() { hid_init(); }
    ~HidApiBus() override { hid_exit(); }

    std::vector<HidDeviceInfo> enumerate() override
    {
        std::vector<HidDeviceInfo> out;
        hid_device_info* list = hid_enumerate(0, 0);
        for (hid_device_info* i = list; i; i = i->next) {
            HidDeviceInfo d;
            d.vendorId = i->vendor_id;
            d.productId = i->product_id;
            d.path = i->path ? i->path : "";
            d.manufacturer = narrow(i->manufacturer_string);
            d.product = narrow(i->product_string);
            out.push_back(std::move(d));
        }
        hid_free_enumeration(list);
        return out;
    }

    std::unique_ptr<HidConnection> open(const HidDeviceInfo& device) override
    {
        hid_device* d = hid_open_path(device.path.c_str());
        if (!d)
            return nullptr;
        return std::make_unique<HidApiConnection>(d);
    }

    bool permitted(const HidDeviceInfo& device) override
    {
        return ::access(device.path.c_str(), R_OK | W_OK) == 0;
    }
};

class EmptyHidBus : public HidBus {
public:
    std::vector<HidDeviceInfo> enumerate() override { return {}; }
    std::unique_ptr<HidConnection> open(const HidDeviceInfo&) override { return nullptr; }
};

} // namespace

UsbBus& libUsbBus()
{
    static LibUsbBus b;
    return b;
}

UsbBus& emptyUsbBus()
{
    static EmptyUsbBus b;
    return b;
}

HidBus& hidApiBus()
{
    static HidApiBus b;
    return b;
}

HidBus& emptyHidBus()
{
    static EmptyHidBus b;
    return b;
}

} // namespace zelmar
