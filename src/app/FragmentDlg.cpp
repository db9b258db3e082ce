#include "FragmentDlg.h"
#include "PolyglotManager.h"

#include "PageKit.h"
#include "model/SignalSet.h"

#include <QCheckBox>
#include <QCursor>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include <cstdlib>

// The waveform picture; it only hands its painting and mouse to the dialog.
class WaveView : public QWidget {
public:
    explicit WaveView(TFragmentDlg* dlg) : QWidget(dlg), dlg_(dlg)
    {
        setMouseTracking(true);   // the cursor changes over a marker without a button held
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        dlg_->WidokWavPaint(painter);
    }
    void mousePressEvent(QMouseEvent* e) override { dlg_->WidokWavMouseDown(e->button(), int(e->position().x())); }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        dlg_->WidokWavMouseMove(e->buttons(), int(e->position().x()), int(e->position().y()));
    }
    void mouseReleaseEvent(QMouseEvent*) override { dlg_->WidokWavMouseUp(); }

private:
    TFragmentDlg* dlg_;
};

TFragmentDlg::TFragmentDlg(QWidget* mainWindow) : QDialog(mainWindow)
{
    setObjectName(QStringLiteral("TFragmentDlg"));
    setWindowTitle(QStringLiteral("Zaawansowane"));
    setFixedSize(681, 243);
    setFont(pagekit::windowFont());
    setMouseTracking(true);   // the cursor goes back to normal once it leaves the picture

    WybierzFragmentST = new QLabel(
        QStringLiteral("W tym miejscu możesz wybrać fragment dźwięku, który ma być odtwarzany "), this);
    WybierzFragmentST->setObjectName(QStringLiteral("WybierzFragmentST"));
    WybierzFragmentST->setGeometry(10, 8, 661, 18);

    WidokWav = new WaveView(this);
    WidokWav->setObjectName(QStringLiteral("WidokWav"));
    WidokWav->setGeometry(10, 32, 661, 166);

    Odtworz = new QPushButton(QStringLiteral("&Odtwórz"), this);
    Odtworz->setObjectName(QStringLiteral("Odtworz"));
    Odtworz->setGeometry(10, 208, 75, 25);
    Odtworz->setAutoDefault(false);

    PrzyciaganieCB = new QCheckBox(QStringLiteral("przyciągaj do punktów przecięcia osi"), this);
    PrzyciaganieCB->setObjectName(QStringLiteral("PrzyciaganieCB"));
    PrzyciaganieCB->setGeometry(96, 212, 330, 17);
    PrzyciaganieCB->setChecked(true);   // the dialog lives for the whole run, so the choice does too

    OK = new QPushButton(QStringLiteral("OK"), this);
    OK->setObjectName(QStringLiteral("OK"));
    OK->setGeometry(515, 208, 75, 25);
    OK->setDefault(true);

    Anuluj = new QPushButton(QStringLiteral("Anuluj"), this);
    Anuluj->setObjectName(QStringLiteral("Anuluj"));
    Anuluj->setGeometry(596, 208, 75, 25);
    Anuluj->setAutoDefault(false);

    connect(Odtworz, &QPushButton::clicked, this, &TFragmentDlg::OdtworzClick);
    connect(OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(Anuluj, &QPushButton::clicked, this, &QDialog::reject);

    FormCreate();
    bsPolyglotTranslator1 = new TbsPolyglotTranslator(this);
}

TFragmentDlg::~TFragmentDlg() = default;

void TFragmentDlg::FormCreate()
{
    DragStart = false;
    DragEnd = false;
    Peaks.clear();
}

bool TFragmentDlg::editFragment(zelmar::TDzwiek& element, const zelmar::TDostepnyDzwiek& sound)
{
    if (element.isPause())
        return false;
    const int32_t keptStart = element.FragmentStart;
    const int32_t keptEnd = element.FragmentEnd;
    Element = &element;
    Sound = &sound;
    centreOnMainWindow();
    const bool ok = exec() == QDialog::Accepted;
    if (!ok)
        element.SetFragment(keptStart, keptEnd);
    Element = nullptr;
    Sound = nullptr;
    return ok;
}

void TFragmentDlg::centreOnMainWindow()
{
    QWidget* main = parentWidget() ? parentWidget()->window() : nullptr;
    if (!main)
        return;
    // move() places a window by its frame, which is known once the window exists.
    create();
    QRect frame(QPoint(), frameGeometry().size());
    frame.moveCenter(main->frameGeometry().center());
    move(frame.topLeft());
}

zelmar::WaveGeometry TFragmentDlg::waveGeometry() const
{
    return zelmar::WaveGeometry::of(WidokWav->width(), WidokWav->height(), Sound ? Sound->SampleCount : 0);
}

void TFragmentDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TFragmentDlg::hideEvent(QHideEvent* event)
{
    FormHide();
    QDialog::hideEvent(event);
}

void TFragmentDlg::mouseMoveEvent(QMouseEvent* event)
{
    FormMouseMove();
    QDialog::mouseMoveEvent(event);
}

void TFragmentDlg::FormShow()
{
    Recompute = true;
    if (Element) {
        const zelmar::WaveGeometry g = waveGeometry();
        StartColumn = g.columnOf(Element->FragmentStart);
        EndColumn = g.columnOf(Element->FragmentEnd);
    }
    WidokWav->update();
}

void TFragmentDlg::FormHide()
{
    DragStart = false;
    DragEnd = false;
    Peaks.clear();
    Peaks.shrink_to_fit();
}

void TFragmentDlg::FormMouseMove()
{
    WidokWav->setCursor(Qt::ArrowCursor);
}

void TFragmentDlg::WidokWavPaint(QPainter& painter)
{
    const int w = WidokWav->width();
    const int h = WidokWav->height();
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawRect(0, 0, w - 1, h - 1);
    if (!Element || !Sound)
        return;

    const zelmar::WaveGeometry g = waveGeometry();
    StartColumn = g.columnOf(Element->FragmentStart);
    EndColumn = g.columnOf(Element->FragmentEnd);
    painter.fillRect(QRect(QPoint(StartColumn, 1), QPoint(EndColumn, g.H - 2)), QColor(0xC0, 0xC0, 0xC0));

    if (Recompute || Peaks.size() != size_t(g.W))
        Peaks = zelmar::columnPeaks(g, *Sound);
    Recompute = false;
    painter.setPen(QColor(0, 0, 0xFF));
    for (int i = 1; i <= g.W; ++i) {
        const auto& [yMin, yMax] = Peaks[size_t(i - 1)];
        painter.drawLine(i, yMin, i, yMax);
    }

    painter.setPen(QColor(0x80, 0x80, 0x80));
    painter.drawLine(1, g.mid, g.W, g.mid);

    painter.setPen(QColor(0xFF, 0, 0));
    painter.drawLine(StartColumn, 1, StartColumn, g.H - 2);
    painter.drawLine(EndColumn, 1, EndColumn, g.H - 2);
}

void TFragmentDlg::WidokWavMouseDown(Qt::MouseButton button, int x)
{
    DragStart = false;
    DragEnd = false;
    if (button != Qt::LeftButton || !Element)
        return;
    if (std::abs(x - StartColumn) <= 2)
        DragStart = true;
    else if (std::abs(x - EndColumn) <= 2)
        DragEnd = true;
}

void TFragmentDlg::WidokWavMouseMove(Qt::MouseButtons buttons, int x, int y)
{
    if (!Element || !Sound)
        return;
    if (!(buttons & Qt::LeftButton)) {
        const bool nearMarker = std::abs(x - StartColumn) <= 2 || std::abs(x - EndColumn) <= 2;
        WidokWav->setCursor(nearMarker ? Qt::SplitHCursor : Qt::ArrowCursor);
        return;
    }
    if (!DragStart && !DragEnd) {
        WidokWav->setCursor(Qt::ArrowCursor);
        return;
    }
    WidokWav->setCursor(Qt::SplitHCursor);
    if (DragStart && x > EndColumn) {
        QCursor::setPos(WidokWav->mapToGlobal(QPoint(EndColumn, y)));
        return;
    }
    if (DragEnd && x < StartColumn) {
        QCursor::setPos(WidokWav->mapToGlobal(QPoint(StartColumn, y)));
        return;
    }

    const zelmar::WaveGeometry g = waveGeometry();
    if (g.N < 1)
        return;
    const bool snap = PrzyciaganieCB->isChecked();
    if (DragStart) {
        const int32_t p = zelmar::startForColumn(g, *Sound, x, snap, Element->FragmentEnd);
        if (p == Element->FragmentStart)
            return;
        Element->FragmentStart = p;
    } else {
        const int32_t p = zelmar::endForColumn(g, *Sound, x, snap, Element->FragmentStart);
        if (p == Element->FragmentEnd)
            return;
        Element->FragmentEnd = p;
    }
    // The next move must see the new marker even before the picture is repainted.
    StartColumn = g.columnOf(Element->FragmentStart);
    EndColumn = g.columnOf(Element->FragmentEnd);
    WidokWav->update();
}

void TFragmentDlg::WidokWavMouseUp()
{
    DragStart = false;
    DragEnd = false;
    WidokWav->setCursor(Qt::ArrowCursor);
}

void TFragmentDlg::OdtworzClick()
{
    if (Element && Sound && preview_)
        preview_(*Element, *Sound);
}
