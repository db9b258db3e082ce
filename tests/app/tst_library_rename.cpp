// Page 3's rename of a sound: how it begins, every way it ends, what it refuses, and that its own
// context menu does not end it.
#include "LibraryPage.h"
#include "WindowTest.h"
#include "model/SignalEditing.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSpinBox>

using namespace pagedriver;
using zelmar::SignalSet;

namespace {

// Sounds a, b (with 3.0 dB) and c; one signal plays a.
SignalSet threeSounds()
{
    SignalSet set;
    set.library.push_back(sound("a", 18000));
    set.library.push_back(sound("b", 36000, 200, 30));
    set.library.push_back(sound("c", 54000));
    set.signals.push_back({"s1", {element(1, set)}});
    return set;
}

} // namespace

class LibraryRenameTest : public WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void renameEndsInEveryWay();
    void renameOutlivesItsContextMenu();

private:
    void openLibrary()
    {
        QVERIFY(f_->open(threeSounds()));
        QVERIFY(click(*f_->form, "ZmianaSygnalu"));
        QVERIFY(click(*f_->form, "ZmienDzwieki"));
        QCOMPARE(f_->form->currentPage(), int(TMainForm::LibraryIndex));
    }
    QListWidget* sounds() { return list(*f_->form, "DostepneDzwiekiLB"); }
};

void LibraryRenameTest::renameEndsInEveryWay()
{
    openLibrary();
    f_->form->activateWindow();
    QApplication::setActiveWindow(f_->form.get());
    auto* edit = child<QLineEdit>(*f_->form, "ZmianaNazwyE");
    auto* gain = child<QSpinBox>(*f_->form, "WzmocnienieE");
    const QList<QWidget*> disabledMeanwhile{f_->form->dalejButton(), f_->form->anulujButton(),
                                            child<QWidget>(*f_->form, "DodajDzwiek"),
                                            child<QWidget>(*f_->form, "ZmienNazweDzwieku"),
                                            child<QWidget>(*f_->form, "OdtworzDzwiek"),
                                            child<QWidget>(*f_->form, "UsunDzwiek"), sounds()};
    auto begin = [&](int row) {
        doubleClickRow(sounds(), row);
        QVERIFY(edit->isVisible());
        QCOMPARE(edit->text(), QString::fromStdString(f_->set().library[size_t(row)].name));
        QCOMPARE(edit->geometry().top(), sounds()->geometry().top() - 1 + row * 16);
        for (QWidget* w : disabledMeanwhile)
            QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
        QVERIFY(gain->isEnabled());
    };
    auto ended = [&] {
        QVERIFY(!edit->isVisible());
        for (QWidget* w : disabledMeanwhile)
            QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
    };

    // Enter takes the text, even an empty one.
    begin(1);
    edit->setText(QStringLiteral("gong"));
    QTest::keyClick(edit, Qt::Key_Enter);
    ended();
    QCOMPARE(f_->set().library[1].name, std::string("gong"));
    QCOMPARE(sounds()->item(1)->text(), QStringLiteral("2 [+3,0dB] gong"));
    begin(1);
    edit->clear();
    QTest::keyClick(edit, Qt::Key_Return);
    ended();
    QCOMPARE(f_->set().library[1].name, std::string());

    // Escape, Tab to the gain, a press on the durations bar or on the picture: no change.
    begin(0);
    edit->setText(QStringLiteral("x"));
    QTest::keyClick(edit, Qt::Key_Escape);
    ended();
    begin(0);
    QVERIFY(edit->hasFocus());
    edit->setText(QStringLiteral("x"));
    QTest::keyClick(edit, Qt::Key_Tab);
    ended();
    QVERIFY(gain->hasFocus());
    begin(0);
    edit->setText(QStringLiteral("x"));
    QTest::mouseClick(child<QWidget>(*f_->form, "CzasyTrwaniaDzwiekow"), Qt::LeftButton, {}, QPoint(5, 5));
    ended();
    begin(0);
    edit->setText(QStringLiteral("x"));
    QTest::mouseClick(child<QWidget>(*f_->form, "Image1"), Qt::LeftButton, {}, QPoint(5, 5));
    ended();
    QCOMPARE(f_->set().library[0].name, std::string("a"));

    // A pasted line break is refused with a notice, and the sound keeps its name.
    begin(0);
    edit->setText(QStringLiteral("dwa\nwiersze"));
    QVERIFY(edit->text().contains(u'\n'));
    QTest::keyClick(edit, Qt::Key_Return);
    ended();
    QCOMPARE(f_->dialogs.notices(), QStringList{rsq(zelmar::kNameWithControlCharacter)});
    QCOMPARE(f_->set().library[0].name, std::string("a"));

    // While the rename is on, Enter does not reach "OK": the page is still there afterwards.
    begin(0);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(f_->form->currentPage(), int(TMainForm::LibraryIndex));

    // Outside a rename, Tab walks the buttons top to bottom with the gain field in its place.
    auto* gainButton = child<QWidget>(*f_->form, "ZmienWzmocnienieDzwieku");
    gainButton->setFocus(Qt::TabFocusReason);
    QTest::keyClick(gainButton, Qt::Key_Tab);
    QVERIFY(gain->hasFocus());
    QTest::keyClick(gain, Qt::Key_Tab);
    QVERIFY(child<QWidget>(*f_->form, "OdtworzDzwiek")->hasFocus());
}

void LibraryRenameTest::renameOutlivesItsContextMenu()
{
    openLibrary();
    f_->form->activateWindow();
    QApplication::setActiveWindow(f_->form.get());
    QGuiApplication::clipboard()->setText(QStringLiteral(" ze schowka"));
    auto* edit = child<QLineEdit>(*f_->form, "ZmianaNazwyE");
    doubleClickRow(sounds(), 2);
    QVERIFY(edit->hasFocus());
    edit->setText(QStringLiteral("nowy"));
    edit->end(false);

    QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, QPoint(5, 5), edit->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(edit, &menuEvent);
    QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(edit->isVisible());
    // The paste entry, known by its shortcut whatever the language.
    const QString pasteKey = u'\t' + QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
    bool pasted = false;
    for (QAction* a : menu->actions()) {
        if (a->text().endsWith(pasteKey) && a->isEnabled()) {
            a->trigger();
            pasted = true;
        }
    }
    menu->close();
    QTRY_VERIFY(!QApplication::activePopupWidget());
    QVERIFY(pasted);
    QVERIFY(edit->isVisible());
    QVERIFY(!child<QWidget>(*f_->form, "UsunDzwiek")->isEnabled());
    QCOMPARE(edit->text(), QStringLiteral("nowy ze schowka"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(f_->set().library[2].name, std::string("nowy ze schowka"));
}

QTEST_MAIN(LibraryRenameTest)
#include "tst_library_rename.moc"
