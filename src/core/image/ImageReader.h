#pragma once
// Reads a memory image back into a set, as a download does.
#include "image/ImageBuilder.h"
#include "model/SignalSet.h"

#include <cstdint>
#include <span>

namespace zelmar {

// Format codes of memory images. 11..20 are the chime format's own; 21 and up mark invalid content
// that has no code of its own in the format.
enum ImageCode : int {
    kImageMarkerCode = 11,        // byte 0 is not 0x5A
    kImageSignalCount = 12,       // more than 128 sent signals
    kImageFiller = 13,            // a byte of 2..15 is not 0xFF
    kImageElementCount = 14,      // a table announces more than 128 elements
    kImageEmptySound = 15,        // a sound of 0 samples
    kImageSoundPastEnd = 16,      // a sound's data would end past the image
    kImageBeforeSounds = 17,      // an element address before the first sound's data
    kImageAfterSounds = 18,       // an element address at or past the end of the last sound's data
    kImageInNoSound = 19,         // an element address in no sound's data (also: no sounds at all)
    kImageFragmentPastSound = 20, // address plus sample count past the end of the sound's data
    kImageNoSignal = 21,          // no sent signal, so nothing to show
    kImageSoundCount = 22,        // more than 128 sounds
    kImageFragmentSamples = 23,   // a fragment of no samples, or one running past its sound's samples
    kImageTruncated = 24,         // the tables, names or directory run past the end of the image
    kImageSignalTooLong = 25,     // a table whose elements and pauses come to more than 128
    kImageFileTooLong = 26,       // a file longer than the chime's memory, not only erased bytes after it
};

// Parses `image` (2 MiB as downloaded; a shorter span ends the image early) with addresses in
// `form`. The result always has a back-door signal (the last table), every Gain 0 and UsageMark set
// for exactly the sounds some table uses. Throws FormatError with one of the codes above; never
// reads outside `image`, and every element it yields plays samples inside its sound.
SignalSet parseImage(std::span<const uint8_t> image, AddressForm form);

} // namespace zelmar
