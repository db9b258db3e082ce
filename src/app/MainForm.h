#pragma once
// The wizard's window: six pages behind three buttons, and the one signal set they work on.
#include "SetModel.h"
#include "WizardState.h"
#include "device/UsbFlash.h"

#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

class Dialogs;
class QFrame;
class QLabel;
class QPushButton;
class QStackedWidget;
class StartPage;
class SignalListPage;
class SignalEditorPage;
class LibraryPage;
class SaveSendPage;
class FarewellPage;
class TFragmentDlg;
class TKonwersjaDlg;
class TbsPolyglotManager;
class TbsPolyglotTranslator;

class TMainForm : public QWidget {
    Q_OBJECT
public:
    // `firstArgument` is the first command-line argument (empty when none); when it names an
    // existing file, that set is opened and the wizard starts on the signal list.
    explicit TMainForm(Dialogs& dialogs, const QString& firstArgument = {}, QWidget* parent = nullptr);
    ~TMainForm() override;

    enum Page { StartPageIndex, SignalListIndex, SignalEditorIndex, LibraryIndex, SaveSendIndex, FarewellIndex };

    // The state of the work, which the pages change and follow.
    WizardState& state() { return state_; }
    // Shorthands into the state, for whoever drives the window.
    zelmar::SignalSet& signalSet() { return state_.set(); }
    int signalUnderEdit() const { return state_.signalUnderEdit(); }
    void setSignalUnderEdit(int row) { state_.session().signalUnderEdit = row; }
    zelmar::Signal* editedSignal() { return state_.editedSignal(); }
    std::optional<zelmar::Signal>& keptCopy() { return state_.keptCopy(); }
    bool backdoorEdit() const { return state_.backdoorEdit(); }
    std::vector<zelmar::LibrarySound>& libraryCopy() { return state_.libraryCopy(); }
    zelmar::TUsbFlash& flash() { return flash_; }
    Dialogs& dialogs() { return dialogs_; }
    // The dialogs made once at start and kept for the whole run.
    TFragmentDlg& fragmentDialog() { return *fragmentDlg_; }
    TKonwersjaDlg& conversionDialog() { return *konwersjaDlg_; }

    QString programDirectory() const { return programDirectory_; }   // with a trailing '/'
    QString installPath() const { return installPath_; }
    QString requestedLanguage() const { return requestedLanguage_; }
    QString currentSetFile() const { return setFile_; }
    int currentPage() const;

    // Makes `index` the visible page and runs its entry actions (also when it already was).
    void showPage(int index);
    // Gauges of pages 2 and 3 and the remaining playing time, from the set's free bytes.
    void updateMemoryDisplay() { state_.updateMemoryFigures(); }
    // Empties the set; pages showing it follow.
    void clearSet() { state_.clearSet(); }
    // Opens a set file: with the open dialog, or (withDialog false) the current set file.
    // True only when a set was read; every failure has been reported.
    bool openSetFile(bool withDialog);
    // Saves the set, asking for a name when there is no current file or a new one is wanted.
    // True only when the file was written; every failure has been reported. A folder that
    // allows no safe save leads, when the user agrees, to the save dialog.
    bool saveSetFile();
    // The current set file, " - " and the title; or the title alone.
    void updateCaption();
    // Writes the user's copies of the factory sets, named in the current language, under
    // `installDirectory`. Leaves the set empty and the current set file as it was; false when a
    // copy could not be written.
    bool writeFactorySets(const QString& installDirectory);

    StartPage* startPage() const { return page0_; }
    SignalListPage* signalListPage() const { return page1_; }
    SignalEditorPage* signalEditorPage() const { return page2_; }
    LibraryPage* libraryPage() const { return page3_; }
    SaveSendPage* saveSendPage() const { return page4_; }
    FarewellPage* farewellPage() const { return page5_; }
    QPushButton* wsteczButton() const { return Wstecz; }
    QPushButton* dalejButton() const { return Dalej; }
    QPushButton* anulujButton() const { return Anuluj; }

public Q_SLOTS:
    void DalejClick();
    void WsteczClick();
    void AnulujClick();
    void Strona0Show();
    void Strona1Show();
    void Strona2Show();
    void Strona3Show();
    void Strona4Show();
    void Strona5Show();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildWindow();
    void createDialogs();
    void FormCreate(const QString& firstArgument);
    bool FormCloseQuery();
    void runPageEntry(int index);
    bool saveSetFile(bool askName);

    Dialogs& dialogs_;
    WizardState state_;
    zelmar::TUsbFlash flash_;
    QString programDirectory_;
    QString installPath_;
    QString requestedLanguage_;
    QString setFile_;

    QFrame* Obrazek = nullptr;
    QLabel* Image1 = nullptr;
    QFrame* Przyciski = nullptr;
    QPushButton* Wstecz = nullptr;
    QPushButton* Dalej = nullptr;
    QPushButton* Anuluj = nullptr;
    QStackedWidget* Strony = nullptr;
    StartPage* page0_ = nullptr;
    SignalListPage* page1_ = nullptr;
    SignalEditorPage* page2_ = nullptr;
    LibraryPage* page3_ = nullptr;
    SaveSendPage* page4_ = nullptr;
    FarewellPage* page5_ = nullptr;
    TFragmentDlg* fragmentDlg_ = nullptr;
    TKonwersjaDlg* konwersjaDlg_ = nullptr;
    TbsPolyglotManager* PolyglotManager = nullptr;
    TbsPolyglotTranslator* PolyglotTranslator = nullptr;
};
