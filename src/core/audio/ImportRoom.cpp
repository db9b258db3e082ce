#include "audio/ImportRoom.h"

#include "audio/WavFile.h"

#include <algorithm>

namespace zelmar {

namespace {

int64_t codePoints(const std::string& s)
{
    int64_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

} // namespace

ImportRoom ImportRoom::of(const SignalSet& set)
{
    return {int(set.library.size()), set.tableSize(), set.freeBytes()};
}

int ImportRoom::refusal(const std::string& soundName) const
{
    if (sounds >= kMaxSounds)
        return 65217;
    // Each sound adds its name to the tables, which the chime limits.
    if (int64_t(tableSize) + nameBytes(soundName) + 4 > kTableLimit)
        return 65245;
    return 0;
}

SoundRoom ImportRoom::forSound(const std::string& soundName, const std::string& chosenFile, const ImportRoute& route) const
{
    // The length check counts the file as it is read first (a decoded file for MPEG audio); the
    // room check the file the samples come from in the end.
    const bool temporary = route.decoded || route.converted || route.mixedDown;
    const int64_t chosen = codePoints(chosenFile);
    const int64_t inTemporary = temporary ? int64_t(temporaryWavNameLength()) : chosen;
    const int64_t ownName = int64_t(nameBytes(soundName)) + 4;
    const int64_t firstCost = std::max(route.decoded ? inTemporary : chosen, ownName);

    SoundRoom r;
    r.freeBytes = freeBytes;
    r.finalCost = std::max(inTemporary, ownName);
    r.timeLeft = double(int64_t(freeBytes) - firstCost) / 9.0 * 8.0 / kSampleRate;
    r.statedLimit = secondsForBytes(freeBytes);
    r.maxSamples = std::max<int64_t>(0, (int64_t(freeBytes) - r.finalCost) * 8 / 9 + 8);
    return r;
}

} // namespace zelmar
