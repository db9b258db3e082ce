// zelmarctl build-image: the chime's memory image of a set, as an upload would write it.
#include "ImageCli.h"

#include "device/UsbFlash.h"
#include "model/FileIO.h"

#include <cstdio>
#include <memory>

namespace zelmarctl {

namespace {

int runBuildImage(Context& ctx)
{
    const char* usage = "build-image SET.zmr -o IMAGE.bin [--form page|linear]";
    Args args(ctx.args);
    const std::string out = requiredOutput(args, usage);
    const zelmar::AddressForm form = addressFormOption(args, usage);
    const std::string path = args.positional(1, 1, usage).front();
    const zelmar::SignalSet set = readSetForCommand(path);

    auto flash = std::make_unique<zelmar::TUsbFlash>();
    zelmar::BuildResult r;
    try {
        r = zelmar::buildImage(set, form, *flash);
    } catch (const zelmar::LimitError& e) {
        throw Failure(kRefused, path + ": " + e.what());
    }
    if (r.someSignalsSkipped)
        note("signals without sounds are left out of the image");
    zelmar::writeFileAtomically(out, flash->Image.data(), size_t(flash->ImageLength));
    std::printf("%s: %d bytes, %d signal%s (%s form)\n", out.c_str(), flash->ImageLength, r.sentSignals,
                r.sentSignals == 1 ? "" : "s", form == zelmar::AddressForm::Page ? "page" : "linear");
    return kOk;
}

const RegisterCommand reg({"build-image", "build-image SET.zmr -o IMAGE.bin [--form page|linear]",
                           "build the chime's memory image of a set", runBuildImage});

} // namespace

} // namespace zelmarctl
