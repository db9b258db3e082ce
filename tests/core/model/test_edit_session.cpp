// The rules of an edit under way: how a signal edit and a library visit end, with OK or Anuluj.
#include "model/EditSession.h"
#include "model/Errors.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace zelmar;

namespace {

LibrarySound soundOf(const std::string& name, int count, uint8_t gain = 0)
{
    LibrarySound s;
    s.name = name;
    s.sound.SetSamples(std::vector<int16_t>(size_t(count), int16_t(count)));
    s.sound.Gain = gain;
    return s;
}

// Sounds a, b, c; "s1" plays a, a pause and b; "s2" plays c; the back door plays b.
EditSession session()
{
    EditSession e;
    e.set.library = {soundOf("a", 10), soundOf("b", 20, 30), soundOf("c", 30)};
    e.set.signals.push_back({"s1", {TDzwiek{1, 3, 2, 9, 0}, TDzwiek::pause(70), TDzwiek{2, 0, 1, 20, 0}}});
    e.set.signals.push_back({"s2", {TDzwiek{3, 0, 1, 30, 0}}});
    e.set.backdoor = Signal{TDzwiek{2, 5, 1, 20, 0}};
    return e;
}

} // namespace

TEST(EditSession, CancelTakesBackWhatTheSignalEditChanged)
{
    // A new signal goes again.
    EditSession e = session();
    e.beginNewSignal();
    EXPECT_EQ(e.signalUnderEdit, 2);
    EXPECT_FALSE(e.keptCopy);
    e.editedSignal()->push_back(TDzwiek::pause(10));
    EXPECT_TRUE(e.cancelSignalEdit());
    EXPECT_EQ(e.set.signals.size(), 2u);

    // A changed signal gets every field of every element back; its name is never touched.
    const Signal before = e.set.signals[0].elements;
    ASSERT_TRUE(e.beginEdit(0));
    Signal& edited = *e.editedSignal();
    edited[0].SetFragment(4, 5);
    edited[1].SetPauseLength(200);
    edited.erase(edited.begin() + 2);
    EXPECT_FALSE(e.cancelSignalEdit());
    EXPECT_EQ(e.set.signals[0].elements, before);
    EXPECT_EQ(e.set.signals[0].name, "s1");
    EXPECT_FALSE(e.keptCopy);

    // A back-door signal begun in this edit goes; an existing one comes back as it was.
    e.set.backdoor.reset();
    e.beginBackdoorEdit();
    ASSERT_TRUE(e.editedSignal());
    e.editedSignal()->push_back(TDzwiek{1, 0, 1, 10, 0});
    e.cancelSignalEdit();
    EXPECT_FALSE(e.set.backdoor);
    EXPECT_FALSE(e.backdoorEdit);
    EXPECT_FALSE(e.beginEdit(7));
}

TEST(EditSession, AcceptNamesTheSignalAndKeepsABackDoorOnlyWithASound)
{
    EditSession e = session();
    ASSERT_TRUE(e.beginEdit(1));
    e.acceptSignalEdit("");
    EXPECT_EQ(e.set.signals[1].name, "");
    EXPECT_FALSE(e.keptCopy);

    e.beginBackdoorEdit();
    e.editedSignal()->assign({TDzwiek::pause(20)});
    e.acceptSignalEdit("ignored");
    EXPECT_FALSE(e.set.backdoor) << "only pauses";

    e.beginBackdoorEdit();
    e.editedSignal()->push_back(TDzwiek{3, 0, 1, 30, 0});
    e.acceptSignalEdit("ignored");
    ASSERT_TRUE(e.set.backdoor);
    EXPECT_EQ(e.set.signals[0].name, "s1");

    // The 129th signal is refused with its notice, and nothing is begun.
    e.set.signals.resize(kMaxSignals);
    try {
        e.beginNewSignal();
        FAIL() << "no refusal";
    } catch (const LimitError& limit) {
        EXPECT_EQ(limit.resourceId, 65244);
    }
    EXPECT_EQ(e.set.signals.size(), size_t(kMaxSignals));
}

TEST(EditSession, LibraryVisitRenumbersOnAcceptAndRestoresOnCancel)
{
    EditSession e = session();
    // Sound a is used only by the kept copy: s1 lost it after its edit began.
    ASSERT_TRUE(e.beginEdit(0));
    e.editedSignal()->erase(e.editedSignal()->begin());
    e.beginLibraryEdit();
    ASSERT_EQ(e.libraryCopy.size(), 3u);
    EXPECT_EQ(e.set.library[0].sound.UsageMark, 0);
    EXPECT_EQ(e.set.library[1].sound.UsageMark, 1);
    EXPECT_EQ(e.set.library[2].sound.UsageMark, 2);

    // c moves to the top and b goes: c becomes 1, a becomes 2, and every element of b goes.
    auto& lib = e.set.library;
    std::rotate(lib.begin(), lib.begin() + 2, lib.end());
    lib.erase(lib.begin() + 2);
    e.acceptLibraryEdit();
    EXPECT_TRUE(e.libraryCopy.empty());
    EXPECT_EQ(e.set.signals[0].elements, (Signal{TDzwiek::pause(70)}));
    EXPECT_EQ(e.set.signals[1].elements, (Signal{TDzwiek{1, 0, 1, 30, 0}}));
    EXPECT_TRUE(e.set.backdoor->empty());
    ASSERT_TRUE(e.keptCopy);
    EXPECT_EQ(e.keptCopy->front().SoundNumber, 2) << "the kept copy follows too";

    // A cancelled visit gives the library back with names, samples and gains.
    EditSession f = session();
    const SignalSet before = f.set;
    f.beginLibraryEdit();
    f.set.library[1].name = "inna";
    f.set.library[1].sound.Gain = 0;
    f.set.library.erase(f.set.library.begin());
    f.cancelLibraryEdit();
    ASSERT_EQ(f.set.library.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(f.set.library[i].name, before.library[i].name);
        EXPECT_EQ(f.set.library[i].sound.Samples, before.library[i].sound.Samples);
        EXPECT_EQ(f.set.library[i].sound.Gain, before.library[i].sound.Gain);
    }
    EXPECT_EQ(f.set.signals[0].elements, before.signals[0].elements);
    EXPECT_TRUE(f.libraryCopy.empty());
}

// What counts as a change of the work: a visit to the library or an edit ended without a change
// leaves the same work (the usage marks a visit takes do not count); any name, element, sample or
// gain that differs does not.
TEST(SameWork, EditsEndedWithoutAChangeLeaveTheSameWork)
{
    const EditSession before = session();
    EditSession e = session();
    e.beginLibraryEdit();
    e.cancelLibraryEdit();
    ASSERT_TRUE(e.beginEdit(0));
    e.cancelSignalEdit();
    e.beginLibraryEdit();
    e.acceptLibraryEdit();
    EXPECT_TRUE(sameWork(e.set, before.set));

    auto changed = [&](auto change) {
        EditSession c = session();
        change(c.set);
        return !sameWork(c.set, before.set);
    };
    EXPECT_TRUE(changed([](SignalSet& s) { s.signals[1].name = "s3"; }));
    EXPECT_TRUE(changed([](SignalSet& s) { s.signals[0].elements[1].PauseLength = 71; }));
    EXPECT_TRUE(changed([](SignalSet& s) { s.signals.pop_back(); }));
    EXPECT_TRUE(changed([](SignalSet& s) { s.backdoor.reset(); }));
    EXPECT_TRUE(changed([](SignalSet& s) { s.library[0].name = "A"; }));
    EXPECT_TRUE(changed([](SignalSet& s) { s.library[1].sound.Gain = 31; }));
    EXPECT_TRUE(changed([](SignalSet& s) { s.library[2].sound.Samples[4] = 0; }));
    EXPECT_TRUE(changed([](SignalSet& s) { std::swap(s.library[0], s.library[1]); }));
}
