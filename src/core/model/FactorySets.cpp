#include "model/FactorySets.h"

#include "model/Errors.h"
#include "model/FactoryNames.h"
#include "model/FileIO.h"
#include "model/SetFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <exception>
#include <iomanip>
#include <optional>
#include <sstream>

namespace zelmar {

namespace fs = std::filesystem;

namespace {

// The record of the last write: the stamp of the shipped sets it was made from, then one line
// "copy HASH SIZE NAME" for each copy it put in the folder.
constexpr const char* kRecordFile = ".factory-stamp";
constexpr char kCopyLine[] = "copy ";
// A record is a few lines; anything longer is not one.
constexpr uint64_t kMaxRecordBytes = 64 * 1024;
// "Premium.zmr", "Premium (2).zmr" ... "Premium (20).zmr": beyond that the folder is crowded.
constexpr int kMaxVariants = 20;

struct Copy {
    std::string name;
    uint64_t hash = 0;
    uint64_t size = 0;
};

struct Record {
    std::string stamp;
    std::vector<Copy> copies;
    // A record of an earlier version of the program: a stamp, but no copies named.
    bool stampOnly = false;
};

uint64_t fnv1a64(std::string_view bytes)
{
    uint64_t h = 0xcbf29ce484222325ULL;
    for (unsigned char c : bytes)
        h = (h ^ c) * 0x100000001b3ULL;
    return h;
}

Record readRecord(const fs::path& folder)
{
    Record r;
    std::string text;
    try {
        const std::vector<uint8_t> bytes = readWholeFile((folder / kRecordFile).string(), kMaxRecordBytes);
        text.assign(bytes.begin(), bytes.end());
    } catch (const FileError&) {
        return r;
    }
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(kCopyLine, 0) != 0) {
            r.stamp += line + '\n';
            continue;
        }
        std::istringstream fields(line.substr(sizeof kCopyLine - 1));
        Copy c;
        fields >> std::hex >> c.hash >> std::dec >> c.size;
        fields.get();   // the space before the name, which may hold spaces itself
        std::getline(fields, c.name);
        if (fields && !c.name.empty() && c.name.find('/') == std::string::npos)
            r.copies.push_back(c);
    }
    r.stampOnly = !r.stamp.empty() && r.copies.empty();
    return r;
}

void writeRecord(const fs::path& folder, const Record& r)
{
    std::ostringstream out;
    out << r.stamp;
    for (const Copy& c : r.copies)
        out << kCopyLine << std::hex << std::setw(16) << std::setfill('0') << c.hash << std::dec << ' ' << c.size
            << ' ' << c.name << '\n';
    writeFileAtomically((folder / kRecordFile).string(), out.str());
}

// What the file `name` in `folder` holds now, as the record names a copy; nothing when it cannot
// be read.
std::optional<Copy> copyAsItIs(const fs::path& folder, const std::string& name)
{
    try {
        const std::vector<uint8_t> bytes = readWholeFile((folder / name).string(), kMaxSetFileBytes);
        return Copy{name, fnv1a64(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())),
                    bytes.size()};
    } catch (const FileError&) {
        return std::nullopt;
    }
}

// True when the regular file `name` in `folder` still holds exactly what a write of ours put there.
bool holdsOurCopy(const fs::path& folder, const std::string& name, const struct stat& st, const Record& r)
{
    const auto recorded = [&](uint64_t size, std::optional<uint64_t> hash) {
        return std::any_of(r.copies.begin(), r.copies.end(), [&](const Copy& c) {
            return c.name == name && c.size == size && (!hash || c.hash == *hash);
        });
    };
    // Read only when its size is one that was written.
    if (!recorded(uint64_t(st.st_size), std::nullopt))
        return false;
    const std::optional<Copy> now = copyAsItIs(folder, name);
    return now && recorded(now->size, now->hash);
}

// "Premium.zmr", then "Premium (2).zmr" and on.
std::string variantName(const std::string& name, int k)
{
    if (k == 1)
        return name;
    const size_t dot = name.find_last_of('.');
    const std::string tag = " (" + std::to_string(k) + ")";
    return dot == std::string::npos ? name + tag : name.substr(0, dot) + tag + name.substr(dot);
}

// Where a copy of the shipped `name` may go: the first variant of the name that is free or holds
// a copy of ours. Nothing when all are taken.
std::optional<std::string> placeFor(const fs::path& folder, const std::string& name, const Record& r)
{
    for (int k = 1; k <= kMaxVariants; ++k) {
        const std::string candidate = variantName(name, k);
        struct stat st {};
        if (::lstat((folder / candidate).c_str(), &st) != 0)
            return candidate;   // free, or the write says what is wrong
        if (!S_ISREG(st.st_mode))
            continue;
        // What an earlier version wrote, under the plain name only, is known by the mode it left.
        if (r.stampOnly ? k == 1 && (st.st_mode & 07777) == (S_IRUSR | S_IRGRP | S_IROTH)
                        : holdsOurCopy(folder, candidate, st, r))
            return candidate;
    }
    return std::nullopt;
}

} // namespace

void nameFactorySet(SignalSet& s, int set, const FactoryNames& names)
{
    for (size_t i = 0; i < s.signals.size(); ++i)
        s.signals[i].name = names.signalName(int(i) + 1, set);
    for (size_t j = 0; j < s.library.size(); ++j)
        s.library[j].name = names.soundName(int(j) + 1, set);
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
    return readRecord(folder).stamp;
}

FactoryWriteResult writeFactorySets(const fs::path& shippedDir, const fs::path& folder, const FactoryNames& names)
{
    FactoryWriteResult result;
    const Record old = readRecord(folder);
    const std::string stamp = factoryStamp(shippedDir);

    struct Planned {
        Copy copy;
        std::string bytes;
    };
    std::vector<Planned> plan;
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
        nameFactorySet(s, set, names);
        const std::optional<std::string> place = placeFor(folder, name, old);
        if (!place) {
            result.crowded.push_back((folder / name).string());
            continue;
        }
        Planned p;
        p.bytes = serializeSetFile(s);
        p.copy = {*place, fnv1a64(p.bytes), p.bytes.size()};
        plan.push_back(std::move(p));
    }

    // Until the copies are written both their old and their new content count as ours, so that a
    // run stopped on the way leaves nothing that the next one would take for the user's.
    Record during = old;
    during.stampOnly = false;
    if (old.stampOnly) {
        // What an earlier version wrote becomes known by its content.
        for (const Planned& p : plan) {
            if (const std::optional<Copy> earlier = copyAsItIs(folder, p.copy.name))
                during.copies.push_back(*earlier);
        }
    }
    for (const Planned& p : plan)
        during.copies.push_back(p.copy);
    try {
        if (!plan.empty())
            writeRecord(folder, during);
    } catch (const std::exception&) {
        // Without a record the copies would later look like the user's own files.
        for (const Planned& p : plan)
            result.unsaved.push_back((folder / p.copy.name).string());
        return result;
    }

    Record done;
    for (const Planned& p : plan) {
        try {
            writeReadOnlyCopy((folder / p.copy.name).string(), p.bytes);
            ++result.written;
            done.copies.push_back(p.copy);
        } catch (const std::exception&) {
            result.unsaved.push_back((folder / p.copy.name).string());
        }
    }
    // What was not written now stays known as before, while its file is there.
    for (const Copy& c : during.copies) {
        const bool rewritten = std::any_of(done.copies.begin(), done.copies.end(),
                                           [&](const Copy& d) { return d.name == c.name; });
        std::error_code ec;
        if (!rewritten && fs::is_regular_file(folder / c.name, ec))
            done.copies.push_back(c);
    }
    // A failure leaves the old stamp, so that the next start tries again.
    done.stamp = result.unsaved.empty() ? stamp : old.stamp;
    try {
        writeRecord(folder, done);
    } catch (const std::exception&) {
        // The record written before still knows every copy; the sets are written again next time.
    }
    return result;
}

} // namespace zelmar
