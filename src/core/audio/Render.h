#pragma once
// What the previews play: an element's audio (its fragment with the sound's gain and the element's
// volume, or a pause of silence), whole signals and library sounds, in memory or as WAV files in
// the program's format.
#include "model/SignalSet.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zelmar {

// Samples one element plays. A sound element plays its fragment (a start of 0 counts as 1, an end
// past the sound stops at its last sample), each sample through the sound's gain and then scaled by
// Volume / 16 unless the volume is full (stored 0). A pause plays PauseLength x 180 zero samples.
// An element naming no sound plays nothing.
std::vector<int16_t> renderElementSamples(const TDzwiek& element, const TDostepnyDzwiek* sound);
std::vector<int16_t> renderElementSamples(const TDzwiek& element, const SignalSet& set);

// All elements of a signal, one after another.
std::vector<int16_t> renderSignalSamples(const Signal& signal, const SignalSet& set);

// A whole library sound, with its gain or as stored.
std::vector<int16_t> renderSoundSamples(const TDostepnyDzwiek& sound, bool withGain);

// Appends one element's audio to an existing WAV file; returns the bytes appended (2 per sample).
// Throws FileError.
int64_t RenderElement(const std::string& path, const TDzwiek& element, const SignalSet& set);

// Preview files: each returns the path of a fresh temporary WAV file (MakeTempWavName) that the
// caller plays and then deletes. A failure removes the half-made file and throws FileError.
std::string renderSoundPreview(const TDostepnyDzwiek& sound, bool withGain);
std::string renderElementPreview(const TDzwiek& element, const SignalSet& set);
// Empty string for a signal without elements: there is nothing to play and no file is made.
std::string renderSignalPreview(const Signal& signal, const SignalSet& set);

// The same audio written to `path` by way of a temporary file beside it, so that a failure leaves
// an existing file as it was. A signal without elements gives a file with no samples.
void writeSignalWav(const std::string& path, const Signal& signal, const SignalSet& set);
void writeElementWav(const std::string& path, const TDzwiek& element, const SignalSet& set);
void writeSoundWav(const std::string& path, const TDostepnyDzwiek& sound, bool withGain);

} // namespace zelmar
