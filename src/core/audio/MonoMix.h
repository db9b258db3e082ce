#pragma once
// The second stage of the import: every frame of a block becomes the mean of its channels, in
// floating point with full scale at 1.0. Each mean is rounded to float once, from double precision
// (or single, where that is exact too): the mean of two 16-bit channels is exact, and its halves
// round half to even when the sound is made 16-bit.
#include "audio/SoundSource.h"

namespace zelmar {

// Writes block.frames mono samples to `out`.
void mixToMono(const SampleBlock& block, float* out);

} // namespace zelmar
