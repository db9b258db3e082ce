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

int runDownload(Context& ctx)
{
    const char* usage = "download -o SET.zmr [--image-out IMAGE.bin]";
    Args args(ctx.args);
    const std::string out = requiredOutput(args, usage);
    const std::string imageOut = args.option("--image-out");
    args.positional(0, 0, usage);
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

const RegisterCommand reg({"download", "download -o SET.zmr [--image-out IMAGE.bin]",
                           "read the chime's set and save it", runDownload});

} // namespace

} // namespace zelmarctl
