#pragma once
// Whole-file reading, and the one writer of every file the programs replace: a failed or killed
// write never leaves a damaged file where a good one was, nor a stray file beside it.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zelmar {

// Reads a whole file of at most `maxBytes`. FileError when it cannot be opened or read, when it is
// a folder, a device, a pipe or a socket (whose reading may block or never end: none is opened),
// or when it is larger than `maxBytes` (then none of it is read).
std::vector<uint8_t> readWholeFile(const std::string& path, uint64_t maxBytes = UINT64_MAX);

// Replaces the file `path` with `data`, flushed to disk, or throws FileError and leaves it as it
// was. A symbolic link is written through: the file it names gets the data, the link stays.
// A file nobody may write (no write bit, also for root) or that the user may not write is refused,
// and so is a target that is not a regular file (a device or a pipe would take the data as it
// comes, or block). The new content is made as an unnamed file in the target's folder and linked
// in and renamed over the target only once complete; where the file system has no unnamed files, a
// hidden named one stands in. A folder that takes no new file is refused (FileProblem::UnsafeFolder
// when the target itself could be written): rewriting the target in place could leave it damaged.
// An existing file keeps its permissions (and its owner where allowed); a new one gets what the
// kernel gives it under the user's umask.
void writeFileAtomically(const std::string& path, const void* data, size_t size);
inline void writeFileAtomically(const std::string& path, const std::string& data)
{
    writeFileAtomically(path, data.data(), data.size());
}

// Puts `data` at `path` as a file nobody may write (mode 0444), the same way, replacing a regular
// file that stands there even when it is read-only. The old file is never opened for writing nor
// its mode changed, so another name linked to it keeps it as it was. A link or anything else at
// `path` is refused.
void writeReadOnlyCopy(const std::string& path, const std::string& data);

// The same for content that `fill` writes by name: it is given a name of the new, empty file and
// may reopen it as it likes. Whatever
// `fill` throws is passed on once the unfinished file is gone.
void replaceFileThrough(const std::string& path, const std::function<void(const std::string& temporary)>& fill);

// True when `path` is an existing file that nobody may write, or that this user may not write.
bool isReadOnlyFile(const std::string& path);

// Removes what killed writers left beside their targets in `folder`: hidden files of our own
// name pattern, owned by this user, whose writing process no longer runs. Every write does this
// for its target's folder.
void removeAbandonedWrites(const std::string& folder);

// Test hooks. The write fails after this many bytes (negative: never).
void setWriteFailureAfterForTesting(long long bytes);
// Points of a write, in order; `bytes` counts what has been written so far.
enum class WriteStep { Created, Wrote, Synced, Linked, Replaced };
void setWriteStepHookForTesting(std::function<void(WriteStep, long long bytes)> hook);
// Behaves as on a file system that has no unnamed files.
void setUnnamedFilesRefusedForTesting(bool refused);

} // namespace zelmar
