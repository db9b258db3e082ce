#pragma once
// The transfer window: runs one device transfer while it is on screen, shows its phase and gauge,
// and offers Anuluj, which asks before it cancels at the next page.
#include "device/Transfer.h"
#include "image/Backup.h"

#include <QDialog>

#include <exception>
#include <functional>

class Dialogs;
class QLabel;
class QProgressBar;
class QPushButton;
class TbsPolyglotTranslator;

class TKomunikacjaDlg : public QDialog, private zelmar::TransferObserver {
    Q_OBJECT
public:
    explicit TKomunikacjaDlg(Dialogs& dialogs, QWidget* parent = nullptr);

    QLabel* OpisST;
    QProgressBar* StanG;
    QPushButton* Anuluj;

    bool Busy = false;
    bool Cancelled = false;
    bool Upload = false;
    bool UseHid = false;

    // What the transfer works on; set by the caller before showing. The HID bus and the clock
    // default to the chime chosen for the process and the steady clock.
    zelmar::TUsbFlash* Flash = nullptr;
    zelmar::HidBus* Hid = nullptr;
    zelmar::MonotonicClock* Clock = nullptr;

    // Shows the window modally and runs the transfer: 1 completed, 2 anything else.
    int transfer(zelmar::TUsbFlash& flash, bool upload, bool useHid);
    // The same for an upload that first reads the whole chime and hands its image to `keep`
    // (uploadWithBackup); whatever `keep` throws comes out of here once the window is closed.
    zelmar::BackupUpload transferWithBackup(zelmar::TUsbFlash& flash, bool useHid,
                                            std::function<void(std::span<const uint8_t>)> keep);

    // Pages (and erase polls) that pumped the event loop during the last transfer.
    int pumps() const { return pumps_; }
    const zelmar::TransferFailure& lastFailure() const { return failure_; }

    static constexpr int kStartEvent = 0x8001;

public Q_SLOTS:
    void AnulujClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void customEvent(QEvent* event) override;
    void reject() override;

private:
    void FormShow();
    void runTransfer();
    void centreOnMainWindow();

    void phase(int textId, int gaugeMax) override;
    void progress(int value) override;
    void waiting() override;
    bool cancelRequested() override { return Cancelled; }
    void busy(bool on) override { Busy = on; }
    void failed(const zelmar::TransferFailure& f) override;

    Dialogs& dialogs_;
    std::function<void(std::span<const uint8_t>)> keep_;
    zelmar::BackupUpload backup_;
    std::exception_ptr keepFailure_;
    int pumps_ = 0;
    zelmar::TransferFailure failure_;
    TbsPolyglotTranslator* bsPolyglotTranslator1 = nullptr;
};
