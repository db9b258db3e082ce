#include "model/SignalEditing.h"

#include "i18n/ResourceStrings.h"
#include "i18n/Text.h"

#include <algorithm>
#include <stdexcept>

namespace zelmar {

std::string newSignalName()
{
    return rs(kNewSignalName);
}

bool isValidSignalName(std::string_view utf8)
{
    // A character the code page lacks (or broken UTF-8) comes back from the round trip as '?'.
    const std::string bytes = toCp1250(utf8, SIZE_MAX);
    return bytes.size() <= size_t(kMaxTypedName) && fromCp1250(bytes) == utf8;
}

bool canBeginSignal(const SignalSet& set)
{
    return int(set.signals.size()) < kMaxSignals && set.tableSize() + kSignalReserve <= kTableLimit;
}

bool canAddElement(const SignalSet& set, const Signal& signal)
{
    // The editor's list shows one row more than the signal has elements and stops at 128 rows.
    return int(signal.size()) < kMaxEditorElements && set.tableSize() + kElementReserve <= kTableLimit;
}

bool tablesFit(const SignalSet& set)
{
    return set.tableSize() <= kTableLimit;
}

TDzwiek newElement(const SignalSet& set, int32_t soundNumber)
{
    if (soundNumber == 0)
        return TDzwiek::pause(kNewPauseLength);
    const TDostepnyDzwiek* sound = set.soundAt(soundNumber);
    if (!sound)
        throw std::out_of_range("no sound " + std::to_string(soundNumber) + " in the library");
    return TDzwiek::sound(soundNumber, *sound);
}

size_t beginSignal(SignalSet& set, size_t before)
{
    if (!canBeginSignal(set))
        throw LimitError(kNoRoomForSignal);
    const size_t at = std::min(before, set.signals.size());
    set.signals.insert(set.signals.begin() + std::ptrdiff_t(at), NamedSignal{newSignalName(), {}});
    return at;
}

void insertElement(const SignalSet& set, Signal& signal, size_t position, const TDzwiek& element)
{
    if (!canAddElement(set, signal))
        throw LimitError(kNoRoomForElement);
    signal.insert(signal.begin() + std::ptrdiff_t(std::min(position, signal.size())), element);
}

void composeElements(const SignalSet& set, Signal& signal, const std::vector<TDzwiek>& elements)
{
    Signal kept = std::move(signal);
    signal.clear();
    try {
        for (const TDzwiek& e : elements)
            insertElement(set, signal, signal.size(), e);
    } catch (...) {
        signal = std::move(kept);
        throw;
    }
}

void renameSound(SignalSet& set, size_t index, std::string name)
{
    if (hasControlCharacter(name))
        throw LimitError(kNameWithControlCharacter);
    set.library.at(index).name = std::move(name);
}

bool settleBackdoor(SignalSet& set)
{
    if (set.backdoor && std::none_of(set.backdoor->begin(), set.backdoor->end(),
                                     [](const TDzwiek& e) { return !e.isPause(); }))
        set.backdoor.reset();
    return set.backdoor.has_value();
}

} // namespace zelmar
