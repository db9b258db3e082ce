// The real output path once: a preview played through Qt Multimedia into a PulseAudio null sink
// that this test starts for itself.
#include "AudioPlayer.h"
#include "ScriptedDialogs.h"

#include "audio/Render.h"
#include "model/SignalSet.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QWidget>
#include <QtTest>

#include <cstdio>

namespace {

QTemporaryDir* g_dir = nullptr;
QProcess* g_pulse = nullptr;
QString g_why;

QString pactl(const QStringList& args)
{
    QProcess p;
    p.start("pactl", args);
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Starts a private server with one null sink; false (and a reason) when it cannot run here.
bool startPulse()
{
    g_dir = new QTemporaryDir();
    const QString socket = g_dir->filePath("native");
    g_pulse = new QProcess();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", g_dir->path());
    env.insert("HOME", g_dir->path());
    env.remove("PULSE_SERVER");
    g_pulse->setProcessEnvironment(env);
    g_pulse->setProcessChannelMode(QProcess::MergedChannels);
    g_pulse->start("pulseaudio", {"-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
                                   "--disable-shm=yes", "--load=module-null-sink sink_name=zelmar_null",
                                   "--load=module-native-protocol-unix socket=" + socket + " auth-anonymous=1"});
    if (!g_pulse->waitForStarted(5000)) {
        g_why = "pulseaudio could not be started: " + g_pulse->errorString();
        return false;
    }
    qputenv("PULSE_SERVER", ("unix:" + socket).toUtf8());
    for (int i = 0; i < 100; ++i) {
        if (pactl({"list", "short", "sinks"}).contains("zelmar_null"))
            return true;
        if (g_pulse->state() != QProcess::Running)
            break;
        QThread::msleep(50);
    }
    g_why = "pulseaudio did not come up: " + QString::fromUtf8(g_pulse->readAll()).left(500);
    return false;
}

void stopPulse()
{
    if (g_pulse) {
        g_pulse->terminate();
        if (!g_pulse->waitForFinished(3000))
            g_pulse->kill();
        g_pulse->waitForFinished(1000);
        delete g_pulse;
    }
    delete g_dir;
}

} // namespace

class AudioPulseTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void previewPlaysToItsEndThroughTheNullSink()
    {
        if (!g_why.isEmpty()) {
            std::fprintf(stderr, "\n*** SKIPPING the real audio output test: %s ***\n\n", qPrintable(g_why));
            QSKIP(qPrintable(g_why));
        }
        QVERIFY(QtAudioPlayer::outputAvailable());
        zelmar::TDostepnyDzwiek s;
        std::vector<int16_t> v(9000);   // half a second
        for (size_t i = 0; i < v.size(); ++i)
            v[i] = int16_t((i % 40) * 500 - 10000);
        s.SetSamples(v);
        const QString p = QString::fromStdString(zelmar::renderSoundPreview(s, false));
        QWidget window;
        ScriptedDialogs dialogs;
        QtAudioPlayer player;
        QElapsedTimer t;
        t.start();
        QVERIFY(PlayWavFile(&window, player, dialogs, p));
        const qint64 ms = t.elapsed();
        QCOMPARE(dialogs.notices(), QStringList());
        QVERIFY2(ms >= 400, qPrintable(QString("played in %1 ms").arg(ms)));
        QVERIFY2(ms < 5000, qPrintable(QString("played in %1 ms").arg(ms)));
        QVERIFY(!QFile::exists(p));
        QVERIFY(window.isEnabled());
    }
};

int main(int argc, char** argv)
{
    const bool up = startPulse();
    int rc = 0;
    {
        QApplication app(argc, argv);
        AudioPulseTest t;
        rc = QTest::qExec(&t, argc, argv);
    }
    if (up || g_pulse)
        stopPulse();
    return rc;
}

#include "tst_audio_pulse.moc"
