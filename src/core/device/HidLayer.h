#pragma once
// The HID chime's device list: claiming one device for exclusive use and exchanging feature
// reports with it. The list is enumerated afresh at every claim, so a chime plugged in or pulled
// out since the last transfer is seen.
#include "device/HidBus.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace zelmar {

constexpr uint16_t kHidVendorId = 0x16C0;
constexpr uint16_t kHidProductId = 0x0854;
constexpr size_t kReportLength = 513;   // report id 0, then 512 data bytes
constexpr int kHidPageSize = 512;
constexpr int kHidPageCount = 4096;

struct HidDevice {
    HidDeviceInfo info;
    bool claimed = false;
    bool unplugged = false;
    std::unique_ptr<HidConnection> connection;   // opened on first use
};

class HidLayer {
public:
    explicit HidLayer(HidBus& bus) : bus_(bus) {}

    // The first present device with these ids that is not claimed yet and opens, now claimed and
    // open; null if none.
    HidDevice* ClaimDevice(int vendorId, int productId);
    // Closes the device and makes it claimable again; `device` becomes null.
    void ReleaseDevice(HidDevice*& device);
    bool GetFeatureReport(HidDevice& device, uint8_t* report, size_t length);
    bool SetFeatureReport(HidDevice& device, const uint8_t* report, size_t length);

    // Enumerates the bus again: gone devices are marked unplugged (and dropped unless claimed).
    void Refresh();
    const std::vector<std::unique_ptr<HidDevice>>& devices() const { return devices_; }

private:
    bool ensureOpen(HidDevice& device);

    HidBus& bus_;
    std::vector<std::unique_ptr<HidDevice>> devices_;
};

// Whether a HID chime can be claimed and opened at this moment (claimed and released again at once).
bool hidChimePresent(HidBus& bus);

} // namespace zelmar
