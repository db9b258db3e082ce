#pragma once
// A chime that lives in a file: the device side of both transports, for trying the program without
// the hardware, for tests and for benchmarks. It answers the same bus calls as the real chimes.
#include "device/ChimeModel.h"
#include "device/HidBus.h"
#include "device/UsbBus.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zelmar {

// One injected fault, as ZELMAR_VIRTUAL_FAULT gives it ("NAME=VALUE").
struct VirtualFault {
    enum Kind { None, FailRequest, UnplugAtPage, CorruptOffset, LatencyUs, NeverReady, ShortRequest, NoPermission };
    Kind kind = None;
    int64_t value = 0;
};

// Throws std::invalid_argument naming what is wrong. An empty text is no fault.
VirtualFault parseVirtualFault(const std::string& text);

class VirtualChime {
    ChimeModel model_;   // first: `timing` refers into it

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

    VirtualTiming& timing;
    // Off: the memory stays in this process only (benchmarks time the transfer, not the disk).
    bool persist = true;
    // Called at the start of every request with its 1-based number (tests act mid-transfer with it).
    std::function<void(long)> onRequest;

    long requests() const { return requests_; }
    bool unplugged() const { return unplugged_; }
    void unplug() { unplugged_ = true; }
    // Plugged in, but the user may not open it (as a chime without the udev rules).
    bool accessDenied() const { return fault_.kind == VirtualFault::NoPermission; }
    // The memory's bytes, page after page (528 or 512 bytes a page).
    const std::vector<uint8_t>& memory() const { return model_.memory(); }
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
    bool touch(int page);   // false when this page unplugs the chime
    void sessionOpened();
    void sessionClosed();

    std::string file_;
    ChimeKind kind_;
    VirtualFault fault_;
    bool unplugged_ = false;
    bool touchedUnplugPage_ = false;
    long requests_ = 0;
    int sessions_ = 0;
    std::string unsaved_;

    std::unique_ptr<UsbBus> usbBus_;
    std::unique_ptr<HidBus> hidBus_;
};

} // namespace zelmar
