// FLAC, Ogg Vorbis, Opus and AIFF files for the import, read through libsndfile as floats.
#include "audio/SoundSource.h"
#include "audio/WavFile.h"

#include <sndfile.h>

#include <algorithm>
#include <vector>

namespace zelmar {

namespace {

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

    SampleBlock read(size_t frames) override
    {
        SampleBlock block;
        block.channels = channels_;
        if (ended_)
            return block;
        buffer_.resize(frames * size_t(channels_));
        const sf_count_t got = sf_readf_float(file_, buffer_.data(), sf_count_t(frames));
        if (got < 0 || sf_error(file_) != SF_ERR_NO_ERROR)
            throw SourceDamaged(sf_strerror(file_));
        if (got == 0) {
            ended_ = true;
            if (exactLength_ && format_.frames >= 0 && done_ < uint64_t(format_.frames))
                throw SourceDamaged("the stream ends before its stated length");
            return block;
        }
        done_ += uint64_t(got);
        block.frames = size_t(got);
        block.samples = std::span<const float>(buffer_.data(), block.frames * size_t(channels_));
        return block;
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

} // namespace

std::unique_ptr<SoundSource> openSndfileSource(const std::string& path)
{
    SF_INFO info {};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    if (!sf)
        return nullptr;
    if (info.channels < 1 || info.channels > kWavMaxChannels || info.samplerate < 1
        || uint32_t(info.samplerate) > kWavMaxRate) {
        sf_close(sf);
        return nullptr;
    }
    return std::make_unique<SndfileSource>(sf, info);
}

} // namespace zelmar
