#include "SignalEditorPage.h"

#include "Dialogs.h"
#include "FragmentDlg.h"
#include "ListKit.h"
#include "MainForm.h"
#include "PageKit.h"
#include "Previews.h"
#include "SignalListPage.h"
#include "i18n/ResourceStrings.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

#include <algorithm>

using namespace pagekit;

namespace {

QString rsq(int id)
{
    return QString::fromStdString(zelmar::rs(id));
}

QPushButton* addButton(QWidget* parent, const char* name, const QString& text, const QRect& place)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(place);
    return b;
}

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

SignalEditorPage::SignalEditorPage(TMainForm& form, QWidget* parent) : QWidget(parent), form_(form)
{
    setObjectName(QStringLiteral("Strona2"));

    addHeading(this, "TwojSygnalST", QStringLiteral("Twój sygnał"), 16, 12);
    OdtworzS2 = addButton(this, "OdtworzS2", QStringLiteral("Odtwórz"), QRect(430, 14, 100, 25));

    QLabel* nameLabel = addText(this, "NazwaSygnaluL", QStringLiteral("&Nazwa:"), 16, 54);
    nameLabel->setTextFormat(Qt::AutoText);
    nameLabel->adjustSize();
    NazwaSygnaluE = new QLineEdit(this);
    NazwaSygnaluE->setObjectName(QStringLiteral("NazwaSygnaluE"));
    NazwaSygnaluE->setGeometry(70, 50, 250, 22);
    NazwaSygnaluE->setMaxLength(250);
    nameLabel->setBuddy(NazwaSygnaluE);

    QLabel* listLabel = addText(this, "SygnalL", QStringLiteral("&Wybrane dźwięki:"), 16, 84);
    listLabel->setTextFormat(Qt::AutoText);
    listLabel->adjustSize();
    SygnalLB = new listkit::DragList("SygnalLB", true, this);
    SygnalLB->setGeometry(16, 102, 220, 196);
    listLabel->setBuddy(SygnalLB);

    QLabel* choiceLabel = addText(this, "DostepneDzwiekiL", QStringLiteral("&Dostępne dźwięki:"), 310, 84);
    choiceLabel->setTextFormat(Qt::AutoText);
    choiceLabel->adjustSize();
    DzwiekiLB = new listkit::DragList("DzwiekiLB", false, this);
    DzwiekiLB->setGeometry(310, 102, 220, 196);
    choiceLabel->setBuddy(DzwiekiLB);

    DoSygnalu = addButton(this, "DoSygnalu", QStringLiteral("<<"), QRect(248, 166, 50, 25));
    ZSygnalu = addButton(this, "ZSygnalu", QStringLiteral(">>"), QRect(248, 200, 50, 25));

    GlosnoscTB = addBarGroup(this, GlosnoscGB, "GlosnoscGB", QStringLiteral("&Głośność"), "GlosnoscTB",
                             QRect(16, 306, 220, 66));
    GlosnoscTB->setRange(1, 16);
    GlosnoscTB->setSingleStep(1);
    GlosnoscTB->setPageStep(1);
    GlosnoscTB->setTickInterval(1);
    addLabel(GlosnoscGB, QStringLiteral("min"), 8, 44)->setObjectName(QStringLiteral("GlosnoscMinL"));
    QLabel* maxLabel = addLabel(GlosnoscGB, QStringLiteral("max"), 0, 44);
    maxLabel->setObjectName(QStringLiteral("GlosnoscMaxL"));
    maxLabel->move(GlosnoscGB->width() - 8 - maxLabel->width(), 44);

    CzasPauzyTB = addBarGroup(this, CzasPauzyGB, "CzasPauzyGB", QStringLiteral("&Czas trwania pauzy"), "CzasPauzyTB",
                              QRect(16, 306, 220, 66));
    CzasPauzyTB->setRange(0, 255);
    CzasPauzyTB->setSingleStep(10);
    CzasPauzyTB->setPageStep(100);
    CzasPauzyTB->setTickInterval(10);
    // The second marks sit where the bar's handle stands at 0, 100 and 200 hundredths.
    for (int s = 0; s <= 2; ++s) {
        QLabel* l = addLabel(CzasPauzyGB, QString::number(s) + QStringLiteral(" s"), 0, 44);
        l->setObjectName(QStringLiteral("CzasPauzy%1L").arg(s));
        const int handle = 10;
        const int x = 8 + handle / 2 + (CzasPauzyTB->width() - handle) * s * 100 / 255 - l->width() / 2;
        l->move(std::max(4, x), 44);
    }
    GlosnoscGB->setTitle(QStringLiteral("&Głośność"));

    Zaawansowane = addButton(this, "Zaawansowane", QStringLiteral("Z&aawansowane"), QRect(16, 380, 120, 25));
    Zaawansowane->hide();

    ZajetoscPamieciS2GB = new QGroupBox(QStringLiteral("Zajętość pamięci"), this);
    ZajetoscPamieciS2GB->setObjectName(QStringLiteral("ZajetoscPamieciS2GB"));
    ZajetoscPamieciS2GB->setGeometry(310, 306, 220, 48);
    ZajetoscS2G = new QProgressBar(ZajetoscPamieciS2GB);
    ZajetoscS2G->setObjectName(QStringLiteral("ZajetoscS2G"));
    ZajetoscS2G->setGeometry(10, 20, 200, 18);
    ZajetoscS2G->setTextVisible(false);
    QPalette p = ZajetoscS2G->palette();
    p.setColor(QPalette::Highlight, Qt::blue);
    ZajetoscS2G->setPalette(p);

    ZmienDzwieki = addButton(this, "ZmienDzwieki", QStringLiteral("&Zmiana dostępnych dźwięków"),
                             QRect(310, 362, 220, 25));

    // Tab goes as the page reads: the name and the play button on the top right, then left to
    // right the element list, the two buttons between the lists and the choice list.
    QWidget::setTabOrder(NazwaSygnaluE, OdtworzS2);
    QWidget::setTabOrder(OdtworzS2, SygnalLB);
    QWidget::setTabOrder(SygnalLB, DoSygnalu);
    QWidget::setTabOrder(DoSygnalu, ZSygnalu);
    QWidget::setTabOrder(ZSygnalu, DzwiekiLB);

    connect(DoSygnalu, &QPushButton::clicked, this, &SignalEditorPage::DoSygnaluClick);
    connect(ZSygnalu, &QPushButton::clicked, this, &SignalEditorPage::ZSygnaluClick);
    connect(Zaawansowane, &QPushButton::clicked, this, &SignalEditorPage::ZaawansowaneClick);
    connect(ZmienDzwieki, &QPushButton::clicked, this, &SignalEditorPage::ZmienDzwiekiClick);
    connect(OdtworzS2, &QPushButton::clicked, this, &SignalEditorPage::OdtworzS2Click);
    connect(GlosnoscTB, &QSlider::valueChanged, this, &SignalEditorPage::GlosnoscTBChange);
    connect(CzasPauzyTB, &QSlider::valueChanged, this, &SignalEditorPage::CzasPauzyTBChange);
    connect(SygnalLB, &listkit::DragList::rowDropped, this, &SignalEditorPage::SygnalLBDragDrop);
    connect(SygnalLB, &QListWidget::currentRowChanged, this, [this] { selectedRowShown(); });
    connect(SygnalLB, &QListWidget::doubleClicked, this, &SignalEditorPage::SygnalLBDblClick);
    connect(DzwiekiLB, &QListWidget::doubleClicked, this, &SignalEditorPage::DzwiekiLBDblClick);
    SygnalLB->keyHandler = [this](QKeyEvent* e) { return SygnalLBKeyDown(e); };

    // A whole new set: the choice list follows its library (emptied with it), no element is shown.
    connect(&form_, &TMainForm::setReplaced, this, [this] {
        if (form_.signalSet().library.empty())
            DzwiekiLB->clear();
        else
            rebuildSoundChoices();
        reloadElements();
        select(0);
    });
    reloadElements();
}

SignalEditorPage::~SignalEditorPage() = default;

void SignalEditorPage::rebuildSoundChoices()
{
    const auto& library = form_.signalSet().library;
    DzwiekiLB->clear();
    DzwiekiLB->addItem(QStringLiteral("0 <") + rsq(65238) + u'>');
    for (size_t k = 0; k < library.size(); ++k)
        DzwiekiLB->addItem(QString::number(k + 1) + u' ' + QString::fromStdString(library[k].name));
    DzwiekiLB->setCurrentRow(0);
}

QString SignalEditorPage::elementText(int row) const
{
    const zelmar::Signal* s = form_.editedSignal();
    if (!s || row >= int(s->size()))
        return {};
    const zelmar::TDzwiek& e = (*s)[size_t(row)];
    const QString number = QString::number(row + 1) + u' ';
    if (e.isPause())
        return number + u'<' + rsq(65238) + QStringLiteral("> ") + QString::number(e.PauseLength / 100.0, 'f', 2)
               + QStringLiteral(" s");
    const auto& library = form_.signalSet().library;
    if (e.SoundNumber < 1 || e.SoundNumber > int(library.size()))
        return number;
    return number + QString::fromStdString(library[size_t(e.SoundNumber - 1)].name);
}

void SignalEditorPage::reloadElements()
{
    const zelmar::Signal* s = form_.editedSignal();
    listkit::syncRows(SygnalLB, (s ? int(s->size()) : 0) + 1, [this](int row) { return elementText(row); });
}

void SignalEditorPage::select(int row)
{
    listkit::selectRow(SygnalLB, row);
    selectedRowShown();
}

zelmar::TDzwiek* SignalEditorPage::selectedElement()
{
    zelmar::Signal* s = form_.editedSignal();
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
        if (form_.backdoorEdit()) {
            NazwaSygnaluE->setText(rsq(65208));
            NazwaSygnaluE->setEnabled(false);
        } else {
            const auto& signals = form_.signalSet().signals;
            const int row = form_.signalUnderEdit();
            const QString name = row >= 0 && row < int(signals.size())
                                     ? QString::fromStdString(signals[size_t(row)].name)
                                     : QString();
            // Typing stops at 250 characters, but a longer name from a file is kept whole.
            NazwaSygnaluE->setMaxLength(std::max(250, int(name.size())));
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
    zelmar::SignalSet& set = form_.signalSet();
    form_.keptCopy().reset();
    backFromLibrary_ = false;
    if (form_.backdoorEdit()) {
        const bool hasSound = set.backdoor && std::any_of(set.backdoor->begin(), set.backdoor->end(),
                                                          [](const zelmar::TDzwiek& e) { return !e.isPause(); });
        if (!hasSound)
            set.backdoor.reset();
        form_.setBackdoorEdit(false);
    } else {
        const int row = form_.signalUnderEdit();
        if (row >= 0 && row < int(set.signals.size()))
            set.signals[size_t(row)].name = NazwaSygnaluE->text().toStdString();
    }
    // The name and a dropped back-door signal both change the tables.
    form_.updateMemoryDisplay();
}

void SignalEditorPage::cancelEdit()
{
    zelmar::SignalSet& set = form_.signalSet();
    backFromLibrary_ = false;
    std::optional<zelmar::Signal>& kept = form_.keptCopy();
    if (kept) {
        if (form_.backdoorEdit()) {
            set.backdoor = std::move(*kept);
        } else {
            const int row = form_.signalUnderEdit();
            if (row >= 0 && row < int(set.signals.size()))
                set.signals[size_t(row)].elements = std::move(*kept);
        }
        form_.setBackdoorEdit(false);
        kept.reset();
    } else if (form_.backdoorEdit()) {
        set.backdoor.reset();
        form_.setBackdoorEdit(false);
    } else {
        const int row = form_.signalUnderEdit();
        if (row >= 0 && row < int(set.signals.size()))
            set.signals.erase(set.signals.begin() + row);
        form_.setSignalUnderEdit(-1);
        SignalListPage* list = form_.signalListPage();
        list->reload(false);
        listkit::selectRow(list->ZestawLB, list->ZestawLB->count() - 1);
    }
    reloadElements();
    form_.signalListPage()->redrawDurations();
    form_.updateMemoryDisplay();
}

void SignalEditorPage::DoSygnaluClick()
{
    const int choice = DzwiekiLB->currentRow();
    zelmar::Signal* s = form_.editedSignal();
    zelmar::SignalSet& set = form_.signalSet();
    if (choice < 0 || !s)
        return;
    if (SygnalLB->count() >= zelmar::kMaxEditorElements + 1 || !set.canAddElement()) {
        form_.dialogs().notify(&form_, rsq(65245));
        return;
    }
    zelmar::TDzwiek element = zelmar::TDzwiek::pause(50);
    if (choice > 0) {
        const zelmar::TDostepnyDzwiek* sound = set.soundAt(choice);
        if (!sound)
            return;
        element = zelmar::TDzwiek::sound(choice, *sound);
    }
    int p = SygnalLB->currentRow();
    if (p < 0 || p > int(s->size()))
        p = int(s->size());
    s->insert(s->begin() + p, element);
    reloadElements();
    select(p + 1);
    form_.updateMemoryDisplay();
}

void SignalEditorPage::ZSygnaluClick()
{
    zelmar::Signal* s = form_.editedSignal();
    const int row = SygnalLB->currentRow();
    if (!s || row < 0 || row >= int(s->size()))
        return;
    s->erase(s->begin() + row);
    reloadElements();
    select(row == int(s->size()) ? std::max(0, row - 1) : row);
    form_.updateMemoryDisplay();
}

void SignalEditorPage::SygnalLBDragDrop(int y)
{
    zelmar::Signal* s = form_.editedSignal();
    const int selected = SygnalLB->currentRow();
    if (!s || selected < 0 || selected >= int(s->size()))
        return;
    const int drop = std::min(y / listkit::kRowHeight + SygnalLB->topRow(), int(s->size()) - 1);
    if (drop == selected)
        return;
    if (drop < selected)
        std::rotate(s->begin() + drop, s->begin() + selected, s->begin() + selected + 1);
    else
        std::rotate(s->begin() + selected, s->begin() + selected + 1, s->begin() + drop + 1);
    reloadElements();
    select(drop);
}

void SignalEditorPage::GlosnoscTBChange(int position)
{
    if (zelmar::TDzwiek* e = selectedElement(); e && !e->isPause())
        e->SetVolume(zelmar::storedVolume(position));
}

void SignalEditorPage::setPauseCaption(int position)
{
    CzasPauzyGB->setTitle(QString::fromStdString(
        zelmar::rsf(65216, {QString::number(position / 100.0, 'f', 2).toStdString()})));
}

void SignalEditorPage::CzasPauzyTBChange(int position)
{
    setPauseCaption(position);
    if (zelmar::TDzwiek* e = selectedElement(); e && e->isPause()) {
        e->SetPauseLength(position);
        if (QListWidgetItem* item = SygnalLB->currentItem())
            item->setText(elementText(SygnalLB->currentRow()));
    }
}

void SignalEditorPage::ZaawansowaneClick()
{
    zelmar::TDzwiek* e = selectedElement();
    if (!e || e->isPause())
        return;
    const zelmar::TDostepnyDzwiek* sound = form_.signalSet().soundAt(e->SoundNumber);
    if (!sound)
        return;
    // The dialog puts the fragment back itself unless it ends with OK.
    form_.fragmentDialog().editFragment(*e, *sound);
}

void SignalEditorPage::ZmienDzwiekiClick()
{
    backFromLibrary_ = true;
    form_.showPage(TMainForm::LibraryIndex);
}

void SignalEditorPage::SygnalLBDblClick()
{
    if (const zelmar::TDzwiek* e = selectedElement(); e && !e->isPause())
        previews::playElement(form_, *e);
}

void SignalEditorPage::DzwiekiLBDblClick()
{
    const int row = DzwiekiLB->currentRow();
    if (row <= 0)
        return;
    if (const zelmar::TDostepnyDzwiek* sound = form_.signalSet().soundAt(row))
        previews::playSound(form_, *sound, false);
}

void SignalEditorPage::OdtworzS2Click()
{
    if (const zelmar::Signal* s = form_.editedSignal())
        previews::playSignal(form_, *s);
}

bool SignalEditorPage::SygnalLBKeyDown(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete) {
        ZSygnaluClick();
        return true;
    }
    return false;
}
