#include "Dsp.h"

#include <algorithm>
#include <deque>
#include <stdexcept>

#include <soxr.h>

namespace factory {

void mixInto(Buffer& dst, const Buffer& src, double at, double gain)
{
    const size_t start = samplesFor(at);
    if (dst.size() < start + src.size())
        dst.resize(start + src.size(), 0.0f);
    for (size_t i = 0; i < src.size(); ++i)
        dst[start + i] += float(src[i] * gain);
}

Buffer concat(const std::vector<Buffer>& parts, double gapSeconds)
{
    Buffer out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0)
            out.resize(out.size() + samplesFor(gapSeconds), 0.0f);
        out.insert(out.end(), parts[i].begin(), parts[i].end());
    }
    return out;
}

Buffer silence(double seconds) { return Buffer(samplesFor(seconds), 0.0f); }

Resonator::Resonator(double freq, double bandwidth)
{
    const double r = std::exp(-kPi * bandwidth / kRate);
    a1_ = 2 * r * std::cos(2 * kPi * freq / kRate);
    a2_ = -r * r;
    g_ = (1 - r * r) / 2;
}

float Resonator::operator()(float x)
{
    const double y = g_ * x + a1_ * y1_ + a2_ * y2_;
    const double out = y - y2_;   // zero at DC
    y2_ = y1_;
    y1_ = y;
    return float(out);
}

Buffer bandPass(const Buffer& in, double freq, double bandwidth)
{
    Resonator r(freq, bandwidth);
    Buffer out(in.size());
    for (size_t i = 0; i < in.size(); ++i)
        out[i] = r(in[i]) * 2.0f;
    return out;
}

Buffer highPass(const Buffer& in, double cutoff)
{
    const double a = 1.0 / (1.0 + 2 * kPi * cutoff / kRate);
    Buffer out(in.size());
    double px = 0, py = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        py = a * (py + in[i] - px);
        px = in[i];
        out[i] = float(py);
    }
    return out;
}

Buffer lowPass(const Buffer& in, double cutoff)
{
    const double a = 1.0 - std::exp(-2 * kPi * cutoff / kRate);
    Buffer out(in.size());
    double y = 0;
    for (size_t i = 0; i < in.size(); ++i) {
        y += a * (in[i] - y);
        out[i] = float(y);
    }
    return out;
}

Buffer noise(double seconds, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    Buffer out(samplesFor(seconds));
    for (float& x : out)
        x = d(rng);
    return out;
}

Buffer modal(const std::vector<Partial>& partials, double seconds, double strikeNoise, unsigned seed)
{
    Buffer out(samplesFor(seconds), 0.0f);
    for (const Partial& p : partials) {
        if (p.freq >= kRate / 2 * 0.95)
            continue;
        const double k = std::log(1000.0) / (p.t60 * kRate);   // -60 dB after t60
        const double w = 2 * kPi * p.freq / kRate;
        for (size_t i = 0; i < out.size(); ++i)
            out[i] += float(p.amp * std::exp(-k * double(i)) * std::sin(w * double(i)));
    }
    if (strikeNoise > 0) {
        Buffer n = highPass(noise(0.03, seed), 1500);
        for (size_t i = 0; i < n.size(); ++i)
            n[i] *= float(strikeNoise * std::exp(-double(i) / (0.004 * kRate)));
        mixInto(out, n, 0.0);
    }
    return out;
}

Formants vowel(char v, double shift)
{
    Formants f{};
    switch (v) {
    case 'a': f = {800, 1200, 2600}; break;
    case 'e': f = {480, 1750, 2500}; break;
    case 'i': f = {300, 2250, 2950}; break;
    case 'o': f = {470, 820, 2500}; break;
    case 'u': f = {330, 750, 2400}; break;
    default: f = {600, 1400, 2500}; break;
    }
    return {f.f1 * shift, f.f2 * shift, f.f3 * shift};
}

std::vector<double> curve(const std::vector<std::pair<double, double>>& points, size_t n)
{
    std::vector<double> out(n, points.empty() ? 0.0 : points.front().second);
    for (size_t i = 0; i < n; ++i) {
        const double t = double(i) / kRate;
        if (t <= points.front().first) {
            out[i] = points.front().second;
            continue;
        }
        out[i] = points.back().second;
        for (size_t k = 1; k < points.size(); ++k) {
            if (t <= points[k].first) {
                const auto& [t0, v0] = points[k - 1];
                const auto& [t1, v1] = points[k];
                out[i] = t1 > t0 ? v0 + (v1 - v0) * (t - t0) / (t1 - t0) : v1;
                break;
            }
        }
    }
    return out;
}

Buffer voice(double seconds, const std::vector<double>& pitch, const std::vector<Formants>& vowels, double breath,
             unsigned seed)
{
    const size_t n = samplesFor(seconds);
    std::mt19937 rng(seed);
    std::normal_distribution<double> jitter(0.0, 1.0);
    std::uniform_real_distribution<double> white(-1.0, 1.0);
    // Glottal source: a Rosenberg pulse, opening slowly and closing abruptly, taken as the flow's
    // change (what the lips radiate); the sudden closure gives the voice its upper harmonics.
    Buffer source(n, 0.0f);
    double phase = 0, previous = 0;
    for (size_t i = 0; i < n; ++i) {
        const double f = pitch[std::min(i, pitch.size() - 1)] * (1.0 + 0.004 * jitter(rng));
        phase += f / kRate;
        if (phase >= 1.0)
            phase -= 1.0;
        constexpr double open = 0.42, close = 0.16;
        double g = 0;
        if (phase < open)
            g = 0.5 * (1 - std::cos(kPi * phase / open));
        else if (phase < open + close)
            g = std::cos(kPi / 2 * (phase - open) / close);
        source[i] = float((g - previous) * 8.0 + breath * white(rng) * g);
        previous = g;
    }
    source = highPass(source, 80);
    // Five formants. Their frequencies glide to each new vowel over some 15 ms instead of jumping,
    // which would click; the filters are retuned every 16 samples.
    Buffer out(n, 0.0f);
    const double bw[5] = {90, 110, 170, 250, 300};
    const double gain[5] = {1.0, 0.7, 0.35, 0.2, 0.12};
    const double glide = 1.0 - std::exp(-1.0 / (0.015 * kRate));
    for (int k = 0; k < 5; ++k) {
        double y1 = 0, y2 = 0, a1 = 0, a2 = 0, g = 0, freq = -1;
        for (size_t i = 0; i < n; ++i) {
            const Formants& fm = vowels[std::min(i, vowels.size() - 1)];
            const double target = k == 0 ? fm.f1 : k == 1 ? fm.f2 : k == 2 ? fm.f3 : k == 3 ? 3500 : 4500;
            freq = freq < 0 ? target : freq + (target - freq) * glide;
            if (i % 16 == 0) {
                const double r = std::exp(-kPi * bw[k] / kRate);
                a1 = 2 * r * std::cos(2 * kPi * std::min(freq, kRate / 2 * 0.9) / kRate);
                a2 = -r * r;
                g = 1 - r;
            }
            const double y = g * source[i] + a1 * y1 + a2 * y2;
            y2 = y1;
            y1 = y;
            out[i] += float(gain[k] * y);
        }
    }
    return out;
}

void fadeIn(Buffer& b, double seconds)
{
    const size_t n = std::min(b.size(), samplesFor(seconds));
    for (size_t i = 0; i < n; ++i)
        b[i] *= float(double(i) / double(n));
}

void fadeOut(Buffer& b, double seconds)
{
    const size_t n = std::min(b.size(), samplesFor(seconds));
    for (size_t i = 0; i < n; ++i) {
        const double t = double(i) / double(n);   // 0 at the end
        b[b.size() - 1 - i] *= float(0.5 - 0.5 * std::cos(kPi * t));
    }
}

void envelope(Buffer& b, const std::vector<std::pair<double, double>>& points)
{
    const std::vector<double> e = curve(points, b.size());
    for (size_t i = 0; i < b.size(); ++i)
        b[i] *= float(e[i]);
}

float peakOf(const Buffer& b)
{
    float top = 0;
    for (float x : b)
        top = std::max(top, std::fabs(x));
    return top;
}

namespace {

// Where a sound's last audible sample lies (below -50 dB of its peak counts as silence), with a
// little of its ring after it.
size_t audibleEnd(const Buffer& b, size_t from, float top)
{
    const float floor = top * 0.0032f;
    size_t last = b.size();
    while (last > from && std::fabs(b[last - 1]) < floor)
        --last;
    return std::min(b.size(), last + samplesFor(0.01));
}

// Cuts `out` to at most `maxSamples` and fades its end: over at least 0.25 s where it was cut.
// Returns where the fade begins.
size_t cutAndFade(Buffer& out, size_t maxSamples, double fadeOutSeconds)
{
    bool cut = false;
    if (out.size() > maxSamples) {
        out.resize(maxSamples);
        cut = true;
    }
    const double fade = cut ? std::max(fadeOutSeconds, 0.25) : fadeOutSeconds;
    fadeOut(out, fade);
    return out.size() - std::min(out.size(), samplesFor(fade));
}

// `body` after the last `lead` samples of `before`, faded in from silence.
Buffer withFadedLead(const Buffer& before, const Buffer& body, size_t lead)
{
    Buffer out(before.end() - long(lead), before.end());
    for (size_t i = 0; i < lead; ++i)
        out[i] *= float(double(i) / double(lead));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

} // namespace

Buffer finish(Buffer b, double maxSeconds, double fadeOutSeconds, double peak, Shape* shape)
{
    if (b.empty())
        return b;
    b = highPass(b, 30);
    float top = peakOf(b);
    if (top <= 0)
        return {};
    // Cut what lies below -50 dB of the peak at both ends, keeping a little lead-in.
    const float floor = top * 0.0032f;
    size_t first = 0;
    while (first < b.size() && std::fabs(b[first]) < floor)
        ++first;
    first = first > samplesFor(0.004) ? first - samplesFor(0.004) : 0;
    const size_t last = audibleEnd(b, first, top);
    Buffer out(b.begin() + long(first), b.begin() + long(last));
    fadeIn(out, 0.003);
    const size_t fadeStart = cutAndFade(out, samplesFor(maxSeconds), fadeOutSeconds);
    if (shape)
        *shape = {double(first) / kRate, double(fadeStart) / kRate};
    top = peakOf(out);
    for (float& x : out)
        x = float(x / top * peak);
    return out;
}

Buffer seamlessLoop(const Buffer& raw, size_t length, size_t lead, Buffer& ring)
{
    Buffer x = highPass(raw, 30);
    x.resize(std::max(x.size(), length), 0.0f);
    ring.assign(x.begin() + long(length), x.end());
    Buffer body(x.begin(), x.begin() + long(length));
    for (size_t i = 0; i < ring.size() && i < length; ++i)
        body[i] += ring[i];
    return withFadedLead(body, body, lead);
}

Buffer endingAfterLoop(const Buffer& raw, const Buffer& loop, const Buffer& ring, size_t lead, double maxSeconds,
                       double fadeOutSeconds)
{
    Buffer body = highPass(raw, 30);
    mixInto(body, ring, 0.0);
    body.resize(audibleEnd(body, 0, peakOf(body)));
    cutAndFade(body, samplesFor(maxSeconds), fadeOutSeconds);
    return withFadedLead(loop, body, lead);
}

LimitReport limit(Buffer& b, double ceiling, double releaseSeconds)
{
    const size_t ahead = samplesFor(0.005);
    const double release = std::exp(-1.0 / (releaseSeconds * kRate));
    const size_t n = b.size();
    // The gain each sample needs; the least of it over the coming look-ahead, let go within the
    // release; then averaged over the look-ahead, so that the gain glides down before a peak
    // instead of jumping (a jump would click) and is at or below what the peak needs when it comes.
    std::vector<double> need(n);
    for (size_t i = 0; i < n; ++i)
        need[i] = std::fabs(b[i]) > ceiling ? ceiling / std::fabs(b[i]) : 1.0;
    std::vector<double> held(n);
    double g = 1.0;
    std::deque<size_t> window;   // indices of a rising run of need over [i, i + ahead]
    for (size_t i = 0, next = 0; i < n; ++i) {
        for (; next < std::min(n, i + ahead + 1); ++next) {
            while (!window.empty() && need[window.back()] >= need[next])
                window.pop_back();
            window.push_back(next);
        }
        while (window.front() < i)
            window.pop_front();
        g = std::min(need[window.front()], 1.0 - (1.0 - g) * release);
        held[i] = g;
    }
    LimitReport report;
    constexpr double kOneDb = 0.8912509;
    size_t run = 0, total = 0, longest = 0;
    double sum = 0;
    for (size_t i = 0; i < n; ++i) {
        sum += held[i];
        if (i >= ahead)
            sum -= held[i - ahead];
        const double gain = sum / double(std::min(i + 1, ahead));
        b[i] = float(b[i] * gain);
        if (gain < 0.9999 && (i < samplesFor(0.02) || i + samplesFor(0.02) >= n))
            report.touchesEnds = true;
        run = gain < kOneDb ? run + 1 : 0;
        total += gain < kOneDb;
        longest = std::max(longest, run);
    }
    report.longestSeconds = double(longest) / kRate;
    report.totalSeconds = double(total) / kRate;
    return report;
}

Buffer resampled(const Buffer& in, double fromRate, double toRate)
{
    Buffer out(size_t(std::ceil(double(in.size()) * toRate / fromRate)) + 16);
    size_t made = 0;
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    if (soxr_oneshot(fromRate, toRate, 1, in.data(), in.size(), nullptr, out.data(), out.size(), &made, nullptr,
                     &quality, nullptr))
        throw std::runtime_error("soxr could not change the rate");
    out.resize(made);
    return out;
}

std::vector<int16_t> toPcm16(const Buffer& b)
{
    std::vector<int16_t> out(b.size());
    for (size_t i = 0; i < b.size(); ++i)
        out[i] = int16_t(std::clamp(std::lround(b[i] * 32767.0), -32768L, 32767L));
    return out;
}

} // namespace factory
