#include "device/UsbFlash.h"

#include "device/ChimeSelection.h"

#include <algorithm>
#include <cstring>

namespace zelmar {

namespace {
constexpr int kVendorIn = 0xC0;
constexpr int kVendorOut = 0x40;
constexpr int kTimeoutMs = 5000;
} // namespace

UsbBus& TUsbFlash::bus()
{
    return bus_ ? *bus_ : currentChime().usb();
}

int32_t TUsbFlash::Open()
{
    Close();
    ErrorState = kUsbOk;
    bus().init();
    DeviceHandle = FindDevice();
    if (!DeviceHandle)
        ErrorState = kUsbNoChime;
    return ErrorState;
}

void TUsbFlash::Close()
{
    if (DeviceHandle) {
        bus().close(DeviceHandle);
        DeviceHandle = nullptr;
    }
}

UsbHandle TUsbFlash::FindDevice()
{
    UsbBus& b = bus();
    UsbHandle handle = nullptr;
    b.findBusses();
    b.findDevices();
    for (const UsbBusEntry& entry : b.busses()) {
        for (const UsbDevice& dev : entry.devices) {
            if (dev.idVendor != kUsbVendorId || dev.idProduct != kUsbProductId)
                continue;
            handle = b.open(dev);
            if (!handle)
                continue;
            // Only the first device of a bus that opens is looked at; a stranger ends this bus.
            std::string text;
            if (GetStringAscii(handle, dev.iManufacturer, 1033, text) < 0 || text != kUsbManufacturer
                || GetStringAscii(handle, dev.iProduct, 1033, text) < 0 || text != kUsbProduct) {
                b.close(handle);
                handle = nullptr;
            }
            break;
        }
        if (handle)
            break;
    }
    return handle;
}

int TUsbFlash::GetStringAscii(UsbHandle handle, int index, int langId, std::string& text, int capacity)
{
    text.clear();
    uint8_t reply[256] = {};
    const int got = bus().controlMsg(handle, 0x80, 6, 0x0300 + index, langId, reply, int(sizeof reply), 1000);
    if (got < 0)
        return got;
    if (reply[1] != 3)
        return 0;
    const int r = std::min({got, int(reply[0]), int(sizeof reply)}) / 2;
    for (int k = 1; k < r && k <= capacity; ++k)
        text.push_back(reply[2 * k + 1] != 0 ? '?' : char(reply[2 * k]));
    return int(text.size());
}

int TUsbFlash::request(int requestType, int req, int value, int index, int size)
{
    const int r = bus().controlMsg(DeviceHandle, requestType, req, value, index, TransferBuffer, size, kTimeoutMs);
    LastResult = int16_t(r);
    return r;
}

void TUsbFlash::BeginCommand(uint8_t opcode, uint8_t a1, uint8_t a2, uint8_t a3)
{
    if (ErrorState != kUsbOk)
        return;
    RequestValue = uint16_t(opcode | a1 << 8);
    RequestIndex = uint16_t(a2 | a3 << 8);
    request(kVendorIn, kReqBegin, RequestValue, RequestIndex, 1);
}

void TUsbFlash::WriteBytes(uint8_t n)
{
    if (ErrorState != kUsbOk)
        return;
    RequestValue = n;
    if (request(kVendorOut, kReqWrite, n, 0, n) != n)
        ErrorState = kUsbBadCount;
}

void TUsbFlash::ReadBytes(uint8_t n)
{
    if (ErrorState != kUsbOk)
        return;
    if (request(kVendorIn, kReqRead, n, 0, n) != n)
        ErrorState = kUsbBadCount;
}

void TUsbFlash::EndCommand()
{
    if (ErrorState != kUsbOk)
        return;
    request(kVendorIn, kReqEnd, 0, 0, 1);
}

int32_t TUsbFlash::ReadStatus()
{
    if (ErrorState != kUsbOk)
        return -1;
    if (request(kVendorIn, kReqStatus, 0, 0, 1) != 1) {
        ErrorState = kUsbBadCount;
        return -1;
    }
    return TransferBuffer[0];
}

bool TUsbFlash::WaitReady(const std::function<bool()>& stop)
{
    // The chime has no limit of its own; a memory that never reports ready must not hang the
    // program, so polling stops after a few seconds and the transfer fails. Meanwhile the caller
    // keeps its window alive and may give up sooner.
    MonotonicClock& clock = clock_ ? *clock_ : steadyClock();
    const int64_t start = clock.nowNs();
    const int64_t end = start + int64_t(kWaitReadyLimitMs) * 1000000;
    int64_t lookUp = start + int64_t(kWaitLookUpMs) * 1000000;
    for (;;) {
        if (ErrorState != kUsbOk)
            return true;
        const int32_t s = ReadStatus();
        if (s >= 0 && (s & 0x80) == 0x80)
            return true;
        const int64_t t = clock.nowNs();
        if (ErrorState == kUsbOk && (t > end || t < start)) {
            ErrorState = kUsbNeverReady;
            return true;
        }
        if (stop && t >= lookUp) {
            lookUp = t + int64_t(kWaitLookUpMs) * 1000000;
            if (stop())
                return false;
        }
    }
}

} // namespace zelmar
