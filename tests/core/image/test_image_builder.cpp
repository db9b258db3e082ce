#include "image/ImageBuilder.h"

#include "ImageTestSets.h"
#include "device/UsbFlash.h"
#include "image/SampleCodec.h"
#include "model/Errors.h"

#include <gtest/gtest.h>

#include <memory>

using namespace zelmar;
using namespace zelmar::testsets;

namespace {

std::vector<uint8_t> head(const TUsbFlash& f, size_t n)
{
    return std::vector<uint8_t>(f.Image.begin(), f.Image.begin() + long(n));
}

uint32_t u24At(const TUsbFlash& f, size_t at)
{
    return f.Image[at] | f.Image[at + 1] << 8 | f.Image[at + 2] << 16;
}

} // namespace

TEST(ImageBuilder, WorkedExampleBytes)
{
    const SignalSet set = workedExample();
    auto flash = std::make_unique<TUsbFlash>();
    std::fill(flash->Image.begin(), flash->Image.end(), 0xAB);
    const BuildResult r = buildImage(set, AddressForm::Page, *flash);
    EXPECT_EQ(r.sentSignals, 1);
    EXPECT_FALSE(r.someSignalsSkipped);

    const std::vector<uint8_t> expected = {
        0x5A,                                                 // 0: marker
        0x01,                                                 // 1: one sent signal
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,             // 2..15: filler
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
        0x14, 0x00,                                           // 16: pointer to table 1 at 20
        0x1D, 0x00,                                           // 18: pointer to the back-door table at 29
        0x01,                                                 // 20: table 1, one element (leading pause gone)
        0x2E, 0x00, 0x00,                                     // 21: fragment at the sample area start, 46
        0x0A, 0x00, 0x00,                                     // 24: 10 samples
        0x00,                                                 // 27: full volume
        0xFF,                                                 // 28: 1.00 + 2.00 s capped at 2.55 s
        0x01, 0x2E, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0xFF, // 29: back-door table, a copy of table 1
        0x01, 'A',                                            // 38: name of the sent signal
        0x01,                                                 // 40: one sound
        0x01, 's', 0x0A, 0x00, 0x00,                          // 41: its name and 10 samples
        0xA4,                                                 // 46: signs: samples 2, 5, 7 negative
        0x00,                                                 //   64 -> 0.5 -> 0
        0x02,                                                 //   192 -> 1.5 -> 2
        0xFF,                                                 //   -128 -> -1
        0x00,                                                 //   0
        0xFF,                                                 //   32767 -> 255 (limited)
        0x00,                                                 //   -32768 -> -256
        0x01,                                                 //   128 -> 1
        0xFF,                                                 //   -129 -> -1
        0x02,                                                 // 55: second block: sample 1 negative
        0x08,                                                 //   1000 -> 8
        0xF8,                                                 //   -1000 -> -8
    };
    ASSERT_EQ(flash->ImageLength, int32_t(expected.size()));
    EXPECT_EQ(head(*flash, expected.size()), expected);
    EXPECT_EQ(flash->Image[expected.size()], 0xAB) << "bytes after the image keep what they held";
    EXPECT_EQ(set.tableSize(), 46);
}

TEST(ImageBuilder, Compaction)
{
    const Signal s = {TDzwiek::pause(30), element(1, 1, 5, 3), TDzwiek::pause(100), TDzwiek::pause(50),
                      element(2, 2, 4), element(1, 1, 1), TDzwiek::pause(200), TDzwiek::pause(100)};
    const Signal c = compactSignal(s);
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0], (TDzwiek{1, 3, 1, 5, 150}));
    EXPECT_EQ(c[1], (TDzwiek{2, 0, 2, 4, 0}));
    EXPECT_EQ(c[2], (TDzwiek{1, 0, 1, 1, 255}));
    EXPECT_TRUE(compactSignal({TDzwiek::pause(10), TDzwiek::pause(20)}).empty());
    EXPECT_TRUE(compactSignal({}).empty());
}

TEST(ImageBuilder, FragmentAddressesAndLengths)
{
    SignalSet set;
    set.library.push_back(sound("a", ramp(20)));
    set.signals.push_back({"x", {element(1, 8, 20), element(1, 9, 12), element(1, 0, 3), element(1, 17, 99)}});
    auto flash = std::make_unique<TUsbFlash>();
    buildImage(set, AddressForm::Linear, *flash);
    const uint32_t areaStart = uint32_t(set.tableSize());
    const size_t rec = 16 + 2 * 2 + 1;
    EXPECT_EQ(u24At(*flash, rec), areaStart);             // start 8: first block
    EXPECT_EQ(u24At(*flash, rec + 3), 13u);
    EXPECT_EQ(u24At(*flash, rec + 8), areaStart + 9);     // start 9: second block
    EXPECT_EQ(u24At(*flash, rec + 11), 4u);
    // A start of 0 plays from the first sample: 3 samples, not FragmentEnd + 1.
    EXPECT_EQ(u24At(*flash, rec + 16), areaStart);
    EXPECT_EQ(u24At(*flash, rec + 19), 3u);
    // An end past the sound stops at its last sample.
    EXPECT_EQ(u24At(*flash, rec + 24), areaStart + 18);
    EXPECT_EQ(u24At(*flash, rec + 27), 4u);
}

TEST(ImageBuilder, PageFormAddresses)
{
    EXPECT_EQ(imageAddress(528, AddressForm::Page), 1024u);
    EXPECT_EQ(imageAddress(33527, AddressForm::Page), 63u * 1024 + 263);
    EXPECT_EQ(imageAddress(527, AddressForm::Page), 527u);
    EXPECT_EQ(imageAddress(33527, AddressForm::Linear), 33527u);
    EXPECT_EQ(imageOffset(1024, AddressForm::Page), 528u);
    for (uint32_t o : {0u, 527u, 528u, 1055u, 33527u, 2097151u})
        EXPECT_EQ(imageOffset(imageAddress(o, AddressForm::Page), AddressForm::Page), o);

    // A second sound beyond the first page is addressed in page form in the element record.
    SignalSet set;
    set.library.push_back(sound("a", ramp(600)));
    set.library.push_back(sound("b", ramp(16)));
    set.signals.push_back({"x", {element(2, 1, 16)}});
    auto flash = std::make_unique<TUsbFlash>();
    buildImage(set, AddressForm::Page, *flash);
    const uint32_t offset = uint32_t(set.tableSize()) + 675;   // 600 samples take 675 bytes
    EXPECT_EQ(u24At(*flash, 16 + 4 + 1), (offset / 528) * 1024 + offset % 528);
}

TEST(ImageBuilder, BackDoorTable)
{
    auto flash = std::make_unique<TUsbFlash>();
    SignalSet set;
    set.library.push_back(sound("a", ramp(16)));
    set.signals.push_back({"quiet", {TDzwiek::pause(50)}});
    set.signals.push_back({"B", {element(1, 1, 16, 5)}});
    set.signals.push_back({"C", {element(1, 9, 16)}});

    // No back-door signal and a first signal without sound: the first sent signal fills the place.
    BuildResult r = buildImage(set, AddressForm::Page, *flash);
    EXPECT_EQ(r.sentSignals, 2);
    EXPECT_TRUE(r.someSignalsSkipped);
    EXPECT_EQ(flash->Image[1], 2);
    const size_t third = 16 + 6 + 2 * 9;
    EXPECT_EQ(flash->Image[16 + 4], uint8_t(third));
    EXPECT_EQ(flash->Image[third], 1);
    EXPECT_EQ(flash->Image[third + 7], 5) << "the back-door table copies signal B";
    // Only the sent signals' names: "B", then "C".
    EXPECT_EQ(flash->Image[third + 9], 1);
    EXPECT_EQ(flash->Image[third + 10], 'B');
    EXPECT_EQ(flash->Image[third + 12], 'C');

    // A back-door signal of pauses only counts as none.
    set.backdoor = Signal{TDzwiek::pause(20)};
    buildImage(set, AddressForm::Page, *flash);
    EXPECT_EQ(flash->Image[third + 7], 5);

    set.backdoor = Signal{TDzwiek::pause(20), element(1, 1, 8, 9), TDzwiek::pause(7)};
    buildImage(set, AddressForm::Page, *flash);
    EXPECT_EQ(flash->Image[third + 7], 9);
    EXPECT_EQ(flash->Image[third + 8], 7);
}

TEST(ImageBuilder, RefusalsLeaveTheBufferUntouched)
{
    auto flash = std::make_unique<TUsbFlash>();
    std::fill(flash->Image.begin(), flash->Image.end(), 0x77);
    flash->ImageLength = 123;
    auto untouched = [&] {
        return flash->ImageLength == 123
               && std::all_of(flash->Image.begin(), flash->Image.end(), [](uint8_t b) { return b == 0x77; });
    };
    auto refusal = [&](const SignalSet& set, AddressForm form) {
        try {
            buildImage(set, form, *flash);
        } catch (const LimitError& e) {
            return e.resourceId;
        }
        return 0;
    };

    SignalSet none;
    none.library.push_back(sound("a", ramp(8)));
    none.signals.push_back({"p", {TDzwiek::pause(10)}});
    none.backdoor = Signal{element(1, 1, 8)};   // the back door alone does not count
    EXPECT_EQ(refusal(none, AddressForm::Page), kNoSoundInSet);
    EXPECT_EQ(refusal(SignalSet{}, AddressForm::Page), kNoSoundInSet);

    // Sounds that fit the free bytes, then elements added: the image passes 2 MiB by 8 bytes.
    SignalSet big;
    big.library.push_back(sound("a", std::vector<int16_t>(size_t((kImageSize - 50) / 9 * 8))));
    big.signals.push_back({"x", {element(1, 1, 8)}});
    while (big.freeBytes() >= 0)
        big.signals[0].elements.push_back(element(1, 1, 8));
    EXPECT_EQ(refusal(big, AddressForm::Linear), kImageTooLarge);
    big.signals[0].elements.pop_back();
    ASSERT_GE(big.freeBytes(), 0);
    EXPECT_EQ(refusal(big, AddressForm::Linear), 0) << "the largest image that fits is built";
    EXPECT_LE(flash->ImageLength, kImageSize);
    std::fill(flash->Image.begin(), flash->Image.end(), 0x77);
    flash->ImageLength = 123;

    // Tables past what a page-form pointer reaches (page 64 onwards), while linear still reaches.
    SignalSet wide;
    wide.library.push_back(sound("a", ramp(8)));
    for (int i = 0; i < 33; ++i)
        wide.signals.push_back({"s", Signal(128, element(1, 1, 8))});
    EXPECT_EQ(refusal(wide, AddressForm::Page), kImageTooLarge);
    EXPECT_TRUE(untouched());
    EXPECT_EQ(refusal(wide, AddressForm::Linear), 0);
    std::fill(flash->Image.begin(), flash->Image.end(), 0x77);
    flash->ImageLength = 123;

    SignalSet bad;
    bad.library.push_back(sound("a", ramp(8)));
    bad.signals.push_back({"x", {element(2, 1, 8)}});            // no sound 2
    EXPECT_EQ(refusal(bad, AddressForm::Page), kImageUnfit);
    bad.signals[0].elements = {element(1, 9, 12)};               // wholly past the sound's end
    EXPECT_EQ(refusal(bad, AddressForm::Page), kImageUnfit);
    bad.signals[0].elements = Signal(129, element(1, 1, 8));
    EXPECT_EQ(refusal(bad, AddressForm::Page), kImageUnfit);
    // A library sound without samples, even one no signal plays: the chime's reader refuses it.
    bad.signals[0].elements = {element(1, 1, 8)};
    bad.library.push_back(sound("empty", {}));
    EXPECT_EQ(refusal(bad, AddressForm::Page), kImageUnfit);
    EXPECT_TRUE(untouched());
}

TEST(ImageBuilder, SampleAreaFollowsTheTablesAndAppliesGain)
{
    SignalSet set;
    set.library.push_back(sound("quiet", {100, -100, 16384}, 60));
    set.library.push_back(sound("plain", {16384}));
    set.signals.push_back({"one", {element(2, 1, 1)}});
    set.signals.push_back({"two", {element(1, 1, 3), TDzwiek::pause(5)}});
    auto flash = std::make_unique<TUsbFlash>();
    buildImage(set, AddressForm::Page, *flash);
    const size_t start = size_t(set.tableSize());
    EXPECT_EQ(flash->ImageLength, int32_t(start + 4 + 2));
    EXPECT_EQ(flash->Image[start + 3], uint8_t(encodeSample9(32690)));   // 16384 at +6 dB
    EXPECT_EQ(flash->Image[start + 5], uint8_t(encodeSample9(16384)));   // no gain on sound 2
}
