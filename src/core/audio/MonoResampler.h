#pragma once
// The third stage of the import: one channel of floating-point samples (full scale 1.0) to 16-bit
// samples at another rate, on libsoxr at its very high quality, rounded half to even without
// dither. A long input is cut into segments that start on whole periods of the rate ratio and are
// filtered on both cores, each from a lead-in long enough that the filter has settled: the output
// is identical to one filter's.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace zelmar {

class MonoResampler {
public:
    using Sink = std::function<void(const int16_t* samples, size_t count)>;

    // Throws std::runtime_error for a rate of 0 or less. `threads` 0: both cores when the machine
    // has two; 1 keeps everything on the caller's thread. `expectedFrames`, when known, sizes the
    // segments.
    MonoResampler(int inputRate, int outputRate, int threads = 0, int64_t expectedFrames = -1);
    ~MonoResampler();
    MonoResampler(const MonoResampler&) = delete;
    MonoResampler& operator=(const MonoResampler&) = delete;

    // Takes `count` more input samples; output that is ready goes to `sink`, in order.
    void push(const float* samples, size_t count, const Sink& sink);
    // Ends the input and hands over the rest.
    void finish(const Sink& sink);

    // Whether the input is cut into segments filtered on both cores.
    bool split() const { return segmentFrames_ != 0; }

private:
    struct Filter;
    struct Segment;

    // Filters input[0..count) from scratch and keeps the output samples [from, to) (to = SIZE_MAX:
    // all), rounded.
    static std::vector<int16_t> filterPiece(double inputRate, double outputRate, const float* input, size_t count, size_t from,
                              size_t to);
    void emitRounded(const float* y, size_t n, const Sink& sink);
    void dispatch(bool last);
    void drain(size_t keepInFlight, const Sink& sink);
    void hand(Segment& segment, const Sink& sink);

    double inputRate_;
    double outputRate_;

    // One filter for the whole input.
    std::unique_ptr<Filter> single_;
    std::vector<float> out_;

    // Segments: pending_ holds the input from position base_ on, up to the end of the current
    // segment's run-out.
    size_t segmentFrames_ = 0; // input samples of one segment, a whole number of periods of the ratio
    size_t leadFrames_ = 0;    // and of the lead-in and run-out around it
    size_t period_ = 1;        // input samples per period of the ratio
    size_t periodOut_ = 1;     // output samples per period
    uint64_t base_ = 0;
    uint64_t nextSegment_ = 0; // input position where the next segment starts
    std::vector<float> pending_;
    std::deque<std::unique_ptr<Segment>> inFlight_;
    static constexpr size_t kInFlight = 2;   // segments filtered at once, besides the caller's own work
};

} // namespace zelmar
