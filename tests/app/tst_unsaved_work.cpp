// No work lost without a question: closing the window, Anuluj and going back to start another set
// offer to save changes never saved (Save, Don't Save, Cancel); a set with nothing unsaved keeps the
// plain questions; page 4 starts on saving for unsaved work; Enter in the list of available sounds
// adds the sound and never ends the edit.
#include "WindowTest.h"

#include "RecentSets.h"
#include "WizardState.h"
#include "model/SetFile.h"

#include <QCheckBox>
#include <QRadioButton>

using namespace pagedriver;
using Answer = Dialogs::SaveAnswer;

namespace {

zelmar::SignalSet twoSignals()
{
    zelmar::SignalSet set;
    set.library = {sound("ding", 900), sound("dong", 1200)};
    set.signals.push_back({"pierwszy", {element(1, set)}});
    set.signals.push_back({"drugi", {element(2, set)}});
    return set;
}

} // namespace

class UnsavedWorkTest : public WindowTest {
    Q_OBJECT
private Q_SLOTS:
    void closeOffersToSaveChangedWorkAndOnlyThen();
    void anulujAndGoingBackAskTheSameQuestion();
    void savingFromTheQuestionWritesTheSetBeforeItGoes();
    void pageFourStartsOnSavingForUnsavedWork();
    void enterInTheAvailableSoundsAddsTheSound();

private:
    TMainForm* openChanged()
    {
        if (!f_->open(twoSignals()))
            return nullptr;
        TMainForm* form = f_->form.get();
        form->state().deleteSignal(1);   // a change never saved
        return form;
    }
};

void UnsavedWorkTest::closeOffersToSaveChangedWorkAndOnlyThen()
{
    QVERIFY(f_->open(twoSignals()));
    TMainForm* form = f_->form.get();
    QVERIFY(QTest::qWaitForWindowActive(form));
    // Nothing changed: the plain question.
    dialogs().answerAsk(false);
    QVERIFY(!form->close());
    QCOMPARE(dialogs().questions(), QStringList{rsq(65237)});

    // A visit to the library that changes nothing is no change.
    form->state().beginLibraryEdit();
    form->state().cancelLibraryEdit();
    QVERIFY(!form->state().hasUnsavedChanges());

    form->state().deleteSignal(1);
    dialogs().reset();
    dialogs().answerSaveQuestion(Answer::Cancel);
    QVERIFY(!form->close());
    QVERIFY(form->isVisible());
    QCOMPARE(dialogs().count(ScriptedDialogs::Kind::SaveQuestion), 1);
    QCOMPARE(dialogs().texts().value(0), QString::fromStdString(zelmar::rsf(65343, {std::string("set.zmr")})));
    QCOMPARE(dialogs().count(ScriptedDialogs::Kind::Ask), 0);

    dialogs().answerSaveQuestion(Answer::Discard);
    QVERIFY(form->close());
}

void UnsavedWorkTest::anulujAndGoingBackAskTheSameQuestion()
{
    TMainForm* form = openChanged();
    QVERIFY(form);
    QVERIFY(QTest::qWaitForWindowActive(form));
    dialogs().answerSaveQuestion(Answer::Cancel);
    QVERIFY(click(*form, "Anuluj"));
    QVERIFY(form->isVisible());
    QCOMPARE(dialogs().count(ScriptedDialogs::Kind::SaveQuestion), 1);

    // Going back to start another set: the same question in place of the plain one.
    dialogs().answerSaveQuestion(Answer::Cancel);
    QVERIFY(click(*form, "Wstecz"));
    QCOMPARE(form->currentPage(), int(TMainForm::SignalListIndex));
    QCOMPARE(form->state().set().signals.size(), size_t(1));
    dialogs().answerSaveQuestion(Answer::Discard);
    QVERIFY(click(*form, "Wstecz"));
    QCOMPARE(form->currentPage(), int(TMainForm::StartPageIndex));
    QVERIFY(form->state().set().empty());
    QCOMPARE(dialogs().count(ScriptedDialogs::Kind::Ask), 0);

    // A new set with nothing in it closes with the plain question.
    dialogs().answerAsk(true);
    QVERIFY(form->close());
    QCOMPARE(dialogs().questions(), QStringList{rsq(65237)});
}

void UnsavedWorkTest::savingFromTheQuestionWritesTheSetBeforeItGoes()
{
    TMainForm* form = openChanged();
    QVERIFY(form);
    // The opened file is the current one: Save writes it without asking for a name.
    dialogs().answerSaveQuestion(Answer::Save);
    QVERIFY(form->close());
    const zelmar::SignalSet written = zelmar::readSetFile(QFile::encodeName(form->currentSetFile()).toStdString());
    QCOMPARE(written.signals.size(), size_t(1));
    QVERIFY(!form->state().hasUnsavedChanges());
    QCOMPARE(recentsets::existing().value(0), QFileInfo(form->currentSetFile()).canonicalFilePath());

    // A save that is cancelled keeps the window and the work.
    form->show();
    form->state().deleteSignal(0);
    dialogs().answerSaveQuestion(Answer::Save);
    child<QCheckBox>(*form, "ZapisWNowymPlikuCB")->setChecked(true);
    dialogs().answerSave({});
    QVERIFY(!form->close());
    QVERIFY(form->state().hasUnsavedChanges());
    // The save dialog starts where the last set was saved, with the factory folder at hand.
    const ScriptedDialogs::Shown save = dialogs().shown().last();
    QCOMPARE(QFileInfo(save.startPath).absolutePath(), QFileInfo(form->currentSetFile()).absolutePath());
    QCOMPARE(save.places.size(), 1);
    QVERIFY(save.places.first().endsWith(rsq(65235)));
    dialogs().answerSaveQuestion(Answer::Discard);
    QVERIFY(form->close());
}

void UnsavedWorkTest::pageFourStartsOnSavingForUnsavedWork()
{
    TMainForm* form = openChanged();
    QVERIFY(form);
    child<QRadioButton>(*form, "PrzeslanieRB")->setChecked(true);
    QVERIFY(click(*form, "Dalej"));
    QCOMPARE(form->currentPage(), int(TMainForm::SaveSendIndex));
    QVERIFY(child<QRadioButton>(*form, "ZapisIPrzeslanieRB")->isChecked());

    // Without unsaved changes the last choice stays.
    form->state().markSaved();
    QVERIFY(click(*form, "Wstecz"));
    child<QRadioButton>(*form, "PrzeslanieRB")->setChecked(true);
    QVERIFY(click(*form, "Dalej"));
    QVERIFY(child<QRadioButton>(*form, "PrzeslanieRB")->isChecked());
}

void UnsavedWorkTest::enterInTheAvailableSoundsAddsTheSound()
{
    QVERIFY(f_->open(twoSignals()));
    TMainForm* form = f_->form.get();
    QVERIFY(QTest::qWaitForWindowActive(form));
    clickRow(list(*form, "ZestawLB"), 0);
    QVERIFY(click(*form, "ZmianaSygnalu"));
    QCOMPARE(form->currentPage(), int(TMainForm::SignalEditorIndex));
    QListWidget* available = list(*form, "DzwiekiLB");
    clickRow(available, 2);
    available->setFocus();
    QVERIFY(available->hasFocus());
    QTest::keyClick(available, Qt::Key_Return);
    QTest::keyClick(available, Qt::Key_Enter);
    QCOMPARE(form->currentPage(), int(TMainForm::SignalEditorIndex));
    QCOMPARE(list(*form, "SygnalLB")->count() - 1, 3);   // the row after the last element is empty
}

QTEST_MAIN(UnsavedWorkTest)
#include "tst_unsaved_work.moc"
