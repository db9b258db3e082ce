// The keyboard in an active window: Enter presses the focused button or else the default one, and
// Tab walks each page in the order its controls stand.
#include "WindowTest.h"

#include <QLineEdit>

using namespace pagedriver;
using zelmar::SignalSet;

namespace {

SignalSet twoSignals()
{
    SignalSet set;
    set.library.push_back(sound("gong", 1800));
    set.signals.push_back({"pierwszy", {element(1, set)}});
    set.signals.push_back({"drugi", {zelmar::TDzwiek::pause(50)}});
    return set;
}

QWidget* focused()
{
    return QApplication::focusWidget();
}

QString focusedName()
{
    return focused() ? focused()->objectName() : QString();
}

void press(Qt::Key key)
{
    QTest::keyClick(focused(), key);
}

// Tabs until the control named `name` has the focus; false when a whole round does not reach it.
bool tabTo(const QString& name)
{
    for (int i = 0; i < 30 && focusedName() != name; ++i)
        press(Qt::Key_Tab);
    return focusedName() == name;
}

} // namespace

class KeyboardTest : public WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void enterPressesDalejWhereverTheFocusWent();
    void enterPressesTheFocusedButton();
    void signalEditorTabsInTheOrderOfThePage();

private:
    void activate()
    {
        f_->form->activateWindow();
        QApplication::setActiveWindow(f_->form.get());
        QVERIFY(QTest::qWaitForWindowActive(f_->form.get()));
    }

};

void KeyboardTest::enterPressesDalejWhereverTheFocusWent()
{
    f_->form = std::make_unique<TMainForm>(f_->dialogs);
    f_->form->show();
    activate();
    TMainForm& form = *f_->form;

    // Page 0: a whole round of Tab passes the bottom buttons, then the choice is clicked.
    for (int i = 0; i < 6; ++i)
        press(Qt::Key_Tab);
    QTest::mouseClick(child<QWidget>(form, "NowyRB"), Qt::LeftButton, {}, QPoint(4, 4));
    QCOMPARE(focusedName(), QStringLiteral("NowyRB"));
    press(Qt::Key_Return);
    QCOMPARE(form.currentPage(), int(TMainForm::SignalListIndex));

    // Page 1 of a new set disables "Dalej" while it has the focus; a new signal, named in the name
    // field and ended with Enter there, comes back to page 1.
    QVERIFY(click(form, "NowySygnal"));
    QCOMPARE(form.currentPage(), int(TMainForm::SignalEditorIndex));
    auto* name = child<QLineEdit>(form, "NazwaSygnaluE");
    QTest::mouseClick(name, Qt::LeftButton);
    QVERIFY(name->hasFocus());
    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("nowy"));
    press(Qt::Key_Enter);
    QCOMPARE(form.currentPage(), int(TMainForm::SignalListIndex));
    QCOMPARE(f_->set().signals.at(0).name, std::string("nowy"));

    // Page 1 with the focus in the list, then page 4 with the focus on a clicked choice.
    clickRow(list(form, "ZestawLB"), 0);
    QCOMPARE(focusedName(), QStringLiteral("ZestawLB"));
    press(Qt::Key_Return);
    QCOMPARE(form.currentPage(), int(TMainForm::SaveSendIndex));
    QTest::mouseClick(child<QWidget>(form, "ZamkniecieRB"), Qt::LeftButton, {}, QPoint(4, 4));
    press(Qt::Key_Return);
    QCOMPARE(form.currentPage(), int(TMainForm::FarewellIndex));

    // On the farewell page "Zamknij" is the default: Enter closes without a question.
    press(Qt::Key_Return);
    QVERIFY(!form.isVisible());
    QVERIFY(f_->dialogs.shown().isEmpty());
}

void KeyboardTest::enterPressesTheFocusedButton()
{
    QVERIFY(f_->open(twoSignals()));
    activate();
    TMainForm& form = *f_->form;

    // "Usuń" with the focus deletes the selected signal; page 4 does not open.
    clickRow(list(form, "ZestawLB"), 1);
    QVERIFY(tabTo(QStringLiteral("UsunSygnal")));
    f_->dialogs.answerAsk(true);
    press(Qt::Key_Return);
    QCOMPARE(f_->dialogs.questions(), QStringList{rsq(65247)});
    QCOMPARE(form.currentPage(), int(TMainForm::SignalListIndex));
    QCOMPARE(f_->set().signals.size(), size_t(1));

    // "Nowy" with the focus begins a new signal.
    QVERIFY(tabTo(QStringLiteral("NowySygnal")));
    press(Qt::Key_Enter);
    QCOMPARE(form.currentPage(), int(TMainForm::SignalEditorIndex));
    QCOMPARE(f_->set().signals.size(), size_t(2));

    // On page 2 "<<" with the focus adds the chosen sound instead of ending the edit ...
    clickRow(list(form, "DzwiekiLB"), 1);
    QVERIFY(tabTo(QStringLiteral("DoSygnalu")));
    press(Qt::Key_Return);
    QCOMPARE(form.currentPage(), int(TMainForm::SignalEditorIndex));
    QCOMPARE(f_->set().signals[1].elements.size(), size_t(1));

    // ... and a focused "Anuluj" cancels the edit, which takes the new signal away again.
    QVERIFY(tabTo(QStringLiteral("Anuluj")));
    press(Qt::Key_Return);
    QCOMPARE(form.currentPage(), int(TMainForm::SignalListIndex));
    QCOMPARE(f_->set().signals.size(), size_t(1));
}

void KeyboardTest::signalEditorTabsInTheOrderOfThePage()
{
    QVERIFY(f_->open(twoSignals()));
    activate();
    clickRow(list(*f_->form, "ZestawLB"), 0);
    QVERIFY(click(*f_->form, "ZmianaSygnalu"));
    // The focus starts in the name field; the sound element's volume bar shows once it is chosen.
    QCOMPARE(focusedName(), QStringLiteral("NazwaSygnaluE"));
    clickRow(list(*f_->form, "SygnalLB"), 0);
    child<QWidget>(*f_->form, "NazwaSygnaluE")->setFocus(Qt::TabFocusReason);

    QStringList round;
    do {
        press(Qt::Key_Tab);
        round << focusedName();
    } while (focusedName() != QLatin1String("NazwaSygnaluE") && round.size() < 30);
    QCOMPARE(round, (QStringList{"OdtworzS2", "JakDzwonekS2CB", "SygnalLB", "DoSygnalu", "ZSygnalu", "DzwiekiLB", "GlosnoscTB",
                                 "Zaawansowane", "ZmienDzwieki", "Dalej", "Anuluj", "Pomoc", "NazwaSygnaluE"}));
}

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
