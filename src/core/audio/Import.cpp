#include "audio/Import.h"

#include "audio/Gain.h"
#include "audio/MonoMix.h"
#include "audio/MonoResampler.h"
#include "audio/Rounding.h"
#include "audio/SoundSource.h"
#include "model/Errors.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <new>
#include <utility>

namespace zelmar {

const char* const kImportNoMemoryText = "Not enough memory available.\n\nClose other applications and try again.";

std::string ImportMessage::text() const
{
    if (resourceId == 0)
        return kImportNoMemoryText;
    return rsf(resourceId, args);
}

ImportMessage importFailure(const std::exception_ptr& failure, const std::string& chosenFile)
{
    try {
        std::rethrow_exception(failure);
    } catch (const FileError& e) {
        return {65460, {e.path.empty() ? chosenFile : e.path}};
    } catch (const std::bad_alloc&) {
        return {0, {}};
    } catch (...) {
        return {65461, {chosenFile}};
    }
}

std::string formatSeconds(double seconds)
{
    return decimalText(seconds, 2);
}

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

namespace {

// Frames read, mixed and converted at a time.
constexpr size_t kPieceFrames = 16384;

// The last stage: mono samples become the sound's 16-bit samples at the chime's rate, through the
// converter when the file has another rate or depth. Samples past the room are dropped.
class SoundSink {
public:
    SoundSink(const SourceFormat& format, bool convert, int64_t maxSamples, std::vector<int16_t>& samples)
        : maxSamples_(maxSamples), samples_(samples)
    {
        if (convert)
            resampler_ = std::make_unique<MonoResampler>(format.sampleRate, kSampleRate, 0, format.frames);
        if (format.frames > 0)
            samples_.reserve(size_t(std::min<int64_t>(maxSamples, format.frames * kSampleRate / format.sampleRate + 64)));
        keep_ = [this](const int16_t* s, size_t n) { samples_.insert(samples_.end(), s, s + std::min(n, room())); };
    }
    SoundSink(const SoundSink&) = delete;
    SoundSink& operator=(const SoundSink&) = delete;

    void push(const float* mono, size_t n)
    {
        if (resampler_) {
            resampler_->push(mono, n, keep_);
            return;
        }
        // Half to even also for the exact halves that averaging two channels makes.
        const size_t take = std::min(n, room());
        const size_t at = samples_.size();
        samples_.resize(at + take);
        toInt16(mono, take, samples_.data() + at);
    }

    void finish()
    {
        if (resampler_)
            resampler_->finish(keep_);
    }

    bool full() const { return int64_t(samples_.size()) >= maxSamples_; }

private:
    size_t room() const { return size_t(std::max<int64_t>(0, maxSamples_ - int64_t(samples_.size()))); }

    int64_t maxSamples_;
    std::vector<int16_t>& samples_;
    std::unique_ptr<MonoResampler> resampler_;
    MonoResampler::Sink keep_;
};

// The progress the observer is shown, in thousandths of the file, and the cancel it may answer.
class Progress {
public:
    Progress(ImportObserver& observer, const SoundSource& source, bool watched)
        : observer_(observer), source_(source), watched_(watched)
    {
        if (watched_)
            observer_.conversionStarted();
    }
    ~Progress()
    {
        if (watched_)
            observer_.conversionEnded();
    }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Shows how far the work is; true when the user asked to cancel it.
    bool cancelled()
    {
        if (!watched_)
            return false;
        const auto shown = int32_t(std::clamp(source_.progress(), 0.0, 1.0) * 1000.0);
        lastShown_ = std::max(shown, lastShown_);
        return observer_.conversionProgress(lastShown_, 1000);
    }

private:
    ImportObserver& observer_;
    const SoundSource& source_;
    bool watched_;
    int32_t lastShown_ = -1;
};

DecodedSound decodeFile(const std::string& chosenFile, const ImportRoom& setRoom, ImportObserver& observer,
                        TooLong whenTooLong)
{
    const bool keepStart = whenTooLong == TooLong::KeepWhatFits;
    DecodedSound out;
    ImportResult& result = out.result;
    auto refuse = [&out](int id, std::vector<FormatArg> args = {}) -> DecodedSound& {
        out.result.message = ImportMessage{id, std::move(args)};
        out.samples.clear();
        return out;
    };
    out.name = soundNameFromPath(chosenFile);
    if (const int refusal = setRoom.refusal(out.name))
        return refuse(refusal);

    OpenedSource opened = openSoundSource(chosenFile);
    result.decodedMp3 = opened.mpeg;
    if (!opened.source)
        return refuse(opened.refusal, {chosenFile});
    SoundSource& source = *opened.source;
    const SourceFormat& format = source.format();
    const bool mpeg = source.kind() == SourceKind::Mpeg;
    const bool convert = !format.pcm16 || format.sampleRate != kSampleRate;
    const SoundRoom room = setRoom.forSound(out.name, chosenFile, {mpeg, convert, format.channels != 1});

    const double stated = source.statedSeconds();
    if (stated > 0 && stated >= room.timeLeft && !keepStart)
        return refuse(65219, {formatSeconds(stated), formatSeconds(room.statedLimit)});
    if (source.truncated())
        return refuse(65220, {chosenFile});
    if (convert && !format.convertible)
        return refuse(65218);
    source.limitSeconds(room.timeLeft);

    Progress progress(observer, source, mpeg || convert);
    source.whileWaiting([&progress] { return !progress.cancelled(); });
    std::vector<int16_t>& samples = out.samples;
    bool tooLong = false;
    double tooLongSeconds = 0;
    try {
        SoundSink sink(format, convert, room.maxSamples, samples);
        std::vector<float> mono(kPieceFrames);
        uint64_t framesRead = 0;
        for (;;) {
            const SampleBlock block = source.read(kPieceFrames);
            if (block.frames == 0)
                break;
            mixToMono(block, mono.data());
            sink.push(mono.data(), block.frames);
            framesRead += block.frames;
            // Stop as soon as the sound is longer than any that could fit: the rest is not read.
            const double secondsRead = double(framesRead) / format.sampleRate;
            if (secondsRead >= room.timeLeft || sink.full()) {
                tooLong = true;
                const double part = std::clamp(source.progress(), 1e-9, 1.0);
                tooLongSeconds = std::max({stated, secondsRead / part, double(samples.size()) / kSampleRate});
                break;
            }
            if (progress.cancelled()) {
                result.cancelled = true;
                samples.clear();
                return out;
            }
        }
        // A kept start needs the converter's last output too: its segments lag behind the reading.
        if (!tooLong || keepStart)
            sink.finish();
    } catch (const ReadCancelled&) {
        result.cancelled = true;
        samples.clear();
        return out;
    } catch (const SourceDamaged&) {
        return refuse(65220, {chosenFile});
    } catch (const FileError&) {
        throw;
    } catch (const std::bad_alloc&) {
        return refuse(0);
    } catch (const std::exception&) {
        return refuse(65218);   // the converter failed
    }
    result.converted = convert;
    result.mixedDown = format.channels != 1;
    if (tooLong && !keepStart)
        return refuse(65219, {formatSeconds(tooLongSeconds), formatSeconds(room.statedLimit)});
    if (keepStart) {
        // The samples read stop at the room's bound, a few past what fits with its last block.
        int64_t keep = int64_t(samples.size());
        while (keep > 0 && !room.fits(keep))
            --keep;
        samples.resize(size_t(keep));
        if (keep == 0)
            return refuse(65219, {formatSeconds(tooLongSeconds), formatSeconds(room.statedLimit)});
    }

    const int64_t n = int64_t(samples.size());
    if (!room.fits(n))
        return refuse(65219, {formatSeconds(double(n) / kSampleRate), formatSeconds(room.statedLimit)});
    // A sound without samples is refused like a file without data.
    if (n == 0)
        return refuse(0);
    return out;
}

} // namespace

DecodedSound decodeSound(const std::string& chosenFile, const ImportRoom& room, ImportObserver& observer,
                         TooLong tooLong)
{
    try {
        return decodeFile(chosenFile, room, observer, tooLong);
    } catch (...) {
        DecodedSound failed;
        failed.result.message = importFailure(std::current_exception(), chosenFile);
        return failed;
    }
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
