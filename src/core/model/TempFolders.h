#pragma once
// Private temporary folders carry the process id of their owner ("zelmar-<pid>-XXXXXX" in the
// system's temporary folder), so that the folders of a killed process can be told from those of a
// running one and removed by the next program that starts.
#include <string>

namespace zelmar {

// Makes a fresh private folder (mode 0700) for this process; throws FileError. The first call of a
// run first removes the abandoned folders of killed runs.
std::string makePrivateTempFolder();

// Removes the private folders, in the system's temporary folder, of processes that no longer run.
// Only folders of exactly our name pattern, owned by this user, with the mode they were made with
// and not links are touched. Returns how many were removed.
int removeAbandonedTempFolders();

// The process id a name of `prefix` + "<pid>-XXXXXX" carries, or 0 when the name is not one
// (also when the number is too large for a process id).
long ownerPidOf(const std::string& name, const std::string& prefix);

// True when no process with this id runs any more.
bool processIsGone(long pid);

} // namespace zelmar
