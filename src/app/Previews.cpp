#include "Previews.h"

#include "AudioPlayer.h"
#include "Dialogs.h"
#include "PageKit.h"
#include "ResourceText.h"
#include "WizardState.h"
#include "image/ChimePreview.h"
#include "model/Errors.h"

#include <QCheckBox>
#include <QFile>

#include <exception>
#include <string>

namespace previews {

namespace {

AudioPlayer* g_player = nullptr;

// The preview that the chime cannot hold.
constexpr int kNotAsChime = 65320;

void renderAndPlay(QWidget* window, Dialogs& dialogs, const zelmar::SignalSet& set,
                   const zelmar::PreviewSubject& what, bool asChime)
{
    std::string path;
    try {
        path = zelmar::renderPreview(set, what, asChime);
    } catch (const zelmar::LimitError&) {
        dialogs.notify(window, rsq(kNotAsChime));
        return;
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

void playSignal(QWidget* window, Dialogs& dialogs, const zelmar::SignalSet& set, const zelmar::Signal& signal,
                bool asChime)
{
    if (signal.empty())
        return;
    renderAndPlay(window, dialogs, set, zelmar::PreviewSubject::of(signal), asChime);
}

void playElement(QWidget* window, Dialogs& dialogs, const zelmar::SignalSet& set, const zelmar::TDzwiek& element,
                 bool asChime)
{
    renderAndPlay(window, dialogs, set, zelmar::PreviewSubject::of(element), asChime);
}

void playSound(QWidget* window, Dialogs& dialogs, const zelmar::TDostepnyDzwiek& sound, bool withGain, bool asChime)
{
    renderAndPlay(window, dialogs, zelmar::SignalSet{}, zelmar::PreviewSubject::of(sound, withGain), asChime);
}

QCheckBox* addAsChimeBox(QWidget* parent, const char* name, int x, int y)
{
    auto* box = new QCheckBox(QStringLiteral("Tak, &jak zagra dzwonek"), parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setAccessibleName(QStringLiteral("Odtwarzaj tak, jak zagra dzwonek"));
    box->move(x, y);
    pagekit::fitToPage(box);
    return box;
}

void followAsChime(QCheckBox* box, WizardState& state)
{
    box->setChecked(state.previewAsChime());
    QObject::connect(box, &QCheckBox::toggled, &state, &WizardState::setPreviewAsChime);
    QObject::connect(&state, &WizardState::previewAsChimeChanged, box, &QCheckBox::setChecked);
}

} // namespace previews
