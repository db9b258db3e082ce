#include "InputBlocker.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QWidget>

namespace {
int g_active = 0;
} // namespace

InputBlocker::InputBlocker(QWidget* allowed) : allowed_(allowed)
{
    ++g_active;
    qApp->installEventFilter(this);
}

InputBlocker::~InputBlocker()
{
    qApp->removeEventFilter(this);
    --g_active;
}

bool InputBlocker::active()
{
    return g_active > 0;
}

bool InputBlocker::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return false;   // window-level events reach the widgets, where they are judged
    if (allowed_ && (widget == allowed_ || allowed_->isAncestorOf(widget)))
        return false;
    // A modal box that opens meanwhile must still be answerable, or nothing could go on.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && (widget == modal || modal->isAncestorOf(widget)))
        return false;
    switch (event->type()) {
    case QEvent::Close:
        event->ignore();
        return true;
    case QEvent::ShortcutOverride:
        // Claiming the key keeps shortcuts and accelerators from firing; the key itself is dropped below.
        event->accept();
        return true;
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}
