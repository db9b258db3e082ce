#include "SignalListPage.h"

#include "Dialogs.h"
#include "ListKit.h"
#include "MainForm.h"
#include "PageKit.h"
#include "Previews.h"
#include "i18n/ResourceStrings.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include <algorithm>

using namespace pagekit;

namespace {
QPushButton* addButton(QWidget* page, const char* name, const QString& text, int x, int y)
{
    auto* b = new QPushButton(text, page);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(x, y, 100, 25);
    return b;
}

QString rsq(int id)
{
    return QString::fromStdString(zelmar::rs(id));
}
} // namespace

SignalListPage::SignalListPage(TMainForm& form, QWidget* parent) : QWidget(parent), form_(form)
{
    setObjectName(QStringLiteral("Strona1"));

    addHeading(this, "TwojZesatawSygnalowST", QStringLiteral("Twój zestaw sygnałów"), 16, 12);
    QLabel* label = addText(this, "ZestawL", QStringLiteral("&Zestaw sygnałów:"), 16, 48);

    ZestawLB = new listkit::DragList("ZestawLB", true, this);
    ZestawLB->setGeometry(16, 66, 250, 347);
    label->setTextFormat(Qt::AutoText);   // keeps the "&" an accelerator
    label->setBuddy(ZestawLB);

    Czasy = new listkit::DurationsView("Czasy", this);
    // Level with the list's rows, inside its frame.
    Czasy->setGeometry(268, 66 + ZestawLB->frameWidth(), 150, 347);

    NowySygnal = addButton(this, "NowySygnal", QStringLiteral("&Nowy"), 432, 66);
    ZmianaSygnalu = addButton(this, "ZmianaSygnalu", QStringLiteral("Z&miana"), 432, 98);
    OdtworzS1 = addButton(this, "OdtworzS1", QStringLiteral("&Odtwórz"), 432, 130);
    UsunSygnal = addButton(this, "UsunSygnal", QStringLiteral("&Usuń"), 432, 162);
    TylneDrzwi = addButton(this, "TylneDrzwi", QStringLiteral("&Tylne drzwi"), 432, 388);

    connect(NowySygnal, &QPushButton::clicked, this, &SignalListPage::NowySygnalClick);
    connect(ZmianaSygnalu, &QPushButton::clicked, this, &SignalListPage::ZmianaSygnaluClick);
    connect(OdtworzS1, &QPushButton::clicked, this, &SignalListPage::OdtworzS1Click);
    connect(UsunSygnal, &QPushButton::clicked, this, &SignalListPage::UsunSygnalClick);
    connect(TylneDrzwi, &QPushButton::clicked, this, &SignalListPage::TylneDrzwiClick);
    connect(ZestawLB, &QListWidget::doubleClicked, this, &SignalListPage::ZestawLBDblClick);
    connect(ZestawLB, &listkit::DragList::rowDropped, this, &SignalListPage::ZestawLBDragDrop);
    // Scrolling shows other rows, so their durations are drawn anew.
    connect(ZestawLB, &listkit::DragList::topRowChanged, this, [this] {
        if (ZestawLB->topRow() != rememberedTop_)
            redrawDurations();
    });
    ZestawLB->keyHandler = [this](QKeyEvent* e) { return ZestawLBKeyDown(e); };
}

void SignalListPage::reload(bool selectFirst)
{
    const int keep = selectFirst ? 0 : ZestawLB->currentRow();
    const auto& signals = form_.signalSet().signals;
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
    const zelmar::SignalSet& set = form_.signalSet();
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
    zelmar::SignalSet& set = form_.signalSet();
    if (!set.canAddSignal()) {
        form_.dialogs().notify(&form_, rsq(65244));
        return;
    }
    set.signals.push_back({zelmar::rs(65246), {}});
    reload(false);
    listkit::selectRow(ZestawLB, ZestawLB->count() - 1);
    form_.setSignalUnderEdit(ZestawLB->count() - 1);
    form_.keptCopy().reset();
    form_.setBackdoorEdit(false);
    form_.showPage(TMainForm::SignalEditorIndex);
    form_.updateMemoryDisplay();
}

void SignalListPage::ZmianaSygnaluClick()
{
    const int row = selectedRow();
    zelmar::SignalSet& set = form_.signalSet();
    if (row < 0 || row >= int(set.signals.size()))
        return;
    form_.keptCopy() = set.signals[size_t(row)].elements;
    form_.setSignalUnderEdit(row);
    form_.setBackdoorEdit(false);
    form_.showPage(TMainForm::SignalEditorIndex);
}

void SignalListPage::ZestawLBDblClick()
{
    ZmianaSygnaluClick();
}

void SignalListPage::UsunSygnalClick()
{
    const int row = selectedRow();
    zelmar::SignalSet& set = form_.signalSet();
    if (row < 0 || row >= int(set.signals.size()))
        return;
    if (form_.dialogs().ask(&form_, rsq(65247))) {
        set.signals.erase(set.signals.begin() + row);
        reload(false);
        listkit::selectRow(ZestawLB, std::min(row, ZestawLB->count() - 1));
        if (set.signals.empty())
            form_.dalejButton()->setEnabled(false);
    }
    redrawDurations();
    form_.updateMemoryDisplay();
}

void SignalListPage::TylneDrzwiClick()
{
    zelmar::SignalSet& set = form_.signalSet();
    if (set.backdoor) {
        form_.keptCopy() = *set.backdoor;
    } else {
        set.backdoor = zelmar::Signal{};
        form_.keptCopy().reset();
    }
    form_.setSignalUnderEdit(-1);
    form_.setBackdoorEdit(true);
    form_.showPage(TMainForm::SignalEditorIndex);
}

void SignalListPage::OdtworzS1Click()
{
    const int row = selectedRow();
    zelmar::SignalSet& set = form_.signalSet();
    if (row < 0 || row >= int(set.signals.size()))
        return;
    form_.setSignalUnderEdit(row);
    form_.setBackdoorEdit(false);
    previews::playSignal(form_, set.signals[size_t(row)].elements);
}

void SignalListPage::ZestawLBDragDrop(int y)
{
    auto& signals = form_.signalSet().signals;
    const int selected = selectedRow();
    if (signals.empty() || selected < 0 || selected >= int(signals.size()))
        return;
    const int drop = std::min(y / listkit::kRowHeight + ZestawLB->topRow(), int(signals.size()) - 1);
    if (drop == selected)
        return;
    if (drop < selected)
        std::rotate(signals.begin() + drop, signals.begin() + selected, signals.begin() + selected + 1);
    else
        std::rotate(signals.begin() + selected, signals.begin() + selected + 1, signals.begin() + drop + 1);
    reload(false);
    listkit::selectRow(ZestawLB, drop);
    redrawDurations();
}

bool SignalListPage::ZestawLBKeyDown(QKeyEvent* event)
{
    const bool keypadPlus = event->key() == Qt::Key_Plus && (event->modifiers() & Qt::KeypadModifier);
    if (event->key() == Qt::Key_Insert || keypadPlus) {
        NowySygnalClick();
        return true;
    }
    if (event->key() == Qt::Key_Delete) {
        UsunSygnalClick();
        return true;
    }
    return false;
}
