#pragma once
// The ".zmr" set file: a header, the signals with their elements, the back-door signal and the
// whole sound library with its samples. Names are Windows-1250 bytes in the file.
//
// Every failure of reading a set comes out as FormatError: codes 1..7 for the content checks, and
// kSetFileTruncated when the file ends inside a record. readSetFile adds FileError for a file that
// cannot be read. A caller that only needs "did it work" may catch std::exception.
#include "model/FileIO.h"   // isReadOnlyFile
#include "model/SignalSet.h"

#include <cstdint>
#include <span>
#include <string>

namespace zelmar {

// Format codes of set files.
enum SetFileCode : int {
    kSetFileHeader = 1,         // magic, version, S or N out of range
    kSetFileElementCount = 2,   // E or B out of 0..128
    kSetFileSoundNumber = 3,    // SoundNumber > N
    kSetFileVolume = 4,         // Volume > 15
    kSetFileFragmentStart = 5,  // FragmentStart < 0
    kSetFileFragmentEnd = 6,    // FragmentEnd < 0 or < FragmentStart
    kSetFileSampleBytes = 7,    // D < 0 or above 2 x chime memory
    kSetFileTruncated = 8,      // the file ends inside a record (our own code)
};

// Largest sample byte count a sound record may declare: twice the chime's memory, so that long
// recordings still open and can be cut down to a fragment.
constexpr int64_t kMaxSoundBytes = 2 * int64_t(kChimeMemory);

// No file the reader accepts is longer: the header, the most signals with the most elements and
// the longest names, a full back-door signal and the most sounds of the largest sample count (the
// reader ignores bytes after the last record, but no writer puts any there). A larger input, or
// one that is no regular file (a device would never end), is refused before it is read.
constexpr uint64_t kMaxSetFileBytes = 20 + uint64_t(kMaxSignals) * (1 + kMaxNameBytes + 4 + kMaxElements * 11)
                                      + (4 + kMaxElements * 11)
                                      + uint64_t(kMaxSounds) * (1 + kMaxNameBytes + 1 + 4 + kMaxSoundBytes);

// Reads a set from the bytes of a ".zmr" file. Fragments that run past the end of their sound are
// kept as stored; readers of samples go through playedRange(). Bytes after the last sound record
// are ignored.
SignalSet parseSetFile(std::span<const uint8_t> bytes);

// True when `head`, the first bytes of a file, starts as a set file does. A memory image never
// does (its third byte is erased filler).
bool startsAsSetFile(std::span<const uint8_t> head);

// Reads and parses a file; FileError when it cannot be read (also when it is larger than
// kMaxSetFileBytes or no regular file), FormatError when it is not a set.
SignalSet readSetFile(const std::string& path);

// The bytes of a ".zmr" file for `set`. Names become Windows-1250 ('?' for characters the code page
// lacks, cut to 255 bytes); element fields stored as bytes keep their low byte.
std::string serializeSetFile(const SignalSet& set);

// Saves through writeFileAtomically: on failure FileError is thrown and an existing file stays as
// it was; a read-only file is refused.
void writeSetFile(const SignalSet& set, const std::string& path);

// The name a set opened from a read-only file is saved under: " (1)" before the extension.
// "Zestawy/X.zmr" -> "Zestawy/X (1).zmr"; "Zestawy/X" -> "Zestawy/X (1)".
std::string readOnlyAlternativeName(const std::string& path);

} // namespace zelmar
