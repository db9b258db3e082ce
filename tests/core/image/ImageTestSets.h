#pragma once
// Small sets shared by the image tests.
#include "model/SignalSet.h"

#include <vector>

namespace zelmar::testsets {

inline LibrarySound sound(const std::string& name, std::vector<int16_t> samples, uint8_t gain = 0)
{
    LibrarySound s;
    s.name = name;
    s.sound.SetSamples(std::move(samples));
    s.sound.Gain = gain;
    return s;
}

inline std::vector<int16_t> ramp(size_t n, int step = 97)
{
    std::vector<int16_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = int16_t(int(i) * step % 65536 - 32768);
    return v;
}

inline TDzwiek element(int32_t sound, int32_t start, int32_t end, int32_t volume = 0)
{
    return TDzwiek{sound, volume, start, end, 0};
}

// One signal "A": pause 0.50 s, sound 1 whole (10 samples), pause 1.00 s, pause 2.00 s.
inline SignalSet workedExample()
{
    SignalSet set;
    set.library.push_back(sound("s", {64, 192, -128, 0, 32767, -32768, 128, -129, 1000, -1000}));
    set.signals.push_back({"A", {TDzwiek::pause(50), element(1, 1, 10), TDzwiek::pause(100), TDzwiek::pause(200)}});
    return set;
}

} // namespace zelmar::testsets
