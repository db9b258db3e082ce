#pragma once
// The texts a window shows, as the keys a translation file gives them: "Caption" for the window's
// title, "Name.Caption" for a control's text, "Name.Hint" for its tool tip, "Name.AccessibleName"
// and "Name.AccessibleDescription" for what a screen reader says of it.
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QWidget>

#include <queue>

namespace windowtexts {

struct Text {
    QString key;
    QString text;
    QWidget* control;   // null for the window's title
};

// The text a control carries, or empty.
inline QString textOf(QWidget* w)
{
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    return {};
}

// Texts without a letter ("<<", ">>") read the same in every language.
inline bool hasLetter(const QString& s)
{
    for (QChar c : s)
        if (c.isLetter())
            return true;
    return false;
}

// Every control of `window` (not of the windows made inside it), nearest first.
inline QList<QWidget*> controlsOf(QWidget* window)
{
    QList<QWidget*> out;
    std::queue<QWidget*> pending;
    pending.push(window);
    while (!pending.empty()) {
        QWidget* w = pending.front();
        pending.pop();
        for (QObject* c : w->children()) {
            if (!c->isWidgetType() || static_cast<QWidget*>(c)->isWindow())
                continue;
            out << static_cast<QWidget*>(c);
            pending.push(static_cast<QWidget*>(c));
        }
    }
    return out;
}

// The window's texts with a letter in them. `unnamed` collects the controls that carry such a
// text but have no object name, so no translation could reach them.
inline QList<Text> textsOf(QWidget* window, QStringList* unnamed = nullptr)
{
    QList<Text> out;
    if (hasLetter(window->windowTitle()))
        out.append({QStringLiteral("Caption"), window->windowTitle(), nullptr});
    for (QWidget* w : controlsOf(window)) {
        const QString text = textOf(w);
        const bool carries = hasLetter(text);
        if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_"))) {
            if (carries && unnamed)
                *unnamed << text;
            continue;
        }
        if (carries)
            out.append({w->objectName() + QStringLiteral(".Caption"), text, w});
        if (hasLetter(w->toolTip()))
            out.append({w->objectName() + QStringLiteral(".Hint"), w->toolTip(), w});
        if (hasLetter(w->accessibleName()))
            out.append({w->objectName() + QStringLiteral(".AccessibleName"), w->accessibleName(), w});
        if (hasLetter(w->accessibleDescription()))
            out.append({w->objectName() + QStringLiteral(".AccessibleDescription"), w->accessibleDescription(), w});
    }
    return out;
}

} // namespace windowtexts
