#include "KomunikacjaDlg.h"
#include "PolyglotManager.h"

#include "Dialogs.h"
#include "PageKit.h"
#include "device/ChimeSelection.h"
#include "ResourceText.h"

#include <QAbstractEventDispatcher>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <utility>

TKomunikacjaDlg::TKomunikacjaDlg(Dialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("KomunikacjaDlg"));
    setWindowTitle(QStringLiteral("Komunikacja z dzwonkiem"));
    setFont(pagekit::windowFont());
    setFixedSize(514, 119);

    OpisST = new QLabel(this);
    OpisST->setObjectName(QStringLiteral("OpisST"));
    OpisST->setGeometry(10, 10, 496, 20);

    StanG = new QProgressBar(this);
    StanG->setObjectName(QStringLiteral("StanG"));
    StanG->setAccessibleName(QStringLiteral("Postęp przesyłania"));
    StanG->setGeometry(10, 35, 496, 36);
    StanG->setRange(0, 100);
    StanG->setValue(0);
    StanG->setTextVisible(false);
    StanG->setStyleSheet(QStringLiteral("QProgressBar::chunk { background-color: blue; }"));

    Anuluj = new QPushButton(QStringLiteral("Anuluj"), this);
    Anuluj->setObjectName(QStringLiteral("Anuluj"));
    Anuluj->setGeometry(405, 80, 100, 30);
    Anuluj->setAutoDefault(false);
    connect(Anuluj, &QPushButton::clicked, this, &TKomunikacjaDlg::AnulujClick);
    pagekit::scaleWindow(this);
    bsPolyglotTranslator1 = new TbsPolyglotTranslator(this);
}

int TKomunikacjaDlg::transfer(zelmar::TUsbFlash& flash, bool upload, bool useHid)
{
    Flash = &flash;
    Upload = upload;
    UseHid = useHid;
    return exec();
}

zelmar::BackupUpload TKomunikacjaDlg::transferWithBackup(zelmar::TUsbFlash& flash, bool useHid,
                                                         std::function<void(std::span<const uint8_t>)> keep)
{
    keep_ = std::move(keep);
    backup_ = {};
    keepFailure_ = nullptr;
    transfer(flash, true, useHid);
    keep_ = nullptr;
    if (keepFailure_)
        std::rethrow_exception(std::exchange(keepFailure_, nullptr));
    return backup_;
}

void TKomunikacjaDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    centreOnMainWindow();
    FormShow();
}

void TKomunikacjaDlg::FormShow()
{
    Busy = false;
    Cancelled = false;
    // The transfer starts from the event loop, once the window is on screen.
    QCoreApplication::postEvent(this, new QEvent(QEvent::Type(kStartEvent)));
}

void TKomunikacjaDlg::customEvent(QEvent* event)
{
    if (event->type() == QEvent::Type(kStartEvent)) {
        // A window closed before its start message arrived runs nothing.
        if (isVisible())
            runTransfer();
    }
    else
        QDialog::customEvent(event);
}

void TKomunikacjaDlg::runTransfer()
{
    pumps_ = 0;
    failure_ = {};
    if (!Flash) {
        done(2);
        return;
    }
    zelmar::Timer timer(Clock ? *Clock : zelmar::steadyClock());
    zelmar::HidBus& hid = Hid ? *Hid : zelmar::currentChime().hid();
    zelmar::DeviceTransfer t(*Flash, hid, *this, timer);
    int result = 2;
    if (keep_ && Upload) {
        // An exception must not cross the event loop; it leaves through transferWithBackup.
        try {
            backup_ = zelmar::uploadWithBackup(t, *Flash, UseHid, keep_);
        } catch (...) {
            keepFailure_ = std::current_exception();
        }
        result = backup_.result;
    } else {
        result = t.run(Upload, UseHid);
    }
    Busy = false;
    if (t.Cancelled)
        Cancelled = true;
    if (isVisible())
        done(result);
    else
        setResult(result);
}

void TKomunikacjaDlg::phase(int textId, int gaugeMax)
{
    // Before a send, the chime is read to keep a copy, not to download a set.
    constexpr int kTextKeepingCopy = 65440;
    OpisST->setText(rsq(keep_ && Upload && textId == zelmar::kTextReading ? kTextKeepingCopy : textId));
    OpisST->repaint();
    StanG->setRange(0, gaugeMax);
    StanG->setValue(0);
}

void TKomunikacjaDlg::progress(int value)
{
    StanG->setValue(std::min(value, StanG->maximum()));
    StanG->repaint();
    // One pass of the event loop, never waiting: clicks and close requests reach the window
    // only here, once a page.
    ++pumps_;
    if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance())
        d->processEvents(QEventLoop::AllEvents);
}

void TKomunikacjaDlg::waiting()
{
    // While the chime is waited for, the window still answers (and Anuluj is heard).
    if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance())
        d->processEvents(QEventLoop::AllEvents);
}

void TKomunikacjaDlg::failed(const zelmar::TransferFailure& f)
{
    failure_ = f;
    dialogs_.notify(this, QString::fromStdString(zelmar::failureText(f)));
}

void TKomunikacjaDlg::AnulujClick()
{
    if (dialogs_.ask(this, rsq(zelmar::kTextCancelQuestion), rsq(zelmar::kTextAppTitle)))
        Cancelled = true;
    // While a transfer runs it decides the result; the button alone closes only an idle window.
    if (!Busy)
        done(2);
}

void TKomunikacjaDlg::closeEvent(QCloseEvent* event)
{
    if (Busy) {
        event->ignore();
        AnulujClick();
        return;
    }
    QDialog::closeEvent(event);
}

void TKomunikacjaDlg::reject()
{
    if (Busy)
        AnulujClick();
    else
        done(2);
}

void TKomunikacjaDlg::centreOnMainWindow()
{
    QWidget* main = parentWidget() ? parentWidget()->window() : nullptr;
    if (!main)
        return;
    QRect frame(QPoint(), frameGeometry().size());
    frame.moveCenter(main->frameGeometry().center());
    move(frame.topLeft());
}
