#include "model/FactorySets.h"

#include "model/FactoryNames.h"
#include "model/FileIO.h"
#include "model/SetFile.h"

#include <sys/stat.h>

#include <exception>
#include <fstream>
#include <sstream>

namespace zelmar {

namespace fs = std::filesystem;

namespace {

constexpr const char* kStampFile = ".factory-stamp";

} // namespace

void nameFactorySet(SignalSet& s, int set, int language)
{
    for (size_t i = 0; i < s.signals.size(); ++i)
        s.signals[i].name = factorySignalName(int(i) + 1, set, language);
    for (size_t j = 0; j < s.library.size(); ++j)
        s.library[j].name = factorySoundName(int(j) + 1, set, language);
}

std::string factoryStamp(const fs::path& shippedDir)
{
    std::ostringstream out;
    for (int set = 1; set <= kFactorySetCount; ++set) {
        const std::string name(factorySetFileName(set));
        struct stat st {};
        out << name;
        if (::stat((shippedDir / name).c_str(), &st) == 0)
            out << ' ' << st.st_size << ' ' << st.st_mtim.tv_sec << '.' << st.st_mtim.tv_nsec << '\n';
        else
            out << " missing\n";
    }
    return out.str();
}

std::string recordedFactoryStamp(const fs::path& folder)
{
    std::ifstream in(folder / kStampFile, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void recordFactoryStamp(const fs::path& folder, const std::string& stamp)
{
    writeFileAtomically((folder / kStampFile).string(), stamp);
}

FactoryWriteResult writeFactorySets(const fs::path& shippedDir, const fs::path& folder, int language)
{
    FactoryWriteResult result;
    for (int set = 1; set <= kFactorySetCount; ++set) {
        const std::string name(factorySetFileName(set));
        const fs::path shipped = shippedDir / name;
        SignalSet s;
        try {
            s = readSetFile(shipped.string());
        } catch (const std::exception&) {
            result.unreadable.push_back(shipped.string());
            continue;
        }
        nameFactorySet(s, set, language);

        const fs::path copy = folder / name;
        std::error_code ec;
        // A link put in place of a copy leads to a file of the user's, which is not ours to replace.
        if (fs::is_symlink(copy, ec))
            fs::remove(copy, ec);
        // The copy of an earlier run is read-only, and the writer refuses a read-only target.
        if (fs::exists(copy, ec))
            fs::permissions(copy, fs::perms::owner_write, fs::perm_options::add, ec);
        try {
            writeSetFile(s, copy.string());
            fs::permissions(copy, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                            fs::perm_options::replace);
            ++result.written;
        } catch (const std::exception&) {
            result.unsaved.push_back(copy.string());
        }
    }
    return result;
}

} // namespace zelmar
