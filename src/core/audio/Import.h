#pragma once
// The sound import: one WAV or MP3 file becomes a new library sound in the chime's format (mono,
// 16 bits, 18000 per second). MP3 decoding, rate and depth conversion and mixing down go through
// temporary files that are deleted on every path; the chosen file is only read.
#include "audio/Resample.h"
#include "i18n/ResourceStrings.h"
#include "model/SignalSet.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zelmar {

// The fixed message when the samples cannot be held in memory (not a translatable resource).
extern const char* const kImportNoMemoryText;

// What the import tells the user when it ends without a new sound.
struct ImportMessage {
    int resourceId = 0;              // 65217..65221; 0 for kImportNoMemoryText
    std::vector<FormatArg> args;
    std::string text() const;        // in the language in effect now
};

// The user's side of an import: the progress of a conversion and the normalisation question.
class ImportObserver {
public:
    virtual ~ImportObserver() = default;
    virtual void conversionStarted() {}
    // Between chunks of a conversion; true asks to cancel it.
    virtual bool conversionProgress(int32_t done, int32_t total) { (void)done, (void)total; return false; }
    virtual void conversionEnded() {}
    // Asked once the samples are read; true normalises them.
    virtual bool askNormalise() { return false; }
};

struct ImportResult {
    bool added = false;
    std::optional<ImportMessage> message;   // set when nothing was added
    int soundNumber = 0;                    // 1-based position of the new sound
    bool converted = false;                 // went through the rate/depth converter
    bool mixedDown = false;
    bool decodedMp3 = false;
};

// Imports `chosenFile` into `set`'s library. Refusals come back as a message; file errors while
// mixing down or reading the samples are thrown as FileError, with the library unchanged.
ImportResult importSound(const std::string& chosenFile, SignalSet& set, ImportObserver& observer);

// Two decimals with a point, no padding, whatever the locale: 12.5 -> "12.50".
std::string formatSeconds(double seconds);

// The new sound's name: the file name without its directory and without its last four characters.
std::string soundNameFromPath(const std::string& path);

// Mixes a 16-bit stereo data chunk down to mono at 18000 per second: each pair becomes
// (left + right) / 2 rounded half to even. Throws FileError.
void mixDownToMono(const std::string& input, int64_t dataOffset, uint32_t dataSize, const std::string& output);

// (left + right) / 2, rounded half to even.
constexpr int16_t mixPair(int16_t left, int16_t right)
{
    const int s = int(left) + int(right);
    int q = s >> 1;   // floor
    if ((s & 1) && (q & 1))
        ++q;
    return int16_t(q);
}

} // namespace zelmar
