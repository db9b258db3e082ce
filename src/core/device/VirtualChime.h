#pragma once
// A chime that lives in a file: the device side of both transports, for trying the program without
// the hardware, for tests and for benchmarks. It answers the same bus calls as the real chimes.
#include "device/HidBus.h"
#include "device/UsbBus.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zelmar {

enum class ChimeKind { Usb, Hid };

// One injected fault, as ZELMAR_VIRTUAL_FAULT gives it ("NAME=VALUE").
struct VirtualFault {
    enum Kind { None, FailRequest, UnplugAtPage, CorruptOffset, LatencyUs, NeverReady, ShortRequest };
    Kind kind = None;
    int64_t value = 0;
};

// Throws std::invalid_argument naming what is wrong. An empty text is no fault.
VirtualFault parseVirtualFault(const std::string& text);

// Device time is counted in requests: each control transfer or report exchange is one tick.
struct VirtualTiming {
    int programTicks = 6;   // a page program keeps the memory busy this many requests
    int eraseTicks = 8;     // HID erase: polls from its start until it reports done
};

class VirtualChime {
public:
    // Opens (or creates, erased) the flash file; throws FileError when the file is not a chime's.
    VirtualChime(std::string file, ChimeKind kind, VirtualFault fault = {});
    ~VirtualChime();
    VirtualChime(const VirtualChime&) = delete;
    VirtualChime& operator=(const VirtualChime&) = delete;

    ChimeKind kind() const { return kind_; }
    const std::string& file() const { return file_; }
    // The bus of the chime's kind; the other kind's bus is empty.
    UsbBus& usbBus();
    HidBus& hidBus();

    VirtualTiming timing;
    // Off: the memory stays in this process only (benchmarks time the transfer, not the disk).
    bool persist = true;
    // Called at the start of every request with its 1-based number (tests act mid-transfer with it).
    std::function<void(long)> onRequest;

    long requests() const { return requests_; }
    bool unplugged() const { return unplugged_; }
    void unplug() { unplugged_ = true; }
    // The memory's bytes, page after page (528 or 512 bytes a page).
    const std::vector<uint8_t>& memory() const { return mem_; }
    int pageSize() const;
    // Writes the memory to its file when it changed; false with `flushError` set on failure.
    bool flush();
    std::string flushError;
    // Why the last session's writes were not kept in the file; empty when they were.
    const std::string& unsavedReason() const { return unsaved_; }

    // Device side, used by the buses.
    struct UsbSession;
    UsbSession* usbOpen();
    void usbClose(UsbSession* s);
    int usbControl(UsbSession* s, int requestType, int request, int value, int index, uint8_t* bytes, int size);
    void hidOpen();
    void hidClose();
    bool hidGet(uint8_t* report, size_t length);
    bool hidSet(const uint8_t* report, size_t length);

private:
    void load();
    // Counts the request and applies the faults that act on every request; false: the request fails.
    bool beginRequest(int& shortBy);
    void advanceProgram();
    bool memoryBusy() const;
    bool touch(int page);   // false when this page unplugs the chime
    void sessionOpened();
    void sessionClosed();
    uint8_t readByte(int64_t offset) const;

    std::string file_;
    ChimeKind kind_;
    VirtualFault fault_;
    std::vector<uint8_t> mem_;
    bool dirty_ = false;
    bool unplugged_ = false;
    bool touchedUnplugPage_ = false;
    long requests_ = 0;
    int sessions_ = 0;
    std::string unsaved_;

    // USB DataFlash.
    enum class Cmd { None, BufferWrite, Program, Read, Refused };
    Cmd cmd_ = Cmd::None;
    int cmdBuffer_ = 0;
    int bufferPos_ = 0;
    int cmdPage_ = 0;
    int64_t readAddr_ = 0;
    uint8_t buffers_[2][528] = {};
    struct PendingProgram {
        int page;
        std::vector<uint8_t> data;
    };
    std::deque<PendingProgram> programs_;
    long programDoneAt_ = 0;

    // HID protocol.
    enum class HidState { Idle, EraseArmed, Erasing, Erased, Writing, ReadArmed, Reading };
    HidState hidState_ = HidState::Idle;
    long eraseDoneAt_ = 0;
    int hidPage_ = 0;

    std::unique_ptr<UsbBus> usbBus_;
    std::unique_ptr<HidBus> hidBus_;
};

} // namespace zelmar
