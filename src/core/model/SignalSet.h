#pragma once
// The one signal set the program edits: a sound library, named signals and an optional
// back-door signal, with the limits and the memory budget of the chime.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zelmar {

constexpr int32_t kSampleRate = 18000;
constexpr int32_t kChimeMemory = 2097152;   // bytes of the chime's flash
constexpr int32_t kTableLimit = 33528;      // bytes the tables may take
constexpr int kMaxSignals = 128;
constexpr int kMaxElements = 128;           // in files and images; the editor stops at 127
constexpr int kMaxEditorElements = 127;
constexpr int kMaxSounds = 128;
constexpr int kMaxNameBytes = 255;

// Bytes a sound of `sampleCount` samples takes in the chime: 9 for every 8, rounded up.
constexpr int32_t storedSizeFor(int32_t sampleCount)
{
    return sampleCount / 8 * 9 + (sampleCount % 8 != 0 ? sampleCount % 8 + 1 : 0);
}

// A recorded sound of the library. Its name lives in the library entry, not here.
class TDostepnyDzwiek {
public:
    std::vector<int16_t> Samples;
    int32_t SampleCount = 0;
    int32_t StoredSize = 0;
    int32_t UsageMark = -1;
    uint8_t Gain = 0;   // tenths of a decibel, applied when the image is built

    // The only way samples are attached.
    void SetSamples(std::vector<int16_t> samples);
};

// One element of a signal: a fragment of a library sound, or a pause when SoundNumber is 0.
struct TDzwiek {
    int32_t SoundNumber = 0;    // 0: pause; k >= 1: k-th library sound
    int32_t Volume = 0;         // levels 1..15 as themselves, full (16) as 0
    int32_t FragmentStart = 0;  // 1-based first sample
    int32_t FragmentEnd = 0;    // 1-based last sample, included
    int32_t PauseLength = 0;    // hundredths of a second

    bool isPause() const { return SoundNumber == 0; }
    void SetSoundNumber(int32_t v) { SoundNumber = v; }
    void SetVolume(int32_t v) { Volume = v; }
    void SetFragment(int32_t start, int32_t end) { FragmentStart = start; FragmentEnd = end; }
    void SetPauseLength(int32_t v) { PauseLength = v; }

    static TDzwiek sound(int32_t number, const TDostepnyDzwiek& s)
    {
        return TDzwiek{number, 0, 1, s.SampleCount, 0};
    }
    static TDzwiek pause(int32_t hundredths = 50) { return TDzwiek{0, 0, 0, 0, hundredths}; }

    friend bool operator==(const TDzwiek&, const TDzwiek&) = default;
};

// Volume on the editors' 1..16 scale and back.
constexpr int volumeLevel(int32_t stored) { return stored == 0 ? 16 : stored; }
constexpr int32_t storedVolume(int level) { return level % 16; }

using Signal = std::vector<TDzwiek>;

struct NamedSignal {
    std::string name;   // UTF-8 inside the program
    Signal elements;
};

struct LibrarySound {
    std::string name;   // UTF-8 inside the program
    TDostepnyDzwiek sound;
};

// The part of a sound an element really plays, as 0-based [first, first + count), always inside the
// sound. A start of 0 counts as 1 and an end past the sound stops at its last sample; an element
// that lies wholly outside its sound plays nothing.
struct PlayedRange {
    int32_t first = 0;
    int32_t count = 0;
};
PlayedRange playedRange(const TDzwiek& element, const TDostepnyDzwiek& sound);

class SignalSet {
public:
    std::vector<NamedSignal> signals;
    std::optional<Signal> backdoor;
    std::vector<LibrarySound> library;

    bool empty() const { return signals.empty() && library.empty() && !backdoor; }

    // Releases signals, sounds and the back-door signal.
    void clear();

    // 1-based sound lookup; null for 0 or a number outside the library.
    const TDostepnyDzwiek* soundAt(int32_t number) const;

    // Bytes the image needs before its sample area (T).
    int32_t tableSize() const;
    // 2 MiB less the tables and the stored sounds (F).
    int32_t freeBytes() const;

    // Playing length of a signal in samples, counting what its fragments really play.
    int64_t playingSamples(const Signal& s) const;
};

// Whether two sets hold the same work: the same signals (names and elements), back-door signal and
// sounds (names, samples and gains). What only the pages use on the way (usage marks) does not count.
bool sameWork(const SignalSet& a, const SignalSet& b);

// Bytes a name takes in files and in the chime (Windows-1250, at most 255).
int nameBytes(const std::string& utf8Name);

// The nearest integer to part / whole × scale, a tie going to the even one: the one rounding rule of
// everything the pages draw (gauges, duration bars). Exact for whole > 0 and part × scale in range.
int64_t roundedShare(int64_t part, int64_t whole, int64_t scale);

// What the memory display shows for a given F.
struct MemoryDisplay {
    int gaugePercent = 0;        // 0..100
    double remainingSeconds = 0; // shown with resource 65209
};
MemoryDisplay memoryDisplay(int32_t freeBytes);
double secondsForBytes(int32_t freeBytes);   // longest sound that fits in F bytes, as shown to the user

} // namespace zelmar
