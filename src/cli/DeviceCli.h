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

// What to do about a chime the user may not open.
extern const char* const kAccessFix;

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

private:
    void finishLine();
    std::string name_;
    int max_ = 1;
    int lastShown_ = -1;
    bool tty_;
    bool open_ = false;
};

// Runs a transfer with a progress line; a failure or cancel throws Failure(kDevice).
void runTransfer(zelmar::ChimeLink& link, zelmar::TUsbFlash& flash, bool upload, bool useHid);

} // namespace zelmarctl
