#include "LibraryPage.h"

#include "Dialogs.h"
#include "Drops.h"
#include "KonwersjaDlg.h"
#include "ListKit.h"
#include "MemoryGauge.h"
#include "PageKit.h"
#include "Previews.h"
#include "ResourceText.h"
#include "SoundImport.h"
#include "UiLocale.h"
#include "WizardState.h"
#include "audio/Export.h"
#include "model/SignalEditing.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>

using namespace pagekit;

namespace {

QPushButton* addButton(QWidget* page, const char* name, const QString& text, int y)
{
    return pagekit::addButton(page, name, text, QRect(428, y, 100, 25));
}

// Any whole number of up to three digits counts as typed, so that 150 means 10.0 dB (the range
// limits it) rather than stopping at 15 when the last digit would pass the maximum. An empty field
// is no number, which means no gain.
class GainSpinBox : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

protected:
    QValidator::State validate(QString& text, int&) const override
    {
        if (text.size() > 3 || !std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }))
            return QValidator::Invalid;
        return QValidator::Acceptable;
    }
    int valueFromText(const QString& text) const override
    {
        return text.toInt();
    }
};

} // namespace

LibraryPage::LibraryPage(WizardState& state, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), state_(state), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Strona3"));

    addHeading(this, "DostepneDzwiekiST", QStringLiteral("Dostępne dźwięki"), 16, 12);
    DzwiekiL = addText(this, "DzwiekiL", QStringLiteral("Dźwię&ki, które chcesz wykorzystać do komponowania sygnałów:"),
                       16, 48);
    DzwiekiL->setTextFormat(Qt::AutoText);

    DostepneDzwiekiLB = new listkit::DragList("DostepneDzwiekiLB", true, this);
    DostepneDzwiekiLB->setGeometry(16, 66, 250, 296);
    DostepneDzwiekiLB->setAccessibleName(QStringLiteral("Dostępne dźwięki"));
    DzwiekiL->setBuddy(DostepneDzwiekiLB);

    CzasyTrwaniaDzwiekow = new listkit::DurationsView("CzasyTrwaniaDzwiekow", this);
    // Level with the list's rows, inside its frame.
    CzasyTrwaniaDzwiekow->setGeometry(268, 66 + DostepneDzwiekiLB->frameWidth(), 145, 296);
    CzasyTrwaniaDzwiekow->setAccessibleName(QStringLiteral("Czasy trwania dźwięków"));

    DodajDzwiek = addButton(this, "DodajDzwiek", QStringLiteral("&Dodaj"), 66);
    ZmienNazweDzwieku = addButton(this, "ZmienNazweDzwieku", QStringLiteral("Z&mień nazwę"), 98);
    ZmienWzmocnienieDzwieku = addButton(this, "ZmienWzmocnienieDzwieku", QStringLiteral("W&zmocnienie"), 130);
    WzmocnienieE = new GainSpinBox(this);
    WzmocnienieE->setObjectName(QStringLiteral("WzmocnienieE"));
    WzmocnienieE->setGeometry(428, 160, 52, 22);
    WzmocnienieE->setRange(0, 100);
    WzmocnienieE->setSingleStep(5);
    WzmocnienieE->setAccessibleName(QStringLiteral("Wzmocnienie w dziesiątych częściach decybela"));
    Label1 = addText(this, "Label1", QStringLiteral("× 0,1 dB"), 484, 163);
    OdtworzDzwiek = addButton(this, "OdtworzDzwiek", QStringLiteral("&Odtwórz"), 194);
    UsunDzwiek = addButton(this, "UsunDzwiek", QStringLiteral("&Usuń"), 226);

    new MemoryGauge(state_, "ZajetoscPamieciS3GB", "ZajetoscS3G", QRect(16, 372, 250, 48), this);

    PozostalyCzasST = new QLabel(this);
    PozostalyCzasST->setObjectName(QStringLiteral("PozostalyCzasST"));
    PozostalyCzasST->setTextFormat(Qt::PlainText);
    PozostalyCzasST->setGeometry(280, 394, 250, 18);
    // Above the time left, the only whole line free on the page.
    JakDzwonekS3CB = previews::addAsChimeBox(this, "JakDzwonekS3CB", 280, 370);
    previews::followAsChime(JakDzwonekS3CB, state_);

    ZmianaNazwyE = new QLineEdit(this);
    ZmianaNazwyE->setObjectName(QStringLiteral("ZmianaNazwyE"));
    ZmianaNazwyE->setAccessibleName(QStringLiteral("Nowa nazwa dźwięku"));
    ZmianaNazwyE->setMaxLength(zelmar::kMaxTypedName);
    ZmianaNazwyE->hide();
    ZmianaNazwyE->installEventFilter(this);
    // Tab runs down the buttons with the gain field in its place; the rename edit sits just before
    // the gain, so Tab leaves a rename for it, the one field the rename leaves enabled.
    QWidget::setTabOrder(ZmienWzmocnienieDzwieku, ZmianaNazwyE);
    QWidget::setTabOrder(ZmianaNazwyE, WzmocnienieE);
    QWidget::setTabOrder(WzmocnienieE, OdtworzDzwiek);
    QWidget::setTabOrder(OdtworzDzwiek, UsunDzwiek);

    EksportWAV = addButton(this, "EksportWAV", QStringLiteral("Eksport WAV"), 330);
    EksportWAV->hide();
    EksportWAV->setEnabled(false);
    connect(EksportWAV, &QPushButton::clicked, this, &LibraryPage::EksportWAVClick);

    connect(DodajDzwiek, &QPushButton::clicked, this, &LibraryPage::DodajDzwiekClick);
    connect(ZmienNazweDzwieku, &QPushButton::clicked, this, &LibraryPage::ZmienNazweDzwiekuClick);
    connect(ZmienWzmocnienieDzwieku, &QPushButton::clicked, this, &LibraryPage::ZmienWzmocnienieDzwiekuClick);
    connect(WzmocnienieE, &QSpinBox::valueChanged, this, &LibraryPage::WzmocnienieEChange);
    connect(OdtworzDzwiek, &QPushButton::clicked, this, &LibraryPage::OdtworzDzwiekClick);
    connect(UsunDzwiek, &QPushButton::clicked, this, &LibraryPage::UsunDzwiekClick);
    connect(DostepneDzwiekiLB, &QListWidget::doubleClicked, this, &LibraryPage::DostepneDzwiekiLBDblClick);
    connect(DostepneDzwiekiLB, &listkit::DragList::rowMoved, this, &LibraryPage::DostepneDzwiekiLBDragDrop);
    connect(DostepneDzwiekiLB, &QListWidget::currentRowChanged, this, [this] { gainInStep(); });
    connect(DostepneDzwiekiLB, &listkit::DragList::topRowChanged, this, [this] {
        if (DostepneDzwiekiLB->topRow() != rememberedTop_)
            redrawDurations();
    });
    // Sound files dropped anywhere on the page are added as "Dodaj" adds them.
    setAcceptDrops(true);
    DostepneDzwiekiLB->insertKey = [this] { DodajDzwiekClick(); };
    DostepneDzwiekiLB->deleteKey = [this] { UsunDzwiekClick(); };

    // A whole new set starts on its first sound, whatever a visit to the last one selected.
    connect(&state_, &WizardState::setReplaced, this, [this] {
        reloadRows();
        selectRow(state_.set().library.empty() ? -1 : 0);
    });
    connect(&state_, &WizardState::soundsChanged, this, [this] {
        reloadRows();
        redrawDurations();
    });
    connect(&state_, &WizardState::memoryFiguresChanged, this, &LibraryPage::showRemainingTime);
    showRemainingTime();
}

LibraryPage::~LibraryPage() = default;

void LibraryPage::showRemainingTime()
{
    PozostalyCzasST->setText(rsfq(65209, {state_.memoryDisplay().remainingSeconds}));
}

int LibraryPage::selectedRow() const
{
    const int row = DostepneDzwiekiLB->currentRow();
    return row >= 0 && row < int(state_.set().library.size()) ? row : -1;
}

void LibraryPage::reloadRows()
{
    const auto& library = state_.set().library;
    listkit::syncRows(
        DostepneDzwiekiLB, int(library.size()),
        [&](int i) {
            const zelmar::TDostepnyDzwiek& s = library[size_t(i)].sound;
            const QString mark = s.Gain == 0 ? rsq(65207)
                                             : QStringLiteral("[+") + uilocale::decimal(s.Gain / 10.0, 1)
                                                   + QStringLiteral("dB]");
            return QString::number(i + 1) + u' ' + mark + u' ' + QString::fromStdString(library[size_t(i)].name);
        },
        [&](int i) { return library[size_t(i)].sound.UsageMark != -1; },
        [&](int i) { return QString::fromStdString(library[size_t(i)].name); });
    // The gain mark and the bold type of a sound in use, in words a screen reader speaks.
    for (int i = 0; i < int(library.size()); ++i) {
        const zelmar::TDostepnyDzwiek& s = library[size_t(i)].sound;
        QString spoken = QString::number(i + 1) + u' ' + QString::fromStdString(library[size_t(i)].name) + QStringLiteral(", ")
                         + (s.Gain == 0 ? rsq(65442) : rsfq(65443, {uilocale::decimal(s.Gain / 10.0, 1).toStdString()}));
        if (s.UsageMark != -1)
            spoken += QStringLiteral(", ") + rsq(65444);
        DostepneDzwiekiLB->item(i)->setData(Qt::AccessibleTextRole, spoken);
    }
    gainInStep();
}

void LibraryPage::selectRow(int row)
{
    listkit::selectRow(DostepneDzwiekiLB, row);
    gainInStep();
}

void LibraryPage::gainInStep()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const int gain = state_.set().library[size_t(row)].sound.Gain;
    if (WzmocnienieE->value() != gain)
        WzmocnienieE->setValue(gain);
}

void LibraryPage::redrawDurations()
{
    const auto& library = state_.set().library;
    const int top = DostepneDzwiekiLB->topRow();
    rememberedTop_ = top;
    std::vector<int64_t> lengths;
    if (!library.empty()) {
        const int last = std::min(top + DostepneDzwiekiLB->rowsInView(), int(library.size()) - 1);
        for (int r = top; r <= last; ++r)
            lengths.push_back(library[size_t(r)].sound.SampleCount);
    }
    CzasyTrwaniaDzwiekow->draw(lengths);
}

void LibraryPage::enterPage()
{
    const int keep = DostepneDzwiekiLB->currentRow();
    // The rows follow, with the sounds in use marked.
    state_.beginLibraryEdit();
    const int count = int(state_.set().library.size());
    selectRow(count == 0 ? -1 : std::clamp(keep, 0, count - 1));
    redrawDurations();
}

void LibraryPage::acceptEdit()
{
    endRename(false);
    state_.acceptLibraryEdit();
}

void LibraryPage::cancelEdit()
{
    endRename(false);
    state_.cancelLibraryEdit();
}

void LibraryPage::DodajDzwiekClick()
{
    if (renaming_)
        return;
    if (konwersjaDlg_ && importSoundFile(window(), dialogs_, state_, *konwersjaDlg_))
        selectRow(DostepneDzwiekiLB->count() - 1);
}

bool LibraryPage::takesDrop(const QMimeData* data) const
{
    return isVisible() && !renaming_ && konwersjaDlg_ && !soundImportRunning()
           && drops::classify(data).kind == drops::Kind::SoundFiles;
}

void LibraryPage::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void LibraryPage::dragMoveEvent(QDragMoveEvent* event)
{
    drops::answer(event, takesDrop(event->mimeData()));
}

void LibraryPage::dropEvent(QDropEvent* event)
{
    drops::take(event, takesDrop(event->mimeData()), this, [this](const QStringList& files) { importDropped(files); });
}

void LibraryPage::importDropped(const QStringList& files)
{
    if (!konwersjaDlg_ || renaming_ || !isVisible())
        return;
    bool added = false;
    for (const QString& file : files) {
        // A full library is told once, not once for every file left.
        const bool full = int(state_.set().library.size()) >= zelmar::kMaxSounds;
        added = importSoundFile(window(), dialogs_, state_, *konwersjaDlg_, file) || added;
        if (full)
            break;
    }
    if (added)
        selectRow(DostepneDzwiekiLB->count() - 1);
}

void LibraryPage::ZmienNazweDzwiekuClick()
{
    const int row = selectedRow();
    if (row < 0 || renaming_)
        return;
    renaming_ = true;
    renamedRow_ = row;
    const QRect list = DostepneDzwiekiLB->geometry();
    ZmianaNazwyE->setGeometry(list.x(), list.y() - 1 + (row - DostepneDzwiekiLB->topRow()) * listkit::rowHeight(),
                              list.width(), pagekit::scaled(20));
    const QString name = QString::fromStdString(state_.set().library[size_t(row)].name);
    // Typing stops at the typed-name length, but a longer name from a file is kept whole.
    ZmianaNazwyE->setMaxLength(std::max(zelmar::kMaxTypedName, int(name.size())));
    ZmianaNazwyE->setText(name);
    Q_EMIT renamingChanged(true);
    for (QWidget* w : std::initializer_list<QWidget*>{DodajDzwiek, ZmienNazweDzwieku, OdtworzDzwiek, UsunDzwiek,
                                                       DostepneDzwiekiLB})
        w->setEnabled(false);
    ZmianaNazwyE->show();
    ZmianaNazwyE->raise();
    ZmianaNazwyE->selectAll();
    ZmianaNazwyE->setFocus(Qt::OtherFocusReason);
}

void LibraryPage::DostepneDzwiekiLBDblClick()
{
    ZmienNazweDzwiekuClick();
}

void LibraryPage::endRename(bool apply)
{
    if (!renaming_)
        return;
    renaming_ = false;
    const bool hadFocus = ZmianaNazwyE->hasFocus();
    ZmianaNazwyE->hide();
    Q_EMIT renamingChanged(false);
    for (QWidget* w : std::initializer_list<QWidget*>{DodajDzwiek, ZmienNazweDzwieku, OdtworzDzwiek, UsunDzwiek,
                                                       DostepneDzwiekiLB})
        w->setEnabled(true);
    if (hadFocus)
        DostepneDzwiekiLB->setFocus(Qt::OtherFocusReason);
    if (!apply)
        return;
    try {
        state_.renameSound(renamedRow_, ZmianaNazwyE->text());
    } catch (const zelmar::LimitError& e) {
        dialogs_.notify(window(), rsq(e.resourceId));
    }
}

void LibraryPage::abandonRename()
{
    endRename(false);
}

bool LibraryPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ZmianaNazwyE) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                endRename(true);
                return true;
            }
            if (key->key() == Qt::Key_Escape) {
                endRename(false);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            // Switching to another application, or the edit's own context menu, is no end of
            // the rename.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                endRename(false);
        }
    }
    return false;
}

void LibraryPage::mousePressEvent(QMouseEvent* event)
{
    endRename(false);
    QWidget::mousePressEvent(event);
}

void LibraryPage::UsunDzwiekClick()
{
    const int row = selectedRow();
    if (row < 0 || renaming_)
        return;
    if (state_.set().library[size_t(row)].sound.UsageMark != -1 && !dialogs_.ask(window(), rsq(65222), rsq(65223)))
        return;
    state_.deleteSound(row);
    selectRow(std::min(row, DostepneDzwiekiLB->count() - 1));
}

void LibraryPage::ZmienWzmocnienieDzwiekuClick()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    // The button steps through 3.0 dB, 6.0 dB and no gain.
    const int gain = state_.set().library[size_t(row)].sound.Gain;
    state_.setSoundGain(row, gain < 30 ? 30 : gain < 60 ? 60 : 0);
}

void LibraryPage::WzmocnienieEChange(int value)
{
    const int row = selectedRow();
    if (row < 0)
        return;
    state_.setSoundGain(row, value);
}

void LibraryPage::OdtworzDzwiekClick()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    previews::playSound(window(), dialogs_, state_.set().library[size_t(row)].sound, true, state_.previewAsChime());
}

void LibraryPage::DostepneDzwiekiLBDragDrop(int from, int to)
{
    state_.moveSound(from, to);
    selectRow(to);
    redrawDurations();
}

void LibraryPage::EksportWAVClick()
{
    if (state_.set().library.empty())
        return;
    try {
        zelmar::exportWavFiles(state_.set());
    } catch (const std::exception& e) {
        dialogs_.notify(window(), QString::fromStdString(e.what()));
    }
}
