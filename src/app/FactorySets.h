#pragma once
// The factory sets at start-up: the user's named, read-only copies of the sets shipped beside the
// program, written on the first run and again whenever the shipped sets change.
#include "model/FactoryNames.h"

#include <QString>

#include <optional>

class Dialogs;
class QWidget;

namespace factorysets {

// The names the language in effect gives the factory sets; none when its file names none.
std::optional<zelmar::FactoryNames> namesInEffect();

// The folder of the user's own data under which the factory sets go when the "InstallPath"
// setting names none; with a trailing '/'.
QString defaultInstallDirectory();

// True when the language in effect has factory sets (its translation file names them and their
// folder) and that folder under `installDirectory` lacks the copies of the sets shipped now: never
// written, removed, or written from older shipped sets.
bool due(const QString& installDirectory);

// Writes the sets named in the language in effect into its folder under `installDirectory`. A shipped set that
// is missing or damaged is reported with 65225 and skipped; a copy that cannot be written with
// 65226. True when the step is done (also for a language without sets, and when only shipped files
// were missing); false when something could not be written, so that the next start tries again.
bool write(QWidget* parent, Dialogs& dialogs, const QString& installDirectory);

} // namespace factorysets
