// zelmarctl upload: a set written into the chime and read back to verify it, after keeping what the
// chime held when asked; and upload-image, the way back: a kept image written into the chime.
#include "DeviceCli.h"
#include "Inputs.h"

#include "image/Backup.h"
#include "model/Errors.h"
#include "model/FileIO.h"

#include <cstdio>
#include <memory>

namespace zelmarctl {

namespace {

struct UploadOptions {
    std::string path, backup;
};

int upload(const UploadOptions& o, const Context& ctx)
{
    const zelmar::SignalSet set = readSetForCommand(o.path);
    auto link = openChime(ctx);
    const ChimeKind kind = chimeKind(*link);
    auto flash = std::make_unique<zelmar::TUsbFlash>(link->usb());
    zelmar::BuildResult built;
    try {
        built = zelmar::buildImage(set, kind.form(), *flash);
    } catch (const zelmar::LimitError& e) {
        throw Failure(kRefused, o.path + ": " + e.what());
    }
    if (built.someSignalsSkipped)
        note("signals without sounds are left out");
    if (o.backup.empty()) {
        runTransfer(*link, *flash, true, kind.hid);
    } else {
        CliTransfer t(*link, *flash);
        zelmar::BackupUpload r;
        try {
            r = zelmar::uploadWithBackup(t.transfer(), *flash, kind.hid, [&](std::span<const uint8_t> image) {
                zelmar::writeFileAtomically(o.backup, image.data(), image.size());
            });
        } catch (const zelmar::FileError& e) {
            throw Failure(kIoFailure, std::string(e.what()) + "; nothing was written to the chime");
        }
        if (!r.written) {
            const bool cancelled = t.transfer().Cancelled;
            try {
                t.check(r.result, false);
            } catch (const Failure& f) {
                const std::string what = cancelled ? std::string("cancelled while reading the chime for the backup")
                                                   : std::string("reading the chime for the backup failed: ") + f.what();
                throw Failure(f.code, what + "; nothing was written to the chime");
            }
        }
        t.check(r.result, true);
    }
    std::printf("%s: %d bytes written to the %s chime and verified (%d signal%s)%s\n", o.path.c_str(),
                flash->ImageLength, kind.name(), built.sentSignals, built.sentSignals == 1 ? "" : "s",
                o.backup.empty() ? "" : ("; what it held before is kept in " + o.backup).c_str());
    return kOk;
}

struct UploadImageOptions {
    std::string path;
    FormOption form;
};

int uploadImage(const UploadImageOptions& o, const Context& ctx)
{
    // Everything about the file is settled before the chime is touched.
    const zelmar::AddressForm fileForm = o.form.chosen();
    zelmar::SignalSet set;
    std::vector<uint8_t> image = readImageForCommand(o.path, fileForm, set);
    auto link = openChime(ctx);
    const ChimeKind kind = chimeKind(*link);
    auto flash = std::make_unique<zelmar::TUsbFlash>(link->usb());
    try {
        zelmar::loadImageForRestore(*flash, std::move(image), fileForm, kind.form());
    } catch (const zelmar::LimitError& e) {
        throw Failure(kRefused, o.path + ": the " + kind.name() + " chime cannot take this image: " + e.what());
    }
    if (fileForm != kind.form())
        note(std::string("the image is converted to the ") + (kind.hid ? "linear" : "page") + " form of the "
             + kind.name() + " chime");
    runTransfer(*link, *flash, true, kind.hid);
    std::printf("%s: %d bytes written to the %s chime and verified (%zu signal%s)\n", o.path.c_str(),
                flash->ImageLength, kind.name(), set.signals.size(), set.signals.size() == 1 ? "" : "s");
    return kOk;
}

} // namespace

Run defineUpload(CLI::App& c)
{
    auto o = std::make_shared<UploadOptions>();
    addInput(c, "SET.zmr", o->path, "the set file");
    c.add_option("--backup", o->backup, "first keep the chime's whole memory in this file")
        ->type_name("IMAGE.bin")
        ->check(CLI::Validator([](const std::string& name) { return name.empty() ? "needs a file name" : ""; }, ""));
    return [o](const Context& ctx) { return upload(*o, ctx); };
}

Run defineUploadImage(CLI::App& c)
{
    auto o = std::make_shared<UploadImageOptions>();
    addInput(c, "IMAGE.bin", o->path, "a memory image, as download --image-out or upload --backup kept it");
    addForm(c, o->form, false);
    return [o](const Context& ctx) { return uploadImage(*o, ctx); };
}

} // namespace zelmarctl
