#pragma once
// The words for a file that could not be read or written, in the user's language: what kept it
// from being read or written, where the core says so, rather than a guess.
#include <QString>

#include <exception>

namespace filemessages {

// A set file that could not be opened: why it could not be read, or, when it was read but holds no
// set, that it is damaged.
QString readFailure(const QString& path, const std::exception& e);

// A file that could not be written: why, or, for a failure of the disk, the advice to look at its
// free space.
QString writeFailure(const QString& path, const std::exception& e);

// Why a file or folder could not be written, alone: what the core says, or an input/output error.
QString writeReason(const std::exception& e);

// True when `e` refused a save because the file's folder takes no new file.
bool unsafeFolder(const std::exception& e);

} // namespace filemessages
