#pragma once
// The USB chime's transport object, which also holds the memory image that travels to and from
// either kind of chime.
#include "device/Timer.h"
#include "device/UsbBus.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zelmar {

constexpr int32_t kImageSize = 2097152;

constexpr uint16_t kUsbVendorId = 0x16C0;
constexpr uint16_t kUsbProductId = 0x0852;
constexpr int kUsbPageSize = 528;
constexpr int kUsbPageCount = 4096;
constexpr int kUsbChunk = 132;   // data stage of one write or read request
inline constexpr char kUsbManufacturer[] = "VORANEX S.C.";
inline constexpr char kUsbProduct[] = "ZELMAR 2.0.";

// DataFlash opcodes.
constexpr uint8_t kOpWriteBuffer1 = 0x84;
constexpr uint8_t kOpWriteBuffer2 = 0x87;
constexpr uint8_t kOpProgramBuffer1 = 0x83;
constexpr uint8_t kOpProgramBuffer2 = 0x86;
constexpr uint8_t kOpContinuousRead = 0x03;

// Vendor requests.
constexpr int kReqBegin = 1;
constexpr int kReqWrite = 3;
constexpr int kReqRead = 4;
constexpr int kReqEnd = 5;
constexpr int kReqStatus = 7;

// How long WaitReady keeps polling before it gives the chime up.
constexpr int kWaitReadyLimitMs = 3000;
constexpr int kWaitLookUpMs = 50;

enum UsbErrorState : int32_t {
    kUsbOk = 0,
    kUsbNoChime = 1,
    kUsbBadCount = 2,     // a request that checks its byte count got another count
    kUsbNeverReady = 3,   // the memory stayed busy past kWaitReadyLimitMs
};

class TUsbFlash {
public:
    TUsbFlash() : Image(kImageSize, 0) {}
    explicit TUsbFlash(UsbBus& bus, MonotonicClock& clock = steadyClock()) : TUsbFlash()
    {
        bus_ = &bus;
        clock_ = &clock;
    }
    ~TUsbFlash() { Close(); }
    TUsbFlash(const TUsbFlash&) = delete;
    TUsbFlash& operator=(const TUsbFlash&) = delete;

    uint8_t TransferBuffer[1024] = {};
    std::vector<uint8_t> Image;   // always kImageSize bytes
    int32_t Position = 0;
    int32_t ImageLength = 0;
    int32_t ErrorState = 0;
    UsbHandle DeviceHandle = nullptr;
    uint16_t RequestValue = 0;
    uint16_t RequestIndex = 0;
    int16_t LastResult = 0;

    // The bus and clock used from the next Open on; by default the chime chosen for the process.
    void SetBus(UsbBus* bus) { bus_ = bus; }
    void SetClock(MonotonicClock* clock) { clock_ = clock; }
    UsbBus& bus();

    int32_t Open();
    void Close();
    void BeginCommand(uint8_t opcode, uint8_t a1, uint8_t a2, uint8_t a3);
    void WriteBytes(uint8_t n);
    void ReadBytes(uint8_t n);
    void EndCommand();
    int32_t ReadStatus();
    void WaitReady() { WaitReady(nullptr); }
    // The same wait, looking up to `stop` every kWaitLookUpMs; when it returns true the wait ends
    // at once and the result is false.
    bool WaitReady(const std::function<bool()>& stop);

    UsbHandle FindDevice();
    // The string descriptor `index` as 8-bit text; characters above 0xFF become "?".
    // The number of characters, or the negative result of the request.
    int GetStringAscii(UsbHandle handle, int index, int langId, std::string& text, int capacity = 256);

private:
    int request(int requestType, int request, int value, int index, int size);

    UsbBus* bus_ = nullptr;
    MonotonicClock* clock_ = nullptr;
};

// Page address bytes A1, A2 of DataFlash page p (A3 is 0).
constexpr uint8_t pageA1(int page) { return uint8_t(page >> 6); }
constexpr uint8_t pageA2(int page) { return uint8_t((page << 2) & 0xFC); }

} // namespace zelmar
