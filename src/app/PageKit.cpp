#include "PageKit.h"

#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>

#include <algorithm>
#include <cmath>

namespace pagekit {

namespace {

// The design's main window, and room for a window frame around it.
constexpr int kDesignWidth = 712;
constexpr int kDesignHeight = 494;
constexpr int kFrameRoom = 40;

// A control whose children are its own working parts, placed by itself.
bool placesItsOwnParts(const QWidget* w)
{
    return qobject_cast<const QAbstractScrollArea*>(w) || qobject_cast<const QAbstractSpinBox*>(w)
           || qobject_cast<const QComboBox*>(w) || qobject_cast<const QTabWidget*>(w)
           || qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLabel*>(w)
           || qobject_cast<const QLineEdit*>(w) || qobject_cast<const QProgressBar*>(w)
           || qobject_cast<const QAbstractSlider*>(w);
}

void scaleFont(QWidget* w, double s)
{
    if (!w->testAttribute(Qt::WA_SetFont) || w->font().pixelSize() <= 0)
        return;
    QFont f = w->font();
    f.setPixelSize(std::max(1, int(std::lround(f.pixelSize() * s))));
    w->setFont(f);
}

// Edges are scaled rather than sizes, so that controls that touched still touch.
QRect scaledRect(const QRect& r, double s)
{
    const auto at = [s](int v) { return int(std::lround(v * s)); };
    return QRect(QPoint(at(r.left()), at(r.top())), QPoint(at(r.right() + 1) - 1, at(r.bottom() + 1) - 1));
}

// A text that needs more than the room scaled for it: a font seldom grows exactly in step.
void roomForText(QWidget* w)
{
    if (!qobject_cast<QLabel*>(w) && !qobject_cast<QRadioButton*>(w) && !qobject_cast<QCheckBox*>(w))
        return;
    const QSize hint = w->sizeHint();
    w->resize(std::max(w->width(), hint.width()), std::max(w->height(), hint.height()));
}

void scaleChildren(QWidget* parent, double s)
{
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow() || w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        scaleFont(w, s);
        if (!parent->layout())
            w->setGeometry(scaledRect(w->geometry(), s));
        if (!placesItsOwnParts(w))
            scaleChildren(w, s);
        roomForText(w);
    }
}

} // namespace

double scale()
{
    double s = 1.0;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        s = std::max(s, screen->logicalDotsPerInchY() / 96.0);
        // A desktop whose own font is larger than the design's text asks for larger pages too.
        const QFont general = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        const double generalPixels = general.pixelSize() > 0 ? general.pixelSize()
                                                             : general.pointSizeF() * screen->logicalDotsPerInchY() / 72.0;
        s = std::max(s, generalPixels / kTextPixels);
        const QRect room = screen->availableGeometry();
        const double fits = std::min(double(room.width()) / kDesignWidth, double(room.height()) / (kDesignHeight + kFrameRoom));
        s = std::min(s, std::max(1.0, fits));
    }
    return s;
}

int scaled(int designPixels)
{
    return int(std::lround(designPixels * scale()));
}

void scaleWindow(QWidget* window)
{
    const double s = scale();
    if (s == 1.0)
        return;
    scaleFont(window, s);
    scaleChildren(window, s);
    if (window->minimumSize() == window->maximumSize())
        window->setFixedSize(scaledRect(QRect(QPoint(), window->size()), s).size());
    else
        window->resize(scaledRect(QRect(QPoint(), window->size()), s).size());
}

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

QSize FixedRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    // A row is as wide as its list and cuts a longer text short; asking for the width of its text
    // would make the whole list scroll sideways for the longest row (a list of rows of one size
    // measures one of them, the last).
    return QSize(0, rowHeight_);
}

} // namespace pagekit
