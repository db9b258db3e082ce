#pragma once
// What the editing pages' lists share: rows of one fixed height, dragging a row within its own list,
// Insert and Delete, rows kept in step with the set, and the durations picture beside a list.
#include <QListWidget>
#include <QWidget>
#include <QImage>

#include <cstdint>
#include <functional>
#include <vector>

class QKeyEvent;

namespace listkit {

// The height of the lists' rows: 16 pixels of the design, as the text grows with the font.
int rowHeight();

// A list whose rows are all one height and can be dragged onto another row of the same list, or
// moved by Ctrl+Up and Ctrl+Down.
// The list itself never reorders anything: it reports which entry was dragged where and the page
// asks the state to move it.
class DragList : public QListWidget {
    Q_OBJECT
public:
    DragList(const char* name, bool rowsDraggable, QWidget* parent);

    // First row shown at the top; 0 for an empty list.
    int topRow() const;
    // Rows that fit into the list's height (the last one may show only in part).
    int rowsInView() const;
    // The last row is a place after the entries (where a new one goes), neither dragged nor a target.
    void keepLastRowAsPlace() { placeRows_ = 1; }

    // Insert (or the keypad's +) and Delete, when the page gives them a meaning.
    std::function<void()> insertKey;
    std::function<void()> deleteKey;

Q_SIGNALS:
    // Entry `from` (the current row) was dragged and let go over entry `to` (the last entry when
    // below it); never sent for a drop on the dragged row itself.
    void rowMoved(int from, int to);
    void topRowChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void dropAt(int y);

    bool draggable_;
    int placeRows_ = 0;
    bool pressed_ = false;
    bool dragging_ = false;
    QPoint pressPos_;
    int lastTop_ = 0;
};

// Makes the list show `count` rows with the given texts, adding or removing rows at the end only.
// Signals of the list are held back meanwhile; the caller chooses the current row afterwards.
void syncRows(QListWidget* list, int count, const std::function<QString(int)>& text,
              const std::function<bool(int)>& bold = {}, const std::function<QString(int)>& tip = {});

// Makes `row` the current row (-1: none) without a signal, so that the caller decides what follows.
void selectRow(QListWidget* list, int row);

// The durations picture: one bar per visible row, as long as the row plays relative to the longest
// visible row, with the time written over it. It shows what was last drawn into it, and describes
// it as those times.
class DurationsView : public QWidget {
    Q_OBJECT
public:
    DurationsView(const char* name, QWidget* parent);

    struct DrawnRow {
        int top = 0;        // y of the row's band
        int barWidth = 0;   // 0: no bar drawn
        QString text;
    };

    // Draws the rows' lengths (in samples) from the top of the picture; none clears it.
    void draw(const std::vector<int64_t>& lengths);
    const std::vector<DrawnRow>& drawnRows() const { return rows_; }
    // The small type the times are written in.
    QFont timesFont() const;
    const QImage& picture() const { return image_; }

    static QColor barColour() { return QColor(0xA6, 0xCA, 0xF0); }
    static QColor textColour() { return QColor(0x00, 0x00, 0x80); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
    std::vector<DrawnRow> rows_;
};

} // namespace listkit
