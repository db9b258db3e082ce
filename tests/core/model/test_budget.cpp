#include "i18n/ResourceStrings.h"
#include "model/SignalSet.h"

#include <gtest/gtest.h>

using namespace zelmar;

namespace {

TDostepnyDzwiek soundOf(int32_t samples)
{
    TDostepnyDzwiek s;
    s.SetSamples(std::vector<int16_t>(size_t(samples), 100));
    return s;
}

TDzwiek play(int32_t number) { return TDzwiek{number, 0, 1, 8, 0}; }

} // namespace

TEST(StoredSize, NineBytesForEveryEightSamplesRoundedUp)
{
    EXPECT_EQ(storedSizeFor(0), 0);
    EXPECT_EQ(storedSizeFor(1), 2);
    EXPECT_EQ(storedSizeFor(7), 8);
    EXPECT_EQ(storedSizeFor(8), 9);
    EXPECT_EQ(storedSizeFor(9), 11);

    // SetSamples keeps the count and the stored size in step with the buffer.
    for (auto [count, stored] : {std::pair{0, 0}, {1, 2}, {8, 9}, {9, 11}, {18000, 20250}}) {
        TDostepnyDzwiek s = soundOf(count);
        EXPECT_EQ(s.SampleCount, count);
        EXPECT_EQ(s.StoredSize, stored) << count << " samples";
    }
}

TEST(MemoryBudget, EmptySet)
{
    SignalSet set;
    EXPECT_EQ(set.tableSize(), 17);
    EXPECT_EQ(set.freeBytes(), kChimeMemory - 17);
    MemoryDisplay d = memoryDisplay(set.freeBytes());
    EXPECT_EQ(d.gaugePercent, 0);
    EXPECT_EQ(rsf(65209, {d.remainingSeconds}), "Pozostały czas: 103.55 sek.");
}

TEST(MemoryBudget, FirstSignalCountsTwiceWithoutBackdoor)
{
    SignalSet set;
    set.library.push_back({"x", soundOf(8)});
    set.signals.push_back({"ab", {play(1), TDzwiek::pause(), play(1)}});
    set.signals.push_back({"c", {play(1)}});
    // 16 + list (2*8+3 + 2+1) + (8+3 + 1+1) + extra visit of signal 1 (2*8+3) + 1 + sound (1+4)
    EXPECT_EQ(set.tableSize(), 16 + 22 + 13 + 19 + 1 + 5);
    EXPECT_EQ(set.freeBytes(), kChimeMemory - 76 - 9);

    // With a back-door signal the extra visit is that signal instead.
    set.backdoor = Signal{play(1)};
    EXPECT_EQ(set.tableSize(), 16 + 22 + 13 + 11 + 1 + 5);
    set.backdoor = Signal{TDzwiek::pause()};
    EXPECT_EQ(set.tableSize(), 16 + 22 + 13 + 0 + 1 + 5);
}

TEST(MemoryBudget, PauseOnlySignalsCountOnlyTheirNames)
{
    SignalSet set;
    set.signals.push_back({"cisza", {TDzwiek::pause(), TDzwiek::pause(255)}});
    set.signals.push_back({"", {}});
    EXPECT_EQ(set.tableSize(), 16 + 6 + 1 + 1);
}

TEST(MemoryBudget, NamesCountInWindows1250Bytes)
{
    EXPECT_EQ(nameBytes(""), 0);
    EXPECT_EQ(nameBytes("żółć"), 4);         // 8 bytes of UTF-8
    EXPECT_EQ(nameBytes("Źdźbło"), 6);
    EXPECT_EQ(nameBytes("日本"), 2);          // each becomes '?'
    EXPECT_EQ(nameBytes(std::string(300, 'a')), 255);
    std::string longPolish;
    for (int i = 0; i < 200; ++i)
        longPolish += "ą";
    EXPECT_EQ(nameBytes(longPolish), 200);

    SignalSet set;
    set.signals.push_back({"żółć", {}});
    set.library.push_back({"Ślimak", soundOf(0)});
    EXPECT_EQ(set.tableSize(), 16 + 5 + 1 + 10);
}

TEST(MemoryBudget, GaugeAndRemainingTime)
{
    EXPECT_EQ(memoryDisplay(kChimeMemory).gaugePercent, 0);
    EXPECT_EQ(memoryDisplay(kChimeMemory / 2).gaugePercent, 50);
    EXPECT_EQ(memoryDisplay(0).gaugePercent, 100);
    EXPECT_EQ(memoryDisplay(-kChimeMemory / 2).gaugePercent, 100) << "an over-full set";
    // Exact halves go to the even neighbour: 12.5 % and 37.5 % used.
    EXPECT_EQ(memoryDisplay(kChimeMemory - 262144).gaugePercent, 12);
    EXPECT_EQ(memoryDisplay(kChimeMemory - 786432).gaugePercent, 38);

    // 18000 bytes hold 16000 samples.
    EXPECT_NEAR(memoryDisplay(18000).remainingSeconds, 16000.0 / 18000 - 0.01, 1e-9);
    EXPECT_EQ(rsf(65209, {memoryDisplay(18000).remainingSeconds}), "Pozostały czas: 0.88 sek.");
}

TEST(MemoryBudget, PlayingLengthCountsWhatTheFragmentsPlay)
{
    SignalSet set;
    set.library.push_back({"a", soundOf(5)});
    // 0.50 s of pause, a whole fragment, a start of 0 (plays 1..3) and an end past the sound (4..5).
    const Signal s = {TDzwiek::pause(50), TDzwiek{1, 0, 2, 4, 0}, TDzwiek{1, 0, 0, 3, 0}, TDzwiek{1, 0, 4, 100, 0}};
    EXPECT_EQ(set.playingSamples(s), 9000 + 3 + 3 + 2);
}

TEST(MemoryBudget, ClearGivesAnEmptySet)
{
    SignalSet set;
    set.library.push_back({"a", soundOf(1000)});
    set.library.push_back({"b", soundOf(9)});
    set.signals.push_back({"s", {play(1), play(2)}});
    set.backdoor = Signal{play(2)};
    ASSERT_LT(set.freeBytes(), kChimeMemory - 17);
    set.clear();
    EXPECT_TRUE(set.empty());
    EXPECT_FALSE(set.backdoor.has_value());
    EXPECT_EQ(set.tableSize(), 17);
    EXPECT_EQ(set.freeBytes(), SignalSet().freeBytes());
}
