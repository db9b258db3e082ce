// zelmarctl info: describes a set file, as text or as one JSON object.
#include "Inputs.h"

#include "model/Errors.h"
#include "model/SetFile.h"
#include "model/SignalSet.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>

namespace zelmarctl {

namespace {

using zelmar::SignalSet;
using zelmar::TDzwiek;

std::string fnv1a64(const std::vector<int16_t>& samples)
{
    uint64_t h = 0xcbf29ce484222325ULL;
    for (int16_t s : samples) {
        uint16_t v = uint16_t(s);
        h = (h ^ (v & 0xFF)) * 0x100000001b3ULL;
        h = (h ^ (v >> 8)) * 0x100000001b3ULL;
    }
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
    return buf;
}

using Json = nlohmann::ordered_json;

Json jsonElements(const zelmar::Signal& s)
{
    Json list = Json::array();
    for (const TDzwiek& e : s)
        list.push_back({{"sound", e.SoundNumber},
                        {"volume", e.Volume},
                        {"start", e.FragmentStart},
                        {"end", e.FragmentEnd},
                        {"pause", e.PauseLength}});
    return list;
}

void printJson(const SignalSet& set)
{
    Json doc;
    doc["signals"] = Json::array();
    for (const auto& s : set.signals)
        doc["signals"].push_back({{"name", s.name}, {"elements", jsonElements(s.elements)}});
    doc["backdoor"] = set.backdoor ? Json{{"elements", jsonElements(*set.backdoor)}} : Json(nullptr);
    doc["sounds"] = Json::array();
    for (const auto& l : set.library)
        doc["sounds"].push_back({{"name", l.name},
                                 {"gain", l.sound.Gain},
                                 {"samples", l.sound.SampleCount},
                                 {"stored_size", l.sound.StoredSize},
                                 {"fnv1a64", fnv1a64(l.sound.Samples)}});
    doc["table_size"] = set.tableSize();
    doc["free_bytes"] = set.freeBytes();
    doc["sent_signals"] = zelmar::countSentSignals(set);
    // Names are decoded from Windows-1250, so they are valid UTF-8; replace rather than fail anyway.
    std::fputs((doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n").c_str(), stdout);
}

double seconds(int64_t samples)
{
    return double(samples) / zelmar::kSampleRate;
}

void printElements(const SignalSet& set, const zelmar::Signal& s)
{
    for (size_t i = 0; i < s.size(); ++i) {
        const TDzwiek& e = s[i];
        if (e.isPause()) {
            std::printf("      %zu. pause %.2f s\n", i + 1, e.PauseLength / 100.0);
            continue;
        }
        const zelmar::TDostepnyDzwiek* sound = set.soundAt(e.SoundNumber);
        std::string name = sound ? set.library[size_t(e.SoundNumber - 1)].name : std::string("?");
        std::printf("      %zu. sound %d \"%s\", volume %d/16, samples %d..%d", i + 1, e.SoundNumber, name.c_str(),
                    zelmar::volumeLevel(e.Volume), e.FragmentStart, e.FragmentEnd);
        if (sound) {
            zelmar::PlayedRange r = zelmar::playedRange(e, *sound);
            if (r.first + 1 != e.FragmentStart || r.count != e.FragmentEnd - e.FragmentStart + 1)
                std::printf(" (plays %d..%d)", r.first + 1, r.first + r.count);
        }
        std::printf("\n");
    }
}

void printText(const std::string& path, const SignalSet& set)
{
    std::printf("Set file: %s\n", path.c_str());
    std::printf("Signals: %zu (%d with sounds)\n", set.signals.size(), zelmar::countSentSignals(set));
    for (size_t i = 0; i < set.signals.size(); ++i) {
        const auto& s = set.signals[i];
        std::printf("  %zu. \"%s\": %zu element%s, %.2f s\n", i + 1, s.name.c_str(), s.elements.size(),
                    s.elements.size() == 1 ? "" : "s", seconds(set.playingSamples(s.elements)));
        printElements(set, s.elements);
    }
    if (set.backdoor) {
        std::printf("Back-door signal: %zu element%s, %.2f s\n", set.backdoor->size(),
                    set.backdoor->size() == 1 ? "" : "s", seconds(set.playingSamples(*set.backdoor)));
        printElements(set, *set.backdoor);
    } else {
        std::printf("Back-door signal: none\n");
    }
    std::printf("Sounds: %zu\n", set.library.size());
    for (size_t i = 0; i < set.library.size(); ++i) {
        const auto& l = set.library[i];
        std::printf("  %zu. \"%s\": %d samples (%.2f s), %d bytes in the chime, gain %.1f dB\n", i + 1,
                    l.name.c_str(), l.sound.SampleCount, seconds(l.sound.SampleCount), l.sound.StoredSize,
                    l.sound.Gain / 10.0);
    }
    int32_t f = set.freeBytes();
    std::printf("Table size: %d bytes\n", set.tableSize());
    std::printf("Free: %d bytes (%.2f s of sound)\n", f, zelmar::memoryDisplay(f).remainingSeconds);
}

} // namespace

Run defineInfo(CLI::App& c)
{
    struct Options {
        std::string path;
        bool json = false;
    };
    auto o = std::make_shared<Options>();
    addInput(c, "SET.zmr", o->path, "the set file");
    c.add_flag("--json", o->json, "print one JSON object");
    return [o](const Context&) {
        const SignalSet set = readSetForCommand(o->path);
        if (o->json)
            printJson(set);
        else
            printText(o->path, set);
        return int(kOk);
    };
}

} // namespace zelmarctl
