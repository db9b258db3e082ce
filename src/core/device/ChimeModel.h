#pragma once
// The chime itself, whatever carries its requests (the virtual chime's buses, or a USB gadget in a
// guest kernel): the memory, with the DataFlash buffers, opcodes and busy time of the USB kind, or
// the erase and page protocol of the HID kind. Like the hardware, it keeps its state from one
// transfer to the next: opening the device sends it nothing.
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace zelmar {

enum class ChimeKind { Usb, Hid };

// Device time is counted in requests: each control transfer or report exchange is one tick.
struct VirtualTiming {
    int programTicks = 6;   // a page program keeps the memory busy this many requests
    int eraseTicks = 8;     // HID erase: polls from its start until it reports done
};

class ChimeModel {
public:
    explicit ChimeModel(ChimeKind kind);

    ChimeKind kind() const { return kind_; }
    int pageSize() const;
    // The memory's bytes, page after page; `dirty` is set whenever they change.
    std::vector<uint8_t>& memory() { return mem_; }
    const std::vector<uint8_t>& memory() const { return mem_; }
    bool dirty = false;

    VirtualTiming timing;
    bool neverReady = false;   // the memory stays busy, and an erase never ends
    // Asked when a request touches a page (programs it, reads or writes it); false fails the request.
    std::function<bool(int page)> touch;
    // What a byte reads as; by default what the memory holds.
    std::function<uint8_t(int64_t offset, uint8_t stored)> readFilter;

    // One request begins: device time moves on, and programs that are due land in the memory.
    void tick();
    long now() const { return now_; }
    // Pages still being programmed are in the chip already; they reach the memory at once.
    void finishPrograms();
    bool programming() const { return !programs_.empty(); }

    // A vendor request of the USB kind (request types 0x40 and 0xC0): the byte count of its data
    // stage, or a negative libusb error (-32 stall, -19 gone).
    int usbVendorRequest(int requestType, int request, int value, int index, uint8_t* bytes, int size);

    // A feature report of the HID kind, its 512 data bytes without the report id; false: the
    // request fails.
    bool hidGet(uint8_t* data);
    bool hidSet(const uint8_t* data);

private:
    bool memoryBusy() const;
    uint8_t readByte(int64_t offset) const;
    bool touched(int page) const { return !touch || touch(page); }
    void finishErase();

    ChimeKind kind_;
    std::vector<uint8_t> mem_;
    long now_ = 0;

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

    // HID protocol. Two reports in a row that echo the chime's last reply ask for an erase, in
    // whatever state an earlier transfer left the chime; so does every upload's start.
    enum class HidState { Idle, Erasing, Erased, Writing, ReadArmed, Reading };
    HidState hidState_ = HidState::Idle;
    long eraseDoneAt_ = 0;
    int hidPage_ = 0;
    std::vector<uint8_t> lastReply_;
    bool lastWasGet_ = false;
    int echoes_ = 0;
};

} // namespace zelmar
