#include "audio/MonoMix.h"

#include <type_traits>

namespace zelmar {

namespace {

inline double unit(int16_t v) { return double(v) * (1.0 / 32768.0); }
inline double unit(float v) { return double(v); }
inline double unit(double v) { return v; }

template <class T>
void mix(std::span<const T> in, int channels, size_t frames, float* out)
{
    const T* p = in.data();
    if constexpr (std::is_same_v<T, int16_t>) {
        // The same values in single precision, where they are exact too, and faster.
        if (channels == 1) {
            for (size_t i = 0; i < frames; ++i)
                out[i] = float(p[i]) * (1.0f / 32768.0f);
            return;
        }
        if (channels == 2) {
            for (size_t i = 0; i < frames; ++i, p += 2)
                out[i] = float(int(p[0]) + int(p[1])) * (1.0f / 65536.0f);
            return;
        }
    }
    if (channels == 1) {
        for (size_t i = 0; i < frames; ++i)
            out[i] = float(unit(p[i]));
        return;
    }
    if (channels == 2) {
        for (size_t i = 0; i < frames; ++i, p += 2)
            out[i] = float((unit(p[0]) + unit(p[1])) * 0.5);
        return;
    }
    for (size_t i = 0; i < frames; ++i, p += channels) {
        double sum = 0;
        for (int k = 0; k < channels; ++k)
            sum += unit(p[k]);
        out[i] = float(sum / channels);
    }
}

} // namespace

void mixToMono(const SampleBlock& block, float* out)
{
    std::visit([&](auto samples) { mix(samples, block.channels, block.frames, out); }, block.samples);
}

} // namespace zelmar
