#include "SignalEditorPage.h"

#include "MainForm.h"

#include <QGroupBox>
#include <QProgressBar>

SignalEditorPage::SignalEditorPage(TMainForm& form, QWidget* parent) : QWidget(parent), form_(form)
{
    setObjectName(QStringLiteral("Strona2"));

    ZajetoscPamieciS2GB = new QGroupBox(QStringLiteral("Zajętość pamięci"), this);
    ZajetoscPamieciS2GB->setObjectName(QStringLiteral("ZajetoscPamieciS2GB"));
    ZajetoscPamieciS2GB->setGeometry(300, 318, 230, 48);
    ZajetoscS2G = new QProgressBar(ZajetoscPamieciS2GB);
    ZajetoscS2G->setObjectName(QStringLiteral("ZajetoscS2G"));
    ZajetoscS2G->setGeometry(10, 20, 210, 18);
    QPalette p = ZajetoscS2G->palette();
    p.setColor(QPalette::Highlight, Qt::blue);
    ZajetoscS2G->setPalette(p);
}

void SignalEditorPage::enterPage()
{
}

void SignalEditorPage::acceptEdit()
{
}

void SignalEditorPage::cancelEdit()
{
}
