#pragma once
// The pages' previews: a signal, one element or a library sound rendered into a temporary WAV
// file and played to its end with the window disabled.
#include "SetModel.h"

class AudioPlayer;
class TMainForm;

namespace previews {

// The player the previews use; null goes back to the program's default player.
void setPlayer(AudioPlayer* player);
AudioPlayer& player();

// Each plays nothing when there is nothing to play; a file that cannot be written is reported.
void playSignal(TMainForm& form, const zelmar::Signal& signal);
void playElement(TMainForm& form, const zelmar::TDzwiek& element);
void playSound(TMainForm& form, const zelmar::TDostepnyDzwiek& sound, bool withGain);

} // namespace previews
