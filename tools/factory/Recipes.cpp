// The recipes of the factory sounds. Recordings come from Debian's data packages, whose copyright
// files (and, for the stamps, the upstream changelog) name their authors; everything else is made
// here, by synthesis or as notes rendered with a General MIDI sound font.
#include "Recipes.h"

#include "Music.h"
#include "Outside.h"
#include "Synth.h"

#include <QFile>
#include <QResource>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace factory {

namespace {

// Where a recording comes from: its package, the folder inside it and the notice its copyright
// file (and, for the stamps, its changelog) gives it.
struct Source {
    const char* package;
    const char* folder;
    const char* licence;
};

// The stamps' animal recordings came from Childsplay, as the package's changelog says (2007.July.1);
// the rooster's is older, the stamp's own from 2002-2003 (2002.November.12 and 2003.January.28).
const Source kStamps = {"tuxpaint-stamps-default", "/usr/share/tuxpaint/stamps/",
                        "GPL-2.0-or-later, taken as GPL-3.0-or-later; © 2002-2022 Bill Kendrick (tuxpaint-stamps); "
                        "recorded for Childsplay, © 2002-2005 Stas Zytkiewicz, adapted by Pere Pujal i Carabantes"};
const Source kStampsRooster = {"tuxpaint-stamps-default", "/usr/share/tuxpaint/stamps/",
                               "GPL-2.0-or-later, taken as GPL-3.0-or-later; © 2002-2022 Bill Kendrick (tuxpaint-stamps): "
                               "the rooster stamp (added 2002 by John O'Sullivan) and the sound effect it was given in "
                               "January 2003, as the package's changelog shows"};
const Source kFarm = {"gcompris-qt-data", "explore_farm_animals",
                      "GPL-3.0-only; © 2000, 2008 Bruno Coudoin and others, Franck Doucet (GCompris)"};
// The game's credits name Corey Woodworth for its hit and die sounds and Adam Rinsky for the dwarves'.
const Source kWesnoth = {"wesnoth-1.16-data", "/usr/share/games/wesnoth/1.16/data/core/sounds/",
                         "GPL-2.0-or-later, taken as GPL-3.0-or-later; © 2003-2009 David White and the other "
                         "authors named in /usr/share/doc/zelmar/copyright (The Battle for Wesnoth); the game's "
                         "credits name Corey Woodworth for its hit and die sounds"};
const Source kWesnothDwarf = {"wesnoth-1.16-data", "/usr/share/games/wesnoth/1.16/data/core/sounds/",
                              "GPL-2.0-or-later, taken as GPL-3.0-or-later; © 2003-2009 David White and the other "
                              "authors named in /usr/share/doc/zelmar/copyright (The Battle for Wesnoth); the game's "
                              "credits name Adam Rinsky for its dwarf sounds, beside Corey Woodworth for its hit "
                              "and die sounds"};
// A recording changed here carries the date of the change with its notice.
const std::string kModified = std::string("; modified ") + kRecordingsModifiedOn
                              + " by the Zelmar developers (cut, made mono at 18000 samples a second, faded and levelled)";
const std::string kSynthLicence = "GPL-3.0-or-later (made by this generator)";
const std::string kFluidLicence = "GPL-3.0-or-later (notes written in this generator); rendered with "
                                  "fluid-soundfont-gm, MIT, © 2000-2002, 2008 Frank Wen, © 2008 Toby Smithe";

// Copies a file out of a GCompris resource bundle into the work folder.
std::string fromGCompris(const std::string& activity, const std::string& name)
{
    const std::string rcc = "/usr/share/gcompris-qt/rcc/" + activity + ".rcc";
    if (!QResource::registerResource(QString::fromStdString(rcc)))
        throw std::runtime_error("cannot open " + rcc);
    const std::string out = places().work + "/" + activity + "-" + name;
    QFile::remove(QString::fromStdString(out));
    const QString inside = QStringLiteral(":/gcompris/src/activities/%1/resource/animals/%2")
                               .arg(QString::fromStdString(activity), QString::fromStdString(name));
    if (!QFile::copy(inside, QString::fromStdString(out)))
        throw std::runtime_error("no " + name + " in " + rcc);
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

// One stretch of a recording: from `start` for `length` seconds (0: to the end).
struct Cut {
    double start = 0;
    double length = 0;
};

// A recording of `source`, of one stretch or of several joined (a breath taken out), at a speed.
Made recorded(const Source& source, const std::string& file, std::vector<Cut> cuts, const std::string& what,
              double speedFactor = 1.0)
{
    const bool bundled = source.folder[0] != '/';
    const std::string path = bundled ? fromGCompris(source.folder, file) : source.folder + file;
    if (cuts.empty())
        cuts.push_back({});
    std::vector<Buffer> parts;
    std::ostringstream how;
    how << what << ": recording " << file << " from " << source.package;
    for (size_t k = 0; k < cuts.size(); ++k) {
        Buffer part = loadRecording(path, cuts[k].start, cuts[k].length);
        // Joined stretches meet in short fades, so that the seam does not click.
        if (cuts.size() > 1) {
            fadeIn(part, 0.01);
            fadeOut(part, 0.01);
        }
        parts.push_back(std::move(part));
        if (cuts[k].start > 0 || cuts[k].length > 0)
            how << (k ? " and " : ", ") << cuts[k].start << " s for " << cuts[k].length << " s";
    }
    Buffer b = concat(parts);
    if (speedFactor != 1.0) {
        b = speed(lowPass(b, 7000), speedFactor);
        how << ", played at " << speedFactor << " times its speed";
    }
    return {b, how.str(), source.licence + kModified};
}

// Music whose lowest bass would spend the headroom that a chime's speaker, which gives nothing down
// there, could use: the bass below `hz` thinned (18 dB an octave).
Made thinned(Made m, double hz)
{
    m.raw = highPass(highPass(highPass(m.raw, hz), hz), hz);
    m.how += ", the bass below " + std::to_string(int(hz)) + " Hz thinned, which a chime's speaker does not give";
    return m;
}

Made synth(Buffer b, const std::string& how) { return {std::move(b), how, kSynthLicence}; }

Made music(const std::string& key, const std::string& how, bool excerpt = false)
{
    return {render(piece(key), key), how + ", rendered by fluidsynth with the General MIDI sound font FluidR3_GM", kFluidLicence,
            written(piece(key)), excerpt};
}

} // namespace

// Every sound the sets use, by key.
std::map<std::string, std::function<Made()>> recipes()
{
    std::map<std::string, std::function<Made()>> r;
    r["rooster"] = [] { return recorded(kStampsRooster, "animals/birds/rooster.ogg", {}, "rooster crowing"); };
    // Both hee-haws, with the breath between them shortened.
    r["donkey"] = [] { return recorded(kStamps, "animals/mammals/equines/donkey.ogg", {{0, 1.46}, {1.62, 1.44}}, "donkey braying"); };
    r["bigdog1"] = [] { return recorded(kStamps, "animals/mammals/dogs/dog.ogg", {{0, 0.47}}, "big dog, first bark", 0.82); };
    r["bigdog2"] = [] { return recorded(kStamps, "animals/mammals/dogs/dog.ogg", {{0.5, 0.45}}, "big dog, second bark", 0.78); };
    r["smalldog1"] = [] { return recorded(kFarm, "dog.ogg", {{0, 0.4}}, "small dog, first yap", 1.35); };
    r["smalldog2"] = [] { return recorded(kFarm, "dog.ogg", {{0.48, 0.42}}, "small dog, second yap", 1.45); };
    // The recording opens with half a second of hiss before the neigh.
    r["horse"] = [] { return recorded(kStamps, "animals/mammals/equines/horse.ogg", {{0.5, 1.35}}, "horse neighing"); };
    r["cow"] = [] { return recorded(kStamps, "animals/mammals/bovines/cow.ogg", {}, "cow mooing"); };
    r["boar1"] = [] { return recorded(kStamps, "animals/mammals/pig.ogg", {{0, 0.3}}, "wild boar grunt, from a pig's", 0.8); };
    r["boar2"] = [] { return recorded(kFarm, "pig.ogg", {{2.93, 0.42}}, "wild boar grunt, from a pig's", 0.8); };
    r["boar3"] = [] { return recorded(kStamps, "animals/mammals/pig.ogg", {{0.35, 0.21}}, "wild boar grunt, from a pig's", 0.7); };
    r["lark"] = [] { return recorded(kStamps, "animals/birds/lark.ogg", {}, "lark singing"); };
    // Three whistled phrases of the song; the recording opens with the alarm rattle.
    r["blackbird"] = [] { return recorded(kStamps, "animals/birds/blackbird.ogg", {{3.72, 0.6}, {4.96, 0.6}, {7.26, 0.5}},
                                          "blackbird singing"); };
    // Both miaows, the second whole.
    r["cat"] = [] { return recorded(kFarm, "cat.ogg", {}, "cat miaowing"); };
    r["sheep"] = [] { return recorded(kFarm, "sheep.ogg", {}, "sheep bleating"); };
    r["goat"] = [] { return recorded(kStamps, "animals/mammals/bovines/goat.ogg", {}, "goat bleating"); };
    // Three caws, up to the silence before the fourth.
    r["crow"] = [] { return recorded(kStamps, "animals/birds/crow.ogg", {{0, 1.515}}, "crow cawing"); };
    r["elephant"] = [] { return recorded(kStamps, "animals/mammals/elephant.ogg", {}, "elephant trumpeting"); };
    r["screamman"] = [] { return recorded(kWesnoth, "human-die-1.ogg", {}, "a man's scream"); };
    r["screamwoman"] = [] { return recorded(kWesnoth, "human-female-die-3.ogg", {}, "a woman's scream"); };
    r["laugh1"] = [] { return recorded(kWesnothDwarf, "dwarf-laugh.wav", {{0, 1.14}}, "crazy laughter, its first half", 1.06); };
    r["laugh2"] = [] { return recorded(kWesnothDwarf, "dwarf-laugh.wav", {{1.14, 1.44}}, "crazy laughter, its second half", 1.06); };

    const std::string chimeHow = "door chime tone, modal synthesis of a struck bar (partials 1, 2.76, 5.40, 8.93 with their own decays)";
    r["chimeE5"] = [=] { return synth(chime(659.3, 1.6, 1), "E5 " + chimeHow); };
    r["chimeC5"] = [=] { return synth(chime(523.3, 1.6, 2), "C5 " + chimeHow); };
    r["chimeA4"] = [=] { return synth(chime(440.0, 2.0, 3), "A4 " + chimeHow); };
    r["chimeF4"] = [=] { return synth(chime(349.2, 2.0, 4), "F4 " + chimeHow); };
    r["chimeC6"] = [=] { return synth(chime(1046.5, 1.4, 5), "C6 " + chimeHow); };
    r["chimeA5"] = [=] { return synth(chime(880.0, 1.4, 6), "A5 " + chimeHow); };
    r["chimeF5"] = [=] { return synth(chime(698.5, 1.6, 7), "F5 " + chimeHow); };
    r["gong"] = [] { return synth(gongOneTone(), "tuned gong (E4) with a raised boss, its beating fundamental and seven inharmonic overtones with their own decays, soft mallet"); };
    // A bell of some size rings on for many seconds; each sound is its first stretch.
    r["church1"] = [] { return synth(churchBell(330, 6.0, 8), "church bell (strike note E4), modal synthesis: hum, prime, tierce, quint, nominal and upper partials"); };
    r["church2"] = [] { return synth(churchBell(392, 6.0, 9), "church bell (strike note G4), modal synthesis as above"); };
    r["church3"] = [] { return synth(churchBell(494, 6.0, 10), "church bell (strike note B4), modal synthesis as above"); };
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
    for (int k = 0; k < 4; ++k)
        r["yodel" + std::to_string(k)] = [k] { return synth(yodel(k), "yodel phrase, chest voice and falsetto in turn, formant synthesis"); };

    r["harp"] = [] { return music("harp", "harp glissando and chord (GM harp)"); };
    r["snare"] = [] { return music("snare", "snare drum roll with a final accent"); };
    // Below some 150 Hz a chime's speaker gives nothing: the strokes are thinned there, so that
    // what is left (the skin and the beater) is what is heard.
    r["bassdrum"] = [] { return thinned(music("bassdrum", "concert bass drum: four strokes on bass drum, floor tom and taiko"), 150); };
    r["trumpet"] = [] { return music("trumpet", "trumpet fanfare"); };
    r["guitar"] = [] { return music("guitar", "classical guitar arpeggio in A minor"); };
    // The classical excerpts, each to end with a phrase of its work; then the styles, grooves
    // that may fade out.
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
    constexpr size_t kExcerpts = 16;
    for (size_t i = 0; i < std::size(pieces); ++i) {
        const std::string k = pieces[i].first, h = pieces[i].second;
        r[k] = [k, h, i] { return music(k, h, i < kExcerpts); };
    }
    // Music on a deep bass, whose attacks would otherwise sit at the limiter's ceiling; a groove and
    // its ending thinned alike, so that they still meet sample for sample.
    for (const char* key : {"techno", "technoend", "electro1", "electro1end", "electro2", "reggae1", "reggae2",
                            "caribbean1", "mountainking"}) {
        r[key] = [f = r[key]] { return thinned(f(), 200); };
    }
    return r;
}


std::vector<InputPackage> inputPackages()
{
    std::vector<InputPackage> out;
    for (const char* name : {kStamps.package, kFarm.package, kWesnoth.package, "fluid-soundfont-gm", "fluidsynth", "sox",
                             "libsox-fmt-all"}) {
        std::string version;
        if (FILE* p = ::popen(("dpkg-query -W -f='${Version}' " + std::string(name) + " 2>/dev/null").c_str(), "r")) {
            char buf[256];
            while (std::fgets(buf, sizeof buf, p))
                version += buf;
            ::pclose(p);
        }
        out.push_back({name, version.empty() ? "not installed" : version});
    }
    return out;
}

} // namespace factory
