#include "device/VirtualChime.h"

#include "device/HidLayer.h"
#include "device/UsbFlash.h"
#include "model/Errors.h"
#include "model/FileIO.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace zelmar {

namespace {

constexpr int64_t kUsbMemory = int64_t(kUsbPageCount) * kUsbPageSize;
constexpr int64_t kHidMemory = int64_t(kHidPageCount) * kHidPageSize;
constexpr uint8_t kStatusReady = 0xAC;   // ready bit and the 16-Mbit density code
constexpr uint8_t kStatusBusy = 0x2C;

// Reports the HID chime answers with: a challenge that must be echoed twice to erase, the note that
// the erase has finished (echoed once to start writing), and the note that reading begins.
void fillReport(uint8_t* data, const char* text)
{
    std::memset(data, 0, kHidPageSize);
    std::memcpy(data, text, std::strlen(text));
}
constexpr char kChallenge[] = "ZELMAR ERASE?";
constexpr char kErased[] = "ZELMAR ERASED";
constexpr char kReading[] = "ZELMAR READ";

bool reportIs(const uint8_t* data, const char* text)
{
    uint8_t want[kHidPageSize];
    fillReport(want, text);
    return std::memcmp(data, want, kHidPageSize) == 0;
}

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
                 {"never-ready", VirtualFault::NeverReady}, {"short-request", VirtualFault::ShortRequest}};
    for (const auto& k : kinds)
        if (name == k.name) {
            f.kind = k.kind;
            f.value = k.kind == VirtualFault::NeverReady && value.empty() ? 1 : parseNumber(name, value);
            return f;
        }
    throw std::invalid_argument("ZELMAR_VIRTUAL_FAULT: unknown fault \"" + name
                                + "\" (fail-request, unplug-at-page, corrupt-offset, latency-us, never-ready, "
                                  "short-request)");
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
    UsbHandle open(const UsbDevice& d) override { return d.ref == &c_ ? c_.usbOpen() : nullptr; }
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
    std::unique_ptr<HidConnection> open(const HidDeviceInfo& d) override
    {
        if (c_.unplugged() || d.path != "virtual:" + c_.file())
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
    : file_(std::move(file)), kind_(kind), fault_(fault)
{
    load();
    if (!std::filesystem::exists(file_)) {
        dirty_ = true;
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
    return kind_ == ChimeKind::Usb ? kUsbPageSize : kHidPageSize;
}

void VirtualChime::load()
{
    const size_t size = size_t(kind_ == ChimeKind::Usb ? kUsbMemory : kHidMemory);
    std::error_code ec;
    if (!std::filesystem::exists(file_, ec)) {
        mem_.assign(size, 0xFF);
        return;
    }
    std::vector<uint8_t> data = readWholeFile(file_);
    // The memory is linear in both kinds, so a file of either kind serves the other; anything else
    // is not ours, and must not be overwritten.
    if (data.size() != size_t(kUsbMemory) && data.size() != size_t(kHidMemory))
        throw FileError(file_, file_ + " is not a virtual chime's memory (" + std::to_string(data.size())
                                   + " bytes, expected " + std::to_string(size) + ")");
    data.resize(size, 0xFF);
    mem_ = std::move(data);
    dirty_ = false;
}

bool VirtualChime::flush()
{
    if (!dirty_ || !persist)
        return true;
    try {
        writeFileAtomically(file_, mem_.data(), mem_.size());
        dirty_ = false;
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
    advanceProgram();
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

uint8_t VirtualChime::readByte(int64_t offset) const
{
    const uint8_t b = mem_[size_t(offset)];
    return fault_.kind == VirtualFault::CorruptOffset && fault_.value == offset ? uint8_t(~b) : b;
}

// A program that arrives while another runs waits for it; each takes timing.programTicks requests.
void VirtualChime::advanceProgram()
{
    while (!programs_.empty() && requests_ >= programDoneAt_) {
        const PendingProgram& p = programs_.front();
        std::copy(p.data.begin(), p.data.end(), mem_.begin() + int64_t(p.page) * kUsbPageSize);
        dirty_ = true;
        programs_.pop_front();
        if (!programs_.empty())
            programDoneAt_ += timing.programTicks;
    }
}

bool VirtualChime::memoryBusy() const
{
    return !programs_.empty() || fault_.kind == VirtualFault::NeverReady;
}

// ---- USB ---------------------------------------------------------------------------------------

// The file is what the chime holds between sessions: another process may have written it since,
// and what could not be written into it is lost.
void VirtualChime::sessionOpened()
{
    if (sessions_++ == 0) {
        unsaved_.clear();
        if (persist && !dirty_ && programs_.empty())
            load();
    }
}

void VirtualChime::sessionClosed()
{
    if (sessions_ > 0 && --sessions_ == 0 && !flush()) {
        unsaved_ = flushError.empty() ? "cannot write " + file_ : flushError;
        dirty_ = false;
    }
}

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
    cmd_ = Cmd::None;
    return new UsbSession{this};
}

void VirtualChime::usbClose(UsbSession* s)
{
    if (!s)
        return;
    delete s;
    if (sessions_ == 1) {
        // Pages still being programmed are in the chip already; they reach the file too.
        programDoneAt_ = requests_;
        while (!programs_.empty()) {
            advanceProgram();
            programDoneAt_ = requests_;
        }
    }
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
    auto answer = [&](int n) { return std::max(0, n - shortBy); };

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
    const bool in = requestType == 0xC0;
    if (!in && requestType != 0x40)
        return kUsbErrPipe;

    switch (request) {
    case kReqBegin: {
        if (!in || size < 1)
            return kUsbErrPipe;
        // Selecting the memory again abandons whatever command was open.
        const uint8_t opcode = uint8_t(value & 0xFF);
        const int a1 = (value >> 8) & 0xFF, a2 = index & 0xFF, a3 = (index >> 8) & 0xFF;
        const int page = ((a1 & 0x3F) << 6) | (a2 >> 2);
        const int byte = ((a2 & 3) << 8) | a3;
        cmd_ = Cmd::None;
        switch (opcode) {
        case kOpWriteBuffer1:
        case kOpWriteBuffer2:
            cmd_ = Cmd::BufferWrite;
            cmdBuffer_ = opcode == kOpWriteBuffer1 ? 0 : 1;
            bufferPos_ = byte % kUsbPageSize;
            break;
        case kOpProgramBuffer1:
        case kOpProgramBuffer2:
            if (!touch(page))
                return kUsbErrNoDevice;
            cmd_ = Cmd::Program;
            cmdBuffer_ = opcode == kOpProgramBuffer1 ? 0 : 1;
            cmdPage_ = page;
            break;
        case kOpContinuousRead:
            // The memory ignores a read while it programs; the data stages then have nothing to send.
            cmd_ = memoryBusy() ? Cmd::Refused : Cmd::Read;
            readAddr_ = int64_t(page) * kUsbPageSize + byte % kUsbPageSize;
            break;
        default:
            cmd_ = Cmd::Refused;
        }
        bytes[0] = 0;
        return answer(1);
    }
    case kReqWrite: {
        if (in || cmd_ != Cmd::BufferWrite || value != size)
            return kUsbErrPipe;
        for (int i = 0; i < size; ++i) {
            buffers_[cmdBuffer_][bufferPos_] = bytes[i];
            bufferPos_ = (bufferPos_ + 1) % kUsbPageSize;
        }
        return answer(size);
    }
    case kReqRead: {
        if (!in || cmd_ != Cmd::Read || value != size)
            return kUsbErrPipe;
        for (int i = 0; i < size; ++i) {
            if (readAddr_ % kUsbPageSize == 0 && !touch(int(readAddr_ / kUsbPageSize)))
                return kUsbErrNoDevice;
            bytes[i] = readByte(readAddr_);
            readAddr_ = (readAddr_ + 1) % kUsbMemory;
        }
        return answer(size);
    }
    case kReqEnd: {
        if (!in || size < 1)
            return kUsbErrPipe;
        if (cmd_ == Cmd::Program) {
            if (programs_.empty())
                programDoneAt_ = requests_ + timing.programTicks;
            programs_.push_back({cmdPage_, std::vector<uint8_t>(buffers_[cmdBuffer_], buffers_[cmdBuffer_] + kUsbPageSize)});
        }
        cmd_ = Cmd::None;
        bytes[0] = 0;
        return answer(1);
    }
    case kReqStatus:
        if (!in || size < 1)
            return kUsbErrPipe;
        bytes[0] = memoryBusy() ? kStatusBusy : kStatusReady;
        return answer(1);
    default:
        return kUsbErrPipe;
    }
}

// ---- HID ---------------------------------------------------------------------------------------

void VirtualChime::hidOpen()
{
    try {
        sessionOpened();
    } catch (const std::exception&) {
        unplugged_ = true;
    }
    // Each claim starts the chime's protocol afresh, so that a transfer cut off before does not
    // leave it expecting pages.
    hidState_ = HidState::Idle;
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
    uint8_t* data = report + 1;
    switch (hidState_) {
    case HidState::Idle:
    case HidState::EraseArmed:
        hidState_ = HidState::Idle;
        fillReport(data, kChallenge);
        break;
    case HidState::Erasing:
        if (fault_.kind != VirtualFault::NeverReady && requests_ >= eraseDoneAt_) {
            std::fill(mem_.begin(), mem_.end(), 0xFF);
            dirty_ = true;
            hidState_ = HidState::Erased;
            fillReport(data, kErased);
        } else {
            std::memset(data, 0, kHidPageSize);
        }
        break;
    case HidState::Erased:
        fillReport(data, kErased);
        break;
    case HidState::Writing:
    case HidState::ReadArmed:
        hidState_ = HidState::Reading;
        hidPage_ = 0;
        fillReport(data, kReading);
        break;
    case HidState::Reading:
        if (!touch(hidPage_))
            return false;
        for (int i = 0; i < kHidPageSize; ++i)
            data[i] = readByte(int64_t(hidPage_) * kHidPageSize + i);
        if (++hidPage_ == kHidPageCount)
            hidState_ = HidState::Idle;
        break;
    }
    return shortBy == 0;
}

bool VirtualChime::hidSet(const uint8_t* report, size_t length)
{
    int shortBy = 0;
    if (length != kReportLength || report[0] != 0 || !beginRequest(shortBy))
        return false;
    const uint8_t* data = report + 1;
    if (hidState_ == HidState::Writing) {
        if (hidPage_ >= kHidPageCount || !touch(hidPage_))
            return false;
        std::copy_n(data, kHidPageSize, mem_.begin() + int64_t(hidPage_) * kHidPageSize);
        dirty_ = true;
        ++hidPage_;
        return shortBy == 0;
    }
    if (std::all_of(data, data + kHidPageSize, [](uint8_t b) { return b == 0; })) {
        hidState_ = HidState::ReadArmed;
    } else if (reportIs(data, kChallenge)) {
        if (hidState_ == HidState::EraseArmed) {
            hidState_ = HidState::Erasing;
            eraseDoneAt_ = requests_ + timing.eraseTicks;
        } else {
            hidState_ = HidState::EraseArmed;
        }
    } else if (reportIs(data, kErased) && hidState_ == HidState::Erased) {
        hidState_ = HidState::Writing;
        hidPage_ = 0;
    } else {
        hidState_ = HidState::Idle;
    }
    return shortBy == 0;
}

} // namespace zelmar
