#include "model/FileIO.h"

#include "model/Errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace zelmar {

namespace {
long long g_failAfter = -1;

std::string errnoText(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}
} // namespace

void setWriteFailureAfterForTesting(long long bytes)
{
    g_failAfter = bytes;
}

std::vector<uint8_t> readWholeFile(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw FileError(path, errnoText("cannot open", path));
    std::vector<uint8_t> data;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        data.reserve(size_t(st.st_size));
    uint8_t buf[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            std::string msg = errnoText("cannot read", path);
            ::close(fd);
            throw FileError(path, msg);
        }
        if (n == 0)
            break;
        data.insert(data.end(), buf, buf + n);
    }
    ::close(fd);
    return data;
}

namespace {

struct TempBeside {
    int fd = -1;
    std::string name;
    mode_t mode = 0;   // given to it once written, so that it stays writable until then
};

// A fresh file beside `path`, to get the permissions an existing file there has (the usual ones
// for a new file).
TempBeside createTempBeside(const std::string& path)
{
    namespace fs = std::filesystem;
    fs::path target(path);
    fs::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";
    std::string tmpl = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    TempBeside t;
    t.fd = ::mkstemp(name.data());
    if (t.fd < 0)
        throw FileError(path, errnoText("cannot create a file beside", path));
    t.name = name.data();
    struct stat st {};
    t.mode = 0666;
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        t.mode = st.st_mode & 07777;
    else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        t.mode &= ~mask;
    }
    return t;
}

// Flushes, closes and renames the finished temporary file over `path`; removes it on failure.
void commitTempBeside(TempBeside& t, const std::string& path)
{
    ::fchmod(t.fd, t.mode);
    if (::fsync(t.fd) != 0) {
        const std::string msg = errnoText("cannot write", path);
        ::close(t.fd);
        ::unlink(t.name.c_str());
        throw FileError(path, msg);
    }
    if (::close(t.fd) != 0) {
        ::unlink(t.name.c_str());
        throw FileError(path, errnoText("cannot write", path));
    }
    if (::rename(t.name.c_str(), path.c_str()) != 0) {
        std::string msg = errnoText("cannot replace", path);
        ::unlink(t.name.c_str());
        throw FileError(path, msg);
    }
}

} // namespace

void writeFileAtomically(const std::string& path, const void* data, size_t size)
{
    TempBeside t = createTempBeside(path);
    auto fail = [&](const std::string& msg) {
        ::close(t.fd);
        ::unlink(t.name.c_str());
        throw FileError(path, msg);
    };
    const char* p = static_cast<const char*>(data);
    size_t left = size;
    long long written = 0;
    while (left > 0) {
        size_t chunk = std::min<size_t>(left, 1 << 20);
        if (g_failAfter >= 0 && written + (long long)chunk > g_failAfter) {
            errno = ENOSPC;
            fail(errnoText("cannot write", path));
        }
        ssize_t n = ::write(t.fd, p, chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail(errnoText("cannot write", path));
        }
        p += n;
        left -= size_t(n);
        written += n;
    }
    commitTempBeside(t, path);
}

void replaceFileThrough(const std::string& path, const std::function<void(const std::string& temporary)>& fill)
{
    TempBeside t = createTempBeside(path);
    try {
        fill(t.name);
    } catch (...) {
        ::close(t.fd);
        ::unlink(t.name.c_str());
        throw;
    }
    // The descriptor still names the file that `fill` wrote, so syncing it syncs that content.
    commitTempBeside(t, path);
}

} // namespace zelmar
