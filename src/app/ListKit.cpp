#include "ListKit.h"

#include "Accessibility.h"

#include "PageKit.h"
#include "UiLocale.h"
#include "model/SignalSet.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

namespace listkit {

int rowHeight()
{
    return pagekit::scaled(16);
}

DragList::DragList(const char* name, bool rowsDraggable, QWidget* parent)
    : QListWidget(parent), draggable_(rowsDraggable)
{
    setObjectName(QString::fromLatin1(name));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setItemDelegate(new pagekit::FixedRowDelegate(rowHeight(), this));
    setDragEnabled(false);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (topRow() != lastTop_) {
            lastTop_ = topRow();
            Q_EMIT topRowChanged();
        }
    });
}

int DragList::topRow() const
{
    const QModelIndex top = indexAt(QPoint(1, 1));
    return top.isValid() ? top.row() : 0;
}

int DragList::rowsInView() const
{
    return viewport()->height() / rowHeight();
}

void DragList::keyPressEvent(QKeyEvent* event)
{
    const bool keypadPlus = event->key() == Qt::Key_Plus && (event->modifiers() & Qt::KeypadModifier);
    if (insertKey && (event->key() == Qt::Key_Insert || keypadPlus)) {
        insertKey();
        return;
    }
    if (deleteKey && event->key() == Qt::Key_Delete) {
        deleteKey();
        return;
    }
    // The keyboard's way to drag: Ctrl+Up and Ctrl+Down move the current entry by one place.
    const bool up = event->key() == Qt::Key_Up;
    if (draggable_ && (event->modifiers() & Qt::ControlModifier) && (up || event->key() == Qt::Key_Down)) {
        const int entries = count() - placeRows_;
        const int from = currentRow();
        const int to = from + (up ? -1 : 1);
        if (from >= 0 && from < entries && to >= 0 && to < entries)
            Q_EMIT rowMoved(from, to);
        return;
    }
    QListWidget::keyPressEvent(event);
}

void DragList::dropAt(int y)
{
    const int entries = count() - placeRows_;
    const int from = currentRow();
    if (from < 0 || from >= entries)
        return;
    const int to = std::min(y / rowHeight() + topRow(), entries - 1);
    if (to != from)
        Q_EMIT rowMoved(from, to);
}

void DragList::mousePressEvent(QMouseEvent* event)
{
    QListWidget::mousePressEvent(event);
    dragging_ = false;
    pressed_ = draggable_ && event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid();
    pressPos_ = event->position().toPoint();
}

void DragList::mouseMoveEvent(QMouseEvent* event)
{
    if (!pressed_) {
        QListWidget::mouseMoveEvent(event);
        return;
    }
    // While a row is held the selection stays on it; the row moves only when it is let go.
    if (!dragging_ && (event->position().toPoint() - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
        dragging_ = true;
        viewport()->setCursor(Qt::DragMoveCursor);
    }
}

void DragList::mouseReleaseEvent(QMouseEvent* event)
{
    const bool dropped = dragging_;
    pressed_ = false;
    dragging_ = false;
    viewport()->unsetCursor();
    if (dropped && viewport()->rect().contains(event->position().toPoint()))
        dropAt(event->position().toPoint().y());
    // The view ends its own press as well; a release away from the pressed row is no click.
    QListWidget::mouseReleaseEvent(event);
}

void syncRows(QListWidget* list, int count, const std::function<QString(int)>& text,
              const std::function<bool(int)>& bold, const std::function<QString(int)>& tip)
{
    const QSignalBlocker block(list);
    const QSignalBlocker blockSelection(list->selectionModel());
    while (list->count() > count)
        delete list->takeItem(list->count() - 1);
    while (list->count() < count)
        list->addItem(QString());
    for (int i = 0; i < count; ++i) {
        QListWidgetItem* item = list->item(i);
        const QString t = text(i);
        if (item->text() != t)
            item->setText(t);
        const bool b = bold && bold(i);
        if (item->font().bold() != b) {
            QFont f = list->font();
            f.setBold(b);
            item->setFont(f);
        }
        if (tip)
            item->setToolTip(tip(i));
    }
    list->viewport()->update();
}

void selectRow(QListWidget* list, int row)
{
    const QSignalBlocker block(list);
    const QSignalBlocker blockSelection(list->selectionModel());
    if (row < 0 || row >= list->count()) {
        list->setCurrentRow(-1);
        list->clearSelection();
    } else {
        list->setCurrentRow(row);
        list->scrollToItem(list->item(row));
    }
    list->viewport()->update();
}

DurationsView::DurationsView(const char* name, QWidget* parent) : QWidget(parent)
{
    setObjectName(QString::fromLatin1(name));
    accessibility::setRole(this, QAccessible::Graphic);
}


QFont DurationsView::timesFont() const
{
    // As small as 8 points are on the design's screen.
    QFont f = font();
    f.setPixelSize(pagekit::scaled(11));
    return f;
}

void DurationsView::draw(const std::vector<int64_t>& lengths)
{
    const QColor window = palette().color(QPalette::Window);
    image_ = QImage(size(), QImage::Format_RGB32);
    image_.fill(window);
    rows_.clear();

    int64_t longest = 0;
    for (int64_t l : lengths)
        longest = std::max(longest, l);
    if (longest == 0)
        longest = zelmar::kSampleRate;

    QPainter p(&image_);
    const QFont f = timesFont();
    p.setFont(f);
    const int rowHeight = listkit::rowHeight();
    const QFontMetrics fm(f);
    const int w = width();
    for (size_t r = 0; r < lengths.size(); ++r) {
        DrawnRow row;
        row.top = int(r) * rowHeight;
        row.barWidth = int(zelmar::roundedShare(lengths[r], longest, w));
        row.text = uilocale::seconds(lengths[r]);
        if (row.barWidth > 0) {
            p.setPen(window);
            p.setBrush(barColour());
            p.drawRect(QRect(0, row.top, row.barWidth, rowHeight).adjusted(0, 0, -1, -1));
        }
        p.setPen(textColour());
        p.setBrush(Qt::NoBrush);
        const int x = (w - fm.horizontalAdvance(row.text)) / 2;
        const int y = row.top + (rowHeight - fm.height()) / 2;
        p.drawText(x, y + fm.ascent(), row.text);
        rows_.push_back(row);
    }
    update();
    // What the picture shows, for a screen reader: the times of the rows beside it, in order.
    QStringList times;
    for (const DrawnRow& r : rows_)
        times << r.text;
    setAccessibleDescription(times.join(QStringLiteral(", ")));
}

void DurationsView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (image_.isNull())
        p.fillRect(rect(), palette().color(QPalette::Window));
    else
        p.drawImage(0, 0, image_);
}

} // namespace listkit
