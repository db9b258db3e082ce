// The pages for a keyboard and a screen reader: Ctrl+arrows move what a drag moves, the texts a
// screen reader speaks follow the work, and the focus shows wherever Tab takes it.
#include "Accessibility.h"
#include "FocusWalk.h"
#include "ListKit.h"
#include "WindowTest.h"

#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>

using namespace pagedriver;

namespace {

zelmar::SignalSet twoSoundsTwoSignals()
{
    zelmar::SignalSet set;
    set.library.push_back(sound("gong", 1800));
    set.library.push_back(sound("dzwon", 900));
    set.signals.push_back({"pierwszy", {element(1, set), zelmar::TDzwiek::pause(50)}});
    set.signals.push_back({"drugi", {element(2, set)}});
    return set;
}

void ctrl(QWidget* w, Qt::Key key)
{
    QTest::keyClick(w, key, Qt::ControlModifier);
}

} // namespace

class AccessiblePagesTest : public WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void ctrlArrowsMoveSignalsElementsAndSounds();
    void spokenTextsFollowTheWork();
    void focusShowsOnEveryPage();

private:
    void activate()
    {
        f_->form->activateWindow();
        QApplication::setActiveWindow(f_->form.get());
        QVERIFY(QTest::qWaitForWindowActive(f_->form.get()));
    }
};

void AccessiblePagesTest::ctrlArrowsMoveSignalsElementsAndSounds()
{
    QVERIFY(f_->open(twoSoundsTwoSignals()));
    activate();
    TMainForm& form = *f_->form;
    const auto names = [&] {
        QStringList out;
        for (const auto& s : f_->set().signals)
            out << QString::fromStdString(s.name);
        return out;
    };

    QListWidget* signalList = list(form, "ZestawLB");
    clickRow(signalList, 0);
    ctrl(signalList, Qt::Key_Down);
    QCOMPARE(names(), (QStringList{"drugi", "pierwszy"}));
    QCOMPARE(signalList->currentRow(), 1);
    ctrl(signalList, Qt::Key_Down);   // the last signal has nowhere further to go
    QCOMPARE(names(), (QStringList{"drugi", "pierwszy"}));
    ctrl(signalList, Qt::Key_Up);
    QCOMPARE(names(), (QStringList{"pierwszy", "drugi"}));
    QCOMPARE(signalList->currentRow(), 0);

    QVERIFY(click(form, "ZmianaSygnalu"));
    QListWidget* elements = list(form, "SygnalLB");
    clickRow(elements, 0);
    ctrl(elements, Qt::Key_Down);
    QVERIFY(form.state().editedSignal()->at(0).isPause());
    QCOMPARE(elements->currentRow(), 1);
    // The place after the last element is no element: it neither moves nor takes one.
    ctrl(elements, Qt::Key_Down);
    QCOMPARE(form.state().editedSignal()->at(1).SoundNumber, 1);
    clickRow(elements, 2);
    ctrl(elements, Qt::Key_Up);
    QCOMPARE(form.state().editedSignal()->at(1).SoundNumber, 1);
    QCOMPARE(elements->count(), 3);

    // A moved sound keeps the elements that play it: they are renumbered with it.
    QVERIFY(click(form, "ZmienDzwieki"));
    QListWidget* sounds = list(form, "DostepneDzwiekiLB");
    clickRow(sounds, 0);
    ctrl(sounds, Qt::Key_Down);
    QCOMPARE(f_->set().library.at(0).name, std::string("dzwon"));
    QCOMPARE(sounds->currentRow(), 1);
    QVERIFY(click(form, "Dalej"));
    QCOMPARE(form.state().editedSignal()->at(1).SoundNumber, 2);
}

void AccessiblePagesTest::spokenTextsFollowTheWork()
{
    QVERIFY(f_->open(twoSoundsTwoSignals()));
    TMainForm& form = *f_->form;
    // Beside the signal list, the times of its rows.
    auto* times = child<listkit::DurationsView>(form, "Czasy");
    QCOMPARE(times->accessibleDescription(), QStringLiteral("0,60 s, 0,05 s"));

    clickRow(list(form, "ZestawLB"), 0);
    QVERIFY(click(form, "ZmianaSygnalu"));
    QListWidget* elements = list(form, "SygnalLB");
    QCOMPARE(elements->item(2)->text(), QString());
    QCOMPARE(elements->item(2)->data(Qt::AccessibleTextRole).toString(), rsq(65373));
    clickRow(elements, 0);
    auto* volume = child<QSlider>(form, "GlosnoscTB");
    QCOMPARE(volume->accessibleDescription(), QStringLiteral("Poziom 16 z 16"));
    volume->setValue(5);
    QCOMPARE(volume->accessibleDescription(), QStringLiteral("Poziom 5 z 16"));
    clickRow(elements, 1);
    auto* pause = child<QSlider>(form, "CzasPauzyTB");
    QCOMPARE(pause->accessibleDescription(), QStringLiteral("0,50 s"));

    // The gauge's value with its meaning: the time left that the library page writes beside it.
    QVERIFY(click(form, "ZmienDzwieki"));
    auto* gauge = child<QProgressBar>(form, "ZajetoscS3G");
    auto* left = child<QLabel>(form, "PozostalyCzasST");
    const auto agree = [&] {
        const QString d = gauge->accessibleDescription();
        return d.contains(QString::number(gauge->value()) + u'%') && d.contains(left->text().section(u' ', -2, -2));
    };
    QVERIFY2(agree(), qPrintable(gauge->accessibleDescription() + " / " + left->text()));
    // A row's gain mark and its bold type (a sound in use) are said in words.
    QListWidget* sounds = list(form, "DostepneDzwiekiLB");
    QCOMPARE(sounds->item(1)->data(Qt::AccessibleTextRole).toString(),
             QStringLiteral("2 dzwon, bez wzmocnienia, używany w sygnałach"));
    child<QSpinBox>(form, "WzmocnienieE")->setValue(75);
    QCOMPARE(sounds->item(0)->data(Qt::AccessibleTextRole).toString(),
             QStringLiteral("1 gong, wzmocnienie +7,5 dB, używany w sygnałach"));
    const QString before = gauge->accessibleDescription();
    clickRow(list(form, "DostepneDzwiekiLB"), 0);
    dialogs().answerAsk(true);   // the sound is used: deleting it is asked
    QVERIFY(click(form, "UsunDzwiek"));
    QVERIFY(gauge->accessibleDescription() != before);
    QVERIFY2(agree(), qPrintable(gauge->accessibleDescription() + " / " + left->text()));
}

void AccessiblePagesTest::focusShowsOnEveryPage()
{
    accessibility::install();   // as the program does: the default button shows the focus too
    QVERIFY(f_->open(twoSoundsTwoSignals()));
    activate();
    TMainForm& form = *f_->form;
    clickRow(list(form, "ZestawLB"), 0);
    QVERIFY(click(form, "ZmianaSygnalu"));
    clickRow(list(form, "SygnalLB"), 0);
    for (const int page : {int(TMainForm::SignalEditorIndex), int(TMainForm::LibraryIndex), int(TMainForm::SignalListIndex),
                           int(TMainForm::SaveSendIndex), int(TMainForm::FarewellIndex), int(TMainForm::StartPageIndex)}) {
        if (page == TMainForm::LibraryIndex)
            QVERIFY(click(form, "ZmienDzwieki"));
        else
            form.showPage(page);
        const focuswalk::Round round = focuswalk::tabRound(&form);
        QVERIFY2(round.stops.size() >= 2, qPrintable(QString::number(page)));
        QVERIFY2(round.unseen.isEmpty(), qPrintable(QStringLiteral("page %1: %2").arg(page).arg(round.unseen.join(u' '))));
    }
}

QTEST_MAIN(AccessiblePagesTest)
#include "tst_accessible_pages.moc"
