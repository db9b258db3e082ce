#include "audio/MonoResampler.h"

#include "audio/Rounding.h"
#include "model/TwoThreads.h"

#include <soxr.h>

#include <algorithm>
#include <iterator>
#include <numeric>
#include <stdexcept>
#include <string>

namespace zelmar {

namespace {

// Splitting pays only for long inputs and is proven (by the tests) for the usual rates to 18000;
// others are filtered in one piece.
constexpr int kSplitRates[] = {8000, 11025, 16000, 22050, 24000, 32000, 44100, 48000, 88200, 96000};
constexpr double kSegmentSeconds = 6.0;
// The filter's memory is far shorter than this; a fresh filter fed this much before a segment
// gives exactly the samples a running one gives.
constexpr double kLeadSeconds = 0.25;

} // namespace

struct MonoResampler::Filter {
    soxr_t handle = nullptr;
    Filter(double inputRate, double outputRate)
    {
        soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        soxr_quality_spec_t q = soxr_quality_spec(SOXR_VHQ, 0);
        soxr_runtime_spec_t rt = soxr_runtime_spec(1);
        soxr_error_t err = nullptr;
        handle = soxr_create(inputRate, outputRate, 1, &err, &io, &q, &rt);
        if (err || !handle)
            throw std::runtime_error(std::string("resampler: ") + (err ? err : "cannot create"));
    }
    ~Filter() { soxr_delete(handle); }
    Filter(const Filter&) = delete;
    Filter& operator=(const Filter&) = delete;

    // Feeds `count` samples (nullptr: the end) and appends what comes out to `out`.
    void run(const float* input, size_t count, std::vector<float>& out)
    {
        constexpr size_t kChunk = 16384;
        float buffer[kChunk];
        if (!input) {
            for (int guard = 0; guard < 1000000; ++guard) {
                size_t made = 0;
                if (soxr_error_t err = soxr_process(handle, nullptr, 0, nullptr, buffer, kChunk, &made))
                    throw std::runtime_error(std::string("resampler: ") + err);
                if (made == 0)
                    return;
                out.insert(out.end(), buffer, buffer + made);
            }
            throw std::runtime_error("resampler did not finish");
        }
        size_t at = 0;
        while (at < count) {
            size_t used = 0, made = 0;
            const size_t feed = std::min<size_t>(count - at, 4096);
            if (soxr_error_t err = soxr_process(handle, input + at, feed, &used, buffer, kChunk, &made))
                throw std::runtime_error(std::string("resampler: ") + err);
            out.insert(out.end(), buffer, buffer + made);
            at += used;
            if (used == 0 && made == 0)
                throw std::runtime_error("resampler made no progress");
        }
    }
};

// A segment filtered on a thread of its own.
struct MonoResampler::Segment {
    std::vector<int16_t> samples;
    std::unique_ptr<SideJob> job;   // last: it goes first, while the samples are still there
};

MonoResampler::MonoResampler(int inputRate, int outputRate, int threads, int64_t expectedFrames)
    : inputRate_(inputRate), outputRate_(outputRate)
{
    if (inputRate <= 0 || outputRate <= 0)
        throw std::runtime_error("unsupported sample rate");
    if (threads == 0)
        threads = twoCores() ? 2 : 1;
    const size_t g = size_t(std::gcd(inputRate, outputRate));
    period_ = size_t(inputRate) / g;
    periodOut_ = size_t(outputRate) / g;
    const bool proven = std::find(std::begin(kSplitRates), std::end(kSplitRates), inputRate) != std::end(kSplitRates);
    if (threads > 1 && proven && outputRate == 18000) {
        auto wholePeriods = [&](double seconds) {
            const size_t frames = size_t(seconds * inputRate);
            return std::max<size_t>(1, (frames + period_ - 1) / period_) * period_;
        };
        leadFrames_ = wholePeriods(kLeadSeconds);
        // Few long segments: each costs a filter's set-up and two lead-ins.
        const double seconds = expectedFrames > 0 ? double(expectedFrames) / inputRate / 4 : 0;
        segmentFrames_ = std::max(wholePeriods(std::max(kSegmentSeconds, seconds)), 8 * leadFrames_);
    } else {
        single_ = std::make_unique<Filter>(inputRate_, outputRate_);
    }
}

MonoResampler::~MonoResampler() = default;

void MonoResampler::emitRounded(const float* y, size_t n, const Sink& sink)
{
    int16_t piece[4096];
    while (n > 0) {
        const size_t m = std::min<size_t>(n, 4096);
        toInt16(y, m, piece);
        sink(piece, m);
        y += m;
        n -= m;
    }
}

std::vector<int16_t> MonoResampler::filterPiece(double inputRate, double outputRate, const float* input,
                                                size_t count, size_t from, size_t to)
{
    Filter f(inputRate, outputRate);
    std::vector<float> y;
    y.reserve(size_t(double(count) * outputRate / inputRate) + 64);
    f.run(input, count, y);
    f.run(nullptr, 0, y);
    to = std::min(to, y.size());
    from = std::min(from, to);
    std::vector<int16_t> samples(to - from);
    toInt16(y.data() + from, to - from, samples.data());
    return samples;
}

// Hands the segment that pending_ holds (with its lead-in and, unless it is the last, its run-out)
// to a thread of its own, and keeps in pending_ what the next segment's lead-in needs.
void MonoResampler::dispatch(bool last)
{
    const uint64_t start = nextSegment_;
    const uint64_t lead = start - base_;
    const size_t keepFrom = size_t(lead / period_ * periodOut_);
    const size_t keepTo = last ? SIZE_MAX : size_t((lead + segmentFrames_) / period_ * periodOut_);
    std::vector<float> next;
    if (!last) {
        nextSegment_ = start + segmentFrames_;
        base_ = nextSegment_ - leadFrames_;
        next.reserve(segmentFrames_ + 2 * leadFrames_);
        next.assign(pending_.end() - ptrdiff_t(2 * leadFrames_), pending_.end());
    }
    auto segment = std::make_unique<Segment>();
    segment->job = std::make_unique<SideJob>([in = inputRate_, out = outputRate_, input = std::move(pending_), keepFrom,
                                              keepTo, &samples = segment->samples] {
        samples = filterPiece(in, out, input.data(), input.size(), keepFrom, keepTo);
    });
    inFlight_.push_back(std::move(segment));
    pending_ = std::move(next);
}

// Waits for the oldest segment and hands its output on.
void MonoResampler::hand(Segment& segment, const Sink& sink)
{
    segment.job->wait();
    if (!segment.samples.empty())
        sink(segment.samples.data(), segment.samples.size());
}

void MonoResampler::drain(size_t keepInFlight, const Sink& sink)
{
    // Beyond `keepInFlight` the oldest are waited for; segments that are done already go out
    // without waiting for the others.
    while (!inFlight_.empty() && (inFlight_.size() > keepInFlight || inFlight_.front()->job->done())) {
        const std::unique_ptr<Segment> segment = std::move(inFlight_.front());
        inFlight_.pop_front();
        hand(*segment, sink);
    }
}

void MonoResampler::push(const float* samples, size_t count, const Sink& sink)
{
    if (single_) {
        out_.clear();
        single_->run(samples, count, out_);
        emitRounded(out_.data(), out_.size(), sink);
        return;
    }
    while (count > 0) {
        // Fill up to the end of the current segment's run-out, then hand it over.
        const uint64_t end = nextSegment_ + segmentFrames_ + leadFrames_;
        const size_t take = size_t(std::min<uint64_t>(count, end - (base_ + pending_.size())));
        pending_.insert(pending_.end(), samples, samples + take);
        samples += take;
        count -= take;
        if (base_ + pending_.size() == end) {
            drain(kInFlight - 1, sink);
            dispatch(false);
        }
    }
    drain(kInFlight, sink);
}

void MonoResampler::finish(const Sink& sink)
{
    if (single_) {
        out_.clear();
        single_->run(nullptr, 0, out_);
        emitRounded(out_.data(), out_.size(), sink);
        return;
    }
    drain(kInFlight - 1, sink);
    dispatch(true);
    drain(0, sink);
}

} // namespace zelmar
