#pragma once
// The wizard's window: six pages behind three buttons, the state of the work they share, and the
// set file and the chime that the work comes from and goes to.
#include "WizardChoices.h"
#include "WizardState.h"
#include "device/UsbFlash.h"

#include <QString>
#include <QWidget>

class Dialogs;
class QFrame;
class QMimeData;
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
    // The dialogs made once at start and kept for the whole run.
    TFragmentDlg& fragmentDialog() { return *fragmentDlg_; }
    TKonwersjaDlg& conversionDialog() { return *konwersjaDlg_; }

    QString installPath() const { return installPath_; }
    QString currentSetFile() const { return setFile_; }
    int currentPage() const;

    // Makes `index` the visible page and runs its entry actions (also when it already was).
    void showPage(int index);
    // Opens a set file: with the open dialog, or (withDialog false) the current set file.
    // True only when a set was read; every failure has been reported.
    bool openSetFile(bool withDialog);
    // Saves the set, asking for a name when there is no current file or a new one is wanted.
    // True only when the file was written; every failure has been reported. A folder that
    // allows no safe save leads, when the user agrees, to the save dialog.
    bool saveSetFile();
    // Writes the user's copies of the factory sets, named in the current language, under
    // `installDirectory`. Leaves the set empty and the current set file as it was; false when a
    // copy could not be written.
    bool writeFactorySets(const QString& installDirectory);

    SignalListPage* signalListPage() const { return page1_; }
    LibraryPage* libraryPage() const { return page3_; }
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
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The current set file, " - " and the title; or the title alone.
    void updateCaption();
    // The user's copies of the factory sets, in the folder named in the language in effect.
    QString factoryFolder() const;
    // Where what the chime held is kept before a send: beside the factory sets.
    QString backupFolder() const;
    // The remembered choices put in place, and written again whenever the user changes one.
    void rememberChoices();
    // Before the set gives way (closing, another set): changes never saved are offered to be
    // saved (Save, Don't Save, Cancel). True when the set may go.
    bool mayLeaveSet();
    // Reads `path` in the place of the set; a failure is told and, unless `keepOnFailure`, leaves
    // no set and no set file.
    bool openSetFile(const QString& path, bool keepOnFailure);
    // One set file dragged while the window can open it; anything else is refused.
    bool takesSetDrop(const QMimeData* data) const;
    // The road of opening from the start page: the unsaved-work question first.
    void openDroppedSet(const QString& path);
    void buildWindow();
    void createDialogs();
    void FormCreate(const QString& firstArgument);
    bool FormCloseQuery();
    void runPageEntry(int index);
    bool saveSetFile(bool askName);

    Dialogs& dialogs_;
    WizardState state_;
    zelmar::TUsbFlash flash_;
    QString installPath_;
    wizardchoices::Choices choices_;
    QString setFile_;

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
};
