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
// normalised to `peak` of full scale. `shape`, when given, learns where the fade-out begins.
struct Shape {
    double cutFromStart = 0;   // seconds of lead-in silence taken away
    double fadeStart = 0;      // where the fade-out begins in what is returned
};
Buffer finish(Buffer b, double maxSeconds, double fadeOutSeconds = 0.05, double peak = 0.89, Shape* shape = nullptr);

// A groove that a signal repeats. `raw` holds one pass of `length` samples and what rings on after
// it. What rings on is laid over the pass's start, as it sounds when the pass comes round again, so
// the repeat is seamless; and the pass's last `lead` samples, faded in, go before it, so that the
// groove also starts from silence: a repeat plays from `lead` on. `ring` gets what rings on, for
// the ending that follows. DC removed, not normalised.
Buffer seamlessLoop(const Buffer& raw, size_t length, size_t lead, Buffer& ring);

// The ending after such a groove: the groove's ring laid over its start, after the same faded
// lead, so that it follows the groove as seamlessly; its own end cut and faded as finish() does.
Buffer endingAfterLoop(const Buffer& raw, const Buffer& loop, const Buffer& ring, size_t lead, double maxSeconds,
                       double fadeOutSeconds);

// Holds every sample within `ceiling`: the gain falls ahead of a peak (a few milliseconds of
// look-ahead) and comes back within `releaseSeconds`, so that a short hit is pressed down without
// distortion and what rings after it keeps its own decay. Says how long the gain stayed more than
// 1 dB down: a long stretch means the sound is being flattened, not a transient caught.
struct LimitReport {
    double longestSeconds = 0;
    double totalSeconds = 0;
    bool touchesEnds = false;   // the gain is down at all within 20 ms of either end
};
LimitReport limit(Buffer& b, double ceiling, double releaseSeconds = 0.03);
float peakOf(const Buffer& b);

// Brings `in` from one rate to another (libsoxr, very high quality): what is made at a multiple of
// the chime's rate, so that a clipper's harmonics do not fold back, comes down through a proper
// anti-alias filter.
Buffer resampled(const Buffer& in, double fromRate, double toRate);

std::vector<int16_t> toPcm16(const Buffer& b);

} // namespace factory
