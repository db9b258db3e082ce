#pragma once
// What the window tells assistive technology beyond each control's own account of itself: a stack
// of pages offers only the page on top, a drawn line is a separator, a picture the program draws
// itself is a graphic (with the name and description its owner gives it), and the focus shows on
// every control, the default button too.
#include <QAccessible>

class QWidget;

namespace accessibility {

// Puts the rules above in place for the whole program (once there is an application); calling it
// again changes nothing.
void install();

// Says that `widget` is exposed with `role` rather than as a plain container.
void setRole(QWidget* widget, QAccessible::Role role);

} // namespace accessibility
