#include "image/ImageBuilder.h"

#include "device/UsbFlash.h"
#include "image/SampleCodec.h"
#include "model/Errors.h"
#include "model/Text.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace zelmar {

Signal compactSignal(const Signal& signal)
{
    Signal out;
    int32_t pause = 0;
    for (const TDzwiek& e : signal) {
        if (e.isPause()) {
            pause += std::max<int32_t>(e.PauseLength, 0);
            if (pause >= 256)
                pause = 255;
            continue;
        }
        if (!out.empty())
            out.back().PauseLength = pause;
        out.push_back(TDzwiek{e.SoundNumber, e.Volume, e.FragmentStart, e.FragmentEnd, 0});
        pause = 0;
    }
    if (!out.empty())
        out.back().PauseLength = pause;
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

int countSentSignals(const SignalSet& set)
{
    return int(std::count_if(set.signals.begin(), set.signals.end(),
                             [](const NamedSignal& s) { return holdsSound(s.elements); }));
}

BuildResult buildImage(const SignalSet& set, AddressForm form, TUsbFlash& flash)
{
    // Everything is laid out and checked first; the buffer is touched only once the whole image
    // is known to fit.
    std::vector<Signal> tables;
    std::vector<std::string> names;
    for (const NamedSignal& s : set.signals) {
        Signal c = compactSignal(s.elements);
        if (c.empty())
            continue;
        tables.push_back(std::move(c));
        names.push_back(chimeName(s.name));
    }
    const int m = int(tables.size());
    if (m == 0)
        throw LimitError(kNoSoundInSet, "no signal holds a sound");
    if (m > kMaxSignals)
        throw LimitError(kImageUnfit, "the set has more than 128 signals with sounds");

    // The back-door table: the back-door signal, else the first signal; when that holds no sound
    // either, the first sent signal, so that the image always has m + 1 tables.
    Signal back;
    if (set.backdoor)
        back = compactSignal(*set.backdoor);
    if (back.empty() && !set.signals.empty())
        back = compactSignal(set.signals.front().elements);
    if (back.empty())
        back = tables.front();
    tables.push_back(std::move(back));

    if (set.library.size() > size_t(kMaxSounds))
        throw LimitError(kImageUnfit, "the library has more than 128 sounds");
    std::vector<int64_t> soundStart;   // offset of each sound in the sample area
    std::vector<std::string> soundNames;
    int64_t samplesBytes = 0;
    for (const LibrarySound& s : set.library) {
        if (size_t(s.sound.SampleCount) != s.sound.Samples.size())
            throw std::invalid_argument("sound \"" + s.name + "\" has a sample count that does not match its samples");
        soundStart.push_back(samplesBytes);
        soundNames.push_back(chimeName(s.name));
        samplesBytes += encodedSize(int64_t(s.sound.Samples.size()));
    }

    int64_t sampleAreaStart = 16 + 2 * int64_t(m + 1);
    for (const Signal& t : tables) {
        if (t.size() > size_t(kMaxElements))
            throw LimitError(kImageUnfit, "a signal has more than 128 elements in the chime's form");
        sampleAreaStart += 1 + 8 * int64_t(t.size());
    }
    for (const std::string& n : names)
        sampleAreaStart += 1 + int64_t(n.size());
    sampleAreaStart += 1;
    for (const std::string& n : soundNames)
        sampleAreaStart += 4 + int64_t(n.size());
    const int64_t imageLength = sampleAreaStart + samplesBytes;
    if (imageLength > kImageSize)
        throw LimitError(kImageTooLarge, "the image would take " + std::to_string(imageLength)
                                             + " bytes of the chime's " + std::to_string(kImageSize));

    // Each table's pointer must fit 16 bits in this form. The table limit keeps the tables short,
    // but the back-door position may hold a longer signal than the one the limit counted.
    struct Record {
        uint32_t address;
        uint32_t count;
        uint8_t volume;
        uint8_t pause;
    };
    std::vector<uint32_t> pointers;
    std::vector<std::vector<Record>> records;
    int64_t p = 16 + 2 * int64_t(m + 1);
    for (const Signal& t : tables) {
        const uint32_t pointer = imageAddress(uint32_t(p), form);
        if (pointer > 0xFFFF)
            throw LimitError(kImageTooLarge, "a signal table lies beyond what the chime's pointers reach");
        pointers.push_back(pointer);
        std::vector<Record>& rec = records.emplace_back();
        for (const TDzwiek& e : t) {
            const TDostepnyDzwiek* sound = set.soundAt(e.SoundNumber);
            if (!sound)
                throw LimitError(kImageUnfit, "an element names sound " + std::to_string(e.SoundNumber)
                                                  + ", which the library does not hold");
            // A start of 0 counts as 1 and the fragment stops at the sound's end, as everywhere.
            const PlayedRange range = playedRange(e, *sound);
            if (range.count == 0)
                throw LimitError(kImageUnfit, "an element's fragment lies outside its sound");
            const int64_t offset = sampleAreaStart + soundStart[size_t(e.SoundNumber - 1)] + range.first / 8 * 9;
            rec.push_back({imageAddress(uint32_t(offset), form), uint32_t(range.count), uint8_t(e.Volume),
                           uint8_t(std::clamp<int32_t>(e.PauseLength, 0, 255))});
        }
        p += 1 + 8 * int64_t(t.size());
    }

    ImageWriter w(flash.Image.data());
    w.u8(kImageMarker);
    w.u8(uint32_t(m));
    for (int i = 0; i < 14; ++i)
        w.u8(0xFF);
    for (uint32_t pointer : pointers)
        w.u16(pointer);
    for (const std::vector<Record>& rec : records) {
        w.u8(uint32_t(rec.size()));
        for (const Record& r : rec) {
            w.u24(r.address);
            w.u24(r.count);
            w.u8(r.volume);
            w.u8(r.pause);
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
    for (const LibrarySound& s : set.library) {
        const std::span<const int16_t> samples(s.sound.Samples);
        if (s.sound.Gain != 0)
            encodeSamplesWithGain(samples, s.sound.Gain / 10.0, w.here());
        else
            encodeSamples(samples, w.here());
        w.advance(encodedSize(int64_t(samples.size())));
    }
    flash.ImageLength = int32_t(w.position());

    return BuildResult{m, m < int(set.signals.size())};
}

} // namespace zelmar
