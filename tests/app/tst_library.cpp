// Page 3: the sound library. Usage marks, delete with its question, gain, drag-reorder, the
// durations bar, and accepting (renumbering) or cancelling (restoring) a visit.
#include "LibraryPage.h"
#include "ListKit.h"
#include "Previews.h"
#include "SetFileTest.h"
#include "SilentPlayer.h"
#include "WavBytes.h"
#include "audio/WavFile.h"

#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

using namespace pagedriver;
using zelmar::SignalSet;
using zelmar::TDzwiek;

namespace {

// Four sounds of 1, 2, 3 and 0.5 seconds (the second with 3.0 dB); c is used by both signals and
// the back door, d by nothing.
SignalSet sampleSet()
{
    SignalSet set;
    set.library.push_back(sound("a", 18000, 100));
    set.library.push_back(sound("b", 36000, 200, 30));
    set.library.push_back(sound("c", 54000, 300));
    set.library.push_back(sound("d", 9000, 400));
    set.signals.push_back({"s1", {TDzwiek{3, 3, 5, 100, 0}, element(1, set), TDzwiek::pause(80), element(2, set)}});
    set.signals.push_back({"s2", {element(3, set)}});
    set.backdoor = zelmar::Signal{element(3, set), element(1, set)};
    return set;
}

} // namespace

class LibraryTest : public WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        WindowTest::initTestCase();
        previews::setPlayer(&player_);
    }

    void rowsShowGainAndUsedSoundsInBold();
    void movingSoundThreeToTheTopRenumbersEverySignal();
    void deletingAUsedSoundAsksAndItsElementsGoOnAccept();
    void soundUsedOnlyByTheKeptCopyCountsAsUsed();
    void cancelBringsBackTheLibraryAsItWas();
    void gainButtonAndSpinEdit();
    void clearedGainFieldMeansNoGain();
    void durationsBarAndMemoryDisplay();
    void gaugeShowsEveryChange();
    void emptyLibrary();
    void importAddsAnUnusedSoundAndPlayUsesTheGain();
    void editsSurviveSavingAndOpeningAgain();
    void aReplacedSetStartsOnItsFirstSound();

private:
    // Opens `set`, begins the edit of signal `row` and goes to the library.
    void openLibrary(const SignalSet& set = sampleSet(), int row = 0)
    {
        QVERIFY(f_->open(set));
        clickRow(list(*f_->form, "ZestawLB"), row);
        QVERIFY(click(*f_->form, "ZmianaSygnalu"));
        QVERIFY(click(*f_->form, "ZmienDzwieki"));
        QCOMPARE(f_->form->currentPage(), int(TMainForm::LibraryIndex));
    }
    QListWidget* sounds() { return list(*f_->form, "DostepneDzwiekiLB"); }

    SilentPlayer player_;
};

void LibraryTest::rowsShowGainAndUsedSoundsInBold()
{
    openLibrary();
    QCOMPARE(rowTexts(sounds()), (QStringList{"1 [-] a", "2 [+3,0dB] b", "3 [-] c", "4 [-] d"}));
    QCOMPARE(sounds()->item(0)->font().bold(), true);
    QCOMPARE(sounds()->item(1)->font().bold(), true);
    QCOMPARE(sounds()->item(2)->font().bold(), true);
    QCOMPARE(sounds()->item(3)->font().bold(), false);
    QCOMPARE(sounds()->item(1)->toolTip(), QStringLiteral("b"));
    const auto& lib = f_->set().library;
    QCOMPARE(lib[2].sound.UsageMark, 2);
    QCOMPARE(lib[3].sound.UsageMark, -1);
    // The copy is the library as it stands, with no marks of its own.
    QCOMPARE(f_->form->state().libraryCopy().size(), size_t(4));
    QCOMPARE(f_->form->state().libraryCopy()[1].sound.Gain, uint8_t(30));
    QCOMPARE(f_->form->state().libraryCopy()[2].sound.UsageMark, -1);
}

void LibraryTest::movingSoundThreeToTheTopRenumbersEverySignal()
{
    QVERIFY(f_->open(sampleSet()));
    clickRow(list(*f_->form, "ZestawLB"), 0);
    QVERIFY(click(*f_->form, "ZmianaSygnalu"));
    // The signal under edit loses its "c" before the visit; its kept copy still has it.
    clickRow(list(*f_->form, "SygnalLB"), 0);
    QVERIFY(click(*f_->form, "ZSygnalu"));
    QVERIFY(click(*f_->form, "ZmienDzwieki"));

    dragRow(sounds(), 2, 5);
    QCOMPARE(rowTexts(sounds()), (QStringList{"1 [-] c", "2 [-] a", "3 [+3,0dB] b", "4 [-] d"}));
    QCOMPARE(sounds()->currentRow(), 0);
    QVERIFY(sounds()->item(0)->font().bold());
    QVERIFY(!sounds()->item(3)->font().bold());
    QCOMPARE(f_->form->libraryPage()->CzasyTrwaniaDzwiekow->drawnRows()[0].text, QStringLiteral("3,00 s"));

    QVERIFY(click(*f_->form, "Dalej"));
    QCOMPARE(f_->form->currentPage(), int(TMainForm::SignalEditorIndex));
    const SignalSet& set = f_->set();
    QVERIFY(set.signals[0].elements == (zelmar::Signal{TDzwiek{2, 0, 1, 18000, 0}, TDzwiek::pause(80), TDzwiek{3, 0, 1, 36000, 0}}));
    QVERIFY(set.signals[1].elements == (zelmar::Signal{TDzwiek{1, 0, 1, 54000, 0}}));
    QVERIFY(*set.backdoor == (zelmar::Signal{TDzwiek{1, 0, 1, 54000, 0}, TDzwiek{2, 0, 1, 18000, 0}}));
    QVERIFY(f_->form->state().keptCopy());
    QVERIFY(*f_->form->state().keptCopy() == (zelmar::Signal{TDzwiek{1, 3, 5, 100, 0}, TDzwiek{2, 0, 1, 18000, 0},
                                                    TDzwiek::pause(80), TDzwiek{3, 0, 1, 36000, 0}}));
    QCOMPARE(rowTexts(list(*f_->form, "DzwiekiLB")), (QStringList{"0 <pauza>", "1 c", "2 a", "3 b", "4 d"}));
    QCOMPARE(list(*f_->form, "DzwiekiLB")->currentRow(), 0);
    QCOMPARE(rowTexts(list(*f_->form, "SygnalLB")), (QStringList{"1 a", "2 <pauza> 0,80 s", "3 b", ""}));
    QVERIFY(f_->form->state().libraryCopy().empty());

    // Cancelling the signal edit brings back the kept copy, renumbered too: it sounds as before.
    QVERIFY(click(*f_->form, "Anuluj"));
    const SignalSet original = sampleSet();
    QCOMPARE(set.signals[0].elements.size(), original.signals[0].elements.size());
    for (size_t i = 0; i < original.signals[0].elements.size(); ++i) {
        const TDzwiek& now = set.signals[0].elements[i];
        const TDzwiek& then = original.signals[0].elements[i];
        QCOMPARE(now.isPause(), then.isPause());
        if (!now.isPause())
            QVERIFY(set.soundAt(now.SoundNumber)->Samples == original.soundAt(then.SoundNumber)->Samples);
    }
}

void LibraryTest::deletingAUsedSoundAsksAndItsElementsGoOnAccept()
{
    SignalSet set = sampleSet();
    set.signals[1].elements.clear();
    set.signals[0].elements.erase(set.signals[0].elements.begin());
    // "c" is now used by the back door only.
    openLibrary(set);
    QVERIFY(sounds()->item(2)->font().bold());
    clickRow(sounds(), 2);

    f_->dialogs.answerAsk(false);
    QVERIFY(click(*f_->form, "UsunDzwiek"));
    QCOMPARE(f_->dialogs.questions(), QStringList{rsq(65222)});
    QCOMPARE(f_->dialogs.shown().last().caption, rsq(65223));
    QCOMPARE(f_->set().library.size(), size_t(4));

    f_->dialogs.answerAsk(true);
    QTest::keyClick(sounds(), Qt::Key_Delete);
    QCOMPARE(rowTexts(sounds()), (QStringList{"1 [-] a", "2 [+3,0dB] b", "3 [-] d"}));
    QCOMPARE(sounds()->currentRow(), 2);
    // Signals change only when the page is accepted.
    QCOMPARE(f_->set().backdoor->size(), size_t(2));

    // An unused sound goes without a question; the last row deleted selects the new last row.
    QVERIFY(click(*f_->form, "UsunDzwiek"));
    QCOMPARE(f_->dialogs.questions().size(), 2);
    QCOMPARE(sounds()->currentRow(), 1);

    QVERIFY(click(*f_->form, "Dalej"));
    QVERIFY(*f_->set().backdoor == (zelmar::Signal{TDzwiek{1, 0, 1, 18000, 0}}));
    QVERIFY(f_->set().signals[0].elements == (zelmar::Signal{TDzwiek{1, 0, 1, 18000, 0}, TDzwiek::pause(80), TDzwiek{2, 0, 1, 36000, 0}}));
}

void LibraryTest::soundUsedOnlyByTheKeptCopyCountsAsUsed()
{
    SignalSet set;
    set.library.push_back(sound("a", 100));
    set.library.push_back(sound("b", 200));
    set.signals.push_back({"s", {element(1, set), element(2, set)}});
    QVERIFY(f_->open(set));
    QVERIFY(click(*f_->form, "ZmianaSygnalu"));
    clickRow(list(*f_->form, "SygnalLB"), 1);
    QVERIFY(click(*f_->form, "ZSygnalu"));
    QVERIFY(click(*f_->form, "ZmienDzwieki"));
    QVERIFY(sounds()->item(1)->font().bold());
    clickRow(sounds(), 1);
    f_->dialogs.answerAsk(true);
    QVERIFY(click(*f_->form, "UsunDzwiek"));
    QCOMPARE(f_->dialogs.questions(), QStringList{rsq(65222)});
    QVERIFY(click(*f_->form, "Dalej"));
    QVERIFY(*f_->form->state().keptCopy() == zelmar::Signal{element(1, set)});
    QVERIFY(click(*f_->form, "Anuluj"));
    QVERIFY(f_->set().signals[0].elements == zelmar::Signal{element(1, set)});
}

void LibraryTest::cancelBringsBackTheLibraryAsItWas()
{
    const SignalSet original = sampleSet();
    openLibrary();
    auto* remaining = child<QLabel>(*f_->form, "PozostalyCzasST");
    const QString remainingBefore = remaining->text();

    clickRow(sounds(), 2);
    f_->dialogs.answerAsk(true);
    QVERIFY(click(*f_->form, "UsunDzwiek"));
    QVERIFY(remaining->text() != remainingBefore);
    clickRow(sounds(), 0);
    QVERIFY(click(*f_->form, "ZmienNazweDzwieku"));
    auto* edit = child<QLineEdit>(*f_->form, "ZmianaNazwyE");
    edit->setText(QStringLiteral("nowa"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(f_->set().library[0].name, std::string("nowa"));
    clickRow(sounds(), 1);
    QVERIFY(click(*f_->form, "ZmienWzmocnienieDzwieku"));
    QCOMPARE(f_->set().library[1].sound.Gain, uint8_t(60));
    dragRow(sounds(), 0, 2 * 16 + 2);
    const QStringList choicesBefore = rowTexts(list(*f_->form, "DzwiekiLB"));

    QVERIFY(click(*f_->form, "Anuluj"));
    QCOMPARE(f_->form->currentPage(), int(TMainForm::SignalEditorIndex));
    setfiles::expectSameSet(f_->set(), original);
    QVERIFY(f_->form->state().libraryCopy().empty());
    QCOMPARE(remaining->text(), remainingBefore);
    QCOMPARE(rowTexts(list(*f_->form, "DzwiekiLB")), choicesBefore);

    // The next visit shows it as it was, and accepting it changes nothing.
    QVERIFY(click(*f_->form, "ZmienDzwieki"));
    QCOMPARE(rowTexts(sounds()), (QStringList{"1 [-] a", "2 [+3,0dB] b", "3 [-] c", "4 [-] d"}));
    QVERIFY(click(*f_->form, "Dalej"));
    setfiles::expectSameSet(f_->set(), original);
}

void LibraryTest::gainButtonAndSpinEdit()
{
    SignalSet set = sampleSet();
    set.library[2].sound.Gain = 45;
    set.library[3].sound.Gain = 80;
    openLibrary(set);
    auto* spin = child<QSpinBox>(*f_->form, "WzmocnienieE");
    QCOMPARE(spin->maximum(), 100);
    QCOMPARE(spin->singleStep(), 5);

    clickRow(sounds(), 0);
    QCOMPARE(spin->value(), 0);
    QList<int> steps;
    for (int i = 0; i < 4; ++i) {
        QVERIFY(click(*f_->form, "ZmienWzmocnienieDzwieku"));
        steps << f_->set().library[0].sound.Gain;
        QCOMPARE(spin->value(), steps.last());
    }
    QCOMPARE(steps, (QList<int>{30, 60, 0, 30}));
    QCOMPARE(sounds()->item(0)->text(), QStringLiteral("1 [+3,0dB] a"));
    clickRow(sounds(), 2);
    QCOMPARE(spin->value(), 45);
    QVERIFY(click(*f_->form, "ZmienWzmocnienieDzwieku"));
    QCOMPARE(f_->set().library[2].sound.Gain, uint8_t(60));
    clickRow(sounds(), 3);
    QVERIFY(click(*f_->form, "ZmienWzmocnienieDzwieku"));
    QCOMPARE(f_->set().library[3].sound.Gain, uint8_t(0));
    QCOMPARE(sounds()->item(3)->text(), QStringLiteral("4 [-] d"));

    // Typing a value sets the gain at once; the arrows step by 5.
    clickRow(sounds(), 1);
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("75"));
    QCOMPARE(f_->set().library[1].sound.Gain, uint8_t(75));
    QCOMPARE(sounds()->item(1)->text(), QStringLiteral("2 [+7,5dB] b"));
    QTest::keyClick(spin, Qt::Key_Up);
    QCOMPARE(f_->set().library[1].sound.Gain, uint8_t(80));
    // 150 typed is limited to 10.0 dB at once, not cut short to 1.5 dB; leaving the field shows 100.
    f_->form->activateWindow();
    QApplication::setActiveWindow(f_->form.get());
    spin->setFocus();
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("150"));
    QCOMPARE(f_->set().library[1].sound.Gain, uint8_t(100));
    QCOMPARE(spin->text(), QStringLiteral("150"));
    QTest::keyClick(spin, Qt::Key_Tab);
    QCOMPARE(spin->text(), QStringLiteral("100"));
    QCOMPARE(sounds()->item(1)->text(), QStringLiteral("2 [+10,0dB] b"));
    spin->setFocus();
    spin->selectAll();
    QTest::keyClicks(spin, QStringLiteral("1000"));
    QCOMPARE(spin->text(), QStringLiteral("100"));
}

void LibraryTest::clearedGainFieldMeansNoGain()
{
    openLibrary();
    f_->form->activateWindow();
    QApplication::setActiveWindow(f_->form.get());
    auto* spin = child<QSpinBox>(*f_->form, "WzmocnienieE");
    clickRow(sounds(), 1);
    QCOMPARE(spin->value(), 30);
    spin->setFocus(Qt::TabFocusReason);
    spin->selectAll();
    QTest::keyClick(spin, Qt::Key_Backspace);
    QCOMPARE(f_->set().library[1].sound.Gain, uint8_t(0));
    QCOMPARE(sounds()->item(1)->text(), QStringLiteral("2 [-] b"));
    // Leaving the field keeps no gain rather than bringing the old value back.
    QTest::keyClick(spin, Qt::Key_Tab);
    QVERIFY(!spin->hasFocus());
    QCOMPARE(f_->set().library[1].sound.Gain, uint8_t(0));
    QCOMPARE(spin->value(), 0);
    QVERIFY(spin->text() != QStringLiteral("30"));
}

void LibraryTest::durationsBarAndMemoryDisplay()
{
    openLibrary();
    auto* bar = child<listkit::DurationsView>(*f_->form, "CzasyTrwaniaDzwiekow");
    QVERIFY(bar);
    const auto& rows = bar->drawnRows();
    QCOMPARE(rows.size(), size_t(4));
    QCOMPARE(rows[0].text, QStringLiteral("1,00 s"));
    QCOMPARE(rows[2].text, QStringLiteral("3,00 s"));
    QCOMPARE(rows[2].barWidth, 145);
    QCOMPARE(rows[0].barWidth, 48);   // 1/3 of 145
    QCOMPARE(rows[3].barWidth, 24);
    QCOMPARE(bar->picture().pixelColor(140, 32 + 3), listkit::DurationsView::barColour());
    QCOMPARE(bar->picture().pixelColor(60, 3), bar->palette().color(QPalette::Window));

    auto* gauge = child<QProgressBar>(*f_->form, "ZajetoscS3G");
    auto* gauge2 = child<QProgressBar>(*f_->form, "ZajetoscS2G");
    auto* remaining = child<QLabel>(*f_->form, "PozostalyCzasST");
    auto displayed = [&] {
        const zelmar::MemoryDisplay md = zelmar::memoryDisplay(f_->set().freeBytes());
        QCOMPARE(gauge->value(), md.gaugePercent);
        QCOMPARE(gauge2->value(), md.gaugePercent);
        QCOMPARE(remaining->text(), remainingText(f_->set()));
    };
    displayed();
    const int before = gauge->value();
    clickRow(sounds(), 2);
    f_->dialogs.answerAsk(true);
    QVERIFY(click(*f_->form, "UsunDzwiek"));
    displayed();
    QVERIFY(gauge->value() < before);
    QCOMPARE(bar->drawnRows().size(), size_t(3));
    QCOMPARE(bar->drawnRows()[1].barWidth, 145);
    QVERIFY(click(*f_->form, "Anuluj"));
    displayed();
    QCOMPARE(gauge->value(), before);
    QVERIFY(click(*f_->form, "ZmienDzwieki"));
    clickRow(sounds(), 2);
    f_->dialogs.answerAsk(true);
    QVERIFY(click(*f_->form, "UsunDzwiek"));
    QVERIFY(click(*f_->form, "Dalej"));
    displayed();
    QVERIFY(gauge->value() < before);
}

void LibraryTest::gaugeShowsEveryChange()
{
    openLibrary();
    PaintedGauge gauge(child<QProgressBar>(*f_->form, "ZajetoscS3G"));
    QCOMPARE(gauge.shown(), zelmar::memoryDisplay(f_->set().freeBytes()).gaugePercent);
    // Each delete moves the gauge by a few percent at most.
    for (int row : {3, 0, 1}) {
        const int before = zelmar::memoryDisplay(f_->set().freeBytes()).gaugePercent;
        clickRow(sounds(), row);
        if (f_->set().library[size_t(row)].sound.UsageMark != -1)
            f_->dialogs.answerAsk(true);
        QVERIFY(click(*f_->form, "UsunDzwiek"));
        const int after = zelmar::memoryDisplay(f_->set().freeBytes()).gaugePercent;
        QVERIFY(after <= before);
        QCOMPARE(gauge.shown(), after);
    }
}

void LibraryTest::emptyLibrary()
{
    SignalSet set;
    set.signals.push_back({"s", {TDzwiek::pause(10)}});
    openLibrary(set);
    auto* bar = child<listkit::DurationsView>(*f_->form, "CzasyTrwaniaDzwiekow");
    QVERIFY(bar->drawnRows().empty());
    QVERIFY(click(*f_->form, "ZmienNazweDzwieku"));
    QVERIFY(!child<QLineEdit>(*f_->form, "ZmianaNazwyE")->isVisible());
    QVERIFY(click(*f_->form, "UsunDzwiek"));
    QVERIFY(click(*f_->form, "ZmienWzmocnienieDzwieku"));
    QVERIFY(click(*f_->form, "OdtworzDzwiek"));
    QVERIFY(click(*f_->form, "Dalej"));
    QCOMPARE(rowTexts(list(*f_->form, "DzwiekiLB")), QStringList{"0 <pauza>"});
    QVERIFY(f_->set().signals[0].elements == zelmar::Signal{TDzwiek::pause(10)});
}

void LibraryTest::importAddsAnUnusedSoundAndPlayUsesTheGain()
{
    openLibrary();
    // Insert in the list asks for a file; cancelled, nothing changes.
    const int opened = f_->dialogs.count(ScriptedDialogs::Kind::Open);
    f_->dialogs.answerOpen(QString());
    QTest::keyClick(sounds(), Qt::Key_Insert);
    QCOMPARE(f_->dialogs.count(ScriptedDialogs::Kind::Open), opened + 1);
    QCOMPARE(f_->set().library.size(), size_t(4));

    const QString wav = f_->tmp->filePath(QStringLiteral("nowy.wav"));
    const std::vector<int16_t> samples(27000, 500);
    const std::string bytes = testwav::wavFileBytes(samples);
    QFile file(wav);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), qint64(bytes.size()));
    file.close();
    const int gaugeBefore = child<QProgressBar>(*f_->form, "ZajetoscS3G")->value();
    f_->dialogs.answerOpen(wav);
    f_->dialogs.answerAsk(false);
    QVERIFY(click(*f_->form, "DodajDzwiek"));
    QCOMPARE(f_->set().library.size(), size_t(5));
    QCOMPARE(sounds()->count(), 5);
    QCOMPARE(sounds()->currentRow(), 4);
    QVERIFY(!sounds()->item(4)->font().bold());
    QCOMPARE(child<listkit::DurationsView>(*f_->form, "CzasyTrwaniaDzwiekow")->drawnRows().back().text,
             QStringLiteral("1,50 s"));
    QVERIFY(child<QProgressBar>(*f_->form, "ZajetoscS3G")->value() > gaugeBefore);
    // Added on this visit: it goes without a question.
    QVERIFY(click(*f_->form, "UsunDzwiek"));
    QCOMPARE(f_->set().library.size(), size_t(4));

    // "Odtwórz" plays the sound with its gain: louder than stored.
    clickRow(sounds(), 1);
    QVERIFY(click(*f_->form, "OdtworzDzwiek"));
    const QByteArray played = player_.played().last().bytes;
    QCOMPARE(played.size(), 44 + 2 * 36000);
    const int16_t first = int16_t(uint8_t(played[44]) | (uint8_t(played[45]) << 8));
    QCOMPARE(first, int16_t(283));   // 200 at +3.0 dB
}

void LibraryTest::editsSurviveSavingAndOpeningAgain()
{
    openLibrary();
    dragRow(sounds(), 3, 5);
    clickRow(sounds(), 1);
    QVERIFY(click(*f_->form, "ZmienWzmocnienieDzwieku"));
    QVERIFY(click(*f_->form, "ZmienNazweDzwieku"));
    child<QLineEdit>(*f_->form, "ZmianaNazwyE")->setText(QStringLiteral("ą nowa"));
    QTest::keyClick(child<QLineEdit>(*f_->form, "ZmianaNazwyE"), Qt::Key_Return);
    QVERIFY(click(*f_->form, "Dalej"));
    clickRow(list(*f_->form, "DzwiekiLB"), 1);
    QVERIFY(click(*f_->form, "DoSygnalu"));
    child<QLineEdit>(*f_->form, "NazwaSygnaluE")->setText(QStringLiteral("zmieniony"));
    QVERIFY(click(*f_->form, "Dalej"));
    QVERIFY(click(*f_->form, "TylneDrzwi"));
    clickRow(list(*f_->form, "SygnalLB"), 0);
    child<QSlider>(*f_->form, "GlosnoscTB")->setValue(9);
    QVERIFY(click(*f_->form, "Dalej"));
    const SignalSet edited = f_->set();
    QCOMPARE(edited.library[1].name, std::string("ą nowa"));
    QCOMPARE(edited.signals[0].name, std::string("zmieniony"));

    QVERIFY(click(*f_->form, "Dalej"));
    child<QRadioButton>(*f_->form, "ZapisRB")->setChecked(true);
    QVERIFY(click(*f_->form, "Dalej"));
    QCOMPARE(f_->form->currentPage(), int(TMainForm::FarewellIndex));

    TMainForm again(f_->dialogs);
    again.show();
    child<QRadioButton>(again, "OdczytRB")->setChecked(true);
    f_->dialogs.answerOpen(f_->form->currentSetFile());
    QVERIFY(click(again, "Dalej"));
    const SignalSet& read = again.state().set();
    setfiles::expectSameSet(read, edited);
    QCOMPARE(read.backdoor->at(0).Volume, 9);
    QCOMPARE(rowTexts(list(again, "ZestawLB")), (QStringList{"1 zmieniony", "2 s2"}));
}

void LibraryTest::aReplacedSetStartsOnItsFirstSound()
{
    openLibrary();
    clickRow(sounds(), 3);
    QVERIFY(click(*f_->form, "Dalej"));
    QVERIFY(click(*f_->form, "Dalej"));
    QCOMPARE(f_->form->currentPage(), int(TMainForm::SignalListIndex));

    // Another set, opened after clearing this one: its library shows from the first sound on.
    SignalSet other = sampleSet();
    other.library[0].sound.Gain = 55;
    const QString path = f_->tmp->filePath(QStringLiteral("inny.zmr"));
    zelmar::writeSetFile(other, QFile::encodeName(path).toStdString());
    f_->dialogs.answerAsk(true);
    QVERIFY(click(*f_->form, "Wstecz"));
    child<QRadioButton>(*f_->form, "OdczytRB")->setChecked(true);
    f_->dialogs.answerOpen(path);
    QVERIFY(click(*f_->form, "Dalej"));
    QVERIFY(click(*f_->form, "ZmianaSygnalu"));
    QVERIFY(click(*f_->form, "ZmienDzwieki"));
    QCOMPARE(sounds()->currentRow(), 0);
    QCOMPARE(child<QSpinBox>(*f_->form, "WzmocnienieE")->value(), 55);
    // The delete acts on that first sound.
    f_->dialogs.answerAsk(true);
    QVERIFY(click(*f_->form, "UsunDzwiek"));
    QCOMPARE(f_->set().library.front().name, std::string("b"));
}

QTEST_MAIN(LibraryTest)
#include "tst_library.moc"
