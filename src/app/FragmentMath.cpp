#include "FragmentMath.h"

#include "audio/Gain.h"
#include "model/SignalSet.h"

#include <algorithm>
#include <cmath>

namespace zelmar {

namespace {

// 1-based sample; anything past the stored samples reads as silence.
int16_t sampleAt(const TDostepnyDzwiek& sound, int64_t k)
{
    if (k < 1 || k > int64_t(sound.Samples.size()))
        return 0;
    return sound.Samples[size_t(k - 1)];
}

} // namespace

int32_t roundEven(double v)
{
    // The default rounding mode is to nearest, ties to even.
    return int32_t(std::nearbyint(v));
}

WaveGeometry WaveGeometry::of(int clientWidth, int clientHeight, int32_t sampleCount)
{
    WaveGeometry g;
    g.W = std::max(1, clientWidth - 2);
    g.H = std::max(1, clientHeight);
    g.mid = roundEven((g.H + 1) / 2.0);
    g.N = std::max<int32_t>(0, sampleCount);
    g.S = std::max<int32_t>(1, roundEven(double(g.N) / g.W));
    return g;
}

int32_t WaveGeometry::columnOf(int32_t position) const
{
    return std::clamp(roundEven(double(position - 1) / S) + 1, 1, W);
}

int32_t WaveGeometry::positionAt(int x) const
{
    int64_t p = int64_t(x - 1) * S + 1;
    if (p <= 0)
        p = 1;
    if (p > N)
        p = N;
    return int32_t(p);
}

int32_t WaveGeometry::yOf(double value) const
{
    return mid + roundEven(value / 32767.0 * (H - 1) / 2.0);
}

int32_t snapToCrossing(const TDostepnyDzwiek& sound, int32_t p)
{
    const int32_t n = sound.SampleCount;
    while (p < n && (sampleAt(sound, p) >= 0) == (sampleAt(sound, int64_t(p) + 1) >= 0))
        ++p;
    return p;
}

int32_t alignToBlock(int32_t p, int32_t n)
{
    while ((p - 1) % 8 != 0 && p < n)
        ++p;
    return p;
}

int32_t startAt(const TDostepnyDzwiek& sound, int32_t p, bool snap, int32_t end)
{
    if (snap)
        p = snapToCrossing(sound, p);
    p = alignToBlock(p, sound.SampleCount);
    // Rounding, snapping and alignment can carry the start past the end; fall back to the block
    // the end lies in.
    if (p > end)
        p = std::max(1, (end - 1) / 8 * 8 + 1);
    return p;
}

int32_t endAt(const TDostepnyDzwiek& sound, int32_t p, bool snap, int32_t start)
{
    if (snap)
        p = snapToCrossing(sound, p);
    return std::max({p, start, 1});
}

int32_t startForColumn(const WaveGeometry& g, const TDostepnyDzwiek& sound, int x, bool snap, int32_t end)
{
    return startAt(sound, g.positionAt(x), snap, end);
}

int32_t endForColumn(const WaveGeometry& g, const TDostepnyDzwiek& sound, int x, bool snap, int32_t start)
{
    return endAt(sound, g.positionAt(x), snap, start);
}

namespace {

// Where a marker at `from` goes `distance` samples on: the target snapped and, for a start,
// aligned. Going back, the first such place at or after the target that lies before `from`; where
// the target's stretch has none, the stretch before it, and so on, each sample looked at once.
int32_t stepPosition(const TDostepnyDzwiek& sound, int32_t from, int64_t distance, bool snap, bool aligned)
{
    const int32_t n = sound.SampleCount;
    if (n < 1)
        return from;
    auto place = [&](int64_t p) { return aligned ? alignToBlock(int32_t(p), n) : int32_t(p); };
    if (distance >= 0) {
        const int32_t p = int32_t(std::clamp<int64_t>(int64_t(from) + distance, 1, n));
        return place(snap ? snapToCrossing(sound, p) : p);
    }
    int64_t upper = from;   // the places from here on are no step back
    int64_t t = int64_t(from) + distance;
    while (upper > 1) {
        t = std::max<int64_t>(1, t);
        int64_t p = t;
        while (snap && p < upper && p < n && (sampleAt(sound, p) >= 0) == (sampleAt(sound, p + 1) >= 0))
            ++p;
        if (p < upper && place(p) < from)
            return place(p);
        upper = t;
        t += distance;
    }
    return from;
}

} // namespace

int32_t stepStart(const TDostepnyDzwiek& sound, int32_t start, int32_t end, int64_t distance, bool snap)
{
    const int32_t p = startAt(sound, stepPosition(sound, start, distance, snap, true), false, end);
    // A start that lies off the blocks (from a file) would otherwise fall back with a step forward.
    return distance > 0 ? std::max(p, start) : p;
}

int32_t stepEnd(const TDostepnyDzwiek& sound, int32_t start, int32_t end, int64_t distance, bool snap)
{
    return endAt(sound, stepPosition(sound, end, distance, snap, false), false, start);
}

std::vector<std::pair<int32_t, int32_t>> columnPeaks(const WaveGeometry& g, const TDostepnyDzwiek& sound)
{
    std::vector<std::pair<int32_t, int32_t>> peaks(size_t(g.W));
    const double factor = gainFactor(sound.Gain / 10.0);
    for (int32_t i = 1; i <= g.W; ++i) {
        int32_t lo = 0;
        int32_t hi = 0;
        const int64_t first = int64_t(g.S) * (i - 1) + 1;
        const int64_t last = std::min<int64_t>(int64_t(g.S) * i, g.N);
        for (int64_t k = first; k <= last; ++k) {
            int32_t v = sampleAt(sound, k);
            if (sound.Gain != 0)
                v = applyGainFactor(int16_t(v), factor);
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        peaks[size_t(i - 1)] = {g.yOf(lo), g.yOf(hi)};
    }
    return peaks;
}

} // namespace zelmar
