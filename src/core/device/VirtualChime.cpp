#include "device/VirtualChime.h"

#include "device/HidLayer.h"
#include "device/UsbFlash.h"
#include "model/Errors.h"
#include "model/FileIO.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace zelmar {

namespace {

constexpr int64_t kUsbMemory = int64_t(kUsbPageCount) * kUsbPageSize;
constexpr int64_t kHidMemory = int64_t(kHidPageCount) * kHidPageSize;

int64_t parseNumber(const std::string& name, const std::string& v)
{
    size_t used = 0;
    long long n = 0;
    try {
        n = std::stoll(v, &used, 0);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != v.size() || n < 0)
        throw std::invalid_argument("ZELMAR_VIRTUAL_FAULT: " + name + " needs a number, not \"" + v + "\"");
    return n;
}

std::vector<uint8_t> utf16Descriptor(const std::string& text)
{
    std::vector<uint8_t> d{uint8_t(2 + 2 * text.size()), 3};
    for (char c : text) {
        d.push_back(uint8_t(c));
        d.push_back(0);
    }
    return d;
}

} // namespace

VirtualFault parseVirtualFault(const std::string& text)
{
    VirtualFault f;
    if (text.empty())
        return f;
    const size_t eq = text.find('=');
    const std::string name = text.substr(0, eq);
    const std::string value = eq == std::string::npos ? std::string() : text.substr(eq + 1);
    static const struct {
        const char* name;
        VirtualFault::Kind kind;
    } kinds[] = {{"fail-request", VirtualFault::FailRequest}, {"unplug-at-page", VirtualFault::UnplugAtPage},
                 {"corrupt-offset", VirtualFault::CorruptOffset}, {"latency-us", VirtualFault::LatencyUs},
                 {"never-ready", VirtualFault::NeverReady}, {"short-request", VirtualFault::ShortRequest},
                 {"no-permission", VirtualFault::NoPermission}};
    for (const auto& k : kinds)
        if (name == k.name) {
            f.kind = k.kind;
            const bool flag = k.kind == VirtualFault::NeverReady || k.kind == VirtualFault::NoPermission;
            f.value = flag && value.empty() ? 1 : parseNumber(name, value);
            return f;
        }
    throw std::invalid_argument("ZELMAR_VIRTUAL_FAULT: unknown fault \"" + name
                                + "\" (fail-request, unplug-at-page, corrupt-offset, latency-us, never-ready, "
                                  "short-request, no-permission)");
}

// ---- buses -------------------------------------------------------------------------------------

struct VirtualChime::UsbSession {
    VirtualChime* chime;
};

namespace {

class VirtualUsbBus : public UsbBus {
public:
    explicit VirtualUsbBus(VirtualChime& c) : c_(c) {}
    void init() override {}
    int findBusses() override { return 1; }
    int findDevices() override { return c_.unplugged() ? 0 : 1; }
    std::vector<UsbBusEntry> busses() override
    {
        UsbBusEntry bus;
        bus.dirname = "001";
        if (!c_.unplugged()) {
            UsbDevice d;
            d.idVendor = kUsbVendorId;
            d.idProduct = kUsbProductId;
            d.iManufacturer = 1;
            d.iProduct = 2;
            d.filename = "001";
            d.ref = &c_;
            bus.devices.push_back(d);
        }
        return {bus};
    }
    bool permitted(const UsbBusEntry&, const UsbDevice&) override { return !c_.accessDenied(); }
    UsbHandle open(const UsbDevice& d) override { return d.ref == &c_ && !c_.accessDenied() ? c_.usbOpen() : nullptr; }
    int close(UsbHandle h) override
    {
        c_.usbClose(static_cast<VirtualChime::UsbSession*>(h));
        return 0;
    }
    int controlMsg(UsbHandle h, int requestType, int request, int value, int index, uint8_t* bytes, int size,
                   int) override
    {
        return c_.usbControl(static_cast<VirtualChime::UsbSession*>(h), requestType, request, value, index,
                             bytes, size);
    }
    std::string unsavedReason() override { return c_.unsavedReason(); }

private:
    VirtualChime& c_;
};

class VirtualHidConnection : public HidConnection {
public:
    explicit VirtualHidConnection(VirtualChime& c) : c_(c) { c_.hidOpen(); }
    ~VirtualHidConnection() override { c_.hidClose(); }
    bool getFeature(uint8_t* report, size_t length) override { return c_.hidGet(report, length); }
    bool setFeature(const uint8_t* report, size_t length) override { return c_.hidSet(report, length); }

private:
    VirtualChime& c_;
};

class VirtualHidBus : public HidBus {
public:
    explicit VirtualHidBus(VirtualChime& c) : c_(c) {}
    std::vector<HidDeviceInfo> enumerate() override
    {
        if (c_.unplugged())
            return {};
        return {HidDeviceInfo{kHidVendorId, kHidProductId, "virtual:" + c_.file(), "VORANEX", "ZELMAR 2.2 USB"}};
    }
    bool permitted(const HidDeviceInfo&) override { return !c_.accessDenied(); }
    std::unique_ptr<HidConnection> open(const HidDeviceInfo& d) override
    {
        if (c_.unplugged() || c_.accessDenied() || d.path != "virtual:" + c_.file())
            return nullptr;
        return std::make_unique<VirtualHidConnection>(c_);
    }
    std::string unsavedReason() override { return c_.unsavedReason(); }

private:
    VirtualChime& c_;
};

} // namespace

// ---- the chime ---------------------------------------------------------------------------------

VirtualChime::VirtualChime(std::string file, ChimeKind kind, VirtualFault fault)
    : model_(kind), timing(model_.timing), file_(std::move(file)), kind_(kind), fault_(fault)
{
    model_.neverReady = fault_.kind == VirtualFault::NeverReady;
    model_.touch = [this](int page) { return touch(page); };
    if (fault_.kind == VirtualFault::CorruptOffset)
        model_.readFilter = [this](int64_t offset, uint8_t b) { return fault_.value == offset ? uint8_t(~b) : b; };
    load();
    if (!std::filesystem::exists(file_)) {
        model_.dirty = true;
        if (!flush())
            throw FileError(file_, flushError);
    }
    if (kind_ == ChimeKind::Usb)
        usbBus_ = std::make_unique<VirtualUsbBus>(*this);
    else
        hidBus_ = std::make_unique<VirtualHidBus>(*this);
}

VirtualChime::~VirtualChime()
{
    flush();
}

UsbBus& VirtualChime::usbBus()
{
    return usbBus_ ? *usbBus_ : emptyUsbBus();
}

HidBus& VirtualChime::hidBus()
{
    return hidBus_ ? *hidBus_ : emptyHidBus();
}

int VirtualChime::pageSize() const
{
    return model_.pageSize();
}

void VirtualChime::load()
{
    const size_t size = size_t(kind_ == ChimeKind::Usb ? kUsbMemory : kHidMemory);
    std::error_code ec;
    if (!std::filesystem::exists(file_, ec)) {
        model_.memory().assign(size, 0xFF);
        return;
    }
    std::vector<uint8_t> data = readWholeFile(file_, uint64_t(std::max(kUsbMemory, kHidMemory)));
    // The memory is linear in both kinds, so a file of either kind serves the other; anything else
    // is not ours, and must not be overwritten.
    if (data.size() != size_t(kUsbMemory) && data.size() != size_t(kHidMemory))
        throw FileError(file_, file_ + " is not a virtual chime's memory (" + std::to_string(data.size())
                                   + " bytes, expected " + std::to_string(size) + ")");
    data.resize(size, 0xFF);
    model_.memory() = std::move(data);
    model_.dirty = false;
}

bool VirtualChime::flush()
{
    if (!model_.dirty || !persist)
        return true;
    try {
        writeFileAtomically(file_, model_.memory().data(), model_.memory().size());
        model_.dirty = false;
        flushError.clear();
        return true;
    } catch (const std::exception& e) {
        flushError = e.what();
        return false;
    }
}

bool VirtualChime::beginRequest(int& shortBy)
{
    ++requests_;
    shortBy = 0;
    if (onRequest)
        onRequest(requests_);
    if (fault_.kind == VirtualFault::LatencyUs && fault_.value > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(fault_.value));
    model_.tick();
    if (unplugged_)
        return false;
    if (fault_.kind == VirtualFault::FailRequest && fault_.value == requests_)
        return false;
    if (fault_.kind == VirtualFault::ShortRequest && fault_.value == requests_)
        shortBy = 1;
    return true;
}

bool VirtualChime::touch(int page)
{
    if (fault_.kind == VirtualFault::UnplugAtPage && fault_.value == page && !touchedUnplugPage_) {
        touchedUnplugPage_ = true;
        unplugged_ = true;
        return false;
    }
    return true;
}

// The file is what the chime holds between sessions: another process may have written it since,
// and what could not be written into it is lost.
void VirtualChime::sessionOpened()
{
    if (sessions_++ == 0) {
        unsaved_.clear();
        if (persist && !model_.dirty && !model_.programming())
            load();
    }
}

void VirtualChime::sessionClosed()
{
    if (sessions_ > 0 && --sessions_ == 0 && !flush()) {
        unsaved_ = flushError.empty() ? "cannot write " + file_ : flushError;
        model_.dirty = false;
    }
}

// ---- USB ---------------------------------------------------------------------------------------

VirtualChime::UsbSession* VirtualChime::usbOpen()
{
    if (unplugged_)
        return nullptr;
    try {
        sessionOpened();
    } catch (const std::exception&) {
        --sessions_;
        return nullptr;
    }
    return new UsbSession{this};
}

void VirtualChime::usbClose(UsbSession* s)
{
    if (!s)
        return;
    delete s;
    if (sessions_ == 1)
        model_.finishPrograms();
    sessionClosed();
}

int VirtualChime::usbControl(UsbSession* s, int requestType, int request, int value, int index, uint8_t* bytes,
                             int size)
{
    if (!s || s->chime != this || size < 0)
        return kUsbErrNoDevice;
    int shortBy = 0;
    if (!beginRequest(shortBy))
        return unplugged_ ? kUsbErrNoDevice : kUsbErrTimeout;
    auto answer = [&](int n) { return n < 0 ? n : std::max(0, n - shortBy); };

    if (requestType == 0x80 && request == 6) {
        std::vector<uint8_t> d;
        if ((value >> 8) != 3)
            return kUsbErrPipe;
        switch (value & 0xFF) {
        case 0: d = {4, 3, 0x09, 0x04}; break;
        case 1: d = utf16Descriptor(kUsbManufacturer); break;
        case 2: d = utf16Descriptor(kUsbProduct); break;
        default: return kUsbErrPipe;
        }
        const int n = std::min<int>(size, int(d.size()));
        std::copy_n(d.begin(), n, bytes);
        return answer(n);
    }
    return answer(model_.usbVendorRequest(requestType, request, value, index, bytes, size));
}

// ---- HID ---------------------------------------------------------------------------------------

void VirtualChime::hidOpen()
{
    // Opening the device sends it nothing: the chime's protocol state stays as the last transfer
    // left it.
    try {
        sessionOpened();
    } catch (const std::exception&) {
        unplugged_ = true;
    }
}

void VirtualChime::hidClose()
{
    sessionClosed();
}

bool VirtualChime::hidGet(uint8_t* report, size_t length)
{
    int shortBy = 0;
    if (length != kReportLength || report[0] != 0 || !beginRequest(shortBy))
        return false;
    return model_.hidGet(report + 1) && shortBy == 0;
}

bool VirtualChime::hidSet(const uint8_t* report, size_t length)
{
    int shortBy = 0;
    if (length != kReportLength || report[0] != 0 || !beginRequest(shortBy))
        return false;
    return model_.hidSet(report + 1) && shortBy == 0;
}

} // namespace zelmar
