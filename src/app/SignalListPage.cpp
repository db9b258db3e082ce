#include "SignalListPage.h"

#include "Dialogs.h"
#include "ListKit.h"
#include "PageKit.h"
#include "Previews.h"
#include "ResourceText.h"
#include "WizardState.h"
#include "model/Errors.h"

#include <QLabel>
#include <QPushButton>

#include <algorithm>

using namespace pagekit;

namespace {
QPushButton* addButton(QWidget* page, const char* name, const QString& text, int y)
{
    return pagekit::addButton(page, name, text, QRect(432, y, 100, 25));
}
} // namespace

SignalListPage::SignalListPage(WizardState& state, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), state_(state), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Strona1"));

    addHeading(this, "TwojZesatawSygnalowST", QStringLiteral("Twój zestaw sygnałów"), 16, 12);
    QLabel* label = addText(this, "ZestawL", QStringLiteral("&Zestaw sygnałów:"), 16, 48);

    ZestawLB = new listkit::DragList("ZestawLB", true, this);
    ZestawLB->setGeometry(16, 66, 250, 347);
    ZestawLB->setAccessibleName(QStringLiteral("Zestaw sygnałów"));
    label->setTextFormat(Qt::AutoText);   // keeps the "&" an accelerator
    label->setBuddy(ZestawLB);

    Czasy = new listkit::DurationsView("Czasy", this);
    // Level with the list's rows, inside its frame.
    Czasy->setGeometry(268, 66 + ZestawLB->frameWidth(), 150, 347);
    Czasy->setAccessibleName(QStringLiteral("Czasy trwania sygnałów"));

    NowySygnal = addButton(this, "NowySygnal", QStringLiteral("&Nowy"), 66);
    ZmianaSygnalu = addButton(this, "ZmianaSygnalu", QStringLiteral("Z&miana"), 98);
    OdtworzS1 = addButton(this, "OdtworzS1", QStringLiteral("&Odtwórz"), 130);
    UsunSygnal = addButton(this, "UsunSygnal", QStringLiteral("&Usuń"), 162);
    TylneDrzwi = addButton(this, "TylneDrzwi", QStringLiteral("&Tylne drzwi"), 388);
    // Under the list, the only room left on the page that reads as a whole line.
    JakDzwonekS1CB = previews::addAsChimeBox(this, "JakDzwonekS1CB", 16, 417);
    previews::followAsChime(JakDzwonekS1CB, state_);

    connect(NowySygnal, &QPushButton::clicked, this, &SignalListPage::NowySygnalClick);
    connect(ZmianaSygnalu, &QPushButton::clicked, this, &SignalListPage::ZmianaSygnaluClick);
    connect(OdtworzS1, &QPushButton::clicked, this, &SignalListPage::OdtworzS1Click);
    connect(UsunSygnal, &QPushButton::clicked, this, &SignalListPage::UsunSygnalClick);
    connect(TylneDrzwi, &QPushButton::clicked, this, &SignalListPage::TylneDrzwiClick);
    connect(ZestawLB, &QListWidget::doubleClicked, this, &SignalListPage::ZestawLBDblClick);
    connect(ZestawLB, &listkit::DragList::rowMoved, this, &SignalListPage::ZestawLBDragDrop);
    // Scrolling shows other rows, so their durations are drawn anew.
    connect(ZestawLB, &listkit::DragList::topRowChanged, this, [this] {
        if (ZestawLB->topRow() != rememberedTop_)
            redrawDurations();
    });
    ZestawLB->insertKey = [this] { NowySygnalClick(); };
    ZestawLB->deleteKey = [this] { UsunSygnalClick(); };

    connect(&state_, &WizardState::setReplaced, this, [this] { reload(true); });
    // A deleted or a cancelled new signal leaves the list; the same position (or the last row) stays
    // selected.
    connect(&state_, &WizardState::signalsChanged, this, [this] {
        reload(false);
        redrawDurations();
    });
    // Accepted library changes may have shortened signals.
    connect(&state_, &WizardState::libraryChanged, this, &SignalListPage::redrawDurations);
}

void SignalListPage::reload(bool selectFirst)
{
    const int keep = selectFirst ? 0 : ZestawLB->currentRow();
    const auto& signals = state_.set().signals;
    listkit::syncRows(
        ZestawLB, int(signals.size()),
        [&](int i) { return QString::number(i + 1) + u' ' + QString::fromStdString(signals[size_t(i)].name); },
        {}, [&](int i) { return QString::fromStdString(signals[size_t(i)].name); });
    listkit::selectRow(ZestawLB, ZestawLB->count() > 0 ? std::clamp(keep, 0, ZestawLB->count() - 1) : -1);
}

void SignalListPage::enterPage()
{
    reload(false);
    redrawDurations();
}

int SignalListPage::selectedRow() const
{
    return ZestawLB->currentRow();
}

void SignalListPage::redrawDurations()
{
    const zelmar::SignalSet& set = state_.set();
    const int top = ZestawLB->topRow();
    rememberedTop_ = top;
    std::vector<int64_t> lengths;
    if (!set.signals.empty()) {
        const int last = std::min(top + ZestawLB->rowsInView(), int(set.signals.size()) - 1);
        for (int r = top; r <= last; ++r)
            lengths.push_back(set.playingSamples(set.signals[size_t(r)].elements));
    }
    Czasy->draw(lengths);
}

void SignalListPage::NowySygnalClick()
{
    try {
        state_.beginNewSignal();
    } catch (const zelmar::LimitError& e) {
        dialogs_.notify(window(), rsq(e.resourceId));
        return;
    }
    listkit::selectRow(ZestawLB, state_.signalUnderEdit());
    Q_EMIT editBegun();
}

void SignalListPage::ZmianaSygnaluClick()
{
    if (state_.beginEdit(selectedRow()))
        Q_EMIT editBegun();
}

void SignalListPage::ZestawLBDblClick()
{
    ZmianaSygnaluClick();
}

void SignalListPage::UsunSygnalClick()
{
    const int row = selectedRow();
    if (row >= 0 && dialogs_.ask(window(), rsq(65247)))
        state_.deleteSignal(row);
}

void SignalListPage::TylneDrzwiClick()
{
    state_.beginBackdoorEdit();
    Q_EMIT editBegun();
}

void SignalListPage::OdtworzS1Click()
{
    const int row = selectedRow();
    const zelmar::SignalSet& set = state_.set();
    if (row < 0)
        return;
    state_.notePlayedSignal(row);
    previews::playSignal(window(), dialogs_, set, set.signals[size_t(row)].elements, state_.previewAsChime());
}

void SignalListPage::ZestawLBDragDrop(int from, int to)
{
    state_.moveSignal(from, to);
    listkit::selectRow(ZestawLB, to);
    redrawDurations();
}
