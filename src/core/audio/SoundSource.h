#pragma once
// A sound file opened for the import and read in pieces as one channel: every frame becomes the
// average of its channels, in floating point (full scale 1.0). WAV files are read here; FLAC, Ogg
// Vorbis, Opus and AIFF through libsndfile; MPEG audio through libmad. Which reader takes a file is
// decided by its content, never by its name.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace zelmar {

struct SourceFormat {
    int channels = 0;
    int sampleRate = 0;
    bool pcm16 = false;         // 16-bit integer samples: at 18000 per second no converter is needed
    bool convertible = true;    // a sample kind the converter can take
    int64_t frames = -1;        // what the header says; -1 when it does not say
    double seconds() const { return frames >= 0 && sampleRate > 0 ? double(frames) / sampleRate : 0; }
};

enum class SourceKind { Wav, Sndfile, Mpeg };

// The data of a file that opened well turned out to be damaged (cut short, undecodable).
class SourceDamaged : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SoundSource {
public:
    virtual ~SoundSource() = default;
    SourceKind kind() const { return kind_; }
    // Channels and rate are known after the first read for MPEG audio, at once for the others.
    const SourceFormat& format() const { return format_; }
    // Up to `frames` mono frames; 0 at the end. Throws SourceDamaged.
    virtual size_t read(float* out, size_t frames) = 0;
    // How much of the file is read, 0 to 1.
    virtual double progress() const = 0;
    // For MPEG audio: the length the stream's own tag states (seconds), 0 when there is none.
    virtual double statedSeconds() const { return format_.seconds(); }
    // The header states more data than the file holds.
    virtual bool truncated() const { return false; }
    // Seconds past which the sound is refused anyway (a reader need not look further).
    virtual void limitSeconds(double seconds) { (void)seconds; }

protected:
    SourceKind kind_ = SourceKind::Wav;
    SourceFormat format_;
};

struct OpenedSource {
    std::unique_ptr<SoundSource> source;
    int refusal = 0;   // 65221 unreadable header, 65220 damaged or unsupported
    bool mpeg = false; // taken for MPEG audio (whether or not a frame decoded)
};

// Opens `path` for the import. Never throws for the file's content. With `twoHalves`, a long MPEG
// stream is decoded by two decoders at once, the second from its middle; the samples are the same.
OpenedSource openSoundSource(const std::string& path, bool twoHalves = true);

// Whether the two decoders of an MPEG source met and the second one's half was used.
bool twoHalvesUsed(const SoundSource& source);

// True when the first bytes are those of a format libsndfile reads for the import.
bool looksLikeSndfileFormat(const uint8_t* head, size_t size);

} // namespace zelmar
