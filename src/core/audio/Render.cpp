#include "audio/Render.h"

#include "audio/Gain.h"
#include "audio/WavFile.h"
#include "model/Errors.h"
#include "model/FileIO.h"

#include <bit>
#include <cmath>
#include <functional>
#include <unistd.h>

namespace zelmar {

namespace {

// Samples in the file's byte order (little-endian).
void appendSamples(const std::string& path, const std::vector<int16_t>& samples)
{
    if (samples.empty())
        return;
    static_assert(std::endian::native == std::endian::little, "WAV data is little-endian");
    AppendToFile(path, samples.data(), samples.size() * sizeof(int16_t));
}

uint32_t dataBytes(int64_t bytes, const std::string& path)
{
    if (bytes > int64_t(UINT32_MAX) - kWavHeaderSize)
        throw FileError(path, "too much audio for one WAV file: " + path);
    return uint32_t(bytes);
}

// Makes a file through `fill`, removing it again when anything fails.
std::string makeTempWav(const std::function<void(const std::string&)>& fill)
{
    const std::string path = MakeTempWavName();
    try {
        fill(path);
    } catch (...) {
        ::unlink(path.c_str());
        throw;
    }
    return path;
}

void fillSignal(const std::string& path, const Signal& signal, const SignalSet& set)
{
    CreateWavFile(path, 0);
    int64_t total = 0;
    for (const TDzwiek& e : signal)
        total += RenderElement(path, e, set);
    RewriteWavHeader(path, dataBytes(total, path));
}

void fillSound(const std::string& path, const TDostepnyDzwiek& sound, bool withGain)
{
    const std::vector<int16_t> samples = renderSoundSamples(sound, withGain);
    CreateWavFile(path, dataBytes(int64_t(samples.size()) * 2, path));
    appendSamples(path, samples);
}

} // namespace

std::vector<int16_t> renderElementSamples(const TDzwiek& element, const TDostepnyDzwiek* sound)
{
    if (element.isPause())
        return std::vector<int16_t>(size_t(std::max<int32_t>(element.PauseLength, 0)) * (kSampleRate / 100), 0);
    if (!sound)
        return {};
    const PlayedRange range = playedRange(element, *sound);
    std::vector<int16_t> out(sound->Samples.begin() + range.first,
                             sound->Samples.begin() + range.first + range.count);
    if (sound->Gain != 0) {
        const double factor = gainFactor(sound->Gain / 10.0);
        if (factor != 1.0)
            applyGainFactor(out.data(), out.data(), out.size(), factor);
    }
    // Stored volume 0 is full level; levels 1..15 scale by level / 16.
    if (element.Volume > 0 && element.Volume < 16)
        for (int16_t& s : out)
            s = int16_t(std::nearbyint(s * element.Volume / 16.0));
    return out;
}

std::vector<int16_t> renderElementSamples(const TDzwiek& element, const SignalSet& set)
{
    return renderElementSamples(element, set.soundAt(element.SoundNumber));
}

std::vector<int16_t> renderSignalSamples(const Signal& signal, const SignalSet& set)
{
    std::vector<int16_t> out;
    for (const TDzwiek& e : signal) {
        const std::vector<int16_t> part = renderElementSamples(e, set);
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

std::vector<int16_t> renderSoundSamples(const TDostepnyDzwiek& sound, bool withGain)
{
    std::vector<int16_t> out(sound.Samples.begin(),
                             sound.Samples.begin() + std::min<size_t>(sound.Samples.size(), size_t(std::max(sound.SampleCount, 0))));
    if (withGain && sound.Gain != 0) {
        const double factor = gainFactor(sound.Gain / 10.0);
        if (factor != 1.0)
            applyGainFactor(out.data(), out.data(), out.size(), factor);
    }
    return out;
}

int64_t RenderElement(const std::string& path, const TDzwiek& element, const SignalSet& set)
{
    const std::vector<int16_t> samples = renderElementSamples(element, set);
    appendSamples(path, samples);
    return int64_t(samples.size()) * 2;
}

std::string renderSoundPreview(const TDostepnyDzwiek& sound, bool withGain)
{
    return makeTempWav([&](const std::string& p) { fillSound(p, sound, withGain); });
}

std::string renderElementPreview(const TDzwiek& element, const SignalSet& set)
{
    return makeTempWav([&](const std::string& p) { fillSignal(p, Signal{element}, set); });
}

std::string renderSignalPreview(const Signal& signal, const SignalSet& set)
{
    if (signal.empty())
        return {};
    return makeTempWav([&](const std::string& p) { fillSignal(p, signal, set); });
}

void writeSignalWav(const std::string& path, const Signal& signal, const SignalSet& set)
{
    replaceFileThrough(path, [&](const std::string& p) { fillSignal(p, signal, set); });
}

void writeElementWav(const std::string& path, const TDzwiek& element, const SignalSet& set)
{
    writeSignalWav(path, Signal{element}, set);
}

void writeSoundWav(const std::string& path, const TDostepnyDzwiek& sound, bool withGain)
{
    replaceFileThrough(path, [&](const std::string& p) { fillSound(p, sound, withGain); });
}

} // namespace zelmar
