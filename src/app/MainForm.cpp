#include "MainForm.h"

#include "ChimeRoads.h"
#include "Dialogs.h"
#include "Drops.h"
#include "FactorySets.h"
#include "FarewellPage.h"
#include "FileMessages.h"
#include "FragmentDlg.h"
#include "HelpDlg.h"
#include "KonwersjaDlg.h"
#include "Previews.h"
#include "LibraryPage.h"
#include "PageKit.h"
#include "PolyglotManager.h"
#include "PolyglotStart.h"
#include "RecentSets.h"
#include "ResourceText.h"
#include "SaveSendPage.h"
#include "Settings.h"
#include "SignalEditorPage.h"
#include "SignalListPage.h"
#include "SoundImport.h"
#include "StartPage.h"
#include "WizardChoices.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStackedWidget>

// The picture lives in the static GUI library; this keeps the linker from dropping it.
static void initPictureResources()
{
    Q_INIT_RESOURCE(zelmar);
}

namespace {

// Paths go to the core in the file system's own encoding.
std::string localPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString fromLocalPath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QPushButton* addBottomButton(QWidget* panel, const char* name, const QString& text, int x)
{
    QPushButton* b = pagekit::addButton(panel, name, text, QRect(x, 13, 100, 30));
    // Not auto-default: outside a dialog such a button drops its default mark when the focus
    // leaves it, and Enter would then find no default button at all. The window gives Enter to
    // the focused button or the default one itself.
    b->setAutoDefault(false);
    return b;
}

} // namespace

TMainForm::TMainForm(Dialogs& dialogs, const QString& firstArgument, QWidget* parent)
    : QWidget(parent), dialogs_(dialogs)
{
    initPictureResources();
    buildWindow();
    PolyglotManager = new TbsPolyglotManager(this);
    new TbsPolyglotTranslator(this, PolyglotManager);
    FormCreate(firstArgument);
    createDialogs();
}

void TMainForm::createDialogs()
{
    fragmentDlg_ = new TFragmentDlg(this);
    fragmentDlg_->setElementPreview([this](const zelmar::TDzwiek& element, const zelmar::TDostepnyDzwiek&) {
        previews::playElement(this, dialogs_, state_.set(), element, state_.previewAsChime());
    });
    previews::followAsChime(fragmentDlg_->asChimeBox(), state_);
    page2_->setFragmentDialog(fragmentDlg_);
    transferDialog(*this, dialogs_);
    konwersjaDlg_ = new TKonwersjaDlg(this);
    page3_->setConversionDialog(konwersjaDlg_);
}

TMainForm::~TMainForm() = default;

void TMainForm::buildWindow()
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(712, 494);
    setFont(pagekit::windowFont());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 251, 240));   // cream
    setPalette(pal);
    setAutoFillBackground(true);

    constexpr int kButtonsHeight = 55;
    constexpr int kPictureWidth = 165;
    const int pagesHeight = height() - kButtonsHeight;

    auto* picturePanel = new QFrame(this);
    picturePanel->setObjectName(QStringLiteral("Obrazek"));
    picturePanel->setGeometry(0, 0, kPictureWidth, pagesHeight);
    auto* picture = new QLabel(picturePanel);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setAccessibleName(QStringLiteral("Dzwonek ZELMAR"));
    picture->setGeometry(0, 0, kPictureWidth, pagesHeight);
    picture->setScaledContents(true);
    picture->setPixmap(QPixmap(QStringLiteral(":/pictures/chime.png")));

    Przyciski = new QFrame(this);
    Przyciski->setObjectName(QStringLiteral("Przyciski"));
    Przyciski->setGeometry(0, pagesHeight, width(), kButtonsHeight);
    auto* line = new QFrame(Przyciski);
    line->setObjectName(QStringLiteral("PrzyciskiLinia"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(0, 0, width(), 2);
    Wstecz = addBottomButton(Przyciski, "Wstecz", QStringLiteral("< &Wstecz"), 390);
    Dalej = addBottomButton(Przyciski, "Dalej", QStringLiteral("&Dalej >"), 490);
    Anuluj = addBottomButton(Przyciski, "Anuluj", QStringLiteral("Anuluj"), 602);
    // The guide, also on F1, where wizards keep their help.
    auto* help = addBottomButton(Przyciski, "Pomoc", QStringLiteral("Pomoc"), 10);
    connect(help, &QPushButton::clicked, this, [this] { THelpDlg::showGuide(this); });
    THelpDlg::installHelpKey(this);
    Wstecz->setEnabled(false);
    Dalej->setDefault(true);
    connect(Wstecz, &QPushButton::clicked, this, &TMainForm::WsteczClick);
    connect(Dalej, &QPushButton::clicked, this, &TMainForm::DalejClick);
    connect(Anuluj, &QPushButton::clicked, this, &TMainForm::AnulujClick);

    Strony = new QStackedWidget(this);
    Strony->setObjectName(QStringLiteral("Strony"));
    Strony->setGeometry(kPictureWidth, 0, width() - kPictureWidth, pagesHeight);
    // Made inside the window so that they measure their texts in its font.
    page0_ = new StartPage(Strony);
    page1_ = new SignalListPage(state_, dialogs_, Strony);
    page2_ = new SignalEditorPage(state_, dialogs_, Strony);
    page3_ = new LibraryPage(state_, dialogs_, Strony);
    page4_ = new SaveSendPage(Strony);
    page5_ = new FarewellPage(Strony);
    for (QWidget* page : std::initializer_list<QWidget*>{page0_, page1_, page2_, page3_, page4_, page5_})
        Strony->addWidget(page);
    connect(Strony, &QStackedWidget::currentChanged, this, &TMainForm::runPageEntry);
    connect(page1_, &SignalListPage::editBegun, this, [this] { showPage(SignalEditorIndex); });
    connect(page2_, &SignalEditorPage::libraryRequested, this, [this] { showPage(LibraryIndex); });
    connect(page3_, &LibraryPage::renamingChanged, Przyciski, [this](bool on) { Przyciski->setEnabled(!on); });
    // On the signal list "Dalej" is there only while the set has a signal.
    connect(&state_, &WizardState::signalsChanged, this, [this] {
        if (currentPage() == SignalListIndex)
            Dalej->setEnabled(!state_.set().signals.empty());
    });

    // A set file dropped on the window opens it; sound files are the library page's.
    setAcceptDrops(true);
    connect(page0_, &StartPage::recentSetChosen, this, [this] {
        if (currentPage() == StartPageIndex)
            DalejClick();
    });

    pagekit::scaleWindow(this);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

void TMainForm::FormCreate(const QString& firstArgument)
{
    // A relative argument means the directory the program was started in, which stops being the
    // working directory below.
    const QString startFile = firstArgument.isEmpty()
                                  ? QString()
                                  : QDir::cleanPath(QDir::current().absoluteFilePath(firstArgument));

    polyglot::enterTranslationDirectory(*PolyglotManager);
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    const Settings settings = readSettings(factorysets::defaultInstallDirectory());
    polyglot::requestStartLanguage(*PolyglotManager,
                                   settings.languageSet ? std::optional<QString>(settings.language) : std::nullopt);
    installPath_ = settings.installPath;
    rememberChoices();
    if (settings.firstTime || factorysets::due(installPath_)) {
        if (writeFactorySets(installPath_) && settings.firstTime)
            consumeFirstTime();
    }

    setWindowTitle(rsq(65233));
    showPage(StartPageIndex);

    // Whatever stands under that name is tried, so that a folder or a file that may not be read
    // is reported rather than passed over in silence.
    if (!startFile.isEmpty() && QFileInfo::exists(startFile)) {
        setFile_ = startFile;
        if (openSetFile(false))
            showPage(SignalListIndex);
    }
}

bool TMainForm::writeFactorySets(const QString& installDirectory)
{
    const QString kept = setFile_;
    const bool done = factorysets::write(this, dialogs_, installDirectory);
    state_.clearSet();
    setFile_ = kept;
    return done;
}

int TMainForm::currentPage() const
{
    return Strony->currentIndex();
}

void TMainForm::showPage(int index)
{
    if (Strony->currentIndex() == index)
        runPageEntry(index);
    else
        Strony->setCurrentIndex(index);
}

void TMainForm::runPageEntry(int index)
{
    switch (index) {
    case StartPageIndex: Strona0Show(); break;
    case SignalListIndex: Strona1Show(); break;
    case SignalEditorIndex: Strona2Show(); break;
    case LibraryIndex: Strona3Show(); break;
    case SaveSendIndex: Strona4Show(); break;
    case FarewellIndex: Strona5Show(); break;
    default: break;
    }
}

void TMainForm::updateCaption()
{
    setWindowTitle(setFile_.isEmpty() ? rsq(65233) : setFile_ + QStringLiteral(" - ") + rsq(65233));
}

bool TMainForm::openSetFile(bool withDialog)
{
    QString path = setFile_;
    if (withDialog) {
        path = dialogs_.openFile(this, installPath_ + rsq(65235), rsq(65234), {factoryFolder()});
        if (path.isEmpty())
            return false;
    }
    return openSetFile(path, false);
}

bool TMainForm::openSetFile(const QString& path, bool keepOnFailure)
{
    const std::string local = localPath(path);
    QString failure;
    zelmar::SignalSet read;
    try {
        read = zelmar::readSetFile(local);
    } catch (const std::exception& e) {
        // Named as it was read, not by the name a later save would take.
        failure = filemessages::readFailure(path, e);
    }
    if (!failure.isEmpty()) {
        dialogs_.notify(this, failure);
        if (!keepOnFailure) {
            setFile_.clear();
            updateCaption();
            state_.clearSet();
        }
        return false;
    }

    // A later save must not aim at a file that cannot take it.
    const bool readOnly = zelmar::isReadOnlyFile(local);
    setFile_ = readOnly ? fromLocalPath(zelmar::readOnlyAlternativeName(local)) : path;
    updateCaption();
    state_.replaceSet(std::move(read));
    page4_->offerNewFile(true, readOnly);
    recentsets::remember(path);
    return true;
}

QString TMainForm::factoryFolder() const
{
    return installPath_ + rsq(65235);
}

QString TMainForm::backupFolder() const
{
    return installPath_ + QStringLiteral("Backups");
}

void TMainForm::rememberChoices()
{
    choices_ = wizardchoices::read();
    state_.setPreviewAsChime(choices_.previewAsChime);
    page4_->setBackupWanted(choices_.backupBeforeSending);
    // Written only when the user changes a choice.
    connect(&state_, &WizardState::previewAsChimeChanged, this, [this](bool on) {
        choices_.previewAsChime = on;
        wizardchoices::write(choices_);
    });
    connect(page4_, &SaveSendPage::backupWantedChanged, this, [this](bool on) {
        choices_.backupBeforeSending = on;
        wizardchoices::write(choices_);
    });
}

bool TMainForm::mayLeaveSet()
{
    if (!state_.hasUnsavedChanges())
        return true;
    const QString name = setFile_.isEmpty() ? rsq(65227) : QFileInfo(setFile_).fileName();
    switch (dialogs_.askToSave(this, rsfq(65343, {name.toStdString()}))) {
    case Dialogs::SaveAnswer::Save:
        return saveSetFile();
    case Dialogs::SaveAnswer::Discard:
        return true;
    case Dialogs::SaveAnswer::Cancel:
        break;
    }
    return false;
}

bool TMainForm::saveSetFile()
{
    return saveSetFile(setFile_.isEmpty() || page4_->newFileWanted());
}

bool TMainForm::saveSetFile(bool askName)
{
    if (askName) {
        // The user's own sets start in the documents folder or where the last one was saved; the
        // factory folder stays a place of the side bar.
        QString start = setFile_;
        if (start.isEmpty())
            start = recentsets::saveFolder() + u'/' + rsq(65227) + QStringLiteral(".zmr");
        else if (QFileInfo(start).absolutePath() == QFileInfo(factoryFolder()).absoluteFilePath())
            start = recentsets::saveFolder() + u'/' + QFileInfo(start).fileName();
        const QString chosen = dialogs_.saveFile(this, start, rsq(65234), QStringLiteral(".zmr"), {factoryFolder()});
        if (chosen.isEmpty())
            return false;
        setFile_ = chosen;
        updateCaption();
    }
    try {
        // Written beside the target and renamed over it, so a failure keeps the old file whole.
        zelmar::writeSetFile(state_.set(), localPath(setFile_));
    } catch (const std::exception& e) {
        // A folder that takes no new file could only be written into in place, which a failure
        // would leave damaged: the set goes elsewhere, or nowhere.
        if (filemessages::unsafeFolder(e))
            return dialogs_.ask(this, rsfq(65298, {QFileInfo(setFile_).absolutePath().toStdString()}))
                   && saveSetFile(true);
        dialogs_.notify(this, filemessages::writeFailure(setFile_, e));
        return false;
    }
    state_.markSaved();
    recentsets::rememberSaved(setFile_);
    return true;
}

void TMainForm::DalejClick()
{
    switch (currentPage()) {
    case StartPageIndex: {
        // Another set in the place of sounds kept from the last one, not yet saved.
        if (page0_->choice() != StartPage::Choice::NewSet && !mayLeaveSet())
            break;
        page4_->offerNewFile(false, true);
        setFile_.clear();
        updateCaption();
        bool ok = true;
        if (page0_->choice() == StartPage::Choice::OpenFile) {
            const QString recent = page0_->chosenRecentSet();
            ok = recent.isEmpty() ? openSetFile(true) : openSetFile(recent, false);
        }
        else if (page0_->choice() == StartPage::Choice::Download)
            ok = downloadSetFromChime(this, dialogs_, state_, flash_);
        if (ok)
            showPage(SignalListIndex);
        break;
    }
    case SignalListIndex:
        showPage(SaveSendIndex);
        break;
    case SignalEditorIndex:
        page2_->acceptEdit();
        showPage(SignalListIndex);
        break;
    case LibraryIndex:
        page3_->acceptEdit();
        showPage(SignalEditorIndex);
        break;
    case SaveSendIndex: {
        const SaveSendPage::Choice choice = page4_->choice();
        const bool save = choice == SaveSendPage::Choice::SaveAndSend || choice == SaveSendPage::Choice::Save;
        const bool send = choice == SaveSendPage::Choice::SaveAndSend || choice == SaveSendPage::Choice::Send;
        if (save && !saveSetFile())
            break;
        if (send && !uploadSetToChime(this, dialogs_, state_.set(), flash_, page4_->backupWanted() ? backupFolder() : QString()))
            break;
        showPage(FarewellIndex);
        break;
    }
    default:
        break;
    }
}

void TMainForm::WsteczClick()
{
    switch (currentPage()) {
    case SignalListIndex:
        if (state_.set().signals.empty()) {
            showPage(StartPageIndex);
        } else if (state_.hasUnsavedChanges() ? mayLeaveSet() : dialogs_.ask(this, rsq(65239))) {
            setFile_.clear();
            updateCaption();
            state_.clearSet();
            showPage(StartPageIndex);
        }
        break;
    case SaveSendIndex:
        showPage(SignalListIndex);
        break;
    case FarewellIndex:
        showPage(SaveSendIndex);
        break;
    default:
        break;
    }
}

void TMainForm::AnulujClick()
{
    switch (currentPage()) {
    case SignalEditorIndex:
        page2_->cancelEdit();
        showPage(SignalListIndex);
        break;
    case LibraryIndex:
        page3_->cancelEdit();
        showPage(SignalEditorIndex);
        break;
    default:
        close();
        break;
    }
}

void TMainForm::Strona0Show()
{
    page0_->showRecentSets(recentsets::existing());
    Wstecz->setEnabled(false);
    Dalej->setEnabled(true);
}

void TMainForm::Strona1Show()
{
    Wstecz->show();
    Wstecz->setEnabled(true);
    Dalej->setText(rsq(65240) + QStringLiteral(" >"));
    Dalej->setEnabled(!state_.set().signals.empty());
    page1_->enterPage();
}

void TMainForm::Strona2Show()
{
    Wstecz->hide();
    Dalej->setEnabled(true);
    Dalej->setText(rsq(65241));
    page2_->enterPage();
}

void TMainForm::Strona3Show()
{
    Wstecz->hide();
    Dalej->setText(rsq(65241));
    page3_->enterPage();
}

void TMainForm::Strona4Show()
{
    Anuluj->setText(rsq(65242));
    Anuluj->setDefault(false);
    Wstecz->show();
    Dalej->setEnabled(true);
    Dalej->setText(rsq(65240) + QStringLiteral(" >"));
    Dalej->setDefault(true);
    // A set with changes never saved starts on saving it, whatever was chosen last time.
    if (state_.hasUnsavedChanges())
        page4_->ZapisIPrzeslanieRB->setChecked(true);
}

void TMainForm::Strona5Show()
{
    Dalej->setEnabled(false);
    Dalej->setDefault(false);
    Anuluj->setText(rsq(65243));
    Anuluj->setDefault(true);
}

bool TMainForm::FormCloseQuery()
{
    // Work not saved is offered to be saved, unless the user chose on page 4 to close without it.
    const bool closeChosen = currentPage() == FarewellIndex && page4_->choice() == SaveSendPage::Choice::Close;
    if (state_.hasUnsavedChanges() && !closeChosen)
        return mayLeaveSet();
    if (currentPage() == FarewellIndex)
        return true;
    return dialogs_.ask(this, rsq(65237));
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (FormCloseQuery())
        event->accept();
    else
        event->ignore();
}

void TMainForm::mousePressEvent(QMouseEvent* event)
{
    // A press on the window's free area or its picture ends a rename of a sound, as does one on the
    // library page itself.
    if (currentPage() == LibraryIndex)
        page3_->abandonRename();
    QWidget::mousePressEvent(event);
}

void TMainForm::keyPressEvent(QKeyEvent* event)
{
    // Enter that no control took presses the focused button, as everywhere else on the desktop,
    // and otherwise the default button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        auto* focused = qobject_cast<QPushButton*>(QApplication::focusWidget());
        if (focused && isAncestorOf(focused) && focused->isVisible() && focused->isEnabled()) {
            focused->click();
            return;
        }
        for (QPushButton* b : {Dalej, Anuluj, Wstecz}) {
            if (b->isDefault() && b->isVisible() && b->isEnabled()) {
                b->click();
                return;
            }
        }
    }
    QWidget::keyPressEvent(event);
}

bool TMainForm::takesSetDrop(const QMimeData* data) const
{
    // Not during an edit of a signal or of the library, which has its own OK and Cancel, nor while
    // a sound is imported or renamed.
    const int page = currentPage();
    return page != SignalEditorIndex && page != LibraryIndex && Przyciski->isEnabled() && !soundImportRunning()
           && drops::classify(data).kind == drops::Kind::SetFile;
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void TMainForm::dragMoveEvent(QDragMoveEvent* event)
{
    drops::answer(event, takesSetDrop(event->mimeData()));
}

void TMainForm::dropEvent(QDropEvent* event)
{
    drops::take(event, takesSetDrop(event->mimeData()), this, [this](const QStringList& files) {
        openDroppedSet(files.value(0));
    });
}

void TMainForm::openDroppedSet(const QString& path)
{
    const int page = currentPage();
    if (page == SignalEditorIndex || page == LibraryIndex || !mayLeaveSet())
        return;
    // A file that cannot be read leaves the work as it was.
    if (openSetFile(path, true))
        showPage(SignalListIndex);
}
