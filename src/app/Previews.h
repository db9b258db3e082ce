#pragma once
// The pages' previews: a signal, one element or a library sound rendered into a temporary WAV
// file and played to its end with the window disabled.
#include "SetModel.h"

class AudioPlayer;
class Dialogs;
class QWidget;

namespace previews {

// The player the previews use; null goes back to the program's default player.
void setPlayer(AudioPlayer* player);
AudioPlayer& player();

// Each plays nothing when there is nothing to play; a file that cannot be written is reported
// through `dialogs` over `window`, which stays disabled while the preview plays.
void playSignal(QWidget* window, Dialogs& dialogs, const zelmar::SignalSet& set, const zelmar::Signal& signal);
void playElement(QWidget* window, Dialogs& dialogs, const zelmar::SignalSet& set, const zelmar::TDzwiek& element);
void playSound(QWidget* window, Dialogs& dialogs, const zelmar::TDostepnyDzwiek& sound, bool withGain);

} // namespace previews
