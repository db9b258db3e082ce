#include "LibraryPage.h"

#include "MainForm.h"

#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>

LibraryPage::LibraryPage(TMainForm& form, QWidget* parent) : QWidget(parent), form_(form)
{
    setObjectName(QStringLiteral("Strona3"));

    ZajetoscPamieciS3GB = new QGroupBox(QStringLiteral("Zajętość pamięci"), this);
    ZajetoscPamieciS3GB->setObjectName(QStringLiteral("ZajetoscPamieciS3GB"));
    ZajetoscPamieciS3GB->setGeometry(16, 372, 250, 48);
    ZajetoscS3G = new QProgressBar(ZajetoscPamieciS3GB);
    ZajetoscS3G->setObjectName(QStringLiteral("ZajetoscS3G"));
    ZajetoscS3G->setGeometry(10, 20, 230, 18);
    QPalette p = ZajetoscS3G->palette();
    p.setColor(QPalette::Highlight, Qt::blue);
    ZajetoscS3G->setPalette(p);

    PozostalyCzasST = new QLabel(this);
    PozostalyCzasST->setObjectName(QStringLiteral("PozostalyCzasST"));
    PozostalyCzasST->setTextFormat(Qt::PlainText);
    PozostalyCzasST->setGeometry(280, 394, 250, 18);
}

void LibraryPage::enterPage()
{
}

void LibraryPage::acceptEdit()
{
}

void LibraryPage::cancelEdit()
{
}
