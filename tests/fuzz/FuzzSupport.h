#pragma once
// Shared pieces of the fuzz targets: a check that aborts (so that libFuzzer keeps the input), and a
// private folder for targets that must go through files.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace fuzz {

#define FUZZ_CHECK(cond)                                                                       \
    do {                                                                                       \
        if (!(cond)) {                                                                         \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);     \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

// A folder of this process for the files a target writes, in memory where the system has it. It
// goes when the run ends (a run stopped by a finding keeps it, with the input that made it).
inline const std::string& scratchFolder()
{
    static const std::string folder = [] {
        std::string tmpl = (::access("/dev/shm", W_OK) == 0 ? std::string("/dev/shm") : std::string("/tmp"))
                           + "/zelmar-fuzz-" + std::to_string(::getpid()) + "-XXXXXX";
        if (!::mkdtemp(tmpl.data()))
            std::abort();
        return tmpl;
    }();
    static const bool removedAtExit = std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }) == 0;
    (void)removedAtExit;
    return folder;
}

inline void writeFile(const std::string& path, const uint8_t* data, size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(f != nullptr);
    FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, f) == size);
    std::fclose(f);
}

inline std::string readFile(const std::string& path)
{
    std::string out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return out;
    char buf[65536];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
        out.append(buf, n);
    std::fclose(f);
    return out;
}

} // namespace fuzz
