#include "model/SignalSet.h"

#include "i18n/Text.h"

#include <algorithm>
#include <cmath>

namespace zelmar {

void TDostepnyDzwiek::SetSamples(std::vector<int16_t> samples)
{
    Samples = std::move(samples);
    SampleCount = int32_t(Samples.size());
    StoredSize = storedSizeFor(SampleCount);
}

PlayedRange playedRange(const TDzwiek& element, const TDostepnyDzwiek& sound)
{
    int64_t start = std::max<int64_t>(element.FragmentStart, 1);
    int64_t end = std::min<int64_t>(element.FragmentEnd, sound.SampleCount);
    if (end < start)
        return {};
    return {int32_t(start - 1), int32_t(end - start + 1)};
}

void SignalSet::clear()
{
    signals.clear();
    library.clear();
    backdoor.reset();
}

const TDostepnyDzwiek* SignalSet::soundAt(int32_t number) const
{
    if (number < 1 || number > int32_t(library.size()))
        return nullptr;
    return &library[size_t(number - 1)].sound;
}

int nameBytes(const std::string& utf8Name)
{
    return int(toCp1250(utf8Name).size());
}

namespace {
int32_t tableBytes(const Signal& s)
{
    int32_t sounds = 0;
    for (const TDzwiek& e : s)
        if (!e.isPause())
            ++sounds;
    return sounds == 0 ? 0 : 8 * sounds + 3;
}
} // namespace

int32_t SignalSet::tableSize() const
{
    int32_t t = 16;
    for (const NamedSignal& s : signals)
        t += tableBytes(s.elements) + nameBytes(s.name) + 1;
    if (backdoor)
        t += tableBytes(*backdoor);
    else if (!signals.empty())
        t += tableBytes(signals.front().elements);
    t += 1;
    for (const LibrarySound& s : library)
        t += nameBytes(s.name) + 4;
    return t;
}

int32_t SignalSet::freeBytes() const
{
    int64_t f = int64_t(kChimeMemory) - tableSize();
    for (const LibrarySound& s : library)
        f -= s.sound.StoredSize;
    return int32_t(f);
}

int64_t SignalSet::playingSamples(const Signal& s) const
{
    int64_t n = 0;
    for (const TDzwiek& e : s) {
        if (e.isPause())
            n += std::lround(e.PauseLength / 100.0 * kSampleRate);
        else if (const TDostepnyDzwiek* sound = soundAt(e.SoundNumber))
            n += playedRange(e, *sound).count;   // a start of 0 or an end past the sound as it plays
        else
            n += std::max<int64_t>(0, int64_t(e.FragmentEnd) - e.FragmentStart + 1);
    }
    return n;
}

double secondsForBytes(int32_t freeBytes)
{
    return double(freeBytes) / 9.0 * 8.0 / kSampleRate - 0.01;
}

int64_t roundedShare(int64_t part, int64_t whole, int64_t scale)
{
    const int64_t n = part * scale;
    int64_t q = n / whole;
    int64_t r = n % whole;
    // Floor division, so that the remainder is never negative.
    if (r < 0) {
        r += whole;
        --q;
    }
    if (2 * r > whole || (2 * r == whole && q % 2 != 0))
        ++q;
    return q;
}

MemoryDisplay memoryDisplay(int32_t freeBytes)
{
    MemoryDisplay d;
    d.remainingSeconds = secondsForBytes(freeBytes);
    // An over-full set (a long sound from a file, elements added after the library filled the
    // memory) shows a full gauge: a progress bar ignores a value past its maximum and would keep
    // showing the old one.
    const int64_t used = roundedShare(kChimeMemory - int64_t(freeBytes), kChimeMemory, 100);
    d.gaugePercent = int(std::clamp<int64_t>(used, 0, 100));
    return d;
}

bool sameWork(const SignalSet& a, const SignalSet& b)
{
    auto sameSignal = [](const NamedSignal& x, const NamedSignal& y) { return x.name == y.name && x.elements == y.elements; };
    auto sameSound = [](const LibrarySound& x, const LibrarySound& y) {
        return x.name == y.name && x.sound.Gain == y.sound.Gain && x.sound.Samples == y.sound.Samples;
    };
    return a.backdoor == b.backdoor && std::equal(a.signals.begin(), a.signals.end(), b.signals.begin(), b.signals.end(), sameSignal)
           && std::equal(a.library.begin(), a.library.end(), b.library.begin(), b.library.end(), sameSound);
}

} // namespace zelmar
