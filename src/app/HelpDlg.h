#pragma once
// The guide: a short illustrated help in the user's language, shipped with the program as HTML
// under the data folder (help/<language>/index.html) and shown in a window of its own, beside
// the wizard, so it can be read while working.
#include <QDialog>

class QDialogButtonBox;
class QPushButton;
class QTextBrowser;

class THelpDlg : public QDialog {
    Q_OBJECT
public:
    explicit THelpDlg(QWidget* mainWindow = nullptr);

    // F1 anywhere in `mainWindow` (its dialogs included) shows the guide.
    static void installHelpKey(QWidget* mainWindow);

    // Shows the guide of the language in effect: the one window of `mainWindow`, made on first
    // use, raised when it is already open.
    static THelpDlg* showGuide(QWidget* mainWindow);

    // The guide of `language` under `dataDir`; English for a language without one of its own,
    // Polish (the built-in texts) when no language is in effect. Empty when there is none.
    static QString guideFile(const QString& dataDir, const QString& language);

    // Loads the guide of the language in effect, or says where it was looked for.
    void loadGuide();
    QTextBrowser* browser() const { return HelpTB; }
    QPushButton* aboutButton() const { return OProgramie; }

private:
    QTextBrowser* HelpTB = nullptr;
    QDialogButtonBox* Przyciski = nullptr;
    QPushButton* OProgramie = nullptr;
};
