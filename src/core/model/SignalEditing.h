#pragma once
// The rules of composing a set's signals, shared by the wizard's pages and zelmarctl: what a new
// signal or element is, and the limits checked before each change. A refused change throws
// LimitError carrying the notice to show and leaves the set as it was.
#include "model/Errors.h"
#include "model/SignalSet.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zelmar {

constexpr int kNoRoomForSignal = 65244;    // notice: no memory left for a new signal
constexpr int kNoRoomForElement = 65245;   // notice: no memory left for a new element
constexpr int kNewSignalName = 65246;      // the name a new signal gets
constexpr int kNameWithControlCharacter = 65470;   // notice: a typed name may not hold a control character
constexpr int kSignalReserve = 300;        // table bytes kept free when a signal is begun
constexpr int kElementReserve = 8;         // table bytes one sound element takes
constexpr int kMaxTypedName = 250;         // characters the name edit takes
constexpr int kMaxStoredVolume = 15;
constexpr int kMaxPauseLength = 255;       // hundredths of a second
constexpr int kNewPauseLength = 50;

// The name of a new signal in the language in effect.
std::string newSignalName();

// A name the editor could give a signal: Windows-1250 can hold every character, at most 250 of them.
bool isValidSignalName(std::string_view utf8);

// The limits checked before a signal is begun and before an element is added to `signal`.
bool canBeginSignal(const SignalSet& set);
bool canAddElement(const SignalSet& set, const Signal& signal);
// Whether the tables still fit the chime's table area (a rename is not checked by the editor).
bool tablesFit(const SignalSet& set);

// A new element as the editor adds it: for sound k (1-based) the whole sound at full volume, for 0
// a pause of 0.50 s. Throws std::out_of_range for a number that is not in the library.
TDzwiek newElement(const SignalSet& set, int32_t soundNumber);

// Begins a new, empty signal named newSignalName() before position `before` (the end when it is
// past the last signal) and returns its position. LimitError(kNoRoomForSignal) at the limit.
size_t beginSignal(SignalSet& set, size_t before = SIZE_MAX);

// Inserts `element` into `signal` (a signal of `set`, or its back-door signal) before `position`
// (the end when it is past the last element). LimitError(kNoRoomForElement) at the limit.
void insertElement(const SignalSet& set, Signal& signal, size_t position, const TDzwiek& element);

// Replaces the elements of `signal` as the editor would build them, one after the other from an
// empty signal, each one checked. All or nothing: on a refusal `signal` keeps its elements.
void composeElements(const SignalSet& set, Signal& signal, const std::vector<TDzwiek>& elements);

// Gives library sound `index` (0-based, in range) the typed `name`. LimitError(kNameWithControlCharacter)
// for a name with a control character.
void renameSound(SignalSet& set, size_t index, std::string name);

// Takes the entry at `from` out and puts it back so that it stands at `to` (both in range).
template <class T>
void moveEntry(std::vector<T>& list, size_t from, size_t to);

// A back-door signal holding no sound element is not kept: the set loses it. True when it stays.
bool settleBackdoor(SignalSet& set);

// ---

template <class T>
void moveEntry(std::vector<T>& list, size_t from, size_t to)
{
    if (from >= list.size() || to >= list.size() || from == to)
        return;
    const auto f = list.begin() + std::ptrdiff_t(from);
    const auto t = list.begin() + std::ptrdiff_t(to);
    if (to < from)
        std::rotate(t, f, f + 1);
    else
        std::rotate(f, f + 1, t + 1);
}

} // namespace zelmar
