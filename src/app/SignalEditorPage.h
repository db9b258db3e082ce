#pragma once
// Page 2: the editor of one signal. So far it holds only the memory gauge, which the window's
// memory display keeps current.
#include <QWidget>

class QGroupBox;
class QProgressBar;
class TMainForm;

class SignalEditorPage : public QWidget {
    Q_OBJECT
public:
    SignalEditorPage(TMainForm& form, QWidget* parent = nullptr);

    // The window calls these on page entry and when the edit ends with "OK" or "Anuluj". The
    // editor's loading, acceptance and cancellation go into their bodies; page 2 cannot be reached
    // before page 1 begins edits, so until then they have nothing to do.
    void enterPage();
    void acceptEdit();
    void cancelEdit();

    QGroupBox* ZajetoscPamieciS2GB;
    QProgressBar* ZajetoscS2G;

private:
    TMainForm& form_;
};
