#pragma once
// Page 2: the editor of one signal: its name, its elements (sounds and pauses) and, for the
// selected element, its volume or its length.
#include "SetModel.h"

#include <QWidget>

class Dialogs;
class QGroupBox;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;
class TFragmentDlg;
class WizardState;

namespace listkit {
class DragList;
}

class SignalEditorPage : public QWidget {
    Q_OBJECT
public:
    SignalEditorPage(WizardState& state, Dialogs& dialogs, QWidget* parent = nullptr);
    ~SignalEditorPage() override;

    // The fragment dialog made once for the whole run; without one "Zaawansowane" does nothing.
    void setFragmentDialog(TFragmentDlg* dialog) { fragmentDlg_ = dialog; }

    // Page entry: loads the signal under edit. The window calls acceptEdit() / cancelEdit() when
    // the edit ends with "OK" or "Anuluj".
    void enterPage();
    void acceptEdit();
    void cancelEdit();

    // The choice list: the pause row and one row per library sound, row 0 selected.
    void rebuildSoundChoices();
    // The element rows follow the signal under edit (one per element and the trailing row).
    void reloadElements();

    QLineEdit* NazwaSygnaluE;
    listkit::DragList* SygnalLB;
    QListWidget* DzwiekiLB;
    QPushButton* DoSygnalu;
    QPushButton* ZSygnalu;
    QGroupBox* GlosnoscGB;
    QSlider* GlosnoscTB;
    QGroupBox* CzasPauzyGB;
    QSlider* CzasPauzyTB;
    QPushButton* Zaawansowane;
    QPushButton* ZmienDzwieki;
    QPushButton* OdtworzS2;
    QCheckBox* JakDzwonekS2CB;

Q_SIGNALS:
    // "Zmiana dostępnych dźwięków": the library page follows, with the edit kept.
    void libraryRequested();

public Q_SLOTS:
    void DoSygnaluClick();
    void ZSygnaluClick();
    void SygnalLBDragDrop(int from, int to);
    void GlosnoscTBChange(int position);
    void CzasPauzyTBChange(int position);
    void ZaawansowaneClick();
    void ZmienDzwiekiClick();
    void SygnalLBDblClick();
    void DzwiekiLBDblClick();
    void OdtworzS2Click();

private:
    // Shows the controls that fit the selected row and moves them to its values.
    void selectedRowShown();
    void setPauseCaption(int position);
    QString elementText(int row) const;
    // The selected element; null for none or the trailing row.
    const zelmar::TDzwiek* selectedElement() const;
    void select(int row);

    WizardState& state_;
    Dialogs& dialogs_;
    TFragmentDlg* fragmentDlg_ = nullptr;
    bool backFromLibrary_ = false;
};
