// The wizard's window with set files: opening (with the dialog, damaged, read-only) and saving
// (a new name, the current file, a failure that keeps the old file).
#include "RecentSets.h"
#include "FactorySets.h"
#include "SetFileTest.h"
#include "model/FileIO.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>

using namespace setfiles;
using pagedriver::child;
using pagedriver::rsq;
using zelmar::SignalSet;

class SetFilesTest : public SetFileTest {
    Q_OBJECT

private Q_SLOTS:
    void openDialogCancelledChangesNothing();
    void openDialogReadsSet();
    void openOfDamagedFileEmptiesSet_data();
    void openOfDamagedFileEmptiesSet();
    void readOnlyFileIsSavedUnderNewName();
    void cancelledSaveSendsNothing();
    void saveAsWritesFileThatReadsBackEqual();
    void saveToCurrentFileWithoutDialog();
    void saveFailureKeepsOldFileAndPage();
    void saveOntoAReadOnlyFileIsRefused();
};

void SetFilesTest::openDialogCancelledChangesNothing()
{
    auto form = makeForm();
    form->state().replaceSet(oneSound());
    choose(*form, "OdczytRB");
    dialogs().answerOpen({});
    click(*form, "Dalej");

    QCOMPARE(form->currentPage(), int(TMainForm::StartPageIndex));
    QCOMPARE(form->state().set().library.size(), size_t(1));
    QCOMPARE(form->windowTitle(), kTitle);
    QCOMPARE(dialogs().count(ScriptedDialogs::Kind::Open), 1);
    const auto& shown = dialogs().shown().front();
    QCOMPARE(shown.startPath, form->installPath() + "Zestawy");
    QCOMPARE(shown.filter, rsq(65234));
    QCOMPARE(dialogs().notices(), QStringList());
}

void SetFilesTest::openDialogReadsSet()
{
    const QString path = writeSample(QStringLiteral("a.zmr"));
    auto form = makeForm();
    choose(*form, "OdczytRB");
    dialogs().answerOpen(path);
    click(*form, "Dalej");

    QCOMPARE(form->currentPage(), int(TMainForm::SignalListIndex));
    QCOMPARE(form->windowTitle(), path + " - " + kTitle);
    expectSameSet(form->state().set(), sampleSet());
    auto* cb = child<QCheckBox>(*form, "ZapisWNowymPlikuCB");
    QVERIFY(cb->isEnabled());
    QVERIFY(!cb->isChecked());
    QCOMPARE(child<QListWidget>(*form, "ZestawLB")->count(), 2);
}

void SetFilesTest::openOfDamagedFileEmptiesSet_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const std::string whole = zelmar::serializeSetFile(sampleSet());
    QTest::newRow("not a set") << QByteArray("hello, world");
    QTest::newRow("truncated") << QByteArray(whole.data(), qsizetype(whole.size() - 7));
    QTest::newRow("no signals") << [&] {
        QByteArray b(whole.data(), qsizetype(whole.size()));
        b[12] = 0;   // S = 0
        return b;
    }();
}

void SetFilesTest::openOfDamagedFileEmptiesSet()
{
    QFETCH(QByteArray, bytes);
    const QString path = tmp_->filePath(QStringLiteral("damaged.zmr"));
    writeBytes(path, bytes);

    auto form = makeForm();
    form->state().replaceSet(sampleSet());   // whatever was there before goes
    choose(*form, "OdczytRB");
    dialogs().answerOpen(path);
    click(*form, "Dalej");

    QCOMPARE(form->currentPage(), int(TMainForm::StartPageIndex));
    QCOMPARE(dialogs().notices(), QStringList{rsfq(65225, path)});
    QVERIFY(form->state().set().empty());
    QVERIFY(form->currentSetFile().isEmpty());
    QCOMPARE(form->windowTitle(), kTitle);
    QCOMPARE(child<QListWidget>(*form, "ZestawLB")->count(), 0);
    QCOMPARE(child<QLabel>(*form, "PozostalyCzasST")->text(), QStringLiteral("Pozostały czas: 103,55 sek."));
}

void SetFilesTest::readOnlyFileIsSavedUnderNewName()
{
    const QString path = writeSample(QStringLiteral("Fabryczny.zmr"));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    const QByteArray before = fileBytes(path);
    const QString renamed = tmp_->filePath(QStringLiteral("Fabryczny (1).zmr"));

    auto form = makeForm(path);
    QCOMPARE(form->currentPage(), int(TMainForm::SignalListIndex));
    QCOMPARE(form->currentSetFile(), renamed);
    QCOMPARE(form->windowTitle(), renamed + " - " + kTitle);
    auto* cb = child<QCheckBox>(*form, "ZapisWNowymPlikuCB");
    QVERIFY(cb->isEnabled());
    QVERIFY(cb->isChecked());

    click(*form, "Dalej");
    choose(*form, "ZapisRB");
    dialogs().answerSave(renamed);
    click(*form, "Dalej");

    QCOMPARE(form->currentPage(), int(TMainForm::FarewellIndex));
    QCOMPARE(dialogs().shown().back().startPath, renamed);
    QCOMPARE(fileBytes(path), before);
    expectSameSet(zelmar::readSetFile(QFile::encodeName(renamed).toStdString()), sampleSet());
}

void SetFilesTest::cancelledSaveSendsNothing()
{
    auto form = makeForm();
    form->state().replaceSet(sampleSet());   // a set made in the editor, never saved
    click(*form, "Dalej");
    click(*form, "Dalej");
    QCOMPARE(form->currentPage(), int(TMainForm::SaveSendIndex));
    QVERIFY(child<QCheckBox>(*form, "ZapisWNowymPlikuCB")->isChecked());

    dialogs().answerSave({});
    click(*form, "Dalej");
    QCOMPARE(form->currentPage(), int(TMainForm::SaveSendIndex));
    QCOMPARE(dialogs().count(ScriptedDialogs::Kind::Save), 1);
    const auto& save = dialogs().shown().front();
    // A new set is saved among the user's own sets, not in the factory folder.
    QCOMPARE(save.startPath, recentsets::saveFolder() + "/nowy zestaw.zmr");
    QCOMPARE(save.places, QStringList{form->installPath() + "Zestawy"});
    QCOMPARE(save.filter, rsq(65234));
    QCOMPARE(save.suffix, QStringLiteral(".zmr"));
    QCOMPARE(dialogs().notices(), QStringList());   // no upload was tried
    QCOMPARE(form->windowTitle(), kTitle);

    // Saved, then the upload fails: the file stays written and the wizard stays here.
    const QString path = tmp_->filePath(QStringLiteral("nowy.zmr"));
    dialogs().answerSave(path);
    click(*form, "Dalej");
    QCOMPARE(form->currentPage(), int(TMainForm::SaveSendIndex));
    QVERIFY(QFile::exists(path));
    QCOMPARE(form->windowTitle(), path + " - " + kTitle);
    QCOMPARE(dialogs().notices().size(), 1);
}

void SetFilesTest::saveAsWritesFileThatReadsBackEqual()
{
    const QString from = writeSample(QStringLiteral("źródło.zmr"));
    auto form = makeForm(from);
    click(*form, "Dalej");
    choose(*form, "ZapisRB");
    child<QCheckBox>(*form, "ZapisWNowymPlikuCB")->setChecked(true);

    const QString to = tmp_->filePath(QStringLiteral("kopia.zmr"));
    dialogs().answerSave(to);
    click(*form, "Dalej");

    QCOMPARE(form->currentPage(), int(TMainForm::FarewellIndex));
    QCOMPARE(dialogs().shown().front().startPath, from);
    QCOMPARE(form->currentSetFile(), to);
    QCOMPARE(form->windowTitle(), to + " - " + kTitle);
    expectSameSet(zelmar::readSetFile(QFile::encodeName(to).toStdString()), sampleSet());
    QCOMPARE(dialogs().notices(), QStringList());
}

void SetFilesTest::saveToCurrentFileWithoutDialog()
{
    const QString path = writeSample(QStringLiteral("a.zmr"));
    auto form = makeForm(path);
    QVERIFY(form->state().beginEdit(1));
    form->state().acceptSignalEdit(QStringLiteral("zmieniony"));
    click(*form, "Dalej");
    choose(*form, "ZapisRB");
    click(*form, "Dalej");

    QCOMPARE(form->currentPage(), int(TMainForm::FarewellIndex));
    QVERIFY(dialogs().shown().isEmpty());
    const SignalSet back = zelmar::readSetFile(QFile::encodeName(path).toStdString());
    QCOMPARE(back.signals[1].name, std::string("zmieniony"));
}

void SetFilesTest::saveFailureKeepsOldFileAndPage()
{
    const QString path = writeSample(QStringLiteral("a.zmr"));
    const QString target = tmp_->filePath(QStringLiteral("cel.zmr"));
    writeBytes(target, "old contents");
    auto form = makeForm(path);
    click(*form, "Dalej");
    child<QCheckBox>(*form, "ZapisWNowymPlikuCB")->setChecked(true);   // save and send

    zelmar::setWriteFailureAfterForTesting(10);
    dialogs().answerSave(target);
    click(*form, "Dalej");

    QCOMPARE(form->currentPage(), int(TMainForm::SaveSendIndex));
    // Only the save failure: the upload was not tried.
    QCOMPARE(dialogs().notices(), QStringList{rsfq(65226, target)});
    QCOMPARE(fileBytes(target), QByteArray("old contents"));
    QCOMPARE(form->currentSetFile(), target);
    expectSameSet(form->state().set(), sampleSet());
}

void SetFilesTest::saveOntoAReadOnlyFileIsRefused()
{
    const QString path = writeSample(QStringLiteral("a.zmr"));
    const QString target = tmp_->filePath(QStringLiteral("ro.zmr"));
    writeBytes(target, "old contents");
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    auto form = makeForm(path);
    click(*form, "Dalej");
    choose(*form, "ZapisRB");
    child<QCheckBox>(*form, "ZapisWNowymPlikuCB")->setChecked(true);
    dialogs().answerSave(target);
    click(*form, "Dalej");

    QCOMPARE(form->currentPage(), int(TMainForm::SaveSendIndex));
    // Why, rather than advice about free space.
    QCOMPARE(dialogs().notices(),
             QStringList{QString::fromStdString(zelmar::rsf(65291, {target.toStdString(), zelmar::rs(65292)}))});
    QCOMPARE(fileBytes(target), QByteArray("old contents"));
}

QTEST_MAIN(SetFilesTest)
#include "tst_set_files.moc"
