#pragma once
// Page 1: the set's signals, one row each, how long each plays, and the buttons that begin,
// change, play and delete them, and open the back-door signal.
#include <QWidget>

class QCheckBox;
class QLabel;
class Dialogs;
class QPushButton;
class WizardState;

namespace listkit {
class DragList;
class DurationsView;
}

class SignalListPage : public QWidget {
    Q_OBJECT
public:
    SignalListPage(WizardState& state, Dialogs& dialogs, QWidget* parent = nullptr);

    // Rebuilds the rows from the set. `selectFirst` after a whole new set; otherwise the selected
    // position is kept (clamped to the last row).
    void reload(bool selectFirst);
    // Page entry: the rows follow whatever the editor changed, and the durations are drawn anew.
    void enterPage();
    int selectedRow() const;
    // Draws the durations column for the rows now in view.
    void redrawDurations();

    listkit::DragList* ZestawLB;
    listkit::DurationsView* Czasy;
    QPushButton* NowySygnal;
    QPushButton* ZmianaSygnalu;
    QPushButton* OdtworzS1;
    QCheckBox* JakDzwonekS1CB;
    QPushButton* UsunSygnal;
    QPushButton* TylneDrzwi;

Q_SIGNALS:
    // An edit of a signal began (new, changed or the back door): the editor page follows.
    void editBegun();

public Q_SLOTS:
    void NowySygnalClick();
    void ZmianaSygnaluClick();
    void ZestawLBDblClick();
    void UsunSygnalClick();
    void TylneDrzwiClick();
    void OdtworzS1Click();
    void ZestawLBDragDrop(int from, int to);

private:
    WizardState& state_;
    Dialogs& dialogs_;
    int rememberedTop_ = -1;
};
