// "Dodaj" on the library page: the whole road of an import through the Dialogs port, with the
// progress window, the messages and what is blocked while a conversion runs.
#include "KonwersjaDlg.h"
#include "ScriptedDialogs.h"
#include "SoundImport.h"
#include "WizardState.h"

#include "audio/Import.h"
#include "audio/WavFile.h"
#include "i18n/ResourceStrings.h"
#include "model/ByteReader.h"
#include "model/SignalSet.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

#include <lame/lame.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <numbers>

using zelmar::SignalSet;

namespace {

QString rsq(int id)
{
    return QString::fromStdString(zelmar::rs(id));
}

QByteArray wav(int channels, int rate, int bits, const QByteArray& data)
{
    zelmar::ByteWriter w;
    w.raw("RIFF");
    w.u32(uint32_t(36 + data.size()));
    w.raw("WAVE");
    w.raw("fmt ");
    w.u32(16);
    w.u16(1);
    w.u16(uint16_t(channels));
    w.u32(uint32_t(rate));
    w.u32(uint32_t(rate * channels * bits / 8));
    w.u16(uint16_t(channels * bits / 8));
    w.u16(uint16_t(bits));
    w.raw("data");
    w.u32(uint32_t(data.size()));
    w.raw(data.constData(), size_t(data.size()));
    return QByteArray::fromStdString(w.bytes());
}

QByteArray pcm16(const std::vector<int16_t>& v)
{
    QByteArray b;
    for (int16_t x : v)
        b.append(char(uint16_t(x) & 0xFF)).append(char(uint16_t(x) >> 8));
    return b;
}

QByteArray sine16(int channels, int rate, int frames)
{
    std::vector<int16_t> v;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            v.push_back(int16_t(10000 * std::sin(2 * std::numbers::pi * 440 * i / rate)));
    return pcm16(v);
}

// A stereo MP3 of two tones, `seconds` long, at 128 kbit/s.
QByteArray mp3(double seconds)
{
    lame_t l = lame_init();
    lame_set_num_channels(l, 2);
    lame_set_in_samplerate(l, 44100);
    lame_set_brate(l, 128);
    lame_set_quality(l, 9);
    lame_init_params(l);
    const int frames = int(seconds * 44100);
    std::vector<short> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        left[size_t(i)] = short(9000 * std::sin(2 * std::numbers::pi * 440 * i / 44100));
        right[size_t(i)] = short(7000 * std::sin(2 * std::numbers::pi * 660 * i / 44100));
    }
    std::vector<unsigned char> out(size_t(frames) * 5 / 4 + 7200);
    const int n = lame_encode_buffer(l, left.data(), right.data(), frames, out.data(), int(out.size()));
    const int m = lame_encode_flush(l, out.data() + n, int(out.size()) - n);
    lame_close(l);
    return QByteArray(reinterpret_cast<const char*>(out.data()), n + m);
}

int tempFiles()
{
    return int(QDir(QString::fromStdString(zelmar::privateTempDirectory())).entryList(QDir::Files).size());
}

// Counts how often a widget is shown and painted.
// Holds the decoding thread at a progress report until the test has clicked, so a cancel is
// always tried while the work is under way, however fast the machine.
class HeldDecoding {
public:
    explicit HeldDecoding(int fromReport = 1)
    {
        setDecodeProgressProbe([this, fromReport] {
            std::unique_lock lock(m_);
            if (++reports_ < fromReport)
                return;
            held_ = true;
            cv_.wait_for(lock, std::chrono::seconds(10), [this] { return released_; });
        });
    }
    ~HeldDecoding()
    {
        release();
        setDecodeProgressProbe({});
    }
    void release()
    {
        std::lock_guard lock(m_);
        released_ = true;
        cv_.notify_all();
    }
    bool wasHeld()
    {
        std::lock_guard lock(m_);
        return held_;
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    int reports_ = 0;
    bool held_ = false;
    bool released_ = false;
};

class ShowCounter : public QObject {
public:
    int shows = 0;
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Show)
            ++shows;
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// A set of `count` empty sounds.
SignalSet silentSounds(int count)
{
    SignalSet set;
    set.library.resize(size_t(count));
    return set;
}

} // namespace

class ImportTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    std::unique_ptr<QWidget> main;
    QPushButton* otherButton = nullptr;
    std::unique_ptr<TKonwersjaDlg> progress;
    ScriptedDialogs dialogs;
    WizardState state;
    ShowCounter showCounter;
    int tempsBefore = 0;

    QString put(const QString& name, const QByteArray& bytes)
    {
        const QString p = dir.filePath(name);
        QFile f(p);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(bytes);
        return p;
    }

    // One "Dodaj" with the file dialog answered by `path` and, when 0 or 1, the normalisation
    // question by `normalise`.
    bool importFile(const QString& path, int normalise = -1)
    {
        dialogs.answerOpen(path);
        if (normalise >= 0)
            dialogs.answerAsk(normalise == 1);
        return importSoundFile(main.get(), dialogs, state, *progress);
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(dir.isValid());
        main = std::make_unique<QWidget>();
        otherButton = new QPushButton("Dalej", main.get());
        main->show();
        progress = std::make_unique<TKonwersjaDlg>(main.get());
        showCounter.shows = 0;
        progress->installEventFilter(&showCounter);
        dialogs.reset();
        state.clearSet();
        state.rememberSoundFolder({});
        tempsBefore = tempFiles();
    }

    void cleanup()
    {
        progress.reset();
        main.reset();
        QCOMPARE(dialogs.unexpected(), QStringList());
        QCOMPARE(dialogs.pendingAnswers(), 0);
        QCOMPARE(tempFiles(), tempsBefore);
    }

    void monoAt18000NeedsNoConversionAndIsNamedAfterTheFile()
    {
        const QString p = put("gong.wav", wav(1, 18000, 16, pcm16({5, -6, 7})));
        QByteArray before;
        {
            QFile f(p);
            QVERIFY(f.open(QIODevice::ReadOnly));
            before = f.readAll();
        }
        QVERIFY(importFile(p, 0));
        QCOMPARE(showCounter.shows, 0);
        QCOMPARE(state.set().library.size(), size_t(1));
        QCOMPARE(QString::fromStdString(state.set().library[0].name), QString("gong"));
        QCOMPARE(state.set().library[0].sound.Samples, (std::vector<int16_t>{5, -6, 7}));
        QFile f(p);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
        // The file dialog: the audio filter, started in the (empty) last directory.
        const auto& shown = dialogs.shown();
        QCOMPARE(shown.first().kind, ScriptedDialogs::Kind::Open);
        QCOMPARE(shown.first().filter, rsq(65272));
        QCOMPARE(shown.first().startPath, QString());
        QCOMPARE(dialogs.questions(), QStringList{QString::fromStdString(zelmar::rsf(65211, {std::string("gong")}))});
        QCOMPARE(shown.last().caption, rsq(65233));
        QCOMPARE(state.lastSoundFolder(), dir.path() + "/");
    }

    void theLastDirectoryStartsTheNextDialog()
    {
        QDir(dir.path()).mkpath("sub");
        const QString p = put("sub/a.wav", wav(1, 18000, 16, pcm16({1, 2})));
        QVERIFY(importFile(p, 0));
        dialogs.answerOpen(QString());   // cancelled: nothing changes, directory stays
        QVERIFY(!importSoundFile(main.get(), dialogs, state, *progress));
        QCOMPARE(dialogs.shown().last().startPath, dir.path() + "/sub/");
        QCOMPARE(state.lastSoundFolder(), dir.path() + "/sub/");
        QCOMPARE(state.set().library.size(), size_t(1));
        QCOMPARE(QString::fromStdString(state.set().library[0].name), QString("a"));
    }

    void stereoIsMixedDownHalfToEven()
    {
        QVERIFY(importFile(put("s.wav", wav(2, 18000, 16, pcm16({3, 0, 5, 0, -3, 0, -7, 2}))), 0));
        QCOMPARE(state.set().library[0].sound.Samples, (std::vector<int16_t>{2, 2, -2, -2}));
        QCOMPARE(showCounter.shows, 0);
    }

    void normalisesOnYes()
    {
        std::vector<int16_t> v;
        for (int i = 0; i < 100; ++i)
            v.push_back(i % 2 ? 1000 : -1000);
        QVERIFY(importFile(put("n.wav", wav(1, 18000, 16, pcm16(v))), 1));
        QCOMPARE(state.set().library[0].sound.Samples[0], int16_t(-23170));
        QCOMPARE(state.set().library[0].sound.Samples[1], int16_t(23170));
    }

    void tooLongStatesTheLimitOfAnEmptySet()
    {
        QByteArray bytes = wav(1, 18000, 16, QByteArray());
        const uint32_t declared = 110 * 36000;   // 110 seconds promised
        for (int i = 0; i < 4; ++i)
            bytes[40 + i] = char(declared >> (8 * i));
        const QString p = put("long.wav", bytes);
        // Declining the offer of its start leaves the refusal.
        dialogs.answerOpen(p);
        dialogs.answerAsk(false);
        QVERIFY(!importSoundFile(main.get(), dialogs, state, *progress));
        QCOMPARE(dialogs.questions(), QStringList{QString::fromStdString(zelmar::rsf(65346, {std::string("110.00"), std::string("103.55")}))});
        const QString expected = QString::fromStdString(zelmar::rsf(65219, {std::string("110.00"), std::string("103.55")}));
        QCOMPARE(dialogs.notices(), QStringList{expected});
        QVERIFY(dialogs.notices().first().contains("do 103.55 sek."));
        QVERIFY(state.set().library.empty());
        QCOMPARE(state.lastSoundFolder(), dir.path() + "/");
    }

    // Taking the offer imports the start of the sound, as long as the room allows, converted and
    // mixed down as any other; then the normalisation question comes as usual.
    void tooLongOffersTheStartThatFits()
    {
        const int seconds = 110;
        const QString p = put("long44.wav", wav(2, 44100, 16, QByteArray(44100 * 4 * seconds, '\x10')));
        dialogs.answerOpen(p);
        dialogs.answerAsk(true);
        dialogs.answerAsk(false);
        QVERIFY(importSoundFile(main.get(), dialogs, state, *progress));
        QCOMPARE(dialogs.questions().size(), 2);
        QVERIFY(dialogs.questions().first().contains(QStringLiteral("103.55")));
        QVERIFY(dialogs.notices().isEmpty());
        QCOMPARE(state.set().library.size(), size_t(1));
        QVERIFY(state.set().freeBytes() >= 0);
        QVERIFY(state.set().library[0].sound.SampleCount > 103 * 18000);
    }

    void oneHundredTwentyEightSoundsRefuseBeforeTheDialog()
    {
        state.replaceSet(silentSounds(128));
        QVERIFY(!importSoundFile(main.get(), dialogs, state, *progress));
        QCOMPARE(dialogs.notices(), QStringList{rsq(65217)});
        QCOMPARE(dialogs.count(ScriptedDialogs::Kind::Open), 0);
        state.replaceSet(silentSounds(127));
        QVERIFY(importFile(put("last.wav", wav(1, 18000, 16, pcm16({1, 2}))), 0));
        QCOMPARE(state.set().library.size(), size_t(128));
    }

    void badFilesNameTheChosenFile()
    {
        const QString text = put("notes.wav", QByteArray("tylko tekst, bez dzwieku\n").repeated(20));
        QVERIFY(!importFile(text));
        QByteArray floats = wav(1, 44100, 4, QByteArray(400, '\0'));
        floats[20] = 2;   // ADPCM
        const QString f = put("float.wav", floats);
        QVERIFY(!importFile(f));
        const QString tiny = put("tiny.mp3", "abcd");
        QVERIFY(!importFile(tiny));
        QCOMPARE(dialogs.notices(),
                 (QStringList{QString::fromStdString(zelmar::rsf(65221, {text.toStdString()})),
                              QString::fromStdString(zelmar::rsf(65220, {f.toStdString()})),
                              QString::fromStdString(zelmar::rsf(65221, {tiny.toStdString()}))}));
        QVERIFY(state.set().library.empty());
    }

    void conversionShowsProgressAndBlocksTheWindow()
    {
        const QString p = put("cd.wav", wav(2, 44100, 16, sine16(2, 44100, 44100 * 30)));
        int clicks = 0;
        connect(otherButton, &QPushButton::clicked, this, [&] { ++clicks; });
        bool sawProgress = false, nestedRefused = false, closeRefused = false;
        QTimer probe;
        probe.setInterval(0);
        connect(&probe, &QTimer::timeout, this, [&] {
            if (!progress->isVisible())
                return;
            probe.stop();
            sawProgress = true;
            QTest::mouseClick(otherButton, Qt::LeftButton);
            QTest::keyClick(otherButton, Qt::Key_Space);
            nestedRefused = !importSoundFile(main.get(), dialogs, state, *progress);
            closeRefused = !main->close() && main->isVisible();
        });
        probe.start();
        QVERIFY(importFile(p, 0));
        QVERIFY(sawProgress);
        QVERIFY(nestedRefused);
        QVERIFY(closeRefused);
        QCOMPARE(clicks, 0);
        QVERIFY(!progress->isVisible());
        QVERIFY(std::abs(state.set().library[0].sound.SampleCount - 18000 * 30) <= 30);
        // Afterwards the window takes input and can close again.
        QTest::mouseClick(otherButton, Qt::LeftButton);
        QCOMPARE(clicks, 1);
    }

    void anulujEndsWithoutAMessageAndTheNextImportConverts()
    {
        const QString p = put("c.wav", wav(1, 22050, 16, sine16(1, 22050, 22050 * 60)));
        HeldDecoding held;
        QTimer press;
        press.setInterval(0);
        connect(&press, &QTimer::timeout, this, [&] {
            if (progress->isVisible()) {
                press.stop();
                QTest::mouseClick(progress->Anuluj, Qt::LeftButton);
                held.release();
            }
        });
        press.start();
        QVERIFY(!importFile(p));
        QVERIFY(held.wasHeld());
        // The user's own choice: the failure text that blames the file is not shown.
        QCOMPARE(dialogs.notices(), QStringList());
        QVERIFY(state.set().library.empty());
        press.stop();
        QVERIFY(importFile(put("d.wav", wav(1, 22050, 16, sine16(1, 22050, 2205))), 0));
        QCOMPARE(state.set().library.size(), size_t(1));
        QCOMPARE(state.set().library[0].sound.SampleCount, 1800);
    }

    void anMp3DecodesWhileTheWindowLivesAndAnulujCancelsIt()
    {
        const QString p = put("long.mp3", mp3(40));
        // From its second progress report on, the decoding waits for the click, so a fast machine
        // cannot finish it before the window has been seen and cancelled.
        HeldDecoding held(2);
        int clicks = 0;
        connect(otherButton, &QPushButton::clicked, this, [&] { ++clicks; });
        ShowCounter mainPaints;
        main->installEventFilter(&mainPaints);
        int paintsWhileDecoding = -1, gaugeSeen = 0;
        bool closeRefused = false, centred = false;
        QTimer probe;
        probe.setInterval(0);
        connect(&probe, &QTimer::timeout, this, [&] {
            if (!progress->isVisible())
                return;
            if (paintsWhileDecoding < 0) {
                paintsWhileDecoding = mainPaints.paints;
                const QPoint d = progress->geometry().center() - main->geometry().center();
                centred = std::abs(d.x()) <= 1 && std::abs(d.y()) <= 1;
                main->update();
                QTest::mouseClick(otherButton, Qt::LeftButton);
                closeRefused = !main->close() && main->isVisible();
                return;
            }
            gaugeSeen = std::max(gaugeSeen, progress->StanG->value());
            // Cancel once the window has repainted and the decoder has moved the gauge.
            if (mainPaints.paints > paintsWhileDecoding && gaugeSeen > 0) {
                probe.stop();
                QTest::mouseClick(progress->Anuluj, Qt::LeftButton);
                held.release();
            }
        });
        probe.start();
        QVERIFY(!importFile(p));
        QVERIFY(held.wasHeld());
        QVERIFY(paintsWhileDecoding >= 0);
        QVERIFY(mainPaints.paints > paintsWhileDecoding);
        QVERIFY(gaugeSeen > 0);
        QVERIFY(centred);
        QVERIFY(closeRefused);
        QCOMPARE(clicks, 0);
        // Nothing said, nothing asked, nothing added; cleanup() finds no temporary file.
        QCOMPARE(dialogs.notices(), QStringList());
        QVERIFY(state.set().library.empty());
        QVERIFY(!progress->isVisible());
    }
};

QTEST_MAIN(ImportTest)
#include "tst_import.moc"
