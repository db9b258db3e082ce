#pragma once
// The two roads between the wizard and the chime. Each shows its own messages (refusals, transfer
// progress, failures) and returns true only when the whole road succeeded.
#include "device/UsbFlash.h"
#include "SetModel.h"

#include <QString>

class Dialogs;
class QWidget;
class TKomunikacjaDlg;
class WizardState;

// Builds the memory image of `set` and writes it into the chime with read-back verification.
// With a `backupFolder`, the chime is read whole first and what it holds kept there (keepBackup);
// when that read or the keeping fails, nothing is written to the chime.
bool uploadSetToChime(QWidget* parent, Dialogs& dialogs, const zelmar::SignalSet& set,
                      zelmar::TUsbFlash& flash, const QString& backupFolder = {});

// Reads the chime's memory image and, when it is valid, puts the set it holds in the state's. An
// image that came but is not valid empties the state's set; a failed transfer leaves it alone.
bool downloadSetFromChime(QWidget* parent, Dialogs& dialogs, WizardState& state, zelmar::TUsbFlash& flash);

// The transfer window of `mainWindow`, made on first use and kept as its child for every later
// transfer. Calling it at start-up lets the translation reach the window before the first transfer.
TKomunikacjaDlg& transferDialog(QWidget& mainWindow, Dialogs& dialogs);
