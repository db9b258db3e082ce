// zelmarctl build-image: the chime's memory image of a set, as an upload would write it.
#include "Inputs.h"

#include "device/UsbFlash.h"
#include "model/Errors.h"
#include "model/FileIO.h"

#include <cstdio>
#include <memory>

namespace zelmarctl {

Run defineBuildImage(CLI::App& c)
{
    struct Options {
        std::string path, out;
        FormOption form;
    };
    auto o = std::make_shared<Options>();
    addInput(c, "SET.zmr", o->path, "the set file");
    addOutput(c, o->out, "the image file to write")->required();
    addForm(c, o->form, true);
    return [o](const Context&) {
        const zelmar::AddressForm form = o->form.chosen();
        const zelmar::SignalSet set = readSetForCommand(o->path);
        auto flash = std::make_unique<zelmar::TUsbFlash>();
        zelmar::BuildResult r;
        try {
            r = zelmar::buildImage(set, form, *flash);
        } catch (const zelmar::LimitError& e) {
            throw Failure(kRefused, o->path + ": " + e.what());
        }
        if (r.someSignalsSkipped)
            note("signals without sounds are left out of the image");
        zelmar::writeFileAtomically(o->out, flash->Image.data(), size_t(flash->ImageLength));
        std::printf("%s: %d bytes, %d signal%s (%s form)\n", o->out.c_str(), flash->ImageLength, r.sentSignals,
                    r.sentSignals == 1 ? "" : "s", form == zelmar::AddressForm::Page ? "page" : "linear");
        return int(kOk);
    };
}

} // namespace zelmarctl
