#include "audio/MpegFile.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

namespace zelmar {

namespace {

// kbit/s by [table][index]; index 0 and 15 are invalid and never looked up.
constexpr int kBitrates[5][15] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},   // MPEG 1, layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},      // MPEG 1, layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},       // MPEG 1, layer III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},      // MPEG 2/2.5, layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},           // MPEG 2/2.5, layers II, III
};

constexpr int kRates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};

// The file's bytes one by one, read in blocks.
class FileBytes {
public:
    FileBytes(std::FILE* f, uint64_t size) : f_(f), size_(size), buf_(65536) {}
    uint64_t size() const { return size_; }
    // False at the end (or on a read error, which ends the scan the same way).
    bool next(uint8_t& b)
    {
        if (pos_ == len_) {
            len_ = std::fread(buf_.data(), 1, buf_.size(), f_);
            pos_ = 0;
            if (len_ == 0)
                return false;
        }
        b = buf_[pos_++];
        return true;
    }

private:
    std::FILE* f_;
    uint64_t size_;
    std::vector<uint8_t> buf_;
    size_t pos_ = 0, len_ = 0;
};

bool scan(FileBytes& src, TMPEGData* info)
{
    const uint64_t size = src.size();
    if (info)
        *info = TMPEGData{}, info->FileLength = size;
    if (size <= 5)
        return true;

    uint32_t candidate = 0;
    int loaded = 0;         // bytes in the candidate since the last (re)start
    uint64_t consumed = 0;  // bytes taken from the source so far
    uint8_t b = 0;
    while (src.next(b)) {
        ++consumed;
        candidate = candidate << 8 | b;
        if (++loaded < 4)
            continue;
        std::optional<MpegFrameHeader> h = parseMpegFrameHeader(candidate);
        if (!h)
            continue;
        const uint64_t p = consumed - 4;
        const uint64_t end = p + uint64_t(h->frameLength);
        if (end <= size) {
            if (info) {
                info->Version = h->version == MpegVersion::Mpeg1 ? 1 : h->version == MpegVersion::Mpeg2 ? 2 : 25;
                info->Layer = h->layer;
                info->SampleRate = h->sampleRate;
                info->BitRate = h->bitrate / 1000;
                info->ChannelMode = h->channelMode;
                info->Padding = h->padding;
                info->Protection = h->protection;
                info->FrameLength = h->frameLength;
                info->FirstFrame = p;
                info->Duration = double(size - p) * 8.0 / double(h->bitrate);
            }
            return size > end + 4;
        }
        // The frame would run past the end: drop this header and look on after it.
        loaded = 0;
        candidate = 0;
    }
    return false;
}

} // namespace

std::optional<MpegFrameHeader> parseMpegFrameHeader(uint32_t h)
{
    if ((h & 0xFFE00000u) != 0xFFE00000u)
        return std::nullopt;
    const uint32_t versionBits = (h >> 19) & 3;
    const uint32_t layerBits = (h >> 17) & 3;
    const uint32_t bitrateIndex = (h >> 12) & 15;
    const uint32_t rateIndex = (h >> 10) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return std::nullopt;

    MpegFrameHeader r;
    r.version = versionBits == 3 ? MpegVersion::Mpeg1 : versionBits == 2 ? MpegVersion::Mpeg2 : MpegVersion::Mpeg25;
    r.layer = 4 - int(layerBits);
    r.protection = ((h >> 16) & 1) == 0;
    r.padding = ((h >> 9) & 1) != 0;
    r.channelMode = int((h >> 6) & 3);
    const bool mpeg1 = r.version == MpegVersion::Mpeg1;
    const int table = mpeg1 ? r.layer - 1 : (r.layer == 1 ? 3 : 4);
    r.bitrate = kBitrates[table][bitrateIndex] * 1000;
    r.sampleRate = kRates[mpeg1 ? 0 : r.version == MpegVersion::Mpeg2 ? 1 : 2][rateIndex];
    const int pad = r.padding ? 1 : 0;
    if (r.layer == 1)
        r.frameLength = (12 * r.bitrate / r.sampleRate + pad) * 4;
    else if (r.layer == 3 && !mpeg1)
        r.frameLength = 72 * r.bitrate / r.sampleRate + pad;
    else
        r.frameLength = 144 * r.bitrate / r.sampleRate + pad;
    return r;
}

bool isMpegAudioFile(const std::string& path, TMPEGData* info)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return false;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!f)
        return false;
    if (std::fseek(f.get(), 0, SEEK_END) != 0)
        return false;
    const long size = std::ftell(f.get());
    if (size < 0 || std::fseek(f.get(), 0, SEEK_SET) != 0)
        return false;
    FileBytes src(f.get(), uint64_t(size));
    return scan(src, info);
}

} // namespace zelmar
