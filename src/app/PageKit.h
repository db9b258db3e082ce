#pragma once
// Small helpers the wizard pages share: fixed-position texts and buttons in the window's fonts, and
// the one scaling that makes the windows follow the user's font size.
#include <QString>
#include <QStyledItemDelegate>

class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;

namespace pagekit {

// The windows are built at their design's pixel sizes, which are those of a screen of 96 dots per
// inch; scaleWindow() then makes everything as much larger as the user's font is.
constexpr int kTextPixels = 13;
constexpr int kHeadingPixels = 23;
// Width of a wizard page: the window less the picture panel.
constexpr int kPageWidth = 712 - 165;

// How much larger than the design the windows are drawn: as the user's font is larger than the
// design's (its dots per inch, or its size), never smaller than the design, and no larger than the
// main window can be and still fit on the screen.
double scale();
// A length of the design in the pixels of the screen.
int scaled(int designPixels);
// Scales a window built at the design's sizes: the places and sizes of its controls (not of those
// a layout places, nor the insides of Qt's own controls), its fixed size, and the fonts given in
// pixels; a text that then needs more room than the scaled control gets it. Call it once, when
// the window is complete and before its translation, whose places and sizes are the design's too.
void scaleWindow(QWidget* window);

// The window's font: the platform's sans serif at 13 pixels of the design.
QFont windowFont();
// Page headings: the same family, bold, 23 pixels of the design.
QFont headingFont();

// A plain (never rich) text at (x, y), as high as its text and reaching to the page's right margin,
// so that a longer translation still shows whole.
QLabel* addText(QWidget* page, const char* name, const QString& text, int x, int y);
QLabel* addHeading(QWidget* page, const char* name, const QString& text, int x, int y);
// Sizes a control placed at its position the same way.
void fitToPage(QWidget* control);
// One choice of a page's group of radio buttons, at the pages' usual indent.
QRadioButton* addChoice(QWidget* page, const char* name, const QString& text, int y);

// A push button of a page at `place` (a page's buttons are mostly 100 by 25).
QPushButton* addButton(QWidget* page, const char* name, const QString& text, const QRect& place);

// Gives list rows a fixed height (the window's lists: 16 pixels of the design) and the width of
// their list.
class FixedRowDelegate : public QStyledItemDelegate {
public:
    explicit FixedRowDelegate(int rowHeight, QObject* parent = nullptr)
        : QStyledItemDelegate(parent), rowHeight_(rowHeight) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int rowHeight_;
};

} // namespace pagekit
