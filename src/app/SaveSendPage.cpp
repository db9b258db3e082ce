#include "SaveSendPage.h"

#include "PageKit.h"

#include <QCheckBox>
#include <QRadioButton>
#include <QSignalBlocker>

using namespace pagekit;

SaveSendPage::SaveSendPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Strona4"));

    addHeading(this, "GratulacjeST", QStringLiteral("Gratulacje!"), 16, 12);
    addText(this, "InfoOZapisieIPrzeslaniu1ST", QStringLiteral("Możesz teraz zapisać Twój zestaw sygnałów na dysku"), 16, 52);
    addText(this, "InfoOZapisieIPrzeslaniu2ST", QStringLiteral("oraz przesłać go do dzwonka."), 16, 68);

    ZapisIPrzeslanieRB = addChoice(this, "ZapisIPrzeslanieRB",
                                   QStringLiteral("&Chcę zapisać zestaw sygnałów oraz przesłać go do dzwonka."), 104);
    ZapisIPrzeslanieRB->setChecked(true);
    PrzeslanieRB = addChoice(this, "PrzeslanieRB",
                             QStringLiteral("Chcę &przesłać zestaw sygnałów do dzwonka bez zapisywania."), 132);
    ZapisRB = addChoice(this, "ZapisRB",
                        QStringLiteral("Chcę &zapisać zestaw sygnałów bez przesyłania do dzwonka."), 160);
    ZamkniecieRB = addChoice(this, "ZamkniecieRB",
                             QStringLiteral("Chcę zam&knąć program bez zapisywania i przesyłania."), 188);

    ZapisWNowymPlikuCB = new QCheckBox(QStringLiteral("Zestaw sygnałów ma zostać zapisany w &nowym pliku."), this);
    ZapisWNowymPlikuCB->setObjectName(QStringLiteral("ZapisWNowymPlikuCB"));
    ZapisWNowymPlikuCB->move(16, 400);
    fitToPage(ZapisWNowymPlikuCB);

    KopiaDzwonkaCB = new QCheckBox(QStringLiteral("Przed przesłaniem z&achowaj kopię zawartości dzwonka"), this);
    KopiaDzwonkaCB->setObjectName(QStringLiteral("KopiaDzwonkaCB"));
    KopiaDzwonkaCB->setAccessibleName(QStringLiteral("Przed przesłaniem zachowaj kopię zawartości dzwonka"));
    KopiaDzwonkaCB->move(16, 376);
    fitToPage(KopiaDzwonkaCB);
    connect(KopiaDzwonkaCB, &QCheckBox::toggled, this, &SaveSendPage::backupWantedChanged);
    for (QRadioButton* rb : {ZapisIPrzeslanieRB, PrzeslanieRB, ZapisRB, ZamkniecieRB})
        connect(rb, &QRadioButton::toggled, this, [this] {
            const Choice c = choice();
            KopiaDzwonkaCB->setEnabled(c == Choice::SaveAndSend || c == Choice::Send);
        });
    // In the tab chain after the choices, before the box of the new file below it.
    QWidget::setTabOrder(KopiaDzwonkaCB, ZapisWNowymPlikuCB);
}

SaveSendPage::Choice SaveSendPage::choice() const
{
    if (PrzeslanieRB->isChecked())
        return Choice::Send;
    if (ZapisRB->isChecked())
        return Choice::Save;
    if (ZamkniecieRB->isChecked())
        return Choice::Close;
    return Choice::SaveAndSend;
}

void SaveSendPage::offerNewFile(bool offered, bool checked)
{
    ZapisWNowymPlikuCB->setChecked(checked);
    ZapisWNowymPlikuCB->setEnabled(offered);
}

bool SaveSendPage::newFileWanted() const
{
    return ZapisWNowymPlikuCB->isChecked();
}

bool SaveSendPage::backupWanted() const
{
    return KopiaDzwonkaCB->isChecked();
}

void SaveSendPage::setBackupWanted(bool on)
{
    const QSignalBlocker quiet(KopiaDzwonkaCB);
    KopiaDzwonkaCB->setChecked(on);
}
