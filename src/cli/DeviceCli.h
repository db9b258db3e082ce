#pragma once
// Shared by the chime commands: the chime chosen on the command line, a progress display on
// standard error, Ctrl+C as cancel, and the failures in English.
#include "Cli.h"

#include "device/ChimeSelection.h"
#include "device/Transfer.h"

#include <memory>
#include <string>

namespace zelmarctl {

// The chime of --virtual-chime/--hid or the environment; a bad fault is a usage error.
std::unique_ptr<zelmar::ChimeLink> openChime(const Context& ctx);

// The address form of the chime found: the HID chime is preferred and takes plain offsets, the
// USB chime page addresses.
struct ChimeKind {
    bool hid = false;
    zelmar::AddressForm form() const { return hid ? zelmar::AddressForm::Linear : zelmar::AddressForm::Page; }
    const char* name() const { return hid ? "HID" : "USB"; }
};
ChimeKind chimeKind(zelmar::ChimeLink& link);

// What to do about a chime the user may not open.
std::string accessFix();

// The English words of a transfer failure.
std::string failureInEnglish(const zelmar::TransferFailure& f, bool cancelled, bool upload);

// Progress on standard error: a bar on a terminal, a line every tenth otherwise. Ctrl+C cancels at
// the next page.
class ProgressLine : public zelmar::TransferObserver {
public:
    ProgressLine();
    ~ProgressLine() override;
    void phase(int textId, int gaugeMax) override;
    void progress(int value) override;
    bool cancelRequested() override;
    void failed(const zelmar::TransferFailure&) override {}
    // Ends a bar line, so that a message can follow.
    void finishLine();

private:
    std::string name_;
    int max_ = 1;
    int lastShown_ = -1;
    bool tty_;
    bool open_ = false;
};

// A transfer with a progress line on standard error, and its failures in English.
class CliTransfer {
public:
    CliTransfer(zelmar::ChimeLink& link, zelmar::TUsbFlash& flash);
    zelmar::DeviceTransfer& transfer() { return transfer_; }
    // Nothing for a completed run (result 1); otherwise throws Failure(kDevice), or kIoFailure for a
    // virtual chime that could not keep what it took, with the words of an upload or a download.
    void check(int result, bool upload);

private:
    ProgressLine line_;
    zelmar::Timer timer_;
    zelmar::DeviceTransfer transfer_;
};

// One whole transfer: CliTransfer's run and check.
void runTransfer(zelmar::ChimeLink& link, zelmar::TUsbFlash& flash, bool upload, bool useHid);

} // namespace zelmarctl
