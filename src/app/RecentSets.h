#pragma once
// The sets the user last opened or saved, newest first, and the folder of the last save: kept in
// a file of the user's data folder (the settings are only read), offered on the start page and
// used as the save dialog's first place.
#include <QString>
#include <QStringList>

namespace recentsets {

constexpr int kShown = 8;

// "recent-sets.ini" in the user's data folder.
QString storeFile();

// Up to eight sets, newest first; sets that no longer exist are left out.
QStringList existing();

// Puts an opened or saved set first.
void remember(const QString& path);
// The same for a saved set, whose folder becomes where the next save starts.
void rememberSaved(const QString& path);

// Where the save dialog starts for a set without a file of the user's: the folder of the last
// save while it exists, otherwise the documents folder (the home folder when there is none).
QString saveFolder();

} // namespace recentsets
