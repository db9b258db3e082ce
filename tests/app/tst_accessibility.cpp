// What the window tells assistive technology beyond each control: only the page on top of a stack,
// lines as separators, drawn pictures as graphics.
#include "Accessibility.h"

#include <QAccessible>
#include <QFrame>
#include <QListWidget>
#include <QStackedWidget>
#include <QtTest>

class AccessibilityTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { accessibility::install(); }
    void stackOffersOnlyThePageOnTop();
    void linesAndDrawnPicturesSayWhatTheyAre();
};

void AccessibilityTest::stackOffersOnlyThePageOnTop()
{
    QWidget window;
    auto* stack = new QStackedWidget(&window);
    auto* first = new QWidget;
    auto* second = new QWidget;
    // A list's rows would say they are showing even on a hidden page.
    auto* list = new QListWidget(second);
    list->addItem(QStringLiteral("row"));
    stack->addWidget(first);
    stack->addWidget(second);
    window.show();

    QAccessibleInterface* pages = QAccessible::queryAccessibleInterface(stack);
    QVERIFY(pages);
    QCOMPARE(pages->childCount(), 1);
    QCOMPARE(pages->child(0)->object(), first);
    QCOMPARE(pages->indexOfChild(QAccessible::queryAccessibleInterface(second)), -1);
    // From the page the way up still leads through the stack.
    QCOMPARE(QAccessible::queryAccessibleInterface(first)->parent()->object(), stack);

    stack->setCurrentIndex(1);
    QCOMPARE(pages->childCount(), 1);
    QCOMPARE(pages->child(0)->object(), second);
    QCOMPARE(pages->indexOfChild(QAccessible::queryAccessibleInterface(second)), 0);

    stack->removeWidget(first);
    stack->removeWidget(second);
    QCOMPARE(pages->childCount(), 0);
    QVERIFY(!pages->child(0));
    delete first;
    delete second;
}

void AccessibilityTest::linesAndDrawnPicturesSayWhatTheyAre()
{
    QWidget window;
    auto* line = new QFrame(&window);
    line->setFrameShape(QFrame::HLine);
    auto* box = new QFrame(&window);
    box->setFrameShape(QFrame::Box);
    auto* picture = new QWidget(&window);
    accessibility::setRole(picture, QAccessible::Graphic);
    picture->setAccessibleName(QStringLiteral("Waveform"));
    QCOMPARE(QAccessible::queryAccessibleInterface(line)->role(), QAccessible::Separator);
    QVERIFY(QAccessible::queryAccessibleInterface(box)->role() != QAccessible::Separator);
    QAccessibleInterface* drawn = QAccessible::queryAccessibleInterface(picture);
    QCOMPARE(drawn->role(), QAccessible::Graphic);
    QCOMPARE(drawn->text(QAccessible::Name), QStringLiteral("Waveform"));
}

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
