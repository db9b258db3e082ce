#include "ChimeRoads.h"

#include "Dialogs.h"
#include "KomunikacjaDlg.h"
#include "device/ChimeSelection.h"
#include "device/HidLayer.h"
#include "i18n/ResourceStrings.h"
#include "image/ImageBuilder.h"
#include "image/ImageReader.h"
#include "model/Errors.h"

#include <QWidget>

#include <memory>
#include <new>

namespace {

QString text(int id)
{
    return QString::fromStdString(zelmar::rs(id));
}

// Without an owner window the transfer window lives for one transfer only.
TKomunikacjaDlg* dialogFor(QWidget* parent, Dialogs& dialogs, std::unique_ptr<TKomunikacjaDlg>& own)
{
    if (parent)
        return &transferDialog(*parent, dialogs);
    own = std::make_unique<TKomunikacjaDlg>(dialogs);
    return own.get();
}

// A HID chime is used whenever one can be claimed right now.
bool hidPresent()
{
    return zelmar::hidChimePresent(zelmar::currentChime().hid());
}

} // namespace

TKomunikacjaDlg& transferDialog(QWidget& mainWindow, Dialogs& dialogs)
{
    if (auto* d = mainWindow.findChild<TKomunikacjaDlg*>(QString(), Qt::FindDirectChildrenOnly))
        return *d;
    return *new TKomunikacjaDlg(dialogs, &mainWindow);
}

bool uploadSetToChime(QWidget* parent, Dialogs& dialogs, const zelmar::SignalSet& set, zelmar::TUsbFlash& flash)
{
    const bool useHid = hidPresent();
    const auto form = useHid ? zelmar::AddressForm::Linear : zelmar::AddressForm::Page;
    try {
        const zelmar::BuildResult built = zelmar::buildImage(set, form, flash);
        if (built.someSignalsSkipped)
            dialogs.notify(parent, text(zelmar::kSignalsSkipped));
    } catch (const zelmar::LimitError& e) {
        dialogs.notify(parent, text(e.resourceId));
        return false;
    }
    std::unique_ptr<TKomunikacjaDlg> own;
    return dialogFor(parent, dialogs, own)->transfer(flash, true, useHid) == 1;
}

bool downloadSetFromChime(QWidget* parent, Dialogs& dialogs, zelmar::SignalSet& set, zelmar::TUsbFlash& flash)
{
    const bool useHid = hidPresent();
    std::unique_ptr<TKomunikacjaDlg> own;
    if (dialogFor(parent, dialogs, own)->transfer(flash, false, useHid) != 1)
        return false;
    set.clear();
    try {
        set = zelmar::parseImage(std::span<const uint8_t>(flash.Image.data(), size_t(flash.ImageLength)),
                                 useHid ? zelmar::AddressForm::Linear : zelmar::AddressForm::Page);
    } catch (const std::bad_alloc&) {
        set.clear();
        dialogs.notify(parent, text(65228));
        return false;
    } catch (...) {
        set.clear();
        dialogs.notify(parent, text(65229));
        return false;
    }
    return true;
}
