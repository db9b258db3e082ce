#pragma once
// Integrated loudness of a mono signal, gated, in LUFS (ITU-R BS.1770): the signal is brought to
// 48000 samples per second and K-weighted with the standard's own filters, then measured in 400 ms
// blocks every 100 ms, with the absolute gate at -70 LUFS and the relative gate 10 LU below.
#include <cstdint>
#include <optional>
#include <span>

namespace zelmar {

// A second-order Butterworth high-pass before the measurement at `highPassHz` (0: none) shows how
// loud the signal is on a speaker that gives nothing below that. Nothing when no block passes the
// gates, as for a signal shorter than one block or silent.
std::optional<double> integratedLoudness(std::span<const float> samples, int rate, double highPassHz = 0);
std::optional<double> integratedLoudness(std::span<const int16_t> samples, int rate, double highPassHz = 0);

} // namespace zelmar
