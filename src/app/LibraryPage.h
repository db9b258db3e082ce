#pragma once
// Page 3: the sound library. Every change goes to the set's library at once through the state; the
// copy the state takes on entry is the way back when the visit is cancelled, and accepting
// renumbers the signals' elements.
#include <QStringList>
#include <QWidget>

class Dialogs;
class QCheckBox;
class QLabel;
class QMimeData;
class QLineEdit;
class QPushButton;
class QSpinBox;
class TKonwersjaDlg;
class WizardState;

namespace listkit {
class DragList;
class DurationsView;
}

class LibraryPage : public QWidget {
    Q_OBJECT
public:
    LibraryPage(WizardState& state, Dialogs& dialogs, QWidget* parent = nullptr);
    ~LibraryPage() override;

    // The conversion progress window made once for the whole run; without one nothing is added.
    void setConversionDialog(TKonwersjaDlg* dialog) { konwersjaDlg_ = dialog; }

    // The window calls these on page entry and when the visit ends with "OK" or "Anuluj".
    void enterPage();
    void acceptEdit();
    void cancelEdit();

    // Draws the durations bar for the rows now in view.
    void redrawDurations();
    // Ends a rename without a change: a press outside the rename edit does (the window's own
    // presses come through here, the page's own through its mousePressEvent).
    void abandonRename();

    QLabel* DzwiekiL;
    listkit::DragList* DostepneDzwiekiLB;
    listkit::DurationsView* CzasyTrwaniaDzwiekow;
    QPushButton* DodajDzwiek;
    QPushButton* ZmienNazweDzwieku;
    QPushButton* ZmienWzmocnienieDzwieku;
    QSpinBox* WzmocnienieE;
    QLabel* Label1;
    QPushButton* OdtworzDzwiek;
    QCheckBox* JakDzwonekS3CB;
    QPushButton* UsunDzwiek;
    QLabel* PozostalyCzasST;
    QLineEdit* ZmianaNazwyE;
    QPushButton* EksportWAV;   // made hidden and disabled; nothing shows it

Q_SIGNALS:
    // A rename began (true) or ended (false): the window's buttons, and with them the Enter key's
    // default button, are off meanwhile.
    void renamingChanged(bool on);

public Q_SLOTS:
    void DodajDzwiekClick();
    void ZmienNazweDzwiekuClick();
    void DostepneDzwiekiLBDblClick();
    void UsunDzwiekClick();
    void ZmienWzmocnienieDzwiekuClick();
    void WzmocnienieEChange(int value);
    void OdtworzDzwiekClick();
    void DostepneDzwiekiLBDragDrop(int from, int to);
    void EksportWAVClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(class QMouseEvent* event) override;
    void dragEnterEvent(class QDragEnterEvent* event) override;
    void dragMoveEvent(class QDragMoveEvent* event) override;
    void dropEvent(class QDropEvent* event) override;

private:
    // Sound files while the page can take them (no rename, no import under way); anything else is
    // left to the window, which refuses what it does not take.
    bool takesDrop(const QMimeData* data) const;
    // One import after another, with the messages of each; a full library stops them.
    void importDropped(const QStringList& files);
    // Ends a rename; with `apply` the typed text becomes the sound's name, or a notice says why not.
    void endRename(bool apply);
    // Rows follow the library; the gain edit follows the selected sound.
    void reloadRows();
    void selectRow(int row);
    void gainInStep();
    int selectedRow() const;
    void showRemainingTime();

    WizardState& state_;
    Dialogs& dialogs_;
    TKonwersjaDlg* konwersjaDlg_ = nullptr;
    bool renaming_ = false;
    int renamedRow_ = -1;
    int rememberedTop_ = -1;
};
