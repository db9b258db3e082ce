#include "SignalEditorPage.h"

#include "Dialogs.h"
#include "FragmentDlg.h"
#include "ListKit.h"
#include "MemoryGauge.h"
#include "PageKit.h"
#include "Previews.h"
#include "ResourceText.h"
#include "UiLocale.h"
#include "WizardState.h"
#include "model/SignalEditing.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>

#include <algorithm>

using namespace pagekit;

namespace {

QLabel* addLabel(QWidget* parent, const QString& text, int x, int y)
{
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    l->move(x, y);
    l->adjustSize();
    return l;
}

// A group with a horizontal bar and its scale labels under it.
QSlider* addBarGroup(QWidget* page, QGroupBox*& group, const char* groupName, const QString& caption,
                     const char* barName, const QRect& place)
{
    group = new QGroupBox(caption, page);
    group->setObjectName(QString::fromLatin1(groupName));
    group->setGeometry(place);
    auto* bar = new QSlider(Qt::Horizontal, group);
    bar->setObjectName(QString::fromLatin1(barName));
    bar->setGeometry(8, 20, place.width() - 16, 22);
    bar->setTickPosition(QSlider::TicksBelow);
    group->hide();
    return bar;
}

} // namespace

SignalEditorPage::SignalEditorPage(WizardState& state, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), state_(state), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Strona2"));

    addHeading(this, "TwojSygnalST", QStringLiteral("Twój sygnał"), 16, 12);
    OdtworzS2 = addButton(this, "OdtworzS2", QStringLiteral("Odtwórz"), QRect(430, 14, 100, 25));
    JakDzwonekS2CB = previews::addAsChimeBox(this, "JakDzwonekS2CB", 335, 52);
    previews::followAsChime(JakDzwonekS2CB, state_);

    QLabel* nameLabel = addText(this, "NazwaSygnaluL", QStringLiteral("&Nazwa:"), 16, 54);
    nameLabel->setTextFormat(Qt::AutoText);
    nameLabel->adjustSize();
    NazwaSygnaluE = new QLineEdit(this);
    NazwaSygnaluE->setObjectName(QStringLiteral("NazwaSygnaluE"));
    NazwaSygnaluE->setGeometry(70, 50, 250, 22);
    NazwaSygnaluE->setMaxLength(zelmar::kMaxTypedName);
    nameLabel->setBuddy(NazwaSygnaluE);

    QLabel* listLabel = addText(this, "SygnalL", QStringLiteral("&Wybrane dźwięki:"), 16, 84);
    listLabel->setTextFormat(Qt::AutoText);
    listLabel->adjustSize();
    SygnalLB = new listkit::DragList("SygnalLB", true, this);
    SygnalLB->setGeometry(16, 102, 220, 196);
    SygnalLB->keepLastRowAsPlace();
    SygnalLB->setAccessibleName(QStringLiteral("Wybrane dźwięki"));
    listLabel->setBuddy(SygnalLB);

    QLabel* choiceLabel = addText(this, "DostepneDzwiekiL", QStringLiteral("&Dostępne dźwięki:"), 310, 84);
    choiceLabel->setTextFormat(Qt::AutoText);
    choiceLabel->adjustSize();
    DzwiekiLB = new listkit::DragList("DzwiekiLB", false, this);
    DzwiekiLB->setGeometry(310, 102, 220, 196);
    DzwiekiLB->setAccessibleName(QStringLiteral("Dostępne dźwięki"));
    choiceLabel->setBuddy(DzwiekiLB);

    DoSygnalu = addButton(this, "DoSygnalu", QStringLiteral("<<"), QRect(248, 166, 50, 25));
    ZSygnalu = addButton(this, "ZSygnalu", QStringLiteral(">>"), QRect(248, 200, 50, 25));
    DoSygnalu->setAccessibleName(QStringLiteral("Dodaj do sygnału"));
    ZSygnalu->setAccessibleName(QStringLiteral("Usuń z sygnału"));

    GlosnoscTB = addBarGroup(this, GlosnoscGB, "GlosnoscGB", QStringLiteral("&Głośność"), "GlosnoscTB",
                             QRect(16, 306, 220, 66));
    GlosnoscTB->setRange(1, 16);
    GlosnoscTB->setAccessibleName(QStringLiteral("Poziom głośności"));
    GlosnoscTB->setSingleStep(1);
    GlosnoscTB->setPageStep(1);
    GlosnoscTB->setTickInterval(1);
    addLabel(GlosnoscGB, QStringLiteral("min"), 8, 44)->setObjectName(QStringLiteral("GlosnoscMinL"));
    QLabel* maxLabel = addLabel(GlosnoscGB, QStringLiteral("max"), 0, 44);
    maxLabel->setObjectName(QStringLiteral("GlosnoscMaxL"));
    maxLabel->move(GlosnoscGB->width() - 8 - maxLabel->width(), 44);

    CzasPauzyTB = addBarGroup(this, CzasPauzyGB, "CzasPauzyGB", QStringLiteral("&Czas trwania pauzy"), "CzasPauzyTB",
                              QRect(16, 306, 220, 66));
    CzasPauzyTB->setRange(0, zelmar::kMaxPauseLength);
    CzasPauzyTB->setAccessibleName(QStringLiteral("Czas trwania pauzy"));
    CzasPauzyTB->setSingleStep(10);
    CzasPauzyTB->setPageStep(100);
    CzasPauzyTB->setTickInterval(10);
    // The second marks sit where the bar's handle stands at 0, 100 and 200 hundredths.
    for (int s = 0; s <= 2; ++s) {
        QLabel* l = addLabel(CzasPauzyGB, QString::number(s) + QStringLiteral(" s"), 0, 44);
        l->setObjectName(QStringLiteral("CzasPauzy%1L").arg(s));
        const int handle = 10;
        const int x = 8 + handle / 2 + (CzasPauzyTB->width() - handle) * s * 100 / zelmar::kMaxPauseLength - l->width() / 2;
        l->move(std::max(4, x), 44);
    }
    GlosnoscGB->setTitle(QStringLiteral("&Głośność"));

    Zaawansowane = addButton(this, "Zaawansowane", QStringLiteral("Z&aawansowane"), QRect(16, 380, 120, 25));
    Zaawansowane->hide();

    new MemoryGauge(state_, "ZajetoscPamieciS2GB", "ZajetoscS2G", QRect(310, 306, 220, 48), this);

    ZmienDzwieki = addButton(this, "ZmienDzwieki", QStringLiteral("&Zmiana dostępnych dźwięków"),
                             QRect(310, 362, 220, 25));

    // Tab goes as the page reads: the name and the play button on the top right, then left to
    // right the element list, the two buttons between the lists and the choice list.
    QWidget::setTabOrder(NazwaSygnaluE, OdtworzS2);
    QWidget::setTabOrder(OdtworzS2, JakDzwonekS2CB);
    QWidget::setTabOrder(JakDzwonekS2CB, SygnalLB);
    QWidget::setTabOrder(SygnalLB, DoSygnalu);
    QWidget::setTabOrder(DoSygnalu, ZSygnalu);
    QWidget::setTabOrder(ZSygnalu, DzwiekiLB);

    connect(DoSygnalu, &QPushButton::clicked, this, &SignalEditorPage::DoSygnaluClick);
    connect(ZSygnalu, &QPushButton::clicked, this, &SignalEditorPage::ZSygnaluClick);
    connect(Zaawansowane, &QPushButton::clicked, this, &SignalEditorPage::ZaawansowaneClick);
    connect(ZmienDzwieki, &QPushButton::clicked, this, &SignalEditorPage::ZmienDzwiekiClick);
    connect(OdtworzS2, &QPushButton::clicked, this, &SignalEditorPage::OdtworzS2Click);
    connect(GlosnoscTB, &QSlider::valueChanged, this, &SignalEditorPage::GlosnoscTBChange);
    // The bars' positions as a screen reader should say them: a level of 16, a time in seconds.
    const auto describeBars = [this] {
        GlosnoscTB->setAccessibleDescription(rsfq(65375, {(long long)GlosnoscTB->value()}));
        CzasPauzyTB->setAccessibleDescription(uilocale::decimal(CzasPauzyTB->value() / 100.0, 2) + QStringLiteral(" s"));
    };
    connect(GlosnoscTB, &QSlider::valueChanged, this, describeBars);
    connect(CzasPauzyTB, &QSlider::valueChanged, this, describeBars);
    describeBars();
    connect(CzasPauzyTB, &QSlider::valueChanged, this, &SignalEditorPage::CzasPauzyTBChange);
    connect(SygnalLB, &listkit::DragList::rowMoved, this, &SignalEditorPage::SygnalLBDragDrop);
    connect(SygnalLB, &QListWidget::currentRowChanged, this, [this] { selectedRowShown(); });
    connect(SygnalLB, &QListWidget::doubleClicked, this, &SignalEditorPage::SygnalLBDblClick);
    connect(DzwiekiLB, &QListWidget::doubleClicked, this, &SignalEditorPage::DzwiekiLBDblClick);
    // Enter in the list of available sounds adds the chosen one to the signal, as "<<" does; the
    // window's default button never sees it, so it cannot end the edit.
    for (const QKeySequence key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* add = new QShortcut(key, DzwiekiLB, nullptr, nullptr, Qt::WidgetShortcut);
        connect(add, &QShortcut::activated, this, &SignalEditorPage::DoSygnaluClick);
    }
    SygnalLB->deleteKey = [this] { ZSygnaluClick(); };

    // A whole new set: the choice list follows its library (emptied with it), no element is shown.
    connect(&state_, &WizardState::setReplaced, this, [this] {
        if (state_.set().library.empty())
            DzwiekiLB->clear();
        else
            rebuildSoundChoices();
        reloadElements();
        select(0);
    });
    connect(&state_, &WizardState::libraryChanged, this, &SignalEditorPage::rebuildSoundChoices);
    connect(&state_, &WizardState::editedElementsChanged, this, &SignalEditorPage::reloadElements);
    reloadElements();
}

SignalEditorPage::~SignalEditorPage() = default;

void SignalEditorPage::rebuildSoundChoices()
{
    const auto& library = state_.set().library;
    DzwiekiLB->clear();
    DzwiekiLB->addItem(QStringLiteral("0 <") + rsq(65238) + u'>');
    for (size_t k = 0; k < library.size(); ++k)
        DzwiekiLB->addItem(QString::number(k + 1) + u' ' + QString::fromStdString(library[k].name));
    DzwiekiLB->setCurrentRow(0);
}

QString SignalEditorPage::elementText(int row) const
{
    const zelmar::Signal* s = state_.editedSignal();
    if (!s || row >= int(s->size()))
        return {};
    const zelmar::TDzwiek& e = (*s)[size_t(row)];
    const QString number = QString::number(row + 1) + u' ';
    if (e.isPause())
        return number + u'<' + rsq(65238) + QStringLiteral("> ") + uilocale::decimal(e.PauseLength / 100.0, 2)
               + QStringLiteral(" s");
    const auto& library = state_.set().library;
    if (e.SoundNumber < 1 || e.SoundNumber > int(library.size()))
        return number;
    return number + QString::fromStdString(library[size_t(e.SoundNumber - 1)].name);
}

void SignalEditorPage::reloadElements()
{
    const zelmar::Signal* s = state_.editedSignal();
    listkit::syncRows(SygnalLB, (s ? int(s->size()) : 0) + 1, [this](int row) { return elementText(row); });
    // The place after the last element is empty on screen; a screen reader says what it stands for.
    SygnalLB->item(SygnalLB->count() - 1)->setData(Qt::AccessibleTextRole, rsq(65373));
}

void SignalEditorPage::select(int row)
{
    listkit::selectRow(SygnalLB, row);
    selectedRowShown();
}

const zelmar::TDzwiek* SignalEditorPage::selectedElement() const
{
    const zelmar::Signal* s = state_.editedSignal();
    const int row = SygnalLB->currentRow();
    if (!s || row < 0 || row >= int(s->size()))
        return nullptr;
    return &(*s)[size_t(row)];
}

void SignalEditorPage::selectedRowShown()
{
    const zelmar::TDzwiek* e = selectedElement();
    if (!e) {
        CzasPauzyGB->hide();
        GlosnoscGB->hide();
        Zaawansowane->hide();
        return;
    }
    if (!e->isPause()) {
        const int level = zelmar::volumeLevel(e->Volume);
        if (GlosnoscTB->value() != level)
            GlosnoscTB->setValue(level);
        GlosnoscGB->show();
        Zaawansowane->show();
        CzasPauzyGB->hide();
    } else {
        if (CzasPauzyTB->value() != e->PauseLength)
            CzasPauzyTB->setValue(e->PauseLength);
        setPauseCaption(CzasPauzyTB->value());
        CzasPauzyGB->show();
        GlosnoscGB->hide();
        Zaawansowane->hide();
    }
}

void SignalEditorPage::enterPage()
{
    const bool back = backFromLibrary_;
    backFromLibrary_ = false;
    // A name typed before a visit to the library is kept; it becomes the name only on "OK".
    if (!back) {
        if (state_.backdoorEdit()) {
            NazwaSygnaluE->setText(rsq(65208));
            NazwaSygnaluE->setEnabled(false);
        } else {
            const auto& signals = state_.set().signals;
            const int row = state_.signalUnderEdit();
            const QString name = row >= 0 && row < int(signals.size())
                                     ? QString::fromStdString(signals[size_t(row)].name)
                                     : QString();
            // Typing stops at the typed-name length, but a longer name from a file is kept whole.
            NazwaSygnaluE->setMaxLength(std::max(zelmar::kMaxTypedName, int(name.size())));
            NazwaSygnaluE->setText(name);
            NazwaSygnaluE->setEnabled(true);
        }
    }
    Zaawansowane->hide();
    GlosnoscGB->hide();
    CzasPauzyGB->hide();
    const int keep = SygnalLB->currentRow();
    reloadElements();
    // A fresh edit starts at the place after the last element, so "<<" appends.
    select(back && keep >= 0 ? std::min(keep, SygnalLB->count() - 1) : SygnalLB->count() - 1);
}

void SignalEditorPage::acceptEdit()
{
    backFromLibrary_ = false;
    state_.acceptSignalEdit(NazwaSygnaluE->text());
}

void SignalEditorPage::cancelEdit()
{
    backFromLibrary_ = false;
    state_.cancelSignalEdit();
}

void SignalEditorPage::DoSygnaluClick()
{
    const int choice = DzwiekiLB->currentRow();
    if (choice < 0)
        return;
    // The new element goes before the selected row; with none selected, at the end.
    const int at = SygnalLB->currentRow();
    try {
        if (!state_.insertElement(at, choice))
            return;
    } catch (const zelmar::LimitError& e) {
        dialogs_.notify(window(), rsq(e.resourceId));
        return;
    }
    select(at < 0 ? SygnalLB->count() - 1 : at + 1);
}

void SignalEditorPage::ZSygnaluClick()
{
    const int row = SygnalLB->currentRow();
    if (!selectedElement())
        return;
    state_.removeElement(row);
    // The same place stays selected, or the element before when the last one went.
    const int elements = SygnalLB->count() - 1;
    select(row == elements ? std::max(0, row - 1) : row);
}

void SignalEditorPage::SygnalLBDragDrop(int from, int to)
{
    state_.moveElement(from, to);
    select(to);
}

void SignalEditorPage::GlosnoscTBChange(int position)
{
    if (const zelmar::TDzwiek* e = selectedElement(); e && !e->isPause()) {
        zelmar::TDzwiek changed = *e;
        changed.SetVolume(zelmar::storedVolume(position));
        state_.changeElement(SygnalLB->currentRow(), changed);
    }
}

void SignalEditorPage::setPauseCaption(int position)
{
    CzasPauzyGB->setTitle(rsfq(65216, {uilocale::decimal(position / 100.0, 2).toStdString()}));
}

void SignalEditorPage::CzasPauzyTBChange(int position)
{
    setPauseCaption(position);
    if (const zelmar::TDzwiek* e = selectedElement(); e && e->isPause()) {
        zelmar::TDzwiek changed = *e;
        changed.SetPauseLength(position);
        state_.changeElement(SygnalLB->currentRow(), changed);
    }
}

void SignalEditorPage::ZaawansowaneClick()
{
    const zelmar::TDzwiek* e = selectedElement();
    if (!e || e->isPause())
        return;
    const zelmar::TDostepnyDzwiek* sound = state_.set().soundAt(e->SoundNumber);
    if (!sound || !fragmentDlg_)
        return;
    // The dialog works on a copy; the element takes the fragment only when the dialog ends with OK.
    zelmar::TDzwiek edited = *e;
    if (fragmentDlg_->editFragment(edited, *sound))
        state_.changeElement(SygnalLB->currentRow(), edited);
}

void SignalEditorPage::ZmienDzwiekiClick()
{
    backFromLibrary_ = true;
    Q_EMIT libraryRequested();
}

void SignalEditorPage::SygnalLBDblClick()
{
    if (const zelmar::TDzwiek* e = selectedElement(); e && !e->isPause())
        previews::playElement(window(), dialogs_, state_.set(), *e, state_.previewAsChime());
}

void SignalEditorPage::DzwiekiLBDblClick()
{
    const int row = DzwiekiLB->currentRow();
    if (row <= 0)
        return;
    if (const zelmar::TDostepnyDzwiek* sound = state_.set().soundAt(row))
        previews::playSound(window(), dialogs_, *sound, false, state_.previewAsChime());
}

void SignalEditorPage::OdtworzS2Click()
{
    if (const zelmar::Signal* s = state_.editedSignal())
        previews::playSignal(window(), dialogs_, state_.set(), *s, state_.previewAsChime());
}
