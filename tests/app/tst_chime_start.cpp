// The chime chosen at start: a virtual chime that cannot be used is reported in the wizard's own
// words, and the wizard goes on as with no chime plugged in.
#include "ChimeStart.h"
#include "PageDriver.h"

#include "device/ChimeSelection.h"

#include <QFileInfo>
#include <QRadioButton>

using namespace pagedriver;

class ChimeStartTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { initTestProgram(settings_); }
    void cleanup() { zelmar::useChime({}); }

    void aMissingFolderLeavesTheWizardWithoutAChime_data();
    void aMissingFolderLeavesTheWizardWithoutAChime();
    void aUsableFileBecomesTheChime();

private:
    QTemporaryDir settings_;
};

void ChimeStartTest::aMissingFolderLeavesTheWizardWithoutAChime_data()
{
    QTest::addColumn<bool>("hid");
    QTest::newRow("usb") << false;
    QTest::newRow("hid") << true;
}

void ChimeStartTest::aMissingFolderLeavesTheWizardWithoutAChime()
{
    QFETCH(bool, hid);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("brak/dzwonek.bin"));
    std::vector<std::string> args{"zestaw.zmr", "--virtual-chime", QFile::encodeName(file).toStdString()};
    if (hid)
        args.push_back("--hid");

    QString unusable;
    try {
        unusable = useChosenChime(args);
    } catch (const std::exception& e) {
        QFAIL(e.what());
    }
    QCOMPARE(unusable, file);
    QCOMPARE(args, std::vector<std::string>{"zestaw.zmr"});
    QVERIFY(!QFileInfo::exists(file));

    ScriptedDialogs dialogs;
    TMainForm form(dialogs);
    form.show();
    noticeUnusableChime(&form, dialogs, unusable);
    const QString notice = dialogs.notices().value(0);
    QVERIFY(notice.contains(file));
    QCOMPARE(notice, QString::fromStdString(zelmar::rsf(65280, {file.toStdString()})));
    QVERIFY(notice.startsWith(QStringLiteral("Nie można użyć wirtualnego dzwonka")));

    // A download then finds no chime at all, rather than the hardware the user did not ask for.
    dialogs.reset();
    child<QRadioButton>(form, "PobranieRB")->setChecked(true);
    QVERIFY(click(form, "Dalej"));
    QCOMPARE(form.currentPage(), int(TMainForm::StartPageIndex));
    QCOMPARE(dialogs.notices(), QStringList{rsq(65202)});
    QVERIFY(dialogs.unexpected().isEmpty());
}

void ChimeStartTest::aUsableFileBecomesTheChime()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("dzwonek.bin"));
    std::vector<std::string> args{"--virtual-chime", QFile::encodeName(file).toStdString()};
    QCOMPARE(useChosenChime(args), QString());
    QVERIFY(args.empty());
    QVERIFY(zelmar::currentChime().virtualChime());
    QVERIFY(QFileInfo::exists(file));

    std::vector<std::string> noFile{"--virtual-chime"};
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, useChosenChime(noFile));
}

QTEST_MAIN(ChimeStartTest)
#include "tst_chime_start.moc"
