#include "model/TempFolders.h"

#include "model/Errors.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zelmar {

namespace {

constexpr char kFolderPrefix[] = "zelmar-";

std::string systemTempFolder()
{
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    return ec || base.empty() ? std::string("/tmp") : base.string();
}

} // namespace

long ownerPidOf(const std::string& name, const std::string& prefix)
{
    if (name.compare(0, prefix.size(), prefix) != 0)
        return 0;
    size_t i = prefix.size();
    long pid = 0;
    const size_t digits = i;
    // A number the system's process ids cannot hold is no process id: cut down to one, it would
    // name another process.
    constexpr long kMaxPid = std::numeric_limits<pid_t>::max();
    while (i < name.size() && name[i] >= '0' && name[i] <= '9' && pid <= kMaxPid)
        pid = pid * 10 + (name[i++] - '0');
    if (i == digits || name[digits] == '0' || pid > kMaxPid || i >= name.size() || name[i] != '-')
        return 0;
    // mkstemp's and mkdtemp's six letters and digits, and nothing after them.
    if (name.size() != i + 7)
        return 0;
    for (size_t k = i + 1; k < name.size(); ++k) {
        const char c = name[k];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            return 0;
    }
    return pid;
}

bool processIsGone(long pid)
{
    if (pid <= 0)
        return false;
    // EPERM: it runs, under another user.
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

std::string makePrivateTempFolder()
{
    // Only a program that needs such a folder clears away those of killed runs.
    static const bool cleared = (removeAbandonedTempFolders(), true);
    (void)cleared;
    const std::string tmpl = systemTempFolder() + "/" + kFolderPrefix + std::to_string(::getpid()) + "-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr)
        throw FileError(tmpl, "cannot create the temporary directory " + tmpl + ": " + std::strerror(errno));
    return name.data();
}

int removeAbandonedTempFolders()
{
    const std::string base = systemTempFolder();
    DIR* d = ::opendir(base.c_str());
    if (!d)
        return 0;
    std::vector<std::string> gone;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        const long pid = ownerPidOf(name, kFolderPrefix);
        if (pid == 0 || !processIsGone(pid))
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(d), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        // mkdtemp makes its folders 0700; one that was changed since is somebody's to keep.
        if (S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 07777) == S_IRWXU)
            gone.push_back(base + "/" + name);
    }
    ::closedir(d);
    int removed = 0;
    for (const std::string& path : gone) {
        std::error_code ec;
        // remove_all does not follow links inside the folder.
        if (std::filesystem::remove_all(path, ec) > 0 && !ec)
            ++removed;
    }
    return removed;
}

} // namespace zelmar
