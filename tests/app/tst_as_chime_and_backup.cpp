// Previews as the chime plays them (one remembered choice for every place a preview starts), and
// the copy of what the chime holds kept before a send, against the virtual chime.
#include "SilentPlayer.h"
#include "WavBytes.h"
#include "WindowTest.h"

#include "FactorySets.h"
#include "Previews.h"
#include "WizardChoices.h"
#include "device/ChimeSelection.h"
#include "image/ChimePreview.h"
#include "model/SetFile.h"

#include <QCheckBox>
#include <QDir>

using namespace pagedriver;
using zelmar::SignalSet;

namespace {

// Samples the chime's 9-bit code cannot keep exactly, so that the two previews differ.
zelmar::LibrarySound uneven(const std::string& name, int count)
{
    zelmar::LibrarySound s;
    s.name = name;
    std::vector<int16_t> v(static_cast<size_t>(count));
    for (size_t i = 0; i < v.size(); ++i)
        v[i] = int16_t(int(i * 7919 % 30001) - 15000);
    s.sound.SetSamples(std::move(v));
    return s;
}

// Two signals (what the chime holds first) and one (what is sent over it).
SignalSet firstSet()
{
    SignalSet set;
    set.library.push_back(uneven("a", 3000));
    set.library.push_back(sound("b", 1601, -2000, 20));
    set.signals.push_back({"jeden", {element(1, set), zelmar::TDzwiek::pause(40), element(2, set, 7)}});
    set.signals.push_back({"dwa", {element(2, set)}});
    return set;
}

SignalSet secondSet()
{
    SignalSet set;
    set.library.push_back(sound("c", 2500, 4000));
    set.signals.push_back({"trzy", {element(1, set)}});
    return set;
}

QByteArray wav(const std::vector<int16_t>& samples)
{
    return QByteArray::fromStdString(testwav::wavFileBytes(samples));
}

} // namespace

class AsChimeAndBackupTest : public WindowTest {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        WindowTest::init();
        player_ = SilentPlayer();
        previews::setPlayer(&player_);
        // Each test starts without backups (or a file in the folder's place).
        const QString folder = factorysets::defaultInstallDirectory() + QStringLiteral("Backups");
        QFile::remove(folder);
        QDir(folder).removeRecursively();
    }
    void cleanup()
    {
        previews::setPlayer(nullptr);
        WindowTest::cleanup();
    }

    void theBoxChangesWhatPlaysEverywhereAndIsRemembered();
    void aPreviewTheChimeCannotHoldIsRefusedWithAMessage();
    void aSendWithTheBackupKeepsWhatTheChimeHeld_data();
    void aSendWithTheBackupKeepsWhatTheChimeHeld();
    void aBackupThatFailsWritesNothing_data();
    void aBackupThatFailsWritesNothing();

private:
    // Sends `set` from page 4, with or without the backup box ticked; true on the farewell page.
    bool send(Fixture& f, const SignalSet& set, bool backup)
    {
        if (!f.open(set) || !click(*f.form, "Dalej"))
            return false;
        child<QRadioButton>(*f.form, "PrzeslanieRB")->setChecked(true);
        auto* box = child<QCheckBox>(*f.form, "KopiaDzwonkaCB");
        if (box->isChecked() != backup)
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        click(*f.form, "Dalej");
        return f.form->currentPage() == TMainForm::FarewellIndex;
    }
    // The set the chime holds now, read back through the start page.
    SignalSet chimeHolds()
    {
        Fixture g;
        download(g);
        return g.form->currentPage() == TMainForm::SignalListIndex ? g.set() : SignalSet{};
    }
    QStringList backups(TMainForm& form) const
    {
        return QDir(form.installPath() + QStringLiteral("Backups")).entryList(QDir::Files, QDir::Name);
    }

    SilentPlayer player_;
};

void AsChimeAndBackupTest::theBoxChangesWhatPlaysEverywhereAndIsRemembered()
{
    QVERIFY(f_->open(firstSet()));
    TMainForm& form = *f_->form;
    const zelmar::Signal& signal = f_->set().signals[0].elements;
    const QByteArray plain = wav(zelmar::previewSamples(f_->set(), zelmar::PreviewSubject::of(signal), false));
    const QByteArray asChime = wav(zelmar::previewSamples(f_->set(), zelmar::PreviewSubject::of(signal), true));
    QVERIFY(plain != asChime);

    const char* boxes[] = {"JakDzwonekS1CB", "JakDzwonekS2CB", "JakDzwonekS3CB", "JakDzwonekCB"};
    for (const char* name : boxes)
        QVERIFY(!child<QCheckBox>(form, name)->isChecked());
    clickRow(list(form, "ZestawLB"), 0);
    QVERIFY(click(form, "OdtworzS1"));
    auto* box = child<QCheckBox>(form, "JakDzwonekS1CB");
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    QVERIFY(click(form, "OdtworzS1"));
    QCOMPARE(player_.played().size(), 2);
    QCOMPARE(player_.played()[0].bytes, plain);
    QCOMPARE(player_.played()[1].bytes, asChime);
    for (const char* name : boxes)
        QVERIFY2(child<QCheckBox>(form, name)->isChecked(), name);

    // Cleared on the fragment dialog's box, every other box follows.
    child<QCheckBox>(form, "JakDzwonekCB")->click();
    QVERIFY(!child<QCheckBox>(form, "JakDzwonekS2CB")->isChecked());
    child<QCheckBox>(form, "JakDzwonekS3CB")->click();

    // A new window starts with the choice as it was left; a damaged file gives the default.
    Fixture g;
    QVERIFY(g.open(firstSet()));
    QVERIFY(child<QCheckBox>(*g.form, "JakDzwonekS2CB")->isChecked());
    QFile damaged(wizardchoices::storeFile());
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray("\xff\xfe[Choices\nPreviewAsChime=true\n\0\0", 33));
    damaged.close();
    Fixture h;
    QVERIFY(h.open(firstSet()));
    QVERIFY(!child<QCheckBox>(*h.form, "JakDzwonekS1CB")->isChecked());
    // The next change puts a whole file in its place.
    child<QCheckBox>(*h.form, "JakDzwonekS1CB")->click();
    QVERIFY(wizardchoices::read().previewAsChime);
}

void AsChimeAndBackupTest::aPreviewTheChimeCannotHoldIsRefusedWithAMessage()
{
    // A sound of no samples plays as silence here, but no chime can keep it.
    SignalSet set = firstSet();
    set.library.push_back({"pusty", {}});
    set.signals[1].elements.push_back(zelmar::TDzwiek{3, 0, 1, 1, 0});
    QVERIFY(f_->open(set));
    child<QCheckBox>(*f_->form, "JakDzwonekS1CB")->setChecked(true);
    clickRow(list(*f_->form, "ZestawLB"), 1);
    QVERIFY(click(*f_->form, "OdtworzS1"));
    QCOMPARE(dialogs().notices(), QStringList{rsq(65320)});
    QVERIFY(player_.played().isEmpty());
    QVERIFY(f_->form->isEnabled());
}

void AsChimeAndBackupTest::aSendWithTheBackupKeepsWhatTheChimeHeld_data()
{
    QTest::addColumn<bool>("hid");
    QTest::newRow("usb") << false;
    QTest::newRow("hid") << true;
}

void AsChimeAndBackupTest::aSendWithTheBackupKeepsWhatTheChimeHeld()
{
    QFETCH(bool, hid);
    useVirtualChime(hid);
    Fixture first;
    QVERIFY(send(first, firstSet(), false));
    QVERIFY(backups(*first.form).isEmpty());

    Fixture second;
    QVERIFY(send(second, secondSet(), true));
    QVERIFY(second.dialogs.notices().isEmpty());
    const QStringList kept = backups(*second.form);
    QCOMPARE(kept.size(), 2);
    QVERIFY(kept[0].endsWith(".bin") && kept[1].endsWith(".zmr"));
    const SignalSet held = zelmar::readSetFile(
        QFile::encodeName(second.form->installPath() + "Backups/" + kept[1]).toStdString());
    QCOMPARE(held.signals.size(), size_t(2));
    QCOMPARE(held.library[0].sound.SampleCount, 3000);

    QCOMPARE(chimeHolds().signals.size(), size_t(1));
    // The box is remembered for the next window.
    Fixture third;
    QVERIFY(third.open(secondSet()));
    QVERIFY(child<QCheckBox>(*third.form, "KopiaDzwonkaCB")->isChecked());
}

void AsChimeAndBackupTest::aBackupThatFailsWritesNothing_data()
{
    QTest::addColumn<bool>("hid");
    QTest::addColumn<QString>("fault");
    QTest::newRow("usb unplugged") << false << "unplug-at-page=7";
    QTest::newRow("hid unplugged") << true << "unplug-at-page=7";
    QTest::newRow("folder not writable") << false << "";
}

void AsChimeAndBackupTest::aBackupThatFailsWritesNothing()
{
    QFETCH(bool, hid);
    QFETCH(QString, fault);
    useVirtualChime(hid);
    Fixture first;
    QVERIFY(send(first, firstSet(), false));
    const QString folder = first.form->installPath() + QStringLiteral("Backups");
    if (fault.isEmpty()) {
        QFile blocker(folder);   // a file where the folder should be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }

    useVirtualChime(hid, fault.toStdString());
    Fixture second;
    QVERIFY(!send(second, secondSet(), true));
    QCOMPARE(second.form->currentPage(), int(TMainForm::SaveSendIndex));
    const QStringList notices = second.dialogs.notices();
    QVERIFY(!notices.isEmpty());
    if (fault.isEmpty())
        QVERIFY2(notices.last().startsWith(rsq(65322).section(u'\n', 0, 0)), qPrintable(notices.last()));
    else
        QCOMPARE(notices.last(), rsq(65321));
    QVERIFY(!QDir(folder).exists() || backups(*second.form).isEmpty());

    useVirtualChime(hid);
    QCOMPARE(chimeHolds().signals.size(), size_t(2));
}

QTEST_MAIN(AsChimeAndBackupTest)
#include "tst_as_chime_and_backup.moc"
