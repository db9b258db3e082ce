// Makes the three factory sets (Premium.zmr, Classic.zmr, Music.zmr) and SOURCES.md from material
// a Debian system has: sounds synthesised here, music written out here and rendered by fluidsynth,
// and free-licensed animal recordings from Debian's data packages.
//
//   make_factory_sets OUTPUT_DIR [--work DIR]
//
// Run through tools/factory/generate.sh, which installs what is needed.
#include "Dsp.h"
#include "Music.h"
#include "Notices.h"
#include "Outside.h"
#include "Recipes.h"

#include "audio/Loudness.h"
#include "model/FactoryNames.h"
#include "model/FactorySets.h"
#include "model/SetFile.h"

#include <QCoreApplication>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <span>
#include <sstream>

using namespace factory;
namespace fs = std::filesystem;

namespace {

// Every signal is brought to this integrated loudness, measured as a small speaker plays it
// (nothing below 300 Hz), with no sample above the peak finish() gives.
constexpr double kTargetLoudness = -16.0;
constexpr double kSpeakerHighPass = 300.0;
constexpr double kCeiling = 0.89;

// One sound of a set: the recipe's key, its longest length and its fade-out; a groove that a
// signal repeats lasts exactly `loopBeats` beats of its piece, so that the repeat keeps the beat.
struct Use {
    std::string key;
    double maxSeconds;
    double fade = 0.05;
    double loopBeats = 0;
};

// A signal: its elements in a small text form, "a", "b" ... for the signal's own sounds in order
// and "pN" for a pause of N hundredths. Sounds always play whole: the chime cuts a fragment dead,
// so a sound that should ring shorter is made shorter, with its own fade.
struct SetPlan {
    int index;
    std::vector<Use> sounds;              // in library order
    std::vector<std::string> signals;     // one pattern per signal; empty: its sounds in turn
};

SetPlan premium()
{
    SetPlan p{1, {}, {}};
    p.sounds = {
        {"rooster", 1.9}, {"donkey", 3.0, 0.3}, {"bigdog1", 0.6}, {"bigdog2", 0.6}, {"smalldog1", 0.35},
        {"smalldog2", 0.35}, {"horse", 1.4, 0.3}, {"cow", 1.2}, {"boar1", 0.4}, {"boar2", 0.55}, {"boar3", 0.35},
        {"lark", 1.4, 0.2}, {"blackbird", 1.8}, {"cat", 1.4, 0.2}, {"sheep", 1.4}, {"goat", 0.75}, {"crow", 1.3, 0.2},
        {"elephant", 1.6, 0.2}, {"chimeE5", 0.7, 0.3}, {"chimeC5", 1.6, 0.4}, {"chimeA4", 0.85, 0.35}, {"chimeF4", 1.8, 0.4},
        {"gong", 3.2, 0.6}, {"church1", 2.0, 0.6}, {"church2", 2.0, 0.6}, {"school", 1.4}, {"phone", 1.0},
        {"wail", 2.2, 0.3}, {"twotone", 1.8}, {"yelp", 1.6}, {"ship", 2.0, 0.3}, {"factory", 1.9, 0.3},
        {"harp", 2.0, 0.4}, {"snare", 1.3, 0.3}, {"bassdrum", 2.0, 0.4}, {"trumpet", 2.2, 0.3},
        {"electronic", 3.6, 0.4}, {"rock1", 3.6, 0.4}, {"jazz1", 3.6, 0.4},
        {"elise", 4.4, 0.5}, {"nachtmusik", 4.4, 0.5}, {"bach", 4.4, 0.6},
        {"cuckoo", 0.75}, {"clock", 1.9, 0.3}, {"knock", 0.6}, {"door", 1.4, 0.2}, {"glass", 1.1, 0.2}, {"gun", 1.4, 0.2},
        {"whistle", 1.5}, {"bikehorn", 0.8}, {"carhorn", 0.8}, {"trainwhistle", 1.2, 0.2}, {"trainwheels", 1.6, 0.3},
        {"jackhammer", 1.3, 0.2}, {"snorein", 1.2, 0.2}, {"snoreout", 0.8, 0.2}, {"laugh1", 1.2}, {"laugh2", 1.45},
        {"screamman", 0.85}, {"screamwoman", 0.7}, {"yodel0", 0.95}, {"yodel1", 1.1}, {"yodel2", 1.15},
        {"yodel3", 1.25},
    };
    p.signals.assign(50, "");
    p.signals[2] = "a p15 b p15 a";
    p.signals[3] = "a p8 b p8 a p8 b";
    p.signals[6] = "a b p10 c p5 a";
    p.signals[14] = "a b";
    p.signals[15] = "a b";
    p.signals[17] = "a b a b";   // two bells in turn
    p.signals[19] = "a p100 a";
    p.signals[35] = "b a a a";
    p.signals[36] = "a p50 a";
    p.signals[42] = "a p10 a";
    p.signals[43] = "a b";
    p.signals[45] = "a p20 b p40 a p20 b";
    p.signals[49] = "a b c d";
    return p;
}

SetPlan classic()
{
    SetPlan p{2, {}, {}};
    p.sounds = {
        {"chimeE5", 0.7, 0.3}, {"chimeC5", 1.6, 0.4}, {"chimeC6", 0.55, 0.25}, {"chimeA5", 0.55, 0.25}, {"chimeF5", 1.6, 0.4},
        {"school", 1.4}, {"phone", 1.0}, {"church1", 1.3, 0.5}, {"church2", 1.3, 0.5}, {"church3", 2.4, 0.6},
        {"bassdrum", 2.0, 0.4}, {"snare", 1.3, 0.3}, {"harp", 2.0, 0.4}, {"trumpet", 2.2, 0.3},
        {"bach", 4.8, 0.6}, {"elise", 4.8, 0.6}, {"fifth", 4.8, 0.6}, {"joy", 4.8, 0.6}, {"lullaby", 4.8, 0.6},
        {"mountainking", 4.8, 0.6}, {"morning", 4.8, 0.6}, {"nachtmusik", 4.8, 0.6}, {"turca", 4.8, 0.6},
        {"fortieth", 4.8, 0.6}, {"cancan", 4.8, 0.6}, {"canon", 4.8, 0.6}, {"tell", 4.8, 0.6}, {"danube", 4.8, 0.6},
        {"spring", 4.8, 0.6}, {"bridal", 4.8, 0.6},
    };
    p.signals.assign(25, "");
    p.signals[0] = "a b";
    p.signals[1] = "a b c";
    p.signals[3] = "a p100 a";
    p.signals[4] = "a b c";
    return p;
}

SetPlan musicSet()
{
    SetPlan p{3, {}, {}};
    p.sounds = {
        {"chimeE5", 0.7, 0.3}, {"chimeC5", 1.6, 0.4}, {"chimeC6", 0.55, 0.25}, {"chimeA5", 0.55, 0.25}, {"chimeF5", 1.6, 0.4},
        {"school", 1.4}, {"harp", 2.0, 0.4}, {"snare", 1.3, 0.3}, {"trumpet", 2.2, 0.3}, {"guitar", 2.8, 0.5},
        {"dance1", 4.0, 0.01, 8}, {"dance1end", 1.3, 0.4}, {"dance2", 4.2, 0.5}, {"electro1", 4.4, 0.01, 8},
        {"electro1end", 1.5, 0.5}, {"electro2", 4.2, 0.5}, {"techno", 3.6, 0.01, 8}, {"technoend", 1.2, 0.4},
        {"reggae1", 4.2, 0.5}, {"reggae2", 4.2, 0.5}, {"caribbean1", 4.2, 0.5}, {"caribbean2", 4.2, 0.5},
        {"jazz1", 4.2, 0.5}, {"jazz2", 4.2, 0.5}, {"country", 4.0, 0.5}, {"blues", 4.2, 0.5}, {"folkrock", 4.2, 0.5},
        {"rock1", 3.9, 0.01, 8}, {"rock1end", 1.3, 0.4}, {"rock2", 4.0, 0.5}, {"punk", 3.3, 0.4},
        {"metal", 4.7, 0.01, 8}, {"metalend", 1.4, 0.5},
    };
    p.signals.assign(25, "");
    p.signals[0] = "a b";
    p.signals[1] = "a b c";
    p.signals[7] = "a a b";
    p.signals[9] = "a b";
    p.signals[11] = "a a b";
    p.signals[21] = "a b";
    p.signals[24] = "a b";
    return p;
}

struct Finished {
    Buffer samples;
    std::string how, licence;
};

// What a signal plays, in floating point: its sounds whole, its pauses as silence.
Buffer playOf(const zelmar::NamedSignal& sig, const std::vector<Finished>& sounds)
{
    Buffer out;
    for (const zelmar::TDzwiek& e : sig.elements) {
        if (e.isPause())
            out.resize(out.size() + size_t(e.PauseLength) * 180, 0.0f);
        else
            out.insert(out.end(), sounds[size_t(e.SoundNumber - 1)].samples.begin(),
                       sounds[size_t(e.SoundNumber - 1)].samples.end());
    }
    return out;
}

double loudnessOf(const Buffer& b)
{
    const auto l = zelmar::integratedLoudness(std::span<const float>(b), int(kRate), kSpeakerHighPass);
    if (!l)
        throw std::runtime_error("a signal too short or too quiet to measure");
    return *l;
}

// Brings a signal's sounds (numbers first .. first + count - 1) to the target loudness: one gain
// for all of them, and the limiter where the gain would lift a peak above the ceiling. Each round
// lifts by what is still missing, as the limiter takes back part of it.
void level(const zelmar::NamedSignal& sig, std::vector<Finished>& sounds, int first, int count)
{
    double off = 0;
    for (int round = 0; round < 30; ++round) {
        off = kTargetLoudness - loudnessOf(playOf(sig, sounds));
        if (std::fabs(off) < 0.1)
            return;
        const float gain = float(std::pow(10.0, off / 20.0));
        for (int k = 0; k < count; ++k) {
            Buffer& b = sounds[size_t(first - 1 + k)].samples;
            for (float& x : b)
                x *= gain;
            if (peakOf(b) > kCeiling)
                limit(b, kCeiling);
        }
    }
    // Where the limiter has pressed the peaks as far as they go, a little short of the target is kept.
    if (std::fabs(off) > 1.0)
        throw std::runtime_error("sound " + std::to_string(first) + " stays " + std::to_string(off) + " LU off its loudness");
}

// The sets ship with the English names, from the English translation beside the output folder.
fs::path g_englishTranslation;

const zelmar::FactoryNames& englishNames()
{
    static const std::optional<zelmar::FactoryNames> names = [] {
        const auto file = zelmar::i18n::TbsINIFile::open(g_englishTranslation);
        return file ? zelmar::FactoryNames::of(*file) : std::nullopt;
    }();
    if (!names)
        throw std::runtime_error("no factory names in " + g_englishTranslation.string());
    return *names;
}

zelmar::SignalSet build(const SetPlan& plan, std::map<std::string, Made>& cache,
                        const std::map<std::string, std::function<Made()>>& all, std::vector<Finished>& made)
{
    zelmar::SignalSet set;
    for (const Use& u : plan.sounds) {
        auto it = cache.find(u.key);
        if (it == cache.end()) {
            std::fprintf(stderr, "  %s\n", u.key.c_str());
            it = cache.emplace(u.key, all.at(u.key)()).first;
        }
        const double exact = u.loopBeats > 0 ? u.loopBeats * 60.0 / piece(u.key).tempo : 0.0;
        made.push_back({finish(it->second.raw, u.maxSeconds, u.fade, kCeiling, exact), it->second.how, it->second.licence});
        zelmar::LibrarySound s;
        s.sound.SetSamples(toPcm16(made.back().samples));   // for the elements' lengths; leveled below
        set.library.push_back(std::move(s));
    }
    int first = 1;
    for (int i = 1; i <= zelmar::factorySignalCount(plan.index); ++i) {
        int count = 0;
        while (zelmar::factorySignalOfSound(first + count, plan.index) == i)
            ++count;
        std::string pattern = plan.signals[size_t(i - 1)];
        if (pattern.empty()) {
            for (int k = 0; k < count; ++k)
                pattern += std::string(k ? " p10 " : "") + char('a' + k);
        }
        zelmar::NamedSignal sig;
        std::istringstream in(pattern);
        std::string token;
        while (in >> token) {
            if (token[0] == 'p') {
                sig.elements.push_back(zelmar::TDzwiek::pause(std::stoi(token.substr(1))));
                continue;
            }
            const int part = token[0] - 'a';
            if (part < 0 || part >= count)
                throw std::runtime_error("signal " + std::to_string(i) + " has no sound " + token);
            const int number = first + part;
            sig.elements.push_back(zelmar::TDzwiek::sound(number, set.library[size_t(number - 1)].sound));
        }
        level(sig, made, first, count);
        set.signals.push_back(std::move(sig));
        first += count;
    }
    for (size_t j = 0; j < made.size(); ++j)
        set.library[j].sound.SetSamples(toPcm16(made[j].samples));
    zelmar::nameFactorySet(set, plan.index, englishNames());
    return set;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR [--work DIR]\n", argv[0]);
        return 2;
    }
    const fs::path outDir = argv[1];
    g_englishTranslation = outDir / ".." / "lang" / "English.lng";
    places().work = (fs::temp_directory_path() / "zelmar-factory").string();
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--work")
            places().work = argv[i + 1];
    }
    fs::create_directories(places().work);
    fs::create_directories(outDir);

    const auto started = std::chrono::steady_clock::now();
    const auto all = recipes();
    std::map<std::string, Made> cache;
    std::ostringstream sources;
    sources << "# Sources of the factory sets\n\n"
            << "Every sound of the three factory sets, what it is, where it comes from and its licence. "
               "All of them are made by `tools/factory/generate.sh` (see the end of this page); sounds are mono, "
               "16-bit, 18000 samples per second, with fades at both ends; every signal is brought to the same "
               "loudness (see Licences and the end of this page).\n";
    int status = 0;
    for (const SetPlan& plan : {premium(), classic(), musicSet()}) {
        const std::string file(zelmar::factorySetFileName(plan.index));
        std::fprintf(stderr, "%s\n", file.c_str());
        std::vector<Finished> made;
        zelmar::SignalSet set = build(plan, cache, all, made);
        double seconds = 0;
        for (const auto& s : set.library)
            seconds += s.sound.SampleCount / kRate;
        zelmar::writeSetFile(set, (outDir / file).string());
        std::fprintf(stderr, "  %zu signals, %zu sounds, %.1f s of sound, %d bytes free\n", set.signals.size(),
                     set.library.size(), seconds, set.freeBytes());
        if (set.freeBytes() < 0)
            status = 1;

        sources << "\n## " << file << "\n\n" << set.signals.size() << " signals over " << set.library.size() << " sounds, "
                << std::fixed;
        sources.precision(1);
        sources << seconds << " s of sound, " << set.freeBytes() << " bytes of the chime's memory left free.\n\n"
                << "| # | Sound | What it is and how it was made | Licence |\n|---|---|---|---|\n";
        for (size_t j = 0; j < made.size(); ++j) {
            sources.precision(2);
            sources << "| " << j + 1 << " | " << set.library[j].name << " (" << set.library[j].sound.SampleCount / kRate
                    << " s) | " << made[j].how << " | " << made[j].licence << " |\n";
        }
    }
    sources << notices(inputPackages());
    std::ofstream(outDir / "SOURCES.md") << sources.str();
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::fprintf(stderr, "done in %.1f s\n", took);
    return status;
}
