#include "AudioPlayer.h"

#include "Dialogs.h"
#include "InputBlocker.h"
#include "ResourceText.h"

#include "audio/WavFile.h"

#include <QApplication>
#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QMediaDevices>
#include <QTimer>
#include <QWidget>

namespace {

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

QString noDeviceText()
{
    return rsq(65270);
}

QString failureText(const QString& detail)
{
    return rsfq(65271, {detail.toStdString()});
}

} // namespace

bool QtAudioPlayer::outputAvailable()
{
    return !QMediaDevices::audioOutputs().isEmpty() && !QMediaDevices::defaultAudioOutput().isNull();
}

bool QtAudioPlayer::play(const QString& path, QString& error)
{
    const std::string file = QFile::encodeName(path).toStdString();
    zelmar::TWavFileEx wav;
    if (!wav.Open(file) || !wav.Valid || wav.BitsPerSample != 16) {
        error = failureText(path);
        return false;
    }
    QByteArray data;
    try {
        int64_t count = wav.DataSize;
        auto bytes = zelmar::ReadFileBlock(file, wav.DataOffset, count);
        if (bytes)
            data = QByteArray(reinterpret_cast<const char*>(bytes->data()), qsizetype(bytes->size()));
    } catch (const std::exception& e) {
        error = failureText(qs(e.what()));
        return false;
    }
    if (data.isEmpty())
        return true;   // nothing to hear

    if (QMediaDevices::audioOutputs().isEmpty()) {
        error = noDeviceText();
        return false;
    }
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        error = noDeviceText();
        return false;
    }
    QAudioFormat format;
    format.setSampleRate(int(wav.SampleRate));
    format.setChannelCount(wav.Channels);
    format.setSampleFormat(QAudioFormat::Int16);

    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QAudioSink sink(device, format);
    sink.start(&buffer);
    if (sink.error() != QAudio::NoError || sink.state() == QAudio::StoppedState) {
        error = sink.error() == QAudio::OpenError ? noDeviceText() : failureText(path);
        sink.stop();
        return false;
    }

    // Wait for the end; a device that stalls ends the wait a few seconds after the sound's length.
    const qint64 lengthMs = qint64(wav.Duration() * 1000.0);
    QEventLoop loop;
    bool failed = false;
    QObject::connect(&sink, &QAudioSink::stateChanged, &loop, [&](QAudio::State s) {
        if (s == QAudio::IdleState || s == QAudio::StoppedState) {
            if (s == QAudio::StoppedState && sink.error() != QAudio::NoError && sink.error() != QAudio::UnderrunError)
                failed = true;
            loop.quit();
        }
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(int(std::min<qint64>(lengthMs + 5000, 10 * 60 * 1000)));
    if (sink.state() == QAudio::ActiveState || buffer.bytesAvailable() > 0)
        loop.exec();
    if (!failed && !guard.isActive() && buffer.bytesAvailable() > 0)
        failed = true;
    // What the device still holds in its buffer plays out before the sink is stopped.
    if (!failed) {
        const qint64 heldMs = qint64(sink.bufferSize()) * 1000 / std::max(1, format.bytesPerFrame() * format.sampleRate());
        QEventLoop tail;
        QTimer::singleShot(int(std::min<qint64>(heldMs, 1000)), &tail, &QEventLoop::quit);
        tail.exec();
    }
    sink.stop();
    if (failed) {
        error = failureText(path);
        return false;
    }
    return true;
}

bool PlayWavFile(QWidget* mainWindow, AudioPlayer& player, Dialogs& dialogs, const QString& path)
{
    if (path.isEmpty())
        return false;
    QString error;
    bool ok = false;
    {
        InputBlocker blocker;
        if (mainWindow)
            mainWindow->setEnabled(false);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        try {
            ok = player.play(path, error);
        } catch (const std::exception& e) {
            error = failureText(qs(e.what()));
        }
        QApplication::restoreOverrideCursor();
        if (mainWindow)
            mainWindow->setEnabled(true);
    }
    QFile::remove(path);
    if (!ok && !error.isEmpty())
        dialogs.notify(mainWindow, error);
    return ok;
}

AudioPlayer& defaultAudioPlayer()
{
    static QtAudioPlayer player;
    return player;
}
