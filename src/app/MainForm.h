#pragma once
// The wizard's window: six pages behind three buttons, and the one signal set they work on.
#include "device/UsbFlash.h"
#include "SetModel.h"

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

    // The one set, and the state of an edit in progress (used by pages 1 to 3).
    zelmar::SignalSet& signalSet() { return set_; }
    // Row of the signal list being edited; -1 when none (or when the back door is edited).
    int signalUnderEdit() const { return signalUnderEdit_; }
    void setSignalUnderEdit(int row) { signalUnderEdit_ = row; }
    // The elements under edit: the back-door signal while the back-door flag is set, else the
    // signal at signalUnderEdit(); null when there is none.
    zelmar::Signal* editedSignal();
    std::optional<zelmar::Signal>& keptCopy() { return keptCopy_; }
    bool backdoorEdit() const { return backdoorEdit_; }
    void setBackdoorEdit(bool on) { backdoorEdit_ = on; }
    std::vector<zelmar::LibrarySound>& libraryCopy() { return libraryCopy_; }
    QString& lastSoundDirectory() { return lastSoundDirectory_; }
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
    void updateMemoryDisplay();
    // Empties the set; pages showing it are told through setReplaced().
    void clearSet();
    // Opens a set file: with the open dialog, or (withDialog false) the current set file.
    // True only when a set was read; every failure has been reported.
    bool openSetFile(bool withDialog);
    // Saves the set, asking for a name when there is no current file or a new one is wanted.
    // True only when the file was written; every failure has been reported.
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

Q_SIGNALS:
    // The set was replaced as a whole (cleared, opened, downloaded): lists showing it rebuild.
    void setReplaced();

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

    Dialogs& dialogs_;
    zelmar::SignalSet set_;
    zelmar::TUsbFlash flash_;
    int signalUnderEdit_ = -1;
    std::optional<zelmar::Signal> keptCopy_;
    bool backdoorEdit_ = false;
    std::vector<zelmar::LibrarySound> libraryCopy_;
    QString lastSoundDirectory_;
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
