#pragma once
// The library page's "Dodaj": asks for a WAV or MP3 file and imports it into the set, with the
// conversion progress window, the messages of the import and the normalisation question.
#include <QString>

class QWidget;
class Dialogs;
class TKonwersjaDlg;

namespace zelmar {
class SignalSet;
}

// Runs the whole road of one import. True when a sound was appended to the library (the caller then
// selects it, redraws the durations bar and updates the memory display). While a conversion runs
// the window keeps painting, but user input outside the progress window is dropped and closing
// the window is refused; a second call meanwhile returns false at once.
bool importSoundFile(QWidget* mainWindow, Dialogs& dialogs, zelmar::SignalSet& set, QString& lastSoundDir,
                     TKonwersjaDlg& progress);

// True while an import is under way (for a shell that wants to refuse other work meanwhile).
bool soundImportRunning();
