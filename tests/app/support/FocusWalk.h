#pragma once
// Tab once round a window in an active window and look at each control the focus stops on: it
// must show that it has the focus (it looks different with the focus than without it).
#include <QApplication>
#include <QImage>
#include <QStringList>
#include <QWidget>
#include <QtTest>

namespace focuswalk {

struct Round {
    QList<QWidget*> stops;     // in the order the focus reached them
    QStringList unseen;        // stops that look the same with and without the focus
};

inline Round tabRound(QWidget* window)
{
    Round round;
    for (int i = 0; i < 80; ++i) {
        QWidget* from = QApplication::focusWidget();
        QTest::keyClick(from ? from : window, Qt::Key_Tab);
        QWidget* f = QApplication::focusWidget();
        if (!f || round.stops.contains(f))
            break;
        round.stops << f;
        // A text cursor blinks; it is stopped for the look so that only the focus mark counts.
        const int blink = QApplication::cursorFlashTime();
        QApplication::setCursorFlashTime(0);
        const QImage with = f->grab().toImage();
        f->clearFocus();
        const QImage without = f->grab().toImage();
        f->setFocus(Qt::TabFocusReason);
        QApplication::setCursorFlashTime(blink);
        if (with == without)
            round.unseen << f->objectName();
    }
    return round;
}

inline QStringList names(const QList<QWidget*>& widgets)
{
    QStringList out;
    for (QWidget* w : widgets)
        out << w->objectName();
    return out;
}

} // namespace focuswalk
