#include "audio/Import.h"

#include "audio/Gain.h"
#include "audio/Mp3ToWav.h"
#include "audio/MpegFile.h"
#include "audio/WavFile.h"
#include "model/Errors.h"

#include <charconv>
#include <cstdio>
#include <memory>
#include <utility>

namespace zelmar {

const char* const kImportNoMemoryText = "Not enough memory available.\n\nClose other applications and try again.";

std::string ImportMessage::text() const
{
    if (resourceId == 0)
        return kImportNoMemoryText;
    return rsf(resourceId, args);
}

std::string formatSeconds(double seconds)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, seconds, std::chars_format::fixed, 2);
    if (r.ec != std::errc())
        return "0.00";
    std::string s(buf, r.ptr);
    return s == "-0.00" ? "0.00" : s;
}

namespace {

size_t codePoints(const std::string& s)
{
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

// The working file while it is one of ours; deleted when replaced and at the end.
class WorkingFile {
public:
    explicit WorkingFile(std::string chosen) : path_(std::move(chosen)) {}
    ~WorkingFile() { dropTemporary(); }
    const std::string& path() const { return path_; }
    bool temporary() const { return temporary_; }
    void replaceWith(const std::string& temp)
    {
        dropTemporary();
        path_ = temp;
        temporary_ = true;
    }
    void dropTemporary()
    {
        if (temporary_)
            std::remove(path_.c_str());
        temporary_ = false;
    }

private:
    std::string path_;
    bool temporary_ = false;
};

// A temporary name that is deleted unless handed over.
class PendingFile {
public:
    PendingFile() : path_(MakeTempWavName()) {}
    ~PendingFile()
    {
        if (!path_.empty())
            std::remove(path_.c_str());
    }
    const std::string& path() const { return path_; }
    std::string release() { return std::exchange(path_, std::string()); }

private:
    std::string path_;
};

} // namespace

std::string soundNameFromPath(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // Drop four characters, not four bytes: a name may end in a letter of two bytes.
    for (int i = 0; i < 4 && !name.empty(); ++i) {
        size_t cut = name.size() - 1;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.erase(cut);
    }
    return name;
}

void mixDownToMono(const std::string& input, int64_t dataOffset, uint32_t dataSize, const std::string& output)
{
    using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
    FilePtr in(std::fopen(input.c_str(), "rb"), &std::fclose);
    if (!in || std::fseek(in.get(), long(dataOffset), SEEK_SET) != 0)
        throw FileError(input, "cannot read " + input);
    const uint32_t declared = dataSize / 2;
    CreateWavFile(output, declared);
    FilePtr out(std::fopen(output.c_str(), "ab"), &std::fclose);
    if (!out)
        throw FileError(output, "cannot write " + output);

    uint8_t block[2048];
    int16_t mono[512];
    uint64_t left = dataSize;
    uint64_t written = 0;
    while (left > 0) {
        const size_t want = size_t(std::min<uint64_t>(left, sizeof block));
        const size_t got = std::fread(block, 1, want, in.get());
        const size_t pairs = got / 4;
        for (size_t i = 0; i < pairs; ++i) {
            const uint8_t* p = block + 4 * i;
            mono[i] = mixPair(int16_t(uint16_t(p[0] | p[1] << 8)), int16_t(uint16_t(p[2] | p[3] << 8)));
        }
        if (pairs > 0 && std::fwrite(mono, 2, pairs, out.get()) != pairs)
            throw FileError(output, "cannot write " + output);
        written += pairs * 2;
        left -= got;
        if (got < want) {
            if (std::ferror(in.get()))
                throw FileError(input, "cannot read " + input);
            break;
        }
    }
    if (std::fclose(out.release()) != 0)
        throw FileError(output, "cannot write " + output);
    // A data chunk shorter than declared: say what is really there.
    if (written != declared)
        RewriteWavHeader(output, uint32_t(written));
}

ImportResult importSound(const std::string& chosenFile, SignalSet& set, ImportObserver& observer)
{
    ImportResult result;
    auto refuse = [&result](int id, std::vector<FormatArg> args = {}) {
        result.message = ImportMessage{id, std::move(args)};
        return result;
    };
    if (int(set.library.size()) >= kMaxSounds)
        return refuse(65217);

    const std::string name = soundNameFromPath(chosenFile);
    const int32_t freeBytes = set.freeBytes();
    const double statedLimit = secondsForBytes(freeBytes);
    // The table entry of the sound costs its name plus 4 bytes; the working file's name length
    // stands in for it, but may be the shorter name of a temporary file.
    auto nameCost = [&](const std::string& working) {
        return std::max<int64_t>(int64_t(codePoints(working)), int64_t(nameBytes(name)) + 4);
    };

    WorkingFile working(chosenFile);
    TWavFileEx wav;
    bool opened = wav.Open(working.path());

    if (!opened && isMpegAudioFile(chosenFile)) {
        PendingFile decoded;
        decodeMp3File(chosenFile, decoded.path());
        working.replaceWith(decoded.release());
        result.decodedMp3 = true;
        opened = wav.Open(working.path());
    }

    if (opened && wav.Valid) {
        const double timeLeft = double(int64_t(freeBytes) - nameCost(working.path())) / 9.0 * 8.0 / kSampleRate;
        if (wav.Duration() >= timeLeft)
            return refuse(65219, {formatSeconds(wav.Duration()), formatSeconds(statedLimit)});
    }
    if (!opened)
        return refuse(65221, {chosenFile});
    if (!wav.Valid)
        return refuse(65220, {chosenFile});

    if (wav.SampleRate != uint32_t(kSampleRate) || wav.BitsPerSample != 16) {
        PendingFile converted;
        volatile int32_t cancel = 0;
        uint8_t failure = 0;
        observer.conversionStarted();
        try {
            convertWavFile(working.path().c_str(), converted.path().c_str(), kSampleRate, 16, 4, 0, &cancel,
                           [&](int32_t done, int32_t total) {
                               if (observer.conversionProgress(done, total))
                                   cancel = 1;
                           },
                           0, &failure);
        } catch (...) {
            observer.conversionEnded();
            throw;
        }
        observer.conversionEnded();
        working.dropTemporary();
        if (cancel != 0 || failure != 0)
            return refuse(65218);
        working.replaceWith(converted.release());
        result.converted = true;
        if (!wav.Open(working.path()) || !wav.Valid)
            return refuse(65218);
    }

    if (wav.Channels != 1) {
        PendingFile mixed;
        mixDownToMono(working.path(), wav.DataOffset, wav.DataSize, mixed.path());
        working.replaceWith(mixed.release());
        result.mixedDown = true;
        if (!wav.Open(working.path()) || !wav.Valid)
            return refuse(65221, {chosenFile});
    }

    const int64_t n = int64_t(wav.DataSize / 2);
    const int64_t room = (9 * n + 7) / 8 + nameCost(working.path());
    if (room > freeBytes)
        return refuse(65219, {formatSeconds(double(wav.DataSize) / 2.0 / kSampleRate), formatSeconds(statedLimit)});

    int64_t count = wav.DataSize;
    std::optional<std::vector<uint8_t>> bytes = ReadFileBlock(working.path(), wav.DataOffset, count);
    // A single stray byte makes no sample either; a sound without samples is refused like no data.
    if (!bytes || count / 2 == 0)
        return refuse(0);
    const size_t m = size_t(count / 2);
    std::vector<int16_t> samples;
    try {
        samples.resize(m);
    } catch (const std::bad_alloc&) {
        return refuse(0);
    }
    const uint8_t* p = bytes->data();
    for (size_t i = 0; i < m; ++i)
        samples[i] = int16_t(uint16_t(p[2 * i] | p[2 * i + 1] << 8));
    bytes.reset();

    if (observer.askNormalise())
        NormaliseSamples(samples.data(), int32_t(m));

    LibrarySound entry;
    entry.name = name;
    entry.sound.SetSamples(std::move(samples));
    set.library.push_back(std::move(entry));
    result.added = true;
    result.soundNumber = int(set.library.size());
    return result;
}

} // namespace zelmar
