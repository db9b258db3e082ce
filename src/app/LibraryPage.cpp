#include "LibraryPage.h"

#include "Dialogs.h"
#include "KonwersjaDlg.h"
#include "ListKit.h"
#include "MainForm.h"
#include "PageKit.h"
#include "Previews.h"
#include "SignalEditorPage.h"
#include "SignalListPage.h"
#include "SoundImport.h"
#include "audio/Export.h"
#include "i18n/ResourceStrings.h"

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
#include <array>

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

// Walks a signal from its last element to its first, renumbering sounds by `map` (old 0-based
// position to new one, -1 for a sound that is gone) and dropping elements of sounds that are gone.
void renumber(zelmar::Signal& signal, const std::array<int, zelmar::kMaxSounds>& map)
{
    for (size_t i = signal.size(); i-- > 0;) {
        const int s = signal[i].SoundNumber;
        if (s == 0)
            continue;
        if (s < 1 || s > zelmar::kMaxSounds || map[size_t(s - 1)] < 0)
            signal.erase(signal.begin() + std::ptrdiff_t(i));
        else
            signal[i].SoundNumber = map[size_t(s - 1)] + 1;
    }
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

bool uses(const zelmar::Signal& signal, int soundNumber)
{
    return std::any_of(signal.begin(), signal.end(),
                       [&](const zelmar::TDzwiek& e) { return e.SoundNumber == soundNumber; });
}

} // namespace

LibraryPage::LibraryPage(TMainForm& form, QWidget* parent) : QWidget(parent), form_(form)
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
    connect(&form_, &TMainForm::setReplaced, this, [this] {
        reloadRows();
        selectRow(form_.signalSet().library.empty() ? -1 : 0);
    });

    // A press on the window's free area or its picture ends a rename; presses on the page and on
    // the durations bar reach the window the same way, as nothing on their way takes them.
    form_.installEventFilter(this);
}

LibraryPage::~LibraryPage()
{
    form_.removeEventFilter(this);
}

int LibraryPage::selectedRow() const
{
    const int row = DostepneDzwiekiLB->currentRow();
    return row >= 0 && row < int(form_.signalSet().library.size()) ? row : -1;
}

void LibraryPage::reloadRows()
{
    const auto& library = form_.signalSet().library;
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
    const int gain = form_.signalSet().library[size_t(row)].sound.Gain;
    if (WzmocnienieE->value() != gain)
        WzmocnienieE->setValue(gain);
}

void LibraryPage::redrawDurations()
{
    const auto& library = form_.signalSet().library;
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
    zelmar::SignalSet& set = form_.signalSet();
    std::vector<zelmar::LibrarySound>& copy = form_.libraryCopy();
    copy.clear();
    const std::optional<zelmar::Signal>& kept = form_.keptCopy();
    for (size_t i = 0; i < set.library.size(); ++i) {
        const int number = int(i) + 1;
        const bool used = std::any_of(set.signals.begin(), set.signals.end(),
                                      [&](const zelmar::NamedSignal& s) { return uses(s.elements, number); })
                          || (set.backdoor && uses(*set.backdoor, number)) || (kept && uses(*kept, number));
        set.library[i].sound.UsageMark = used ? int(i) : -1;
    }
    for (const zelmar::LibrarySound& entry : set.library) {
        zelmar::LibrarySound c;
        c.name = entry.name;
        c.sound.SetSamples(entry.sound.Samples);
        c.sound.Gain = entry.sound.Gain;
        copy.push_back(std::move(c));
    }
    const int keep = DostepneDzwiekiLB->currentRow();
    reloadRows();
    selectRow(set.library.empty() ? -1 : std::clamp(keep, 0, int(set.library.size()) - 1));
    redrawDurations();
    form_.updateMemoryDisplay();
}

void LibraryPage::acceptEdit()
{
    endRename(false);
    zelmar::SignalSet& set = form_.signalSet();
    form_.libraryCopy().clear();
    form_.signalEditorPage()->rebuildSoundChoices();

    std::array<int, zelmar::kMaxSounds> map;
    map.fill(-1);
    for (size_t i = 0; i < set.library.size(); ++i) {
        const int mark = set.library[i].sound.UsageMark;
        if (mark >= 0 && mark < zelmar::kMaxSounds)
            map[size_t(mark)] = int(i);
    }
    for (zelmar::NamedSignal& s : set.signals)
        renumber(s.elements, map);
    if (set.backdoor)
        renumber(*set.backdoor, map);
    if (form_.keptCopy())
        renumber(*form_.keptCopy(), map);

    form_.signalEditorPage()->reloadElements();
    form_.updateMemoryDisplay();
    form_.signalListPage()->redrawDurations();
}

void LibraryPage::cancelEdit()
{
    endRename(false);
    zelmar::SignalSet& set = form_.signalSet();
    set.library = std::move(form_.libraryCopy());
    form_.libraryCopy().clear();
    reloadRows();
    form_.updateMemoryDisplay();
}

void LibraryPage::DodajDzwiekClick()
{
    if (renaming_)
        return;
    if (!importSoundFile(&form_, form_.dialogs(), form_.signalSet(), form_.lastSoundDirectory(),
                         form_.conversionDialog()))
        return;
    reloadRows();
    selectRow(DostepneDzwiekiLB->count() - 1);
    redrawDurations();
    form_.updateMemoryDisplay();
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
    const QString name = QString::fromStdString(form_.signalSet().library[size_t(row)].name);
    // Typing stops at 250 characters, but a longer name from a file is kept whole.
    ZmianaNazwyE->setMaxLength(std::max(250, int(name.size())));
    ZmianaNazwyE->setText(name);
    if (QWidget* buttons = form_.findChild<QWidget*>(QStringLiteral("Przyciski")))
        buttons->setEnabled(false);
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
    auto& library = form_.signalSet().library;
    const bool renamed = apply && renamedRow_ >= 0 && renamedRow_ < int(library.size());
    if (renamed)
        library[size_t(renamedRow_)].name = ZmianaNazwyE->text().toStdString();
    const bool hadFocus = ZmianaNazwyE->hasFocus();
    ZmianaNazwyE->hide();
    if (QWidget* buttons = form_.findChild<QWidget*>(QStringLiteral("Przyciski")))
        buttons->setEnabled(true);
    for (QWidget* w : std::initializer_list<QWidget*>{DodajDzwiek, ZmienNazweDzwieku, OdtworzDzwiek, UsunDzwiek,
                                                       DostepneDzwiekiLB})
        w->setEnabled(true);
    reloadRows();
    // A name's length is part of the tables.
    if (renamed)
        form_.updateMemoryDisplay();
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
    if (watched == &form_ && renaming_ && event->type() == QEvent::MouseButtonPress)
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
    auto& library = form_.signalSet().library;
    if (library[size_t(row)].sound.UsageMark != -1 && !form_.dialogs().ask(&form_, rsq(65222), rsq(65223)))
        return;
    library.erase(library.begin() + row);
    reloadRows();
    selectRow(std::min(row, DostepneDzwiekiLB->count() - 1));
    redrawDurations();
    form_.updateMemoryDisplay();
}

void LibraryPage::ZmienWzmocnienieDzwiekuClick()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    zelmar::TDostepnyDzwiek& sound = form_.signalSet().library[size_t(row)].sound;
    sound.Gain = sound.Gain < 30 ? 30 : sound.Gain < 60 ? 60 : 0;
    reloadRows();
}

void LibraryPage::WzmocnienieEChange(int value)
{
    const int row = selectedRow();
    if (row < 0)
        return;
    form_.signalSet().library[size_t(row)].sound.Gain = uint8_t(std::clamp(value, 0, 255));
    reloadRows();
}

void LibraryPage::OdtworzDzwiekClick()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    previews::playSound(form_, form_.signalSet().library[size_t(row)].sound, true);
}

void LibraryPage::DostepneDzwiekiLBDragDrop(int y)
{
    auto& library = form_.signalSet().library;
    const int selected = selectedRow();
    if (selected < 0)
        return;
    const int drop = std::min(y / listkit::kRowHeight + DostepneDzwiekiLB->topRow(), int(library.size()) - 1);
    if (drop == selected)
        return;
    if (drop < selected)
        std::rotate(library.begin() + drop, library.begin() + selected, library.begin() + selected + 1);
    else
        std::rotate(library.begin() + selected, library.begin() + selected + 1, library.begin() + drop + 1);
    reloadRows();
    selectRow(drop);
    redrawDurations();
}

void LibraryPage::EksportWAVClick()
{
    if (form_.signalSet().library.empty())
        return;
    try {
        zelmar::exportWavFiles(form_.signalSet());
    } catch (const std::exception& e) {
        form_.dialogs().notify(&form_, QString::fromStdString(e.what()));
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
