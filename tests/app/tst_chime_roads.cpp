// The wizard's roads to the chime: page 4 "send" and page 0 "download", against the virtual chime.
#include "WindowTest.h"

#include "device/ChimeSelection.h"
#include "device/HidLayer.h"
#include "device/Transfer.h"
#include "i18n/ResourceStrings.h"

#include <QRadioButton>

using namespace pagedriver;
using zelmar::SignalSet;

namespace {

SignalSet sampleSet()
{
    SignalSet set;
    set.library.push_back(sound("gong", 4000, 3000));
    set.library.push_back(sound("dzyń", 1601, -2000, 20));
    set.signals.push_back({"dzwonek", {element(1, set), zelmar::TDzwiek::pause(40), element(2, set, 7)}});
    set.signals.push_back({"drugi", {element(2, set)}});
    return set;
}

} // namespace

class ChimeRoadsTest : public WindowTest {
    Q_OBJECT
private Q_SLOTS:
    void sendReachesTheFarewellAndDownloadShowsTheSet_data();
    void sendReachesTheFarewellAndDownloadShowsTheSet();
    void aFailedSendStaysOnPageFour();
    void aSetWithoutSoundsIsRefusedBeforeAnyTransfer();
    void signalsWithoutSoundsAreLeftOutWithANotice();
    void anErasedChimeGivesTheInvalidContentNotice();
    void aFailedDownloadLeavesTheSetAsItWas();
    void aSendTheChimeCouldNotKeepFailsAndIsNotReadBack_data();
    void aSendTheChimeCouldNotKeepFailsAndIsNotReadBack();
    void aHidChimeThatCannotBeOpenedIsLeftOutWithTheAccessHint();

private:
    bool toPageFour(Fixture& f, const SignalSet& set, const char* choice)
    {
        if (!f.open(set) || !click(*f.form, "Dalej"))
            return false;
        child<QRadioButton>(*f.form, choice)->setChecked(true);
        return f.form->currentPage() == TMainForm::SaveSendIndex;
    }
};

void ChimeRoadsTest::sendReachesTheFarewellAndDownloadShowsTheSet_data()
{
    QTest::addColumn<bool>("hid");
    QTest::newRow("usb") << false;
    QTest::newRow("hid") << true;
}

void ChimeRoadsTest::sendReachesTheFarewellAndDownloadShowsTheSet()
{
    QFETCH(bool, hid);
    useVirtualChime(hid);
    Fixture f;
    QVERIFY(toPageFour(f, sampleSet(), "PrzeslanieRB"));
    QVERIFY(click(*f.form, "Dalej"));
    QCOMPARE(f.form->currentPage(), int(TMainForm::FarewellIndex));
    QVERIFY(f.dialogs.notices().isEmpty() && f.dialogs.unexpected().isEmpty());

    Fixture g;
    QVERIFY(download(g));
    QCOMPARE(g.form->currentPage(), int(TMainForm::SignalListIndex));
    QVERIFY(g.dialogs.notices().isEmpty() && g.dialogs.unexpected().isEmpty());
    const SignalSet& got = g.set();
    QCOMPARE(got.signals.size(), size_t(2));
    QCOMPARE(QString::fromStdString(got.signals[1].name), QStringLiteral("drugi"));
    QCOMPARE(got.library.size(), size_t(2));
    QCOMPARE(QString::fromStdString(got.library[1].name), QStringLiteral("dzyń"));
    QCOMPARE(got.library[0].sound.SampleCount, 4000);
    QVERIFY(got.backdoor.has_value());
    QCOMPARE(list(*g.form, "ZestawLB")->count(), 2);
    QVERIFY(rowTexts(list(*g.form, "ZestawLB")).join('|').contains("dzwonek"));
}

void ChimeRoadsTest::aFailedSendStaysOnPageFour()
{
    // Steps 1-3, two erase polls, then step 6 fails.
    useVirtualChime(true, "fail-request=6");
    Fixture f;
    QVERIFY(toPageFour(f, sampleSet(), "PrzeslanieRB"));
    QVERIFY(click(*f.form, "Dalej"));
    QCOMPARE(f.form->currentPage(), int(TMainForm::SaveSendIndex));
    QCOMPARE(f.dialogs.notices(), QStringList{QString::fromStdString(zelmar::HidErrorText(6))});
}

void ChimeRoadsTest::aSetWithoutSoundsIsRefusedBeforeAnyTransfer()
{
    useVirtualChime(false);
    SignalSet set = sampleSet();
    for (auto& s : set.signals)
        s.elements = {zelmar::TDzwiek::pause(30)};
    Fixture f;
    QVERIFY(toPageFour(f, set, "PrzeslanieRB"));
    QVERIFY(click(*f.form, "Dalej"));
    QCOMPARE(f.form->currentPage(), int(TMainForm::SaveSendIndex));
    QCOMPARE(f.dialogs.notices(), QStringList{rsq(65230)});
    QCOMPARE(zelmar::currentChime().virtualChime()->requests(), 0L);
}

void ChimeRoadsTest::signalsWithoutSoundsAreLeftOutWithANotice()
{
    useVirtualChime(false);
    SignalSet set = sampleSet();
    set.signals.push_back({"cisza", {zelmar::TDzwiek::pause(30)}});
    Fixture f;
    QVERIFY(toPageFour(f, set, "PrzeslanieRB"));
    QVERIFY(click(*f.form, "Dalej"));
    QCOMPARE(f.dialogs.notices(), QStringList{rsq(65231)});
    QCOMPARE(f.form->currentPage(), int(TMainForm::FarewellIndex));
    Fixture g;
    QVERIFY(download(g));
    QCOMPARE(g.set().signals.size(), size_t(2));
}

void ChimeRoadsTest::anErasedChimeGivesTheInvalidContentNotice()
{
    useVirtualChime(false);
    Fixture f;
    QVERIFY(download(f));
    QCOMPARE(f.form->currentPage(), int(TMainForm::StartPageIndex));
    QCOMPARE(f.dialogs.notices(), QStringList{rsq(65229)});
    QVERIFY(f.set().empty());
}

void ChimeRoadsTest::aFailedDownloadLeavesTheSetAsItWas()
{
    useVirtualChime(false, "fail-request=100");
    Fixture f;
    QVERIFY(f.open(sampleSet()));
    f.form->showPage(TMainForm::StartPageIndex);
    const size_t before = f.set().signals.size();
    child<QRadioButton>(*f.form, "PobranieRB")->setChecked(true);
    QVERIFY(click(*f.form, "Dalej"));
    QCOMPARE(f.form->currentPage(), int(TMainForm::StartPageIndex));
    QCOMPARE(f.dialogs.notices(), QStringList{rsq(65203) + QStringLiteral("\nPopraw kabel łączący dzwonek z komputerem i spróbuj jeszcze raz.")});
    QCOMPARE(f.set().signals.size(), before);
}

void ChimeRoadsTest::aSendTheChimeCouldNotKeepFailsAndIsNotReadBack_data()
{
    sendReachesTheFarewellAndDownloadShowsTheSet_data();
}

void ChimeRoadsTest::aSendTheChimeCouldNotKeepFailsAndIsNotReadBack()
{
    QFETCH(bool, hid);
    useVirtualChime(hid);
    // The chime's folder goes away during the transfer, so its file cannot take the new memory.
    zelmar::currentChime().virtualChime()->onRequest = [this](long n) {
        if (n == 5)
            chimeDir_->remove();
    };
    Fixture f;
    QVERIFY(toPageFour(f, sampleSet(), "PrzeslanieRB"));
    QVERIFY(click(*f.form, "Dalej"));
    QCOMPARE(f.form->currentPage(), int(TMainForm::SaveSendIndex));
    QCOMPARE(f.dialogs.notices().size(), 1);
    QVERIFY(f.dialogs.notices()[0].startsWith(QString::fromStdString(zelmar::rsf(65261, {std::string()}))));

    // The download finds what the file holds (nothing), not the set that was never kept.
    zelmar::currentChime().virtualChime()->onRequest = nullptr;
    Fixture g;
    QVERIFY(download(g));
    QCOMPARE(g.form->currentPage(), int(TMainForm::StartPageIndex));
    QCOMPARE(g.dialogs.notices(), QStringList{rsq(65229)});
}

void ChimeRoadsTest::aHidChimeThatCannotBeOpenedIsLeftOutWithTheAccessHint()
{
    // A HID chime listed by the platform whose node this user may not open.
    class Locked : public zelmar::HidBus {
    public:
        std::vector<zelmar::HidDeviceInfo> enumerate() override
        {
            return {{zelmar::kHidVendorId, zelmar::kHidProductId, "/dev/hidraw3", "VORANEX", "ZELMAR"}};
        }
        std::unique_ptr<zelmar::HidConnection> open(const zelmar::HidDeviceInfo&) override { return nullptr; }
        bool permitted(const zelmar::HidDeviceInfo&) override { return false; }
    } locked;

    // Alone, it gives no communication and says why.
    zelmar::useChimeLink(std::make_unique<zelmar::ChimeLink>(zelmar::emptyUsbBus(), locked));
    Fixture f;
    QVERIFY(toPageFour(f, sampleSet(), "PrzeslanieRB"));
    QVERIFY(click(*f.form, "Dalej"));
    QCOMPARE(f.form->currentPage(), int(TMainForm::SaveSendIndex));
    // Only the way to the permission: nothing of cables.
    QCOMPARE(f.dialogs.notices(), QStringList{rsq(65260)});

    // Beside a USB chime, the transfer goes to the USB chime.
    QTemporaryDir dir;
    zelmar::VirtualChime usb(QFile::encodeName(dir.filePath("usb.bin")).toStdString(), zelmar::ChimeKind::Usb);
    zelmar::useChimeLink(std::make_unique<zelmar::ChimeLink>(usb.usbBus(), locked));
    Fixture g;
    QVERIFY(toPageFour(g, sampleSet(), "PrzeslanieRB"));
    QVERIFY(click(*g.form, "Dalej"));
    QCOMPARE(g.form->currentPage(), int(TMainForm::FarewellIndex));
    QVERIFY(g.dialogs.notices().isEmpty());
    zelmar::useChime({});
}

QTEST_MAIN(ChimeRoadsTest)
#include "tst_chime_roads.moc"
