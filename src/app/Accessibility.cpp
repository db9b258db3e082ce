#include "Accessibility.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QFrame>
#include <QPainter>
#include <QProxyStyle>
#include <QStackedWidget>
#include <QStyleOptionButton>
#include <QVariant>

namespace accessibility {

namespace {

constexpr const char* kRoleProperty = "zelmarAccessibleRole";

// The hidden pages of a stack are not there to be read or reached, nor is anything on them that
// would otherwise say it is showing (a list's rows do).
class CurrentPageOnly : public QAccessibleWidget {
public:
    explicit CurrentPageOnly(QStackedWidget* stack) : QAccessibleWidget(stack, QAccessible::LayeredPane) {}

    int childCount() const override { return page() ? 1 : 0; }
    QAccessibleInterface* child(int index) const override
    {
        return index == 0 && page() ? QAccessible::queryAccessibleInterface(page()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override
    {
        return child && page() && child->object() == page() ? 0 : -1;
    }

private:
    QWidget* page() const { return static_cast<QStackedWidget*>(widget())->currentWidget(); }
};

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto* w = static_cast<QWidget*>(object);
    const QVariant role = w->property(kRoleProperty);
    if (role.isValid())
        return new QAccessibleWidget(w, QAccessible::Role(role.toInt()));
    if (className == QLatin1String("QStackedWidget"))
        return new CurrentPageOnly(static_cast<QStackedWidget*>(w));
    if (className == QLatin1String("QFrame")) {
        const QFrame::Shape shape = static_cast<QFrame*>(w)->frameShape();
        if (shape == QFrame::HLine || shape == QFrame::VLine)
            return new QAccessibleWidget(w, QAccessible::Separator);
    }
    return nullptr;
}

// Some styles draw the default button alike with and without the focus, so a keyboard user could
// not tell it has it: it gets the focus frame the other controls show.
class FocusMarkStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        QProxyStyle::drawControl(element, option, painter, widget);
        const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
        if (element != CE_PushButton || !button || !(button->features & QStyleOptionButton::DefaultButton)
            || !(option->state & State_HasFocus) || !(option->state & State_KeyboardFocusChange))
            return;
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(*option);
        focus.rect = subElementRect(SE_PushButtonFocusRect, option, widget);
        drawPrimitive(PE_FrameFocusRect, &focus, painter, widget);
    }
};

} // namespace

void install()
{
    QAccessible::installFactory(factory);   // the toolkit keeps each factory once
    if (qApp && !dynamic_cast<FocusMarkStyle*>(QApplication::style()))
        QApplication::setStyle(new FocusMarkStyle(QApplication::style()->name()));
}

void setRole(QWidget* widget, QAccessible::Role role)
{
    widget->setProperty(kRoleProperty, int(role));
}

} // namespace accessibility
