// zelmarctl download: the chime's memory read and saved as a set.
#include "DeviceCli.h"
#include "ImageCli.h"

#include "device/HidLayer.h"
#include "image/ImageReader.h"
#include "model/FileIO.h"

#include <cstdio>
#include <memory>

namespace zelmarctl {

namespace {

struct {
    std::string out, imageOut;
} opt;

int runDownload(const Context& ctx)
{
    const std::string& out = opt.out;
    const std::string& imageOut = opt.imageOut;
    auto link = openChime(ctx);

    const bool useHid = zelmar::hidChimePresent(link->hid());
    auto flash = std::make_unique<zelmar::TUsbFlash>(link->usb());
    runTransfer(*link, *flash, false, useHid);
    // The raw image is kept first, so that one the reader refuses can still be looked at.
    if (!imageOut.empty())
        zelmar::writeFileAtomically(imageOut, flash->Image.data(), size_t(flash->ImageLength));
    zelmar::SignalSet set;
    try {
        set = zelmar::parseImage(std::span<const uint8_t>(flash->Image.data(), size_t(flash->ImageLength)),
                                 useHid ? zelmar::AddressForm::Linear : zelmar::AddressForm::Page);
    } catch (const zelmar::FormatError& e) {
        throw Failure(kInvalidInput, "the chime's memory holds no valid set (code " + std::to_string(e.code) + ")");
    }
    zelmar::writeSetFile(set, out);
    std::printf("%s: %zu signal%s, %zu sound%s read from the %s chime\n", out.c_str(), set.signals.size(),
                set.signals.size() == 1 ? "" : "s", set.library.size(), set.library.size() == 1 ? "" : "s",
                useHid ? "HID" : "USB");
    return kOk;
}

void define(CLI::App& app, Context& ctx)
{
    CLI::App* c = addCommand(app, "download", "download -o SET.zmr [--image-out IMAGE.bin]",
                             "read the chime's set and save it");
    addOutput(c, opt.out, "the set file to write")->required();
    c->add_option("--image-out", opt.imageOut, "also keep the raw image")->type_name("IMAGE.bin");
    onRun(c, [&ctx] { return runDownload(ctx); });
}

const RegisterCommand reg({"download", define});

} // namespace

} // namespace zelmarctl
