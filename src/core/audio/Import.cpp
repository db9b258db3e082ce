#include "audio/Import.h"

#include "audio/Gain.h"
#include "audio/MonoResampler.h"
#include "audio/Rounding.h"
#include "audio/SoundSource.h"
#include "audio/WavFile.h"

#include <algorithm>
#include <charconv>
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

constexpr size_t kPieceFrames = 16384;

} // namespace

std::string soundNameFromPath(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // The longer endings of the other sound files go whole.
    for (const char* ending : {".flac", ".aiff", ".aifc", ".opus"}) {
        const size_t n = std::char_traits<char>::length(ending);
        if (name.size() > n && name.compare(name.size() - n, n, ending) == 0)
            return name.substr(0, name.size() - n);
    }
    // Drop four characters, not four bytes: a name may end in a letter of two bytes.
    for (int i = 0; i < 4 && !name.empty(); ++i) {
        size_t cut = name.size() - 1;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.erase(cut);
    }
    return name;
}

ImportRoom ImportRoom::of(const SignalSet& set)
{
    return {int(set.library.size()), set.tableSize(), set.freeBytes()};
}

DecodedSound decodeSound(const std::string& chosenFile, const ImportRoom& room, ImportObserver& observer)
{
    DecodedSound out;
    ImportResult& result = out.result;
    auto refuse = [&out](int id, std::vector<FormatArg> args = {}) -> DecodedSound& {
        out.result.message = ImportMessage{id, std::move(args)};
        out.samples.clear();
        return out;
    };
    if (room.sounds >= kMaxSounds)
        return refuse(65217);

    out.name = soundNameFromPath(chosenFile);
    // Each sound adds its name to the tables, which the chime limits.
    if (int64_t(room.tableSize) + nameBytes(out.name) + 4 > kTableLimit)
        return refuse(65245);

    const int32_t freeBytes = room.freeBytes;
    const double statedLimit = secondsForBytes(freeBytes);
    OpenedSource opened = openSoundSource(chosenFile);
    result.decodedMp3 = opened.mpeg;
    if (!opened.source)
        return refuse(opened.refusal, {chosenFile});
    SoundSource& source = *opened.source;
    const SourceFormat& format = source.format();
    const bool mpeg = source.kind() == SourceKind::Mpeg;
    const bool convert = !format.pcm16 || format.sampleRate != kSampleRate;

    // The room a sound needs counts the name of the file its samples come from: the chosen one
    // while they are taken as they are, otherwise the temporary name a decoded or converted file
    // carries. The sound's own entry in the tables counts when it is the larger.
    const std::string temporaryName = mpeg || convert || format.channels != 1 ? MakeTempWavName() : std::string();
    auto nameCost = [&](const std::string& working) {
        return std::max<int64_t>(int64_t(codePoints(working)), int64_t(nameBytes(out.name)) + 4);
    };
    const int64_t firstCost = nameCost(mpeg ? temporaryName : chosenFile);
    const int64_t finalCost = nameCost(temporaryName.empty() ? chosenFile : temporaryName);
    const double timeLeft = double(int64_t(freeBytes) - firstCost) / 9.0 * 8.0 / kSampleRate;

    const double stated = source.statedSeconds();
    if (stated > 0 && stated >= timeLeft)
        return refuse(65219, {formatSeconds(stated), formatSeconds(statedLimit)});
    if (source.truncated())
        return refuse(65220, {chosenFile});
    if (convert && !format.convertible)
        return refuse(65218);

    source.limitSeconds(timeLeft);
    // Samples beyond this count cannot fit whatever else happens.
    const int64_t roomSamples = std::max<int64_t>(0, (int64_t(freeBytes) - finalCost) * 8 / 9 + 8);
    const bool watched = mpeg || convert;
    if (watched)
        observer.conversionStarted();
    struct EndWatch {
        ImportObserver& o;
        bool on;
        ~EndWatch()
        {
            if (on)
                o.conversionEnded();
        }
    } endWatch{observer, watched};

    std::vector<int16_t>& samples = out.samples;
    bool tooLong = false;
    double tooLongSeconds = 0;
    try {
        std::unique_ptr<MonoResampler> resampler;
        if (convert)
            resampler = std::make_unique<MonoResampler>(format.sampleRate, kSampleRate, 0, format.frames);
        if (format.frames > 0)
            samples.reserve(size_t(std::min<int64_t>(roomSamples, format.frames * kSampleRate / format.sampleRate + 64)));
        const MonoResampler::Sink keep = [&](const int16_t* s, size_t n) {
            const size_t room = size_t(std::max<int64_t>(0, roomSamples - int64_t(samples.size())));
            samples.insert(samples.end(), s, s + std::min(n, room));
        };
        std::vector<float> piece(kPieceFrames);
        uint64_t framesRead = 0;
        int32_t lastShown = -1;
        for (;;) {
            const size_t n = source.read(piece.data(), piece.size());
            if (n == 0)
                break;
            framesRead += n;
            if (resampler) {
                resampler->push(piece.data(), n, keep);
            } else {
                // Half to even also for the exact halves that averaging two channels makes.
                const size_t take = size_t(std::min<int64_t>(int64_t(n), roomSamples - int64_t(samples.size())));
                const size_t at = samples.size();
                samples.resize(at + take);
                toInt16(piece.data(), take, samples.data() + at);
            }
            // Stop as soon as the sound is longer than any that could fit: the rest is not read.
            const double secondsRead = double(framesRead) / format.sampleRate;
            if (secondsRead >= timeLeft || int64_t(samples.size()) >= roomSamples) {
                tooLong = true;
                const double part = std::clamp(source.progress(), 1e-9, 1.0);
                tooLongSeconds = std::max({stated, secondsRead / part, double(samples.size()) / kSampleRate});
                break;
            }
            if (watched) {
                const auto shown = int32_t(std::clamp(source.progress(), 0.0, 1.0) * 1000.0);
                if (observer.conversionProgress(std::max(shown, lastShown), 1000)) {
                    result.cancelled = true;
                    samples.clear();
                    return out;
                }
                lastShown = std::max(shown, lastShown);
            }
        }
        if (resampler && !tooLong)
            resampler->finish(keep);
    } catch (const SourceDamaged&) {
        return refuse(65220, {chosenFile});
    } catch (const std::bad_alloc&) {
        return refuse(0);
    } catch (const std::exception&) {
        return refuse(65218);
    }
    result.converted = convert;
    result.mixedDown = format.channels != 1;
    if (tooLong)
        return refuse(65219, {formatSeconds(tooLongSeconds), formatSeconds(statedLimit)});

    const int64_t n = int64_t(samples.size());
    if ((9 * n + 7) / 8 + finalCost > freeBytes)
        return refuse(65219, {formatSeconds(double(n) / kSampleRate), formatSeconds(statedLimit)});
    // A sound without samples is refused like a file without data.
    if (n == 0)
        return refuse(0);
    return out;
}

ImportResult addDecodedSound(DecodedSound&& sound, SignalSet& set, ImportObserver& observer)
{
    ImportResult result = sound.result;
    if (result.message || result.cancelled)
        return result;
    if (observer.askNormalise())
        NormaliseSamples(sound.samples.data(), int32_t(sound.samples.size()));
    LibrarySound entry;
    entry.name = std::move(sound.name);
    entry.sound.SetSamples(std::move(sound.samples));
    set.library.push_back(std::move(entry));
    result.added = true;
    result.soundNumber = int(set.library.size());
    return result;
}

ImportResult importSound(const std::string& chosenFile, SignalSet& set, ImportObserver& observer)
{
    return addDecodedSound(decodeSound(chosenFile, ImportRoom::of(set), observer), set, observer);
}

} // namespace zelmar
