// Page 2: adding, removing and reordering elements, the volume and pause bars, the limits, and
// how an edit ends (accepted or cancelled, ordinary or back-door signal).
#include "FragmentDlg.h"
#include "ListKit.h"
#include "UiLocale.h"
#include "Previews.h"
#include "SignalListPage.h"
#include "SilentPlayer.h"
#include "WindowTest.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QSlider>
#include <QTimer>

using namespace pagedriver;
using zelmar::SignalSet;
using zelmar::TDzwiek;

namespace {

// Two sounds (the second with gain) and two signals: three elements, and none.
SignalSet sampleSet()
{
    SignalSet set;
    set.library.push_back(sound("dzwonek", 18000, 1000));
    set.library.push_back(sound("gong", 9000, -2000, 30));
    set.signals.push_back({"pierwszy", {TDzwiek{1, 5, 10, 50, 0}, TDzwiek::pause(120), element(2, set)}});
    set.signals.push_back({"drugi", {}});
    return set;
}

int16_t sampleAt(const QByteArray& wav, int i)
{
    return int16_t(uint8_t(wav[44 + 2 * i]) | (uint8_t(wav[45 + 2 * i]) << 8));
}

} // namespace

class SignalEditorTest : public WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        WindowTest::initTestCase();
        previews::setPlayer(&player_);
    }

    void rowsAndControlsFollowTheSelection();
    void volumeAndPauseBarsWriteTheElement();
    void addingInsertsBeforeTheSelectedRow();
    void removingSelectsTheSamePlaceOrTheOneBefore();
    void elementLimitsAndMemoryDisplay();
    void gaugeShowsEveryChange();
    void dragMovesAnElement();
    void cancelOfNewSignalRemovesIt();
    void cancelOfChangedSignalBringsBackEveryField();
    void backDoorCancelAndAcceptRules();
    void acceptTakesTheNameAsTyped();
    void newSetOffersSoundsOnlyAfterTheLibraryIsAccepted();
    void previewsPlayWhatIsSelected();
    void advancedEditsOnlySoundElementsAndOnlyOkKeepsTheFragment();

private:
    // Opens the sample set and begins the edit of signal `row`.
    void editSignal(int row, const SignalSet& set = sampleSet())
    {
        QVERIFY(f_->open(set));
        clickRow(list(*f_->form, "ZestawLB"), row);
        QVERIFY(click(*f_->form, "ZmianaSygnalu"));
        QCOMPARE(f_->form->currentPage(), int(TMainForm::SignalEditorIndex));
    }
    const zelmar::Signal& edited() { return *f_->form->state().editedSignal(); }

    SilentPlayer player_;
};

void SignalEditorTest::rowsAndControlsFollowTheSelection()
{
    editSignal(0);
    QListWidget* lb = list(*f_->form, "SygnalLB");
    QCOMPARE(rowTexts(lb), (QStringList{"1 dzwonek", "2 <pauza> 1,20 s", "3 gong", ""}));
    QCOMPARE(rowTexts(list(*f_->form, "DzwiekiLB")), (QStringList{"0 <pauza>", "1 dzwonek", "2 gong"}));
    auto* volume = child<QGroupBox>(*f_->form, "GlosnoscGB");
    auto* pause = child<QGroupBox>(*f_->form, "CzasPauzyGB");
    auto* advanced = child<QPushButton>(*f_->form, "Zaawansowane");
    auto* volumeBar = child<QSlider>(*f_->form, "GlosnoscTB");
    auto* pauseBar = child<QSlider>(*f_->form, "CzasPauzyTB");
    QVERIFY(!volume->isVisible() && !pause->isVisible() && !advanced->isVisible());

    clickRow(lb, 0);
    QVERIFY(volume->isVisible() && advanced->isVisible() && !pause->isVisible());
    QCOMPARE(volumeBar->value(), 5);
    clickRow(lb, 1);
    QVERIFY(pause->isVisible() && !volume->isVisible() && !advanced->isVisible());
    QCOMPARE(pauseBar->value(), 120);
    QCOMPARE(pause->title(), QStringLiteral("&Czas trwania pauzy (1,20 s)"));
    // Full volume is stored as 0 and shown as 16.
    clickRow(lb, 2);
    QCOMPARE(volumeBar->value(), 16);
    clickRow(lb, 3);
    QVERIFY(!volume->isVisible() && !pause->isVisible() && !advanced->isVisible());
    // Moving between rows wrote nothing.
    QVERIFY(edited() == sampleSet().signals[0].elements);

    // Tab crosses from the element list through "<<" and ">>" to the choice list.
    f_->form->activateWindow();
    QApplication::setActiveWindow(f_->form.get());
    lb->setFocus(Qt::TabFocusReason);
    QStringList visited;
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, (QStringList{"DoSygnalu", "ZSygnalu", "DzwiekiLB"}));
}

void SignalEditorTest::volumeAndPauseBarsWriteTheElement()
{
    editSignal(0);
    QListWidget* lb = list(*f_->form, "SygnalLB");
    auto* volumeBar = child<QSlider>(*f_->form, "GlosnoscTB");
    auto* pauseBar = child<QSlider>(*f_->form, "CzasPauzyTB");

    clickRow(lb, 2);
    volumeBar->setValue(7);
    QCOMPARE(edited()[2].Volume, 7);
    QTest::keyClick(volumeBar, Qt::Key_End);
    QCOMPARE(volumeBar->value(), 16);
    QCOMPARE(edited()[2].Volume, 0);
    clickRow(lb, 0);
    QCOMPARE(volumeBar->value(), 5);
    QCOMPARE(edited()[2].Volume, 0);

    clickRow(lb, 1);
    QTest::keyClick(pauseBar, Qt::Key_PageDown);
    QTest::keyClick(pauseBar, Qt::Key_End);
    QCOMPARE(pauseBar->value(), 255);
    QCOMPARE(edited()[1].PauseLength, 255);
    QCOMPARE(child<QGroupBox>(*f_->form, "CzasPauzyGB")->title(), QStringLiteral("&Czas trwania pauzy (2,55 s)"));
    QCOMPARE(lb->item(1)->text(), QStringLiteral("2 <pauza> 2,55 s"));
    // The sound elements' pause field is never touched by the pause bar.
    QCOMPARE(edited()[0].PauseLength, 0);
    QCOMPARE(edited()[2].PauseLength, 0);
}

void SignalEditorTest::addingInsertsBeforeTheSelectedRow()
{
    editSignal(1);
    QListWidget* lb = list(*f_->form, "SygnalLB");
    QListWidget* choices = list(*f_->form, "DzwiekiLB");
    QCOMPARE(rowTexts(lb), QStringList{""});

    // No row selected: appended.
    clickRow(choices, 1);
    lb->setCurrentRow(-1);
    QVERIFY(click(*f_->form, "DoSygnalu"));
    QCOMPARE(edited().size(), size_t(1));
    QVERIFY(edited()[0] == (TDzwiek{1, 0, 1, 18000, 0}));
    QCOMPARE(lb->currentRow(), 1);

    // The trailing row selected: appended again.
    clickRow(choices, 2);
    QVERIFY(click(*f_->form, "DoSygnalu"));
    QVERIFY(edited()[1] == (TDzwiek{2, 0, 1, 9000, 0}));
    QCOMPARE(lb->currentRow(), 2);

    // The first row selected: inserted in front, the former first element stays selected, and
    // the next click inserts before it again.
    clickRow(choices, 0);
    clickRow(lb, 0);
    QVERIFY(click(*f_->form, "DoSygnalu"));
    QVERIFY(edited()[0] == TDzwiek::pause(50));
    QCOMPARE(lb->currentRow(), 1);
    clickRow(choices, 2);
    QVERIFY(click(*f_->form, "DoSygnalu"));
    QCOMPARE(rowTexts(lb), (QStringList{"1 <pauza> 0,50 s", "2 gong", "3 dzwonek", "4 gong", ""}));
    QCOMPARE(lb->currentRow(), 2);

    // No choice selected: nothing.
    choices->setCurrentRow(-1);
    QVERIFY(click(*f_->form, "DoSygnalu"));
    QCOMPARE(edited().size(), size_t(4));
}

void SignalEditorTest::removingSelectsTheSamePlaceOrTheOneBefore()
{
    editSignal(0);
    QListWidget* lb = list(*f_->form, "SygnalLB");

    // The trailing row is no element.
    clickRow(lb, 3);
    QVERIFY(click(*f_->form, "ZSygnalu"));
    QCOMPARE(edited().size(), size_t(3));

    clickRow(lb, 1);
    QVERIFY(click(*f_->form, "ZSygnalu"));
    QCOMPARE(rowTexts(lb), (QStringList{"1 dzwonek", "2 gong", ""}));
    QCOMPARE(lb->currentRow(), 1);
    // The last element: the new last element is selected.
    QTest::keyClick(lb, Qt::Key_Delete);
    QCOMPARE(rowTexts(lb), (QStringList{"1 dzwonek", ""}));
    QCOMPARE(lb->currentRow(), 0);
    // The only element: the trailing row (row 0) is left selected.
    QVERIFY(click(*f_->form, "ZSygnalu"));
    QCOMPARE(rowTexts(lb), QStringList{""});
    QCOMPARE(lb->currentRow(), 0);
    QVERIFY(edited().empty());
    QVERIFY(click(*f_->form, "ZSygnalu"));
    QCOMPARE(lb->count(), 1);
}

void SignalEditorTest::elementLimitsAndMemoryDisplay()
{
    // 126 elements: one more fits, the 128th does not.
    {
        SignalSet set = sampleSet();
        set.signals[1].elements.assign(126, TDzwiek::pause(10));
        editSignal(1, set);
        clickRow(list(*f_->form, "DzwiekiLB"), 1);
        QVERIFY(click(*f_->form, "DoSygnalu"));
        QCOMPARE(edited().size(), size_t(127));
        QVERIFY(f_->dialogs.notices().isEmpty());
        QVERIFY(click(*f_->form, "DoSygnalu"));
        QCOMPARE(f_->dialogs.notices(), QStringList{rsq(65245)});
        QCOMPARE(edited().size(), size_t(127));
        QCOMPARE(list(*f_->form, "SygnalLB")->count(), 128);
        QVERIFY(click(*f_->form, "Anuluj"));
    }
    // T + 8 may reach 33528 but not pass it, whatever is added.
    for (const int32_t t : {33520, 33521}) {
        SignalSet set = sampleSet();
        set.library[0].sound.SetSamples(std::vector<int16_t>(8, 1));
        for (int i = 0; i < 31; ++i)
            set.signals.push_back({"s", zelmar::Signal(127, element(1, set))});
        QVERIFY(padTableTo(set, t));
        init();
        editSignal(1, set);
        clickRow(list(*f_->form, "DzwiekiLB"), 0);
        QVERIFY(click(*f_->form, "DoSygnalu"));
        QCOMPARE(edited().size(), size_t(t == 33520 ? 1 : 0));
        QCOMPARE(f_->dialogs.notices(), t == 33520 ? QStringList{} : QStringList{rsq(65245)});
        f_->dialogs.reset();
    }

    // The remaining time follows every added and removed element.
    SignalSet set = sampleSet();
    QVERIFY(tuneRemainingTime(set, [](SignalSet& s) { s.signals[0].elements.push_back(TDzwiek{1, 0, 1, 18000, 0}); }));
    init();
    editSignal(0, set);
    auto* remaining = child<QLabel>(*f_->form, "PozostalyCzasST");
    auto* gauge = child<QProgressBar>(*f_->form, "ZajetoscS2G");
    QCOMPARE(remaining->text(), remainingText(set));
    clickRow(list(*f_->form, "DzwiekiLB"), 1);
    QVERIFY(click(*f_->form, "DoSygnalu"));
    QCOMPARE(remaining->text(), remainingText(f_->set()));
    QVERIFY(remaining->text() != remainingText(set));
    QCOMPARE(gauge->value(), zelmar::memoryDisplay(f_->set().freeBytes()).gaugePercent);
    clickRow(list(*f_->form, "SygnalLB"), 3);
    QVERIFY(click(*f_->form, "ZSygnalu"));
    QCOMPARE(remaining->text(), remainingText(set));
}

void SignalEditorTest::gaugeShowsEveryChange()
{
    // A set one element short of the next percent on the gauge.
    SignalSet set;
    set.library.push_back(sound("duży", 102480));
    set.signals.push_back({"s", {element(1, set)}});
    const auto percent = [](const SignalSet& s) { return zelmar::memoryDisplay(s.freeBytes()).gaugePercent; };
    SignalSet more = set;
    more.signals[0].elements.push_back(element(1, set));
    while (!(percent(set) == 5 && percent(more) == 6) && set.signals[0].name.size() < 250) {
        set.signals[0].name += 'x';
        more.signals[0].name += 'x';
    }
    QCOMPARE(percent(more), 6);

    editSignal(0, set);
    PaintedGauge gauge(child<QProgressBar>(*f_->form, "ZajetoscS2G"));
    QCOMPARE(gauge.shown(), 5);
    clickRow(list(*f_->form, "DzwiekiLB"), 1);
    QVERIFY(click(*f_->form, "DoSygnalu"));
    QCOMPARE(gauge.shown(), 6);
    clickRow(list(*f_->form, "SygnalLB"), 1);
    QVERIFY(click(*f_->form, "ZSygnalu"));
    QCOMPARE(gauge.shown(), 5);
}

void SignalEditorTest::dragMovesAnElement()
{
    editSignal(0);
    QListWidget* lb = list(*f_->form, "SygnalLB");
    const zelmar::Signal before = edited();

    dragRow(lb, 0, 2 * 16 + 3);
    QVERIFY(edited() == (zelmar::Signal{before[1], before[2], before[0]}));
    QCOMPARE(lb->currentRow(), 2);
    QCOMPARE(rowTexts(lb), (QStringList{"1 <pauza> 1,20 s", "2 gong", "3 dzwonek", ""}));

    // Onto the trailing row or below it: the last element's place.
    dragRow(lb, 0, 3 * 16 + 3);
    QVERIFY(edited() == (zelmar::Signal{before[2], before[0], before[1]}));
    dragRow(lb, 1, 150);
    QVERIFY(edited() == (zelmar::Signal{before[2], before[1], before[0]}));

    // The trailing row itself does not move, nor does a row let go on itself.
    dragRow(lb, 3, 5);
    dragRow(lb, 1, 16 + 8);
    QVERIFY(edited() == (zelmar::Signal{before[2], before[1], before[0]}));
}

void SignalEditorTest::cancelOfNewSignalRemovesIt()
{
    SignalSet set = sampleSet();
    QVERIFY(f_->open(set));
    QVERIFY(click(*f_->form, "NowySygnal"));
    clickRow(list(*f_->form, "DzwiekiLB"), 1);
    QVERIFY(click(*f_->form, "DoSygnalu"));
    QCOMPARE(f_->set().signals.size(), size_t(3));
    QVERIFY(click(*f_->form, "Anuluj"));
    QCOMPARE(f_->form->currentPage(), int(TMainForm::SignalListIndex));
    QCOMPARE(f_->set().signals.size(), size_t(2));
    QListWidget* zestaw = list(*f_->form, "ZestawLB");
    QCOMPARE(rowTexts(zestaw), (QStringList{"1 pierwszy", "2 drugi"}));
    QCOMPARE(zestaw->currentRow(), 1);
    QCOMPARE(child<QLabel>(*f_->form, "PozostalyCzasST")->text(), remainingText(set));
}

void SignalEditorTest::cancelOfChangedSignalBringsBackEveryField()
{
    editSignal(0);
    const SignalSet original = sampleSet();
    QListWidget* lb = list(*f_->form, "SygnalLB");
    clickRow(lb, 0);
    child<QSlider>(*f_->form, "GlosnoscTB")->setValue(12);
    clickRow(lb, 1);
    child<QSlider>(*f_->form, "CzasPauzyTB")->setValue(30);
    TDzwiek fragment = edited()[0];
    fragment.SetFragment(20, 30);
    f_->form->state().changeElement(0, fragment);
    dragRow(lb, 0, 2 * 16 + 3);
    clickRow(lb, 0);
    QVERIFY(click(*f_->form, "ZSygnalu"));
    clickRow(list(*f_->form, "DzwiekiLB"), 2);
    QVERIFY(click(*f_->form, "DoSygnalu"));
    child<QLineEdit>(*f_->form, "NazwaSygnaluE")->setText(QStringLiteral("inna nazwa"));
    QVERIFY(edited() != original.signals[0].elements);

    QVERIFY(click(*f_->form, "Anuluj"));
    QVERIFY(f_->set().signals[0].elements == original.signals[0].elements);
    QCOMPARE(f_->set().signals[0].name, std::string("pierwszy"));
    QVERIFY(!f_->form->state().keptCopy());
    QCOMPARE(f_->form->signalListPage()->Czasy->drawnRows()[0].text,
             uilocale::seconds(original.playingSamples(original.signals[0].elements)));
}

void SignalEditorTest::backDoorCancelAndAcceptRules()
{
    SignalSet set = sampleSet();
    QVERIFY(f_->open(set));

    // Begun and cancelled: gone again.
    QVERIFY(click(*f_->form, "TylneDrzwi"));
    clickRow(list(*f_->form, "DzwiekiLB"), 1);
    QVERIFY(click(*f_->form, "DoSygnalu"));
    QVERIFY(click(*f_->form, "Anuluj"));
    QVERIFY(!f_->set().backdoor);
    QVERIFY(!f_->form->state().backdoorEdit());

    // Accepted with no element, or with pauses only: removed.
    QVERIFY(click(*f_->form, "TylneDrzwi"));
    QVERIFY(click(*f_->form, "Dalej"));
    QVERIFY(!f_->set().backdoor);
    QVERIFY(click(*f_->form, "TylneDrzwi"));
    clickRow(list(*f_->form, "DzwiekiLB"), 0);
    QVERIFY(click(*f_->form, "DoSygnalu"));
    QVERIFY(click(*f_->form, "DoSygnalu"));
    QVERIFY(click(*f_->form, "Dalej"));
    QVERIFY(!f_->set().backdoor);

    // With a sound it stays; its name never becomes a signal's name.
    QVERIFY(click(*f_->form, "TylneDrzwi"));
    clickRow(list(*f_->form, "DzwiekiLB"), 2);
    QVERIFY(click(*f_->form, "DoSygnalu"));
    QVERIFY(click(*f_->form, "Dalej"));
    QVERIFY(f_->set().backdoor && f_->set().backdoor->size() == 1);
    QCOMPARE(f_->set().signals[0].name, std::string("pierwszy"));
    QCOMPARE(f_->set().signals[1].name, std::string("drugi"));

    // An existing one changed and cancelled comes back as it was.
    QVERIFY(click(*f_->form, "TylneDrzwi"));
    QVERIFY(!child<QLineEdit>(*f_->form, "NazwaSygnaluE")->isEnabled());
    QVERIFY(f_->form->state().keptCopy());
    clickRow(list(*f_->form, "SygnalLB"), 0);
    QVERIFY(click(*f_->form, "ZSygnalu"));
    QVERIFY(f_->set().backdoor->empty());
    QVERIFY(click(*f_->form, "Anuluj"));
    QVERIFY(f_->set().backdoor && *f_->set().backdoor == zelmar::Signal{element(2, set)});
    QVERIFY(!f_->form->state().backdoorEdit());
}

void SignalEditorTest::acceptTakesTheNameAsTyped()
{
    editSignal(1);
    auto* name = child<QLineEdit>(*f_->form, "NazwaSygnaluE");
    QCOMPARE(name->maxLength(), 250);
    name->end(false);
    name->insert(QStringLiteral(" żółw"));
    // A visit to the library keeps what was typed.
    QVERIFY(click(*f_->form, "ZmienDzwieki"));
    QVERIFY(click(*f_->form, "Anuluj"));
    QCOMPARE(name->text(), QStringLiteral("drugi żółw"));
    QVERIFY(click(*f_->form, "Dalej"));
    QCOMPARE(f_->set().signals[1].name, std::string("drugi żółw"));
    QCOMPARE(list(*f_->form, "ZestawLB")->item(1)->text(), QStringLiteral("2 drugi żółw"));

    // An empty name is a name.
    QVERIFY(click(*f_->form, "ZmianaSygnalu"));
    name->clear();
    QVERIFY(click(*f_->form, "Dalej"));
    QCOMPARE(f_->set().signals[1].name, std::string());
    QCOMPARE(list(*f_->form, "ZestawLB")->item(1)->text(), QStringLiteral("2 "));

    // A name longer than the typing limit, as a file may hold, survives an edit untouched.
    SignalSet set = sampleSet();
    set.signals[0].name = std::string(255, 'n');
    init();
    editSignal(0, set);
    QVERIFY(click(*f_->form, "Dalej"));
    QCOMPARE(f_->set().signals[0].name, std::string(255, 'n'));
}

void SignalEditorTest::newSetOffersSoundsOnlyAfterTheLibraryIsAccepted()
{
    QVERIFY(f_->startNew());
    QVERIFY(click(*f_->form, "NowySygnal"));
    QListWidget* choices = list(*f_->form, "DzwiekiLB");
    QCOMPARE(choices->count(), 0);
    QVERIFY(click(*f_->form, "DoSygnalu"));
    QVERIFY(edited().empty());

    QVERIFY(click(*f_->form, "ZmienDzwieki"));
    QCOMPARE(f_->form->currentPage(), int(TMainForm::LibraryIndex));
    QVERIFY(click(*f_->form, "Dalej"));
    QCOMPARE(f_->form->currentPage(), int(TMainForm::SignalEditorIndex));
    QCOMPARE(rowTexts(choices), QStringList{"0 <pauza>"});
    QCOMPARE(choices->currentRow(), 0);
    QVERIFY(click(*f_->form, "DoSygnalu"));
    QVERIFY(edited() == zelmar::Signal{TDzwiek::pause(50)});

    // Going back over the start page without saving the new set empties the choices again.
    QVERIFY(click(*f_->form, "Dalej"));
    f_->dialogs.answerSaveQuestion(Dialogs::SaveAnswer::Discard);
    QVERIFY(click(*f_->form, "Wstecz"));
    QCOMPARE(choices->count(), 0);
}

void SignalEditorTest::previewsPlayWhatIsSelected()
{
    editSignal(0);
    const int before = player_.played().size();
    QListWidget* choices = list(*f_->form, "DzwiekiLB");
    QListWidget* lb = list(*f_->form, "SygnalLB");

    // The pause choice and a pause element play nothing.
    doubleClickRow(choices, 0);
    doubleClickRow(lb, 1);
    QCOMPARE(player_.played().size(), before);

    // The choice list plays a library sound as stored, without its gain.
    doubleClickRow(choices, 2);
    QCOMPARE(player_.played().size(), before + 1);
    QByteArray wav = player_.played().last().bytes;
    QCOMPARE(wav.size(), 44 + 2 * 9000);
    QCOMPARE(sampleAt(wav, 0), int16_t(-2000));

    // An element plays its fragment at its volume: samples 10..50 of 1000 at 5/16.
    doubleClickRow(lb, 0);
    wav = player_.played().last().bytes;
    QCOMPARE(wav.size(), 44 + 2 * 41);
    QCOMPARE(sampleAt(wav, 0), int16_t(312));

    // The whole signal: fragment, 1.20 s of silence, the second sound with its gain.
    QVERIFY(click(*f_->form, "OdtworzS2"));
    wav = player_.played().last().bytes;
    QCOMPARE(wav.size(), 44 + 2 * (41 + 21600 + 9000));
    QCOMPARE(sampleAt(wav, 41 + 100), int16_t(0));
    QVERIFY(sampleAt(wav, 41 + 21600) < -2000);

    // From page 1 the selected signal becomes the signal under edit and plays; an empty one
    // plays nothing.
    QVERIFY(click(*f_->form, "Anuluj"));
    const int count = player_.played().size();
    clickRow(list(*f_->form, "ZestawLB"), 1);
    QVERIFY(click(*f_->form, "OdtworzS1"));
    QCOMPARE(f_->form->state().signalUnderEdit(), 1);
    QCOMPARE(player_.played().size(), count);
    clickRow(list(*f_->form, "ZestawLB"), 0);
    QVERIFY(click(*f_->form, "OdtworzS1"));
    QCOMPARE(f_->form->state().signalUnderEdit(), 0);
    QCOMPARE(player_.played().last().bytes.size(), wav.size());
    // No preview file is left behind.
    for (const auto& p : player_.played())
        QVERIFY(!QFile::exists(p.path));
}

void SignalEditorTest::advancedEditsOnlySoundElementsAndOnlyOkKeepsTheFragment()
{
    editSignal(0);
    QListWidget* lb = list(*f_->form, "SygnalLB");
    clickRow(lb, 1);
    QVERIFY(child<QPushButton>(*f_->form, "Zaawansowane")->isHidden());
    clickRow(lb, 2);
    const TDzwiek before = edited()[2];
    // Drags the end marker to the middle of the picture, then ends the dialog with `button`.
    const auto moveEndAndPress = [&](const char* button) {
        QTimer::singleShot(0, f_->form.get(), [&, button] {
            auto* dlg = f_->form->findChild<TFragmentDlg*>();
            if (!dlg || !QTest::qWaitForWindowExposed(dlg))
                return;
            auto* view = dlg->findChild<QWidget*>(QStringLiteral("WidokWav"));
            // The sound is a constant: no zero crossing to snap to.
            dlg->findChild<QCheckBox*>(QStringLiteral("PrzyciaganieCB"))->setChecked(false);
            QTest::mousePress(view, Qt::LeftButton, {}, QPoint(dlg->endColumn(), 80));
            QTest::mouseMove(view, QPoint(view->width() / 2, 80));
            QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(view->width() / 2, 80));
            QTest::mouseClick(dlg->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
        });
        QVERIFY(click(*f_->form, "Zaawansowane"));
    };
    moveEndAndPress("Anuluj");
    QVERIFY(edited()[2] == before);
    moveEndAndPress("OK");
    QCOMPARE(edited()[2].FragmentStart, before.FragmentStart);
    QVERIFY(edited()[2].FragmentEnd < before.FragmentEnd * 3 / 4);
}

QTEST_MAIN(SignalEditorTest)
#include "tst_signal_editor.moc"
