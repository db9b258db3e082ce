#include "DeviceCli.h"

#include "device/HidLayer.h"
#include "paths/DataPaths.h"
#include "model/Errors.h"

#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <unistd.h>

namespace zelmarctl {

namespace {
volatile std::sig_atomic_t interrupted = 0;
void onInterrupt(int)
{
    interrupted = 1;
}
} // namespace

std::unique_ptr<zelmar::ChimeLink> openChime(const Context& ctx)
{
    try {
        return std::make_unique<zelmar::ChimeLink>(ctx.chime);
    } catch (const std::invalid_argument& e) {
        throw Failure(kUsage, e.what());
    } catch (const zelmar::FileError& e) {
        throw Failure(kIoFailure, e.what());
    }
}

ChimeKind chimeKind(zelmar::ChimeLink& link)
{
    return ChimeKind{zelmar::hidChimePresent(link.hid())};
}

std::string accessFix()
{
    // The same choice as the wizard's hint: an installed program names the rules its install put in
    // place; one run from a source tree points to the rules and notes there.
    const std::string reload = "sudo udevadm control --reload && sudo udevadm trigger, then plug the chime in again";
    if (const auto rules = zelmar::installedUdevRules(zelmar::executableDirectory())) {
        const std::string file = rules->string();
        if (zelmar::udevReadsRulesAt(*rules))
            return "the udev rules are installed in " + file + ": " + reload
                   + " (access goes to the user logged in at this computer)";
        return "to use it as yourself, copy the udev rules installed in " + file + " to where udev reads them: sudo install -m 644 "
               + file + " /etc/udev/rules.d/ && " + reload;
    }
    return "to use it as yourself, install the udev rules: sudo install -m 644 packaging/70-zelmar.rules "
           "/etc/udev/rules.d/ && " + reload + " (see packaging/README.md)";
}

std::string failureInEnglish(const zelmar::TransferFailure& f, bool cancelled, bool upload)
{
    using F = zelmar::TransferFailure;
    const std::string difference = "the value read back from the chime differs from the value written";
    switch (f.kind) {
    case F::None:
        if (!cancelled)
            return "";
        return upload ? "cancelled; the chime holds what was written so far" : "cancelled; nothing was saved";
    case F::NoChime:
        if (f.accessDenied)
            return std::string("no chime that you may open: a chime is plugged in, but permission is denied; ") + accessFix();
        return "no chime found (see zelmarctl devices)";
    case F::Communication:
        return f.neverReady ? "communication error: the chime's memory never became ready"
                            : "communication error with the chime";
    case F::UsbDifference:
        return "communication error: " + difference + " (page " + std::to_string(f.page) + ", byte "
               + std::to_string(f.byte) + ")";
    case F::HidStep:
        if (f.step == 0 && f.accessDenied)
            return std::string("no HID chime could be claimed (HID-ERR: 0): a chime is plugged in, but permission is denied; ") + accessFix();
        if (f.step == 0)
            return "no HID chime could be claimed (HID-ERR: 0; see zelmarctl devices)";
        if (f.step == 5)
            return "the chime did not finish erasing within 60 seconds (HID-ERR: 5)";
        // The first report is where the chime is opened, so a chime the user may not open fails here.
        if (f.step == 1 || f.step == 10)
            return "no communication with the chime (HID-ERR: " + std::to_string(f.step) + "; see zelmarctl devices)";
        return "no communication with the chime (HID-ERR: " + std::to_string(f.step) + ")";
    case F::NotKept:
        return "the virtual chime's memory could not be saved: " + f.detail;
    case F::HidDifference:
        return "communication error: " + difference + " (PAGE: " + std::to_string(f.page) + " BYTE: "
               + std::to_string(f.byte) + " WRITTEN: " + std::to_string(f.written) + " READ: "
               + std::to_string(f.read) + ")";
    }
    return "transfer failed";
}

ProgressLine::ProgressLine() : tty_(::isatty(STDERR_FILENO) == 1)
{
    interrupted = 0;
    std::signal(SIGINT, onInterrupt);
}

ProgressLine::~ProgressLine()
{
    finishLine();
    std::signal(SIGINT, SIG_DFL);
}

void ProgressLine::finishLine()
{
    if (tty_ && open_)
        std::fputc('\n', stderr);
    open_ = false;
}

void ProgressLine::phase(int textId, int gaugeMax)
{
    finishLine();
    switch (textId) {
    case zelmar::kTextErasing: name_ = "erasing"; break;
    case zelmar::kTextWriting: name_ = "writing"; break;
    case zelmar::kTextVerifying: name_ = "verifying"; break;
    default: name_ = "reading";
    }
    max_ = gaugeMax > 0 ? gaugeMax : 1;
    lastShown_ = -1;
    progress(0);
}

void ProgressLine::progress(int value)
{
    const int pct = std::min(100, int(int64_t(std::min(value, max_)) * 100 / max_));
    if (tty_) {
        if (pct == lastShown_)
            return;
        const int width = 40, filled = pct * width / 100;
        std::fprintf(stderr, "\rzelmarctl: %-9s [%s%s] %3d%%", name_.c_str(), std::string(size_t(filled), '#').c_str(),
                     std::string(size_t(width - filled), ' ').c_str(), pct);
        std::fflush(stderr);
        open_ = true;
    } else {
        const int step = pct / 10 * 10;
        if (step == lastShown_)
            return;
        std::fprintf(stderr, "zelmarctl: %s %d%%\n", name_.c_str(), step);
        lastShown_ = step;
        return;
    }
    lastShown_ = pct;
}

bool ProgressLine::cancelRequested()
{
    return interrupted != 0;
}

CliTransfer::CliTransfer(zelmar::ChimeLink& link, zelmar::TUsbFlash& flash) : transfer_(flash, link.hid(), line_, timer_)
{
    flash.SetBus(&link.usb());
}

void CliTransfer::check(int result, bool upload)
{
    line_.finishLine();
    if (result == 1)
        return;
    const zelmar::TransferFailure& failure = transfer_.failure;
    throw Failure(failure.kind == zelmar::TransferFailure::NotKept ? kIoFailure : kDevice,
                  failureInEnglish(failure, transfer_.Cancelled, upload));
}

void runTransfer(zelmar::ChimeLink& link, zelmar::TUsbFlash& flash, bool upload, bool useHid)
{
    CliTransfer t(link, flash);
    t.check(t.transfer().run(upload, useHid), upload);
}

} // namespace zelmarctl
