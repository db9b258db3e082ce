#pragma once
// Whole-file reading and atomic writing: a failed write never leaves a damaged file where a good
// one was.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zelmar {

// Reads a whole file; throws FileError when it cannot be opened or read.
std::vector<uint8_t> readWholeFile(const std::string& path);

// Writes `data` to a temporary file in the target's directory, flushes it to disk and renames it
// over `path`. On any failure the temporary file is removed, the old file stays as it was, and
// FileError is thrown.
void writeFileAtomically(const std::string& path, const void* data, size_t size);
inline void writeFileAtomically(const std::string& path, const std::string& data)
{
    writeFileAtomically(path, data.data(), data.size());
}

// The same for content that `fill` writes by name: it is given the temporary file (empty, in the
// target's directory) and may reopen it as it likes. Whatever `fill` throws is passed on once the
// temporary file is gone.
void replaceFileThrough(const std::string& path, const std::function<void(const std::string& temporary)>& fill);

// Test hook: when set, the atomic writer fails after writing this many bytes (negative: never).
void setWriteFailureAfterForTesting(long long bytes);

} // namespace zelmar
