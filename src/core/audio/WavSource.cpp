// WAV files for the import: integer PCM of 8 to 32 bits and IEEE float, read block by block from
// the data chunk that the header check found.
#include "audio/SoundSource.h"
#include "audio/WavFile.h"
#include "model/Errors.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace zelmar {

namespace {

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

uint64_t fileSize(std::FILE* f)
{
    if (std::fseek(f, 0, SEEK_END) != 0)
        return 0;
    const long n = std::ftell(f);
    return n > 0 ? uint64_t(n) : 0;
}

class WavSource : public SoundSource {
public:
    WavSource(const TWavFileEx& wav, const std::string& path)
        : path_(path), file_(std::fopen(path.c_str(), "rb"), &std::fclose), channels_(wav.Channels),
          bits_(wav.BitsPerSample), floating_(wav.Floating())
    {
        if (!file_)
            throw FileError(path, "cannot open " + path + ": " + std::strerror(errno));
        kind_ = SourceKind::Wav;
        format_.channels = wav.Channels;
        format_.sampleRate = int(wav.SampleRate);
        format_.pcm16 = !floating_ && bits_ == 16;
        format_.convertible = floating_ ? (bits_ == 32 || bits_ == 64) : (bits_ == 8 || bits_ == 16 || bits_ == 24 || bits_ == 32);
        frameBytes_ = size_t(channels_) * size_t(std::max(bits_ / 8, 1));
        dataBytes_ = wav.DataSize;
        format_.frames = int64_t(dataBytes_ / frameBytes_);
        const uint64_t size = fileSize(file_.get());
        available_ = size > uint64_t(wav.DataOffset) ? size - uint64_t(wav.DataOffset) : 0;
        seconds_ = wav.Duration();
        if (std::fseek(file_.get(), wav.DataOffset, SEEK_SET) != 0)
            throw FileError(path, "cannot seek in " + path);
    }

    SampleBlock read(size_t frames) override
    {
        if (!format_.convertible)
            throw std::logic_error("no reader for this sample kind");
        const uint64_t left = (dataBytes_ - done_) / frameBytes_;
        frames = size_t(std::min<uint64_t>(frames, left));
        SampleBlock block;
        block.channels = channels_;
        if (frames == 0)
            return block;
        const size_t values = frames * size_t(channels_);
        if (format_.pcm16) {
            pcm16_.resize(values);
            readExactly(pcm16_.data(), values * 2);
            if constexpr (std::endian::native == std::endian::big)
                for (int16_t& v : pcm16_)
                    v = int16_t(uint16_t(uint16_t(v) << 8 | uint16_t(v) >> 8));
            block.samples = std::span<const int16_t>(pcm16_);
        } else {
            raw_.resize(frames * frameBytes_);
            readExactly(raw_.data(), raw_.size());
            unpack(values);
            block.samples = std::span<const double>(unpacked_);
        }
        block.frames = frames;
        return block;
    }

    double progress() const override { return dataBytes_ ? double(done_) / double(dataBytes_) : 1.0; }
    bool truncated() const override { return dataBytes_ > available_; }
    double statedSeconds() const override { return seconds_; }

private:
    void readExactly(void* to, size_t bytes)
    {
        const size_t got = std::fread(to, 1, bytes, file_.get());
        if (got < bytes) {
            if (std::ferror(file_.get()))
                throw FileError(path_, "cannot read " + path_);
            throw SourceDamaged("the data ends before its declared size");
        }
        done_ += got;
    }

    // Every value of raw_ as a double, full scale at 1.0: exact for every kind read here.
    void unpack(size_t values)
    {
        unpacked_.resize(values);
        const uint8_t* p = raw_.data();
        const int bytes = bits_ / 8;
        for (size_t i = 0; i < values; ++i, p += bytes) {
            if (!floating_) {
                unpacked_[i] = intSample(p, bytes);
            } else if (bytes == 4) {
                float f;
                std::memcpy(&f, p, 4);
                unpacked_[i] = double(f);
            } else {
                std::memcpy(&unpacked_[i], p, 8);
            }
        }
    }

    std::string path_;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
    int channels_;
    int bits_;
    bool floating_;
    size_t frameBytes_ = 1;
    uint64_t dataBytes_ = 0;
    uint64_t available_ = 0;
    uint64_t done_ = 0;
    double seconds_ = 0;
    std::vector<int16_t> pcm16_;
    std::vector<uint8_t> raw_;
    std::vector<double> unpacked_;
};

} // namespace

std::unique_ptr<SoundSource> openWavSource(const TWavFileEx& header, const std::string& path)
{
    return std::make_unique<WavSource>(header, path);
}

} // namespace zelmar
