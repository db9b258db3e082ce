// The transfer window against the virtual chime: results, gauge, cancel and close while busy.
#include "KomunikacjaDlg.h"
#include "ScriptedDialogs.h"
#include "device/VirtualChime.h"
#include "i18n/ResourceStrings.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace zelmar;

namespace {

QString rsq(int id)
{
    return QString::fromStdString(rs(id));
}

// One chime, one window and one image per test.
struct Rig {
    explicit Rig(ChimeKind kind, VirtualFault fault = {})
        : chime(QFile::encodeName(dir.filePath("chime.bin")).toStdString(), kind, fault), dlg(dialogs)
    {
        flash.SetBus(&chime.usbBus());
        flash.SetClock(&clock);
        dlg.Hid = &chime.hidBus();
        dlg.Clock = &clock;
        for (int i = 0; i < kImageSize; ++i)
            flash.Image[size_t(i)] = uint8_t(i * 7 + i / 528);
    }
    int upload(int32_t length)
    {
        flash.ImageLength = length;
        return dlg.transfer(flash, true, chime.kind() == ChimeKind::Hid);
    }
    // At request n the user does `act`; it reaches the window through the event loop.
    void atRequest(long n, std::function<void()> act)
    {
        chime.onRequest = [n, act](long r) {
            if (r == n)
                QMetaObject::invokeMethod(qApp, act, Qt::QueuedConnection);
        };
    }

    QTemporaryDir dir;
    VirtualChime chime;
    SteppingClock clock;
    TUsbFlash flash;
    ScriptedDialogs dialogs;
    TKomunikacjaDlg dlg;
};

} // namespace

class KomunikacjaTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void layout();
    void uploadPumpsOncePerPageAndEndsWithOne();
    void downloadFillsTheImage();
    void cancelAnsweredNoFinishes();
    void cancelAnsweredYesEndsAfterThePage();
    void closingWhileBusyAsksTheCancelQuestion();
    void failuresAreShownOnceAndEndWithTwo();
    void theWindowServesTransferAfterTransfer();
    void anulujIsHeardWhileTheMemoryIsWaitedFor();
};

void KomunikacjaTest::layout()
{
    ScriptedDialogs dialogs;
    TKomunikacjaDlg dlg(dialogs);
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Komunikacja z dzwonkiem"));
    QCOMPARE(dlg.size(), QSize(514, 119));
    QCOMPARE(dlg.OpisST->geometry(), QRect(10, 10, 496, 20));
    QCOMPARE(dlg.StanG->geometry(), QRect(10, 35, 496, 36));
    QCOMPARE(dlg.Anuluj->geometry(), QRect(405, 80, 100, 30));
    QCOMPARE(dlg.Anuluj->text(), QStringLiteral("Anuluj"));
    QVERIFY(!(dlg.windowFlags() & Qt::WindowCloseButtonHint));
    QCOMPARE(dlg.findChild<QPushButton*>("Anuluj"), dlg.Anuluj);
}

void KomunikacjaTest::uploadPumpsOncePerPageAndEndsWithOne()
{
    Rig rig(ChimeKind::Usb);
    QCOMPARE(rig.upload(10 * 528), 1);
    QCOMPARE(rig.dlg.pumps(), 20);   // ten pages written, ten verified
    QCOMPARE(rig.dlg.OpisST->text(), rsq(65206));
    QCOMPARE(rig.dlg.StanG->maximum(), 10);
    QCOMPARE(rig.dlg.StanG->value(), 10);
    QVERIFY(!rig.dlg.Busy);
    QVERIFY(!rig.dlg.isVisible());
    QVERIFY(rig.dialogs.shown().isEmpty());
}

void KomunikacjaTest::downloadFillsTheImage()
{
    Rig rig(ChimeKind::Hid);
    QCOMPARE(rig.upload(3000), 1);
    std::vector<uint8_t> sent(rig.flash.Image.begin(), rig.flash.Image.begin() + 3000);
    std::fill(rig.flash.Image.begin(), rig.flash.Image.end(), 0);
    QCOMPARE(rig.dlg.transfer(rig.flash, false, true), 1);
    QCOMPARE(rig.flash.ImageLength, kImageSize);
    QVERIFY(std::equal(sent.begin(), sent.end(), rig.flash.Image.begin()));
    QCOMPARE(rig.dlg.OpisST->text(), rsq(65200));
    QCOMPARE(rig.dlg.StanG->maximum(), 4096);
    QCOMPARE(rig.dlg.StanG->value(), 4096);
}

void KomunikacjaTest::cancelAnsweredNoFinishes()
{
    Rig rig(ChimeKind::Usb);
    rig.atRequest(40, [&] { rig.dlg.Anuluj->click(); });
    rig.dialogs.answerAsk(false);
    QCOMPARE(rig.upload(10 * 528), 1);
    QCOMPARE(rig.dialogs.questions(), QStringList{rsq(65205)});
    QCOMPARE(rig.dialogs.shown().at(0).caption, rsq(65233));
    QCOMPARE(rig.dlg.pumps(), 20);
    QVERIFY(rig.dialogs.unexpected().isEmpty());
}

void KomunikacjaTest::cancelAnsweredYesEndsAfterThePage()
{
    Rig rig(ChimeKind::Usb);
    // Request 40 falls in the fifth page written (identification takes 2, a page 8).
    rig.atRequest(40, [&] { rig.dlg.Anuluj->click(); });
    rig.dialogs.answerAsk(true);
    QCOMPARE(rig.upload(10 * 528), 2);
    QCOMPARE(rig.dlg.OpisST->text(), rsq(65201));
    QCOMPARE(rig.dlg.StanG->value(), 5);
    QCOMPARE(rig.chime.requests(), 2L + 5 * 8);
    QCOMPARE(rig.dialogs.notices(), QStringList());
    QVERIFY(rig.dlg.Cancelled);
}

void KomunikacjaTest::closingWhileBusyAsksTheCancelQuestion()
{
    for (bool yes : {false, true}) {
        Rig rig(ChimeKind::Hid);
        rig.atRequest(20, [&] { QCoreApplication::postEvent(&rig.dlg, new QCloseEvent); });
        rig.dialogs.answerAsk(yes);
        QCOMPARE(rig.upload(40 * 512), yes ? 2 : 1);
        QCOMPARE(rig.dialogs.questions(), QStringList{rsq(65205)});
        QVERIFY(rig.dialogs.unexpected().isEmpty());
        if (yes)
            QVERIFY(rig.chime.requests() < 30);
    }
}

void KomunikacjaTest::failuresAreShownOnceAndEndWithTwo()
{
    {
        Rig rig(ChimeKind::Hid, VirtualFault{VirtualFault::FailRequest, 2});
        QCOMPARE(rig.upload(512), 2);
        QCOMPARE(rig.dialogs.notices(), QStringList{QString::fromStdString(HidErrorText(2))});
        QVERIFY(!rig.dlg.isVisible());
        QVERIFY(!rig.dlg.Busy);
    }
    {
        // The HID chime looked for, but only a USB one present: nothing to claim.
        Rig rig(ChimeKind::Usb);
        rig.flash.ImageLength = 512;
        QCOMPARE(rig.dlg.transfer(rig.flash, true, true), 2);
        QCOMPARE(rig.dialogs.notices(), QStringList{QString::fromStdString(HidErrorText(0))});
    }
    {
        Rig rig(ChimeKind::Usb, VirtualFault{VirtualFault::UnplugAtPage, 3});
        QCOMPARE(rig.upload(10 * 528), 2);
        QCOMPARE(rig.dialogs.notices(), QStringList{rsq(65203) + QStringLiteral("\nPopraw kabel łączący dzwonek z komputerem i spróbuj jeszcze raz.")});
        // The lost program command of page 3 is unchecked; the writes of page 4 reveal it.
        QCOMPARE(rig.dlg.StanG->value(), 4);
    }
    {
        Rig rig(ChimeKind::Usb, VirtualFault{VirtualFault::CorruptOffset, 700});
        QCOMPARE(rig.upload(10 * 528), 2);
        QCOMPARE(rig.dialogs.notices(), QStringList{rsq(65203) + "\n" + rsq(65204)});
    }
}

void KomunikacjaTest::theWindowServesTransferAfterTransfer()
{
    Rig rig(ChimeKind::Usb);
    rig.atRequest(12, [&] { rig.dlg.Anuluj->click(); });
    rig.dialogs.answerAsk(true);
    QCOMPARE(rig.upload(5 * 528), 2);
    // Showing again clears the cancel.
    rig.chime.onRequest = nullptr;
    QCOMPARE(rig.upload(5 * 528), 1);
    QVERIFY(!rig.dlg.Cancelled);
}

void KomunikacjaTest::anulujIsHeardWhileTheMemoryIsWaitedFor()
{
    // Two pages take 18 requests; from then on verification waits for a memory never ready.
    Rig rig(ChimeKind::Usb, VirtualFault{VirtualFault::NeverReady, 1});
    rig.atRequest(30, [&] { rig.dlg.Anuluj->click(); });
    rig.dialogs.answerAsk(true);
    QCOMPARE(rig.upload(2 * 528), 2);
    QCOMPARE(rig.dialogs.questions(), QStringList{rsq(65205)});
    QCOMPARE(rig.dialogs.notices(), QStringList());
    QCOMPARE(rig.dlg.OpisST->text(), rsq(65206));
    QVERIFY(rig.dlg.Cancelled);
    // A look at the window every 50 ms of waiting, not after the whole limit.
    QVERIFY2(rig.chime.requests() < 200, QByteArray::number(int(rig.chime.requests())));
}

QTEST_MAIN(KomunikacjaTest)
#include "tst_komunikacja.moc"
