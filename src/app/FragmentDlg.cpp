#include "FragmentDlg.h"
#include "Accessibility.h"
#include "PolyglotManager.h"

#include "PageKit.h"
#include "Previews.h"
#include "UiLocale.h"
#include "i18n/ResourceStrings.h"
#include "model/SignalSet.h"

#include <QCheckBox>
#include <QCursor>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>

namespace {

// One arrow key moves a marker by 0.01 s, a page key by ten times as much.
constexpr int32_t kShortStep = zelmar::kSampleRate / 100;

QString seconds(int64_t samples)
{
    return uilocale::decimal(double(samples) / zelmar::kSampleRate, 2);
}

// A time in seconds with two decimals, written and read as the language in effect writes numbers.
// Its arrow and page keys do not change the number themselves: they ask the dialog, which moves
// the marker by the snapping rules and then shows where it went.
class CutSpinBox : public QDoubleSpinBox {
public:
    CutSpinBox(const char* name, QWidget* parent) : QDoubleSpinBox(parent)
    {
        setObjectName(QString::fromLatin1(name));
        setDecimals(2);
        setSingleStep(0.01);
        setSuffix(QStringLiteral(" s"));
        setKeyboardTracking(false);   // a typed time counts once it is finished
        setAccelerated(false);
    }
    std::function<void(int)> stepped;

protected:
    void stepBy(int steps) override
    {
        if (stepped)
            stepped(steps);
    }
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }
};

QLabel* addFieldLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int width)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(x, y, width, 22);
    return l;
}

} // namespace

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
    setWindowTitle(QStringLiteral("Wybór fragmentu do odtwarzania"));
    // A line taller than the rest of the dialog's layout, for the box under the play button.
    setFixedSize(681, 297);
    setFont(pagekit::windowFont());
    setMouseTracking(true);   // the cursor goes back to normal once it leaves the picture

    WybierzFragmentST = new QLabel(
        QStringLiteral("W tym miejscu możesz wybrać fragment dźwięku, który ma być odtwarzany "), this);
    WybierzFragmentST->setObjectName(QStringLiteral("WybierzFragmentST"));
    WybierzFragmentST->setGeometry(10, 8, 661, 18);

    WidokWav = new WaveView(this);
    WidokWav->setObjectName(QStringLiteral("WidokWav"));
    WidokWav->setGeometry(10, 32, 661, 166);
    WidokWav->setAccessibleName(QStringLiteral("Przebieg dźwięku"));
    accessibility::setRole(WidokWav, QAccessible::Graphic);

    // The cut as numbers, which the keys move: under the picture, the start, the end and the length.
    PoczatekL = addFieldLabel(this, "PoczatekL", QStringLiteral("&Początek:"), 10, 206, 70);
    PoczatekE = new CutSpinBox("PoczatekE", this);
    PoczatekE->setGeometry(82, 206, 90, 22);
    PoczatekL->setBuddy(PoczatekE);
    KoniecL = addFieldLabel(this, "KoniecL", QStringLiteral("&Koniec:"), 190, 206, 60);
    KoniecE = new CutSpinBox("KoniecE", this);
    KoniecE->setGeometry(252, 206, 90, 22);
    KoniecL->setBuddy(KoniecE);
    DlugoscL = addFieldLabel(this, "DlugoscL", QStringLiteral("Długość:"), 360, 206, 65);
    DlugoscST = addFieldLabel(this, "DlugoscST", QString(), 427, 206, 80);
    DlugoscST->setTextFormat(Qt::PlainText);
    static_cast<CutSpinBox*>(PoczatekE)->stepped = [this](int steps) { PoczatekStep(steps); };
    static_cast<CutSpinBox*>(KoniecE)->stepped = [this](int steps) { KoniecStep(steps); };
    connect(PoczatekE, &QDoubleSpinBox::valueChanged, this, &TFragmentDlg::PoczatekTyped);
    connect(KoniecE, &QDoubleSpinBox::valueChanged, this, &TFragmentDlg::KoniecTyped);

    Odtworz = new QPushButton(QStringLiteral("&Odtwórz"), this);
    Odtworz->setObjectName(QStringLiteral("Odtworz"));
    Odtworz->setGeometry(10, 240, 75, 25);
    Odtworz->setAutoDefault(false);

    PrzyciaganieCB = new QCheckBox(QStringLiteral("P&rzyciągaj do punktów przecięcia osi"), this);
    PrzyciaganieCB->setObjectName(QStringLiteral("PrzyciaganieCB"));
    PrzyciaganieCB->setGeometry(96, 244, 330, 17);
    PrzyciaganieCB->setChecked(true);   // the dialog lives for the whole run, so the choice does too

    // Owned by the window's state like the boxes of the pages, which keeps it in step with them.
    JakDzwonekCB = previews::addAsChimeBox(this, "JakDzwonekCB", 96, 270);

    OK = new QPushButton(QStringLiteral("OK"), this);
    OK->setObjectName(QStringLiteral("OK"));
    OK->setGeometry(515, 240, 75, 25);
    OK->setDefault(true);

    Anuluj = new QPushButton(QStringLiteral("Anuluj"), this);
    Anuluj->setObjectName(QStringLiteral("Anuluj"));
    Anuluj->setGeometry(596, 240, 75, 25);
    Anuluj->setAutoDefault(false);

    connect(Odtworz, &QPushButton::clicked, this, &TFragmentDlg::OdtworzClick);
    connect(OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(Anuluj, &QPushButton::clicked, this, &QDialog::reject);

    FormCreate();
    pagekit::scaleWindow(this);
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
        const QSignalBlocker blockStart(PoczatekE);
        const QSignalBlocker blockEnd(KoniecE);
        const double length = double(g.N) / zelmar::kSampleRate;
        // The language may have changed since the last time.
        PoczatekE->setLocale(uilocale::current());
        KoniecE->setLocale(uilocale::current());
        PoczatekE->setRange(0, length);
        KoniecE->setRange(0, length);
    }
    showFragment();
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
    showFragment();
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

void TFragmentDlg::setFragment(int32_t start, int32_t end)
{
    if (!Element)
        return;
    Element->FragmentStart = start;
    Element->FragmentEnd = end;
    showFragment();
}

void TFragmentDlg::showFragment()
{
    if (Element && Sound) {
        // The next move must see the new marker even before the picture is repainted.
        const zelmar::WaveGeometry g = waveGeometry();
        StartColumn = g.columnOf(Element->FragmentStart);
        EndColumn = g.columnOf(Element->FragmentEnd);
        const int64_t from = int64_t(Element->FragmentStart) - 1;
        const int64_t to = Element->FragmentEnd;
        const QSignalBlocker blockStart(PoczatekE);
        const QSignalBlocker blockEnd(KoniecE);
        PoczatekE->setValue(double(from) / zelmar::kSampleRate);
        KoniecE->setValue(double(to) / zelmar::kSampleRate);
        DlugoscST->setText(seconds(to - from) + QStringLiteral(" s"));
        WidokWav->setAccessibleDescription(QString::fromStdString(zelmar::rsf(
            65372, {seconds(from).toStdString(), seconds(to).toStdString(), seconds(to - from).toStdString()})));
    }
    WidokWav->update();
}

void TFragmentDlg::PoczatekStep(int steps)
{
    if (Element && Sound)
        setFragment(zelmar::stepStart(*Sound, Element->FragmentStart, Element->FragmentEnd, int64_t(steps) * kShortStep,
                                      PrzyciaganieCB->isChecked()),
                    Element->FragmentEnd);
}

void TFragmentDlg::KoniecStep(int steps)
{
    if (Element && Sound)
        setFragment(Element->FragmentStart, zelmar::stepEnd(*Sound, Element->FragmentStart, Element->FragmentEnd,
                                                            int64_t(steps) * kShortStep, PrzyciaganieCB->isChecked()));
}

void TFragmentDlg::PoczatekTyped(double value)
{
    if (!Element || !Sound || Sound->SampleCount < 1)
        return;
    const int32_t p = std::clamp<int32_t>(int32_t(std::lround(value * zelmar::kSampleRate)) + 1, 1, Sound->SampleCount);
    setFragment(zelmar::startAt(*Sound, p, PrzyciaganieCB->isChecked(), Element->FragmentEnd), Element->FragmentEnd);
}

void TFragmentDlg::KoniecTyped(double value)
{
    if (!Element || !Sound || Sound->SampleCount < 1)
        return;
    const int32_t p = std::clamp<int32_t>(int32_t(std::lround(value * zelmar::kSampleRate)), 1, Sound->SampleCount);
    setFragment(Element->FragmentStart, zelmar::endAt(*Sound, p, PrzyciaganieCB->isChecked(), Element->FragmentStart));
}
