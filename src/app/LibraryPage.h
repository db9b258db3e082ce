#pragma once
// Page 3: the sound library. So far it holds only the memory gauge and the remaining time, which
// the window's memory display keeps current.
#include <QWidget>

class QGroupBox;
class QLabel;
class QProgressBar;
class TMainForm;

class LibraryPage : public QWidget {
    Q_OBJECT
public:
    LibraryPage(TMainForm& form, QWidget* parent = nullptr);

    // The window calls these on page entry and when the visit ends with "OK" or "Anuluj". Taking
    // the library copy, renumbering on acceptance and restoring on cancellation go into their
    // bodies; page 3 is reached only from the signal editor, so until then they have nothing to do.
    void enterPage();
    void acceptEdit();
    void cancelEdit();

    QGroupBox* ZajetoscPamieciS3GB;
    QProgressBar* ZajetoscS3G;
    QLabel* PozostalyCzasST;

private:
    TMainForm& form_;
};
