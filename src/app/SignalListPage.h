#pragma once
// Page 1: the set's signals, one row each, with the buttons that begin, change and delete them.
#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;
class TMainForm;

class SignalListPage : public QWidget {
    Q_OBJECT
public:
    SignalListPage(TMainForm& form, QWidget* parent = nullptr);

    // Rebuilds the rows from the set. `selectFirst` after a whole new set; otherwise the selected
    // position is kept (clamped to the last row).
    void reload(bool selectFirst);
    // Page entry: the rows follow whatever the editor changed.
    void enterPage();
    int selectedRow() const;

    QListWidget* ZestawLB;
    QLabel* Czasy;   // durations column, drawn by the signal editing code
    QPushButton* NowySygnal;
    QPushButton* ZmianaSygnalu;
    QPushButton* OdtworzS1;
    QPushButton* UsunSygnal;
    QPushButton* TylneDrzwi;

    // The editing handlers (NowySygnalClick, ZmianaSygnaluClick, ZestawLBDblClick, UsunSygnalClick,
    // TylneDrzwiClick, the key, drag and hint handlers) and OdtworzS1Click belong here as slots.
    // Until they exist their buttons stay disabled.

private:
    TMainForm& form_;
};
