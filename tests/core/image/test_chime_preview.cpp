// Previews as the chime plays them: each is the preview of the set that building the whole image and
// reading it back gives, though only the sounds it uses are built.
#include "ImageTestSets.h"

#include "audio/WavFile.h"
#include "device/UsbFlash.h"
#include "image/ChimePreview.h"
#include "image/ImageReader.h"
#include "image/SampleCodec.h"
#include "model/Errors.h"
#include "model/FileIO.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <unistd.h>

using namespace zelmar;
using namespace zelmar::testsets;

namespace {

// Gains, fragments off the chime's blocks, volumes, pauses that merge and pass 2.55 s, pauses
// before the first sound, a signal of pauses only, and a back-door signal.
SignalSet variedSet()
{
    SignalSet set;
    set.library.push_back(sound("a", ramp(3001, 311), 60));
    set.library.push_back(sound("b", ramp(77, 4099)));
    set.library.push_back(sound("c", ramp(1500, 1201), 35));
    set.library.push_back(sound("unused", ramp(900)));
    set.signals.push_back({"one", {TDzwiek::pause(40), element(1, 5, 2990, 8), TDzwiek::pause(200), TDzwiek::pause(90),
                                   element(2, 1, 77), element(3, 700, 700, 15)}});
    set.signals.push_back({"quiet", {TDzwiek::pause(20)}});
    set.signals.push_back({"two", {element(3, 13, 1499), TDzwiek::pause(7), element(1, 1, 8)}});
    set.backdoor = Signal{TDzwiek::pause(3), element(2, 10, 60, 4)};
    return set;
}

SignalSet throughWholeImage(const SignalSet& set)
{
    auto flash = std::make_unique<TUsbFlash>();
    buildImage(set, AddressForm::Page, *flash);
    return parseImage(std::span<const uint8_t>(flash->Image.data(), size_t(flash->ImageLength)), AddressForm::Page);
}

std::vector<int16_t> chime(const SignalSet& set, const PreviewSubject& what)
{
    return previewSamples(set, what, true);
}

std::vector<int16_t> plain(const SignalSet& set, const PreviewSubject& what)
{
    return previewSamples(set, what, false);
}

} // namespace

TEST(ChimePreview, EveryPreviewIsThatOfTheSetThroughItsWholeImage)
{
    const SignalSet set = variedSet();
    const SignalSet back = throughWholeImage(set);
    ASSERT_EQ(back.signals.size(), 2u);

    size_t sent = 0;
    for (const NamedSignal& s : set.signals) {
        SCOPED_TRACE(s.name);
        const std::vector<int16_t> heard = chime(set, PreviewSubject::of(s.elements));
        if (s.name == "quiet") {
            EXPECT_TRUE(heard.empty()) << "the chime does not keep a signal without sounds";
            continue;
        }
        const Signal& kept = back.signals[sent++].elements;
        EXPECT_EQ(heard, plain(back, PreviewSubject::of(kept)));
        EXPECT_NE(heard, plain(set, PreviewSubject::of(s.elements))) << "the chime's copy is not the set's";
        // Each sound element alone, paired in order with the chime's.
        size_t k = 0;
        for (const TDzwiek& e : s.elements) {
            if (e.isPause()) {
                EXPECT_EQ(chime(set, PreviewSubject::of(e)), plain(set, PreviewSubject::of(e)));
                continue;
            }
            while (kept[k].isPause())
                ++k;
            EXPECT_EQ(chime(set, PreviewSubject::of(e)), plain(back, PreviewSubject::of(kept[k++])));
        }
    }
    EXPECT_EQ(chime(set, PreviewSubject::of(*set.backdoor)), plain(back, PreviewSubject::of(*back.backdoor)));
    for (size_t k = 0; k < set.library.size(); ++k) {
        const std::vector<int16_t> kept = plain(back, PreviewSubject::of(back.library[k].sound, true));
        EXPECT_EQ(chime(set, PreviewSubject::of(set.library[k].sound, true)), kept) << k;
        // The chime keeps a sound with its gain: there is no other way to hear it there.
        EXPECT_EQ(chime(set, PreviewSubject::of(set.library[k].sound, false)), kept) << k;
    }
}

TEST(ChimePreview, AFragmentStartsOnTheChimesBlockInItsCode)
{
    SignalSet set;
    set.library.push_back(sound("s", ramp(40, 2713)));
    // Samples 6 to 17: the chime starts at the block of sample 6, and plays 12 samples from there.
    const std::vector<int16_t> heard = chime(set, PreviewSubject::of(element(1, 6, 17)));
    std::vector<int16_t> expected;
    for (size_t i = 0; i < 12; ++i)
        expected.push_back(decodeSample9(encodeSample9(set.library[0].sound.Samples[i])));
    EXPECT_EQ(heard, expected);
}

TEST(ChimePreview, WhatTheChimeCannotHoldOrDoesNotKeep)
{
    SignalSet set;
    set.library.push_back(sound("empty", {}));
    set.library.push_back(sound("long", std::vector<int16_t>(1900000, 5)));
    EXPECT_TRUE(chime(set, PreviewSubject::of(set.library[0].sound, true)).empty());
    EXPECT_EQ(renderPreview(set, PreviewSubject::of(Signal{TDzwiek::pause(9)}), true), "") << "no file to play";
    try {
        chime(set, PreviewSubject::of(set.library[1].sound, true));
        ADD_FAILURE() << "a sound past the chime's memory";
    } catch (const LimitError& e) {
        EXPECT_EQ(e.resourceId, kImageTooLarge);
    }
    EXPECT_THROW(chime(set, PreviewSubject::of(element(3, 1, 1))), LimitError) << "a sound the library lacks";
}

TEST(ChimePreview, TheWizardsFileHoldsTheSamples)
{
    const SignalSet set = variedSet();
    const PreviewSubject what = PreviewSubject::of(set.signals[2].elements);
    const std::string file = renderPreview(set, what, true);
    ASSERT_FALSE(file.empty());
    const std::vector<uint8_t> bytes = readWholeFile(file);
    ::unlink(file.c_str());
    const std::vector<int16_t> samples = chime(set, what);
    ASSERT_EQ(bytes.size(), size_t(kWavHeaderSize) + 2 * samples.size());
    EXPECT_EQ(std::memcmp(bytes.data() + kWavHeaderSize, samples.data(), 2 * samples.size()), 0);
}
