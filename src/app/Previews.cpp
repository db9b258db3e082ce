#include "Previews.h"

#include "AudioPlayer.h"
#include "Dialogs.h"
#include "audio/Render.h"

#include <QFile>

#include <exception>
#include <functional>
#include <string>

namespace previews {

namespace {

AudioPlayer* g_player = nullptr;

void renderAndPlay(QWidget* window, Dialogs& dialogs, const std::function<std::string()>& render)
{
    std::string path;
    try {
        path = render();
    } catch (const std::exception& e) {
        dialogs.notify(window, QString::fromStdString(e.what()));
        return;
    }
    if (!path.empty())
        PlayWavFile(window, player(), dialogs, QFile::decodeName(QByteArray::fromStdString(path)));
}

} // namespace

void setPlayer(AudioPlayer* p)
{
    g_player = p;
}

AudioPlayer& player()
{
    return g_player ? *g_player : defaultAudioPlayer();
}

void playSignal(QWidget* window, Dialogs& dialogs, const zelmar::SignalSet& set, const zelmar::Signal& signal)
{
    if (signal.empty())
        return;
    renderAndPlay(window, dialogs, [&] { return zelmar::renderSignalPreview(signal, set); });
}

void playElement(QWidget* window, Dialogs& dialogs, const zelmar::SignalSet& set, const zelmar::TDzwiek& element)
{
    renderAndPlay(window, dialogs, [&] { return zelmar::renderElementPreview(element, set); });
}

void playSound(QWidget* window, Dialogs& dialogs, const zelmar::TDostepnyDzwiek& sound, bool withGain)
{
    renderAndPlay(window, dialogs, [&] { return zelmar::renderSoundPreview(sound, withGain); });
}

} // namespace previews
