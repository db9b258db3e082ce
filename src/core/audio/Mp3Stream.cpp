#include "audio/Mp3Stream.h"

#include "audio/MpegFile.h"
#include "model/Errors.h"

#include <mad.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zelmar {

namespace {

// Bytes kept ahead of the decoder while more input exists: more than any frame and the search
// for a free-format frame's successor need, so that the pieces never change what is decoded.
constexpr size_t kLookahead = 64 * 1024;

uint32_t bigEndian32(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// Appends one synthesised frame in the layout `channels` (1 or 2).
void appendMadFrame(std::vector<int16_t>& out, const mad_pcm& pcm, int channels)
{
    const size_t n = pcm.length;
    const size_t base = out.size();
    out.resize(base + n * size_t(channels));
    int16_t* p = out.data() + base;
    const mad_fixed_t* left = pcm.samples[0];
    const mad_fixed_t* right = pcm.channels > 1 ? pcm.samples[1] : pcm.samples[0];
    if (channels == 1) {
        for (size_t i = 0; i < n; ++i)
            p[i] = madFixedToInt16(left[i]);
    } else {
        for (size_t i = 0; i < n; ++i) {
            p[2 * i] = madFixedToInt16(left[i]);
            p[2 * i + 1] = madFixedToInt16(right[i]);
        }
    }
}

} // namespace

Mp3TagLength readMp3TagLength(const uint8_t* frame, size_t size)
{
    Mp3TagLength r;
    if (size < 4)
        return r;
    const std::optional<MpegFrameHeader> h = parseMpegFrameHeader(bigEndian32(frame));
    if (!h || h->layer != 3)
        return r;
    const bool mpeg1 = h->version == MpegVersion::Mpeg1;
    const bool mono = h->channelMode == 3;
    const size_t sideInfo = mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    const size_t at = 4 + (h->protection ? 2 : 0) + sideInfo;
    if (size < at + 12)
        return r;
    if (std::memcmp(frame + at, "Xing", 4) != 0 && std::memcmp(frame + at, "Info", 4) != 0)
        return r;
    const uint32_t flags = bigEndian32(frame + at + 4);
    if (!(flags & 1))
        return r;
    r.frames = bigEndian32(frame + at + 8);
    r.samplesPerFrame = mpeg1 ? 1152 : 576;
    r.sampleRate = h->sampleRate;
    return r;
}

struct Mp3Stream::Mad {
    mad_stream stream;
    mad_frame frame;
    mad_synth synth;
    Mad()
    {
        mad_stream_init(&stream);
        mad_frame_init(&frame);
        mad_synth_init(&synth);
    }
    ~Mad()
    {
        mad_synth_finish(&synth);
        mad_frame_finish(&frame);
        mad_stream_finish(&stream);
    }
};

Mp3Stream::Mp3Stream(const std::string& path, uint64_t startAt, size_t pieceBytes)
    : mad_(std::make_unique<Mad>()), piece_(pieceBytes)
{
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_)
        throw FileError(path, "cannot open " + path + ": " + std::strerror(errno));
    if (std::fseek(file_, 0, SEEK_END) == 0) {
        const long size = std::ftell(file_);
        total_ = size > 0 ? uint64_t(size) : 0;
    }
    read_ = std::min(startAt, total_);
    if (std::fseek(file_, long(read_), SEEK_SET) != 0) {
        std::fclose(file_);
        throw FileError(path, "cannot read " + path);
    }
    path_ = path;
}

Mp3Stream::~Mp3Stream()
{
    std::fclose(file_);
}

size_t Mp3Stream::readMore(uint8_t* to, size_t n)
{
    const size_t got = std::fread(to, 1, n, file_);
    if (got < n && std::ferror(file_))
        throw FileError(path_, "cannot read " + path_);
    read_ += got;
    if (got < n)
        eof_ = true;
    return got;
}

uint64_t Mp3Stream::bytesConsumed() const
{
    const mad_stream& s = mad_->stream;
    if (!started_ || !s.next_frame)
        return 0;
    const size_t ahead = filled_ - size_t(s.next_frame - buffer_.data());
    return read_ - ahead;
}

// Moves what the decoder has not taken to the front, fills up the rest, and hands the buffer over
// again with the decoder's sync state as it was: a new buffer alone would reset it.
bool Mp3Stream::refill()
{
    mad_stream& s = mad_->stream;
    size_t keep = 0;
    if (started_ && s.next_frame) {
        const size_t from = size_t(s.next_frame - buffer_.data());
        keep = filled_ - from;
        std::memmove(buffer_.data(), buffer_.data() + from, keep);
    }
    const size_t want = std::max(piece_, keep + kLookahead * 2);
    if (buffer_.size() < want)
        buffer_.resize(want);
    const size_t got = readMore(buffer_.data() + keep, buffer_.size() - keep);
    filled_ = keep + got;
    const int sync = s.sync;
    mad_stream_buffer(&s, buffer_.data(), filled_);
    if (started_)
        s.sync = sync;
    started_ = true;
    return got > 0 || keep > 0;
}

bool Mp3Stream::next(std::vector<int16_t>& out)
{
    out.clear();
    if (ended_)
        return false;
    mad_stream& s = mad_->stream;
    if (!started_)
        refill();
    for (;;) {
        if (!eof_ && size_t(s.bufend - s.next_frame) < kLookahead)
            refill();
        const int syncBefore = s.sync;
        if (mad_frame_decode(&mad_->frame, &s) == -1) {
            if (MAD_RECOVERABLE(s.error))
                continue;   // a damaged frame is skipped
            if (s.error == MAD_ERROR_BUFLEN && !eof_) {
                // Only a long stretch without a frame gets here. The failed call cleared the sync,
                // which one buffer holding the whole input would have kept.
                refill();
                s.sync = syncBefore;
                continue;
            }
            ended_ = true;   // the end of the input (the last frame, without guard bytes, stays undecoded)
            return false;
        }
        mad_synth_frame(&mad_->synth, &mad_->frame);
        const mad_pcm& pcm = mad_->synth.pcm;
        if (channels_ == 0) {
            channels_ = pcm.channels >= 2 ? 2 : 1;
            sampleRate_ = int(mad_->frame.header.samplerate);
        }
        appendMadFrame(out, pcm, channels_);
        lastFrame_ = s.this_frame;
        lastFrameSize_ = size_t(s.next_frame - s.this_frame);
        lastFramePosition_ = read_ - (filled_ - size_t(s.this_frame - buffer_.data()));
        bitrate_ = int(mad_->frame.header.bitrate);
        return true;
    }
}

Mp3TagLength Mp3Stream::lastFrameTag() const
{
    return lastFrame_ ? readMp3TagLength(lastFrame_, lastFrameSize_) : Mp3TagLength{};
}

} // namespace zelmar
