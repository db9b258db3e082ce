#include "model/FileIO.h"

#include "model/Errors.h"
#include "model/TempFolders.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace zelmar {

namespace {

long long g_failAfter = -1;
bool g_unnamedRefused = false;
std::function<void(WriteStep, long long)> g_stepHook;

// Beside a target, a write in progress is only ever a hidden file of this prefix.
constexpr char kBesidePrefix[] = ".zelmar-";

std::string errnoText(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

void step(WriteStep s, long long bytes = 0)
{
    if (g_stepHook)
        g_stepHook(s, bytes);
}

bool folderRefuses(int err)
{
    return err == EACCES || err == EPERM || err == EROFS;
}

// The file a write lands in: `path` with its symbolic links followed.
struct Target {
    std::string path;
    std::string folder;
    bool exists = false;
    struct stat st {};
};

std::string folderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

Target resolveTarget(const std::string& path)
{
    Target t;
    t.path = path;
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(t.path.c_str(), &st) != 0) {
            if (errno != ENOENT)
                throw FileError(path, errnoText("cannot write", path));
            break;   // a new file, or a dangling link's file
        }
        if (!S_ISLNK(st.st_mode)) {
            t.exists = true;
            t.st = st;
            break;
        }
        if (hops == 40) {
            errno = ELOOP;
            throw FileError(path, errnoText("cannot write", path));
        }
        // As the kernel's protected links: a link in a shared sticky folder is followed only when
        // it is ours or the folder owner's.
        struct stat folder {};
        const std::string linkFolder = folderOf(t.path);
        if (::stat(linkFolder.c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH)
            && st.st_uid != ::geteuid() && st.st_uid != folder.st_uid)
            throw FileError(path, "cannot write " + path + ": a link another user made in a shared folder");
        std::vector<char> buf(size_t(std::max<off_t>(st.st_size, 255)) + 1);
        const ssize_t n = ::readlink(t.path.c_str(), buf.data(), buf.size());
        if (n < 0 || size_t(n) >= buf.size())
            throw FileError(path, errnoText("cannot follow the link", path));
        std::string next(buf.data(), size_t(n));
        if (next.empty() || next[0] != '/')
            next = linkFolder + "/" + next;
        t.path = next;
    }
    t.folder = folderOf(t.path);
    return t;
}

bool mayWrite(const std::string& path, const struct stat& st)
{
    // access() says yes to root for any mode, so a file nobody may write counts by its bits.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return false;
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

std::string randomLetters()
{
    static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static std::mt19937 rng(std::random_device{}() ^ unsigned(::getpid()));
    std::string s(6, 'a');
    for (char& c : s)
        c = kAlphabet[rng() % (sizeof kAlphabet - 1)];
    return s;
}

std::string besideName(const std::string& folder)
{
    return folder + "/" + kBesidePrefix + std::to_string(::getpid()) + "-" + randomLetters();
}

std::string fdName(int fd)
{
    return "/proc/self/fd/" + std::to_string(fd);
}

// A new file's content on its way to the target.
class Staged {
public:
    enum Mode { Unnamed, Named, InPlace };

    Staged(const Target& target, const std::string& asked) : t_(target), asked_(asked)
    {
        mode_ = Unnamed;
        if (!g_unnamedRefused && ::access("/proc/self/fd", X_OK) == 0) {
            fd_ = ::open(t_.folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
            if (fd_ >= 0) {
                finishCreate();
                return;
            }
            if (folderRefuses(errno)) {
                inPlaceOrFail();
                return;
            }
            // Only a file system without unnamed files goes on to a named one.
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
                throw FileError(asked_, errnoText("cannot write", asked_));
        }
        mode_ = Named;
        std::string tmpl = t_.folder + "/" + kBesidePrefix + std::to_string(::getpid()) + "-XXXXXX";
        std::vector<char> name(tmpl.begin(), tmpl.end());
        name.push_back('\0');
        fd_ = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd_ < 0) {
            if (folderRefuses(errno)) {
                inPlaceOrFail();
                return;
            }
            throw FileError(asked_, errnoText("cannot write", asked_));
        }
        name_ = name.data();
        finishCreate();
    }

    ~Staged()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (mode_ == Named && !name_.empty())
            ::unlink(name_.c_str());
    }

    Mode mode() const { return mode_; }
    int fd() const { return fd_; }
    // A name the new content can be reached by.
    std::string name() const
    {
        switch (mode_) {
        case Unnamed: return fdName(fd_);
        case Named: return name_;
        default: return t_.path;
        }
    }

    [[noreturn]] void fail(const std::string& what)
    {
        // An unnamed file vanishes with its descriptor; a named one goes in the destructor.
        throw FileError(asked_, errnoText(what, asked_));
    }

    // Flushes the content and puts it in the target's place.
    void commit()
    {
        if (mode_ != InPlace) {
            mode_t mode = 0666;
            if (t_.exists)
                mode = t_.st.st_mode & 07777;
            else {
                const mode_t mask = ::umask(0);
                ::umask(mask);
                mode &= ~mask;
            }
            if (t_.exists && (t_.st.st_uid != ::geteuid() || t_.st.st_gid != ::getegid()))
                (void)!::fchown(fd_, t_.st.st_uid, t_.st.st_gid);   // where allowed
            ::fchmod(fd_, mode);
        }
        if (::fsync(fd_) != 0)
            fail("cannot write");
        step(WriteStep::Synced);
        if (mode_ == Unnamed) {
            std::string linked;
            for (int attempt = 0; linked.empty(); ++attempt) {
                const std::string candidate = besideName(t_.folder);
                if (::linkat(AT_FDCWD, fdName(fd_).c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0)
                    linked = candidate;
                else if (errno != EEXIST || attempt == 100)
                    fail("cannot write");
            }
            step(WriteStep::Linked);
            if (::rename(linked.c_str(), t_.path.c_str()) != 0) {
                const std::string msg = errnoText("cannot replace", asked_);
                ::unlink(linked.c_str());
                throw FileError(asked_, msg);
            }
        } else if (mode_ == Named) {
            if (::rename(name_.c_str(), t_.path.c_str()) != 0)
                fail("cannot replace");
            name_.clear();
        }
        if (::close(fd_) != 0) {
            fd_ = -1;
            fail("cannot write");
        }
        fd_ = -1;
        if (mode_ != InPlace)
            syncFolder();
        step(WriteStep::Replaced);
    }

private:
    void finishCreate() { step(WriteStep::Created); }

    // The folder takes no new file: the target itself is rewritten when it may be.
    void inPlaceOrFail()
    {
        const int err = errno;
        if (!t_.exists || !S_ISREG(t_.st.st_mode)) {
            errno = err;
            throw FileError(asked_, errnoText("cannot write", asked_));
        }
        mode_ = InPlace;
        fd_ = ::open(t_.path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd_ < 0)
            throw FileError(asked_, errnoText("cannot write", asked_));
        step(WriteStep::Created);
    }

    // The rename is on disk too once the folder is flushed.
    void syncFolder()
    {
        const int dfd = ::open(t_.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dfd >= 0) {
            ::fsync(dfd);
            ::close(dfd);
        }
    }

    Target t_;
    std::string asked_;
    Mode mode_ = Unnamed;
    int fd_ = -1;
    std::string name_;
};

// The target the caller named, checked: a file that may not be written is refused before
// anything is made.
Target checkedTarget(const std::string& path)
{
    if (path.empty())
        throw FileError(path, "cannot write a file without a name");
    Target t = resolveTarget(path);
    if (t.exists && !mayWrite(t.path, t.st))
        throw FileError(path, "cannot write " + path + ": the file is read-only");
    removeAbandonedWrites(t.folder);
    return t;
}

// Devices and pipes take the data as they are; they cannot be replaced.
void writeStraight(const Target& t, const std::string& path, const void* data, size_t size)
{
    const int fd = ::open(t.path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        throw FileError(path, errnoText("cannot write", path));
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const std::string msg = errnoText("cannot write", path);
            ::close(fd);
            throw FileError(path, msg);
        }
        p += n;
        size -= size_t(n);
    }
    if (::close(fd) != 0)
        throw FileError(path, errnoText("cannot write", path));
}

} // namespace

void setWriteFailureAfterForTesting(long long bytes)
{
    g_failAfter = bytes;
}

void setWriteStepHookForTesting(std::function<void(WriteStep, long long)> hook)
{
    g_stepHook = std::move(hook);
}

void setUnnamedFilesRefusedForTesting(bool refused)
{
    g_unnamedRefused = refused;
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

bool isReadOnlyFile(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    return !mayWrite(path, st);
}

void removeAbandonedWrites(const std::string& folder)
{
    DIR* d = ::opendir(folder.c_str());
    if (!d)
        return;
    while (const dirent* e = ::readdir(d)) {
        const long pid = ownerPidOf(e->d_name, kBesidePrefix);
        if (pid == 0 || !processIsGone(pid))
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)
            && st.st_uid == ::geteuid())
            ::unlinkat(::dirfd(d), e->d_name, 0);
    }
    ::closedir(d);
}

void writeFileAtomically(const std::string& path, const void* data, size_t size)
{
    const Target t = checkedTarget(path);
    if (t.exists && !S_ISREG(t.st.st_mode)) {
        writeStraight(t, path, data, size);
        return;
    }
    Staged s(t, path);
    const char* p = static_cast<const char*>(data);
    size_t left = size;
    long long written = 0;
    while (left > 0) {
        size_t chunk = std::min<size_t>(left, 1 << 20);
        if (g_failAfter >= 0 && written + (long long)chunk > g_failAfter) {
            errno = ENOSPC;
            s.fail("cannot write");
        }
        ssize_t n = ::write(s.fd(), p, chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            s.fail("cannot write");
        }
        p += n;
        left -= size_t(n);
        written += n;
        step(WriteStep::Wrote, written);
    }
    // In place, what the old file had beyond the new content goes.
    if (s.mode() == Staged::InPlace && ::ftruncate(s.fd(), off_t(size)) != 0)
        s.fail("cannot write");
    s.commit();
}

void replaceFileThrough(const std::string& path, const std::function<void(const std::string& temporary)>& fill)
{
    const Target t = checkedTarget(path);
    if (t.exists && !S_ISREG(t.st.st_mode)) {
        fill(t.path);
        return;
    }
    Staged s(t, path);
    // The descriptor names the file that `fill` writes, so syncing it syncs that content.
    fill(s.name());
    step(WriteStep::Wrote);
    s.commit();
}

} // namespace zelmar
