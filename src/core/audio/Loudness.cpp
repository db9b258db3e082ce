#include "audio/Loudness.h"

#include <soxr.h>

#include <cmath>
#include <numbers>
#include <stdexcept>
#include <vector>

namespace zelmar {

namespace {

constexpr int kMeterRate = 48000;

struct Biquad {
    double b0, b1, b2, a1, a2;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double operator()(double x)
    {
        const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

// The high-pass of the audio-EQ cookbook with Q = 1/sqrt(2).
Biquad butterworthHighPass(double cutoff, double rate)
{
    const double w = 2 * std::numbers::pi * cutoff / rate;
    const double alpha = std::sin(w) / std::numbers::sqrt2;
    const double c = std::cos(w);
    const double a0 = 1 + alpha;
    return {(1 + c) / 2 / a0, -(1 + c) / a0, (1 + c) / 2 / a0, -2 * c / a0, (1 - alpha) / a0};
}

std::vector<float> toMeterRate(std::span<const float> in, int rate)
{
    if (rate == kMeterRate)
        return {in.begin(), in.end()};
    const double ratio = double(kMeterRate) / rate;
    std::vector<float> out(size_t(std::ceil(double(in.size()) * ratio)) + 16);
    size_t made = 0;
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    if (soxr_oneshot(rate, kMeterRate, 1, in.data(), in.size(), nullptr, out.data(), out.size(), &made, nullptr,
                     &quality, nullptr))
        throw std::runtime_error("the loudness meter could not change the sample rate");
    out.resize(made);
    return out;
}

} // namespace

std::optional<double> integratedLoudness(std::span<const float> samples, int rate, double highPassHz)
{
    if (rate <= 0)
        return std::nullopt;
    std::vector<float> x(samples.begin(), samples.end());
    if (highPassHz > 0) {
        Biquad hp = butterworthHighPass(highPassHz, rate);
        for (float& s : x)
            s = float(hp(s));
    }
    x = toMeterRate(x, rate);
    // K-weighting: the head's shelf, then the revised low-frequency B-curve (48 kHz coefficients).
    Biquad shelf{1.53512485958697, -2.69169618940638, 1.19839281085285, -1.69065929318241, 0.73248077421585};
    Biquad rlb{1.0, -2.0, 1.0, -1.99004745483398, 0.99007225036621};
    std::vector<double> squares(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        const double k = rlb(shelf(x[i]));
        squares[i] = k * k;
    }
    constexpr size_t kBlock = kMeterRate * 4 / 10, kStep = kMeterRate / 10;
    std::vector<double> blocks;
    for (size_t start = 0; start + kBlock <= squares.size(); start += kStep) {
        double sum = 0;
        for (size_t i = start; i < start + kBlock; ++i)
            sum += squares[i];
        blocks.push_back(sum / double(kBlock));
    }
    const auto loudness = [](double meanSquare) { return -0.691 + 10 * std::log10(meanSquare); };
    const auto gatedMean = [&](double gate) -> std::optional<double> {
        double sum = 0;
        size_t n = 0;
        for (double z : blocks) {
            if (z > 0 && loudness(z) > gate) {
                sum += z;
                ++n;
            }
        }
        if (n == 0)
            return std::nullopt;
        return sum / double(n);
    };
    const std::optional<double> absolute = gatedMean(-70.0);
    if (!absolute)
        return std::nullopt;
    const std::optional<double> relative = gatedMean(std::max(-70.0, loudness(*absolute) - 10.0));
    return relative ? std::optional(loudness(*relative)) : std::nullopt;
}

std::optional<double> integratedLoudness(std::span<const int16_t> samples, int rate, double highPassHz)
{
    std::vector<float> x(samples.size());
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = float(samples[i]) / 32768.0f;
    return integratedLoudness(std::span<const float>(x), rate, highPassHz);
}

} // namespace zelmar
