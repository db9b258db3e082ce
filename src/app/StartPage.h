#pragma once
// Page 0: the start choice (new set, set from disk, set from the chime), with the sets used lately
// under the choice of a set from disk.
#include <QStringList>
#include <QWidget>

#include <vector>

class QListWidget;
class QRadioButton;

class StartPage : public QWidget {
    Q_OBJECT
public:
    explicit StartPage(QWidget* parent = nullptr);

    enum class Choice { NewSet, OpenFile, Download };
    Choice choice() const;

    // The sets to offer, newest first; none hides the list.
    void showRecentSets(const QStringList& sets);
    // The set chosen from the list for "open a set"; empty for the open dialog.
    QString chosenRecentSet() const;

    QRadioButton* NowyRB;
    QRadioButton* OdczytRB;
    QListWidget* OstatnieZestawyLB;
    QRadioButton* PobranieRB;

Q_SIGNALS:
    // A row of the list was double-clicked: open it at once.
    void recentSetChosen();

private:
    static constexpr int kRecentTop = 202;
    static constexpr int kRecentHeight = 3 * 16 + 4;
    // What the list's room moves down: the download choice, and the note less its gap above.
    static constexpr int kDownloadShift = kRecentHeight - 2;
    static constexpr int kNoteShift = kDownloadShift - 10;

    struct Moved {
        QWidget* control;
        int shift;
        int top = -1;   // where it stands without the list; taken on first use
    };
    std::vector<Moved> movedDown_;
    QStringList recentSets_;
};
