#pragma once
// WAV files: the header check of files chosen for import (TWavFileEx), and the file functions that
// write the program's own files (mono, 16 bits, 18000 samples per second, fixed 44-byte header).
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zelmar {

constexpr int kWavHeaderSize = 44;

// The format tags, channel counts and rates the import reads.
constexpr uint16_t kWavPcm = 1;
constexpr uint16_t kWavFloat = 3;
constexpr uint16_t kWavExtensible = 0xFFFE;
constexpr int kWavMaxChannels = 8;
constexpr uint32_t kWavMaxRate = 384000;

class TWavFileEx {
public:
    bool Valid = false;
    uint8_t Channels = 0;
    uint32_t SampleRate = 0;
    uint16_t BitsPerSample = 0;    // the field whole: 272 is not 16
    uint32_t FileSize = 0;
    uint32_t DataSize = 0;
    uint16_t FormatTag = 0;        // 1 or 3; an extensible chunk gives its sub-format's tag
    int32_t DataOffset = 0;

    // True when the header could be read; Valid tells whether the format is one the import takes
    // (integer PCM or IEEE float, plain or extensible, 1 to 8 channels, a rate of 1 Hz to 384 kHz
    // and a non-zero bit depth). Depths the converter cannot take are its failure. Never throws.
    bool Open(const std::string& path);
    // Seconds of audio; 0 unless Valid.
    double Duration() const;
    bool Floating() const { return FormatTag == kWavFloat; }
};

// The fixed header for `dataBytes` bytes of mono 16-bit samples at 18000 per second.
std::string fixedWavHeader(uint32_t dataBytes);

// Creates (or empties) `path` and writes the fixed header for `dataBytes`. Throws FileError.
void CreateWavFile(const std::string& path, uint32_t dataBytes);
// Overwrites the first 44 bytes of an existing file with the fixed header. Throws FileError.
void RewriteWavHeader(const std::string& path, uint32_t dataBytes);
// Writes `count` bytes at the end of an existing file. Throws FileError.
void AppendToFile(const std::string& path, const void* buffer, size_t count);

// Up to `count` bytes of `path` from `offset`. Returns nullopt (and count 0) when nothing was asked
// or nothing could be read, or memory ran out; otherwise exactly the bytes read, with `count` set
// to their number. Never reserves more than the file holds after `offset`, so a header that
// declares gigabytes costs nothing. Open, seek and read failures throw FileError.
std::optional<std::vector<uint8_t>> ReadFileBlock(const std::string& path, int64_t offset, int64_t& count);

// A fresh name "zmr<hex>.tmp.wav" in this process's private temporary directory. The file does not
// exist; whoever writes it deletes it. The directory goes away when the process ends normally.
std::string MakeTempWavName();

// The length of the longest name MakeTempWavName gives, worked out without making a file (only
// the private directory, once, as for any temporary file).
size_t temporaryWavNameLength();

// The private temporary directory itself (made on first use, mode 0700).
std::string privateTempDirectory();

} // namespace zelmar
