#include "audio/SoundSource.h"

#include "audio/Mp3Stream.h"
#include "audio/MpegFile.h"
#include "audio/WavFile.h"

#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace zelmar {

namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Little-endian integer samples of `bytes` bytes, as a fraction of full scale.
inline double intSample(const uint8_t* p, int bytes)
{
    switch (bytes) {
    case 1: return double(int(p[0]) - 128) * (1.0 / 128.0);
    case 2: return double(int16_t(uint16_t(p[0] | p[1] << 8))) * (1.0 / 32768.0);
    case 3: return double(int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24) >> 8) * (1.0 / 8388608.0);
    default:
        return double(int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24))
               * (1.0 / 2147483648.0);
    }
}

class WavSource : public SoundSource {
public:
    WavSource(const TWavFileEx& wav, const std::string& path, uint64_t fileSize)
        : file_(std::fopen(path.c_str(), "rb"), &std::fclose), channels_(wav.Channels), bits_(wav.BitsPerSample),
          floating_(wav.Floating())
    {
        kind_ = SourceKind::Wav;
        format_.channels = wav.Channels;
        format_.sampleRate = int(wav.SampleRate);
        format_.pcm16 = !floating_ && bits_ == 16;
        format_.convertible = floating_ ? (bits_ == 32 || bits_ == 64) : (bits_ == 8 || bits_ == 16 || bits_ == 24 || bits_ == 32);
        frameBytes_ = size_t(channels_) * size_t(std::max(bits_ / 8, 1));
        dataBytes_ = wav.DataSize;
        format_.frames = int64_t(dataBytes_ / frameBytes_);
        available_ = fileSize > uint64_t(wav.DataOffset) ? fileSize - uint64_t(wav.DataOffset) : 0;
        seconds_ = wav.Duration();
        if (!file_ || std::fseek(file_.get(), wav.DataOffset, SEEK_SET) != 0)
            throw SourceDamaged("cannot read " + path);
    }

    size_t read(float* out, size_t frames) override
    {
        if (!format_.convertible)
            throw std::logic_error("no reader for this sample kind");
        const uint64_t left = (dataBytes_ - done_) / frameBytes_;
        frames = size_t(std::min<uint64_t>(frames, left));
        if (frames == 0)
            return 0;
        raw_.resize(frames * frameBytes_);
        const size_t got = std::fread(raw_.data(), 1, raw_.size(), file_.get());
        if (got < raw_.size())
            throw SourceDamaged("the data ends before its declared size");
        done_ += got;
        const uint8_t* p = raw_.data();
        const int c = channels_;
        if (!floating_ && bits_ == 16 && c <= 2) {
            // The usual case, exact in single precision.
            if (c == 1) {
                for (size_t i = 0; i < frames; ++i, p += 2)
                    out[i] = float(int16_t(uint16_t(p[0] | p[1] << 8))) * (1.0f / 32768.0f);
            } else {
                for (size_t i = 0; i < frames; ++i, p += 4)
                    out[i] = float(int(int16_t(uint16_t(p[0] | p[1] << 8))) + int(int16_t(uint16_t(p[2] | p[3] << 8))))
                             * (0.5f / 32768.0f);
            }
            return frames;
        }
        const int bytes = bits_ / 8;
        for (size_t i = 0; i < frames; ++i) {
            double sum = 0;
            for (int k = 0; k < c; ++k, p += bytes) {
                if (!floating_) {
                    sum += intSample(p, bytes);
                } else if (bytes == 4) {
                    float f;
                    std::memcpy(&f, p, 4);
                    sum += double(f);
                } else {
                    double d;
                    std::memcpy(&d, p, 8);
                    sum += d;
                }
            }
            out[i] = float(sum / c);
        }
        return frames;
    }

    double progress() const override { return dataBytes_ ? double(done_) / double(dataBytes_) : 1.0; }

    bool truncated() const override { return dataBytes_ > available_; }
    double statedSeconds() const override { return seconds_; }

private:
    FilePtr file_;
    int channels_;
    int bits_;
    bool floating_;
    size_t frameBytes_ = 1;
    uint64_t dataBytes_ = 0;
    uint64_t available_ = 0;
    uint64_t done_ = 0;
    double seconds_ = 0;
    std::vector<uint8_t> raw_;
};

class SndfileSource : public SoundSource {
public:
    SndfileSource(SNDFILE* f, const SF_INFO& info) : file_(f), channels_(info.channels)
    {
        kind_ = SourceKind::Sndfile;
        format_.channels = info.channels;
        format_.sampleRate = info.samplerate;
        format_.pcm16 = (info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16;
        const int major = info.format & SF_FORMAT_TYPEMASK;
        // Lossless containers state their length exactly; a shorter stream is a cut-off file.
        exactLength_ = major == SF_FORMAT_FLAC || major == SF_FORMAT_AIFF;
        format_.frames = info.frames > 0 && info.frames < (int64_t(1) << 50) ? int64_t(info.frames) : -1;
    }
    ~SndfileSource() override { sf_close(file_); }

    size_t read(float* out, size_t frames) override
    {
        if (ended_)
            return 0;
        buffer_.resize(frames * size_t(channels_));
        const sf_count_t got = sf_readf_float(file_, buffer_.data(), sf_count_t(frames));
        if (got < 0 || sf_error(file_) != SF_ERR_NO_ERROR)
            throw SourceDamaged(sf_strerror(file_));
        if (got == 0) {
            ended_ = true;
            if (exactLength_ && format_.frames >= 0 && done_ < uint64_t(format_.frames))
                throw SourceDamaged("the stream ends before its stated length");
            return 0;
        }
        done_ += uint64_t(got);
        const float* p = buffer_.data();
        const int c = channels_;
        for (sf_count_t i = 0; i < got; ++i, p += c) {
            double sum = 0;
            for (int k = 0; k < c; ++k)
                sum += double(p[k]);
            out[i] = float(sum / c);
        }
        return size_t(got);
    }

    double progress() const override
    {
        return format_.frames > 0 ? std::min(1.0, double(done_) / double(format_.frames)) : 0.0;
    }

private:
    SNDFILE* file_;
    int channels_;
    bool exactLength_ = false;
    bool ended_ = false;
    uint64_t done_ = 0;
    std::vector<float> buffer_;
};

// Frames the second decoder must have decoded, the same ones as the first, just before the
// middle: far more than the bit reservoir and the filters remember.
constexpr size_t kMeetFrames = 16;

// Appends one decoded frame (16-bit, the stream's layout) as mono floats.
void appendMono(const std::vector<int16_t>& frame, int channels, std::vector<float>& out)
{
    const size_t n = frame.size() / size_t(channels);
    const size_t base = out.size();
    out.resize(base + n);
    float* o = out.data() + base;
    if (channels == 1) {
        for (size_t i = 0; i < n; ++i)
            o[i] = float(frame[i]) * (1.0f / 32768.0f);
    } else {
        for (size_t i = 0; i < n; ++i)
            o[i] = float(int(frame[2 * i]) + int(frame[2 * i + 1])) * (0.5f / 32768.0f);
    }
}

class MpegSource : public SoundSource {
public:
    MpegSource(const std::string& path, bool twoHalves) : path_(path), stream_(path), twoHalves_(twoHalves)
    {
        kind_ = SourceKind::Mpeg;
        if (!stream_.next(frame_))
            return;
        format_.channels = stream_.channels();
        format_.sampleRate = stream_.sampleRate();
        format_.pcm16 = true;
        const Mp3TagLength tag = stream_.lastFrameTag();
        if (tag.sampleRate == format_.sampleRate)
            stated_ = tag.seconds();
        noteFirstHalf();
    }
    ~MpegSource() override { stopHalf(); }

    bool anyFrame() const { return format_.channels > 0; }
    bool splitUsed() const { return usingHalf_; }
    void limitSeconds(double seconds) override { limit_ = seconds; }

    size_t read(float* out, size_t frames) override
    {
        if (!started_) {
            started_ = true;
            maybeStartHalf();
        }
        if (usingHalf_) {
            const size_t n = std::min(frames, half_->out.size() - halfAt_);
            std::copy_n(half_->out.data() + halfAt_, n, out);
            halfAt_ += n;
            return n;
        }
        size_t made = 0;
        while (made < frames) {
            if (at_ == frame_.size()) {
                at_ = 0;
                if (!stream_.next(frame_)) {
                    frame_.clear();
                    break;
                }
                if (half_ && stream_.lastFramePosition() >= half_->split && meet()) {
                    // The second half from here on is the second decoder's, sample for sample.
                    usingHalf_ = true;
                    frame_.clear();
                    return made + read(out + made, frames - made);
                }
                noteFirstHalf();
            }
            const int16_t* p = frame_.data() + at_;
            const size_t n = std::min(frames - made, (frame_.size() - at_) / size_t(format_.channels));
            if (format_.channels == 1) {
                for (size_t i = 0; i < n; ++i)
                    out[made + i] = float(p[i]) * (1.0f / 32768.0f);
            } else {
                for (size_t i = 0; i < n; ++i)
                    out[made + i] = float(int(p[2 * i]) + int(p[2 * i + 1])) * (0.5f / 32768.0f);
            }
            made += n;
            at_ += n * size_t(format_.channels);
        }
        return made;
    }

    double progress() const override
    {
        const uint64_t total = stream_.bytesTotal();
        if (total == 0)
            return 1.0;
        uint64_t done = stream_.bytesConsumed();
        if (usingHalf_)
            done = half_->split + uint64_t(double(total - half_->split) * double(halfAt_) / std::max<double>(1, double(half_->out.size())));
        else if (half_)
            done += half_->consumed.load();
        return std::min(1.0, double(done) / double(total));
    }
    double statedSeconds() const override { return stated_; }

private:
    // The second decoder: from a little before the middle of the file to its end, on its own thread.
    struct Half {
        uint64_t split = 0;                 // the middle byte; its half starts at the first frame from here
        std::atomic<bool> stop{false};
        std::atomic<uint64_t> consumed{0};
        std::vector<float> out;             // mono, from the first frame at or after `split`
        std::vector<uint64_t> decodedBefore; // positions of the frames it decoded before `split`
        uint64_t firstOut = UINT64_MAX;     // position of the first frame of `out`
        bool failed = false;
        std::thread thread;
    };

    void noteFirstHalf()
    {
        recent_.push_back(stream_.lastFramePosition());
        if (recent_.size() > 4 * kMeetFrames)
            recent_.erase(recent_.begin(), recent_.begin() + ptrdiff_t(2 * kMeetFrames));
    }

    void maybeStartHalf()
    {
        const uint64_t total = stream_.bytesTotal();
        const int bitrate = stream_.bitrate();
        if (!twoHalves_ || bitrate <= 0 || std::thread::hardware_concurrency() < 2)
            return;
        const double seconds = stated_ > 0 ? stated_ : double(total) * 8.0 / bitrate;
        // Short files gain nothing; files far past the limit are refused long before the middle.
        if (seconds < 8.0 || (limit_ > 0 && seconds > limit_))
            return;
        half_ = std::make_unique<Half>();
        Half& h = *half_;
        h.split = total / 2;
        const uint64_t frameBytes = uint64_t(bitrate) * 144 / uint64_t(format_.sampleRate) + 1;
        const uint64_t lead = 3 * kMeetFrames * frameBytes;
        const uint64_t start = h.split > lead ? h.split - lead : 0;
        const size_t maxFrames = limit_ > 0 ? size_t((limit_ + 1.0) * format_.sampleRate) : SIZE_MAX;
        h.out.reserve(size_t(std::min<double>(double(maxFrames), (seconds / 2 + 1) * format_.sampleRate)));
        h.thread = std::thread([this, &h, start, maxFrames, channels = format_.channels, rate = format_.sampleRate] {
            try {
                Mp3Stream b(path_, start);
                b.setLayout(channels, rate);
                std::vector<int16_t> frame;
                while (!h.stop.load(std::memory_order_relaxed) && b.next(frame)) {
                    h.consumed.store(b.bytesConsumed() - start, std::memory_order_relaxed);
                    const uint64_t at = b.lastFramePosition();
                    if (at < h.split) {
                        h.decodedBefore.push_back(at);
                        continue;
                    }
                    if (h.firstOut == UINT64_MAX)
                        h.firstOut = at;
                    appendMono(frame, channels, h.out);
                    if (h.out.size() > maxFrames)
                        break;   // past any length that could be taken; the rest does not matter
                }
            } catch (...) {
                h.failed = true;
            }
        });
    }

    // Waits for the second decoder and tells whether its half may follow the first decoder's
    // frames: both really decoded the same frames just before the middle, and its first frame is
    // the one the first decoder has just reached. Otherwise the first decoder goes on alone.
    bool meet()
    {
        half_->thread.join();
        const Half& h = *half_;
        const std::vector<uint64_t>& b = h.decodedBefore;
        const bool same = !h.failed && h.firstOut == stream_.lastFramePosition() && recent_.size() >= kMeetFrames
                          && b.size() >= kMeetFrames
                          && std::equal(recent_.end() - kMeetFrames, recent_.end(), b.end() - kMeetFrames);
        if (!same)
            half_.reset();
        return same;
    }

    void stopHalf()
    {
        if (half_ && half_->thread.joinable()) {
            half_->stop = true;
            half_->thread.join();
        }
    }

    std::string path_;
    Mp3Stream stream_;
    bool twoHalves_;
    std::vector<int16_t> frame_;
    size_t at_ = 0;
    double stated_ = 0;
    double limit_ = 0;
    bool started_ = false;
    std::vector<uint64_t> recent_;   // positions of the last frames the first decoder decoded
    std::unique_ptr<Half> half_;
    bool usingHalf_ = false;
    size_t halfAt_ = 0;
};

uint64_t fileSizeOf(const std::string& path)
{
    FilePtr f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!f || std::fseek(f.get(), 0, SEEK_END) != 0)
        return 0;
    const long n = std::ftell(f.get());
    return n > 0 ? uint64_t(n) : 0;
}

} // namespace

bool looksLikeSndfileFormat(const uint8_t* head, size_t size)
{
    if (size >= 4 && (std::memcmp(head, "fLaC", 4) == 0 || std::memcmp(head, "OggS", 4) == 0))
        return true;
    return size >= 12 && std::memcmp(head, "FORM", 4) == 0
           && (std::memcmp(head + 8, "AIFF", 4) == 0 || std::memcmp(head + 8, "AIFC", 4) == 0);
}

OpenedSource openSoundSource(const std::string& path, bool twoHalves)
{
    OpenedSource r;
    try {
        TWavFileEx wav;
        if (wav.Open(path)) {
            if (!wav.Valid) {
                r.refusal = 65220;
                return r;
            }
            auto source = std::make_unique<WavSource>(wav, path, fileSizeOf(path));
            r.source = std::move(source);
            return r;
        }
        uint8_t head[12] = {};
        size_t headSize = 0;
        {
            FilePtr f(std::fopen(path.c_str(), "rb"), &std::fclose);
            if (f)
                headSize = std::fread(head, 1, sizeof head, f.get());
        }
        if (looksLikeSndfileFormat(head, headSize)) {
            SF_INFO info {};
            SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
            if (!sf) {
                r.refusal = 65220;   // the right kind of file, but damaged or without audio
                return r;
            }
            if (info.channels < 1 || info.channels > kWavMaxChannels || info.samplerate < 1
                || uint32_t(info.samplerate) > kWavMaxRate) {
                sf_close(sf);
                r.refusal = 65220;
                return r;
            }
            r.source = std::make_unique<SndfileSource>(sf, info);
            return r;
        }
        if (isMpegAudioFile(path)) {
            r.mpeg = true;
            auto source = std::make_unique<MpegSource>(path, twoHalves);
            if (!source->anyFrame()) {
                r.refusal = 65221;   // no frame: nothing that reads as sound
                return r;
            }
            r.source = std::move(source);
            return r;
        }
    } catch (const std::exception&) {
        r.source.reset();
        r.refusal = 65220;
        return r;
    }
    r.refusal = 65221;
    return r;
}

bool twoHalvesUsed(const SoundSource& source)
{
    const auto* m = dynamic_cast<const MpegSource*>(&source);
    return m && m->splitUsed();
}

} // namespace zelmar
