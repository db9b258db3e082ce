#pragma once
// The sound import: one sound file (WAV, FLAC, Ogg Vorbis, Opus, AIFF or MPEG audio) becomes a new
// library sound in the chime's format (mono, 16 bits, 18000 per second). It runs in stages: the
// file is read in blocks (SoundSource), each block mixed down to one channel (MonoMix), converted
// to the chime's rate when it has another (MonoResampler), and kept as 16-bit samples within the
// room the set leaves (ImportRoom). Nothing is written to disk; the chosen file is only read.
#include "audio/ImportRoom.h"
#include "i18n/ResourceStrings.h"
#include "model/SignalSet.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace zelmar {

// The fixed message when the samples cannot be held in memory (not a translatable resource).
extern const char* const kImportNoMemoryText;

// What the import tells the user when it ends without a new sound.
struct ImportMessage {
    int resourceId = 0;              // 65217..65221, 65245, 65460, 65461; 0 for kImportNoMemoryText
    std::vector<FormatArg> args;
    std::string text() const;        // in the language in effect now
};

// The message for a failure that stopped the import of `chosenFile`: a file that could not be
// read (65460), memory that ran out, anything else (65461).
ImportMessage importFailure(const std::exception_ptr& failure, const std::string& chosenFile);

// The user's side of an import: the progress of a decoding or conversion and the normalisation
// question. The first three are called on the thread that decodes.
class ImportObserver {
public:
    virtual ~ImportObserver() = default;
    virtual void conversionStarted() {}
    // Between pieces of a decoding or conversion, and while the work waits for the second core;
    // true asks to cancel it.
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
    bool converted = false;                 // went through the rate converter
    bool mixedDown = false;
    bool decodedMp3 = false;
};

// A sound read and converted, not yet in the set.
struct DecodedSound {
    ImportResult result;            // `message` or `cancelled` set: nothing to add
    std::string name;
    std::vector<int16_t> samples;
};

// What to do with a sound longer than the room: refuse it (65219), or keep its start, as much as
// fits (the user's answer to the offer that follows that refusal).
enum class TooLong { Refuse, KeepWhatFits };

// Reads and converts `chosenFile` for a set with `room`; touches no set, so it may run on another
// thread while the set stays as it is. Every failure comes back as a message.
DecodedSound decodeSound(const std::string& chosenFile, const ImportRoom& room, ImportObserver& observer,
                         TooLong tooLong = TooLong::Refuse);
// Asks the normalisation question and appends the sound.
ImportResult addDecodedSound(DecodedSound&& sound, SignalSet& set, ImportObserver& observer);

// Both steps in one: imports `chosenFile` into `set`'s library. Refusals come back as a message.
ImportResult importSound(const std::string& chosenFile, SignalSet& set, ImportObserver& observer);

// Two decimals with a point, no padding, whatever the locale: 12.5 -> "12.50".
std::string formatSeconds(double seconds);

// The new sound's name: the file name without its directory and without its last four characters.
std::string soundNameFromPath(const std::string& path);

} // namespace zelmar
