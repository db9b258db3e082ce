#pragma once
// The device transfer: writes the memory image into a chime and reads it back to verify it, or
// reads the chime's memory into the image, over either transport. A front end watches it through
// an observer (phase text and gauge, one UI pump per page, cancel, messages).
#include "device/HidLayer.h"
#include "device/Timer.h"
#include "device/UsbFlash.h"

#include <filesystem>
#include <stdexcept>
#include <string>

namespace zelmar {

// Phase texts.
constexpr int kTextReading = 65200;
constexpr int kTextWriting = 65201;
constexpr int kTextVerifying = 65206;
constexpr int kTextErasing = 65212;
// Message texts.
constexpr int kTextNoCommunication = 65202;
constexpr int kTextCommunicationError = 65203;
constexpr int kTextDifference = 65204;
constexpr int kTextCancelQuestion = 65205;
constexpr int kTextAppTitle = 65233;
constexpr int kTextAccessHint = 65260;            // run from a source tree
constexpr int kTextAccessHintInstalled = 65330;   // installed where udev reads the rules (%s)
constexpr int kTextAccessHintCopy = 65331;        // installed where udev does not read them (%s)
constexpr int kTextNotKept = 65261;

constexpr int kEraseGaugeMax = 300;
constexpr int kEraseDeadlineMs = 60000;
constexpr int kErasePollMs = 100;

struct TransferFailure {
    enum Kind {
        None,
        NoChime,         // USB: Open found no chime
        Communication,   // USB: a request failed, or the memory never became ready
        UsbDifference,   // USB verification found a difference
        HidStep,         // HID: the report operation of `step` failed (0: no chime to claim)
        HidDifference,   // HID verification found a difference
        NotKept,         // the chime took the whole upload but could not keep it (`detail` says why)
    };
    Kind kind = None;
    int step = 0;
    int page = 0;       // from 0
    int byte = 0;       // from 1
    int written = 0;
    int read = 0;
    bool neverReady = false;   // Communication: the memory stayed busy
    // NoChime, HidStep 0: a chime is plugged in that this user may not open.
    bool accessDenied = false;
    std::string detail;
};

// The second line of the read-back difference text: what to do after a failed transfer.
std::string adviceText();

// No communication + "\n\n (HID-ERR: n)".
std::string HidErrorText(int step);
// What to do about a chime the user may not open, for a program whose executable is in `exeDir`.
std::string accessHintText(const std::filesystem::path& exeDir);
// The words the user sees for a failure, in the language in effect.
std::string failureText(const TransferFailure& failure);

// A failed HID transfer; whoever catches it shows its text once.
class EDeviceError : public std::runtime_error {
public:
    explicit EDeviceError(const TransferFailure& f) : std::runtime_error(failureText(f)), failure(f) {}
    TransferFailure failure;
};

class TransferObserver {
public:
    virtual ~TransferObserver() = default;
    // A phase begins: its text and the gauge's maximum; the gauge restarts at 0.
    virtual void phase(int textId, int gaugeMax) { (void)textId, (void)gaugeMax; }
    // Gauge value after a page or erase poll; then at most one pending UI event is handled.
    virtual void progress(int value) { (void)value; }
    // Called now and then while the transfer waits for the chime: handle pending UI events.
    virtual void waiting() {}
    virtual bool cancelRequested() { return false; }
    virtual void busy(bool on) { (void)on; }
    // A failure to show to the user now.
    virtual void failed(const TransferFailure& f) { (void)f; }
};

class DeviceTransfer {
public:
    DeviceTransfer(TUsbFlash& flash, HidBus& hid, TransferObserver& observer, Timer& timer)
        : flash_(flash), hid_(hid), obs_(observer), timer_(timer) {}

    // 1 when the transfer completed (written and verified, or read), 2 otherwise.
    int run(bool upload, bool useHid) { return useHid ? HidTransfer(upload) : UsbTransfer(upload); }
    int UsbTransfer(bool upload);
    int HidTransfer(bool upload);

    bool Cancelled = false;
    TransferFailure failure;   // of the last run; kind None after a success or a cancel

private:
    bool pump(int value);   // progress + cancel check; true when cancelled
    void fail(const TransferFailure& f);
    bool waitReady();   // false: the user cancelled the wait (a chime that fails shows in ErrorState)
    bool kept(const std::string& unsaved);
    void usbWrite();
    // Waits for the chime and starts reading the flash from its first byte; false when the wait
    // was cancelled or the chime failed (then `failure` says so).
    bool beginContinuousRead();
    void usbVerify();
    void usbRead();
    void hidUpload(HidLayer& layer, HidDevice& dev);
    void hidDownload(HidLayer& layer, HidDevice& dev);

    TUsbFlash& flash_;
    HidBus& hid_;
    TransferObserver& obs_;
    Timer& timer_;
};

// Pages a phase covers for `length` image bytes, at least one.
inline int pagesFor(int32_t length, int pageSize)
{
    return length / pageSize + (length % pageSize != 0 ? 1 : 0);
}

} // namespace zelmar
