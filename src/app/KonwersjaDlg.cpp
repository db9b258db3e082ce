#include "KonwersjaDlg.h"
#include "PageKit.h"
#include "PolyglotManager.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QShowEvent>

#include <algorithm>

TKonwersjaDlg::TKonwersjaDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName("KonwersjaDlg");
    setWindowTitle("Zelmar");
    setModal(false);
    setFont(pagekit::windowFont());
    setFixedSize(330, 120);

    OpisST = new QLabel(QString::fromUtf8("Proszę czekać. Trwa konwersja pliku..."), this);
    OpisST->setObjectName("OpisST");
    OpisST->setGeometry(16, 12, 298, 20);

    StanG = new QProgressBar(this);
    StanG->setObjectName("StanG");
    StanG->setAccessibleName(QString::fromUtf8("Postęp konwersji"));
    StanG->setGeometry(16, 40, 298, 20);
    StanG->setRange(0, 100);
    StanG->setValue(0);
    StanG->setTextVisible(false);
    StanG->setStyleSheet("QProgressBar::chunk { background-color: blue; }");

    Anuluj = new QPushButton(QString::fromUtf8("Anuluj"), this);
    Anuluj->setObjectName("Anuluj");
    Anuluj->setGeometry(127, 76, 75, 25);
    connect(Anuluj, &QPushButton::clicked, this, &TKonwersjaDlg::AnulujClick);
    pagekit::scaleWindow(this);
    bsPolyglotTranslator1 = new TbsPolyglotTranslator(this);
    bsPolyglotTranslator1->AfterTranslate = [this](QObject*) { fitTexts(); };
    fitTexts();
}

void TKonwersjaDlg::fitTexts()
{
    // A longer translation widens the window rather than cutting its text; the button stays centred.
    const int kMargin = pagekit::scaled(16);
    QString caption = Anuluj->text();
    caption.remove(QRegularExpression(QStringLiteral("&(?!&)")));
    const int buttonWidth = std::max(Anuluj->width(), Anuluj->fontMetrics().horizontalAdvance(caption) + pagekit::scaled(24));
    const int inner = std::max({OpisST->width(), OpisST->sizeHint().width(), buttonWidth});
    OpisST->resize(inner, std::max(OpisST->height(), OpisST->sizeHint().height()));
    StanG->resize(inner, StanG->height());
    setFixedSize(inner + 2 * kMargin, height());
    Anuluj->setGeometry((width() - buttonWidth) / 2, Anuluj->y(), buttonWidth, Anuluj->height());
}

void TKonwersjaDlg::showEvent(QShowEvent* event)
{
    if (QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr) {
        QRect r = geometry();
        r.moveCenter(owner->geometry().center());
        // Frames (when there are any) are taken alike, so centring the insides centres the windows.
        move(r.topLeft() - (geometry().topLeft() - pos()));
    }
    QDialog::showEvent(event);
}

void TKonwersjaDlg::AnulujClick()
{
    hide();
}
