// Page 1: beginning, changing, deleting and reordering signals, its limits, and the durations column.
#include "ListKit.h"
#include "UiLocale.h"
#include "SignalListPage.h"
#include "WindowTest.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QScrollBar>

using namespace pagedriver;
using zelmar::SignalSet;
using zelmar::TDzwiek;

namespace {

// A sound of one second and three signals: 1.50 s, 1.00 s and an empty one.
SignalSet threeSignals()
{
    SignalSet set;
    set.library.push_back(sound("sekunda", 18000));
    set.signals.push_back({"pierwszy", {element(1, set), TDzwiek::pause(50)}});
    set.signals.push_back({"drugi", {TDzwiek::pause(100)}});
    set.signals.push_back({"pusty", {}});
    return set;
}

// `count` signals with 127 sound elements each, short names.
SignalSet fullSignals(int count)
{
    SignalSet set;
    set.library.push_back(sound("a", 8));
    for (int i = 0; i < count; ++i)
        set.signals.push_back({"s", zelmar::Signal(127, element(1, set))});
    return set;
}

int countPixels(const QImage& image, const QColor& colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) == colour;
    return n;
}

} // namespace

class SignalListTest : public WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void rowsShowNumberAndNameWithNameAsHint();
    void newSignalIsRefusedAt128Signals();
    void newSignalIsRefusedWhenTablesWouldPassTheLimit();
    void newSignalBeginsAnEditByButtonAndKeys();
    void changeAndDoubleClickKeepACopyOfTheSelectedSignal();
    void deleteAsksAndSelectsTheNextRow();
    void deletingTheLastSignalDisablesDalej();
    void dragMovesASignal();
    void backDoorBeginsAnEditOfItsOwn();
    void durationsShowLengthsAgainstTheLongestRow();
    void durationsOfEmptySignalsHaveNoBars();
    void durationsFollowScrolling();
    void durationBarsRoundHalvesLikeTheGauge();

private:
};

void SignalListTest::rowsShowNumberAndNameWithNameAsHint()
{
    QVERIFY(f_->open(threeSignals()));
    QListWidget* lb = list(*f_->form, "ZestawLB");
    QCOMPARE(rowTexts(lb), (QStringList{"1 pierwszy", "2 drugi", "3 pusty"}));
    QCOMPARE(lb->item(1)->toolTip(), QStringLiteral("drugi"));
    QCOMPARE(lb->currentRow(), 0);
}

void SignalListTest::newSignalIsRefusedAt128Signals()
{
    SignalSet set;
    for (int i = 0; i < 128; ++i)
        set.signals.push_back({"s" + std::to_string(i), {}});
    QVERIFY(f_->open(set));
    f_->dialogs.reset();
    QVERIFY(click(*f_->form, "NowySygnal"));
    QCOMPARE(f_->dialogs.notices(), QStringList{rsq(65244)});
    QCOMPARE(f_->set().signals.size(), size_t(128));
    QCOMPARE(f_->form->currentPage(), int(TMainForm::SignalListIndex));

    // One fewer leaves room for exactly one more.
    f_->dialogs.reset();
    list(*f_->form, "ZestawLB")->setCurrentRow(0);
    f_->dialogs.answerAsk(true);
    QVERIFY(click(*f_->form, "UsunSygnal"));
    QVERIFY(click(*f_->form, "NowySygnal"));
    QCOMPARE(f_->form->currentPage(), int(TMainForm::SignalEditorIndex));
    QCOMPARE(f_->set().signals.size(), size_t(128));
    QVERIFY(f_->dialogs.notices().isEmpty());
}

void SignalListTest::newSignalIsRefusedWhenTablesWouldPassTheLimit()
{
    // T + 300 may reach 33528 but not pass it.
    for (const int32_t t : {33228, 33229}) {
        SignalSet set = fullSignals(31);
        QVERIFY(padTableTo(set, t));
        Fixture f;
        QVERIFY(f.open(set));
        f.dialogs.reset();
        QVERIFY(click(*f.form, "NowySygnal"));
        if (t == 33228) {
            QVERIFY(f.dialogs.notices().isEmpty());
            QCOMPARE(f.set().signals.size(), size_t(32));
            QCOMPARE(f.form->currentPage(), int(TMainForm::SignalEditorIndex));
        } else {
            QCOMPARE(f.dialogs.notices(), QStringList{rsq(65244)});
            QCOMPARE(f.set().signals.size(), size_t(31));
            QCOMPARE(f.set().tableSize(), t);
            QCOMPARE(f.form->currentPage(), int(TMainForm::SignalListIndex));
        }
        QVERIFY(f.dialogsClean());
    }
}

void SignalListTest::newSignalBeginsAnEditByButtonAndKeys()
{
    SignalSet set = threeSignals();
    QVERIFY(tuneRemainingTime(set, [](SignalSet& s) { s.signals.push_back({zelmar::rs(65246), {}}); }));
    QVERIFY(f_->open(set));
    auto* remaining = child<QLabel>(*f_->form, "PozostalyCzasST");
    QCOMPARE(remaining->text(), remainingText(set));

    QVERIFY(click(*f_->form, "NowySygnal"));
    QCOMPARE(f_->form->currentPage(), int(TMainForm::SignalEditorIndex));
    QCOMPARE(f_->set().signals.size(), size_t(4));
    QCOMPARE(f_->set().signals[3].name, zelmar::rs(65246));
    QCOMPARE(list(*f_->form, "ZestawLB")->currentRow(), 3);
    QCOMPARE(f_->form->state().signalUnderEdit(), 3);
    QVERIFY(!f_->form->state().keptCopy());
    QVERIFY(!f_->form->state().backdoorEdit());
    QCOMPARE(child<QLineEdit>(*f_->form, "NazwaSygnaluE")->text(), rsq(65246));
    QCOMPARE(remaining->text(), remainingText(f_->set()));
    QVERIFY(remaining->text() != remainingText(set));

    // The cancelled signal goes; Insert and the keypad's "+" begin another one each.
    QVERIFY(click(*f_->form, "Anuluj"));
    QCOMPARE(f_->set().signals.size(), size_t(3));
    QCOMPARE(remaining->text(), remainingText(set));
    QListWidget* lb = list(*f_->form, "ZestawLB");
    QTest::keyClick(lb, Qt::Key_Insert);
    QCOMPARE(f_->form->currentPage(), int(TMainForm::SignalEditorIndex));
    QVERIFY(click(*f_->form, "Dalej"));
    QTest::keyClick(lb, Qt::Key_Plus, Qt::KeypadModifier);
    QCOMPARE(f_->form->currentPage(), int(TMainForm::SignalEditorIndex));
    QVERIFY(click(*f_->form, "Dalej"));
    QCOMPARE(f_->set().signals.size(), size_t(5));
    // A "+" from the main keyboard is no command.
    QTest::keyClick(lb, Qt::Key_Plus);
    QCOMPARE(f_->form->currentPage(), int(TMainForm::SignalListIndex));
}

void SignalListTest::changeAndDoubleClickKeepACopyOfTheSelectedSignal()
{
    QVERIFY(f_->open(threeSignals()));
    QListWidget* lb = list(*f_->form, "ZestawLB");
    clickRow(lb, 1);
    QVERIFY(click(*f_->form, "ZmianaSygnalu"));
    QCOMPARE(f_->form->currentPage(), int(TMainForm::SignalEditorIndex));
    QCOMPARE(f_->form->state().signalUnderEdit(), 1);
    QVERIFY(f_->form->state().keptCopy() && *f_->form->state().keptCopy() == f_->set().signals[1].elements);
    QCOMPARE(child<QLineEdit>(*f_->form, "NazwaSygnaluE")->text(), QStringLiteral("drugi"));
    QVERIFY(click(*f_->form, "Dalej"));
    QVERIFY(!f_->form->state().keptCopy());

    doubleClickRow(lb, 0);
    QCOMPARE(f_->form->currentPage(), int(TMainForm::SignalEditorIndex));
    QCOMPARE(f_->form->state().signalUnderEdit(), 0);
    QCOMPARE(child<QLineEdit>(*f_->form, "NazwaSygnaluE")->text(), QStringLiteral("pierwszy"));
    QVERIFY(click(*f_->form, "Anuluj"));

    // Without a selected row nothing begins.
    lb->setCurrentRow(-1);
    QVERIFY(click(*f_->form, "ZmianaSygnalu"));
    QCOMPARE(f_->form->currentPage(), int(TMainForm::SignalListIndex));
}

void SignalListTest::deleteAsksAndSelectsTheNextRow()
{
    SignalSet set = threeSignals();
    QVERIFY(tuneRemainingTime(set, [](SignalSet& s) { s.signals.erase(s.signals.begin() + 1); }));
    QVERIFY(f_->open(set));
    QListWidget* lb = list(*f_->form, "ZestawLB");
    auto* remaining = child<QLabel>(*f_->form, "PozostalyCzasST");
    clickRow(lb, 1);

    f_->dialogs.answerAsk(false);
    QVERIFY(click(*f_->form, "UsunSygnal"));
    QCOMPARE(f_->dialogs.questions(), QStringList{rsq(65247)});
    QCOMPARE(f_->set().signals.size(), size_t(3));

    f_->dialogs.answerAsk(true);
    QTest::keyClick(lb, Qt::Key_Delete);
    QCOMPARE(rowTexts(lb), (QStringList{"1 pierwszy", "2 pusty"}));
    QCOMPARE(f_->set().signals[1].name, std::string("pusty"));
    QCOMPARE(lb->currentRow(), 1);
    QCOMPARE(remaining->text(), remainingText(f_->set()));
    QVERIFY(remaining->text() != remainingText(set));
    // The durations follow the rows that are left.
    QCOMPARE(f_->form->signalListPage()->Czasy->drawnRows().size(), size_t(2));

    // Deleting the last row selects the new last row.
    f_->dialogs.answerAsk(true);
    QVERIFY(click(*f_->form, "UsunSygnal"));
    QCOMPARE(rowTexts(lb), QStringList{"1 pierwszy"});
    QCOMPARE(lb->currentRow(), 0);
}

void SignalListTest::deletingTheLastSignalDisablesDalej()
{
    SignalSet set;
    set.signals.push_back({"jedyny", {}});
    QVERIFY(f_->open(set));
    QVERIFY(f_->form->dalejButton()->isEnabled());
    f_->dialogs.answerAsk(true);
    QVERIFY(click(*f_->form, "UsunSygnal"));
    QVERIFY(f_->set().signals.empty());
    QVERIFY(!f_->form->dalejButton()->isEnabled());
    // Nothing left to delete: no question.
    QVERIFY(click(*f_->form, "UsunSygnal"));
    QVERIFY(f_->dialogs.questions().size() == 1);
}

void SignalListTest::dragMovesASignal()
{
    SignalSet set = threeSignals();
    set.signals.push_back({"czwarty", {TDzwiek::pause(10)}});
    QVERIFY(f_->open(set));
    QListWidget* lb = list(*f_->form, "ZestawLB");
    const SignalSet before = f_->set();

    // Row 0 onto row 2: the others move up.
    dragRow(lb, 0, 2 * 16 + 5);
    QCOMPARE(rowTexts(lb), (QStringList{"1 drugi", "2 pusty", "3 pierwszy", "4 czwarty"}));
    QVERIFY(f_->set().signals[2].elements == before.signals[0].elements);
    QCOMPARE(lb->currentRow(), 2);
    QCOMPARE(f_->form->signalListPage()->Czasy->drawnRows()[2].text, QStringLiteral("1,50 s"));

    // Below the last row counts as the last row.
    dragRow(lb, 0, 300);
    QCOMPARE(rowTexts(lb), (QStringList{"1 pusty", "2 pierwszy", "3 czwarty", "4 drugi"}));
    QCOMPARE(lb->currentRow(), 3);

    // Upwards, and onto itself (nothing happens).
    dragRow(lb, 3, 5);
    QCOMPARE(rowTexts(lb), (QStringList{"1 drugi", "2 pusty", "3 pierwszy", "4 czwarty"}));
    dragRow(lb, 1, 16 + 10);
    QCOMPARE(rowTexts(lb), (QStringList{"1 drugi", "2 pusty", "3 pierwszy", "4 czwarty"}));
    QCOMPARE(lb->currentRow(), 1);
}

void SignalListTest::backDoorBeginsAnEditOfItsOwn()
{
    QVERIFY(f_->open(threeSignals()));
    QVERIFY(click(*f_->form, "TylneDrzwi"));
    QCOMPARE(f_->form->currentPage(), int(TMainForm::SignalEditorIndex));
    QVERIFY(f_->form->state().backdoorEdit());
    QVERIFY(f_->set().backdoor && f_->set().backdoor->empty());
    QVERIFY(!f_->form->state().keptCopy());
    auto* name = child<QLineEdit>(*f_->form, "NazwaSygnaluE");
    QCOMPARE(name->text(), rsq(65208));
    QCOMPARE(name->text(), QStringLiteral("Sygnał dla tylnych drzwi"));
    QVERIFY(!name->isEnabled());
    QCOMPARE(f_->set().signals.size(), size_t(3));
}

void SignalListTest::durationsShowLengthsAgainstTheLongestRow()
{
    QVERIFY(f_->open(threeSignals()));
    listkit::DurationsView* czasy = child<listkit::DurationsView>(*f_->form, "Czasy");
    QVERIFY(czasy);
    const auto& rows = czasy->drawnRows();
    QCOMPARE(rows.size(), size_t(3));
    QCOMPARE(rows[0].text, QStringLiteral("1,50 s"));
    QCOMPARE(rows[1].text, QStringLiteral("1,00 s"));
    QCOMPARE(rows[2].text, QStringLiteral("0,00 s"));
    QCOMPARE(rows[0].barWidth, 150);   // the longest row fills the picture
    QCOMPARE(rows[1].barWidth, 100);
    QCOMPARE(rows[2].barWidth, 0);

    const QImage& pic = czasy->picture();
    const QColor window = czasy->palette().color(QPalette::Window);
    QCOMPARE(pic.size(), QSize(150, 347));
    QCOMPARE(pic.pixelColor(3, 3), listkit::DurationsView::barColour());
    QCOMPARE(pic.pixelColor(146, 3), listkit::DurationsView::barColour());
    QCOMPARE(pic.pixelColor(3, 16 + 3), listkit::DurationsView::barColour());
    QCOMPARE(pic.pixelColor(97, 16 + 3), listkit::DurationsView::barColour());
    QCOMPARE(pic.pixelColor(110, 16 + 3), window);
    QCOMPARE(pic.pixelColor(3, 32 + 3), window);
    QCOMPARE(pic.pixelColor(3, 48 + 3), window);
    // Each row's time is written in its band, bar or no bar.
    QVERIFY(countPixels(pic.copy(0, 32, 150, 16), window) < 150 * 16);
    QCOMPARE(countPixels(pic.copy(0, 48, 150, 299), window), 150 * 299);
}

void SignalListTest::durationsOfEmptySignalsHaveNoBars()
{
    SignalSet set;
    set.signals.push_back({"a", {}});
    set.signals.push_back({"b", {TDzwiek::pause(0)}});
    QVERIFY(f_->open(set));
    listkit::DurationsView* czasy = child<listkit::DurationsView>(*f_->form, "Czasy");
    QCOMPARE(czasy->drawnRows().size(), size_t(2));
    for (const auto& row : czasy->drawnRows()) {
        QCOMPARE(row.text, QStringLiteral("0,00 s"));
        QCOMPARE(row.barWidth, 0);
    }
    QCOMPARE(countPixels(czasy->picture(), listkit::DurationsView::barColour()), 0);

    // With no signal at all the picture is blank.
    f_->dialogs.answerAsk(true);
    QVERIFY(click(*f_->form, "UsunSygnal"));
    f_->dialogs.answerAsk(true);
    QVERIFY(click(*f_->form, "UsunSygnal"));
    QVERIFY(czasy->drawnRows().empty());
    QCOMPARE(countPixels(czasy->picture(), czasy->palette().color(QPalette::Window)), 150 * 347);
}

void SignalListTest::durationsFollowScrolling()
{
    SignalSet set;
    for (int i = 0; i < 40; ++i)
        set.signals.push_back({"s" + std::to_string(i), {TDzwiek::pause(i + 1)}});
    QVERIFY(f_->open(set));
    QListWidget* lb = list(*f_->form, "ZestawLB");
    listkit::DurationsView* czasy = child<listkit::DurationsView>(*f_->form, "Czasy");
    // Rows 0 to 21 are in view (the last one in part); the longest of them is row 21.
    QCOMPARE(czasy->drawnRows().size(), size_t(22));
    QCOMPARE(czasy->drawnRows()[21].barWidth, 150);
    QCOMPARE(czasy->drawnRows()[0].text, QStringLiteral("0,01 s"));

    lb->verticalScrollBar()->setValue(lb->verticalScrollBar()->maximum());
    const int top = static_cast<listkit::DragList*>(lb)->topRow();
    QVERIFY(top > 0);
    QCOMPARE(czasy->drawnRows().size(), size_t(40 - top));
    QCOMPARE(czasy->drawnRows()[0].text, uilocale::seconds((top + 1) * 180));
    QCOMPARE(czasy->drawnRows().back().barWidth, 150);
}

void SignalListTest::durationBarsRoundHalvesLikeTheGauge()
{
    // 768 of 1024 samples on a 150-pixel picture is exactly 112.5 pixels; the gauge rounds such a
    // half to the even neighbour (12.5 % shows as 12), and so do the bars.
    SignalSet set;
    set.library.push_back(sound("a", 1024));
    zelmar::TDzwiek part = element(1, set);
    part.SetFragment(1, 768);
    set.signals.push_back({"cały", {element(1, set)}});
    set.signals.push_back({"część", {part}});
    QVERIFY(f_->open(set));
    const auto& rows = child<listkit::DurationsView>(*f_->form, "Czasy")->drawnRows();
    QCOMPARE(rows.size(), size_t(2));
    QCOMPARE(rows[0].barWidth, 150);
    QCOMPARE(rows[1].barWidth, 112);
    QCOMPARE(zelmar::memoryDisplay(zelmar::kChimeMemory - 262144).gaugePercent, 12);
}

QTEST_MAIN(SignalListTest)
#include "tst_signal_list.moc"
