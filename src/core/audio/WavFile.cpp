#include "audio/WavFile.h"

#include "model/ByteReader.h"
#include "model/Errors.h"
#include "model/TempFolders.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace zelmar {

namespace {

std::string errnoText(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

// Closes a descriptor on every way out.
struct Fd {
    int fd;
    explicit Fd(int f) : fd(f) {}
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

// Reads up to `n` bytes at `offset`; the count read, or -1 on an error.
ssize_t readAt(int fd, void* buffer, size_t n, int64_t offset)
{
    size_t done = 0;
    while (done < n) {
        ssize_t r = ::pread(fd, static_cast<char*>(buffer) + done, n - done, off_t(offset + int64_t(done)));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (r == 0)
            break;
        done += size_t(r);
    }
    return ssize_t(done);
}

void writeAll(int fd, const void* data, size_t n, const std::string& path)
{
    const char* p = static_cast<const char*>(data);
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            throw FileError(path, errnoText("cannot write", path));
        }
        p += w;
        n -= size_t(w);
    }
}

bool idIs(const char (&id)[4], const char* text)
{
    return std::memcmp(id, text, 4) == 0;
}

// The header of a file as read, before any check.
struct WavHeader {
    char RiffId[4] = {};
    uint32_t RiffSize = 0;
    char WaveId[4] = {};
    char FmtId[4] = {};
    uint32_t FmtSize = 0;
    uint16_t FormatTag = 0;
    uint16_t Channels = 0;
    uint32_t SampleRate = 0;
    uint32_t ByteRate = 0;
    uint16_t BlockAlign = 0;
    uint16_t BitsPerSample = 0;
    uint16_t SubFormat = 0;        // of an extensible format chunk: 1 PCM, 3 IEEE float; else 0
    char DataId[4] = {};
    uint32_t DataSize = 0;
};

// Reads the header of `path`; nullopt when it cannot be read (short file, a format chunk that is
// not 16, 18 or 40 bytes, a chunk under 4 bytes, no "data" chunk). `dataOffset` receives the
// position of the first sample byte. Never throws.
std::optional<WavHeader> readWavHeader(const std::string& path, int64_t& dataOffset)
{
    dataOffset = 0;
    Fd f(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (f.fd < 0)
        return std::nullopt;

    WavHeader h;
    uint8_t head[20];
    if (readAt(f.fd, head, sizeof head, 0) != ssize_t(sizeof head))
        return std::nullopt;
    ByteReader r(head);
    std::memcpy(h.RiffId, r.bytes(4).data(), 4);
    h.RiffSize = r.u32();
    std::memcpy(h.WaveId, r.bytes(4).data(), 4);
    std::memcpy(h.FmtId, r.bytes(4).data(), 4);
    h.FmtSize = r.u32();
    if (h.FmtSize != 16 && h.FmtSize != 18 && h.FmtSize != 40)
        return std::nullopt;

    uint8_t fmt[40];
    if (readAt(f.fd, fmt, h.FmtSize, 20) != ssize_t(h.FmtSize))
        return std::nullopt;
    ByteReader b(std::span<const uint8_t>(fmt, h.FmtSize));
    h.FormatTag = b.u16();
    h.Channels = b.u16();
    h.SampleRate = b.u32();
    h.ByteRate = b.u32();
    h.BlockAlign = b.u16();
    h.BitsPerSample = b.u16();
    if (h.FmtSize == 40 && h.FormatTag == kWavExtensible) {
        // cbSize, valid bits, channel mask, then the sub-format GUID: a format tag followed by the
        // fixed tail that marks it as one.
        static const uint8_t tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                         0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        b.seek(24);
        const uint16_t sub = b.u16();
        if (std::memcmp(fmt + 26, tail, sizeof tail) == 0)
            h.SubFormat = sub;
    }

    // Walk the chunks up to "data"; each step moves at least 12 bytes on, and a chunk that claims
    // to reach past the end makes the next read come up short.
    int64_t pos = 20 + int64_t(h.FmtSize);
    for (;;) {
        uint8_t chunk[8];
        if (readAt(f.fd, chunk, sizeof chunk, pos) != ssize_t(sizeof chunk))
            return std::nullopt;
        ByteReader c(chunk);
        char id[4];
        std::memcpy(id, c.bytes(4).data(), 4);
        const uint32_t size = c.u32();
        if (size < 4)
            return std::nullopt;
        if (std::memcmp(id, "data", 4) == 0) {
            std::memcpy(h.DataId, id, 4);
            h.DataSize = size;
            dataOffset = pos + 8;
            return h;
        }
        pos += 8 + int64_t(size);
    }
}

} // namespace

bool TWavFileEx::Open(const std::string& path)
{
    *this = TWavFileEx{};
    int64_t dataOffset = 0;
    const std::optional<WavHeader> h = readWavHeader(path, dataOffset);
    if (!h || dataOffset > INT32_MAX)
        return false;
    const uint16_t tag = h->FormatTag == kWavExtensible ? h->SubFormat : h->FormatTag;
    // A zero bit depth or rate would leave the duration and the conversion without meaning.
    const bool supported = idIs(h->RiffId, "RIFF") && idIs(h->WaveId, "WAVE") && idIs(h->FmtId, "fmt ")
                           && (tag == kWavPcm || tag == kWavFloat) && h->Channels >= 1
                           && h->Channels <= kWavMaxChannels && h->BitsPerSample != 0 && h->SampleRate != 0
                           && h->SampleRate <= kWavMaxRate;
    if (!supported)
        return true;
    Valid = true;
    Channels = uint8_t(h->Channels);
    SampleRate = h->SampleRate;
    BitsPerSample = h->BitsPerSample;
    FileSize = h->RiffSize + 8;
    DataSize = h->DataSize;
    FormatTag = tag;
    DataOffset = int32_t(dataOffset);
    return true;
}

double TWavFileEx::Duration() const
{
    if (!Valid || BitsPerSample == 0 || SampleRate == 0 || Channels == 0)
        return 0;
    return 8.0 / BitsPerSample * double(DataSize) / SampleRate / Channels;
}

std::string fixedWavHeader(uint32_t dataBytes)
{
    ByteWriter w;
    w.raw("RIFF", 4);
    w.u32(dataBytes + 36);
    w.raw("WAVE", 4);
    w.raw("fmt ", 4);
    w.u32(16);
    w.u16(1);       // PCM
    w.u16(1);       // mono
    w.u32(18000);
    w.u32(36000);   // bytes per second
    w.u16(2);       // bytes per frame
    w.u16(16);
    w.raw("data", 4);
    w.u32(dataBytes);
    return w.bytes();
}

void CreateWavFile(const std::string& path, uint32_t dataBytes)
{
    Fd f(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (f.fd < 0)
        throw FileError(path, errnoText("cannot create", path));
    const std::string h = fixedWavHeader(dataBytes);
    writeAll(f.fd, h.data(), h.size(), path);
}

void RewriteWavHeader(const std::string& path, uint32_t dataBytes)
{
    Fd f(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (f.fd < 0)
        throw FileError(path, errnoText("cannot open", path));
    const std::string h = fixedWavHeader(dataBytes);
    writeAll(f.fd, h.data(), h.size(), path);
}

void AppendToFile(const std::string& path, const void* buffer, size_t count)
{
    Fd f(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    if (f.fd < 0)
        throw FileError(path, errnoText("cannot open", path));
    if (::lseek(f.fd, 0, SEEK_END) < 0)
        throw FileError(path, errnoText("cannot seek in", path));
    if (count > 0)
        writeAll(f.fd, buffer, count, path);
}

std::optional<std::vector<uint8_t>> ReadFileBlock(const std::string& path, int64_t offset, int64_t& count)
{
    if (count <= 0) {
        count = 0;
        return std::nullopt;
    }
    Fd f(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (f.fd < 0)
        throw FileError(path, errnoText("cannot open", path));
    if (offset < 0 || ::lseek(f.fd, off_t(offset), SEEK_SET) < 0)
        throw FileError(path, "cannot seek in " + path);
    struct stat st {};
    if (::fstat(f.fd, &st) != 0)
        throw FileError(path, errnoText("cannot read", path));
    int64_t want = count;
    if (S_ISREG(st.st_mode))
        want = std::min<int64_t>(want, std::max<int64_t>(0, int64_t(st.st_size) - offset));
    std::vector<uint8_t> buffer;
    try {
        buffer.resize(size_t(want));
    } catch (const std::bad_alloc&) {
        count = 0;
        return std::nullopt;
    } catch (const std::length_error&) {
        count = 0;
        return std::nullopt;
    }
    const ssize_t got = want > 0 ? readAt(f.fd, buffer.data(), buffer.size(), offset) : 0;
    if (got < 0)
        throw FileError(path, errnoText("cannot read", path));
    if (got == 0) {
        count = 0;
        return std::nullopt;
    }
    buffer.resize(size_t(got));
    count = got;
    return buffer;
}

namespace {

std::mutex g_tempMutex;
std::string g_tempDir;

void removeTempDirectory()
{
    std::error_code ec;
    if (!g_tempDir.empty())
        std::filesystem::remove_all(g_tempDir, ec);
}

} // namespace

std::string privateTempDirectory()
{
    std::lock_guard lock(g_tempMutex);
    if (!g_tempDir.empty() && std::filesystem::is_directory(g_tempDir))
        return g_tempDir;
    const std::string made = makePrivateTempFolder();
    const bool first = g_tempDir.empty();
    g_tempDir = made;
    if (first)
        std::atexit(removeTempDirectory);
    return g_tempDir;
}

namespace {

// "/zmr", up to four hexadecimal digits, ".tmp"; the name adds ".wav".
constexpr char kTempStem[] = "/zmr%X.tmp";
constexpr size_t kLongestTempStem = sizeof "/zmrFFFF.tmp" - 1;

} // namespace

size_t temporaryWavNameLength()
{
    return privateTempDirectory().size() + kLongestTempStem + 4;
}

std::string MakeTempWavName()
{
    static std::atomic<unsigned> counter{0};
    const std::string dir = privateTempDirectory();
    // Claim the name by creating the file exclusively, then let it go: the name is ours to use.
    for (int attempt = 0; attempt < 0x10000; ++attempt) {
        char stem[kLongestTempStem + 1];
        std::snprintf(stem, sizeof stem, kTempStem, (counter++ & 0xFFFFu));
        const std::string claim = dir + stem;
        int fd = ::open(claim.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            throw FileError(claim, errnoText("cannot create", claim));
        }
        ::close(fd);
        ::unlink(claim.c_str());
        const std::string name = claim + ".wav";
        struct stat st {};
        if (::lstat(name.c_str(), &st) == 0)
            continue;   // a preview still playing holds this one
        return name;
    }
    throw FileError(dir, "no free temporary file name in " + dir);
}

} // namespace zelmar
