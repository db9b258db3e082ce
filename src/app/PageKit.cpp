#include "PageKit.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace pagekit {

QRadioButton* addChoice(QWidget* page, const char* name, const QString& text, int y)
{
    auto* rb = new QRadioButton(text, page);
    rb->setObjectName(QString::fromLatin1(name));
    rb->move(16, y);
    fitToPage(rb);
    return rb;
}

QPushButton* addButton(QWidget* page, const char* name, const QString& text, const QRect& place)
{
    auto* b = new QPushButton(text, page);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(place);
    return b;
}

QFont windowFont()
{
    QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    // Some platforms (offscreen among them) report a family that is not installed.
    if (!QFontDatabase::families().contains(f.family()))
        f.setFamily(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(kTextPixels);
    return f;
}

QFont headingFont()
{
    QFont f = windowFont();
    f.setPixelSize(kHeadingPixels);
    f.setBold(true);
    return f;
}

QLabel* addText(QWidget* page, const char* name, const QString& text, int x, int y)
{
    auto* label = new QLabel(text, page);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->move(x, y);
    fitToPage(label);
    return label;
}

QLabel* addHeading(QWidget* page, const char* name, const QString& text, int x, int y)
{
    QLabel* label = addText(page, name, text, x, y);
    label->setFont(headingFont());
    fitToPage(label);
    return label;
}

void fitToPage(QWidget* control)
{
    constexpr int kRightMargin = 8;
    const QSize hint = control->sizeHint();
    control->resize(std::max(hint.width(), kPageWidth - kRightMargin - control->x()), hint.height());
}

QSize FixedRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(rowHeight_);
    return s;
}

} // namespace pagekit
