#include "FarewellPage.h"

#include "PageKit.h"

using namespace pagekit;

FarewellPage::FarewellPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Strona5"));

    addHeading(this, "DziekujemyST", QStringLiteral("Dziękujemy!"), 16, 12);
    addText(this, "Podziekowania1ST", QStringLiteral("Dziękujemy, że poświęciłeś swój cenny czas"), 16, 52);
    addText(this, "Podziekowania2ST", QStringLiteral("i skorzystałeś z możliwości, które dla Ciebie stworzyliśmy."), 16, 68);
    addText(this, "Podziekowania3ST", QStringLiteral("Oryginalne brzmienie Twego ZELMAR podkreśli Twoją indywidualność."), 16, 100);
    addText(this, "Podziekowania4ST", QStringLiteral("Teraz możesz zaskoczyć swoich gości już przy samych drzwiach."), 16, 116);
    addText(this, "Podziekowania5ST", QStringLiteral("Mamy nadzieję, że sprawi Ci to satysfakcję."), 16, 148);
}
