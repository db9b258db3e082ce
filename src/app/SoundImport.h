#pragma once
// The library page's "Dodaj": asks for a sound file and imports it into the set, with the
// progress window of the decoding and conversion, the messages of the import and the
// normalisation question.
#include <QString>

#include <functional>

class QWidget;
class Dialogs;
class TKonwersjaDlg;
class WizardState;

// Runs the whole road of one import. True when a sound was appended to the library through the
// state, which tells the pages (the caller then selects it). The file is decoded and
// converted on another thread; meanwhile the window keeps painting, but user input outside the
// progress window is dropped and closing the window is refused without a question; a second call
// meanwhile returns false at once.
bool importSoundFile(QWidget* mainWindow, Dialogs& dialogs, WizardState& state, TKonwersjaDlg& progress);
// The same road for a file the user chose otherwise (dropped on the library page).
bool importSoundFile(QWidget* mainWindow, Dialogs& dialogs, WizardState& state, TKonwersjaDlg& progress,
                     const QString& file);

// For tests: runs on the decoding thread after each progress report is handed on, so a test can
// hold the decoding until the window has done what it means to test. Empty to remove.
void setDecodeProgressProbe(std::function<void()> probe);

// True while an import is under way (drops and set changes wait for its end).
bool soundImportRunning();
