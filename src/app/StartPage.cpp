#include "StartPage.h"

#include "PageKit.h"
#include "ResourceText.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>

using namespace pagekit;

namespace {
void makeRed(QLabel* label)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, Qt::red);
    label->setPalette(p);
}
} // namespace

StartPage::StartPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Strona0"));

    addHeading(this, "WitamyST", QStringLiteral("Witamy!"), 16, 12);
    addText(this, "WybierzST", QStringLiteral("Wybierz, co chciałbyś zrobić."), 16, 52);

    NowyRB = addChoice(this, "NowyRB", QStringLiteral("Chcę &stworzyć nowy zestaw sygnałów."), 80);
    NowyRB->setChecked(true);
    addText(this, "Nowy1ST", QStringLiteral("Nowy zestaw będziesz mógł zapisać na dysku,"), 36, 102);
    addText(this, "Nowy2ST", QStringLiteral("a także przesłać go do dzwonka."), 36, 118);

    OdczytRB = addChoice(this, "OdczytRB", QStringLiteral("Chcę &odczytać zestaw sygnałów zapisany na dysku."), 146);
    addText(this, "Odczyt1ST", QStringLiteral("Odczytany zestaw będziesz mógł zmienić, ponownie zapisać"), 36, 168);
    addText(this, "Odczyt2ST", QStringLiteral("na dysku oraz oczywiście przesłać do dzwonka."), 36, 184);

    // The sets used lately, under their choice, with the open dialog as the first row; shown only
    // when there are any, and then the rest of the page moves down to make room.
    OstatnieZestawyLB = new QListWidget(this);
    OstatnieZestawyLB->setObjectName(QStringLiteral("OstatnieZestawyLB"));
    OstatnieZestawyLB->setAccessibleName(QStringLiteral("Ostatnio używane zestawy sygnałów"));
    OstatnieZestawyLB->setGeometry(36, kRecentTop, kPageWidth - 8 - 36 - 60, kRecentHeight);
    OstatnieZestawyLB->setItemDelegate(new FixedRowDelegate(scaled(16), OstatnieZestawyLB));
    OstatnieZestawyLB->setUniformItemSizes(true);
    OstatnieZestawyLB->hide();
    connect(OstatnieZestawyLB, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && OstatnieZestawyLB->isVisible())
            OdczytRB->setChecked(true);
    });
    connect(OstatnieZestawyLB, &QListWidget::itemDoubleClicked, this, [this] { Q_EMIT recentSetChosen(); });

    PobranieRB = addChoice(this, "PobranieRB", QStringLiteral("Chcę &pobrać zestaw sygnałów z dzwonka."), 212);
    addText(this, "Pobranie1ST", QStringLiteral("Pobrany zestaw będziesz mógł zmienić, zapisać na dysku"), 36, 234);
    addText(this, "Pobranie2ST", QStringLiteral("i ponownie przesłać do dzwonka."), 36, 250);
    addText(this, "Pobranie3ST", QStringLiteral("Dzwonek przechowuje nazwy, ale nie wszystkie informacje:"), 36, 266);
    addText(this, "Pobranie4ST", QStringLiteral("dźwięki wrócą w uboższej jakości dzwonka, już wzmocnione,"), 36, 282);
    addText(this, "Pobranie5ST", QStringLiteral("a sygnały bez dźwięków zostaną pominięte."), 36, 298);

    QLabel* uwaga = addText(this, "Uwaga1ST", QStringLiteral("Uwaga"), 16, 336);
    QFont bold = uwaga->font();
    bold.setBold(true);
    uwaga->setFont(bold);
    fitToPage(uwaga);
    makeRed(uwaga);
    makeRed(addText(this, "Uwaga2ST", QStringLiteral("Do przesłania zestawu do dzwonka, a także do odczytu"), 16, 354));
    makeRed(addText(this, "Uwaga3ST", QStringLiteral("zestawu z dzwonka, potrzebny będzie kabel USB."), 16, 370));

    for (const char* name : {"PobranieRB", "Pobranie1ST", "Pobranie2ST", "Pobranie3ST", "Pobranie4ST", "Pobranie5ST"})
        movedDown_.push_back({findChild<QWidget*>(QString::fromLatin1(name)), kDownloadShift});
    for (const char* name : {"Uwaga1ST", "Uwaga2ST", "Uwaga3ST"})
        movedDown_.push_back({findChild<QWidget*>(QString::fromLatin1(name)), kNoteShift});
}

void StartPage::showRecentSets(const QStringList& sets)
{
    OstatnieZestawyLB->clear();
    recentSets_ = sets;
    const bool shown = !sets.isEmpty();
    if (shown) {
        OstatnieZestawyLB->addItem(rsq(65344));
        const QString home = QDir::homePath();
        for (const QString& path : sets) {
            const QFileInfo info(path);
            QString folder = info.absolutePath();
            if (folder == home || folder.startsWith(home + u'/'))
                folder = u'~' + folder.mid(home.size());
            auto* item = new QListWidgetItem(info.fileName() + QStringLiteral("  (") + folder + u')');
            item->setToolTip(path);
            OstatnieZestawyLB->addItem(item);
        }
        const QSignalBlocker quiet(OstatnieZestawyLB);
        OstatnieZestawyLB->setCurrentRow(0);
    }
    OstatnieZestawyLB->setVisible(shown);
    for (Moved& m : movedDown_) {
        // Taken when the window is complete and scaled, before anything moved.
        if (m.top < 0)
            m.top = m.control->y();
        m.control->move(m.control->x(), m.top + (shown ? scaled(m.shift) : 0));
    }
}

QString StartPage::chosenRecentSet() const
{
    if (!OstatnieZestawyLB->isVisible() || !OdczytRB->isChecked())
        return {};
    return recentSets_.value(OstatnieZestawyLB->currentRow() - 1);
}

StartPage::Choice StartPage::choice() const
{
    if (OdczytRB->isChecked())
        return Choice::OpenFile;
    if (PobranieRB->isChecked())
        return Choice::Download;
    return Choice::NewSet;
}
