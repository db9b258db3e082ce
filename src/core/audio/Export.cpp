#include "audio/Export.h"

#include "audio/Render.h"
#include "audio/WavFile.h"
#include "model/Errors.h"
#include "model/FileIO.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>

namespace zelmar {

namespace fs = std::filesystem;

std::string defaultExportDirectory()
{
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h)
        home = h;
    else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        home = pw->pw_dir;
    else
        home = ".";
    return (fs::path(home) / "ZELMAR-WAV").string();
}

std::string exportFileName(const std::string& soundName)
{
    constexpr size_t kMaxEntry = 255;   // bytes of one directory entry
    const std::string ext = ".wav";
    std::string stem;
    for (char c : soundName) {
        if (c == '"')
            continue;
        // A separator would lead out of the folder ("../../x"); NUL would cut the name short.
        stem += (c == '/' || c == '\\' || c == '\0') ? '_' : c;
    }
    if (stem.size() + ext.size() > kMaxEntry) {
        size_t cut = kMaxEntry - ext.size();
        while (cut > 0 && (uint8_t(stem[cut]) & 0xC0) == 0x80)   // not inside a UTF-8 sequence
            --cut;
        stem.resize(cut);
    }
    // With the extension on, the name can never be "." or "..".
    return stem + ext;
}

std::vector<std::string> exportWavFiles(const SignalSet& set, const std::string& directory)
{
    std::vector<std::string> written;
    if (set.library.empty())
        return written;
    const fs::path dir = directory.empty() ? fs::path(defaultExportDirectory()) : fs::path(directory);
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir))
        throw FileError(dir.string(), "cannot create the folder " + dir.string()
                                          + (ec ? ": " + ec.message() : std::string()));
    for (const LibrarySound& s : set.library) {
        const fs::path file = dir / exportFileName(s.name);
        writeSoundWav(file.string(), s.sound, false);
        written.push_back(file.string());
    }
    return written;
}

} // namespace zelmar
