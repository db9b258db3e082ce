#include "image/ImageBuilder.h"

#include "device/UsbFlash.h"
#include "i18n/Text.h"
#include "image/SampleCodec.h"
#include "model/Errors.h"
#include "model/TwoThreads.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace zelmar {

namespace {

// Appends the chime form of `signal` to `out`; returns how many elements it added.
size_t compactInto(const Signal& signal, Signal& out)
{
    const size_t first = out.size();
    int32_t pause = 0;
    for (const TDzwiek& e : signal) {
        if (e.isPause()) {
            pause += std::max<int32_t>(e.PauseLength, 0);
            if (pause >= 256)
                pause = 255;
            continue;
        }
        if (out.size() > first)
            out.back().PauseLength = pause;
        out.push_back(TDzwiek{e.SoundNumber, e.Volume, e.FragmentStart, e.FragmentEnd, 0});
        pause = 0;
    }
    if (out.size() > first)
        out.back().PauseLength = pause;
    return out.size() - first;
}

} // namespace

Signal compactSignal(const Signal& signal)
{
    Signal out;
    compactInto(signal, out);
    return out;
}

namespace {

// Names as the chime holds them; ASCII needs no table.
std::string chimeName(const std::string& utf8)
{
    if (utf8.size() <= size_t(kMaxNameBytes)
        && std::all_of(utf8.begin(), utf8.end(), [](char c) { return uint8_t(c) < 0x80; }))
        return utf8;
    return toCp1250(utf8);
}

bool holdsSound(const Signal& s)
{
    return std::any_of(s.begin(), s.end(), [](const TDzwiek& e) { return !e.isPause(); });
}

// Writes into the image at a position the builder has already checked.
class ImageWriter {
public:
    explicit ImageWriter(uint8_t* base) : base_(base) {}
    void seek(int64_t p) { pos_ = p; }
    int64_t position() const { return pos_; }
    void u8(uint32_t v) { base_[pos_++] = uint8_t(v); }
    void u16(uint32_t v) { u8(v); u8(v >> 8); }
    void u24(uint32_t v) { u8(v); u8(v >> 8); u8(v >> 16); }
    void raw(const std::string& s)
    {
        std::memcpy(base_ + pos_, s.data(), s.size());
        pos_ += int64_t(s.size());
    }
    uint8_t* here() { return base_ + pos_; }
    void advance(int64_t n) { pos_ += n; }

private:
    uint8_t* base_;
    int64_t pos_ = 0;
};

} // namespace

const Signal* chimeBackdoor(const SignalSet& set)
{
    if (set.backdoor && holdsSound(*set.backdoor))
        return &*set.backdoor;
    for (const NamedSignal& s : set.signals)
        if (holdsSound(s.elements))
            return &s.elements;
    return nullptr;
}

int countSentSignals(const SignalSet& set)
{
    return int(std::count_if(set.signals.begin(), set.signals.end(),
                             [](const NamedSignal& s) { return holdsSound(s.elements); }));
}

BuildResult buildImage(const SignalSet& set, AddressForm form, TUsbFlash& flash)
{
    // Everything is laid out and checked first; the buffer is touched only once the whole image
    // is known to fit.
    struct Table {
        size_t first;   // into `elements`
        size_t count;
    };
    Signal elements;
    size_t total = 1;
    for (const NamedSignal& s : set.signals)
        total += s.elements.size();
    elements.reserve(total + (set.backdoor ? set.backdoor->size() : 0));
    std::vector<Table> tables;
    std::vector<std::string> names;
    for (const NamedSignal& s : set.signals) {
        const size_t first = elements.size();
        if (const size_t n = compactInto(s.elements, elements)) {
            tables.push_back({first, n});
            names.push_back(chimeName(s.name));
        }
    }
    const int m = int(tables.size());
    if (m == 0)
        throw LimitError(kNoSoundInSet, "no signal holds a sound");
    if (m > kMaxSignals)
        throw LimitError(kImageUnfit, "the set has more than 128 signals with sounds");

    // The image always has m + 1 tables, the last one for the back door.
    const size_t backFirst = elements.size();
    tables.push_back({backFirst, compactInto(*chimeBackdoor(set), elements)});

    if (set.library.size() > size_t(kMaxSounds))
        throw LimitError(kImageUnfit, "the library has more than 128 sounds");
    std::vector<int64_t> soundStart;   // offset of each sound in the sample area
    std::vector<std::string> soundNames;
    int64_t samplesBytes = 0;
    for (const LibrarySound& s : set.library) {
        if (size_t(s.sound.SampleCount) != s.sound.Samples.size())
            throw std::invalid_argument("sound \"" + s.name + "\" has a sample count that does not match its samples");
        // The chime's own reader refuses a sound of no samples (its code 15).
        if (s.sound.SampleCount == 0)
            throw LimitError(kImageUnfit, "sound \"" + s.name + "\" has no samples");
        soundStart.push_back(samplesBytes);
        soundNames.push_back(chimeName(s.name));
        samplesBytes += encodedSize(int64_t(s.sound.Samples.size()));
    }

    int64_t sampleAreaStart = 16 + 2 * int64_t(m + 1);
    for (const Table& t : tables) {
        if (t.count > size_t(kMaxElements))
            throw LimitError(kImageUnfit, "a signal has more than 128 elements in the chime's form");
        sampleAreaStart += 1 + 8 * int64_t(t.count);
    }
    for (const std::string& n : names)
        sampleAreaStart += 1 + int64_t(n.size());
    sampleAreaStart += 1;
    for (const std::string& n : soundNames)
        sampleAreaStart += 4 + int64_t(n.size());
    const int64_t imageLength = sampleAreaStart + samplesBytes;
    if (imageLength > kImageSize || size_t(imageLength) > flash.Image.size())
        throw LimitError(kImageTooLarge, "the image would take " + std::to_string(imageLength)
                                             + " bytes of the chime's " + std::to_string(kImageSize));

    // Each table's pointer must fit 16 bits in this form. The table limit keeps the tables short,
    // but the back-door position may hold a longer signal than the one the limit counted.
    int64_t p = 16 + 2 * int64_t(m + 1);
    for (const Table& t : tables) {
        if (imageAddress(uint32_t(p), form) > 0xFFFF)
            throw LimitError(kImageTooLarge, "a signal table lies beyond what the chime's pointers reach");
        p += 1 + 8 * int64_t(t.count);
    }
    // Every element must name a sound and play at least one of its samples. A start of 0 counts
    // as 1 and a fragment stops at the sound's end, as everywhere.
    for (const Table& t : tables)
        for (size_t i = t.first; i < t.first + t.count; ++i) {
            const TDostepnyDzwiek* sound = set.soundAt(elements[i].SoundNumber);
            if (!sound)
                throw LimitError(kImageUnfit, "an element names sound " + std::to_string(elements[i].SoundNumber)
                                                  + ", which the library does not hold");
            if (playedRange(elements[i], *sound).count == 0)
                throw LimitError(kImageUnfit, "an element's fragment lies outside its sound");
        }

    ImageWriter w(flash.Image.data());
    w.u8(kImageMarker);
    w.u8(uint32_t(m));
    for (int i = 0; i < 14; ++i)
        w.u8(0xFF);
    p = 16 + 2 * int64_t(m + 1);
    for (const Table& t : tables) {
        w.u16(imageAddress(uint32_t(p), form));
        p += 1 + 8 * int64_t(t.count);
    }
    for (const Table& t : tables) {
        w.u8(uint32_t(t.count));
        for (size_t i = t.first; i < t.first + t.count; ++i) {
            const TDzwiek& e = elements[i];
            const PlayedRange range = playedRange(e, *set.soundAt(e.SoundNumber));
            const int64_t offset = sampleAreaStart + soundStart[size_t(e.SoundNumber - 1)] + range.first / 8 * 9;
            w.u24(imageAddress(uint32_t(offset), form));
            w.u24(uint32_t(range.count));
            w.u8(uint8_t(e.Volume));
            w.u8(uint8_t(std::clamp<int32_t>(e.PauseLength, 0, 255)));
        }
    }
    for (const std::string& n : names) {
        w.u8(uint32_t(n.size()));
        w.raw(n);
    }
    w.u8(uint32_t(set.library.size()));
    for (size_t k = 0; k < set.library.size(); ++k) {
        w.u8(uint32_t(soundNames[k].size()));
        w.raw(soundNames[k]);
        w.u24(uint32_t(set.library[k].sound.SampleCount));
    }
    // Every sound has its place already; they encode independently, on both cores when large.
    uint8_t* const sampleArea = w.here();
    forEachOnTwoThreads(
        set.library.size(), [&](size_t k) { return encodedSize(int64_t(set.library[k].sound.Samples.size())); },
        kTwoThreadBytes, [&](size_t k) {
            const TDostepnyDzwiek& sound = set.library[k].sound;
            uint8_t* out = sampleArea + soundStart[k];
            if (sound.Gain != 0)
                encodeSamplesWithGain(sound.Samples, sound.Gain / 10.0, out);
            else
                encodeSamples(sound.Samples, out);
        });
    w.advance(samplesBytes);
    flash.ImageLength = int32_t(w.position());

    return BuildResult{m, m < int(set.signals.size())};
}

} // namespace zelmar
