#pragma once
// Recognises MPEG audio (layers I to III, MPEG 1, 2 and 2.5) by scanning for a frame header whose
// frame fits inside the file and is followed by room for another header.
#include <cstdint>
#include <optional>
#include <string>

namespace zelmar {

enum class MpegVersion : uint8_t { Mpeg1, Mpeg2, Mpeg25 };

struct MpegFrameHeader {
    MpegVersion version = MpegVersion::Mpeg1;
    int layer = 0;          // 1..3
    int bitrate = 0;        // bits per second
    int sampleRate = 0;
    bool padding = false;
    bool protection = false;
    int channelMode = 0;    // 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    int frameLength = 0;    // bytes, padding included
};

// The header that the 32-bit big-endian value `h` describes, or none when it is not a valid one.
std::optional<MpegFrameHeader> parseMpegFrameHeader(uint32_t h);

// What the scan found; only the yes/no answer matters to the import.
struct TMPEGData {
    uint64_t FileLength = 0;
    int Version = 0;            // 1, 2, or 25 for MPEG 2.5
    int Layer = 0;
    int SampleRate = 0;
    int BitRate = 0;            // kbit/s
    int ChannelMode = 0;
    bool Padding = false;
    bool Protection = false;
    int FrameLength = 0;
    uint64_t FirstFrame = 0;    // byte position of the deciding header
    double Duration = 0;        // seconds, estimated from the first frame's bitrate
    std::string Encoder = "Unknown encoder";
};

// True when the file is taken for MPEG audio. A file of 5 bytes or fewer is taken for it without
// looking; a missing or unreadable file is not.
bool isMpegAudioFile(const std::string& path, TMPEGData* info = nullptr);

} // namespace zelmar
