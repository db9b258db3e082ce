#include "model/EditSession.h"

#include "model/SignalEditing.h"

#include <algorithm>
#include <array>
#include <utility>

namespace zelmar {

namespace {

bool uses(const Signal& signal, int soundNumber)
{
    return std::any_of(signal.begin(), signal.end(), [&](const TDzwiek& e) { return e.SoundNumber == soundNumber; });
}

// Walks a signal from its last element to its first, renumbering sounds by `map` (old 0-based
// position to new one, -1 for a sound that is gone) and dropping elements of sounds that are gone.
void renumber(Signal& signal, const std::array<int, kMaxSounds>& map)
{
    for (size_t i = signal.size(); i-- > 0;) {
        const int s = signal[i].SoundNumber;
        if (s == 0)
            continue;
        if (s < 1 || s > kMaxSounds || map[size_t(s - 1)] < 0)
            signal.erase(signal.begin() + std::ptrdiff_t(i));
        else
            signal[i].SoundNumber = map[size_t(s - 1)] + 1;
    }
}

} // namespace

Signal* EditSession::editedSignal()
{
    return const_cast<Signal*>(std::as_const(*this).editedSignal());
}

const Signal* EditSession::editedSignal() const
{
    if (backdoorEdit)
        return set.backdoor ? &*set.backdoor : nullptr;
    if (signalUnderEdit < 0 || signalUnderEdit >= int(set.signals.size()))
        return nullptr;
    return &set.signals[size_t(signalUnderEdit)].elements;
}

void EditSession::clear()
{
    set.clear();
    signalUnderEdit = -1;
    keptCopy.reset();
    backdoorEdit = false;
}

void EditSession::beginNewSignal()
{
    signalUnderEdit = int(beginSignal(set));
    keptCopy.reset();
    backdoorEdit = false;
}

bool EditSession::beginEdit(int row)
{
    if (row < 0 || row >= int(set.signals.size()))
        return false;
    keptCopy = set.signals[size_t(row)].elements;
    signalUnderEdit = row;
    backdoorEdit = false;
    return true;
}

void EditSession::beginBackdoorEdit()
{
    if (set.backdoor) {
        keptCopy = *set.backdoor;
    } else {
        set.backdoor = Signal{};
        keptCopy.reset();
    }
    signalUnderEdit = -1;
    backdoorEdit = true;
}

void EditSession::acceptSignalEdit(const std::string& name)
{
    keptCopy.reset();
    if (backdoorEdit) {
        settleBackdoor(set);
        backdoorEdit = false;
    } else if (signalUnderEdit >= 0 && signalUnderEdit < int(set.signals.size())) {
        set.signals[size_t(signalUnderEdit)].name = name;
    }
}

bool EditSession::cancelSignalEdit()
{
    if (keptCopy) {
        if (backdoorEdit)
            set.backdoor = std::move(*keptCopy);
        else if (signalUnderEdit >= 0 && signalUnderEdit < int(set.signals.size()))
            set.signals[size_t(signalUnderEdit)].elements = std::move(*keptCopy);
        backdoorEdit = false;
        keptCopy.reset();
        return false;
    }
    if (backdoorEdit) {
        set.backdoor.reset();
        backdoorEdit = false;
        return false;
    }
    const bool removed = signalUnderEdit >= 0 && signalUnderEdit < int(set.signals.size());
    if (removed)
        set.signals.erase(set.signals.begin() + signalUnderEdit);
    signalUnderEdit = -1;
    return removed;
}

void EditSession::beginLibraryEdit()
{
    libraryCopy.clear();
    for (size_t i = 0; i < set.library.size(); ++i) {
        const int number = int(i) + 1;
        const bool used = std::any_of(set.signals.begin(), set.signals.end(),
                                      [&](const NamedSignal& s) { return uses(s.elements, number); })
                          || (set.backdoor && uses(*set.backdoor, number)) || (keptCopy && uses(*keptCopy, number));
        set.library[i].sound.UsageMark = used ? int(i) : -1;
    }
    for (const LibrarySound& entry : set.library) {
        LibrarySound c;
        c.name = entry.name;
        c.sound.SetSamples(entry.sound.Samples);
        c.sound.Gain = entry.sound.Gain;
        libraryCopy.push_back(std::move(c));
    }
}

void EditSession::acceptLibraryEdit()
{
    libraryCopy.clear();
    std::array<int, kMaxSounds> map;
    map.fill(-1);
    for (size_t i = 0; i < set.library.size(); ++i) {
        const int mark = set.library[i].sound.UsageMark;
        if (mark >= 0 && mark < kMaxSounds)
            map[size_t(mark)] = int(i);
    }
    for (NamedSignal& s : set.signals)
        renumber(s.elements, map);
    if (set.backdoor)
        renumber(*set.backdoor, map);
    if (keptCopy)
        renumber(*keptCopy, map);
}

void EditSession::cancelLibraryEdit()
{
    set.library = std::move(libraryCopy);
    libraryCopy.clear();
}

} // namespace zelmar
