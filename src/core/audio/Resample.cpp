#include "audio/Resample.h"

#include "audio/WavFile.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <thread>

namespace zelmar {

struct PcmConverter::Soxr {
    soxr_t handle = nullptr;
    ~Soxr()
    {
        if (handle)
            soxr_delete(handle);
    }
};

PcmConverter::PcmConverter(int inputRate, int outputRate, int channels, int bitsPerSample)
    : soxr_(std::make_unique<Soxr>()), channels_(channels), bits_(bitsPerSample)
{
    if (channels < 1 || channels > 8)
        throw std::runtime_error("unsupported channel count");
    if (bits_ != 8 && bits_ != 16 && bits_ != 24 && bits_ != 32)
        throw std::runtime_error("unsupported bit depth");
    if (inputRate <= 0 || outputRate <= 0)
        throw std::runtime_error("unsupported sample rate");
    bytesPerFrame_ = channels * bits_ / 8;
    ratio_ = double(outputRate) / double(inputRate);
    soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    soxr_quality_spec_t q = soxr_quality_spec(SOXR_VHQ, 0);
    // Channels are filtered independently, so more threads change the speed, never the result.
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    soxr_runtime_spec_t rt = soxr_runtime_spec(std::min<unsigned>(unsigned(channels), cores));
    soxr_error_t err = nullptr;
    soxr_->handle = soxr_create(double(inputRate), double(outputRate), unsigned(channels), &err, &io, &q, &rt);
    if (err || !soxr_->handle)
        throw std::runtime_error(std::string("resampler: ") + (err ? err : "cannot create"));
}

PcmConverter::~PcmConverter() = default;

void PcmConverter::process(const uint8_t* data, size_t frames, const Sink& sink)
{
    const size_t n = frames * size_t(channels_);
    in_.resize(n);
    float* f = in_.data();
    switch (bits_) {
    case 8:
        for (size_t i = 0; i < n; ++i)
            f[i] = float(int(data[i]) - 128) * (1.0f / 128.0f);
        break;
    case 16:
        for (size_t i = 0; i < n; ++i)
            f[i] = float(int16_t(uint16_t(data[2 * i] | data[2 * i + 1] << 8))) * (1.0f / 32768.0f);
        break;
    case 24:
        for (size_t i = 0; i < n; ++i) {
            const uint8_t* p = data + 3 * i;
            const int32_t v = int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24) >> 8;
            f[i] = float(v) * (1.0f / 8388608.0f);
        }
        break;
    default:
        for (size_t i = 0; i < n; ++i) {
            const uint8_t* p = data + 4 * i;
            const int32_t v = int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
            f[i] = float(double(v) * (1.0 / 2147483648.0));
        }
        break;
    }
    // Feed at most as many frames as make one bounded piece of output.
    const size_t maxIn = std::max<size_t>(1, size_t(double(kMaxPieceFrames - 256) / std::max(ratio_, 1e-9)));
    out_.resize(kMaxPieceFrames * size_t(channels_));
    size_t offset = 0;
    while (offset < frames) {
        const size_t feed = std::min(frames - offset, maxIn);
        size_t used = 0, made = 0;
        soxr_error_t err = soxr_process(soxr_->handle, in_.data() + offset * size_t(channels_), feed, &used,
                                        out_.data(), kMaxPieceFrames, &made);
        if (err)
            throw std::runtime_error(std::string("resampler: ") + err);
        emit(made, sink);
        offset += used;
        if (used == 0 && made == 0)
            throw std::runtime_error("resampler made no progress");
    }
}

void PcmConverter::flush(const Sink& sink)
{
    out_.resize(kMaxPieceFrames * size_t(channels_));
    // The filter's tail is short; the guard only stops a resampler that never ends.
    for (int guard = 0; guard < 1000000; ++guard) {
        size_t made = 0;
        soxr_error_t err = soxr_process(soxr_->handle, nullptr, 0, nullptr, out_.data(), kMaxPieceFrames, &made);
        if (err)
            throw std::runtime_error(std::string("resampler: ") + err);
        if (made == 0)
            return;
        emit(made, sink);
    }
    throw std::runtime_error("resampler did not finish");
}

void PcmConverter::emit(size_t frames, const Sink& sink)
{
    if (frames == 0)
        return;
    const size_t n = frames * size_t(channels_);
    piece_.resize(n);
    int16_t* o = piece_.data();
    const float* y = out_.data();
    uint64_t clipped = 0;
    for (size_t i = 0; i < n; ++i) {
        // nearbyint rounds half to even in the default rounding mode; no dither, same bits every run.
        double v = std::nearbyint(double(y[i]) * 32768.0);
        if (v > 32767.0) {
            v = 32767.0;
            ++clipped;
        } else if (v < -32768.0) {
            v = -32768.0;
            ++clipped;
        }
        o[i] = int16_t(v);
    }
    clipped_ += clipped;
    sink(o, n);
}

namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

std::string outputHeader(int channels, int rate, uint32_t dataBytes)
{
    return pcm16WavHeader(channels, uint32_t(rate), dataBytes, dataBytes + 36);
}

bool writeAll(std::FILE* f, const void* data, size_t bytes)
{
    return bytes == 0 || std::fwrite(data, 1, bytes, f) == bytes;
}

// Progress figures fitted into 32 bits.
int32_t scaled(uint64_t v, int shift)
{
    return int32_t(v >> shift);
}

} // namespace

void convertWavFile(const char* input, const char* output, int32_t targetRate, int32_t targetBits, int32_t, int32_t,
                    volatile int32_t* cancel, const ConvertProgress& progress, int32_t, uint8_t* failed,
                    ConvertStats* stats)
{
    uint8_t failure = 0;
    bool wroteOutput = false;
    try {
        if (!input || !output || targetBits != 16 || targetRate <= 0)
            throw std::runtime_error("unsupported target");
        TWavFileEx wav;
        if (!wav.Open(input) || !wav.Valid)
            throw std::runtime_error("unreadable input");
        PcmConverter conv(int(wav.SampleRate), targetRate, wav.Channels, wav.BitsPerSample);

        FilePtr in(std::fopen(input, "rb"), &std::fclose);
        if (!in || std::fseek(in.get(), 0, SEEK_END) != 0)
            throw std::runtime_error("cannot open input");
        const long fileSize = std::ftell(in.get());
        if (fileSize < 0 || std::fseek(in.get(), wav.DataOffset, SEEK_SET) != 0)
            throw std::runtime_error("cannot seek input");
        // A header may promise more data than the file holds; convert what is there.
        const uint64_t available = uint64_t(std::max<long>(0, fileSize - long(wav.DataOffset)));
        const uint64_t dataBytes = std::min<uint64_t>(wav.DataSize, available);
        const size_t frameBytes = size_t(conv.bytesPerFrame());
        const uint64_t totalFrames = dataBytes / frameBytes;
        int shift = 0;
        while ((totalFrames >> shift) > uint64_t(INT32_MAX))
            ++shift;

        FilePtr out(std::fopen(output, "wb"), &std::fclose);
        if (!out)
            throw std::runtime_error("cannot create output");
        wroteOutput = true;
        const std::string placeholder = outputHeader(wav.Channels, targetRate, 0);
        if (!writeAll(out.get(), placeholder.data(), placeholder.size()))
            throw std::runtime_error("cannot write output");

        std::vector<uint8_t> block(kConvertChunkFrames * frameBytes);
        uint64_t done = 0, outSamples = 0;
        const PcmConverter::Sink write = [&](const int16_t* samples, size_t count) {
            if (!writeAll(out.get(), samples, count * 2))
                throw std::runtime_error("cannot write output");
            outSamples += count;
            // A WAV file cannot describe more; stop before writing a file that lies.
            if (outSamples * 2 > 0xFFFFFFFFull - 36)
                throw std::runtime_error("output too large for a WAV file");
        };
        while (done < totalFrames) {
            if (cancel && *cancel != 0)
                break;
            const size_t frames = size_t(std::min<uint64_t>(kConvertChunkFrames, totalFrames - done));
            if (std::fread(block.data(), 1, frames * frameBytes, in.get()) != frames * frameBytes)
                throw std::runtime_error("cannot read input");
            conv.process(block.data(), frames, write);
            done += frames;
            if (progress)
                progress(scaled(done, shift), scaled(totalFrames, shift));
        }
        if (!(cancel && *cancel != 0)) {
            conv.flush(write);
            const uint64_t outBytes = outSamples * 2;
            const std::string header = outputHeader(wav.Channels, targetRate, uint32_t(outBytes));
            if (std::fseek(out.get(), 0, SEEK_SET) != 0 || !writeAll(out.get(), header.data(), header.size()))
                throw std::runtime_error("cannot write output");
            if (std::fflush(out.get()) != 0)
                throw std::runtime_error("cannot write output");
            if (stats) {
                stats->inputFrames = totalFrames;
                stats->outputFrames = outSamples / uint64_t(wav.Channels);
                stats->clippedSamples = conv.clipped();
            }
        }
        if (std::fclose(out.release()) != 0)
            throw std::runtime_error("cannot write output");
    } catch (const std::exception&) {
        failure = 1;
    }
    const bool cancelled = cancel && *cancel != 0;
    if ((failure || cancelled) && wroteOutput)
        std::remove(output);
    if (failed)
        *failed = failure;
}

} // namespace zelmar
