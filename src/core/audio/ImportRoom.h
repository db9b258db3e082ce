#pragma once
// What the set leaves for one imported sound: a place in the library, room for its name in the
// chime's tables, and room for its samples in the chime's memory.
#include "model/SignalSet.h"

#include <cstdint>
#include <string>

namespace zelmar {

// The road a file takes to become a sound; it decides which file's name counts in the room (the
// chosen one, or the temporary file of a decoded, converted or mixed sound).
struct ImportRoute {
    bool decoded = false;   // MPEG audio
    bool converted = false;
    bool mixedDown = false;
};

// The room for one sound's samples.
struct SoundRoom {
    double timeLeft = 0;      // a sound of this length or longer is refused
    double statedLimit = 0;   // the longest sound message 65219 says still fits
    int64_t maxSamples = 0;   // samples past this count cannot fit, whatever else happens
    int64_t finalCost = 0;    // bytes besides the samples' own
    int32_t freeBytes = 0;
    // Whether `samples` samples fit, the final check once they are all read.
    bool fits(int64_t samples) const { return (9 * samples + 7) / 8 + finalCost <= freeBytes; }
};

// What the import needs to know of the set, taken before it starts.
struct ImportRoom {
    int sounds = 0;
    int32_t tableSize = 0;
    int32_t freeBytes = 0;
    static ImportRoom of(const SignalSet& set);

    // 65217 when the library is full, 65245 when the tables cannot hold the name; else 0.
    int refusal(const std::string& soundName) const;
    // The memory room for a sound named `soundName` read from `chosenFile` by `route`. Each sound
    // counts the name of the file its samples come from, as the tables count its own name:
    // whichever is the larger.
    SoundRoom forSound(const std::string& soundName, const std::string& chosenFile, const ImportRoute& route) const;
};

} // namespace zelmar
