#pragma once
// The HID services the HID chime needs, behind an interface so that the virtual chime and tests can
// stand in for the hardware.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zelmar {

struct HidDeviceInfo {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string path;
    std::string manufacturer;   // UTF-8, may be empty
    std::string product;
};

// An open HID interface. Both calls take the 513-byte report buffer with the report id in byte 0.
class HidConnection {
public:
    virtual ~HidConnection() = default;
    virtual bool getFeature(uint8_t* report, size_t length) = 0;
    virtual bool setFeature(const uint8_t* report, size_t length) = 0;
};

class HidBus {
public:
    virtual ~HidBus() = default;
    // The HID interfaces present now, in the platform's order.
    virtual std::vector<HidDeviceInfo> enumerate() = 0;
    // Null when the device cannot be opened (gone, or no permission).
    virtual std::unique_ptr<HidConnection> open(const HidDeviceInfo& device) = 0;
    virtual bool permitted(const HidDeviceInfo&) { return true; }
    // Why the device did not keep what the last closed connection wrote into it; empty when it did.
    virtual std::string unsavedReason() { return {}; }
};

// The real bus, on hidapi's hidraw backend.
HidBus& hidApiBus();

// A bus with no devices.
HidBus& emptyHidBus();

} // namespace zelmar
