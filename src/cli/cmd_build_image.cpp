// zelmarctl build-image: the chime's memory image of a set, as an upload would write it.
#include "ImageCli.h"

#include "device/UsbFlash.h"
#include "model/FileIO.h"

#include <cstdio>
#include <memory>

namespace zelmarctl {

namespace {

const char* kUsage = "build-image SET.zmr -o IMAGE.bin [--form page|linear]";

struct {
    std::string path, out, form;
    bool hid = false;
} opt;

int runBuildImage()
{
    const zelmar::AddressForm form = addressForm(opt.form, opt.hid, kUsage);
    const zelmar::SignalSet set = readSetForCommand(opt.path);

    auto flash = std::make_unique<zelmar::TUsbFlash>();
    zelmar::BuildResult r;
    try {
        r = zelmar::buildImage(set, form, *flash);
    } catch (const zelmar::LimitError& e) {
        throw Failure(kRefused, opt.path + ": " + e.what());
    }
    if (r.someSignalsSkipped)
        note("signals without sounds are left out of the image");
    zelmar::writeFileAtomically(opt.out, flash->Image.data(), size_t(flash->ImageLength));
    std::printf("%s: %d bytes, %d signal%s (%s form)\n", opt.out.c_str(), flash->ImageLength, r.sentSignals,
                r.sentSignals == 1 ? "" : "s", form == zelmar::AddressForm::Page ? "page" : "linear");
    return kOk;
}

void define(CLI::App& app, Context&)
{
    CLI::App* c = addCommand(app, "build-image", kUsage, "build the chime's memory image of a set");
    c->add_option("SET.zmr", opt.path, "the set file")->required();
    addOutput(c, opt.out, "the image file to write")->required();
    c->add_option("--form", opt.form, "page (the USB chime, default) or linear (the HID chime)");
    c->add_flag("--hid", opt.hid, "the same as --form linear");
    onRun(c, runBuildImage);
}

const RegisterCommand reg({"build-image", define});

} // namespace

} // namespace zelmarctl
