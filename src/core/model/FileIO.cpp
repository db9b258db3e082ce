#include "model/FileIO.h"

#include "model/Errors.h"
#include "model/TempFolders.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
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

// A failure of the last system call, with the problem its errno stands for.
FileError systemError(const std::string& what, const std::string& path)
{
    return FileError(path, errnoText(what, path), problemOf(errno));
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

// What a path names when it is no regular file, for a message.
FileError notRegular(const std::string& what, const std::string& path, mode_t mode)
{
    if (S_ISDIR(mode))
        return FileError(path, what + " " + path + ": it is a folder", FileProblem::Folder);
    return FileError(path, what + " " + path + ": not a regular file (a device, a pipe or a socket)",
                     FileProblem::NotRegular);
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
                throw systemError("cannot write", path);
            break;   // a new file, or a dangling link's file
        }
        if (!S_ISLNK(st.st_mode)) {
            t.exists = true;
            t.st = st;
            break;
        }
        if (hops == 40) {
            errno = ELOOP;
            throw systemError("cannot write", path);
        }
        // As the kernel's protected links: a link in a shared sticky folder is followed only when
        // it is ours or the folder owner's.
        struct stat folder {};
        const std::string linkFolder = folderOf(t.path);
        if (::stat(linkFolder.c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH)
            && st.st_uid != ::geteuid() && st.st_uid != folder.st_uid)
            throw FileError(path, "cannot write " + path + ": a link another user made in a shared folder",
                            FileProblem::NoPermission);
        std::vector<char> buf(size_t(std::max<off_t>(st.st_size, 255)) + 1);
        const ssize_t n = ::readlink(t.path.c_str(), buf.data(), buf.size());
        if (n < 0 || size_t(n) >= buf.size())
            throw systemError("cannot follow the link", path);
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
    enum Mode { Unnamed, Named };

    // `mode`: the permissions the file ends with; without it, an existing target's, or for a new
    // one what the kernel gives a new file under the umask.
    Staged(const Target& target, const std::string& asked, std::optional<mode_t> mode = {})
        : t_(target), asked_(asked), wanted_(mode)
    {
        if (!wanted_ && t_.exists)
            wanted_ = t_.st.st_mode & 07777;
        // Never more open than the file it replaces while it is being written.
        const mode_t createMode = wanted_ ? (*wanted_ & 0666) | S_IRUSR | S_IWUSR : 0666;
        if (!g_unnamedRefused && ::access("/proc/self/fd", X_OK) == 0) {
            fd_ = ::open(t_.folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, createMode);
            if (fd_ >= 0) {
                step(WriteStep::Created);
                return;
            }
            if (folderRefuses(errno))
                refuseFolder();
            // Only a file system without unnamed files goes on to a named one.
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
                throw systemError("cannot write", asked_);
        }
        mode_ = Named;
        for (int attempt = 0; fd_ < 0; ++attempt) {
            const std::string name = besideName(t_.folder);
            fd_ = ::open(name.c_str(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC | O_NOFOLLOW, createMode);
            if (fd_ >= 0)
                pending_ = name;
            else if (folderRefuses(errno))
                refuseFolder();
            else if (errno != EEXIST || attempt == 100)
                throw systemError("cannot write", asked_);
        }
        step(WriteStep::Created);
    }

    ~Staged()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!pending_.empty())
            ::unlink(pending_.c_str());
    }

    int fd() const { return fd_; }
    // A name the new content can be reached by.
    std::string name() const { return mode_ == Unnamed ? fdName(fd_) : pending_; }

    [[noreturn]] void fail(const std::string& what)
    {
        // An unnamed file vanishes with its descriptor; a named one goes in the destructor.
        throw systemError(what, asked_);
    }

    // Flushes the content and puts it in the target's place.
    void commit()
    {
        if (t_.exists && (t_.st.st_uid != ::geteuid() || t_.st.st_gid != ::getegid()))
            (void)!::fchown(fd_, t_.st.st_uid, t_.st.st_gid);   // where allowed
        if (wanted_)
            keepMode(*wanted_);
        if (::fsync(fd_) != 0)
            fail("cannot write");
        step(WriteStep::Synced);
        if (mode_ == Unnamed) {
            for (int attempt = 0; pending_.empty(); ++attempt) {
                const std::string candidate = besideName(t_.folder);
                if (::linkat(AT_FDCWD, fdName(fd_).c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0)
                    pending_ = candidate;
                else if (errno != EEXIST || attempt == 100)
                    fail("cannot write");
            }
            step(WriteStep::Linked);
        }
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0)
            fail("cannot write");
        if (::rename(pending_.c_str(), t_.path.c_str()) != 0)
            fail("cannot replace");
        pending_.clear();
        syncFolder();
        step(WriteStep::Replaced);
    }

private:
    // The folder takes no new file. The target could be rewritten in place, but a failure or a
    // kill on the way would leave it damaged, so that is refused too, with its own problem.
    [[noreturn]] void refuseFolder()
    {
        const int err = errno;
        if (t_.exists && S_ISREG(t_.st.st_mode) && mayWrite(t_.path, t_.st))
            throw FileError(asked_, "cannot write " + asked_ + ": its folder " + t_.folder
                                        + " does not allow a safe save (no new file can be made in it); save it elsewhere",
                            FileProblem::UnsafeFolder);
        errno = err;
        throw systemError("cannot write", asked_);
    }

    void keepMode(mode_t mode)
    {
        struct stat st {};
        if (::fstat(fd_, &st) != 0)
            fail("cannot write");
        // Only a change is asked for, so a file system without modes refuses nothing it has.
        if ((st.st_mode & 07777) != mode && ::fchmod(fd_, mode) != 0)
            fail("cannot set the permissions of");
    }

    // The rename is on disk too once the folder is flushed.
    void syncFolder()
    {
        const int dfd = ::open(t_.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dfd < 0)
            return;   // a folder we may write but not read: its file system flushes it in time
        const int result = ::fsync(dfd);
        const int err = errno;
        ::close(dfd);
        // Some file systems do not flush folders at all; that is no failure of the write.
        if (result != 0 && err != EINVAL && err != EROFS && err != ENOTSUP) {
            errno = err;
            fail("cannot write");
        }
    }

    Target t_;
    std::string asked_;
    std::optional<mode_t> wanted_;
    Mode mode_ = Unnamed;
    int fd_ = -1;
    std::string pending_;   // the named file not yet renamed into place
};

// The target the caller named, checked: a file that may not be written, or that is no regular
// file, is refused before anything is made.
Target checkedTarget(const std::string& path)
{
    if (path.empty())
        throw FileError(path, "cannot write a file without a name");
    Target t = resolveTarget(path);
    if (t.exists && !S_ISREG(t.st.st_mode))
        throw notRegular("cannot write", path, t.st.st_mode);
    if (t.exists && !mayWrite(t.path, t.st))
        throw FileError(path, "cannot write " + path + ": the file is read-only", FileProblem::NoPermission);
    removeAbandonedWrites(t.folder);
    return t;
}

void writeAll(Staged& s, const void* data, size_t size)
{
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

std::vector<uint8_t> readWholeFile(const std::string& path, uint64_t maxBytes)
{
    // Looked at before it is opened: opening a pipe waits for a writer, and some devices act
    // when opened.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        throw systemError("cannot open", path);
    if (!S_ISREG(st.st_mode))
        throw notRegular("cannot read", path, st.st_mode);
    const auto tooLarge = [&] {
        return FileError(path, "cannot read " + path + ": larger than any such file can be (" + std::to_string(maxBytes)
                                   + " bytes at most)",
                         FileProblem::TooLarge);
    };
    if (uint64_t(st.st_size) > maxBytes)
        throw tooLarge();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throw systemError("cannot open", path);
    // What was opened may not be what was looked at.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || uint64_t(st.st_size) > maxBytes) {
        const int err = errno;
        ::close(fd);
        if (!S_ISREG(st.st_mode))
            throw notRegular("cannot read", path, st.st_mode);
        if (uint64_t(st.st_size) > maxBytes)
            throw tooLarge();
        errno = err;
        throw systemError("cannot read", path);
    }
    std::vector<uint8_t> data;
    data.reserve(size_t(st.st_size));
    uint8_t buf[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            FileError e = systemError("cannot read", path);
            ::close(fd);
            throw e;
        }
        if (n == 0)
            break;
        // A file that grows while it is read is held to the same bound.
        if (data.size() + size_t(n) > maxBytes) {
            ::close(fd);
            throw tooLarge();
        }
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
    Staged s(t, path);
    writeAll(s, data, size);
    s.commit();
}

void writeReadOnlyCopy(const std::string& path, const std::string& data)
{
    if (path.empty())
        throw FileError(path, "cannot write a file without a name");
    Target t;
    t.path = path;
    t.folder = folderOf(path);
    if (::lstat(path.c_str(), &t.st) == 0) {
        if (!S_ISREG(t.st.st_mode))
            throw notRegular("cannot write", path, t.st.st_mode);
        t.exists = true;
    } else if (errno != ENOENT) {
        throw systemError("cannot write", path);
    }
    removeAbandonedWrites(t.folder);
    Staged s(t, path, S_IRUSR | S_IRGRP | S_IROTH);
    writeAll(s, data.data(), data.size());
    s.commit();
}

void replaceFileThrough(const std::string& path, const std::function<void(const std::string& temporary)>& fill)
{
    const Target t = checkedTarget(path);
    Staged s(t, path);
    // The descriptor names the file that `fill` writes, so syncing it syncs that content.
    fill(s.name());
    step(WriteStep::Wrote);
    s.commit();
}

} // namespace zelmar
