#pragma once
// Sample-rate and bit-depth conversion of WAV files on libsoxr at its very high quality. The file
// form keeps the calling contract of the converter the import was designed around: ten arguments,
// a cancel flag read during the work, progress calls between chunks, and a failure flag.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zelmar {

using ConvertProgress = std::function<void(int32_t done, int32_t total)>;

struct ConvertStats {
    uint64_t inputFrames = 0;
    uint64_t outputFrames = 0;
    uint64_t clippedSamples = 0;   // output samples limited to the 16-bit range
};

// Frames converted between two progress calls and cancel checks.
constexpr size_t kConvertChunkFrames = 8192;

// Converts interleaved little-endian PCM (8-bit unsigned, 16-, 24- or 32-bit signed) to 16-bit
// samples at another rate, in floating point, rounding half to even without dither.
class PcmConverter {
public:
    // Throws std::runtime_error for an unsupported bit depth, channel count or rate. With several
    // channels and `threads` above 1 (0: as many as the machine has), the channels are filtered on
    // two threads; each channel is filtered on its own either way, so the result is the same.
    PcmConverter(int inputRate, int outputRate, int channels, int bitsPerSample, int threads = 0);
    ~PcmConverter();
    PcmConverter(const PcmConverter&) = delete;
    PcmConverter& operator=(const PcmConverter&) = delete;

    // Receives output samples (interleaved) in pieces of bounded size.
    using Sink = std::function<void(const int16_t* samples, size_t count)>;

    int bytesPerFrame() const { return bytesPerFrame_; }
    // Converts `frames` whole frames of raw bytes. However large the rate ratio, the output goes
    // to `sink` in pieces of at most kMaxPieceFrames frames.
    void process(const uint8_t* data, size_t frames, const Sink& sink);
    // Ends the input and hands over what the filter still holds.
    void flush(const Sink& sink);
    uint64_t clipped() const;

    static constexpr size_t kMaxPieceFrames = 65536;

private:
    // Runs `work` for every channel, half of them on the worker thread when there is one.
    void forEachChannel(const std::function<void(size_t channel)>& work);
    // Unpacks channel `c` of `frames` raw frames into channelIn_.
    void unpack(size_t c, const uint8_t* data, size_t frames);
    // Feeds every channel's filter `feed` frames from `offset` (0 to drain it), first unpacking
    // `raw` when given, and rounds what they made into channelPiece_; returns the frames used.
    // made_ holds the frames made.
    size_t filter(size_t offset, size_t feed, const uint8_t* raw = nullptr, size_t rawFrames = 0);
    void emit(size_t frames, const Sink& sink);

    struct Soxr;
    class Worker;
    std::vector<std::unique_ptr<Soxr>> soxr_;   // one filter per channel
    std::unique_ptr<Worker> worker_;            // filters the first half of the channels, if any
    int channels_;
    int bits_;
    int bytesPerFrame_;
    double ratio_;
    std::vector<std::vector<float>> channelIn_;
    std::vector<std::vector<float>> channelOut_;
    std::vector<std::vector<int16_t>> channelPiece_;
    std::vector<size_t> used_;
    std::vector<size_t> made_;
    std::vector<uint64_t> clipped_;
    std::vector<int16_t> piece_;
};

// Converts the WAV file `input` into `output` at `targetRate` and `targetBits` (16), same channels.
// `quality`, `reserved` and `reserved2` are accepted for the calling contract and ignored (the
// quality is always very high). `cancel` is read between chunks: non-zero stops the work.
// `progress` gets (frames done, frames total), scaled to fit 32 bits. On return with both flags
// zero, `output` is a complete WAV file; otherwise `failed` is non-zero (unless cancelled) and no
// output file is left behind.
void convertWavFile(const char* input, const char* output, int32_t targetRate, int32_t targetBits,
                    int32_t quality, int32_t reserved, volatile int32_t* cancel, const ConvertProgress& progress,
                    int32_t reserved2, uint8_t* failed, ConvertStats* stats = nullptr);

} // namespace zelmar
