#include "Previews.h"

#include "AudioPlayer.h"
#include "Dialogs.h"
#include "MainForm.h"
#include "audio/Render.h"

#include <QFile>

#include <exception>
#include <functional>
#include <string>

namespace previews {

namespace {

AudioPlayer* g_player = nullptr;

void renderAndPlay(TMainForm& form, const std::function<std::string()>& render)
{
    std::string path;
    try {
        path = render();
    } catch (const std::exception& e) {
        form.dialogs().notify(&form, QString::fromStdString(e.what()));
        return;
    }
    if (!path.empty())
        PlayWavFile(&form, player(), form.dialogs(), QFile::decodeName(QByteArray::fromStdString(path)));
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

void playSignal(TMainForm& form, const zelmar::Signal& signal)
{
    if (signal.empty())
        return;
    renderAndPlay(form, [&] { return zelmar::renderSignalPreview(signal, form.signalSet()); });
}

void playElement(TMainForm& form, const zelmar::TDzwiek& element)
{
    renderAndPlay(form, [&] { return zelmar::renderElementPreview(element, form.signalSet()); });
}

void playSound(TMainForm& form, const zelmar::TDostepnyDzwiek& sound, bool withGain)
{
    renderAndPlay(form, [&] { return zelmar::renderSoundPreview(sound, withGain); });
}

} // namespace previews
