#include "ChimeRoads.h"

#include "Dialogs.h"
#include "FileMessages.h"
#include "KomunikacjaDlg.h"
#include "ResourceText.h"
#include "WizardState.h"
#include "device/ChimeSelection.h"
#include "device/HidLayer.h"
#include "image/Backup.h"
#include "image/ImageBuilder.h"
#include "image/ImageReader.h"
#include "model/Errors.h"

#include <QFile>
#include <QWidget>

#include <ctime>
#include <memory>
#include <new>

namespace {

// Without an owner window the transfer window lives for one transfer only.
TKomunikacjaDlg* dialogFor(QWidget* parent, Dialogs& dialogs, std::unique_ptr<TKomunikacjaDlg>& own)
{
    if (parent)
        return &transferDialog(*parent, dialogs);
    own = std::make_unique<TKomunikacjaDlg>(dialogs);
    return own.get();
}

// What a send with a backup says when it stops: the chime could not be read, the copy could not
// be kept, or the copy is kept but the send failed.
constexpr int kBackupNotRead = 65321;
constexpr int kBackupNotKept = 65322;
constexpr int kBackupKeptSendFailed = 65323;

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

bool uploadSetToChime(QWidget* parent, Dialogs& dialogs, const zelmar::SignalSet& set, zelmar::TUsbFlash& flash,
                      const QString& backupFolder)
{
    const bool useHid = hidPresent();
    const auto form = useHid ? zelmar::AddressForm::Linear : zelmar::AddressForm::Page;
    try {
        const zelmar::BuildResult built = zelmar::buildImage(set, form, flash);
        if (built.someSignalsSkipped)
            dialogs.notify(parent, rsq(zelmar::kSignalsSkipped));
    } catch (const zelmar::LimitError& e) {
        dialogs.notify(parent, rsq(e.resourceId));
        return false;
    }
    std::unique_ptr<TKomunikacjaDlg> own;
    TKomunikacjaDlg* window = dialogFor(parent, dialogs, own);
    if (backupFolder.isEmpty())
        return window->transfer(flash, true, useHid) == 1;

    zelmar::KeptBackup kept;
    zelmar::BackupUpload r;
    try {
        r = window->transferWithBackup(flash, useHid, [&](std::span<const uint8_t> image) {
            kept = zelmar::keepBackup(QFile::encodeName(backupFolder).toStdString(), image, form, std::time(nullptr));
        });
    } catch (const std::exception& e) {
        dialogs.notify(parent, rsfq(kBackupNotKept, {backupFolder.toStdString(), filemessages::writeReason(e).toStdString()}));
        return false;
    }
    if (!r.written) {
        // The transfer window has said why the read failed; a cancel needs no word.
        if (!window->Cancelled)
            dialogs.notify(parent, rsq(kBackupNotRead));
        return false;
    }
    if (r.result != 1) {
        const std::string& way = kept.set.empty() ? kept.image : kept.set;
        dialogs.notify(parent, rsfq(kBackupKeptSendFailed, {QFile::decodeName(QByteArray::fromStdString(way)).toStdString()}));
        return false;
    }
    return true;
}

bool downloadSetFromChime(QWidget* parent, Dialogs& dialogs, WizardState& state, zelmar::TUsbFlash& flash)
{
    const bool useHid = hidPresent();
    std::unique_ptr<TKomunikacjaDlg> own;
    if (dialogFor(parent, dialogs, own)->transfer(flash, false, useHid) != 1)
        return false;
    int failure = 0;
    zelmar::SignalSet read;
    try {
        read = zelmar::parseImage(std::span<const uint8_t>(flash.Image.data(), size_t(flash.ImageLength)),
                                  useHid ? zelmar::AddressForm::Linear : zelmar::AddressForm::Page);
    } catch (const std::bad_alloc&) {
        failure = 65228;
    } catch (...) {
        failure = 65229;
    }
    if (failure == 0) {
        state.replaceSet(std::move(read));
        return true;
    }
    state.clearSet();
    dialogs.notify(parent, rsq(failure));
    return false;
}
