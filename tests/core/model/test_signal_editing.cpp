#include "model/SignalEditing.h"

#include <gtest/gtest.h>

using namespace zelmar;

namespace {

TDostepnyDzwiek soundOf(int32_t samples)
{
    TDostepnyDzwiek s;
    s.SetSamples(std::vector<int16_t>(size_t(samples), 7));
    return s;
}

SignalSet twoSounds()
{
    SignalSet set;
    set.library.push_back({"gong", soundOf(900)});
    set.library.push_back({"dzwon", soundOf(40)});
    set.signals.push_back({"pierwszy", {}});
    return set;
}

// Adds library sounds with long names until the tables take exactly `target` bytes.
void fillTablesTo(SignalSet& set, int32_t target)
{
    for (int32_t rest = target - set.tableSize(); rest >= 4; rest = target - set.tableSize()) {
        const int32_t bytes = rest > 259 ? std::min(259, rest - 4) : rest;
        set.library.push_back({std::string(size_t(bytes - 4), 'n'), {}});
    }
    ASSERT_EQ(set.tableSize(), target);
}

} // namespace

TEST(SignalEditing, NewElementsAreWhatTheEditorAdds)
{
    const SignalSet set = twoSounds();
    EXPECT_EQ(newElement(set, 1), (TDzwiek{1, 0, 1, 900, 0}));   // whole sound, full volume
    EXPECT_EQ(newElement(set, 2), (TDzwiek{2, 0, 1, 40, 0}));
    EXPECT_EQ(newElement(set, 0), (TDzwiek{0, 0, 0, 0, 50}));    // a pause of 0.50 s
    EXPECT_THROW(newElement(set, 3), std::out_of_range);
    EXPECT_THROW(newElement(set, -1), std::out_of_range);
}

TEST(SignalEditing, BeginSignalNamesItAndPlacesIt)
{
    SignalSet set = twoSounds();
    EXPECT_EQ(beginSignal(set), 1u);
    EXPECT_EQ(set.signals[1].name, "bez nazwy");
    EXPECT_TRUE(set.signals[1].elements.empty());
    set.signals[1].name = "drugi";
    EXPECT_EQ(beginSignal(set, 0), 0u);
    ASSERT_EQ(set.signals.size(), 3u);
    EXPECT_EQ(set.signals[0].name, "bez nazwy");
    EXPECT_EQ(set.signals[1].name, "pierwszy");
    EXPECT_EQ(set.signals[2].name, "drugi");
}

TEST(SignalEditing, SignalLimitsRefuseAndChangeNothing)
{
    SignalSet full;
    for (int i = 0; i < kMaxSignals; ++i)
        full.signals.push_back({"", {}});
    try {
        beginSignal(full);
        FAIL() << "a 129th signal was begun";
    } catch (const LimitError& e) {
        EXPECT_EQ(e.resourceId, kNoRoomForSignal);
    }
    EXPECT_EQ(full.signals.size(), size_t(kMaxSignals));

    // The tables keep 300 bytes in reserve for a new signal.
    SignalSet set = twoSounds();
    fillTablesTo(set, kTableLimit - 300);
    EXPECT_TRUE(canBeginSignal(set));
    set.library.push_back({"", {}});   // 4 bytes more
    EXPECT_FALSE(canBeginSignal(set));
    EXPECT_THROW(beginSignal(set), LimitError);
    EXPECT_EQ(set.signals.size(), 1u);
}

TEST(SignalEditing, ElementLimitCountsAsTheEditorDoes)
{
    SignalSet set = twoSounds();
    Signal& s = set.signals[0].elements;
    for (int i = 0; i < kMaxEditorElements; ++i)
        insertElement(set, s, SIZE_MAX, TDzwiek::pause(1));
    try {
        insertElement(set, s, 0, newElement(set, 1));
        FAIL() << "a 128th element was added";
    } catch (const LimitError& e) {
        EXPECT_EQ(e.resourceId, kNoRoomForElement);
    }
    EXPECT_EQ(s.size(), size_t(kMaxEditorElements));

    // T + 8 may reach the table limit but not pass it; pauses are checked as well.
    SignalSet tight = twoSounds();
    fillTablesTo(tight, kTableLimit - 8);
    Signal& t = tight.signals[0].elements;
    insertElement(tight, t, 0, TDzwiek::pause(5));
    // The first signal's sound counts twice without a back-door signal: 8 + 3 in the list, again
    // for the extra visit.
    insertElement(tight, t, 0, newElement(tight, 2));
    EXPECT_EQ(tight.tableSize(), kTableLimit - 8 + 22);
    EXPECT_FALSE(tablesFit(tight));
    EXPECT_THROW(insertElement(tight, t, 0, TDzwiek::pause(5)), LimitError);
    EXPECT_EQ(t, (Signal{TDzwiek{2, 0, 1, 40, 0}, TDzwiek::pause(5)}));
}

TEST(SignalEditing, InsertPositions)
{
    SignalSet set = twoSounds();
    Signal& s = set.signals[0].elements;
    insertElement(set, s, 0, TDzwiek::pause(1));
    insertElement(set, s, 99, TDzwiek::pause(2));   // past the end appends
    insertElement(set, s, 0, TDzwiek::pause(3));    // before the first
    insertElement(set, s, 2, TDzwiek::pause(4));
    EXPECT_EQ(s, (Signal{TDzwiek::pause(3), TDzwiek::pause(1), TDzwiek::pause(4), TDzwiek::pause(2)}));
}

TEST(SignalEditing, ComposeIsAllOrNothing)
{
    SignalSet set = twoSounds();
    const Signal before{newElement(set, 1), TDzwiek::pause(30)};
    set.signals[0].elements = before;

    std::vector<TDzwiek> many(size_t(kMaxEditorElements), newElement(set, 2));
    composeElements(set, set.signals[0].elements, many);
    EXPECT_EQ(set.signals[0].elements.size(), size_t(kMaxEditorElements));

    set.signals[0].elements = before;
    many.push_back(TDzwiek::pause(1));
    EXPECT_THROW(composeElements(set, set.signals[0].elements, many), LimitError);
    EXPECT_EQ(set.signals[0].elements, before);

    // Built from an empty signal: the old elements' table bytes do not count against the new ones.
    SignalSet tight = twoSounds();
    tight.signals[0].elements = {newElement(tight, 1), newElement(tight, 1)};
    fillTablesTo(tight, kTableLimit - 4);
    composeElements(tight, tight.signals[0].elements, {newElement(tight, 2)});
    EXPECT_EQ(tight.signals[0].elements, (Signal{TDzwiek{2, 0, 1, 40, 0}}));
}

TEST(SignalEditing, MoveEntryBothWays)
{
    std::vector<int> v{1, 2, 3, 4, 5};
    moveEntry(v, 0, 3);
    EXPECT_EQ(v, (std::vector<int>{2, 3, 4, 1, 5}));
    moveEntry(v, 4, 0);
    EXPECT_EQ(v, (std::vector<int>{5, 2, 3, 4, 1}));
    moveEntry(v, 2, 2);
    moveEntry(v, 1, 9);   // out of range: nothing
    EXPECT_EQ(v, (std::vector<int>{5, 2, 3, 4, 1}));
}

TEST(SignalEditing, BackdoorWithoutSoundIsNotKept)
{
    SignalSet set = twoSounds();
    set.backdoor = Signal{};
    EXPECT_FALSE(settleBackdoor(set));
    EXPECT_FALSE(set.backdoor);

    set.backdoor = Signal{TDzwiek::pause(10), TDzwiek::pause(20)};
    EXPECT_FALSE(settleBackdoor(set));
    EXPECT_FALSE(set.backdoor);

    set.backdoor = Signal{TDzwiek::pause(10), newElement(set, 2)};
    EXPECT_TRUE(settleBackdoor(set));
    ASSERT_TRUE(set.backdoor);
    EXPECT_EQ(set.backdoor->size(), 2u);
}

TEST(SignalEditing, NameValidity)
{
    EXPECT_TRUE(isValidSignalName(""));
    EXPECT_TRUE(isValidSignalName("Dzwonek źdźbła ŻÓŁW?"));
    EXPECT_TRUE(isValidSignalName("Grüße – „€”"));
    EXPECT_FALSE(isValidSignalName("日本"));
    EXPECT_FALSE(isValidSignalName("ok \xC5"));           // broken UTF-8
    EXPECT_FALSE(isValidSignalName("emoji \xF0\x9F\x94\x94"));

    // Characters are counted, not UTF-8 bytes.
    std::string longest;
    for (int i = 0; i < kMaxTypedName; ++i)
        longest += "ż";
    EXPECT_TRUE(isValidSignalName(longest));
    EXPECT_FALSE(isValidSignalName(longest + "a"));
}

TEST(SignalEditing, SoundRenameRefusesControlCharacters)
{
    SignalSet set;
    set.library.resize(2);
    set.library[1].name = "gong";
    renameSound(set, 1, "dzwon żółty");
    EXPECT_EQ(set.library[1].name, "dzwon żółty");
    for (const char* name : {"dwa\nwiersze", "tab\tulator", "c1 \xC2\x85"}) {
        try {
            renameSound(set, 1, name);
            ADD_FAILURE() << "accepted " << name;
        } catch (const LimitError& e) {
            EXPECT_EQ(e.resourceId, kNameWithControlCharacter);
        }
        EXPECT_EQ(set.library[1].name, "dzwon żółty");
    }
}
