#pragma once
// The libusb-0.1 calls that the USB chime needs, behind an interface so that the virtual chime
// and tests can stand in for the hardware.
#include <cstdint>
#include <string>
#include <vector>

namespace zelmar {

// One entry of a bus's device list, with the descriptor fields the search looks at.
struct UsbDevice {
    uint16_t idVendor = 0;
    uint16_t idProduct = 0;
    uint8_t iManufacturer = 0;
    uint8_t iProduct = 0;
    std::string filename;   // the device's name within its bus ("005")
    const void* ref = nullptr;   // the bus implementation's own handle on the device
};

struct UsbBusEntry {
    std::string dirname;    // "001"
    std::vector<UsbDevice> devices;
};

// An open device; null means none.
using UsbHandle = void*;

// libusb-0.1 error results as usb_control_msg returns them.
constexpr int kUsbErrTimeout = -110;
constexpr int kUsbErrPipe = -32;      // stall
constexpr int kUsbErrNoDevice = -19;

class UsbBus {
public:
    virtual ~UsbBus() = default;
    virtual void init() = 0;
    virtual int findBusses() = 0;
    virtual int findDevices() = 0;
    // The bus list as the last findBusses/findDevices left it, in list order.
    virtual std::vector<UsbBusEntry> busses() = 0;
    virtual UsbHandle open(const UsbDevice& device) = 0;
    virtual int close(UsbHandle handle) = 0;
    // usb_control_msg: the byte count moved, or a negative error.
    virtual int controlMsg(UsbHandle handle, int requestType, int request, int value, int index,
                           uint8_t* bytes, int size, int timeoutMs) = 0;
    // Whether the user may open the device at all (a permission check, not an open).
    virtual bool permitted(const UsbBusEntry&, const UsbDevice&) { return true; }
    // Why the device did not keep what the last closed session wrote into it; empty when it did.
    virtual std::string unsavedReason() { return {}; }
    // Where the kernel lists its USB devices (/sys/bus/usb/devices), to find chimes that this bus
    // cannot list for lack of access; empty for a bus without a kernel behind it.
    virtual std::string sysfsRoot() { return {}; }
};

// The real bus, on libusb-0.1.
UsbBus& libUsbBus();

// A bus with no devices, for when the chime in use is of the other kind.
UsbBus& emptyUsbBus();

} // namespace zelmar
