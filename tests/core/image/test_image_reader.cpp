#include "image/ImageReader.h"

#include "ImageTestSets.h"
#include "audio/Gain.h"
#include "device/UsbFlash.h"
#include "image/SampleCodec.h"
#include "model/Errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

using namespace zelmar;
using namespace zelmar::testsets;

namespace {

std::unique_ptr<TUsbFlash> built(const SignalSet& set, AddressForm form)
{
    auto flash = std::make_unique<TUsbFlash>();
    std::fill(flash->Image.begin(), flash->Image.end(), 0xFF);   // an erased chime underneath
    buildImage(set, form, *flash);
    return flash;
}

int codeOf(std::span<const uint8_t> image, AddressForm form = AddressForm::Linear)
{
    try {
        parseImage(image, form);
    } catch (const FormatError& e) {
        return e.code;
    }
    return 0;
}

// What a downloaded sample is: the stored sample with its gain, through the 9-bit format.
int16_t throughChime(int16_t s, uint8_t gain)
{
    if (gain != 0)
        s = ApplyGain(s, gain / 10.0);
    return decodeSample9(encodeSample9(s));
}

// Every sound element of a parsed set plays samples inside its sound.
void expectFragmentsInside(const SignalSet& set)
{
    auto check = [&](const Signal& s) {
        for (const TDzwiek& e : s) {
            if (e.isPause())
                continue;
            const TDostepnyDzwiek* sound = set.soundAt(e.SoundNumber);
            ASSERT_NE(sound, nullptr);
            ASSERT_GE(e.FragmentStart, 1);
            ASSERT_GE(e.FragmentEnd, e.FragmentStart);
            ASSERT_LE(e.FragmentEnd, sound->SampleCount);
        }
    };
    for (const NamedSignal& s : set.signals)
        check(s.elements);
    if (set.backdoor)
        check(*set.backdoor);
}

SignalSet roundTripSet()
{
    SignalSet set;
    set.library.push_back(sound("Gong ą", ramp(700), 30));   // 788 bytes: reaches past page 0
    set.library.push_back(sound("unused", ramp(5, 3001)));
    set.library.push_back(sound("bell", ramp(61, 1013)));
    set.signals.push_back({"Dzwonek", {TDzwiek::pause(40), element(1, 13, 700, 4), TDzwiek::pause(100),
                                       TDzwiek::pause(200), element(3, 1, 61), element(3, 0, 9, 15)}});
    set.signals.push_back({"second", {element(3, 57, 61), TDzwiek::pause(1)}});
    return set;
}

// An image put together record by record, for content the builder would never write.
struct Crafted {
    struct Record {
        uint32_t address;
        uint32_t count;
        uint8_t volume = 0;
        uint8_t pause = 0;
    };
    int m = 1;
    std::vector<std::vector<Record>> tables;   // m + 1 of them
    std::vector<std::string> names;
    std::vector<uint32_t> sounds;              // sample counts

    size_t sampleStart() const
    {
        size_t p = 16 + 2 * (size_t(m) + 1);
        for (const auto& t : tables)
            p += 1 + 8 * t.size();
        for (const auto& n : names)
            p += 1 + n.size();
        return p + 1 + 5 * sounds.size();   // one-letter sound names
    }

    std::vector<uint8_t> bytes() const
    {
        std::vector<uint8_t> b = {0x5A, uint8_t(m)};
        b.resize(16, 0xFF);
        b.resize(16 + 2 * (size_t(m) + 1), 0);
        for (const auto& t : tables) {
            b.push_back(uint8_t(t.size()));
            for (const Record& r : t) {
                for (uint32_t v : {r.address, r.count})
                    for (int i = 0; i < 3; ++i)
                        b.push_back(uint8_t(v >> (8 * i)));
                b.push_back(r.volume);
                b.push_back(r.pause);
            }
        }
        for (const auto& n : names) {
            b.push_back(uint8_t(n.size()));
            b.insert(b.end(), n.begin(), n.end());
        }
        b.push_back(uint8_t(sounds.size()));
        for (uint32_t n : sounds)
            b.insert(b.end(), {1, 'k', uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16)});
        b.resize(size_t(kImageSize), 0xFF);   // erased flash after the tables; samples decode anyway
        return b;
    }
};

// One signal and the back-door table, each with one element, over one sound of 10 samples.
Crafted simple()
{
    Crafted c;
    c.names = {"A"};
    c.sounds = {10};
    const uint32_t start = uint32_t(16 + 4 + 9 + 9 + 2 + 1 + 5);
    c.tables = {{{start, 10, 0, 0}}, {{start, 10, 0, 0}}};
    EXPECT_EQ(c.sampleStart(), start);
    return c;
}

} // namespace

TEST(ImageReader, RoundTripInBothForms)
{
    for (AddressForm form : {AddressForm::Page, AddressForm::Linear}) {
        SCOPED_TRACE(form == AddressForm::Page ? "page" : "linear");
        const SignalSet set = roundTripSet();
        const auto flash = built(set, form);
        const SignalSet got = parseImage(flash->Image, form);

        ASSERT_EQ(got.signals.size(), 2u);
        EXPECT_EQ(got.signals[0].name, "Dzwonek");
        EXPECT_EQ(got.signals[1].name, "second");
        // Leading pause gone, the start moved back to its block, pauses merged and capped.
        const Signal first = {element(1, 9, 696, 4), TDzwiek::pause(255), element(3, 1, 61),
                              element(3, 1, 9, 15)};
        EXPECT_EQ(got.signals[0].elements, first);
        EXPECT_EQ(got.signals[1].elements, (Signal{element(3, 57, 61), TDzwiek::pause(1)}));
        ASSERT_TRUE(got.backdoor);
        EXPECT_EQ(*got.backdoor, first) << "a copy of the first signal when the set had none";

        ASSERT_EQ(got.library.size(), 3u);
        for (size_t k = 0; k < 3; ++k) {
            const TDostepnyDzwiek& want = set.library[k].sound;
            const TDostepnyDzwiek& have = got.library[k].sound;
            EXPECT_EQ(got.library[k].name, set.library[k].name);
            ASSERT_EQ(have.SampleCount, want.SampleCount);
            EXPECT_EQ(have.Gain, 0);
            for (int32_t i = 0; i < want.SampleCount; ++i)
                ASSERT_EQ(have.Samples[size_t(i)], throughChime(want.Samples[size_t(i)], want.Gain)) << k << " " << i;
        }
        EXPECT_EQ(got.library[0].sound.UsageMark, 0);
        EXPECT_EQ(got.library[1].sound.UsageMark, -1) << "no table uses sound 2";
        EXPECT_EQ(got.library[2].sound.UsageMark, 2);
    }
}

TEST(ImageReader, NameBytesTheCodePageLeavesUndefinedComeBack)
{
    SignalSet set = roundTripSet();
    set.signals[1].name = "\u0081\u0083\u0088\u0090\u0098";
    const auto flash = built(set, AddressForm::Linear);
    const std::vector<uint8_t> raw = {5, 0x81, 0x83, 0x88, 0x90, 0x98};
    EXPECT_NE(std::search(flash->Image.begin(), flash->Image.begin() + flash->ImageLength, raw.begin(), raw.end()),
              flash->Image.begin() + flash->ImageLength);
    EXPECT_EQ(parseImage(flash->Image, AddressForm::Linear).signals[1].name, set.signals[1].name);
}

TEST(ImageReader, BackDoorSignalAndCraftedContent)
{
    SignalSet set = roundTripSet();
    set.backdoor = Signal{element(2, 1, 5, 2)};
    auto flash = built(set, AddressForm::Page);
    SignalSet got = parseImage(flash->Image, AddressForm::Page);
    EXPECT_EQ(*got.backdoor, (Signal{element(2, 1, 5, 2)}));
    EXPECT_EQ(got.library[1].sound.UsageMark, 1);

    // A table of 0 elements is an empty signal; pause byte 0 adds no pause element; the volume is
    // the low four bits.
    Crafted c = simple();
    c.tables[0][0].volume = 0xF3;
    c.tables[1].clear();
    c.tables[0][0].address = uint32_t(c.sampleStart());
    got = parseImage(c.bytes(), AddressForm::Linear);
    EXPECT_EQ(got.signals[0].elements, (Signal{element(1, 1, 10, 3)}));
    ASSERT_TRUE(got.backdoor);
    EXPECT_TRUE(got.backdoor->empty());

    // A page-form address 1024 is image offset 528.
    c = simple();
    c.sounds = {1000};
    c.tables[0][0] = {1024, 5, 0, 0};
    c.tables[1][0] = {1024, 5, 0, 0};
    const SignalSet page = parseImage(c.bytes(), AddressForm::Page);
    c.tables[0][0].address = c.tables[1][0].address = 528;
    const SignalSet linear = parseImage(c.bytes(), AddressForm::Linear);
    EXPECT_EQ(page.signals[0].elements, linear.signals[0].elements);
    EXPECT_EQ(page.signals[0].elements[0].FragmentStart, int32_t((528 - c.sampleStart()) * 8 / 9 + 1));
}

TEST(ImageReader, FormatCodes)
{
    std::vector<uint8_t> erased(size_t(kImageSize), 0xFF);
    EXPECT_EQ(codeOf(erased), kImageMarkerCode);

    const Crafted base = simple();
    const size_t start = base.sampleStart();
    ASSERT_EQ(codeOf(base.bytes()), 0);
    auto patched = [&](auto change) {
        Crafted c = base;
        change(c);
        return codeOf(c.bytes());
    };
    auto poked = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> b = base.bytes();
        b[at] = value;
        return codeOf(b);
    };
    EXPECT_EQ(poked(0, 0x5B), 11);
    EXPECT_EQ(poked(1, 129), 12);
    EXPECT_EQ(poked(9, 0xFE), 13);
    EXPECT_EQ(poked(20, 129), 14);
    EXPECT_EQ(patched([](Crafted& c) { c.sounds = {0}; }), 15);
    EXPECT_EQ(patched([](Crafted& c) { c.sounds = {0xFFFFFF}; }), 16);
    EXPECT_EQ(patched([&](Crafted& c) { c.tables[1][0].address = uint32_t(start - 1); }), 17);
    EXPECT_EQ(patched([&](Crafted& c) { c.tables[1][0].address = uint32_t(start + 12); }), 18);
    EXPECT_EQ(patched([&](Crafted& c) { c.sounds.clear(); }), 19);
    EXPECT_EQ(patched([](Crafted& c) { c.tables[0][0].count = 13; }), 20);
    // Our own codes.
    EXPECT_EQ(poked(1, 0), kImageNoSignal);
    EXPECT_EQ(poked(40, 129), kImageSoundCount);
    EXPECT_EQ(patched([](Crafted& c) { c.tables[0][0].count = 11; }), kImageFragmentSamples)
        << "12 bytes of data hold only 10 samples";
    EXPECT_EQ(patched([](Crafted& c) { c.tables[0][0].count = 0; }), kImageFragmentSamples);
    const std::vector<uint8_t> whole = base.bytes();
    EXPECT_EQ(codeOf(std::span(whole).first(30)), kImageTruncated);
    EXPECT_EQ(patched([&](Crafted& c) {
                  c.sounds = {8};
                  c.tables[0].assign(128, Crafted::Record{0, 1, 0, 1});
                  for (auto& r : c.tables[0])
                      r.address = uint32_t(c.sampleStart());
                  c.tables[1][0].address = uint32_t(c.sampleStart());
              }),
              kImageSignalTooLong);
    // Just inside: a fragment that ends on the sound's last sample.
    EXPECT_EQ(patched([&](Crafted& c) { c.tables[0][0] = {uint32_t(start + 9), 2, 0, 0}; }), 0);
}

TEST(ImageReader, CorruptedImagesFailCleanly)
{
    // Many seeds of a few damaged bytes each, mostly in the tables and the directory, over an
    // image cut short after its samples so that the end of the buffer is reached often too.
    const SignalSet set = roundTripSet();
    const auto flash = built(set, AddressForm::Page);
    const size_t length = size_t(flash->ImageLength);
    const size_t areaStart = size_t(set.tableSize());
    int parsed = 0;
    for (unsigned seed = 1; seed <= 4000; ++seed) {
        std::mt19937 rng(seed);
        const size_t size = length + rng() % 64;
        std::vector<uint8_t> img(flash->Image.begin(), flash->Image.begin() + long(size));
        const int hits = 1 + int(rng() % 6);
        for (int h = 0; h < hits; ++h) {
            const size_t at = rng() % 4 ? rng() % (areaStart + 16) : rng() % size;
            img[at] = uint8_t(rng() % 3 ? rng() : (rng() % 2 ? 0xFF : 0));
        }
        const AddressForm form = seed % 2 ? AddressForm::Page : AddressForm::Linear;
        try {
            const SignalSet got = parseImage(img, form);
            ++parsed;
            expectFragmentsInside(got);
            ASSERT_TRUE(got.backdoor);
        } catch (const FormatError&) {
        }
    }
    EXPECT_GT(parsed, 0) << "some damage (in samples, volumes, pauses) still reads";
}

TEST(ImageReader, RandomContentBehindAValidHeader)
{
    std::mt19937 rng(42);
    for (int round = 0; round < 1500; ++round) {
        std::vector<uint8_t> img(64 + rng() % 2048);
        for (auto& b : img)
            b = uint8_t(rng());
        img[0] = 0x5A;
        img[1] = uint8_t(1 + rng() % 4);
        std::fill(img.begin() + 2, img.begin() + 16, 0xFF);
        // Short tables make it past the first checks more often.
        for (size_t t = 16 + 2 * (img[1] + 1u), i = 0; i <= img[1] && t < img.size(); ++i, t += 1 + 8 * img[t])
            img[t] %= 4;
        try {
            expectFragmentsInside(parseImage(img, round % 2 ? AddressForm::Page : AddressForm::Linear));
        } catch (const FormatError&) {
        }
    }
}

TEST(ImageReader, LargeImagesBuildAndReadTheSameOnTwoThreads)
{
    // Sounds of uneven sizes well past the size that splits the work, with gain on some: every
    // sample must land where one thread would have put it, and come back from there.
    SignalSet set;
    const size_t sizes[] = {300000, 7, 123457, 250000, 1, 64000};
    for (size_t k = 0; k < std::size(sizes); ++k)
        set.library.push_back(sound("s" + std::to_string(k), ramp(sizes[k], 31 + int(k)), k % 2 ? 45 : 0));
    set.signals.push_back({"all", {}});
    for (size_t k = 0; k < std::size(sizes); ++k)
        set.signals[0].elements.push_back(element(int32_t(k + 1), 1, int32_t(sizes[k])));
    const auto flash = built(set, AddressForm::Linear);

    size_t at = size_t(set.tableSize());
    for (const LibrarySound& s : set.library) {
        std::vector<int16_t> gained = s.sound.Samples;
        for (int16_t& v : gained)
            v = s.sound.Gain ? ApplyGain(v, s.sound.Gain / 10.0) : v;
        std::vector<uint8_t> alone(size_t(encodedSize(int64_t(gained.size()))));
        encodeSamples(gained, alone.data());
        ASSERT_TRUE(std::equal(alone.begin(), alone.end(), flash->Image.begin() + long(at))) << s.name;
        at += alone.size();
    }
    EXPECT_EQ(size_t(flash->ImageLength), at);

    const SignalSet got = parseImage(flash->Image, AddressForm::Linear);
    ASSERT_EQ(got.library.size(), set.library.size());
    for (size_t k = 0; k < set.library.size(); ++k) {
        const TDostepnyDzwiek& want = set.library[k].sound;
        const TDostepnyDzwiek& have = got.library[k].sound;
        ASSERT_EQ(have.SampleCount, want.SampleCount);
        for (int32_t i = 0; i < want.SampleCount; ++i)
            ASSERT_EQ(have.Samples[size_t(i)], throughChime(want.Samples[size_t(i)], want.Gain)) << k << " " << i;
    }
}
