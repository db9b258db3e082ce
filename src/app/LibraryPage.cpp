#include "LibraryPage.h"

#include "Dialogs.h"
#include "KonwersjaDlg.h"
#include "ListKit.h"
#include "PageKit.h"
#include "Previews.h"
#include "SoundImport.h"
#include "WizardState.h"
#include "audio/Export.h"
#include "i18n/ResourceStrings.h"
#include "model/SignalEditing.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include <algorithm>

using namespace pagekit;

namespace {

QString rsq(int id)
{
    return QString::fromStdString(zelmar::rs(id));
}

QPushButton* addButton(QWidget* page, const char* name, const QString& text, int x, int y)
{
    auto* b = new QPushButton(text, page);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(x, y, 100, 25);
    return b;
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
    DzwiekiL->setBuddy(DostepneDzwiekiLB);

    CzasyTrwaniaDzwiekow = new listkit::DurationsView("CzasyTrwaniaDzwiekow", this);
    // Level with the list's rows, inside its frame.
    CzasyTrwaniaDzwiekow->setGeometry(268, 66 + DostepneDzwiekiLB->frameWidth(), 145, 296);

    DodajDzwiek = addButton(this, "DodajDzwiek", QStringLiteral("&Dodaj"), 428, 66);
    ZmienNazweDzwieku = addButton(this, "ZmienNazweDzwieku", QStringLiteral("Z&mień nazwę"), 428, 98);
    ZmienWzmocnienieDzwieku = addButton(this, "ZmienWzmocnienieDzwieku", QStringLiteral("W&zmocnienie"), 428, 130);
    WzmocnienieE = new GainSpinBox(this);
    WzmocnienieE->setObjectName(QStringLiteral("WzmocnienieE"));
    WzmocnienieE->setGeometry(428, 160, 52, 22);
    WzmocnienieE->setRange(0, 100);
    WzmocnienieE->setSingleStep(5);
    Label1 = addText(this, "Label1", QStringLiteral("x 0.1 dB"), 484, 163);
    OdtworzDzwiek = addButton(this, "OdtworzDzwiek", QStringLiteral("&Odtwórz"), 428, 194);
    UsunDzwiek = addButton(this, "UsunDzwiek", QStringLiteral("&Usuń"), 428, 226);

    ZajetoscPamieciS3GB = new QGroupBox(QStringLiteral("Zajętość pamięci"), this);
    ZajetoscPamieciS3GB->setObjectName(QStringLiteral("ZajetoscPamieciS3GB"));
    ZajetoscPamieciS3GB->setGeometry(16, 372, 250, 48);
    ZajetoscS3G = new QProgressBar(ZajetoscPamieciS3GB);
    ZajetoscS3G->setObjectName(QStringLiteral("ZajetoscS3G"));
    ZajetoscS3G->setGeometry(10, 20, 230, 18);
    ZajetoscS3G->setTextVisible(false);
    ZajetoscS3G->setRange(0, 100);
    QPalette p = ZajetoscS3G->palette();
    p.setColor(QPalette::Highlight, Qt::blue);
    ZajetoscS3G->setPalette(p);

    PozostalyCzasST = new QLabel(this);
    PozostalyCzasST->setObjectName(QStringLiteral("PozostalyCzasST"));
    PozostalyCzasST->setTextFormat(Qt::PlainText);
    PozostalyCzasST->setGeometry(280, 394, 250, 18);

    ZmianaNazwyE = new QLineEdit(this);
    ZmianaNazwyE->setObjectName(QStringLiteral("ZmianaNazwyE"));
    ZmianaNazwyE->setMaxLength(250);
    ZmianaNazwyE->hide();
    ZmianaNazwyE->installEventFilter(this);
    // Tab runs down the buttons with the gain field in its place; the rename edit sits just before
    // the gain, so Tab leaves a rename for it, the one field the rename leaves enabled.
    QWidget::setTabOrder(ZmienWzmocnienieDzwieku, ZmianaNazwyE);
    QWidget::setTabOrder(ZmianaNazwyE, WzmocnienieE);
    QWidget::setTabOrder(WzmocnienieE, OdtworzDzwiek);
    QWidget::setTabOrder(OdtworzDzwiek, UsunDzwiek);

    EksportWAV = addButton(this, "EksportWAV", QStringLiteral("Eksport WAV"), 428, 330);
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
    connect(DostepneDzwiekiLB, &listkit::DragList::rowDropped, this, &LibraryPage::DostepneDzwiekiLBDragDrop);
    connect(DostepneDzwiekiLB, &QListWidget::currentRowChanged, this, [this] { gainInStep(); });
    connect(DostepneDzwiekiLB, &listkit::DragList::topRowChanged, this, [this] {
        if (DostepneDzwiekiLB->topRow() != rememberedTop_)
            redrawDurations();
    });
    DostepneDzwiekiLB->keyHandler = [this](QKeyEvent* e) { return DostepneDzwiekiLBKeyDown(e); };

    // A whole new set starts on its first sound, whatever a visit to the last one selected.
    connect(&state_, &WizardState::setReplaced, this, [this] {
        reloadRows();
        selectRow(state_.set().library.empty() ? -1 : 0);
    });
    connect(&state_, &WizardState::memoryFiguresChanged, this, &LibraryPage::showMemory);
    showMemory();

    // A press on the window's free area or its picture ends a rename; presses on the page and on
    // the durations bar reach the window the same way, as nothing on their way takes them.
    window_ = window();
    if (window_ != this)
        window_->installEventFilter(this);
}

LibraryPage::~LibraryPage() = default;

void LibraryPage::showMemory()
{
    const zelmar::MemoryDisplay md = state_.memoryDisplay();
    pagekit::showGauge(ZajetoscS3G, md.gaugePercent);
    PozostalyCzasST->setText(QString::fromStdString(zelmar::rsf(65209, {md.remainingSeconds})));
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
                                             : QStringLiteral("[+") + QString::number(s.Gain / 10.0, 'f', 1)
                                                   + QStringLiteral("dB]");
            return QString::number(i + 1) + u' ' + mark + u' ' + QString::fromStdString(library[size_t(i)].name);
        },
        [&](int i) { return library[size_t(i)].sound.UsageMark != -1; },
        [&](int i) { return QString::fromStdString(library[size_t(i)].name); });
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
    state_.beginLibraryEdit();
    const int count = int(state_.set().library.size());
    const int keep = DostepneDzwiekiLB->currentRow();
    reloadRows();
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
    reloadRows();
}

void LibraryPage::DodajDzwiekClick()
{
    if (renaming_)
        return;
    if (!konwersjaDlg_
        || !importSoundFile(window(), dialogs_, state_.set(), state_.lastSoundDirectory(), *konwersjaDlg_))
        return;
    reloadRows();
    selectRow(DostepneDzwiekiLB->count() - 1);
    redrawDurations();
    state_.updateMemoryFigures();
}

void LibraryPage::ZmienNazweDzwiekuClick()
{
    const int row = selectedRow();
    if (row < 0 || renaming_)
        return;
    renaming_ = true;
    renamedRow_ = row;
    const QRect list = DostepneDzwiekiLB->geometry();
    ZmianaNazwyE->setGeometry(list.x(), list.y() - 1 + (row - DostepneDzwiekiLB->topRow()) * listkit::kRowHeight,
                              list.width(), 20);
    const QString name = QString::fromStdString(state_.set().library[size_t(row)].name);
    // Typing stops at 250 characters, but a longer name from a file is kept whole.
    ZmianaNazwyE->setMaxLength(std::max(250, int(name.size())));
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
    auto& library = state_.set().library;
    const bool renamed = apply && renamedRow_ >= 0 && renamedRow_ < int(library.size());
    if (renamed)
        library[size_t(renamedRow_)].name = ZmianaNazwyE->text().toStdString();
    const bool hadFocus = ZmianaNazwyE->hasFocus();
    ZmianaNazwyE->hide();
    Q_EMIT renamingChanged(false);
    for (QWidget* w : std::initializer_list<QWidget*>{DodajDzwiek, ZmienNazweDzwieku, OdtworzDzwiek, UsunDzwiek,
                                                       DostepneDzwiekiLB})
        w->setEnabled(true);
    reloadRows();
    // A name's length is part of the tables.
    if (renamed)
        state_.updateMemoryFigures();
    if (hadFocus)
        DostepneDzwiekiLB->setFocus(Qt::OtherFocusReason);
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
        return false;
    }
    if (watched == window_ && renaming_ && event->type() == QEvent::MouseButtonPress)
        endRename(false);
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
    auto& library = state_.set().library;
    if (library[size_t(row)].sound.UsageMark != -1 && !dialogs_.ask(window(), rsq(65222), rsq(65223)))
        return;
    library.erase(library.begin() + row);
    reloadRows();
    selectRow(std::min(row, DostepneDzwiekiLB->count() - 1));
    redrawDurations();
    state_.updateMemoryFigures();
}

void LibraryPage::ZmienWzmocnienieDzwiekuClick()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    zelmar::TDostepnyDzwiek& sound = state_.set().library[size_t(row)].sound;
    sound.Gain = sound.Gain < 30 ? 30 : sound.Gain < 60 ? 60 : 0;
    reloadRows();
}

void LibraryPage::WzmocnienieEChange(int value)
{
    const int row = selectedRow();
    if (row < 0)
        return;
    state_.set().library[size_t(row)].sound.Gain = uint8_t(std::clamp(value, 0, 255));
    reloadRows();
}

void LibraryPage::OdtworzDzwiekClick()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    previews::playSound(window(), dialogs_, state_.set().library[size_t(row)].sound, true);
}

void LibraryPage::DostepneDzwiekiLBDragDrop(int y)
{
    auto& library = state_.set().library;
    const int selected = selectedRow();
    if (selected < 0)
        return;
    const int drop = std::min(y / listkit::kRowHeight + DostepneDzwiekiLB->topRow(), int(library.size()) - 1);
    if (drop == selected)
        return;
    zelmar::moveEntry(library, size_t(selected), size_t(drop));
    reloadRows();
    selectRow(drop);
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

bool LibraryPage::DostepneDzwiekiLBKeyDown(QKeyEvent* event)
{
    const bool keypadPlus = event->key() == Qt::Key_Plus && (event->modifiers() & Qt::KeypadModifier);
    if (event->key() == Qt::Key_Insert || keypadPlus) {
        DodajDzwiekClick();
        return true;
    }
    if (event->key() == Qt::Key_Delete) {
        UsunDzwiekClick();
        return true;
    }
    return false;
}
