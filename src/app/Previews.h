#pragma once
// The pages' previews: a signal, one element or a library sound rendered into a temporary WAV
// file and played to its end with the window disabled; as the program renders it, or (asChime) as
// the chime will play it from its own copy of the set.
#include "SetModel.h"

class AudioPlayer;
class Dialogs;
class QCheckBox;
class QWidget;
class WizardState;

namespace previews {

// The player the previews use; null goes back to the program's default player.
void setPlayer(AudioPlayer* player);
AudioPlayer& player();

// Each plays nothing when there is nothing to play; a file that cannot be written, or a preview as
// the chime plays it that the chime could not hold, is reported through `dialogs` over `window`,
// which stays disabled while the preview plays.
void playSignal(QWidget* window, Dialogs& dialogs, const zelmar::SignalSet& set, const zelmar::Signal& signal,
                bool asChime);
void playElement(QWidget* window, Dialogs& dialogs, const zelmar::SignalSet& set, const zelmar::TDzwiek& element,
                 bool asChime);
void playSound(QWidget* window, Dialogs& dialogs, const zelmar::TDostepnyDzwiek& sound, bool withGain, bool asChime);

// The box "as the chime plays it" where previews start, at (x, y) and as wide as its text needs.
QCheckBox* addAsChimeBox(QWidget* parent, const char* name, int x, int y);
// Keeps `box` and the state's choice the same both ways, so that every box shows the one choice.
void followAsChime(QCheckBox* box, WizardState& state);

} // namespace previews
