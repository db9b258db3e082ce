#pragma once
// Small signal toolkit of the factory-set generator: buffers of float samples at the chime's rate,
// filters, envelopes and the finishing steps every sound goes through.
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace factory {

constexpr double kRate = 18000.0;
constexpr double kPi = 3.14159265358979323846;

using Buffer = std::vector<float>;

inline size_t samplesFor(double seconds) { return size_t(std::lround(seconds * kRate)); }

// Adds `src` into `dst` at `at` seconds, scaled, growing `dst` as needed.
void mixInto(Buffer& dst, const Buffer& src, double at, double gain = 1.0);
Buffer concat(const std::vector<Buffer>& parts, double gapSeconds = 0.0);
Buffer silence(double seconds);

// Two-pole resonator (band-pass, peak gain about 1) and a one-pole high-pass.
class Resonator {
public:
    Resonator(double freq, double bandwidth);
    float operator()(float x);
private:
    double a1_ = 0, a2_ = 0, g_ = 0, y1_ = 0, y2_ = 0;
};
Buffer bandPass(const Buffer& in, double freq, double bandwidth);
Buffer highPass(const Buffer& in, double cutoff);
Buffer lowPass(const Buffer& in, double cutoff);

// A decaying sine partial: amplitude `amp`, 60 dB decay time `t60`.
struct Partial {
    double freq;
    double amp;
    double t60;
};
// Struck metal: the sum of partials, each with its own decay, plus a short strike noise.
Buffer modal(const std::vector<Partial>& partials, double seconds, double strikeNoise = 0.02, unsigned seed = 1);

// White noise in -1..1.
Buffer noise(double seconds, unsigned seed);

// A glottal pulse train through vowel formants: the voice the yodel is sung with. The pitch and
// the vowel are given per sample.
struct Formants {
    double f1, f2, f3;
};
Formants vowel(char v, double shift = 1.0);
Buffer voice(double seconds, const std::vector<double>& pitchCurve, const std::vector<Formants>& vowelCurve,
             double breath, unsigned seed);

// Linear interpolation of a curve given as (time, value) points over `n` samples.
std::vector<double> curve(const std::vector<std::pair<double, double>>& points, size_t n);

// Shapes: attack/decay/fade envelopes applied in place.
void fadeIn(Buffer& b, double seconds);
void fadeOut(Buffer& b, double seconds);
void envelope(Buffer& b, const std::vector<std::pair<double, double>>& points);

// The finishing every sound gets: DC removed, silence cut from both ends, cut to at most
// `maxSeconds` (with a fade-out at the cut), fades so that no end clicks, and the peak
// normalised to `peak` of full scale. A loop (`exactSeconds` above 0) keeps its start where its
// first beat is and lasts exactly that long, so that it repeats on the beat.
Buffer finish(Buffer b, double maxSeconds, double fadeOutSeconds = 0.05, double peak = 0.89, double exactSeconds = 0);

// Holds every sample within `ceiling`: the gain falls ahead of a peak (a few milliseconds of
// look-ahead) and comes back slowly, so that short hits are pressed down without distortion.
void limit(Buffer& b, double ceiling);
float peakOf(const Buffer& b);

std::vector<int16_t> toPcm16(const Buffer& b);

} // namespace factory
