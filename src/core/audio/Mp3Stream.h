#pragma once
// MPEG audio decoded on libmad from a file read in pieces. The frames come out exactly as libmad's
// own decoder gives them from one buffer that holds the whole file: the same skipped damaged
// frames, the same dropped last frame, the same 16-bit samples, whatever the size of the pieces.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace zelmar {

// The decoder's fixed-point sample (28 fraction bits) as a 16-bit sample: limited to the range of
// one, then shifted right by 13 without rounding.
inline int16_t madFixedToInt16(int32_t v)
{
    if (v >= 268435456)
        v = 268435455;
    else if (v < -268435456)
        v = -268435456;
    return int16_t(v >> 13);
}

// Frames the header of the first frame (a Xing or Info tag) says the stream has; 0 when it says
// nothing. `samplesPerFrame` and `sampleRate` describe that frame.
struct Mp3TagLength {
    uint64_t frames = 0;
    int samplesPerFrame = 0;
    int sampleRate = 0;
    double seconds() const { return sampleRate > 0 ? double(frames) * samplesPerFrame / sampleRate : 0; }
};
Mp3TagLength readMp3TagLength(const uint8_t* frame, size_t size);

class Mp3Stream {
public:
    // Reads `path` from byte `startAt` on, in pieces of `pieceBytes`; throws FileError when it
    // cannot be opened or read.
    explicit Mp3Stream(const std::string& path, uint64_t startAt = 0, size_t pieceBytes = 256 * 1024);
    ~Mp3Stream();
    Mp3Stream(const Mp3Stream&) = delete;
    Mp3Stream& operator=(const Mp3Stream&) = delete;

    // Decodes the next frame into `out` (interleaved 16-bit in the layout of the first frame: its
    // channel count and rate are channels() and sampleRate(); a mono layout takes the first channel
    // of a stereo frame, a stereo one repeats a mono frame). False at the end of the stream.
    bool next(std::vector<int16_t>& out);

    int channels() const { return channels_; }
    int sampleRate() const { return sampleRate_; }
    int bitrate() const { return bitrate_; }   // of the frame last decoded
    // Byte position in the file of the frame last decoded.
    uint64_t lastFramePosition() const { return lastFramePosition_; }
    // Fixes the layout before the first frame, as a stream that starts inside a file must take
    // the layout of the file's first frame.
    void setLayout(int channels, int sampleRate) { channels_ = channels, sampleRate_ = sampleRate; }
    uint64_t bytesTotal() const { return total_; }
    uint64_t bytesConsumed() const;   // up to the end of the last decoded frame

    // What a Xing or Info tag in the frame last decoded says of the length: asked after the first
    // frame, before the rest is decoded.
    Mp3TagLength lastFrameTag() const;

private:
    bool refill();
    size_t readMore(uint8_t* to, size_t n);

    struct Mad;
    std::unique_ptr<Mad> mad_;
    std::FILE* file_ = nullptr;
    std::string path_;
    uint64_t total_ = 0;
    uint64_t read_ = 0;          // bytes taken from the file into the buffer so far
    std::vector<uint8_t> buffer_;
    size_t filled_ = 0;
    size_t piece_;
    bool eof_ = false;
    bool ended_ = false;
    bool started_ = false;
    int channels_ = 0;
    int sampleRate_ = 0;
    const uint8_t* lastFrame_ = nullptr;
    size_t lastFrameSize_ = 0;
    uint64_t lastFramePosition_ = 0;
    int bitrate_ = 0;
};

} // namespace zelmar
