// zelmarctl upload: a set written into the chime and read back to verify it.
#include "DeviceCli.h"
#include "ImageCli.h"

#include "device/HidLayer.h"

#include <cstdio>
#include <memory>

namespace zelmarctl {

namespace {

std::string setPath;

int runUpload(const Context& ctx)
{
    const std::string& path = setPath;
    const zelmar::SignalSet set = readSetForCommand(path);
    auto link = openChime(ctx);

    // The HID chime is preferred; it takes plain offsets, the USB chime page addresses.
    const bool useHid = zelmar::hidChimePresent(link->hid());
    auto flash = std::make_unique<zelmar::TUsbFlash>(link->usb());
    zelmar::BuildResult built;
    try {
        built = zelmar::buildImage(set, useHid ? zelmar::AddressForm::Linear : zelmar::AddressForm::Page, *flash);
    } catch (const zelmar::LimitError& e) {
        throw Failure(kRefused, path + ": " + e.what());
    }
    if (built.someSignalsSkipped)
        note("signals without sounds are left out");
    runTransfer(*link, *flash, true, useHid);
    std::printf("%s: %d bytes written to the %s chime and verified (%d signal%s)\n", path.c_str(),
                flash->ImageLength, useHid ? "HID" : "USB", built.sentSignals, built.sentSignals == 1 ? "" : "s");
    return kOk;
}

void define(CLI::App& app, Context& ctx)
{
    CLI::App* c = addCommand(app, "upload", "upload SET.zmr", "write a set into the chime and verify it");
    c->add_option("SET.zmr", setPath, "the set file")->required();
    onRun(c, [&ctx] { return runUpload(ctx); });
}

const RegisterCommand reg({"upload", define});

} // namespace

} // namespace zelmarctl
