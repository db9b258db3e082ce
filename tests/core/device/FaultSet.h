#pragma once
// Two signals over two sounds: an image of a few pages in both kinds of chime, small enough that
// every request of its transfer can be failed in turn.
#include "model/SignalSet.h"

#include <cstdint>
#include <vector>

namespace devtest {

inline zelmar::SignalSet smallFaultSet()
{
    using zelmar::TDzwiek;
    zelmar::SignalSet set;
    for (int k = 0; k < 2; ++k) {
        zelmar::LibrarySound s;
        s.name = k == 0 ? "gong" : "dzyń";
        std::vector<int16_t> samples(size_t(700 + 300 * k));
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = int16_t((int(i) * (k + 5) % 400 - 200) * 150);
        s.sound.SetSamples(samples);
        set.library.push_back(s);
    }
    set.signals.push_back({"pierwszy", {TDzwiek::sound(1, set.library[0].sound), TDzwiek::pause(20),
                                        TDzwiek::sound(2, set.library[1].sound)}});
    set.signals.push_back({"drugi", {TDzwiek::sound(2, set.library[1].sound)}});
    return set;
}

} // namespace devtest
