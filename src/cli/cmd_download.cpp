// zelmarctl download: the chime's memory read and saved as a set.
#include "DeviceCli.h"

#include "image/ImageReader.h"
#include "model/Errors.h"
#include "model/FileIO.h"
#include "model/SetFile.h"

#include <cstdio>
#include <memory>

namespace zelmarctl {

Run defineDownload(CLI::App& c)
{
    struct Options {
        std::string out, imageOut;
    };
    auto o = std::make_shared<Options>();
    addOutput(c, o->out, "the set file to write")->required();
    c.add_option("--image-out", o->imageOut, "also keep the raw image")->type_name("IMAGE.bin");
    return [o](const Context& ctx) {
        auto link = openChime(ctx);
        const ChimeKind kind = chimeKind(*link);
        auto flash = std::make_unique<zelmar::TUsbFlash>(link->usb());
        runTransfer(*link, *flash, false, kind.hid);
        // The raw image is kept first, so that one the reader refuses can still be looked at.
        if (!o->imageOut.empty())
            zelmar::writeFileAtomically(o->imageOut, flash->Image.data(), size_t(flash->ImageLength));
        zelmar::SignalSet set;
        try {
            set = zelmar::parseImage(std::span<const uint8_t>(flash->Image.data(), size_t(flash->ImageLength)), kind.form());
        } catch (const zelmar::FormatError& e) {
            throw Failure(kInvalidInput, "the chime's memory holds no valid set (code " + std::to_string(e.code) + ")");
        }
        zelmar::writeSetFile(set, o->out);
        std::printf("%s: %zu signal%s, %zu sound%s read from the %s chime\n", o->out.c_str(), set.signals.size(),
                    set.signals.size() == 1 ? "" : "s", set.library.size(), set.library.size() == 1 ? "" : "s",
                    kind.name());
        return int(kOk);
    };
}

} // namespace zelmarctl
