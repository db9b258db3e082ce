#include "SignalListPage.h"

#include "MainForm.h"
#include "PageKit.h"

#include <QLabel>
#include <QListWidget>
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
} // namespace

SignalListPage::SignalListPage(TMainForm& form, QWidget* parent) : QWidget(parent), form_(form)
{
    setObjectName(QStringLiteral("Strona1"));

    addHeading(this, "TwojZesatawSygnalowST", QStringLiteral("Twój zestaw sygnałów"), 16, 12);
    QLabel* label = addText(this, "ZestawL", QStringLiteral("&Zestaw sygnałów:"), 16, 48);

    ZestawLB = new QListWidget(this);
    ZestawLB->setObjectName(QStringLiteral("ZestawLB"));
    ZestawLB->setGeometry(16, 66, 250, 347);
    ZestawLB->setUniformItemSizes(true);
    ZestawLB->setItemDelegate(new FixedRowDelegate(16, ZestawLB));
    label->setTextFormat(Qt::AutoText);   // keeps the "&" an accelerator
    label->setBuddy(ZestawLB);

    Czasy = new QLabel(this);
    Czasy->setObjectName(QStringLiteral("Czasy"));
    Czasy->setGeometry(268, 66, 150, 347);

    NowySygnal = addButton(this, "NowySygnal", QStringLiteral("&Nowy"), 432, 66);
    ZmianaSygnalu = addButton(this, "ZmianaSygnalu", QStringLiteral("Z&miana"), 432, 98);
    OdtworzS1 = addButton(this, "OdtworzS1", QStringLiteral("&Odtwórz"), 432, 130);
    UsunSygnal = addButton(this, "UsunSygnal", QStringLiteral("&Usuń"), 432, 162);
    TylneDrzwi = addButton(this, "TylneDrzwi", QStringLiteral("&Tylne drzwi"), 432, 388);
    for (QPushButton* b : {NowySygnal, ZmianaSygnalu, OdtworzS1, UsunSygnal, TylneDrzwi})
        b->setEnabled(false);
}

void SignalListPage::reload(bool selectFirst)
{
    const int keep = selectFirst ? 0 : ZestawLB->currentRow();
    ZestawLB->clear();
    const auto& signals = form_.signalSet().signals;
    for (size_t i = 0; i < signals.size(); ++i)
        ZestawLB->addItem(QString::number(i + 1) + u' ' + QString::fromStdString(signals[i].name));
    if (ZestawLB->count() > 0)
        ZestawLB->setCurrentRow(std::clamp(keep, 0, ZestawLB->count() - 1));
}

void SignalListPage::enterPage()
{
    reload(false);
}

int SignalListPage::selectedRow() const
{
    return ZestawLB->currentRow();
}
