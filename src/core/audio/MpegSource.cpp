// MPEG audio for the import. A long stream is decoded by two decoders at once: the second starts a
// little before the middle of the file, on the second core, and its half is taken only when both
// really decoded the same frames just before the middle, so that the samples are those of one
// decoder whatever the file holds.
#include "audio/Mp3Stream.h"
#include "audio/SoundSource.h"
#include "model/TwoThreads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <vector>

namespace zelmar {

namespace {

// Frames the second decoder must have decoded, the same ones as the first, just before the
// middle: far more than the bit reservoir and the filters remember.
constexpr size_t kMeetFrames = 16;
// How often a read that waits for the second decoder asks whether it is still wanted.
constexpr std::chrono::milliseconds kWaitSlice{20};

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

    SampleBlock read(size_t frames) override
    {
        if (!started_) {
            started_ = true;
            maybeStartHalf();
        }
        const size_t channels = size_t(format_.channels);
        SampleBlock block;
        block.channels = format_.channels;
        if (usingHalf_) {
            block.frames = std::min(frames, half_->out.size() / channels - halfAt_);
            block.samples = std::span<const int16_t>(half_->out.data() + halfAt_ * channels, block.frames * channels);
            halfAt_ += block.frames;
            return block;
        }
        const size_t want = frames * channels;
        block_.clear();
        while (block_.size() < want) {
            if (at_ == frame_.size()) {
                at_ = 0;
                if (!stream_.next(frame_)) {
                    frame_.clear();
                    break;
                }
                if (half_ && stream_.lastFramePosition() >= half_->split && meet()) {
                    // From here on the samples are the second decoder's, sample for sample.
                    usingHalf_ = true;
                    frame_.clear();
                    if (block_.empty())
                        return read(frames);
                    break;
                }
                noteFirstHalf();
            }
            const size_t take = std::min(want - block_.size(), frame_.size() - at_);
            block_.insert(block_.end(), frame_.begin() + ptrdiff_t(at_), frame_.begin() + ptrdiff_t(at_ + take));
            at_ += take;
        }
        block.frames = block_.size() / channels;
        block.samples = std::span<const int16_t>(block_);
        return block;
    }

    double progress() const override
    {
        const uint64_t total = stream_.bytesTotal();
        if (total == 0)
            return 1.0;
        uint64_t done = stream_.bytesConsumed();
        if (usingHalf_) {
            const double halfFrames = std::max<double>(1, double(half_->out.size() / size_t(format_.channels)));
            done = half_->split + uint64_t(double(total - half_->split) * double(halfAt_) / halfFrames);
        } else if (half_) {
            done += half_->consumed.load();
        }
        return std::min(1.0, double(done) / double(total));
    }
    double statedSeconds() const override { return stated_; }

private:
    // The second decoder: from a little before the middle of the file to its end.
    struct Half {
        uint64_t split = 0;                  // the middle byte; its half starts at the first frame from here
        std::atomic<bool> stop{false};
        std::atomic<uint64_t> consumed{0};
        std::vector<int16_t> out;            // interleaved, from the first frame at or after `split`
        std::vector<uint64_t> decodedBefore; // positions of the frames it decoded before `split`
        uint64_t firstOut = UINT64_MAX;      // position of the first frame of `out`
        bool failed = false;
        std::unique_ptr<SideJob> job;        // last: it goes first, while the rest is still there
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
        if (!twoHalves_ || bitrate <= 0 || !twoCores())
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
        const size_t channels = size_t(format_.channels);
        const size_t maxFrames = limit_ > 0 ? size_t((limit_ + 1.0) * format_.sampleRate) : SIZE_MAX;
        h.out.reserve(size_t(std::min<double>(double(maxFrames), (seconds / 2 + 1) * format_.sampleRate)) * channels);
        h.job = std::make_unique<SideJob>([this, &h, start, maxFrames, channels, rate = format_.sampleRate] {
            try {
                Mp3Stream b(path_, start);
                b.setLayout(int(channels), rate);
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
                    h.out.insert(h.out.end(), frame.begin(), frame.end());
                    if (h.out.size() / channels > maxFrames)
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
        while (!half_->job->waitFor(kWaitSlice)) {
            if (!keepWaiting()) {
                stopHalf();
                throw ReadCancelled{};
            }
        }
        half_->job->wait();
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
        if (half_ && half_->job) {
            half_->stop = true;
            half_->job->wait();
        }
    }

    std::string path_;
    Mp3Stream stream_;
    bool twoHalves_;
    std::vector<int16_t> frame_;
    size_t at_ = 0;
    std::vector<int16_t> block_;
    double stated_ = 0;
    double limit_ = 0;
    bool started_ = false;
    std::vector<uint64_t> recent_;   // positions of the last frames the first decoder decoded
    std::unique_ptr<Half> half_;
    bool usingHalf_ = false;
    size_t halfAt_ = 0;              // frames of the second half handed on
};

} // namespace

std::unique_ptr<SoundSource> openMpegSource(const std::string& path, bool twoHalves)
{
    auto source = std::make_unique<MpegSource>(path, twoHalves);
    if (!source->anyFrame())
        return nullptr;
    return source;
}

bool twoHalvesUsed(const SoundSource& source)
{
    const auto* m = dynamic_cast<const MpegSource*>(&source);
    return m && m->splitUsed();
}

} // namespace zelmar
