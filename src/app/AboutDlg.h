#pragma once
// The About window: the program's version and licence, the libraries it is built on, and where
// every sound of the factory sets comes from (read from the factory folder's SOURCES.md, so that
// the window always shows the credits of the sets that are shipped).
#include <QDialog>

class QLabel;
class QTabWidget;
class QTextBrowser;

class TAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit TAboutDlg(QWidget* mainWindow = nullptr);

    // Fills the texts in the language in effect and shows the window modally.
    static void showAbout(QWidget* mainWindow);

    // Fills every text in the language in effect.
    void fill();

    QLabel* versionLabel() const { return WersjaL; }
    QTextBrowser* programText() const { return ProgramTB; }
    QTextBrowser* librariesText() const { return BibliotekiTB; }
    QTextBrowser* sourcesText() const { return ZrodlaTB; }
    QTabWidget* tabs() const { return Zakladki; }

private:
    QLabel* NazwaL = nullptr;
    QLabel* WersjaL = nullptr;
    QTabWidget* Zakladki = nullptr;
    QTextBrowser* ProgramTB = nullptr;
    QTextBrowser* BibliotekiTB = nullptr;
    QTextBrowser* ZrodlaTB = nullptr;
};
