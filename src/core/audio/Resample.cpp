#include "audio/Resample.h"

#include "audio/Rounding.h"
#include "audio/WavFile.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
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

// A second thread kept for the converter's life: handing it a job costs far less than starting a
// thread for each chunk.
class PcmConverter::Worker {
public:
    Worker() : thread_([this] { run(); }) {}
    ~Worker()
    {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }

    void start(std::function<void()> job)
    {
        {
            std::lock_guard lock(mutex_);
            job_ = std::move(job);
            error_ = nullptr;
            busy_ = true;
        }
        wake_.notify_all();
    }

    void wait()
    {
        std::unique_lock lock(mutex_);
        done_.wait(lock, [this] { return !busy_; });
        if (error_)
            std::rethrow_exception(error_);
    }

private:
    void run()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stop_ || busy_; });
            if (stop_)
                return;
            lock.unlock();
            std::exception_ptr error;
            try {
                job_();
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            error_ = error;
            busy_ = false;
            done_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::function<void()> job_;
    std::exception_ptr error_;
    bool busy_ = false;
    bool stop_ = false;
    std::thread thread_;
};

PcmConverter::PcmConverter(int inputRate, int outputRate, int channels, int bitsPerSample, int threads)
    : channels_(channels), bits_(bitsPerSample)
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
    soxr_runtime_spec_t rt = soxr_runtime_spec(1);
    for (int c = 0; c < channels; ++c) {
        soxr_error_t err = nullptr;
        auto filter = std::make_unique<Soxr>();
        filter->handle = soxr_create(double(inputRate), double(outputRate), 1, &err, &io, &q, &rt);
        if (err || !filter->handle)
            throw std::runtime_error(std::string("resampler: ") + (err ? err : "cannot create"));
        soxr_.push_back(std::move(filter));
    }
    channelIn_.resize(size_t(channels));
    channelOut_.assign(size_t(channels), std::vector<float>(kMaxPieceFrames));
    channelPiece_.assign(size_t(channels), std::vector<int16_t>(kMaxPieceFrames));
    clipped_.assign(size_t(channels), 0);
    used_.assign(size_t(channels), 0);
    made_.assign(size_t(channels), 0);
    if (threads == 0)
        threads = int(std::thread::hardware_concurrency());
    if (channels > 1 && threads > 1)
        worker_ = std::make_unique<Worker>();
}

PcmConverter::~PcmConverter() = default;

void PcmConverter::forEachChannel(const std::function<void(size_t channel)>& work)
{
    const size_t n = soxr_.size();
    if (!worker_) {
        for (size_t c = 0; c < n; ++c)
            work(c);
        return;
    }
    const size_t half = n / 2;
    worker_->start([&] {
        for (size_t c = 0; c < half; ++c)
            work(c);
    });
    try {
        for (size_t c = half; c < n; ++c)
            work(c);
    } catch (...) {
        worker_->wait();
        throw;
    }
    worker_->wait();
}


size_t PcmConverter::filter(size_t offset, size_t feed, const uint8_t* raw, size_t rawFrames)
{
    const bool drain = feed == 0;
    forEachChannel([&](size_t c) {
        // Each thread unpacks the channels it filters, in the same hand-over.
        if (raw)
            unpack(c, raw, rawFrames);
        size_t made = 0;
        soxr_error_t err = soxr_process(soxr_[c]->handle, drain ? nullptr : channelIn_[c].data() + offset, feed,
                                        drain ? nullptr : &used_[c], channelOut_[c].data(), kMaxPieceFrames, &made);
        if (err)
            throw std::runtime_error(std::string("resampler: ") + err);
        made_[c] = made;
        // To 16 bits on the channel's own thread.
        clipped_[c] += toInt16(channelOut_[c].data(), made, channelPiece_[c].data());
    });
    // Identical filters fed alike keep in step; anything else would scramble the channels.
    const size_t n = soxr_.size();
    for (size_t c = 1; c < n; ++c)
        if (made_[c] != made_[0] || (!drain && used_[c] != used_[0]))
            throw std::runtime_error("resampler channels out of step");
    return drain ? 0 : used_[0];
}

void PcmConverter::unpack(size_t c, const uint8_t* data, size_t frames)
{
    const size_t stride = size_t(bytesPerFrame_);
    std::vector<float>& to = channelIn_[c];
    to.resize(frames);
    float* f = to.data();
    switch (bits_) {
    case 8: {
        const uint8_t* p = data + c;
        for (size_t i = 0; i < frames; ++i, p += stride)
            f[i] = float(int(*p) - 128) * (1.0f / 128.0f);
        break;
    }
    case 16: {
        const uint8_t* p = data + 2 * c;
        for (size_t i = 0; i < frames; ++i, p += stride)
            f[i] = float(int16_t(uint16_t(p[0] | p[1] << 8))) * (1.0f / 32768.0f);
        break;
    }
    case 24: {
        const uint8_t* p = data + 3 * c;
        for (size_t i = 0; i < frames; ++i, p += stride) {
            const int32_t v = int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24) >> 8;
            f[i] = float(v) * (1.0f / 8388608.0f);
        }
        break;
    }
    default: {
        const uint8_t* p = data + 4 * c;
        for (size_t i = 0; i < frames; ++i, p += stride) {
            const int32_t v = int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
            f[i] = float(double(v) * (1.0 / 2147483648.0));
        }
        break;
    }
    }
}

void PcmConverter::process(const uint8_t* data, size_t frames, const Sink& sink)
{
    // Feed at most as many frames as make one bounded piece of output.
    const size_t maxIn = std::max<size_t>(1, size_t(double(kMaxPieceFrames - 256) / std::max(ratio_, 1e-9)));
    size_t offset = 0;
    while (offset < frames) {
        const size_t feed = std::min(frames - offset, maxIn);
        const size_t used = offset == 0 ? filter(offset, feed, data, frames) : filter(offset, feed);
        const size_t made = made_[0];
        emit(made, sink);
        offset += used;
        if (used == 0 && made == 0)
            throw std::runtime_error("resampler made no progress");
    }
}

void PcmConverter::flush(const Sink& sink)
{
    // The filter's tail is short; the guard only stops a resampler that never ends.
    for (int guard = 0; guard < 1000000; ++guard) {
        filter(0, 0);
        if (made_[0] == 0)
            return;
        emit(made_[0], sink);
    }
    throw std::runtime_error("resampler did not finish");
}

uint64_t PcmConverter::clipped() const
{
    uint64_t sum = 0;
    for (uint64_t c : clipped_)
        sum += c;
    return sum;
}

void PcmConverter::emit(size_t frames, const Sink& sink)
{
    if (frames == 0)
        return;
    const size_t n = soxr_.size();
    if (n == 1) {
        sink(channelPiece_[0].data(), frames);
        return;
    }
    piece_.resize(frames * n);
    int16_t* o = piece_.data();
    for (size_t c = 0; c < n; ++c) {
        const int16_t* from = channelPiece_[c].data();
        for (size_t i = 0; i < frames; ++i)
            o[i * n + c] = from[i];
    }
    sink(o, frames * n);
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
        if (!wav.Open(input) || !wav.Valid || wav.Floating())
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
