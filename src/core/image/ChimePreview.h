#pragma once
// Every preview, played as the program renders it or as the chime will play it. The chime keeps
// its own copy of a set: sounds in its 9-bit code with their gain applied, fragments starting on
// its blocks of eight samples, pauses merged into the sound before them. "As the chime plays it"
// sends the part of the set a preview uses through the memory image and back, and renders what
// comes back exactly as the other previews are rendered.
#include "model/SignalSet.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zelmar {

// What a preview plays. It refers to the caller's objects, which must outlive each call.
struct PreviewSubject {
    enum Kind { SignalKind, ElementKind, SoundKind };
    Kind kind = SignalKind;
    const Signal* signal = nullptr;
    const TDzwiek* element = nullptr;
    const TDostepnyDzwiek* sound = nullptr;
    bool withGain = true;

    // A signal of the list, the back-door signal or the one under edit.
    static PreviewSubject of(const Signal& s) { return {SignalKind, &s, nullptr, nullptr, true}; }
    // One element (a pause plays its silence).
    static PreviewSubject of(const TDzwiek& e) { return {ElementKind, nullptr, &e, nullptr, true}; }
    // A library sound, whole. The chime always keeps a sound with its gain, so as the chime plays
    // it `withGain` makes no difference.
    static PreviewSubject of(const TDostepnyDzwiek& s, bool withGain) { return {SoundKind, nullptr, nullptr, &s, withGain}; }
};

// The samples of the preview; `set` holds the sounds the elements name. As the chime plays it, a
// signal that holds no sound plays nothing (the chime does not keep it). Throws LimitError
// (kImageTooLarge, kImageUnfit) when the chime could not hold what the preview uses.
std::vector<int16_t> previewSamples(const SignalSet& set, const PreviewSubject& what, bool asChime);

// The preview as a fresh temporary WAV file (MakeTempWavName) that the caller plays and deletes;
// the empty string when there is nothing to play (a signal without elements, or as the chime plays
// it, without sounds). Throws FileError, or LimitError as above.
std::string renderPreview(const SignalSet& set, const PreviewSubject& what, bool asChime);

// The preview written to `path` by way of a temporary file beside it; nothing to play gives a
// file with no samples.
void writePreviewWav(const std::string& path, const SignalSet& set, const PreviewSubject& what, bool asChime);

} // namespace zelmar
