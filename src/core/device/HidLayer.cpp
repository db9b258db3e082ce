#include "device/HidLayer.h"

#include <algorithm>

namespace zelmar {

void HidLayer::Refresh()
{
    std::vector<HidDeviceInfo> present = bus_.enumerate();
    for (auto& d : devices_) {
        const bool still = std::any_of(present.begin(), present.end(),
                                       [&](const HidDeviceInfo& p) { return p.path == d->info.path; });
        if (!still) {
            d->unplugged = true;
            d->connection.reset();
        }
    }
    std::erase_if(devices_, [](const auto& d) { return d->unplugged && !d->claimed; });
    for (const HidDeviceInfo& p : present) {
        const bool known = std::any_of(devices_.begin(), devices_.end(),
                                       [&](const auto& d) { return !d->unplugged && d->info.path == p.path; });
        if (!known) {
            auto d = std::make_unique<HidDevice>();
            d->info = p;
            devices_.push_back(std::move(d));
        }
    }
}

HidDevice* HidLayer::ClaimDevice(int vendorId, int productId)
{
    Refresh();
    for (auto it = devices_.begin(); it != devices_.end();) {
        HidDevice& d = **it;
        if (d.claimed || d.unplugged || d.info.vendorId != vendorId || d.info.productId != productId) {
            ++it;
            continue;
        }
        // A device that cannot be opened (no access rights) is left out, so that the search goes on
        // to the next one; opening a hidraw node sends nothing to the device.
        if (!ensureOpen(d)) {
            it = devices_.erase(it);
            continue;
        }
        d.claimed = true;
        return &d;
    }
    return nullptr;
}

void HidLayer::ReleaseDevice(HidDevice*& device)
{
    if (!device)
        return;
    HidDevice* d = device;
    device = nullptr;
    d->connection.reset();
    d->claimed = false;
    if (d->unplugged)
        std::erase_if(devices_, [&](const auto& p) { return p.get() == d; });
}

bool HidLayer::ensureOpen(HidDevice& device)
{
    if (device.unplugged)
        return false;
    if (!device.connection)
        device.connection = bus_.open(device.info);
    return device.connection != nullptr;
}

bool HidLayer::GetFeatureReport(HidDevice& device, uint8_t* report, size_t length)
{
    return ensureOpen(device) && device.connection->getFeature(report, length);
}

bool HidLayer::SetFeatureReport(HidDevice& device, const uint8_t* report, size_t length)
{
    return ensureOpen(device) && device.connection->setFeature(report, length);
}

bool hidChimePresent(HidBus& bus)
{
    HidLayer layer(bus);
    HidDevice* d = layer.ClaimDevice(kHidVendorId, kHidProductId);
    const bool found = d != nullptr;
    layer.ReleaseDevice(d);
    return found;
}

} // namespace zelmar
