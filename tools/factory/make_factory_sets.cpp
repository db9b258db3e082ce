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

#include <algorithm>
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
// The limiter may catch a strike or a hit (a bell's clang dies within some 200 ms); a sound it
// holds down for longer than that has lost its own shape (a bell's decay, a groove's accents).
constexpr double kLongestHold = 0.2;
// How far short of the target loudness a signal may stay rather than be flattened by the limiter.
constexpr double kShortOfTarget = 0.8;
// How far up the bass may be thinned for headroom: the speaker gives little below 300 Hz.
constexpr double kThinnest = 250;
// A groove's repeat, and the ending after it, play from this sample on (the chime starts a fragment
// on a multiple of 8 samples); before it lies the groove's end faded in from silence.
constexpr int32_t kLoopLead = 72;

// An excerpt's last note sounds for at least this long before the fade-out takes its ring.
constexpr double kLastNoteHeard = 0.3;

// One sound of a set: the recipe's key, its longest length and its fade-out; a groove that a
// signal repeats lasts exactly `loopBeats` beats of its piece, so that the repeat keeps the beat,
// and an ending that follows such a groove names it in `after`.
struct Use {
    std::string key;
    double maxSeconds;
    double fade = 0.05;
    double loopBeats = 0;
    std::string after;
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
        {"lark", 1.4, 0.2}, {"blackbird", 1.8}, {"cat", 2.3, 0.1}, {"sheep", 1.4}, {"goat", 0.75}, {"crow", 1.6, 0.05},
        {"elephant", 1.6, 0.2}, {"chimeE5", 0.7, 0.3}, {"chimeC5", 1.6, 0.4}, {"chimeA4", 0.85, 0.35}, {"chimeF4", 1.8, 0.4},
        {"gong", 3.2, 0.6}, {"church1", 2.0, 0.6}, {"church2", 2.0, 0.6}, {"school", 1.4}, {"phone", 1.0},
        {"wail", 2.2, 0.3}, {"twotone", 1.8}, {"yelp", 1.6}, {"ship", 2.0, 0.3}, {"factory", 1.9, 0.3},
        {"harp", 2.0, 0.4}, {"snare", 1.3, 0.3}, {"bassdrum", 2.0, 0.4}, {"trumpet", 2.2, 0.3},
        {"electronic", 3.6, 0.4}, {"rock1", 3.6, 0.4}, {"jazz1", 3.6, 0.4},
        {"elise", 5.2, 0.5}, {"nachtmusik", 4.0, 0.5}, {"bach", 4.4, 0.6},
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
        {"bach", 4.8, 0.6}, {"elise", 5.2, 0.5}, {"fifth", 4.8, 0.6}, {"joy", 5.85, 0.5}, {"lullaby", 5.2, 0.6},
        {"mountainking", 3.6, 0.5}, {"morning", 5.0, 0.6}, {"nachtmusik", 4.0, 0.6}, {"turca", 4.8, 0.6},
        {"fortieth", 3.9, 0.6}, {"cancan", 5.9, 0.45}, {"canon", 5.2, 0.6}, {"tell", 5.7, 0.5}, {"danube", 5.2, 0.6},
        {"spring", 5.8, 0.45}, {"bridal", 4.8, 0.6},
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
        {"dance1", 4.0, 0, 8}, {"dance1end", 1.3, 0.4, 0, "dance1"}, {"dance2", 4.2, 0.5}, {"electro1", 4.4, 0, 8},
        {"electro1end", 1.5, 0.5, 0, "electro1"}, {"electro2", 4.2, 0.5}, {"techno", 3.6, 0, 8},
        {"technoend", 1.2, 0.4, 0, "techno"},
        {"reggae1", 4.2, 0.5}, {"reggae2", 4.2, 0.5}, {"caribbean1", 4.2, 0.5}, {"caribbean2", 4.2, 0.5},
        {"jazz1", 4.2, 0.5}, {"jazz2", 4.2, 0.5}, {"country", 4.0, 0.5}, {"blues", 4.2, 0.5}, {"folkrock", 4.2, 0.5},
        {"rock1", 3.9, 0, 8}, {"rock1end", 1.3, 0.4, 0, "rock1"}, {"rock2", 4.0, 0.5}, {"punk", 3.3, 0.4},
        {"metal", 4.7, 0, 8}, {"metalend", 1.4, 0.5, 0, "metal"},
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
    bool seamless = false;   // a groove or its ending: played after the groove, it skips its lead
    int groove = -1;         // an ending: the library index of the groove it follows
    double thinnedBelow = 0;  // Hz: the bass below it thinned to make headroom
};

// What a signal plays, in floating point: its sounds' fragments, its pauses as silence.
Buffer playOf(const zelmar::NamedSignal& sig, const std::vector<Finished>& sounds)
{
    Buffer out;
    for (const zelmar::TDzwiek& e : sig.elements) {
        if (e.isPause()) {
            out.resize(out.size() + size_t(e.PauseLength) * 180, 0.0f);
            continue;
        }
        const Buffer& b = sounds[size_t(e.SoundNumber - 1)].samples;
        const size_t from = size_t(std::max(e.FragmentStart, 1) - 1);
        const size_t to = std::min(b.size(), size_t(e.FragmentEnd));
        out.insert(out.end(), b.begin() + long(from), b.begin() + long(std::max(from, to)));
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

// Brings a signal's sounds (numbers first .. first + count - 1) to the target loudness by one gain
// for all of them; the limiter catches only the peaks that the gain lifts above the ceiling. A
// sound the limiter would hold down for long spends its headroom on bass that a chime's small
// speaker does not give: that bass is thinned, in steps, and the signal levelled again. Where that
// is not enough, the gain stops short of the target (by less than kShortOfTarget) rather than
// flatten the sound. Returns what went wrong, if anything: a sound still held down, a groove whose
// seams the limiter touches, or a signal that stays off its loudness.
std::vector<std::string> level(const zelmar::NamedSignal& sig, std::vector<Finished>& sounds, int first, int count)
{
    std::vector<Buffer> original;
    for (int k = 0; k < count; ++k)
        original.push_back(sounds[size_t(first - 1 + k)].samples);
    std::vector<LimitReport> reports(static_cast<size_t>(count));
    const auto apply = [&](double gain) {
        for (int k = 0; k < count; ++k) {
            Finished& f = sounds[size_t(first - 1 + k)];
            f.samples = original[size_t(k)];
            for (float& x : f.samples)
                x = float(x * gain);
            if (f.groove < 0) {
                reports[size_t(k)] = limit(f.samples, kCeiling);
                continue;
            }
            // An ending is limited as it is heard, after its groove, so that the gain runs on
            // across the seam instead of stepping there.
            const Buffer& groove = sounds[size_t(f.groove)].samples;
            const size_t context = std::min(groove.size(), samplesFor(0.02));
            Buffer heard(groove.end() - long(context), groove.end());
            heard.insert(heard.end(), f.samples.begin() + kLoopLead, f.samples.end());
            reports[size_t(k)] = limit(heard, kCeiling);
            reports[size_t(k)].touchesEnds = false;   // its end fades; its start runs on from the groove
            std::copy(heard.begin() + long(context), heard.end(), f.samples.begin() + kLoopLead);
        }
        return loudnessOf(playOf(sig, sounds));
    };
    const auto held = [&] {
        return std::any_of(reports.begin(), reports.end(), [](const LimitReport& r) { return r.longestSeconds > kLongestHold; });
    };
    double gain = 1.0;
    for (;;) {
        gain = 1.0;
        for (int round = 0; round < 30; ++round) {
            const double off = kTargetLoudness - apply(gain);
            if (std::fabs(off) < 0.05)
                break;
            gain *= std::pow(10.0, off / 20.0);
        }
        bool thinned = false;
        for (int k = 0; k < count; ++k) {
            Finished& f = sounds[size_t(first - 1 + k)];
            if (reports[size_t(k)].longestSeconds > kLongestHold && !f.seamless && f.thinnedBelow < kThinnest) {
                f.thinnedBelow += f.thinnedBelow > 0 ? 50 : 150;
                original[size_t(k)] = highPass(highPass(original[size_t(k)], f.thinnedBelow), f.thinnedBelow);
                thinned = true;
            }
        }
        if (!thinned)
            break;
    }
    if (held()) {
        double low = gain * std::pow(10.0, -kShortOfTarget / 20.0), high = gain;
        apply(low);
        if (!held()) {
            for (int step = 0; step < 12; ++step) {
                const double mid = std::sqrt(low * high);
                apply(mid);
                (held() ? high : low) = mid;
            }
        }
        gain = low;
    }
    const double off = kTargetLoudness - apply(gain);
    std::vector<std::string> faults;
    const std::string what = "signal " + sig.name;
    for (int k = 0; k < count; ++k) {
        const LimitReport& r = reports[size_t(k)];
        if (r.longestSeconds > kLongestHold)
            faults.push_back(what + ": sound " + std::to_string(first + k) + " held down by the limiter for "
                             + std::to_string(int(r.longestSeconds * 1000)) + " ms");
        if (sounds[size_t(first - 1 + k)].seamless && r.touchesEnds)
            faults.push_back(what + ": the limiter touches the seams of groove " + std::to_string(first + k));
    }
    if (std::fabs(off) > kShortOfTarget + 0.05)
        faults.push_back(what + " stays " + std::to_string(off) + " LU off its loudness");
    return faults;
}

// A sound made for its use in a set. Music must have sounded its last written note before the
// fade-out begins: an excerpt ends where its phrase ends, and the fade takes only the ring after it.
Buffer shaped(const Use& u, const Made& made, std::map<std::string, std::pair<Buffer, Buffer>>& grooves,
              std::vector<std::string>& faults)
{
    if (u.loopBeats > 0) {
        const double seconds = u.loopBeats * 60.0 / piece(u.key).tempo;
        if (made.notes.end > seconds + 1e-9)
            faults.push_back(u.key + ": notes past the groove's " + std::to_string(u.loopBeats) + " beats");
        Buffer ring;
        Buffer loop = seamlessLoop(made.raw, samplesFor(seconds), size_t(kLoopLead), ring);
        grooves[u.key] = {loop, ring};
        return loop;
    }
    if (!u.after.empty()) {
        auto& [loop, ring] = grooves.at(u.after);
        Buffer ending = endingAfterLoop(made.raw, loop, ring, size_t(kLoopLead), u.maxSeconds, u.fade);
        // The groove and its ending meet sample for sample: one scale for both.
        const float top = std::max(peakOf(loop), peakOf(ending));
        for (Buffer* b : {&loop, &ending})
            for (float& x : *b)
                x = x / top * float(kCeiling);
        return ending;
    }
    Shape shape;
    Buffer b = finish(made.raw, u.maxSeconds, u.fade, kCeiling, &shape);
    const double lastOnset = made.notes.lastOnset - shape.cutFromStart;
    if (made.excerpt && lastOnset > shape.fadeStart - kLastNoteHeard)
        faults.push_back(u.key + ": its last note comes at " + std::to_string(lastOnset) + " s, too near the fade from "
                         + std::to_string(shape.fadeStart) + " s");
    return b;
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
                        const std::map<std::string, std::function<Made()>>& all, std::vector<Finished>& made,
                        std::vector<std::string>& faults)
{
    zelmar::SignalSet set;
    std::map<std::string, std::pair<Buffer, Buffer>> grooves;
    std::map<size_t, size_t> grooveOf;   // library index of a groove's ending -> of its groove
    for (const Use& u : plan.sounds) {
        auto it = cache.find(u.key);
        if (it == cache.end()) {
            std::fprintf(stderr, "  %s\n", u.key.c_str());
            it = cache.emplace(u.key, all.at(u.key)()).first;
        }
        made.push_back({shaped(u, it->second, grooves, faults), it->second.how, it->second.licence,
                        u.loopBeats > 0 || !u.after.empty()});
        if (!u.after.empty()) {
            const size_t loop = size_t(std::find_if(plan.sounds.begin(), plan.sounds.end(),
                                                    [&](const Use& v) { return v.key == u.after; })
                                       - plan.sounds.begin());
            made[loop].samples = grooves.at(u.after).first;   // rescaled with its ending
            grooveOf[made.size() - 1] = loop;
            made.back().groove = int(loop);
        }
    }
    for (const Finished& f : made) {
        zelmar::LibrarySound s;
        s.sound.SetSamples(toPcm16(f.samples));   // for the elements' lengths; leveled below
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
        sig.name = std::string(zelmar::factorySetFileName(plan.index)) + " " + std::to_string(i);
        std::istringstream in(pattern);
        std::string token;
        int previous = 0;   // the sound played just before, 0 after a pause or at the start
        while (in >> token) {
            if (token[0] == 'p') {
                sig.elements.push_back(zelmar::TDzwiek::pause(std::stoi(token.substr(1))));
                previous = 0;
                continue;
            }
            const int part = token[0] - 'a';
            if (part < 0 || part >= count)
                throw std::runtime_error("signal " + std::to_string(i) + " has no sound " + token);
            const int number = first + part;
            zelmar::TDzwiek e = zelmar::TDzwiek::sound(number, set.library[size_t(number - 1)].sound);
            // Right after its groove, a groove's repeat or its ending takes over where the groove's
            // last sample left off.
            const size_t j = size_t(number - 1);
            const bool follows = previous > 0
                && (previous == number || (grooveOf.count(j) && grooveOf.at(j) == size_t(previous - 1)));
            if (made[j].seamless && follows)
                e.SetFragment(kLoopLead + 1, e.FragmentEnd);
            sig.elements.push_back(e);
            previous = number;
        }
        for (std::string& f : level(sig, made, first, count))
            faults.push_back(std::move(f));
        sig.name.clear();
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
        std::vector<std::string> faults;
        zelmar::SignalSet set = build(plan, cache, all, made, faults);
        for (const std::string& f : faults)
            std::fprintf(stderr, "  FAULT %s\n", f.c_str());
        if (!faults.empty())
            status = 1;
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
                    << " s) | " << made[j].how;
            if (made[j].thinnedBelow > 0 && made[j].how.find(" thinned") != std::string::npos)
                sources << ", and thinned further below " << int(made[j].thinnedBelow) << " Hz";
            else if (made[j].thinnedBelow > 0)
                sources << ", the bass below " << int(made[j].thinnedBelow) << " Hz thinned, which a chime's speaker does not give";
            sources << " | " << made[j].licence << " |\n";
        }
    }
    sources << notices(inputPackages());
    std::ofstream(outDir / "SOURCES.md") << sources.str();
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::fprintf(stderr, "done in %.1f s\n", took);
    return status;
}
