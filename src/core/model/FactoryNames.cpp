#include "model/FactoryNames.h"

#include "i18n/Literals.h"

#include <array>
#include <span>

namespace zelmar {

namespace {

// How many library sounds each signal is made of, in library order. The sounds' names follow from
// these and the signals' names.
constexpr std::array<int, 50> kPremiumSoundsPerSignal = {
    1, 1, 2, 2, 1, 1, 3, 1, 1, 1, 1, 1, 1, 1,   // animals: big and small dog barks, three boar grunts
    2, 2, 1, 2, 1, 1, 1, 1, 1, 1, 1,            // gongs (one sound per tone), two church bells
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1,               // instruments, styles, classical excerpts
    2, 1, 1, 1, 1, 1, 1, 1, 2, 1, 2, 2, 1, 1,   // cuckoo and clock, train whistle and wheels, snore in and out
    4,                                          // yodel phrases
};
constexpr std::array<int, 25> kClassicSoundsPerSignal = {
    2, 3, 1, 1, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
};
constexpr std::array<int, 25> kMusicSoundsPerSignal = {
    2, 3, 1, 1, 1, 1, 1,                        // gongs and instruments
    2, 1, 2, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1,   // a groove and its ending where a style has two sounds
    2, 1, 1, 2,
};

// The signal of sound `index` and the sound's place among that signal's sounds (0-based).
struct SoundPlace {
    int signal = 0;
    int part = 0;
    int parts = 0;
};

std::span<const int> soundsPerSignal(int set)
{
    switch (set) {
    case 1: return kPremiumSoundsPerSignal;
    case 2: return kClassicSoundsPerSignal;
    case 3: return kMusicSoundsPerSignal;
    default: return {};
    }
}

SoundPlace placeOfSound(int index, int set)
{
    int first = 1;
    const std::span<const int> counts = soundsPerSignal(set);
    for (size_t s = 0; s < counts.size(); ++s) {
        const int n = counts[s];
        if (index >= first && index < first + n)
            return {int(s) + 1, index - first, n};
        first += n;
    }
    return {};
}

// The set a key's head names ("Premium" for "Premium.zmr"), letter case ignored; 0 for none.
int setNamed(std::string_view head)
{
    for (int set = 1; set <= kFactorySetCount; ++set) {
        std::string_view file = factorySetFileName(set);
        file = file.substr(0, file.find('.'));
        if (i18n::equalsIgnoringCase(head, file))
            return set;
    }
    return 0;
}

} // namespace

std::string_view factorySetFileName(int set)
{
    switch (set) {
    case 1: return "Premium.zmr";
    case 2: return "Classic.zmr";
    case 3: return "Music.zmr";
    default: return {};
    }
}

int factorySignalCount(int set)
{
    return int(soundsPerSignal(set).size());
}

int factorySoundCount(int set)
{
    int n = 0;
    for (int k : soundsPerSignal(set))
        n += k;
    return n;
}

int factorySignalOfSound(int index, int set)
{
    return placeOfSound(index, set).signal;
}

std::optional<FactoryNames> FactoryNames::of(const std::vector<i18n::TbsINIFile::Key>& keys)
{
    FactoryNames names;
    bool any = false;
    for (const i18n::TbsINIFile::Key& k : keys) {
        const size_t dot = k.name.find('.');
        if (dot == std::string::npos)
            continue;
        const int set = setNamed(k.name.substr(0, dot));
        const std::string number = k.name.substr(dot + 1);
        if (set == 0 || number.empty() || number.size() > 3
            || number.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const int index = std::stoi(number);
        if (index < 1 || index > factorySignalCount(set))
            continue;
        std::vector<std::string>& ofSet = names.signals_[size_t(set - 1)];
        ofSet.resize(size_t(factorySignalCount(set)));
        ofSet[size_t(index - 1)] = i18n::decodeLiteral(k.value);
        any = true;
    }
    return any ? std::optional<FactoryNames>(std::move(names)) : std::nullopt;
}

std::optional<FactoryNames> FactoryNames::of(const i18n::TbsINIFile& file)
{
    const auto* keys = file.section("FactorySets");
    return keys ? of(*keys) : std::nullopt;
}

std::string FactoryNames::signalName(int index, int set) const
{
    if (set < 1 || set > kFactorySetCount)
        return {};
    const std::vector<std::string>& names = signals_[size_t(set - 1)];
    if (index < 1 || index > int(names.size()))
        return {};
    return names[size_t(index - 1)];
}

std::string FactoryNames::soundName(int index, int set) const
{
    const SoundPlace place = placeOfSound(index, set);
    std::string name = signalName(place.signal, set);
    if (!name.empty() && place.parts > 1) {
        name += ' ';
        name += char('a' + place.part);
    }
    return name;
}

} // namespace zelmar
