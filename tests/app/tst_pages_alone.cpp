// Pages 1 to 3 built alone over a state object, without the main window: each does its work
// through the state, and what one page changes another follows through the state's signals.
#include "LibraryPage.h"
#include "ListKit.h"
#include "PageKit.h"
#include "SignalEditorPage.h"
#include "SignalListPage.h"
#include "WindowTest.h"
#include "WizardState.h"

#include <QLineEdit>
#include <QSignalSpy>

using namespace pagedriver;
using zelmar::SignalSet;
using zelmar::TDzwiek;

namespace {

// Sounds a (1 s) and b (2 s); "s1" plays a then a pause, "s2" plays b.
SignalSet sampleSet()
{
    SignalSet set;
    set.library.push_back(sound("a", 18000));
    set.library.push_back(sound("b", 36000));
    set.signals.push_back({"s1", {element(1, set), TDzwiek::pause(50)}});
    set.signals.push_back({"s2", {element(2, set)}});
    return set;
}

} // namespace

class PagesAloneTest : public WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        WindowTest::init();
        state_ = std::make_unique<WizardState>();
        state_->replaceSet(sampleSet());
    }

    void signalListBeginsEditsAndDeletesThroughTheState();
    void signalEditorAddsElementsAndEndsTheEdit();
    void libraryVisitIsFollowedByTheEditor();

private:
    std::unique_ptr<WizardState> state_;
};

void PagesAloneTest::signalListBeginsEditsAndDeletesThroughTheState()
{
    SignalListPage page(*state_, dialogs());
    page.resize(pagekit::kPageWidth, 440);
    page.show();
    page.enterPage();
    QSignalSpy begun(&page, &SignalListPage::editBegun);
    QListWidget* lb = list(page, "ZestawLB");
    QCOMPARE(rowTexts(lb), (QStringList{"1 s1", "2 s2"}));
    QCOMPARE(page.Czasy->drawnRows().size(), size_t(2));
    QCOMPARE(page.Czasy->drawnRows()[1].text, QStringLiteral("2,00 s"));

    clickRow(lb, 1);
    QVERIFY(click(page, "ZmianaSygnalu"));
    QCOMPARE(begun.count(), 1);
    QCOMPARE(state_->signalUnderEdit(), 1);
    QVERIFY(state_->keptCopy() && *state_->keptCopy() == state_->set().signals[1].elements);

    QVERIFY(click(page, "NowySygnal"));
    QCOMPARE(begun.count(), 2);
    QCOMPARE(rowTexts(lb), (QStringList{"1 s1", "2 s2", "3 bez nazwy"}));
    QCOMPARE(lb->currentRow(), 2);
    QCOMPARE(state_->signalUnderEdit(), 2);
    // Cancelling the new signal in the state takes its row away here.
    state_->cancelSignalEdit();
    QCOMPARE(lb->count(), 2);

    // Deleting asks, and the same position stays selected.
    clickRow(lb, 0);
    dialogs().answerAsk(true);
    QVERIFY(click(page, "UsunSygnal"));
    QCOMPARE(rowTexts(lb), QStringList{"1 s2"});
    QCOMPARE(lb->currentRow(), 0);
    QCOMPARE(state_->set().signals.size(), size_t(1));

    // A whole new set shows from its first row.
    state_->clearSet();
    QCOMPARE(lb->count(), 0);
}

void PagesAloneTest::signalEditorAddsElementsAndEndsTheEdit()
{
    SignalEditorPage page(*state_, dialogs());
    page.resize(pagekit::kPageWidth, 440);
    page.show();
    QSignalSpy library(&page, &SignalEditorPage::libraryRequested);
    page.rebuildSoundChoices();
    QVERIFY(state_->beginEdit(0));
    page.enterPage();
    QListWidget* elements = list(page, "SygnalLB");
    QCOMPARE(rowTexts(elements), (QStringList{"1 a", "2 <pauza> 0,50 s", ""}));
    QCOMPARE(child<QLineEdit>(page, "NazwaSygnaluE")->text(), QStringLiteral("s1"));

    // "<<" with sound b chosen appends it; the gauge follows the state's figures.
    const int32_t freeBefore = state_->freeBytes();
    clickRow(list(page, "DzwiekiLB"), 2);
    QVERIFY(click(page, "DoSygnalu"));
    QCOMPARE(rowTexts(elements), (QStringList{"1 a", "2 <pauza> 0,50 s", "3 b", ""}));
    QCOMPARE(state_->set().signals[0].elements.back(), element(2, state_->set()));
    QVERIFY(state_->freeBytes() < freeBefore);
    QCOMPARE(child<QProgressBar>(page, "ZajetoscS2G")->value(), state_->memoryDisplay().gaugePercent);

    QVERIFY(click(page, "ZmienDzwieki"));
    QCOMPARE(library.count(), 1);

    // "OK" takes the name as typed; "Anuluj" of a later edit brings the elements back.
    child<QLineEdit>(page, "NazwaSygnaluE")->setText(QStringLiteral("nowa nazwa"));
    page.acceptEdit();
    QCOMPARE(state_->set().signals[0].name, std::string("nowa nazwa"));
    const zelmar::Signal kept = state_->set().signals[0].elements;
    QVERIFY(state_->beginEdit(0));
    page.enterPage();
    clickRow(elements, 0);
    QVERIFY(click(page, "ZSygnalu"));
    QCOMPARE(elements->count(), 3);
    page.cancelEdit();
    QVERIFY(state_->set().signals[0].elements == kept);
    QCOMPARE(elements->count(), 4);
}

void PagesAloneTest::libraryVisitIsFollowedByTheEditor()
{
    // Two pages over one state, and no window: the editor learns of the accepted library visit
    // from the state alone.
    SignalEditorPage editor(*state_, dialogs());
    LibraryPage library(*state_, dialogs());
    library.resize(pagekit::kPageWidth, 440);
    library.show();
    QSignalSpy renaming(&library, &LibraryPage::renamingChanged);
    editor.rebuildSoundChoices();
    QVERIFY(state_->beginEdit(0));
    editor.enterPage();

    library.enterPage();
    QListWidget* sounds = list(library, "DostepneDzwiekiLB");
    QCOMPARE(rowTexts(sounds), (QStringList{"1 [-] a", "2 [-] b"}));
    QCOMPARE(state_->libraryCopy().size(), size_t(2));

    // A rename tells whoever holds the window's buttons, at its start and at its end.
    clickRow(sounds, 1);
    QVERIFY(click(library, "ZmienNazweDzwieku"));
    auto* edit = child<QLineEdit>(library, "ZmianaNazwyE");
    edit->setText(QStringLiteral("bęben"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(renaming.count(), 2);
    QCOMPARE(renaming.at(0).at(0).toBool(), true);
    QCOMPARE(renaming.at(1).at(0).toBool(), false);

    // Sound a is used: deleting it asks; accepting drops its elements from the signal under edit.
    clickRow(sounds, 0);
    dialogs().answerAsk(true);
    QVERIFY(click(library, "UsunDzwiek"));
    QCOMPARE(rowTexts(sounds), QStringList{"1 [-] bęben"});
    QCOMPARE(child<QLabel>(library, "PozostalyCzasST")->text(), remainingText(state_->set()));
    library.acceptEdit();
    QCOMPARE(rowTexts(list(editor, "DzwiekiLB")), (QStringList{"0 <pauza>", "1 bęben"}));
    QCOMPARE(rowTexts(list(editor, "SygnalLB")), (QStringList{"1 <pauza> 0,50 s", ""}));
    QCOMPARE(state_->set().signals[1].elements.front().SoundNumber, 1);
    QVERIFY(state_->libraryCopy().empty());
}

QTEST_MAIN(PagesAloneTest)
#include "tst_pages_alone.moc"
