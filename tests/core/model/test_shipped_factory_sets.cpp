// The factory sets as shipped: they open, have the tables' counts, fit the chime in both address
// forms, and their sounds are sound: used, audible, unclipped, all different, starting and stopping
// without a click or a drop-out, and every signal about as loud as the others of its set on a small
// speaker.
#include "audio/Loudness.h"
#include "audio/Render.h"
#include "device/UsbFlash.h"
#include "image/ImageBuilder.h"
#include "image/ImageReader.h"
#include "model/FactoryNames.h"
#include "model/SetFile.h"
#include "paths/DataPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <set>

using namespace zelmar;

namespace {

class ShippedFactorySet : public ::testing::TestWithParam<int> {
protected:
    static SignalSet load(int set)
    {
        const auto data = findDataDirectory();
        if (!data)
            throw std::runtime_error("no data folder beside the tests");
        return readSetFile((*data / "factory" / std::string(factorySetFileName(set))).string());
    }
};

} // namespace

TEST_P(ShippedFactorySet, OpensWithTheTablesCounts)
{
    const int index = GetParam();
    SignalSet set;
    ASSERT_NO_THROW(set = load(index));
    EXPECT_EQ(int(set.signals.size()), factorySignalCount(index));
    EXPECT_EQ(int(set.library.size()), factorySoundCount(index));
    EXPECT_FALSE(set.backdoor);
}

TEST_P(ShippedFactorySet, FitsTheChimeInBothAddressForms)
{
    const SignalSet set = load(GetParam());
    EXPECT_GE(set.freeBytes(), 0);
    EXPECT_LE(set.tableSize(), kTableLimit);
    for (AddressForm form : {AddressForm::Page, AddressForm::Linear}) {
        auto flash = std::make_unique<TUsbFlash>();
        BuildResult r;
        ASSERT_NO_THROW(r = buildImage(set, form, *flash));
        EXPECT_EQ(r.sentSignals, int(set.signals.size()));
        EXPECT_FALSE(r.someSignalsSkipped);
        EXPECT_LE(flash->ImageLength, kChimeMemory);
        // What the chime holds reads back as the same set of signals and sounds.
        const SignalSet back = parseImage(std::span(flash->Image.data(), size_t(flash->ImageLength)), form);
        EXPECT_EQ(back.signals.size(), set.signals.size());
        EXPECT_EQ(back.library.size(), set.library.size());
    }
}

TEST_P(ShippedFactorySet, EverySoundIsUsedAndEveryElementPlays)
{
    const SignalSet set = load(GetParam());
    std::set<int32_t> used;
    for (const NamedSignal& s : set.signals) {
        EXPECT_FALSE(s.elements.empty()) << s.name;
        EXPECT_GT(set.playingSamples(s.elements), 0) << s.name;
        for (const TDzwiek& e : s.elements) {
            if (e.isPause())
                continue;
            used.insert(e.SoundNumber);
            const TDostepnyDzwiek* sound = set.soundAt(e.SoundNumber);
            ASSERT_NE(sound, nullptr) << s.name;
            // The fragment lies wholly inside its sound.
            EXPECT_GE(e.FragmentStart, 1) << s.name;
            EXPECT_LE(e.FragmentEnd, sound->SampleCount) << s.name;
            EXPECT_EQ(playedRange(e, *sound).count, e.FragmentEnd - e.FragmentStart + 1) << s.name;
        }
    }
    EXPECT_EQ(int(used.size()), int(set.library.size()));
}

TEST_P(ShippedFactorySet, SoundsAreAudibleUnclippedWithoutClicksAndAllDifferent)
{
    const SignalSet set = load(GetParam());
    std::set<std::vector<int16_t>> seen;
    for (size_t j = 0; j < set.library.size(); ++j) {
        const std::vector<int16_t>& x = set.library[j].sound.Samples;
        SCOPED_TRACE(set.library[j].name);
        ASSERT_GT(x.size(), size_t(kSampleRate / 5));   // at least 0.2 s
        EXPECT_LE(x.size(), size_t(6 * kSampleRate));
        int peak = 0;
        size_t clipped = 0;
        for (int16_t s : x) {
            peak = std::max(peak, std::abs(int(s)));
            clipped += std::abs(int(s)) >= 32700;
        }
        EXPECT_GT(peak, 4000);   // louder than -18 dB of full scale
        EXPECT_LE(double(clipped) / double(x.size()), 0.001);
        EXPECT_LT(std::abs(int(x.front())), 500) << "starts with a click";
        EXPECT_TRUE(seen.insert(x).second) << "same samples as an earlier sound";
    }
}

TEST_P(ShippedFactorySet, NoSoundIsHeldAtTheCeiling)
{
    // Levelled by gain, a sound touches the ceiling (-1 dB of full scale) only with its strongest
    // peaks and hits; one that a limiter holds there for long has lost its shape (a bell its decay).
    constexpr size_t kWindow = kSampleRate / 200;   // 5 ms
    constexpr int kNearCeiling = 27530;              // within 0.5 dB of -1 dB of full scale
    const SignalSet set = load(GetParam());
    for (const LibrarySound& l : set.library) {
        const std::vector<int16_t>& x = l.sound.Samples;
        size_t windows = 0, atCeiling = 0;
        for (size_t i = 0; i < x.size(); i += kWindow, ++windows) {
            int peak = 0;
            for (size_t k = i; k < std::min(x.size(), i + kWindow); ++k)
                peak = std::max(peak, std::abs(int(x[k])));
            atCeiling += peak >= kNearCeiling;
        }
        const bool held = atCeiling * kWindow > kSampleRate / 5 && double(atCeiling) / double(windows) > 0.10;
        EXPECT_FALSE(held) << l.name << " is at the ceiling " << atCeiling * 5 << " ms of its " << windows * 5 << " ms";
    }
}

TEST_P(ShippedFactorySet, SoundsStartAndStopWithoutAClickOrADropOut)
{
    // The chime starts and stops a fragment dead: next to silence it must be quiet there. Where a
    // sound runs straight into the next (a groove repeating, or going into its ending) the two must
    // meet without a jump and without a drop of the music around the seam.
    constexpr size_t kMs = kSampleRate / 1000;
    const SignalSet set = load(GetParam());
    for (const NamedSignal& s : set.signals) {
        SCOPED_TRACE(s.name);
        std::vector<int16_t> x;
        bool soundBefore = false;
        for (const TDzwiek& e : s.elements) {
            const std::vector<int16_t> part = renderElementSamples(e, set);
            if (e.isPause() || part.empty()) {
                if (soundBefore) {
                    EXPECT_LT(std::abs(int(x.back())), 500) << "stops with a click before a pause";
                }
                x.insert(x.end(), part.begin(), part.end());
                soundBefore = false;
                continue;
            }
            if (!soundBefore) {
                EXPECT_LT(std::abs(int(part.front())), 500) << "starts with a click";
            } else {
                const size_t seam = x.size();
                x.insert(x.end(), part.begin(), part.begin() + long(std::min(part.size(), 30 * kMs)));
                const auto rms = [&](size_t from, size_t to) {
                    double sum = 0;
                    for (size_t i = from; i < to; ++i)
                        sum += double(x[i]) * x[i];
                    return std::sqrt(sum / double(to - from));
                };
                if (seam >= 30 * kMs && x.size() >= seam + 15 * kMs) {
                    int steepest = 0;
                    for (size_t i = seam - 2 * kMs; i < seam + 2 * kMs; ++i)
                        if (i != seam)
                            steepest = std::max(steepest, std::abs(x[i] - x[i - 1]));
                    EXPECT_LE(std::abs(x[seam] - x[seam - 1]), 2 * steepest + 200) << "a click where one sound meets the next";
                    const double around = std::min(rms(seam - 15 * kMs, seam - 5 * kMs), rms(seam + 5 * kMs, seam + 15 * kMs));
                    double dip = around;
                    for (size_t i = seam - 5 * kMs; i <= seam + kMs; ++i)
                        dip = std::min(dip, rms(i, i + 4 * kMs));
                    if (around > 328) {   // -40 dB of full scale: music on both sides
                        EXPECT_GT(dip, around / 10) << "drops out where one sound meets the next";
                    }
                }
                x.resize(seam);
            }
            x.insert(x.end(), part.begin(), part.end());
            soundBefore = true;
        }
        if (soundBefore) {
            EXPECT_LT(std::abs(int(x.back())), 500) << "stops with a click at the end";
        }
    }
}

TEST_P(ShippedFactorySet, SignalsAreEquallyLoudOnASmallSpeakerAndNeverClip)
{
    // A chime's small speaker gives little below 300 Hz: what is left above it is what is heard.
    constexpr double kSpeakerHighPass = 300;
    constexpr double kSpread = 3;   // LU either side of the set's median
    const SignalSet set = load(GetParam());
    std::vector<double> loudness;
    for (const NamedSignal& s : set.signals) {
        const std::vector<int16_t> x = renderSignalSamples(s.elements, set);
        const auto l = integratedLoudness(x, kSampleRate, kSpeakerHighPass);
        ASSERT_TRUE(l) << s.name << " is silent or shorter than one measuring block";
        loudness.push_back(*l);
        const auto full = std::count_if(x.begin(), x.end(), [](int16_t v) { return v >= 32767 || v <= -32767; });
        EXPECT_EQ(full, 0) << s.name << " reaches full scale";
    }
    std::vector<double> sorted = loudness;
    std::sort(sorted.begin(), sorted.end());
    const size_t n = sorted.size();
    const double median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    for (size_t i = 0; i < n; ++i)
        EXPECT_NEAR(loudness[i], median, kSpread) << set.signals[i].name << " against the median " << median << " LUFS";
}

INSTANTIATE_TEST_SUITE_P(Sets, ShippedFactorySet, ::testing::Values(1, 2, 3),
                         [](const ::testing::TestParamInfo<int>& p) { const std::string name(factorySetFileName(p.param));
                             return name.substr(0, name.find('.')); });
