#pragma once
// The arithmetic behind the fragment picture: columns and sample positions, snapping to a zero
// crossing, block alignment and the per-column peaks. Plain C++ so that it can be checked without
// a window.
#include <cstdint>
#include <utility>
#include <vector>

namespace zelmar {

class TDostepnyDzwiek;

// Nearest integer, ties to the even one.
int32_t roundEven(double v);

// The figures of one picture of one sound, all 1-based like the columns and samples they describe.
struct WaveGeometry {
    int32_t W = 1;    // waveform columns, x = 1 .. W
    int32_t H = 1;    // picture height
    int32_t mid = 1;  // y of the axis
    int32_t N = 0;    // samples in the sound
    int32_t S = 1;    // samples per column, never 0 so that short sounds draw one sample a column

    static WaveGeometry of(int clientWidth, int clientHeight, int32_t sampleCount);

    // Column of a 1-based sample position, kept inside 1 .. W.
    int32_t columnOf(int32_t position) const;
    // First sample of column x, kept inside 1 .. N (0 only when the sound has no samples).
    int32_t positionAt(int x) const;
    // y of a sample value; positive values lie below the axis.
    int32_t yOf(double value) const;
};

// Moves p to the last sample before the next change of sign (or to N), judged on the stored samples.
int32_t snapToCrossing(const TDostepnyDzwiek& sound, int32_t p);

// Moves a fragment start on to the first sample of the next block of 8 (or to N).
int32_t alignToBlock(int32_t p, int32_t n);

// The start that sample position p gives, with the end fixed: snapped when asked, aligned, and
// never past the end so that the fragment keeps at least one sample.
int32_t startAt(const TDostepnyDzwiek& sound, int32_t p, bool snap, int32_t end);
// The end that sample position p gives, with the start fixed: snapped when asked, never before the start.
int32_t endAt(const TDostepnyDzwiek& sound, int32_t p, bool snap, int32_t start);

// The start and the end a drag at column x gives.
int32_t startForColumn(const WaveGeometry& g, const TDostepnyDzwiek& sound, int x, bool snap, int32_t end);
int32_t endForColumn(const WaveGeometry& g, const TDostepnyDzwiek& sound, int x, bool snap, int32_t start);

// The start and the end a key moves by `distance` samples (negative: back), snapped and aligned as
// a drag is. A step back goes to the nearest place before the present one that snapping allows, so
// that it never stays put where a step forward would move.
int32_t stepStart(const TDostepnyDzwiek& sound, int32_t start, int32_t end, int64_t distance, bool snap);
int32_t stepEnd(const TDostepnyDzwiek& sound, int32_t start, int32_t end, int64_t distance, bool snap);

// For each column 1 .. W the y of its smallest and of its largest value (gain applied), both
// starting from 0 so that every column touches the axis.
std::vector<std::pair<int32_t, int32_t>> columnPeaks(const WaveGeometry& g, const TDostepnyDzwiek& sound);

} // namespace zelmar
