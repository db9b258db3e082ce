// The wizard's window: start-up, the flow between pages, closing, and opening and saving sets.
#include "SetModel.h"

#include "FarewellPage.h"
#include "FactorySets.h"
#include "MainForm.h"
#include "SaveSendPage.h"
#include "ScriptedDialogs.h"
#include "StartPage.h"
#include "device/ChimeSelection.h"
#include "i18n/ResourceStrings.h"
#include "model/FileIO.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <clocale>
#include <memory>

using zelmar::SignalSet;

namespace {

QString rsq(int id)
{
    return QString::fromStdString(zelmar::rs(id));
}

QString rsfq(int id, const QString& arg)
{
    return QString::fromStdString(zelmar::rsf(id, {arg.toStdString()}));
}

const QString kTitle = QStringLiteral("Zelmar 2.2 USB");

// Two signals, a back-door signal and one sound; names outside ASCII on purpose.
SignalSet sampleSet()
{
    SignalSet set;
    zelmar::LibrarySound gong;
    gong.name = "gong żółty";
    // Long enough to show on the memory gauges (about a tenth of the chime).
    std::vector<int16_t> samples(200000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(int(i % 101) * 300 - 15000);
    gong.sound.SetSamples(samples);
    gong.sound.Gain = 30;
    set.library.push_back(gong);
    set.signals.push_back({"dzwonek", {zelmar::TDzwiek{1, 0, 1, 100, 0}, zelmar::TDzwiek::pause(50)}});
    set.signals.push_back({"drugi", {zelmar::TDzwiek{1, 5, 10, 50, 0}}});
    set.backdoor = zelmar::Signal{zelmar::TDzwiek{1, 3, 1, 20, 0}};
    return set;
}

void expectSameSet(const SignalSet& a, const SignalSet& b)
{
    QCOMPARE(a.signals.size(), b.signals.size());
    for (size_t i = 0; i < a.signals.size(); ++i) {
        QCOMPARE(a.signals[i].name, b.signals[i].name);
        QVERIFY(a.signals[i].elements == b.signals[i].elements);
    }
    QCOMPARE(a.backdoor.has_value(), b.backdoor.has_value());
    if (a.backdoor)
        QVERIFY(*a.backdoor == *b.backdoor);
    QCOMPARE(a.library.size(), b.library.size());
    for (size_t i = 0; i < a.library.size(); ++i) {
        QCOMPARE(a.library[i].name, b.library[i].name);
        QCOMPARE(a.library[i].sound.Gain, b.library[i].sound.Gain);
        QVERIFY(a.library[i].sound.Samples == b.library[i].sound.Samples);
    }
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

} // namespace

class ShellTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void startsOnSignalListWithSetFromCommandLine();
    void startsOnStartPageWithoutUsableArgument_data();
    void startsOnStartPageWithoutUsableArgument();
    void damagedFileOnCommandLineIsReportedAndEmptied();
    void openDialogCancelledChangesNothing();
    void openDialogReadsSet();
    void openOfDamagedFileEmptiesSet_data();
    void openOfDamagedFileEmptiesSet();
    void readOnlyFileIsSavedUnderNewName();
    void backFromEmptySignalListKeepsLibrary();
    void backFromSignalListAsksBeforeClearing();
    void saveSendPageButtonsAndFarewell();
    void enterPressesDefaultButton();
    void closeAsksOnEveryPageButFarewell_data();
    void closeAsksOnEveryPageButFarewell();
    void cancelledSaveSendsNothing();
    void saveAsWritesFileThatReadsBackEqual();
    void saveToCurrentFileWithoutDialog();
    void saveFailureKeepsOldFileAndPage();
    void saveOntoAReadOnlyFileIsRefused();
    void failedDownloadStaysOnStartPage();
    void settingsAreReadAndFirstTimeDeletedOnlyWhenExactlyYes_data();
    void settingsAreReadAndFirstTimeDeletedOnlyWhenExactlyYes();

private:
    std::unique_ptr<TMainForm> makeForm(const QString& argument = {});
    QString writeSample(const QString& name, const SignalSet& set = sampleSet());
    template <typename T>
    T* child(TMainForm& form, const char* name)
    {
        T* w = form.findChild<T*>(QString::fromLatin1(name));
        if (!w)
            qWarning("no control %s", name);
        return w;
    }
    void click(TMainForm& form, const char* name);
    void choose(TMainForm& form, const char* radio);

    QTemporaryDir settingsDir_;
    std::unique_ptr<QTemporaryDir> tmp_;
    ScriptedDialogs dialogs_;
};

void ShellTest::initTestCase()
{
    std::setlocale(LC_NUMERIC, "C");
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(settingsDir_.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir_.path());
    QApplication::setQuitOnLastWindowClosed(false);
}

void ShellTest::init()
{
    tmp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp_->isValid());
    QSettings(QStringLiteral("VORANEX"), QStringLiteral("Zelmar")).clear();
    dialogs_.reset();
    zelmar::setWriteFailureAfterForTesting(-1);
}

void ShellTest::cleanup()
{
    zelmar::setWriteFailureAfterForTesting(-1);
    zelmar::useChime({});
    QVERIFY2(dialogs_.unexpected().isEmpty(), qPrintable(dialogs_.unexpected().join(u'\n')));
    QCOMPARE(dialogs_.pendingAnswers(), 0);
}

std::unique_ptr<TMainForm> ShellTest::makeForm(const QString& argument)
{
    auto form = std::make_unique<TMainForm>(dialogs_, argument);
    form->show();
    return form;
}

QString ShellTest::writeSample(const QString& name, const SignalSet& set)
{
    const QString path = tmp_->filePath(name);
    zelmar::writeSetFile(set, QFile::encodeName(path).toStdString());
    return path;
}

void ShellTest::click(TMainForm& form, const char* name)
{
    auto* b = child<QPushButton>(form, name);
    QVERIFY(b);
    QVERIFY2(b->isEnabled() && b->isVisible(), name);
    QTest::mouseClick(b, Qt::LeftButton);
}

void ShellTest::choose(TMainForm& form, const char* radio)
{
    auto* rb = child<QRadioButton>(form, radio);
    QVERIFY(rb);
    rb->setChecked(true);
}

void ShellTest::startsOnSignalListWithSetFromCommandLine()
{
    const QString path = writeSample(QStringLiteral("mój zestaw.zmr"));
    // Relative to the directory the program starts in, which is not where it ends up working.
    QDir::setCurrent(tmp_->path());
    auto form = makeForm(QStringLiteral("mój zestaw.zmr"));

    QCOMPARE(form->currentPage(), int(TMainForm::SignalListIndex));
    QCOMPARE(form->windowTitle(), path + " - " + kTitle);
    QCOMPARE(form->currentSetFile(), path);
    QVERIFY(form->signalSet().backdoor.has_value());
    QCOMPARE(form->signalSet().backdoor->size(), size_t(1));

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

    const auto md = zelmar::memoryDisplay(form->signalSet().freeBytes());
    QCOMPARE(md.gaugePercent, 11);
    QCOMPARE(child<QProgressBar>(*form, "ZajetoscS2G")->value(), md.gaugePercent);
    QCOMPARE(child<QProgressBar>(*form, "ZajetoscS3G")->value(), md.gaugePercent);
    QCOMPARE(child<QLabel>(*form, "PozostalyCzasST")->text(),
             QString::fromStdString(zelmar::rsf(65209, {md.remainingSeconds})));
    QVERIFY(dialogs_.shown().isEmpty());
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
    QVERIFY(form->signalSet().empty());
    QVERIFY(form->currentSetFile().isEmpty());
    QVERIFY(!child<QPushButton>(*form, "Wstecz")->isEnabled());
    QVERIFY(child<QPushButton>(*form, "Dalej")->isEnabled());
    QVERIFY(child<QPushButton>(*form, "Dalej")->isDefault());
    QVERIFY(child<QRadioButton>(*form, "NowyRB")->isChecked());
    // The empty set's figures, written with a point.
    QCOMPARE(child<QProgressBar>(*form, "ZajetoscS2G")->value(), 0);
    QCOMPARE(child<QLabel>(*form, "PozostalyCzasST")->text(), QStringLiteral("Pozostały czas: 103.55 sek."));
    QVERIFY(dialogs_.shown().isEmpty());
}

void ShellTest::damagedFileOnCommandLineIsReportedAndEmptied()
{
    const QString path = tmp_->filePath(QStringLiteral("bad.zmr"));
    writeBytes(path, QByteArray("ZELMAR\0" "2.0\0", 11) + QByteArray(3, '\x7f'));
    auto form = makeForm(path);

    QCOMPARE(form->currentPage(), int(TMainForm::StartPageIndex));
    QCOMPARE(dialogs_.notices(), QStringList{rsfq(65225, path)});
    QCOMPARE(form->windowTitle(), kTitle);
    QVERIFY(form->currentSetFile().isEmpty());
    QVERIFY(form->signalSet().empty());
}

void ShellTest::openDialogCancelledChangesNothing()
{
    auto form = makeForm();
    form->signalSet().library.push_back(sampleSet().library.front());
    choose(*form, "OdczytRB");
    dialogs_.answerOpen({});
    click(*form, "Dalej");

    QCOMPARE(form->currentPage(), int(TMainForm::StartPageIndex));
    QCOMPARE(form->signalSet().library.size(), size_t(1));
    QCOMPARE(form->windowTitle(), kTitle);
    QCOMPARE(dialogs_.count(ScriptedDialogs::Kind::Open), 1);
    const auto& shown = dialogs_.shown().front();
    QCOMPARE(shown.startPath, form->installPath() + "Zestawy");
    QCOMPARE(shown.filter, rsq(65234));
    QCOMPARE(dialogs_.notices(), QStringList());
}

void ShellTest::openDialogReadsSet()
{
    const QString path = writeSample(QStringLiteral("a.zmr"));
    auto form = makeForm();
    choose(*form, "OdczytRB");
    dialogs_.answerOpen(path);
    click(*form, "Dalej");

    QCOMPARE(form->currentPage(), int(TMainForm::SignalListIndex));
    QCOMPARE(form->windowTitle(), path + " - " + kTitle);
    expectSameSet(form->signalSet(), sampleSet());
    auto* cb = child<QCheckBox>(*form, "ZapisWNowymPlikuCB");
    QVERIFY(cb->isEnabled());
    QVERIFY(!cb->isChecked());
    QCOMPARE(child<QListWidget>(*form, "ZestawLB")->count(), 2);
}

void ShellTest::openOfDamagedFileEmptiesSet_data()
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

void ShellTest::openOfDamagedFileEmptiesSet()
{
    QFETCH(QByteArray, bytes);
    const QString path = tmp_->filePath(QStringLiteral("damaged.zmr"));
    writeBytes(path, bytes);

    auto form = makeForm();
    form->signalSet() = sampleSet();   // whatever was there before goes
    choose(*form, "OdczytRB");
    dialogs_.answerOpen(path);
    click(*form, "Dalej");

    QCOMPARE(form->currentPage(), int(TMainForm::StartPageIndex));
    QCOMPARE(dialogs_.notices(), QStringList{rsfq(65225, path)});
    QVERIFY(form->signalSet().empty());
    QVERIFY(form->currentSetFile().isEmpty());
    QCOMPARE(form->windowTitle(), kTitle);
    QCOMPARE(child<QListWidget>(*form, "ZestawLB")->count(), 0);
    QCOMPARE(child<QLabel>(*form, "PozostalyCzasST")->text(), QStringLiteral("Pozostały czas: 103.55 sek."));
}

void ShellTest::readOnlyFileIsSavedUnderNewName()
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
    dialogs_.answerSave(renamed);
    click(*form, "Dalej");

    QCOMPARE(form->currentPage(), int(TMainForm::FarewellIndex));
    QCOMPARE(dialogs_.shown().back().startPath, renamed);
    QCOMPARE(fileBytes(path), before);
    expectSameSet(zelmar::readSetFile(QFile::encodeName(renamed).toStdString()), sampleSet());
}

void ShellTest::backFromEmptySignalListKeepsLibrary()
{
    auto form = makeForm();
    form->signalSet().library.push_back(sampleSet().library.front());
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
    QCOMPARE(form->signalSet().library.size(), size_t(1));
    QVERIFY(dialogs_.shown().isEmpty());
}

void ShellTest::backFromSignalListAsksBeforeClearing()
{
    const QString path = writeSample(QStringLiteral("a.zmr"));
    auto form = makeForm(path);

    dialogs_.answerAsk(false);
    click(*form, "Wstecz");
    QCOMPARE(dialogs_.questions(), QStringList{rsq(65239)});
    QCOMPARE(form->currentPage(), int(TMainForm::SignalListIndex));
    QCOMPARE(form->windowTitle(), path + " - " + kTitle);
    expectSameSet(form->signalSet(), sampleSet());

    dialogs_.answerAsk(true);
    click(*form, "Wstecz");
    QCOMPARE(form->currentPage(), int(TMainForm::StartPageIndex));
    QCOMPARE(form->windowTitle(), kTitle);
    QVERIFY(form->signalSet().empty());
    QCOMPARE(child<QListWidget>(*form, "ZestawLB")->count(), 0);
    QCOMPARE(child<QLabel>(*form, "PozostalyCzasST")->text(), QStringLiteral("Pozostały czas: 103.55 sek."));
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

    QVERIFY(dialogs_.shown().isEmpty());
    QCOMPARE(fileBytes(path), before);
}

void ShellTest::enterPressesDefaultButton()
{
    const QString path = writeSample(QStringLiteral("a.zmr"));
    auto form = makeForm(path);
    click(*form, "Dalej");
    choose(*form, "ZamkniecieRB");
    QTest::keyClick(form.get(), Qt::Key_Return);
    QCOMPARE(form->currentPage(), int(TMainForm::FarewellIndex));
    // On the farewell page Enter means "Zamknij", which closes without a question.
    QTest::keyClick(form.get(), Qt::Key_Enter);
    QVERIFY(!form->isVisible());
    QVERIFY(dialogs_.shown().isEmpty());
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
        dialogs_.answerAsk(yes);

    if (byAnuluj)
        click(*form, "Anuluj");
    else
        form->close();

    QCOMPARE(form->isVisible(), !yes);
    if (page == 5) {
        QVERIFY(dialogs_.shown().isEmpty());
    } else {
        QCOMPARE(dialogs_.questions(), QStringList{rsq(65237)});
        QCOMPARE(form->currentPage(), page);
    }
    expectSameSet(form->signalSet(), sampleSet());
}

void ShellTest::cancelledSaveSendsNothing()
{
    auto form = makeForm();
    form->signalSet() = sampleSet();   // a set made in the editor, never saved
    click(*form, "Dalej");
    click(*form, "Dalej");
    QCOMPARE(form->currentPage(), int(TMainForm::SaveSendIndex));
    QVERIFY(child<QCheckBox>(*form, "ZapisWNowymPlikuCB")->isChecked());

    dialogs_.answerSave({});
    click(*form, "Dalej");
    QCOMPARE(form->currentPage(), int(TMainForm::SaveSendIndex));
    QCOMPARE(dialogs_.count(ScriptedDialogs::Kind::Save), 1);
    const auto& save = dialogs_.shown().front();
    QCOMPARE(save.startPath, form->installPath() + "Zestawy/nowy zestaw.zmr");
    QCOMPARE(save.filter, rsq(65234));
    QCOMPARE(save.suffix, QStringLiteral(".zmr"));
    QCOMPARE(dialogs_.notices(), QStringList());   // no upload was tried
    QCOMPARE(form->windowTitle(), kTitle);

    // Saved, then the upload fails: the file stays written and the wizard stays here.
    const QString path = tmp_->filePath(QStringLiteral("nowy.zmr"));
    dialogs_.answerSave(path);
    click(*form, "Dalej");
    QCOMPARE(form->currentPage(), int(TMainForm::SaveSendIndex));
    QVERIFY(QFile::exists(path));
    QCOMPARE(form->windowTitle(), path + " - " + kTitle);
    QCOMPARE(dialogs_.notices().size(), 1);
}

void ShellTest::saveAsWritesFileThatReadsBackEqual()
{
    const QString from = writeSample(QStringLiteral("źródło.zmr"));
    auto form = makeForm(from);
    click(*form, "Dalej");
    choose(*form, "ZapisRB");
    child<QCheckBox>(*form, "ZapisWNowymPlikuCB")->setChecked(true);

    const QString to = tmp_->filePath(QStringLiteral("kopia.zmr"));
    dialogs_.answerSave(to);
    click(*form, "Dalej");

    QCOMPARE(form->currentPage(), int(TMainForm::FarewellIndex));
    QCOMPARE(dialogs_.shown().front().startPath, from);
    QCOMPARE(form->currentSetFile(), to);
    QCOMPARE(form->windowTitle(), to + " - " + kTitle);
    expectSameSet(zelmar::readSetFile(QFile::encodeName(to).toStdString()), sampleSet());
    QCOMPARE(dialogs_.notices(), QStringList());
}

void ShellTest::saveToCurrentFileWithoutDialog()
{
    const QString path = writeSample(QStringLiteral("a.zmr"));
    auto form = makeForm(path);
    form->signalSet().signals[1].name = "zmieniony";
    click(*form, "Dalej");
    choose(*form, "ZapisRB");
    click(*form, "Dalej");

    QCOMPARE(form->currentPage(), int(TMainForm::FarewellIndex));
    QVERIFY(dialogs_.shown().isEmpty());
    const SignalSet back = zelmar::readSetFile(QFile::encodeName(path).toStdString());
    QCOMPARE(back.signals[1].name, std::string("zmieniony"));
}

void ShellTest::saveFailureKeepsOldFileAndPage()
{
    const QString path = writeSample(QStringLiteral("a.zmr"));
    const QString target = tmp_->filePath(QStringLiteral("cel.zmr"));
    writeBytes(target, "old contents");
    auto form = makeForm(path);
    click(*form, "Dalej");
    child<QCheckBox>(*form, "ZapisWNowymPlikuCB")->setChecked(true);   // save and send

    zelmar::setWriteFailureAfterForTesting(10);
    dialogs_.answerSave(target);
    click(*form, "Dalej");

    QCOMPARE(form->currentPage(), int(TMainForm::SaveSendIndex));
    // Only the save failure: the upload was not tried.
    QCOMPARE(dialogs_.notices(), QStringList{rsfq(65226, target)});
    QCOMPARE(fileBytes(target), QByteArray("old contents"));
    QCOMPARE(form->currentSetFile(), target);
    expectSameSet(form->signalSet(), sampleSet());
}

void ShellTest::saveOntoAReadOnlyFileIsRefused()
{
    const QString path = writeSample(QStringLiteral("a.zmr"));
    const QString target = tmp_->filePath(QStringLiteral("ro.zmr"));
    writeBytes(target, "old contents");
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    auto form = makeForm(path);
    click(*form, "Dalej");
    choose(*form, "ZapisRB");
    child<QCheckBox>(*form, "ZapisWNowymPlikuCB")->setChecked(true);
    dialogs_.answerSave(target);
    click(*form, "Dalej");

    QCOMPARE(form->currentPage(), int(TMainForm::SaveSendIndex));
    // Why, rather than advice about free space.
    QCOMPARE(dialogs_.notices(),
             QStringList{QString::fromStdString(zelmar::rsf(65291, {target.toStdString(), zelmar::rs(65292)}))});
    QCOMPARE(fileBytes(target), QByteArray("old contents"));
}

void ShellTest::failedDownloadStaysOnStartPage()
{
    // A virtual chime that answers nothing, so that a real chime on the test machine is never read.
    zelmar::useChime({QFile::encodeName(tmp_->filePath("chime.bin")).toStdString(), false, "fail-request=1"});
    auto form = makeForm();
    choose(*form, "PobranieRB");
    click(*form, "Dalej");
    QCOMPARE(form->currentPage(), int(TMainForm::StartPageIndex));
    QCOMPARE(dialogs_.notices(), QStringList{QString::fromStdString(zelmar::rs(65202))});
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
        QCOMPARE(form->requestedLanguage(), QStringLiteral("English"));
        QCOMPARE(form->installPath(), tmp_->path() + u'/');
    } else {
        QCOMPARE(form->requestedLanguage(), QStringLiteral("Polish"));
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
    QVERIFY(form->signalSet().empty());
}

QTEST_MAIN(ShellTest)
#include "tst_shell.moc"
