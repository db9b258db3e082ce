// The fragment dialog: its column arithmetic, snapping and alignment, the drawing, and the real
// dialog driven with the mouse and with the keys while it runs modally.
#include "Accessibility.h"
#include "FocusWalk.h"
#include "FragmentDlg.h"
#include "model/SignalSet.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QImage>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <functional>

using namespace zelmar;

namespace {

TDostepnyDzwiek makeSound(std::vector<int16_t> samples, uint8_t gain = 0)
{
    TDostepnyDzwiek s;
    s.SetSamples(std::move(samples));
    s.Gain = gain;
    return s;
}

// A tone of about 850 Hz: every 100-sample column holds both of its peaks, and its half-waves
// never line up with the 8-sample blocks.
TDostepnyDzwiek sine(int32_t n, double amplitude, uint8_t gain = 0)
{
    std::vector<int16_t> v(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i)
        v[size_t(i)] = int16_t(std::lround(amplitude * std::sin(i * 0.3)));
    return makeSound(std::move(v), gain);
}

QWidget* view(TFragmentDlg& dlg) { return dlg.findChild<QWidget*>(QStringLiteral("WidokWav")); }

void press(TFragmentDlg& dlg, int x) { QTest::mousePress(view(dlg), Qt::LeftButton, {}, QPoint(x, 80)); }
void moveTo(TFragmentDlg& dlg, int x) { QTest::mouseMove(view(dlg), QPoint(x, 80)); }
void release(TFragmentDlg& dlg, int x) { QTest::mouseRelease(view(dlg), Qt::LeftButton, {}, QPoint(x, 80)); }

void drag(TFragmentDlg& dlg, int from, int to)
{
    press(dlg, from);
    moveTo(dlg, to);
    release(dlg, to);
}

// Runs editFragment; `during` works on the shown dialog, which is then closed with `button`
// whatever `during` found.
bool runDialog(TFragmentDlg& dlg, TDzwiek& element, const TDostepnyDzwiek& sound,
               const std::function<void()>& during, const char* button)
{
    QTimer::singleShot(0, &dlg, [&] {
        if (!QTest::qWaitForWindowExposed(&dlg))
            qWarning("fragment dialog not exposed");
        during();
        QTest::mouseClick(dlg.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
    });
    return dlg.editFragment(element, sound);
}

// Rows between which a column of the picture holds the waveform's blue, or {-1, -1}.
std::pair<int, int> blueRows(const QImage& img, int x)
{
    int top = -1, bottom = -1;
    for (int y = 0; y < img.height(); ++y)
        if (img.pixelColor(x, y) == QColor(0, 0, 0xFF)) {
            if (top < 0)
                top = y;
            bottom = y;
        }
    return {top, bottom};
}

QList<int> redColumns(const QImage& img)
{
    QList<int> xs;
    for (int x = 0; x < img.width(); ++x)
        if (img.pixelColor(x, 40) == QColor(0xFF, 0, 0))
            xs << x;
    return xs;
}

} // namespace

class FragmentTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void geometryOfLongSound();
    void dragStartWithoutSnapping();
    void snappingToCrossing();
    void crossingMarkersPullsPointerBack();
    void fragmentNeverEmpties();
    void cancelRestoresOkKeeps();
    void playHandsOverTheElementUnderEdit();
    void gainDrawsLargerButKeepsPositions();
    void veryShortSounds();
    void keyStepsSnapAsADragDoes();
    void cutSetByKeysInAnActiveWindow();
};

void FragmentTest::geometryOfLongSound()
{
    const WaveGeometry g = WaveGeometry::of(661, 166, 65900);
    QCOMPARE(g.W, 659);
    QCOMPARE(g.S, 100);
    QCOMPARE(g.mid, 84);   // round(83.5) goes to the even 84
    QCOMPARE(g.columnOf(1), 1);
    QCOMPARE(g.columnOf(65900), 659);   // round(658.99) + 1 would be 660: held at W
    QCOMPARE(g.positionAt(101), 10001);
    QCOMPARE(g.positionAt(-5), 1);
    QCOMPARE(g.positionAt(2000), 65900);
    // Ties to even in the column of a position: 50 samples past a column start is half a column.
    QCOMPARE(g.columnOf(51), 1);
    QCOMPARE(g.columnOf(151), 3);
    QCOMPARE(g.yOf(32767), 84 + 82);    // 82.5 rounds to 82
    QCOMPARE(g.yOf(-32767), 84 - 82);
    // Samples per column round to the nearest, ties to even.
    QCOMPARE(WaveGeometry::of(661, 166, 32687).S, 50);   // 49.6
    QCOMPARE(WaveGeometry::of(10, 10, 20).S, 2);          // 2.5
    QCOMPARE(WaveGeometry::of(10, 10, 28).S, 4);          // 3.5

    // The real dialog, centred on its main window even after that has moved, puts the markers of
    // the whole sound on the first and last columns.
    QWidget mainWindow;
    mainWindow.setGeometry(40, 30, 800, 600);
    mainWindow.show();
    TFragmentDlg dlg(&mainWindow);
    const TDostepnyDzwiek sound = sine(65900, 12000);
    TDzwiek el = TDzwiek::sound(1, sound);
    for (const QPoint at : {QPoint(40, 30), QPoint(300, 200)}) {
        mainWindow.move(at);
        runDialog(dlg, el, sound, [&] {
            QCOMPARE(dlg.windowTitle(), QStringLiteral("Wybór fragmentu do odtwarzania"));
            QVERIFY((dlg.frameGeometry().center() - mainWindow.frameGeometry().center()).manhattanLength() <= 1);
            QCOMPARE(dlg.waveGeometry().W, 659);
            QCOMPARE(dlg.startColumn(), 1);
            QCOMPARE(dlg.endColumn(), 659);
        }, "Anuluj");
    }
}

void FragmentTest::dragStartWithoutSnapping()
{
    TFragmentDlg dlg;
    const TDostepnyDzwiek sound = sine(65900, 12000);
    TDzwiek el = TDzwiek::sound(1, sound);
    dlg.findChild<QCheckBox*>(QStringLiteral("PrzyciaganieCB"))->setChecked(false);
    const bool ok = runDialog(dlg, el, sound, [&] {
        press(dlg, 1);
        moveTo(dlg, 101);
        QCOMPARE(el.FragmentStart, 10001);   // already on a block start
        moveTo(dlg, 102);
        QCOMPARE(el.FragmentStart, 10105);   // 10101 moved on to the next block
        QCOMPARE(dlg.startColumn(), 102);
        release(dlg, 102);
        // The end marker is not aligned.
        drag(dlg, 659, 302);
        QCOMPARE(el.FragmentEnd, 30101);
    }, "OK");
    QVERIFY(ok);
    QCOMPARE(el.FragmentStart, 10105);
    QCOMPARE(el.FragmentEnd, 30101);
    QCOMPARE(el.SoundNumber, 1);   // nothing but the fragment changes
    QCOMPARE(el.Volume, 0);
}

void FragmentTest::snappingToCrossing()
{
    // Negative everywhere but a positive half-wave over samples 10050 .. 10130.
    std::vector<int16_t> v(65900, -1000);
    for (int k = 10050; k <= 10130; ++k)
        v[size_t(k - 1)] = 1000;
    v[10099] = 0;   // zero counts with the positive side
    const TDostepnyDzwiek sound = makeSound(std::move(v));

    QCOMPARE(snapToCrossing(sound, 10101), 10130);
    QCOMPARE(snapToCrossing(sound, 10049), 10049);    // last negative before the half-wave
    QCOMPARE(snapToCrossing(sound, 20000), 65900);    // no crossing left: the last sample
    QCOMPARE(alignToBlock(10130, 65900), 10137);
    QCOMPARE(alignToBlock(65899, 65900), 65900);      // alignment stops at N
    QCOMPARE(alignToBlock(9, 65900), 9);

    TFragmentDlg dlg;
    QVERIFY(dlg.findChild<QCheckBox*>(QStringLiteral("PrzyciaganieCB"))->isChecked());
    TDzwiek el = TDzwiek::sound(1, sound);
    runDialog(dlg, el, sound, [&] {
        press(dlg, 1);
        moveTo(dlg, 102);
        QCOMPARE(el.FragmentStart, 10137);   // last positive sample 10130, then the next block start
        moveTo(dlg, 101);                    // 10001 lies in the negative stretch before it
        QCOMPARE(el.FragmentStart, 10049);   // its last sample, itself a block start
        release(dlg, 101);
    }, "Anuluj");

    runDialog(dlg, el, sound, [&] {
        drag(dlg, 659, 102);                 // 10101 snaps to 10130; an end is not aligned
        QCOMPARE(el.FragmentEnd, 10130);
        drag(dlg, 1, 102);                   // 10137 would pass the end
        QVERIFY(el.FragmentStart <= el.FragmentEnd);
    }, "OK");
    QCOMPARE(el.FragmentStart, 10129);   // the block that holds the end
    QCOMPARE(el.FragmentEnd, 10130);
}

void FragmentTest::crossingMarkersPullsPointerBack()
{
    TFragmentDlg dlg;
    const TDostepnyDzwiek sound = sine(65900, 12000);
    TDzwiek el = TDzwiek::sound(1, sound);
    el.SetFragment(10001, 20001);
    runDialog(dlg, el, sound, [&] {
        QWidget* w = view(dlg);
        QCOMPARE(dlg.startColumn(), 101);
        QCOMPARE(dlg.endColumn(), 201);

        press(dlg, 102);
        QTest::mouseMove(w, QPoint(250, 77));
        QCOMPARE(QCursor::pos(), w->mapToGlobal(QPoint(201, 77)));
        QCOMPARE(el.FragmentStart, 10001);
        release(dlg, 250);

        press(dlg, 200);
        QTest::mouseMove(w, QPoint(40, 33));
        QCOMPARE(QCursor::pos(), w->mapToGlobal(QPoint(101, 33)));
        QCOMPARE(el.FragmentEnd, 20001);
        release(dlg, 40);

        // Away from both markers a press drags nothing.
        drag(dlg, 150, 180);
        QCOMPARE(el.FragmentStart, 10001);
        QCOMPARE(el.FragmentEnd, 20001);
    }, "Anuluj");

    // The start marker wins when both are within reach.

    TDzwiek close = TDzwiek::sound(1, sound);
    close.SetFragment(10001, 10301);   // columns 101 and 104
    dlg.findChild<QCheckBox*>(QStringLiteral("PrzyciaganieCB"))->setChecked(false);
    runDialog(dlg, close, sound, [&] {
        drag(dlg, 103, 51);
        QCOMPARE(close.FragmentStart, 5001);
        QCOMPARE(close.FragmentEnd, 10301);
    }, "OK");
}

void FragmentTest::fragmentNeverEmpties()
{
    TFragmentDlg dlg;
    dlg.findChild<QCheckBox*>(QStringLiteral("PrzyciaganieCB"))->setChecked(false);
    const TDostepnyDzwiek sound = sine(65900, 12000);

    // End at 10061 sits in column 102; the start dragged there would be 10105.
    TDzwiek el = TDzwiek::sound(1, sound);
    el.SetFragment(1, 10061);
    runDialog(dlg, el, sound, [&] {
        QCOMPARE(dlg.endColumn(), 102);
        drag(dlg, 1, 102);
        QCOMPARE(el.FragmentStart, 10057);   // the block holding the end
        QVERIFY(el.FragmentEnd - el.FragmentStart + 1 >= 1);
    }, "OK");

    // Start at 10105 sits in column 102; the end dragged there would be 10101.
    TDzwiek el2 = TDzwiek::sound(1, sound);
    el2.SetFragment(10105, 65900);
    runDialog(dlg, el2, sound, [&] {
        drag(dlg, 659, 102);
        QCOMPARE(el2.FragmentEnd, 10105);
    }, "OK");
    QCOMPARE(el2.FragmentStart, 10105);
}

void FragmentTest::cancelRestoresOkKeeps()
{
    TFragmentDlg dlg;
    const TDostepnyDzwiek sound = sine(65900, 12000);
    TDzwiek el = TDzwiek::sound(3, sound);
    el.SetFragment(2001, 60001);
    el.SetVolume(8);
    const TDzwiek before = el;

    bool changedWhileOpen = false;
    const bool cancelled = !runDialog(dlg, el, sound, [&] {
        drag(dlg, dlg.startColumn(), 300);
        drag(dlg, dlg.endColumn(), 500);
        changedWhileOpen = el.FragmentStart != before.FragmentStart && el.FragmentEnd != before.FragmentEnd;
        dlg.findChild<QCheckBox*>(QStringLiteral("PrzyciaganieCB"))->setChecked(false);
    }, "Anuluj");
    QVERIFY(cancelled);
    QVERIFY(changedWhileOpen);
    QCOMPARE(el, before);

    // The snapping choice outlives the showing; OK keeps what was dragged.
    int32_t dragged = 0;
    QVERIFY(runDialog(dlg, el, sound, [&] {
        QVERIFY(!dlg.findChild<QCheckBox*>(QStringLiteral("PrzyciaganieCB"))->isChecked());
        drag(dlg, dlg.startColumn(), 300);
        dragged = el.FragmentStart;
    }, "OK"));
    QCOMPARE(dragged, 29905);   // 29901 aligned
    QCOMPARE(el.FragmentStart, 29905);
    QCOMPARE(el.FragmentEnd, before.FragmentEnd);

    // A pause has no fragment: no dialog, nothing changed.
    TDzwiek pause = TDzwiek::pause(70);
    const TDzwiek pauseBefore = pause;
    QTimer guard;
    guard.setSingleShot(true);
    bool shown = false;
    connect(&guard, &QTimer::timeout, &dlg, [&] { shown = dlg.isVisible(); dlg.reject(); });
    guard.start(2000);
    QVERIFY(!dlg.editFragment(pause, sound));
    guard.stop();
    QVERIFY(!shown);
    QCOMPARE(pause, pauseBefore);
}

void FragmentTest::playHandsOverTheElementUnderEdit()
{
    const TDostepnyDzwiek sound = sine(65900, 12000);
    TDzwiek el = TDzwiek::sound(2, sound);
    el.SetVolume(8);
    TFragmentDlg dlg;
    dlg.findChild<QCheckBox*>(QStringLiteral("PrzyciaganieCB"))->setChecked(false);

    // Without a preview the button does nothing, and does not fail.
    runDialog(dlg, el, sound, [&] {
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("Odtworz")), Qt::LeftButton);
    }, "Anuluj");

    QList<TDzwiek> played;
    const TDostepnyDzwiek* playedSound = nullptr;
    dlg.setElementPreview([&](const TDzwiek& e, const TDostepnyDzwiek& s) {
        QCOMPARE(&e, &el);   // the element itself, not a copy made when the dialog opened
        played << e;
        playedSound = &s;
    });
    const bool ok = runDialog(dlg, el, sound, [&] {
        drag(dlg, 1, 201);
        QTest::mouseClick(dlg.findChild<QPushButton*>(QStringLiteral("Odtworz")), Qt::LeftButton);
    }, "Anuluj");
    QVERIFY(!ok);
    QCOMPARE(played.size(), 1);
    QCOMPARE(played.front().FragmentStart, 20001);   // what was dragged, not yet confirmed
    QCOMPARE(played.front().FragmentEnd, 65900);
    QCOMPARE(played.front().Volume, 8);
    QCOMPARE(playedSound, &sound);
    QCOMPARE(el.FragmentStart, 1);
}

void FragmentTest::gainDrawsLargerButKeepsPositions()
{
    const TDostepnyDzwiek plain = sine(65900, 20000);
    const TDostepnyDzwiek loud = sine(65900, 20000, 60);
    const WaveGeometry g = WaveGeometry::of(661, 166, 65900);

    const auto quiet = columnPeaks(g, plain);
    const auto strong = columnPeaks(g, loud);
    QCOMPARE(int(quiet.size()), 659);
    QCOMPARE(int(strong.size()), 659);
    // 20000 of 32767 spans about 50 pixels either way; +6 dB clips at full scale.
    QCOMPARE(quiet[10].first, 84 - 50);
    QCOMPARE(quiet[10].second, 84 + 50);
    QCOMPARE(strong[10].first, 84 - 82);
    QCOMPARE(strong[10].second, 84 + 82);

    // The same on screen: blue reaches further with the gain, the red markers stay put.
    TFragmentDlg dlg;
    QImage images[2];
    const TDostepnyDzwiek* sounds[2] = {&plain, &loud};
    for (int i = 0; i < 2; ++i) {
        TDzwiek el = TDzwiek::sound(1, *sounds[i]);
        el.SetFragment(10001, 40001);
        runDialog(dlg, el, *sounds[i], [&] { images[i] = view(dlg)->grab().toImage(); }, "Anuluj");
    }
    QCOMPARE(redColumns(images[0]), (QList<int>{101, 401}));
    QCOMPARE(redColumns(images[1]), (QList<int>{101, 401}));
    const auto [qTop, qBottom] = blueRows(images[0], 250);
    const auto [lTop, lBottom] = blueRows(images[1], 250);
    QCOMPARE(qTop, 34);
    QCOMPARE(qBottom, 134);
    QCOMPARE(lTop, 2);
    QCOMPARE(lBottom, 165);   // full scale lands on row 166, past the picture
    // The selected stretch is grey, the outside white.
    QCOMPARE(images[0].pixelColor(250, 10), QColor(0xC0, 0xC0, 0xC0));
    QCOMPARE(images[0].pixelColor(500, 10), QColor(Qt::white));
}

void FragmentTest::veryShortSounds()
{
    for (int32_t n : {1, 7, 300, 0}) {
        const TDostepnyDzwiek sound = sine(n, 15000);
        const WaveGeometry g = WaveGeometry::of(661, 166, n);
        QCOMPARE(g.S, 1);   // never 0: one sample a column
        const auto peaks = columnPeaks(g, sound);
        QCOMPARE(int(peaks.size()), 659);
        for (const auto& [lo, hi] : peaks)
            QVERIFY(lo >= 1 && hi <= 166 && lo <= hi);
        QCOMPARE(g.columnOf(n), std::max(1, n));

        TFragmentDlg dlg;
        dlg.findChild<QCheckBox*>(QStringLiteral("PrzyciaganieCB"))->setChecked(n % 2 == 1);
        TDzwiek el = TDzwiek::sound(1, sound);
        runDialog(dlg, el, sound, [&] {
            // Pull each marker as far over the other as the rules let it go, and out of the picture.
            for (int x : {n, n + 40, 700, -30}) {
                drag(dlg, dlg.startColumn(), x);
                drag(dlg, dlg.endColumn(), -x);
                if (n == 0)
                    continue;
                QVERIFY2(el.FragmentStart >= 1 && el.FragmentStart <= el.FragmentEnd && el.FragmentEnd <= n,
                         qPrintable(QStringLiteral("n %1: %2..%3").arg(n).arg(el.FragmentStart).arg(el.FragmentEnd)));
            }
        }, "OK");
        if (n == 0)
            QCOMPARE(el, TDzwiek::sound(1, sound));   // nothing to choose from: left alone
    }
}

void FragmentTest::keyStepsSnapAsADragDoes()
{
    const TDostepnyDzwiek wave = sine(65900, 12000);
    // Without snapping a step is 0.01 s, a start then moved on to its block.
    QCOMPARE(stepStart(wave, 1, 65900, 180, false), 185);
    QCOMPARE(stepStart(wave, 10001, 65900, -1800, false), 8201);
    QCOMPARE(stepEnd(wave, 1, 65900, -1800, false), 64100);
    // Neither marker passes the other, however long the step.
    QCOMPARE(stepStart(wave, 1, 100, 1800, false), 97);
    QCOMPARE(stepEnd(wave, 5000, 5100, -1800, false), 5000);

    // With snapping a step back still goes back, to the first crossing after its target.
    const int32_t back = stepStart(wave, 20001, 65900, -180, true);
    QVERIFY2(back >= 19821 && back < 20001 && (back - 1) % 8 == 0, qPrintable(QString::number(back)));
    const int32_t end = stepEnd(wave, 1, 65900, -1800, true);
    QVERIFY2(end >= 64100 && end < 65900, qPrintable(QString::number(end)));
    QVERIFY((wave.Samples[size_t(end - 1)] >= 0) != (wave.Samples[size_t(end)] >= 0));

    // Negative everywhere but a positive half-wave over 10050 .. 10130: from behind it a step back
    // lands on the last negative sample before it; from there no crossing lies further back, so
    // the start stays, as a drag anywhere before it would snap to the same place.
    std::vector<int16_t> v(65900, -1000);
    for (int k = 10050; k <= 10130; ++k)
        v[size_t(k - 1)] = 1000;
    const TDostepnyDzwiek halfWave = makeSound(std::move(v));
    QCOMPARE(stepStart(halfWave, 10137, 65900, -180, true), 10049);
    QCOMPARE(stepStart(halfWave, 10049, 65900, -1800, true), 10049);
    QCOMPARE(stepEnd(halfWave, 1, 10130, -180, true), 10049);
}

void FragmentTest::cutSetByKeysInAnActiveWindow()
{
    accessibility::install();   // as the program does: the default button shows the focus too
    QWidget mainWindow;
    mainWindow.show();
    TFragmentDlg dlg(&mainWindow);
    const TDostepnyDzwiek sound = sine(65900, 12000);
    TDzwiek el = TDzwiek::sound(1, sound);
    auto* startE = dlg.findChild<QDoubleSpinBox*>(QStringLiteral("PoczatekE"));
    auto* endE = dlg.findChild<QDoubleSpinBox*>(QStringLiteral("KoniecE"));
    auto* length = dlg.findChild<QLabel*>(QStringLiteral("DlugoscST"));
    QVERIFY(startE && endE && length);
    // Without a translation the dialog speaks its built-in Polish, and writes and reads a decimal comma.
    auto shown = [](int64_t samples) { return QLocale(QLocale::Polish).toString(double(samples) / kSampleRate, 'f', 2); };
    auto crossing = [&](int32_t p) { return (sound.Samples[size_t(p - 1)] >= 0) != (sound.Samples[size_t(p)] >= 0); };

    const bool ok = runDialog(dlg, el, sound, [&] {
        dlg.activateWindow();
        QApplication::setActiveWindow(&dlg);
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        QCOMPARE(startE->text(), QStringLiteral("0,00 s"));
        QCOMPARE(endE->text(), QStringLiteral("3,66 s"));

        // Tab reaches every control that does something, and each shows it has the focus.
        const focuswalk::Round round = focuswalk::tabRound(&dlg);
        QStringList stops = focuswalk::names(round.stops);
        stops.sort();
        QCOMPARE(stops, (QStringList{"Anuluj", "JakDzwonekCB", "KoniecE", "OK", "Odtworz", "PoczatekE", "PrzyciaganieCB"}));
        QVERIFY2(round.unseen.isEmpty(), qPrintable(round.unseen.join(u' ')));

        // The start's access key, then a long step and a short one forward and one back.
        QTest::keyClick(&dlg, Qt::Key_P, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), startE);
        QTest::keyClick(startE, Qt::Key_PageUp);
        const int32_t long1 = el.FragmentStart;
        QVERIFY2(long1 >= 1801 && long1 < 1801 + 40 && (long1 - 1) % 8 == 0, qPrintable(QString::number(long1)));
        QTest::keyClick(startE, Qt::Key_Up);
        QVERIFY(el.FragmentStart >= long1 + 180);
        QTest::keyClick(startE, Qt::Key_Down);
        QVERIFY(el.FragmentStart < long1 + 180 && el.FragmentStart >= long1);
        QCOMPARE(startE->text(), shown(el.FragmentStart - 1) + QStringLiteral(" s"));

        // The end, two long steps back, on a zero crossing as a drag would put it.
        QTest::keyClick(&dlg, Qt::Key_K, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), endE);
        QTest::keyClick(endE, Qt::Key_PageDown);
        QTest::keyClick(endE, Qt::Key_PageDown);
        QVERIFY2(el.FragmentEnd >= 65900 - 3600 && el.FragmentEnd < 65900 - 3600 + 40, qPrintable(QString::number(el.FragmentEnd)));
        QVERIFY(crossing(el.FragmentEnd));
        QCOMPARE(dlg.endColumn(), dlg.waveGeometry().columnOf(el.FragmentEnd));

        // A typed time counts once the field is left, snapped the same way.
        const int32_t stepped = el.FragmentEnd;
        endE->selectAll();
        QTest::keyClicks(endE, QStringLiteral("2,5"));
        QCOMPARE(el.FragmentEnd, stepped);   // not yet
        QTest::keyClick(endE, Qt::Key_Tab);
        QVERIFY2(el.FragmentEnd >= 45000 && el.FragmentEnd < 45040 && crossing(el.FragmentEnd),
                 qPrintable(QString::number(el.FragmentEnd)));

        const int64_t from = el.FragmentStart - 1;
        const int64_t to = el.FragmentEnd;
        QCOMPARE(length->text(), shown(to - from) + QStringLiteral(" s"));
        const QString description = view(dlg)->accessibleDescription();
        for (const QString& number : {shown(from), shown(to), shown(to - from)})
            QVERIFY2(description.contains(number), qPrintable(description));
    }, "OK");
    QVERIFY(ok);
    QVERIFY(el.FragmentStart > 1801 && el.FragmentEnd < 45040);
}

QTEST_MAIN(FragmentTest)
#include "tst_fragment.moc"
