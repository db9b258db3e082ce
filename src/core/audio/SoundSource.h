#pragma once
// The first stage of the import: a sound file opened and read in blocks of frames, in the file's
// own channel layout and sample kind. WAV files are read here; FLAC, Ogg Vorbis, Opus and AIFF
// through libsndfile; MPEG audio through libmad. Which reader takes a file is decided by its
// content, never by its name.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <variant>

namespace zelmar {

class TWavFileEx;

struct SourceFormat {
    int channels = 0;
    int sampleRate = 0;
    bool pcm16 = false;         // 16-bit integer samples: at 18000 per second no converter is needed
    bool convertible = true;    // a sample kind the converter can take
    int64_t frames = -1;        // what the header says; -1 when it does not say
    double seconds() const { return frames >= 0 && sampleRate > 0 ? double(frames) / sampleRate : 0; }
};

// Interleaved frames as a reader gives them: 16-bit integers, or floating point with full scale
// at 1.0. Valid until the next read.
struct SampleBlock {
    std::variant<std::span<const int16_t>, std::span<const float>, std::span<const double>> samples;
    int channels = 1;
    size_t frames = 0;
};

enum class SourceKind { Wav, Sndfile, Mpeg };

// The data of a file that opened well turned out to be damaged (cut short, undecodable).
class SourceDamaged : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A reader was told to stop while it waited for its work on the second core.
struct ReadCancelled {};

class SoundSource {
public:
    virtual ~SoundSource() = default;
    SourceKind kind() const { return kind_; }
    // Known once the source is open (MPEG audio decodes its first frame to know it).
    const SourceFormat& format() const { return format_; }
    // Up to `frames` frames; none at the end. Throws SourceDamaged, FileError for a failing read,
    // ReadCancelled.
    virtual SampleBlock read(size_t frames) = 0;
    // How much of the file is read, 0 to 1.
    virtual double progress() const = 0;
    // The length the header or the stream's own tag states (seconds), 0 when there is none.
    virtual double statedSeconds() const { return format_.seconds(); }
    // The header states more data than the file holds.
    virtual bool truncated() const { return false; }
    // Seconds past which the sound is refused anyway (a reader need not look further).
    virtual void limitSeconds(double seconds) { (void)seconds; }
    // Called now and then while a read waits for work on the second core; false stops the read
    // with ReadCancelled.
    void whileWaiting(std::function<bool()> keepWaiting) { keepWaiting_ = std::move(keepWaiting); }

protected:
    bool keepWaiting() const { return !keepWaiting_ || keepWaiting_(); }

    SourceKind kind_ = SourceKind::Wav;
    SourceFormat format_;

private:
    std::function<bool()> keepWaiting_;
};

struct OpenedSource {
    std::unique_ptr<SoundSource> source;
    int refusal = 0;   // 65221 unreadable header, 65220 damaged or unsupported
    bool mpeg = false; // taken for MPEG audio (whether or not a frame decoded)
};

// Opens `path` for the import. Never throws for the file's content. With `twoHalves`, a long MPEG
// stream is decoded by two decoders at once, the second from its middle; the samples are the same.
OpenedSource openSoundSource(const std::string& path, bool twoHalves = true);

// The readers behind openSoundSource, each for a file already known to be of its kind.
std::unique_ptr<SoundSource> openWavSource(const TWavFileEx& header, const std::string& path);
// Null when libsndfile cannot take the file or its layout is out of range.
std::unique_ptr<SoundSource> openSndfileSource(const std::string& path);
// Null when no frame decodes.
std::unique_ptr<SoundSource> openMpegSource(const std::string& path, bool twoHalves);

// Whether the two decoders of an MPEG source met and the second one's half was used.
bool twoHalvesUsed(const SoundSource& source);

// True when the first bytes are those of a format libsndfile reads for the import.
bool looksLikeSndfileFormat(const uint8_t* head, size_t size);

} // namespace zelmar
