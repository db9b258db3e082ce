#pragma once
// Typed failures of the core. Words for the user are made at the edge from resource numbers.
#include <cerrno>
#include <stdexcept>
#include <string>

namespace zelmar {

// Invalid content of a byte format; `code` is the format code carried in resource 65224.
// Set files use 1..7 (and 8 for a truncated file), memory images 11..20 (and our own 21 and up).
class FormatError : public std::runtime_error {
public:
    explicit FormatError(int code, const std::string& what = {})
        : std::runtime_error(what.empty() ? "format error code " + std::to_string(code) : what), code(code) {}
    int code;
};

// What kept a file from being read or written, so that the edge can say why in the user's words.
enum class FileProblem {
    Other,          // any other failure of the system
    NotFound,       // no such file, or a folder on its way is missing
    NoPermission,   // the user may not read it, or may not write it or its folder
    Folder,         // a folder where a file was meant
    NotRegular,     // a device, pipe or socket: reading it may never end, writing it may block
    TooLarge,       // larger than any file of its kind can be
    NoSpace,        // the disk or the user's quota is full
    UnsafeFolder,   // the file may be written but its folder takes no new file, so it could only be
                    // rewritten in place, and a failure then would damage it
};

// The problem a failed system call's errno stands for.
inline FileProblem problemOf(int err)
{
    switch (err) {
    case ENOENT:
    case ENOTDIR: return FileProblem::NotFound;
    case EACCES:
    case EPERM:
    case EROFS: return FileProblem::NoPermission;
    case EISDIR: return FileProblem::Folder;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return FileProblem::NoSpace;
    default: return FileProblem::Other;
    }
}

// An input/output failure on a named file (open, read past end, write, rename).
class FileError : public std::runtime_error {
public:
    FileError(std::string path, const std::string& what, FileProblem problem = FileProblem::Other)
        : std::runtime_error(what), path(std::move(path)), problem(problem) {}
    std::string path;
    FileProblem problem;
};

// An action refused by a limit of the set or the chime; `resourceId` names the notice to show.
class LimitError : public std::runtime_error {
public:
    explicit LimitError(int resourceId, const std::string& what = {})
        : std::runtime_error(what.empty() ? "refused by limit " + std::to_string(resourceId) : what),
          resourceId(resourceId) {}
    int resourceId;
};

} // namespace zelmar
