#pragma once
// The chime the wizard talks to, chosen at start from its command line or the environment.
#include <QString>

#include <string>
#include <vector>

class Dialogs;
class QWidget;

// Takes "--virtual-chime FILE [--hid]" out of `args` (or follows ZELMAR_VIRTUAL_CHIME) and makes
// that chime the process's own. A virtual chime whose file cannot be used (its folder is missing,
// or the file is no chime's memory) leaves the wizard without any chime, as with none plugged in;
// the file's path is returned so that the window can say so once it is up. Empty when all is well.
// Throws std::invalid_argument for "--virtual-chime" without a file.
QString useChosenChime(std::vector<std::string>& args);

// The wizard's notice for a virtual chime that could not be used.
void noticeUnusableChime(QWidget* window, Dialogs& dialogs, const QString& file);
