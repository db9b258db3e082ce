#pragma once
// Builds the chime's memory image from a set: header, pointer table, one table per sent signal
// plus the back-door table, the names, the sound directory and the 9-bit samples.
#include "model/SignalSet.h"

#include <cstdint>

namespace zelmar {

class TUsbFlash;

// How pointers and fragment addresses are written: the USB chime takes page addresses
// (page << 10 | byte in the 528-byte page), the HID chime plain offsets.
enum class AddressForm { Page, Linear };

constexpr int kImageMarker = 0x5A;

// Notices of the builder (resource numbers).
constexpr int kNoSoundInSet = 65230;       // no signal holds a sound
constexpr int kSignalsSkipped = 65231;     // some signals hold no sound and stay behind
constexpr int kImageTooLarge = 65250;      // the image would not fit the chime
constexpr int kImageUnfit = 65251;         // a signal or element the chime cannot take

// The address of image offset `offset` in `form`.
constexpr uint32_t imageAddress(uint32_t offset, AddressForm form)
{
    return form == AddressForm::Linear ? offset : offset / 528 * 1024 + offset % 528;
}
// The image offset an address stands for.
constexpr uint32_t imageOffset(uint32_t address, AddressForm form)
{
    return form == AddressForm::Linear ? address : address / 1024 * 528 + address % 1024;
}

// The chime's form of a signal: each pause merges into the sound before it (capped at 2.55 s),
// pauses before the first sound are dropped. A signal without sounds compacts to nothing.
Signal compactSignal(const Signal& signal);

// The signal the chime plays at the back door: the back-door signal, else the first signal; when
// neither holds a sound, the first signal that does. Null when no signal holds a sound.
const Signal* chimeBackdoor(const SignalSet& set);

// Signals of the list that hold at least one sound element (the back-door signal not counted).
int countSentSignals(const SignalSet& set);

struct BuildResult {
    int sentSignals = 0;
    bool someSignalsSkipped = false;   // the caller shows kSignalsSkipped
};

// Writes the image of `set` into flash.Image and sets flash.ImageLength. Bytes past ImageLength
// keep what they held. Everything is checked before the first byte is written, so a refusal leaves
// the buffer untouched. Throws LimitError(kNoSoundInSet) when no signal holds a sound,
// LimitError(kImageTooLarge) when the image would pass 2 MiB or a table would lie beyond what a
// 16-bit pointer reaches, and LimitError(kImageUnfit) for more than 128 signals, a compacted
// signal of more than 128 elements, an element naming no library sound or a fragment that lies
// wholly outside its sound.
BuildResult buildImage(const SignalSet& set, AddressForm form, TUsbFlash& flash);

} // namespace zelmar
