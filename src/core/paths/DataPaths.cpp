#include "paths/DataPaths.h"

#include <cstdlib>
#include <system_error>

namespace zelmar {
namespace fs = std::filesystem;

fs::path executableDirectory()
{
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : exe.parent_path();
}

static bool isDirectory(const fs::path& p)
{
    std::error_code ec;
    return fs::is_directory(p, ec);
}

std::optional<fs::path> findDataDirectory(const fs::path& exeDir)
{
    if (const char* env = std::getenv("ZELMAR_DATA_DIR"); env && *env)
        return isDirectory(env) ? std::optional<fs::path>(fs::path(env)) : std::nullopt;
    if (exeDir.empty())
        return std::nullopt;
    // Installed: <prefix>/bin/zelmar and <prefix>/share/zelmar. In a build folder the executables
    // stand two levels down (build/src/app), and the build mirrors the installed share/zelmar.
    for (const fs::path& candidate : {exeDir / ".." / "share" / "zelmar", exeDir / ".." / ".." / "share" / "zelmar"}) {
        if (isDirectory(candidate))
            return candidate.lexically_normal();
    }
    return std::nullopt;
}

fs::path expectedDataDirectory(const fs::path& exeDir)
{
    return (exeDir / ".." / "share" / "zelmar").lexically_normal();
}

std::optional<fs::path> installedUdevRules(const fs::path& exeDir)
{
    if (exeDir.empty())
        return std::nullopt;
    const fs::path rules = (exeDir / ".." / "lib" / "udev" / "rules.d" / "70-zelmar.rules").lexically_normal();
    std::error_code ec;
    return fs::is_regular_file(rules, ec) ? std::optional<fs::path>(rules) : std::nullopt;
}

bool udevReadsRulesAt(const fs::path& rules)
{
    const fs::path folder = rules.parent_path();
    return folder == "/usr/lib/udev/rules.d" || folder == "/lib/udev/rules.d" || folder == "/etc/udev/rules.d";
}

} // namespace zelmar
