// Makes the three factory sets (Premium.zmr, Classic.zmr, Music.zmr) and SOURCES.md from material
// a Debian system has: sounds synthesised here, music written out here and rendered by fluidsynth,
// and free-licensed animal recordings from Debian's data packages.
//
//   make_factory_sets OUTPUT_DIR [--work DIR]
//
// Run through tools/factory/generate.sh, which installs what is needed.
#include "Dsp.h"
#include "Music.h"
#include "Outside.h"
#include "Synth.h"

#include "model/FactoryNames.h"
#include "model/FactorySets.h"
#include "model/SetFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QResource>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

using namespace factory;
namespace fs = std::filesystem;

namespace {

const std::string kTuxPaint = "/usr/share/tuxpaint/stamps/";
const std::string kTuxPaintLicence = "GPL-2.0-or-later (tuxpaint-stamps-default, © 2002-2022 Bill Kendrick)";
const std::string kFarmRcc = "/usr/share/gcompris-qt/rcc/explore_farm_animals.rcc";
const std::string kFarmLicence = "GPL-3.0 (gcompris-qt-data, © 2000, 2008 Bruno Coudoin and others)";
const std::string kSynthLicence = "GPL-3.0-or-later (made by this generator)";
const std::string kFluidLicence = "GPL-3.0-or-later (notes written in this generator); rendered with fluid-soundfont-gm (MIT)";

struct Made {
    Buffer raw;
    std::string how;       // what the sound is and how it was made
    std::string licence;
};

// Copies a file out of a GCompris resource bundle into the work folder.
std::string fromFarm(const std::string& name)
{
    static bool registered = QResource::registerResource(QString::fromStdString(kFarmRcc));
    if (!registered)
        throw std::runtime_error("cannot open " + kFarmRcc);
    const std::string out = places().work + "/farm-" + name;
    QFile::remove(QString::fromStdString(out));
    if (!QFile::copy(QStringLiteral(":/gcompris/src/activities/explore_farm_animals/resource/animals/") + QString::fromStdString(name),
                     QString::fromStdString(out)))
        throw std::runtime_error("no " + name + " in " + kFarmRcc);
    return out;
}

// Plays a recording faster (a smaller animal: higher and shorter) or slower (a bigger one).
Buffer speed(const Buffer& in, double factor)
{
    Buffer out(size_t(double(in.size()) / factor));
    for (size_t i = 0; i < out.size(); ++i) {
        const double x = double(i) * factor;
        const size_t k = size_t(x);
        const double f = x - double(k);
        const float a = in[std::min(k, in.size() - 1)];
        const float b = in[std::min(k + 1, in.size() - 1)];
        out[i] = float(a + (b - a) * f);
    }
    return out;
}

Made recording(const std::string& file, double start, double length, const std::string& what, double speedFactor = 1.0)
{
    Buffer b = loadRecording(kTuxPaint + file, start, length);
    std::ostringstream how;
    how << what << ": recording " << file << " from tuxpaint-stamps-default";
    if (start > 0 || length > 0)
        how << ", " << start << " s for " << length << " s";
    if (speedFactor != 1.0) {
        b = speed(lowPass(b, 7000), speedFactor);
        how << ", played at " << speedFactor << " times its speed";
    }
    return {b, how.str(), kTuxPaintLicence};
}

Made farm(const std::string& name, double start, double length, const std::string& what, double speedFactor = 1.0)
{
    Buffer b = loadRecording(fromFarm(name), start, length);
    std::ostringstream how;
    how << what << ": recording " << name << " of GCompris' farm animals (gcompris-qt-data)";
    if (start > 0 || length > 0)
        how << ", " << start << " s for " << length << " s";
    if (speedFactor != 1.0) {
        b = speed(lowPass(b, 7000), speedFactor);
        how << ", played at " << speedFactor << " times its speed";
    }
    return {b, how.str(), kFarmLicence};
}

Made synth(Buffer b, const std::string& how) { return {std::move(b), how, kSynthLicence}; }

Made music(const std::string& key, const std::string& how)
{
    return {render(piece(key), key), how + ", rendered by fluidsynth with the General MIDI sound font FluidR3_GM", kFluidLicence};
}

// Every sound the sets use, by key.
std::map<std::string, std::function<Made()>> recipes()
{
    std::map<std::string, std::function<Made()>> r;
    r["rooster"] = [] { return recording("animals/birds/rooster.ogg", 0, 0, "rooster crowing"); };
    r["donkey"] = [] { return recording("animals/mammals/equines/donkey.ogg", 0, 0, "donkey braying"); };
    r["bigdog1"] = [] { return recording("animals/mammals/dogs/dog.ogg", 0, 0.47, "big dog, first bark", 0.82); };
    r["bigdog2"] = [] { return recording("animals/mammals/dogs/dog.ogg", 0.5, 0.45, "big dog, second bark", 0.78); };
    r["smalldog1"] = [] { return farm("dog.ogg", 0, 0.4, "small dog, first yap", 1.35); };
    r["smalldog2"] = [] { return farm("dog.ogg", 0.48, 0.42, "small dog, second yap", 1.45); };
    r["horse"] = [] { return recording("animals/mammals/equines/horse.ogg", 0, 0, "horse neighing"); };
    r["cow"] = [] { return recording("animals/mammals/bovines/cow.ogg", 0, 0, "cow mooing"); };
    r["boar1"] = [] { return recording("animals/mammals/pig.ogg", 0, 0.3, "wild boar grunt, from a pig's", 0.8); };
    r["boar2"] = [] { return recording("animals/mammals/pig_golden.ogg", 0, 0, "wild boar grunt, from a pig's", 0.75); };
    r["boar3"] = [] { return recording("animals/mammals/pig.ogg", 0.35, 0.21, "wild boar grunt, from a pig's", 0.7); };
    r["lark"] = [] { return recording("animals/birds/lark.ogg", 0, 0, "lark singing"); };
    r["blackbird"] = [] { return recording("animals/birds/blackbird.ogg", 0.1, 0.85, "blackbird singing"); };
    r["cat"] = [] { return farm("cat.ogg", 0, 0, "cat miaowing"); };
    r["sheep"] = [] { return recording("animals/mammals/bovines/sheep.ogg", 0, 0, "sheep bleating"); };
    r["goat"] = [] { return recording("animals/mammals/bovines/goat.ogg", 0, 0, "goat bleating"); };
    r["crow"] = [] { return recording("animals/birds/crow.ogg", 0, 0, "crow cawing"); };
    r["elephant"] = [] { return recording("animals/mammals/elephant.ogg", 0, 0, "elephant trumpeting"); };

    const std::string chimeHow = "door chime tone, modal synthesis of a struck bar (partials 1, 2.76, 5.40, 8.93 with their own decays)";
    r["chimeE5"] = [=] { return synth(chime(659.3, 1.6, 1), "E5 " + chimeHow); };
    r["chimeC5"] = [=] { return synth(chime(523.3, 1.6, 2), "C5 " + chimeHow); };
    r["chimeA4"] = [=] { return synth(chime(440.0, 2.0, 3), "A4 " + chimeHow); };
    r["chimeF4"] = [=] { return synth(chime(349.2, 2.0, 4), "F4 " + chimeHow); };
    r["chimeC6"] = [=] { return synth(chime(1046.5, 1.4, 5), "C6 " + chimeHow); };
    r["chimeA5"] = [=] { return synth(chime(880.0, 1.4, 6), "A5 " + chimeHow); };
    r["chimeF5"] = [=] { return synth(chime(698.5, 1.6, 7), "F5 " + chimeHow); };
    r["gong"] = [] { return synth(gongOneTone(), "large gong, twelve inharmonic partials with their own decays, soft mallet"); };
    r["church1"] = [] { return synth(churchBell(330, 3.0, 8), "church bell (strike note E4), modal synthesis: hum, prime, tierce, quint, nominal and upper partials"); };
    r["church2"] = [] { return synth(churchBell(392, 3.0, 9), "church bell (strike note G4), modal synthesis as above"); };
    r["church3"] = [] { return synth(churchBell(494, 3.0, 10), "church bell (strike note B4), modal synthesis as above"); };
    r["school"] = [] { return synth(schoolBell(1.8), "electric school bell: a small bell struck 22 times a second, modal synthesis"); };
    r["phone"] = [] { return synth(telephone(), "telephone ringer: two bells struck in turn 40 times a second, modal synthesis"); };
    r["wail"] = [] { return synth(sirenWail(), "wailing siren, a rising and falling tone"); };
    r["twotone"] = [] { return synth(sirenTwoTone(), "two-tone emergency horn (A4 and D5 in turn)"); };
    r["yelp"] = [] { return synth(sirenYelp(), "yelping siren, fast sweeps"); };
    r["ship"] = [] { return synth(shipHorn(), "ship's horn: two low reed tones a fifth apart through a horn's resonance"); };
    r["factory"] = [] { return synth(factoryWhistle(), "factory steam whistle: three pipes and steam noise"); };
    r["cuckoo"] = [] { return synth(cuckooCall(), "cuckoo clock's two bellows pipes, a falling third"); };
    r["clock"] = [] { return synth(clockTicks(), "clock ticking and its spiral gong, modal synthesis"); };
    r["knock"] = [] { return synth(knocking(), "three knocks on a wooden door, modal synthesis of wood"); };
    r["door"] = [] { return synth(creakingDoor(), "creaking hinge: stick-slip pulses through the door's resonances"); };
    r["glass"] = [] { return synth(breakingGlass(), "breaking glass: a crash of noise and 45 shards ringing"); };
    r["gun"] = [] { return synth(machineGun(), "machine gun: fourteen shots of noise and thump"); };
    r["whistle"] = [] { return synth(refereeWhistle(), "referee's pea whistle, two short and one long blast"); };
    r["bikehorn"] = [] { return synth(bicycleHorn(), "bicycle bulb horn, two honks of a reed through a brass bell"); };
    r["carhorn"] = [] { return synth(carHorn(), "car horn, two tuned horns (410 and 512 Hz)"); };
    r["trainwhistle"] = [] { return synth(trainWhistle(), "steam locomotive whistle, three chambers"); };
    r["trainwheels"] = [] { return synth(trainWheels(), "train wheels over rail joints and the carriage's rumble"); };
    r["jackhammer"] = [] { return synth(jackhammer(), "jackhammer: 19 blows a second with the air's hiss"); };
    r["snorein"] = [] { return synth(snoreIn(), "snoring, breathing in: noise through a fluttering soft palate"); };
    r["snoreout"] = [] { return synth(snoreOut(), "snoring, breathing out: a soft whistle on the breath"); };
    r["laughup"] = [] { return synth(laughter(true), "laughter \"ha-ha\" rising, formant synthesis of a voice"); };
    r["laughdown"] = [] { return synth(laughter(false), "laughter \"ha-ha\" falling, formant synthesis of a voice"); };
    r["screamman"] = [] { return synth(scream(false), "a man's scream, formant synthesis of a voice"); };
    r["screamwoman"] = [] { return synth(scream(true), "a woman's scream, formant synthesis of a voice"); };
    for (int k = 0; k < 4; ++k)
        r["yodel" + std::to_string(k)] = [k] { return synth(yodel(k), "yodel phrase, chest voice and falsetto in turn, formant synthesis"); };

    r["harp"] = [] { return music("harp", "harp glissando and chord (GM harp)"); };
    r["snare"] = [] { return music("snare", "snare drum roll with a final accent"); };
    r["bassdrum"] = [] { return music("bassdrum", "bass drum strokes and a timpani note"); };
    r["trumpet"] = [] { return music("trumpet", "trumpet fanfare"); };
    r["guitar"] = [] { return music("guitar", "classical guitar arpeggio in A minor"); };
    const std::pair<const char*, const char*> pieces[] = {
        {"bach", "J. S. Bach, Toccata in D minor BWV 565, opening (organ)"},
        {"elise", "L. van Beethoven, Für Elise, opening (piano)"},
        {"fifth", "L. van Beethoven, Symphony No. 5, opening (strings)"},
        {"joy", "L. van Beethoven, Symphony No. 9, \"Ode to Joy\" theme (strings and horn)"},
        {"lullaby", "J. Brahms, Wiegenlied op. 49 no. 4 (music box and harp)"},
        {"mountainking", "E. Grieg, In the Hall of the Mountain King (bassoon and pizzicato)"},
        {"morning", "E. Grieg, Morning Mood (flute and strings)"},
        {"nachtmusik", "W. A. Mozart, Eine kleine Nachtmusik K. 525, opening (strings)"},
        {"turca", "W. A. Mozart, Rondo alla turca K. 331 (piano)"},
        {"fortieth", "W. A. Mozart, Symphony No. 40 K. 550, opening (strings)"},
        {"cancan", "J. Offenbach, Galop infernal from Orpheus in the Underworld (violins and brass)"},
        {"canon", "J. Pachelbel, Canon in D (violin, strings and cello)"},
        {"tell", "G. Rossini, William Tell Overture, finale (trumpet, strings, snare)"},
        {"danube", "J. Strauss II, The Blue Danube, waltz theme (strings and horns)"},
        {"spring", "A. Vivaldi, The Four Seasons, Spring, opening (violin and strings)"},
        {"bridal", "R. Wagner, Bridal Chorus from Lohengrin (organ)"},
        {"electronic", "electronic music: saw-lead arpeggio, synth bass, four-on-the-floor drums"},
        {"dance1", "dance: offbeat synth bass, chord stabs, four-on-the-floor with claps"},
        {"dance1end", "dance: the closing chord with crash"},
        {"dance2", "dance: saw-lead riff over an octave bass"},
        {"electro1", "electronic: square-wave arpeggio over a warm pad"},
        {"electro1end", "electronic: closing crystal chord"},
        {"electro2", "electronic: poly-synth chords and a bass-and-lead line, sixteenth hats"},
        {"techno", "techno: acid sixteenth bass line, kick on every beat, open hats"},
        {"technoend", "techno: closing hit"},
        {"reggae1", "reggae: one-drop beat, organ skank on the offbeat, bass line"},
        {"reggae2", "reggae: steppers beat with guitar skank"},
        {"caribbean1", "Caribbean: calypso on steel drums with congas, cowbell and maracas"},
        {"caribbean2", "Caribbean: marimba over clave, bongos and timbales"},
        {"jazz1", "jazz: swing ii-V-I, walking bass, piano comping, muted trumpet, ride cymbal"},
        {"jazz2", "jazz: big-band brass hits over a walking bass"},
        {"country", "country: banjo rolls, strummed guitar, train beat"},
        {"blues", "blues: shuffle boogie on guitar with a harmonica lick"},
        {"folkrock", "folk rock: strummed acoustic guitar, harmonica, tambourine"},
        {"rock1", "rock: overdriven power-chord riff, bass and drums"},
        {"rock1end", "rock: closing chord with crash"},
        {"rock2", "rock: distorted riff with organ"},
        {"punk", "punk: fast eighth-note power chords"},
        {"metal", "heavy metal: palm-muted chugs over a double bass drum"},
        {"metalend", "heavy metal: closing power chord"},
    };
    for (const auto& [key, how] : pieces) {
        const std::string k = key, h = how;
        r[k] = [k, h] { return music(k, h); };
    }
    return r;
}

// One sound of a set: the recipe's key, its longest length and its fade-out.
struct Use {
    std::string key;
    double maxSeconds;
    double fade = 0.05;
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
        {"rooster", 1.9}, {"donkey", 2.2, 0.3}, {"bigdog1", 0.6}, {"bigdog2", 0.6}, {"smalldog1", 0.35},
        {"smalldog2", 0.35}, {"horse", 1.7, 0.3}, {"cow", 1.2}, {"boar1", 0.4}, {"boar2", 0.45}, {"boar3", 0.35},
        {"lark", 1.4, 0.2}, {"blackbird", 0.9}, {"cat", 1.4, 0.2}, {"sheep", 1.1}, {"goat", 0.75}, {"crow", 1.3, 0.2},
        {"elephant", 1.6, 0.2}, {"chimeE5", 0.7, 0.3}, {"chimeC5", 1.6, 0.4}, {"chimeA4", 0.85, 0.35}, {"chimeF4", 1.8, 0.4},
        {"gong", 3.2, 0.6}, {"church1", 2.0, 0.6}, {"church2", 2.0, 0.6}, {"school", 1.4}, {"phone", 1.0},
        {"wail", 2.2, 0.3}, {"twotone", 1.8}, {"yelp", 1.6}, {"ship", 2.0, 0.3}, {"factory", 1.9, 0.3},
        {"harp", 2.0, 0.4}, {"snare", 1.3, 0.3}, {"bassdrum", 1.3, 0.3}, {"trumpet", 1.8, 0.3},
        {"electronic", 3.6, 0.4}, {"rock1", 3.6, 0.4}, {"jazz1", 3.6, 0.4},
        {"elise", 4.4, 0.5}, {"nachtmusik", 4.4, 0.5}, {"bach", 4.4, 0.6},
        {"cuckoo", 0.75}, {"clock", 1.9, 0.3}, {"knock", 0.6}, {"door", 1.4, 0.2}, {"glass", 1.1, 0.2}, {"gun", 1.4, 0.2},
        {"whistle", 1.5}, {"bikehorn", 0.8}, {"carhorn", 0.8}, {"trainwhistle", 1.2, 0.2}, {"trainwheels", 1.6, 0.3},
        {"jackhammer", 1.3, 0.2}, {"snorein", 1.2, 0.2}, {"snoreout", 0.8, 0.2}, {"laughup", 1.3}, {"laughdown", 1.3},
        {"screamman", 1.3, 0.3}, {"screamwoman", 1.3, 0.3}, {"yodel0", 0.95}, {"yodel1", 1.1}, {"yodel2", 1.15},
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
        {"bassdrum", 1.3, 0.3}, {"snare", 1.3, 0.3}, {"harp", 2.0, 0.4}, {"trumpet", 1.8, 0.3},
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
        {"school", 1.4}, {"harp", 2.0, 0.4}, {"snare", 1.3, 0.3}, {"trumpet", 1.8, 0.3}, {"guitar", 2.4, 0.4},
        {"dance1", 3.9, 0.1}, {"dance1end", 1.3, 0.4}, {"dance2", 4.2, 0.5}, {"electro1", 4.2, 0.1}, {"electro1end", 1.5, 0.5},
        {"electro2", 4.2, 0.5}, {"techno", 3.6, 0.1}, {"technoend", 1.2, 0.4}, {"reggae1", 4.2, 0.5}, {"reggae2", 4.2, 0.5},
        {"caribbean1", 4.2, 0.5}, {"caribbean2", 4.2, 0.5}, {"jazz1", 4.2, 0.5}, {"jazz2", 4.2, 0.5}, {"country", 4.0, 0.5},
        {"blues", 4.2, 0.5}, {"folkrock", 4.2, 0.5}, {"rock1", 3.9, 0.1}, {"rock1end", 1.3, 0.4}, {"rock2", 4.0, 0.5},
        {"punk", 3.3, 0.4}, {"metal", 4.2, 0.1}, {"metalend", 1.4, 0.5},
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
        Finished f{finish(it->second.raw, u.maxSeconds, u.fade), it->second.how, it->second.licence};
        zelmar::LibrarySound s;
        s.sound.SetSamples(toPcm16(f.samples));
        set.library.push_back(std::move(s));
        made.push_back(std::move(f));
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
        set.signals.push_back(std::move(sig));
        first += count;
    }
    zelmar::nameFactorySet(set, plan.index, zelmar::kFactoryEnglish);
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
               "16-bit, 18000 samples per second, normalised to a peak of -1 dB of full scale, with fades at both ends.\n";
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
    sources << "\n## Licences\n\n"
            << "- Sounds made by the generator, and the notes written out in it, are part of this program (GPL-3.0-or-later).\n"
            << "- The classical excerpts are of works in the public domain; the notes were written out for this generator.\n"
            << "- FluidR3_GM (Debian package fluid-soundfont-gm) is under the MIT licence; what it renders carries no "
               "further condition.\n"
            << "- Recordings from tuxpaint-stamps-default are under GPL-2.0-or-later, taken here under GPL-3.0; those from "
               "gcompris-qt-data (src/activities/explore_farm_animals/resource/animals/*.ogg) are under GPL-3.0, as "
               "their copyright files state.\n"
            << "\n## Regenerating\n\n"
            << "```sh\ntools/factory/generate.sh\n```\n\n"
            << "It installs fluidsynth, fluid-soundfont-gm, sox with its Ogg support, tuxpaint-stamps-default and "
               "gcompris-qt-data when missing, builds the generator (CMake option ZELMAR_FACTORY_TOOLS) in "
               "build-factory/, and writes data/factory/Premium.zmr, Classic.zmr, Music.zmr and this page. "
               "Neither the normal build nor the tests run it.\n";
    std::ofstream(outDir / "SOURCES.md") << sources.str();
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::fprintf(stderr, "done in %.1f s\n", took);
    return status;
}
