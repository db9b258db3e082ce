// The wizard's window: start-up, the flow between pages, closing, and the settings it reads.
#include "FactorySets.h"
#include "SetFileTest.h"
#include "device/ChimeSelection.h"
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

class ShellTest : public SetFileTest {
    Q_OBJECT

private Q_SLOTS:
    void startsOnSignalListWithSetFromCommandLine();
    void startsOnStartPageWithoutUsableArgument_data();
    void startsOnStartPageWithoutUsableArgument();
    void damagedFileOnCommandLineIsReportedAndEmptied();
    void backFromEmptySignalListKeepsLibrary();
    void backFromSignalListAsksBeforeClearing();
    void saveSendPageButtonsAndFarewell();
    void enterPressesDefaultButton();
    void closeAsksOnEveryPageButFarewell_data();
    void closeAsksOnEveryPageButFarewell();
    void failedDownloadStaysOnStartPage();
    void settingsAreReadAndFirstTimeDeletedOnlyWhenExactlyYes_data();
    void settingsAreReadAndFirstTimeDeletedOnlyWhenExactlyYes();
};

void ShellTest::startsOnSignalListWithSetFromCommandLine()
{
    const QString path = writeSample(QStringLiteral("mój zestaw.zmr"));
    // Relative to the directory the program starts in, which is not where it ends up working.
    QDir::setCurrent(tmp_->path());
    auto form = makeForm(QStringLiteral("mój zestaw.zmr"));

    QCOMPARE(form->currentPage(), int(TMainForm::SignalListIndex));
    QCOMPARE(form->windowTitle(), path + " - " + kTitle);
    QCOMPARE(form->currentSetFile(), path);
    QVERIFY(form->state().set().backdoor.has_value());
    QCOMPARE(form->state().set().backdoor->size(), size_t(1));

    auto* list = child<QListWidget>(*form, "ZestawLB");
    QCOMPARE(list->count(), 2);   // the back-door signal is not a row
    QCOMPARE(list->item(0)->text(), QStringLiteral("1 dzwonek"));
    QCOMPARE(list->item(1)->text(), QStringLiteral("2 drugi"));
    QCOMPARE(list->currentRow(), 0);

    auto* dalej = child<QPushButton>(*form, "Dalej");
    QVERIFY(dalej->isEnabled());
    QCOMPARE(dalej->text(), QStringLiteral("&Dalej >"));
    QVERIFY(child<QPushButton>(*form, "Wstecz")->isEnabled());
    auto* cb = child<QCheckBox>(*form, "ZapisWNowymPlikuCB");
    QVERIFY(cb->isEnabled());
    QVERIFY(!cb->isChecked());

    const auto md = zelmar::memoryDisplay(form->state().set().freeBytes());
    QCOMPARE(md.gaugePercent, 11);
    QCOMPARE(child<QProgressBar>(*form, "ZajetoscS2G")->value(), md.gaugePercent);
    QCOMPARE(child<QProgressBar>(*form, "ZajetoscS3G")->value(), md.gaugePercent);
    QCOMPARE(child<QLabel>(*form, "PozostalyCzasST")->text(),
             QString::fromStdString(zelmar::rsf(65209, {md.remainingSeconds})));
    QVERIFY(dialogs().shown().isEmpty());
}

void ShellTest::startsOnStartPageWithoutUsableArgument_data()
{
    QTest::addColumn<QString>("argument");
    QTest::newRow("none") << QString();
    QTest::newRow("missing file") << QStringLiteral("no-such.zmr");
}

void ShellTest::startsOnStartPageWithoutUsableArgument()
{
    QFETCH(QString, argument);
    QDir::setCurrent(tmp_->path());
    auto form = makeForm(argument);

    QCOMPARE(form->currentPage(), int(TMainForm::StartPageIndex));
    QCOMPARE(form->windowTitle(), kTitle);
    QVERIFY(form->state().set().empty());
    QVERIFY(form->currentSetFile().isEmpty());
    QVERIFY(!child<QPushButton>(*form, "Wstecz")->isEnabled());
    QVERIFY(child<QPushButton>(*form, "Dalej")->isEnabled());
    QVERIFY(child<QPushButton>(*form, "Dalej")->isDefault());
    QVERIFY(child<QRadioButton>(*form, "NowyRB")->isChecked());
    // The empty set's figures, written with a point.
    QCOMPARE(child<QProgressBar>(*form, "ZajetoscS2G")->value(), 0);
    QCOMPARE(child<QLabel>(*form, "PozostalyCzasST")->text(), QStringLiteral("Pozostały czas: 103,55 sek."));
    QVERIFY(dialogs().shown().isEmpty());
}

void ShellTest::damagedFileOnCommandLineIsReportedAndEmptied()
{
    const QString path = tmp_->filePath(QStringLiteral("bad.zmr"));
    writeBytes(path, QByteArray("ZELMAR\0" "2.0\0", 11) + QByteArray(3, '\x7f'));
    auto form = makeForm(path);

    QCOMPARE(form->currentPage(), int(TMainForm::StartPageIndex));
    QCOMPARE(dialogs().notices(), QStringList{rsfq(65225, path)});
    QCOMPARE(form->windowTitle(), kTitle);
    QVERIFY(form->currentSetFile().isEmpty());
    QVERIFY(form->state().set().empty());
}

void ShellTest::backFromEmptySignalListKeepsLibrary()
{
    auto form = makeForm();
    form->state().replaceSet(oneSound());
    click(*form, "Dalej");   // NowyRB
    QCOMPARE(form->currentPage(), int(TMainForm::SignalListIndex));
    QVERIFY(!child<QPushButton>(*form, "Dalej")->isEnabled());
    QVERIFY(child<QCheckBox>(*form, "ZapisWNowymPlikuCB")->isChecked());
    QVERIFY(!child<QCheckBox>(*form, "ZapisWNowymPlikuCB")->isEnabled());

    click(*form, "Wstecz");   // no signals: no question
    QCOMPARE(form->currentPage(), int(TMainForm::StartPageIndex));
    QVERIFY(!child<QPushButton>(*form, "Wstecz")->isEnabled());
    click(*form, "Dalej");
    QCOMPARE(form->currentPage(), int(TMainForm::SignalListIndex));
    QCOMPARE(form->state().set().library.size(), size_t(1));
    QVERIFY(dialogs().shown().isEmpty());
}

void ShellTest::backFromSignalListAsksBeforeClearing()
{
    const QString path = writeSample(QStringLiteral("a.zmr"));
    auto form = makeForm(path);

    dialogs().answerAsk(false);
    click(*form, "Wstecz");
    QCOMPARE(dialogs().questions(), QStringList{rsq(65239)});
    QCOMPARE(form->currentPage(), int(TMainForm::SignalListIndex));
    QCOMPARE(form->windowTitle(), path + " - " + kTitle);
    expectSameSet(form->state().set(), sampleSet());

    dialogs().answerAsk(true);
    click(*form, "Wstecz");
    QCOMPARE(form->currentPage(), int(TMainForm::StartPageIndex));
    QCOMPARE(form->windowTitle(), kTitle);
    QVERIFY(form->state().set().empty());
    QCOMPARE(child<QListWidget>(*form, "ZestawLB")->count(), 0);
    QCOMPARE(child<QLabel>(*form, "PozostalyCzasST")->text(), QStringLiteral("Pozostały czas: 103,55 sek."));
}

void ShellTest::saveSendPageButtonsAndFarewell()
{
    const QString path = writeSample(QStringLiteral("a.zmr"));
    const QByteArray before = fileBytes(path);
    auto form = makeForm(path);
    auto* dalej = child<QPushButton>(*form, "Dalej");
    auto* anuluj = child<QPushButton>(*form, "Anuluj");
    auto* wstecz = child<QPushButton>(*form, "Wstecz");

    click(*form, "Dalej");
    QCOMPARE(form->currentPage(), int(TMainForm::SaveSendIndex));
    QCOMPARE(anuluj->text(), QStringLiteral("Anuluj"));
    QVERIFY(dalej->isDefault());
    QVERIFY(!anuluj->isDefault());
    QVERIFY(wstecz->isVisible());
    QVERIFY(child<QRadioButton>(*form, "ZapisIPrzeslanieRB")->isChecked());

    click(*form, "Wstecz");
    QCOMPARE(form->currentPage(), int(TMainForm::SignalListIndex));
    click(*form, "Dalej");

    choose(*form, "ZamkniecieRB");
    click(*form, "Dalej");   // neither saved nor sent
    QCOMPARE(form->currentPage(), int(TMainForm::FarewellIndex));
    QVERIFY(!dalej->isEnabled());
    QVERIFY(!dalej->isDefault());
    QCOMPARE(anuluj->text(), QStringLiteral("Zamknij"));
    QVERIFY(anuluj->isDefault());

    click(*form, "Wstecz");
    QCOMPARE(form->currentPage(), int(TMainForm::SaveSendIndex));
    QCOMPARE(anuluj->text(), QStringLiteral("Anuluj"));
    QVERIFY(!anuluj->isDefault());
    QVERIFY(dalej->isDefault());
    QVERIFY(dalej->isEnabled());
    QCOMPARE(dalej->text(), QStringLiteral("&Dalej >"));

    QVERIFY(dialogs().shown().isEmpty());
    QCOMPARE(fileBytes(path), before);
}

void ShellTest::enterPressesDefaultButton()
{
    const QString path = writeSample(QStringLiteral("a.zmr"));
    auto form = makeForm(path);
    click(*form, "Dalej");
    choose(*form, "ZamkniecieRB");
    QTest::keyClick(form, Qt::Key_Return);
    QCOMPARE(form->currentPage(), int(TMainForm::FarewellIndex));
    // On the farewell page Enter means "Zamknij", which closes without a question.
    QTest::keyClick(form, Qt::Key_Enter);
    QVERIFY(!form->isVisible());
    QVERIFY(dialogs().shown().isEmpty());
}

void ShellTest::closeAsksOnEveryPageButFarewell_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("byAnuluj");
    for (int page = 0; page <= 4; ++page) {
        for (bool yes : {true, false}) {
            QTest::addRow("page %d, %s, window", page, yes ? "yes" : "no") << page << yes << false;
            // On pages 2 and 3 "Anuluj" cancels the edit instead.
            if (page != 2 && page != 3)
                QTest::addRow("page %d, %s, Anuluj", page, yes ? "yes" : "no") << page << yes << true;
        }
    }
    QTest::addRow("page 5, window") << 5 << true << false;
    QTest::addRow("page 5, Zamknij") << 5 << true << true;
}

void ShellTest::closeAsksOnEveryPageButFarewell()
{
    QFETCH(int, page);
    QFETCH(bool, yes);
    QFETCH(bool, byAnuluj);
    auto form = makeForm(writeSample(QStringLiteral("a.zmr")));
    form->showPage(page);
    QCOMPARE(form->currentPage(), page);
    if (page != 5)
        dialogs().answerAsk(yes);

    if (byAnuluj)
        click(*form, "Anuluj");
    else
        form->close();

    QCOMPARE(form->isVisible(), !yes);
    if (page == 5) {
        QVERIFY(dialogs().shown().isEmpty());
    } else {
        QCOMPARE(dialogs().questions(), QStringList{rsq(65237)});
        QCOMPARE(form->currentPage(), page);
    }
    expectSameSet(form->state().set(), sampleSet());
}

void ShellTest::failedDownloadStaysOnStartPage()
{
    // A virtual chime that answers nothing, so that a real chime on the test machine is never read.
    zelmar::useChime({QFile::encodeName(tmp_->filePath("chime.bin")).toStdString(), false, "fail-request=1"});
    auto form = makeForm();
    choose(*form, "PobranieRB");
    click(*form, "Dalej");
    QCOMPARE(form->currentPage(), int(TMainForm::StartPageIndex));
    QCOMPARE(dialogs().notices(), QStringList{rsq(65202)});
    QCOMPARE(form->windowTitle(), kTitle);
    QVERIFY(child<QCheckBox>(*form, "ZapisWNowymPlikuCB")->isChecked());
}

void ShellTest::settingsAreReadAndFirstTimeDeletedOnlyWhenExactlyYes_data()
{
    QTest::addColumn<QString>("firstTime");
    QTest::addColumn<bool>("deleted");
    QTest::newRow("Yes") << QStringLiteral("Yes") << true;
    QTest::newRow("yes") << QStringLiteral("yes") << false;
    QTest::newRow("YES") << QStringLiteral("YES") << false;
    QTest::newRow("No") << QStringLiteral("No") << false;
    QTest::newRow("unset") << QString() << false;
}

void ShellTest::settingsAreReadAndFirstTimeDeletedOnlyWhenExactlyYes()
{
    QFETCH(QString, firstTime);
    QFETCH(bool, deleted);
    {
        QSettings s(QStringLiteral("VORANEX"), QStringLiteral("Zelmar"));
        if (!firstTime.isNull())
            s.setValue(QStringLiteral("FirstTime"), firstTime);
        if (firstTime == QLatin1String("No")) {
            s.setValue(QStringLiteral("Language"), QStringLiteral("English"));
            s.setValue(QStringLiteral("InstallPath"), tmp_->path());
        }
    }
    auto form = makeForm();

    QSettings s(QStringLiteral("VORANEX"), QStringLiteral("Zelmar"));
    if (firstTime == QLatin1String("No")) {
        QCOMPARE(pagedriver::languageOf(*form), QStringLiteral("English"));
        QCOMPARE(form->installPath(), tmp_->path() + u'/');
    } else {
        QCOMPARE(pagedriver::languageOf(*form), QStringLiteral("Polish"));
        // The user's own data folder: the program's may not be written.
        QCOMPARE(form->installPath(), factorysets::defaultInstallDirectory());
    }
    QCOMPARE(s.contains(QStringLiteral("FirstTime")), !firstTime.isNull() && !deleted);
    // Nothing else is ever written.
    QStringList expected;
    if (firstTime == QLatin1String("No"))
        expected << QStringLiteral("FirstTime") << QStringLiteral("InstallPath") << QStringLiteral("Language");
    else if (!firstTime.isNull() && !deleted)
        expected << QStringLiteral("FirstTime");
    QStringList keys = s.allKeys();
    keys.sort();
    QCOMPARE(keys, expected);
    QVERIFY(form->state().set().empty());
}

QTEST_MAIN(ShellTest)
#include "tst_shell.moc"
