#include "device/ChimeModel.h"

#include "device/HidLayer.h"
#include "device/UsbBus.h"
#include "device/UsbFlash.h"

#include <algorithm>
#include <cstring>

namespace zelmar {

namespace {

constexpr int64_t kUsbMemory = int64_t(kUsbPageCount) * kUsbPageSize;
constexpr uint8_t kStatusReady = 0xAC;   // ready bit and the 16-Mbit density code
constexpr uint8_t kStatusBusy = 0x2C;

// Reports the HID chime answers with: a challenge (echoed twice, it erases), the note that the erase
// has finished (echoed once, it starts the writing), and the note that reading begins.
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

} // namespace

ChimeModel::ChimeModel(ChimeKind kind)
    : kind_(kind), mem_(size_t(kind == ChimeKind::Usb ? kUsbMemory : int64_t(kHidPageCount) * kHidPageSize), 0xFF)
{
}

int ChimeModel::pageSize() const
{
    return kind_ == ChimeKind::Usb ? kUsbPageSize : kHidPageSize;
}

uint8_t ChimeModel::readByte(int64_t offset) const
{
    const uint8_t b = mem_[size_t(offset)];
    return readFilter ? readFilter(offset, b) : b;
}

// A program that arrives while another runs waits for it; each takes timing.programTicks requests.
void ChimeModel::tick()
{
    ++now_;
    while (!programs_.empty() && now_ >= programDoneAt_) {
        const PendingProgram& p = programs_.front();
        std::copy(p.data.begin(), p.data.end(), mem_.begin() + int64_t(p.page) * kUsbPageSize);
        dirty = true;
        programs_.pop_front();
        if (!programs_.empty())
            programDoneAt_ += timing.programTicks;
    }
}

void ChimeModel::finishPrograms()
{
    for (const PendingProgram& p : programs_) {
        std::copy(p.data.begin(), p.data.end(), mem_.begin() + int64_t(p.page) * kUsbPageSize);
        dirty = true;
    }
    programs_.clear();
}

bool ChimeModel::memoryBusy() const
{
    return !programs_.empty() || neverReady;
}

// ---- USB ---------------------------------------------------------------------------------------

int ChimeModel::usbVendorRequest(int requestType, int request, int value, int index, uint8_t* bytes, int size)
{
    const bool in = requestType == 0xC0;
    if ((!in && requestType != 0x40) || size < 0)
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
            if (!touched(page))
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
        return 1;
    }
    case kReqWrite: {
        if (in || cmd_ != Cmd::BufferWrite || value != size)
            return kUsbErrPipe;
        for (int i = 0; i < size; ++i) {
            buffers_[cmdBuffer_][bufferPos_] = bytes[i];
            bufferPos_ = (bufferPos_ + 1) % kUsbPageSize;
        }
        return size;
    }
    case kReqRead: {
        if (!in || cmd_ != Cmd::Read || value != size)
            return kUsbErrPipe;
        for (int i = 0; i < size; ++i) {
            if (readAddr_ % kUsbPageSize == 0 && !touched(int(readAddr_ / kUsbPageSize)))
                return kUsbErrNoDevice;
            bytes[i] = readByte(readAddr_);
            readAddr_ = (readAddr_ + 1) % kUsbMemory;
        }
        return size;
    }
    case kReqEnd: {
        if (!in || size < 1)
            return kUsbErrPipe;
        if (cmd_ == Cmd::Program) {
            if (programs_.empty())
                programDoneAt_ = now_ + timing.programTicks;
            programs_.push_back(
                {cmdPage_, std::vector<uint8_t>(buffers_[cmdBuffer_], buffers_[cmdBuffer_] + kUsbPageSize)});
        }
        cmd_ = Cmd::None;
        bytes[0] = 0;
        return 1;
    }
    case kReqStatus:
        if (!in || size < 1)
            return kUsbErrPipe;
        bytes[0] = memoryBusy() ? kStatusBusy : kStatusReady;
        return 1;
    default:
        return kUsbErrPipe;
    }
}

// ---- HID ---------------------------------------------------------------------------------------

void ChimeModel::finishErase()
{
    std::fill(mem_.begin(), mem_.end(), 0xFF);
    dirty = true;
    hidState_ = HidState::Erased;
}

bool ChimeModel::hidGet(uint8_t* data)
{
    switch (hidState_) {
    case HidState::Idle:
        fillReport(data, kChallenge);
        break;
    case HidState::Erasing:
        if (!neverReady && now_ >= eraseDoneAt_) {
            finishErase();
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
        if (!touched(hidPage_))
            return false;
        for (int i = 0; i < kHidPageSize; ++i)
            data[i] = readByte(int64_t(hidPage_) * kHidPageSize + i);
        if (++hidPage_ == kHidPageCount)
            hidState_ = HidState::Idle;
        break;
    }
    lastReply_.assign(data, data + kHidPageSize);
    lastWasGet_ = true;
    echoes_ = 0;
    return true;
}

bool ChimeModel::hidSet(const uint8_t* data)
{
    const bool echo = (lastWasGet_ || echoes_ > 0) && lastReply_.size() == size_t(kHidPageSize)
                      && std::memcmp(data, lastReply_.data(), kHidPageSize) == 0;
    echoes_ = echo ? echoes_ + 1 : 0;
    lastWasGet_ = false;
    // The second echo in a row starts an erase, whatever the chime was doing: an upload begins so
    // even after a transfer cut off in the middle.
    if (echoes_ == 2) {
        hidState_ = HidState::Erasing;
        eraseDoneAt_ = now_ + timing.eraseTicks;
        return true;
    }
    if (hidState_ == HidState::Writing) {
        if (hidPage_ >= kHidPageCount || !touched(hidPage_))
            return false;
        std::copy_n(data, kHidPageSize, mem_.begin() + int64_t(hidPage_) * kHidPageSize);
        dirty = true;
        ++hidPage_;
        return true;
    }
    // An erase under way runs to its end, whatever comes next.
    if (hidState_ == HidState::Erasing && !neverReady)
        finishErase();
    if (hidState_ == HidState::Erased && reportIs(data, kErased)) {
        hidState_ = HidState::Writing;
        hidPage_ = 0;
    } else if (std::all_of(data, data + kHidPageSize, [](uint8_t b) { return b == 0; })) {
        hidState_ = HidState::ReadArmed;
    } else {
        hidState_ = HidState::Idle;
    }
    return true;
}

} // namespace zelmar
