#pragma once
// The sound import: one sound file (WAV, FLAC, Ogg Vorbis, Opus, AIFF or MPEG audio) becomes a new
// library sound in the chime's format (mono, 16 bits, 18000 per second). The file is read in pieces,
// mixed down to one channel in floating point and converted on the way, with nothing written to
// disk; the chosen file is only read.
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
    int resourceId = 0;              // 65217..65221, 65245; 0 for kImportNoMemoryText
    std::vector<FormatArg> args;
    std::string text() const;        // in the language in effect now
};

// The user's side of an import: the progress of a decoding or conversion and the normalisation
// question. The first three are called on the thread that decodes.
class ImportObserver {
public:
    virtual ~ImportObserver() = default;
    virtual void conversionStarted() {}
    // Between pieces of a decoding or conversion; true asks to cancel it.
    virtual bool conversionProgress(int32_t done, int32_t total) { (void)done, (void)total; return false; }
    virtual void conversionEnded() {}
    // Asked once the samples are read; true normalises them.
    virtual bool askNormalise() { return false; }
};

struct ImportResult {
    bool added = false;
    std::optional<ImportMessage> message;   // set when nothing was added, unless cancelled
    bool cancelled = false;                 // the user's own choice: nothing to tell
    int soundNumber = 0;                    // 1-based position of the new sound
    bool converted = false;                 // went through the rate/depth converter
    bool mixedDown = false;
    bool decodedMp3 = false;
};

// What the import needs to know of the set, taken before it starts.
struct ImportRoom {
    int sounds = 0;
    int32_t tableSize = 0;
    int32_t freeBytes = 0;
    static ImportRoom of(const SignalSet& set);
};

// A sound read and converted, not yet in the set.
struct DecodedSound {
    ImportResult result;            // `message` or `cancelled` set: nothing to add
    std::string name;
    std::vector<int16_t> samples;
};

// Reads and converts `chosenFile` for a set with `room`; touches no set, so it may run on another
// thread while the set stays as it is.
DecodedSound decodeSound(const std::string& chosenFile, const ImportRoom& room, ImportObserver& observer);
// Asks the normalisation question and appends the sound.
ImportResult addDecodedSound(DecodedSound&& sound, SignalSet& set, ImportObserver& observer);

// Both steps in one: imports `chosenFile` into `set`'s library. Refusals come back as a message.
ImportResult importSound(const std::string& chosenFile, SignalSet& set, ImportObserver& observer);

// Two decimals with a point, no padding, whatever the locale: 12.5 -> "12.50".
std::string formatSeconds(double seconds);

// The new sound's name: the file name without its directory and without its last four characters.
std::string soundNameFromPath(const std::string& path);

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
