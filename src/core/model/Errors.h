#pragma once
// Typed failures of the core. Words for the user are made at the edge from resource numbers.
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

// An input/output failure on a named file (open, read past end, write, rename).
class FileError : public std::runtime_error {
public:
    FileError(std::string path, const std::string& what) : std::runtime_error(what), path(std::move(path)) {}
    std::string path;
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
