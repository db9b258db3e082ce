// zelmarctl info: describes a set file, as text or as one JSON object.
#include "ImageCli.h"

#include "model/Errors.h"
#include "model/SetFile.h"
#include "model/SignalSet.h"

#include <cstdio>
#include <string>

namespace zelmarctl {

namespace {

using zelmar::SignalSet;
using zelmar::TDzwiek;

std::string jsonString(const std::string& s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += char(c);
            }
        }
    }
    return out + "\"";
}

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

std::string jsonElements(const zelmar::Signal& s, const char* indent)
{
    if (s.empty())
        return "[]";
    std::string out = "[\n";
    for (size_t i = 0; i < s.size(); ++i) {
        const TDzwiek& e = s[i];
        out += indent;
        out += "{\"sound\": " + std::to_string(e.SoundNumber) + ", \"volume\": " + std::to_string(e.Volume)
               + ", \"start\": " + std::to_string(e.FragmentStart) + ", \"end\": " + std::to_string(e.FragmentEnd)
               + ", \"pause\": " + std::to_string(e.PauseLength) + "}";
        out += i + 1 < s.size() ? ",\n" : "\n";
    }
    // Close at the indentation of the line that opened the list.
    out += std::string(indent).substr(2) + "]";
    return out;
}

void printJson(const SignalSet& set)
{
    std::string out = "{\n  \"signals\": [";
    out += set.signals.empty() ? "]" : "\n";
    for (size_t i = 0; i < set.signals.size(); ++i) {
        const auto& s = set.signals[i];
        out += "    {\"name\": " + jsonString(s.name) + ", \"elements\": " + jsonElements(s.elements, "      ") + "}";
        out += i + 1 < set.signals.size() ? ",\n" : "\n  ]";
    }
    out += ",\n  \"backdoor\": ";
    if (set.backdoor)
        out += "{\"elements\": " + jsonElements(*set.backdoor, "    ") + "}";
    else
        out += "null";
    out += ",\n  \"sounds\": [";
    out += set.library.empty() ? "]" : "\n";
    for (size_t i = 0; i < set.library.size(); ++i) {
        const auto& l = set.library[i];
        out += "    {\"name\": " + jsonString(l.name) + ", \"gain\": " + std::to_string(l.sound.Gain)
               + ", \"samples\": " + std::to_string(l.sound.SampleCount)
               + ", \"stored_size\": " + std::to_string(l.sound.StoredSize) + ", \"fnv1a64\": \""
               + fnv1a64(l.sound.Samples) + "\"}";
        out += i + 1 < set.library.size() ? ",\n" : "\n  ]";
    }
    out += ",\n  \"table_size\": " + std::to_string(set.tableSize());
    out += ",\n  \"free_bytes\": " + std::to_string(set.freeBytes());
    out += ",\n  \"sent_signals\": " + std::to_string(zelmar::countSentSignals(set));
    out += "\n}\n";
    std::fputs(out.c_str(), stdout);
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

int runInfo(Context& ctx)
{
    const char* usage = "info SET.zmr [--json]";
    Args args(ctx.args);
    bool json = args.flag("--json");
    std::string path = args.positional(1, 1, usage).front();
    const SignalSet set = readSetForCommand(path);
    if (json)
        printJson(set);
    else
        printText(path, set);
    return kOk;
}

const RegisterCommand reg({"info", "info SET.zmr [--json]", "describe a set file", runInfo});

} // namespace

} // namespace zelmarctl
