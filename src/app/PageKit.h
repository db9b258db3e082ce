#pragma once
// Small helpers the wizard pages share: fixed-position texts and buttons in the window's fonts.
#include <QString>
#include <QStyledItemDelegate>

class QLabel;
class QPushButton;
class QRadioButton;
class QWidget;

namespace pagekit {

constexpr int kTextPixels = 13;
constexpr int kHeadingPixels = 23;
// Width of a wizard page: the window less the picture panel.
constexpr int kPageWidth = 712 - 165;

// The window's font: the platform's sans serif at 13 pixels.
QFont windowFont();
// Page headings: the same family, bold, 23 pixels.
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

// Gives list rows the fixed 16-pixel height of the window's lists.
class FixedRowDelegate : public QStyledItemDelegate {
public:
    explicit FixedRowDelegate(int rowHeight, QObject* parent = nullptr)
        : QStyledItemDelegate(parent), rowHeight_(rowHeight) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int rowHeight_;
};

} // namespace pagekit
