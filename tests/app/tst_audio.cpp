// Playback of previews: what reaches the player, the window while it plays, the temporary files,
// and a machine without sound.
#include "ScriptedDialogs.h"
#include "SilentPlayer.h"

#include "audio/Gain.h"
#include "audio/Render.h"
#include "WavBytes.h"
#include "audio/WavFile.h"
#include "i18n/ResourceStrings.h"
#include "model/SignalSet.h"

#include <QFile>
#include <QElapsedTimer>
#include <QWidget>
#include <QtTest>

using namespace zelmar;

namespace {

QString rsq(int id)
{
    return QString::fromStdString(rs(id));
}

QByteArray fileBytes(const std::vector<int16_t>& samples)
{
    return QByteArray::fromStdString(testwav::wavFileBytes(samples));
}

std::vector<int16_t> dataOf(const QByteArray& file)
{
    std::vector<int16_t> v;
    for (qsizetype i = 44; i + 1 < file.size(); i += 2)
        v.push_back(int16_t(uint16_t(uint8_t(file[i]) | uint8_t(file[i + 1]) << 8)));
    return v;
}

// A player that notes whether the window was disabled and the file present while it played.
class WatchingPlayer : public AudioPlayer {
public:
    QWidget* window = nullptr;
    bool windowWasEnabled = true;
    bool fileExisted = false;
    bool play(const QString& path, QString&) override
    {
        windowWasEnabled = window->isEnabled();
        fileExisted = QFile::exists(path);
        return true;
    }
};

} // namespace

class AudioTest : public QObject {
    Q_OBJECT

private:
    SignalSet set;
    QWidget window;
    ScriptedDialogs dialogs;
    SilentPlayer silent;

private Q_SLOTS:
    void init()
    {
        set.clear();
        LibrarySound a;
        a.name = "a";
        a.sound.SetSamples({3, -3, 1000, -1000, 20000, 5});
        a.sound.Gain = 60;
        set.library.push_back(a);
        dialogs.reset();
        silent = SilentPlayer();
        window.setEnabled(true);
    }

    void cleanup() { QCOMPARE(dialogs.unexpected(), QStringList()); }

    void librarySoundPlaysWithGainChoiceListWithout()
    {
        const TDostepnyDzwiek& s = set.library[0].sound;
        const QString withGain = QString::fromStdString(renderSoundPreview(s, true));
        QVERIFY(PlayWavFile(&window, silent, dialogs, withGain));
        const QString plain = QString::fromStdString(renderSoundPreview(s, false));
        QVERIFY(PlayWavFile(&window, silent, dialogs, plain));
        QCOMPARE(silent.played().size(), 2);
        QCOMPARE(silent.played()[1].bytes, fileBytes(s.Samples));
        const auto loud = dataOf(silent.played()[0].bytes);
        QCOMPARE(loud.size(), s.Samples.size());
        for (size_t i = 0; i < loud.size(); ++i) {
            QCOMPARE(loud[i], ApplyGain(s.Samples[i], 6.0));
            QVERIFY(std::abs(loud[i]) >= std::abs(s.Samples[i]));
        }
        QVERIFY(!QFile::exists(withGain));
        QVERIFY(!QFile::exists(plain));
    }

    void elementsAndSignalsPlayWhatTheChimeWould()
    {
        // Volume 8 halves after the 6 dB gain; the pause adds 50 x 180 zero samples.
        const TDzwiek element{1, 8, 2, 4, 0};
        QVERIFY(PlayWavFile(&window, silent, dialogs, QString::fromStdString(renderElementPreview(element, set))));
        const auto e = dataOf(silent.played().last().bytes);
        QCOMPARE(e.size(), size_t(3));
        for (size_t i = 0; i < 3; ++i)
            QCOMPARE(e[i], int16_t(std::nearbyint(ApplyGain(set.library[0].sound.Samples[i + 1], 6.0) * 8.0 / 16.0)));

        const Signal signal{element, TDzwiek::pause(50)};
        QVERIFY(PlayWavFile(&window, silent, dialogs, QString::fromStdString(renderSignalPreview(signal, set))));
        const QByteArray file = silent.played().last().bytes;
        QCOMPARE(file.size(), 44 + 2 * (3 + 9000));
        QCOMPARE(file.left(44), QByteArray::fromStdString(fixedWavHeader(2 * (3 + 9000))));
        const auto all = dataOf(file);
        QCOMPARE(std::vector<int16_t>(all.begin(), all.begin() + 3), e);
        QVERIFY(std::all_of(all.begin() + 3, all.end(), [](int16_t x) { return x == 0; }));
        // A signal without elements makes no file and plays nothing.
        QCOMPARE(renderSignalPreview(Signal{}, set), std::string());
        QVERIFY(!PlayWavFile(&window, silent, dialogs, QString()));
        QCOMPARE(silent.played().size(), 2);
    }

    void theWindowIsDisabledWhilePlayingAndTheFileDeletedAfter()
    {
        WatchingPlayer watching;
        watching.window = &window;
        const QString p = QString::fromStdString(renderSoundPreview(set.library[0].sound, false));
        QVERIFY(PlayWavFile(&window, watching, dialogs, p));
        QVERIFY(!watching.windowWasEnabled);
        QVERIFY(watching.fileExisted);
        QVERIFY(window.isEnabled());
        QVERIFY(!QFile::exists(p));
        QVERIFY(!QApplication::overrideCursor());
    }

    void noOutputDeviceIsAClearMessage()
    {
        silent.setNoDevice(true);
        const QString p = QString::fromStdString(renderSoundPreview(set.library[0].sound, false));
        QVERIFY(!PlayWavFile(&window, silent, dialogs, p));
        QCOMPARE(dialogs.notices(), QStringList{rsq(65270)});
        QVERIFY(window.isEnabled());
        QVERIFY(!QFile::exists(p));
    }

    void realPlayerWithoutASoundServerFailsQuickly()
    {
        // The test's environment points the sound server at a socket that does not exist.
        QtAudioPlayer player;
        const QString p = QString::fromStdString(renderSoundPreview(set.library[0].sound, false));
        QElapsedTimer t;
        t.start();
        const bool played = PlayWavFile(&window, player, dialogs, p);
        QVERIFY(t.elapsed() < 10000);
        if (QtAudioPlayer::outputAvailable())
            QSKIP("this machine has an audio output after all");
        QVERIFY(!played);
        QCOMPARE(dialogs.notices(), QStringList{rsq(65270)});
        QVERIFY(window.isEnabled());
        QVERIFY(!QFile::exists(p));
    }
};

int main(int argc, char** argv)
{
    // No sound server for this program: the real player must say so instead of hanging.
    qputenv("PULSE_SERVER", "unix:/nonexistent/zelmar-no-pulse");
    QApplication app(argc, argv);
    AudioTest t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_audio.moc"
