#include "model/SetFile.h"

#include "i18n/Text.h"
#include "model/ByteReader.h"
#include "model/Errors.h"
#include "model/FileIO.h"

#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace zelmar {

namespace {

constexpr char kMagic[7] = {'Z', 'E', 'L', 'M', 'A', 'R', '\0'};
constexpr char kVersion[4] = {'2', '.', '0', '\0'};

std::string readName(ByteReader& r)
{
    uint8_t len = r.u8();
    return fromCp1250(r.text(len));
}

TDzwiek readElement(ByteReader& r, int32_t soundCount)
{
    TDzwiek e;
    e.SoundNumber = r.u8();
    if (e.SoundNumber > soundCount)
        throw FormatError(kSetFileSoundNumber);
    e.Volume = r.u8();
    if (e.Volume > 15)
        throw FormatError(kSetFileVolume);
    e.FragmentStart = r.i32();
    if (e.FragmentStart < 0)
        throw FormatError(kSetFileFragmentStart);
    e.FragmentEnd = r.i32();
    if (e.FragmentEnd < 0 || e.FragmentEnd < e.FragmentStart)
        throw FormatError(kSetFileFragmentEnd);
    e.PauseLength = r.u8();
    return e;
}

Signal readElements(ByteReader& r, int32_t count, int32_t soundCount)
{
    if (count < 0 || count > kMaxElements)
        throw FormatError(kSetFileElementCount);
    Signal s;
    s.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i)
        s.push_back(readElement(r, soundCount));
    return s;
}

SignalSet parseRecords(ByteReader& r)
{
    auto magic = r.bytes(sizeof kMagic);
    auto version = r.bytes(sizeof kVersion);
    r.u8();   // reserved
    int32_t signalCount = r.i32();
    int32_t soundCount = r.i32();
    if (std::memcmp(magic.data(), kMagic, sizeof kMagic) != 0
        || std::memcmp(version.data(), kVersion, sizeof kVersion) != 0
        || signalCount < 1 || signalCount > kMaxSignals || soundCount < 0 || soundCount > kMaxSounds)
        throw FormatError(kSetFileHeader);

    SignalSet set;
    set.signals.reserve(size_t(signalCount));
    for (int32_t i = 0; i < signalCount; ++i) {
        NamedSignal s;
        s.name = readName(r);
        s.elements = readElements(r, r.i32(), soundCount);
        set.signals.push_back(std::move(s));
    }

    int32_t backdoorCount = r.i32();
    Signal backdoor = readElements(r, backdoorCount, soundCount);
    if (backdoorCount > 0)
        set.backdoor = std::move(backdoor);

    set.library.reserve(size_t(soundCount));
    for (int32_t i = 0; i < soundCount; ++i) {
        LibrarySound entry;
        entry.name = readName(r);
        entry.sound.Gain = r.u8();
        int32_t byteCount = r.i32();
        if (byteCount < 0 || byteCount > kMaxSoundBytes)
            throw FormatError(kSetFileSampleBytes);
        // Allocate only what the file really holds.
        if (size_t(byteCount) > r.remaining())
            throw FormatError(kSetFileTruncated);
        auto raw = r.bytes(size_t(byteCount));
        std::vector<int16_t> samples(size_t(byteCount) / 2);
        for (size_t k = 0; k < samples.size(); ++k)
            samples[k] = int16_t(uint16_t(raw[2 * k] | raw[2 * k + 1] << 8));
        entry.sound.SetSamples(std::move(samples));
        set.library.push_back(std::move(entry));
    }
    return set;
}

void writeName(ByteWriter& w, const std::string& name)
{
    std::string bytes = toCp1250(name, kMaxNameBytes);
    w.u8(uint8_t(bytes.size()));
    w.raw(bytes);
}

void writeElements(ByteWriter& w, const Signal& s)
{
    w.i32(int32_t(s.size()));
    for (const TDzwiek& e : s) {
        w.u8(uint8_t(e.SoundNumber));
        w.u8(uint8_t(e.Volume));
        w.i32(e.FragmentStart);
        w.i32(e.FragmentEnd);
        w.u8(uint8_t(e.PauseLength));
    }
}

} // namespace

SignalSet parseSetFile(std::span<const uint8_t> bytes)
{
    ByteReader r(bytes);
    try {
        return parseRecords(r);
    } catch (const ReadPastEnd&) {
        throw FormatError(kSetFileTruncated, "set file ends inside a record");
    }
}

bool startsAsSetFile(std::span<const uint8_t> head)
{
    // Enough of the magic to tell, so that a file cut short inside it is still called a set file.
    constexpr size_t kTold = 3;
    return head.size() >= kTold && std::memcmp(head.data(), kMagic, kTold) == 0;
}

SignalSet readSetFile(const std::string& path)
{
    std::vector<uint8_t> bytes = readWholeFile(path, kMaxSetFileBytes);
    return parseSetFile(bytes);
}

std::string serializeSetFile(const SignalSet& set)
{
    size_t total = 20;
    for (const LibrarySound& s : set.library)
        total += 262 + 2 * s.sound.Samples.size();
    ByteWriter w;
    w.bytes().reserve(total);
    w.raw(kMagic, sizeof kMagic);
    w.raw(kVersion, sizeof kVersion);
    w.u8(0);
    w.i32(int32_t(set.signals.size()));
    w.i32(int32_t(set.library.size()));
    for (const NamedSignal& s : set.signals) {
        writeName(w, s.name);
        writeElements(w, s.elements);
    }
    if (set.backdoor)
        writeElements(w, *set.backdoor);
    else
        w.i32(0);
    for (const LibrarySound& s : set.library) {
        writeName(w, s.name);
        w.u8(s.sound.Gain);
        // The buffer, not SampleCount, bounds what is written.
        const std::vector<int16_t>& samples = s.sound.Samples;
        w.i32(int32_t(2 * samples.size()));
        std::string& out = w.bytes();
        size_t at = out.size();
        out.resize(at + 2 * samples.size());
        for (size_t k = 0; k < samples.size(); ++k) {
            uint16_t v = uint16_t(samples[k]);
            out[at + 2 * k] = char(v & 0xFF);
            out[at + 2 * k + 1] = char(v >> 8);
        }
    }
    return std::move(w.bytes());
}

void writeSetFile(const SignalSet& set, const std::string& path)
{
    writeFileAtomically(path, serializeSetFile(set));
}

std::string readOnlyAlternativeName(const std::string& path)
{
    size_t nameStart = path.find_last_of('/');
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    size_t dot = path.find_last_of('.');
    // A leading dot starts a hidden name, not an extension.
    if (dot == std::string::npos || dot <= nameStart)
        return path + " (1)";
    return path.substr(0, dot) + " (1)" + path.substr(dot);
}

} // namespace zelmar
