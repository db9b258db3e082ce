#include "Notices.h"

#include <sstream>

namespace factory {

namespace {

// The names in the copyright block of wesnoth-1.16-data's copyright file, as written there.
constexpr const char* kWesnothCopyright[] = {
    "2003 - 2009 David White", "2004 - 2009 Guillaume Melquiond", "2004 - 2009 Philippe Plantier",
    "2005 - 2009 Yann Dirson", "2005 - 2007 Isaac Clerencia", "2005 - 2009 Joerg Hinrichs",
    "2005 - 2009 Joeri Melis", "2005 - 2009 Rusty Russell", "2006 - 2009 Dominic Bolin",
    "2006 - 2009 Jeremy Rosen", "2006 - 2009 Karol Nowak", "2006 - 2009 Mark de Wever",
    "2006 - 2009 Patrick Parker", "2007 - 2009 Benoit Timbert", "2008 - 2009 Ignacio R. Morelle",
    "2008 - 2009 Pauli Nieminen", "2008 - 2009 Thomas Baumhauer", "2008 - 2009 Tomasz Sniatowski",
    "2009 Bartosz Waresiak", "2009 Chris Hopman", "2009 Daniel Franke", "2009 Eugen Jiresch",
    "2009 Greg Shikhman", "2009 Yurii Chernyi",
};

constexpr const char* kFluidContributors =
    "Suren M. Seron, Scott Hanan, Steve Aupperle, Chris Gillman, Alex Taubr, Chris Prola, Andrew Klenk, "
    "Winfried Hubbe, Dylan, Tim, Gort, Uros Katic and Ethan Winer";

constexpr const char* kMitNotice =
    "> Permission is hereby granted, free of charge, to any person obtaining a copy of this software and associated\n"
    "> documentation files (the \"Software\"), to deal in the Software without restriction, including without\n"
    "> limitation the rights to use, copy, modify, merge, publish, distribute, sublicense, and/or sell copies of the\n"
    "> Software, and to permit persons to whom the Software is furnished to do so, subject to the following\n"
    "> conditions:\n"
    ">\n"
    "> The above copyright notice and this permission notice shall be included in all copies or substantial\n"
    "> portions of the Software.\n"
    ">\n"
    "> THE SOFTWARE IS PROVIDED \"AS IS\", WITHOUT WARRANTY OF ANY KIND, EXPRESS OR IMPLIED, INCLUDING BUT NOT\n"
    "> LIMITED TO THE WARRANTIES OF MERCHANTABILITY, FITNESS FOR A PARTICULAR PURPOSE AND NONINFRINGEMENT. IN NO\n"
    "> EVENT SHALL THE AUTHORS OR COPYRIGHT HOLDERS BE LIABLE FOR ANY CLAIM, DAMAGES OR OTHER LIABILITY, WHETHER\n"
    "> IN AN ACTION OF CONTRACT, TORT OR OTHERWISE, ARISING FROM, OUT OF OR IN CONNECTION WITH THE SOFTWARE OR\n"
    "> THE USE OR OTHER DEALINGS IN THE SOFTWARE.\n";

} // namespace

std::string notices(const std::vector<InputPackage>& packages)
{
    std::ostringstream o;
    o << "\n## Licences\n\n"
         "The sets as a whole are under the GNU General Public License version 3: the sounds made by the generator, "
         "and the notes written out in it, are GPL-3.0-or-later like the program; the recordings from "
         "gcompris-qt-data are GPL-3.0-only, so the sets can be passed on under version 3 of that licence only; the "
         "recordings under GPL-2.0-or-later are taken under version 3. The texts of these licences are in "
         "/usr/share/common-licenses on a Debian system.\n\n"
         "- **Made by this generator**: GPL-3.0-or-later, © 2026 The Zelmar developers.\n"
         "- **The classical excerpts** are of works in the public domain; the notes were written out for this "
         "generator.\n"
         "- **FluidR3_GM** (Debian package fluid-soundfont-gm), the instruments of all the rendered music, is under "
         "the MIT licence: Copyright © 2000-2002, 2008 Frank Wen; Copyright © 2008 Toby Smithe. Frank Wen made it "
         "with "
      << kFluidContributors << ", as its copyright file says. Its licence asks for this notice:\n\n"
      << kMitNotice
      << "\n- **tuxpaint-stamps-default**: GPL-2.0-or-later, Copyright 2002-2022 Bill Kendrick (the package's "
         "copyright file). The animal recordings used here came to it from Childsplay, \"GPL'd, copyright "
         "2002-2005 Stas Zytkiewicz\", adapted for it by Pere Pujal i Carabantes, as the package's changelog "
         "credits them (2007.July.1), except the rooster's: the rooster stamp was added in 2002 (2002.November.12, "
         "John O'Sullivan) and given its sound effect in 2003 (2003.January.28), in the package's own work. Its sheep.ogg and pig_golden.ogg are not used: the changelog lists those "
         "animals among another contributor's stamps without saying whose their sounds are or under which "
         "licence, so the sheep and the second boar grunt come from gcompris-qt-data instead.\n"
         "- **gcompris-qt-data** (src/activities/explore_farm_animals/resource/animals/*.ogg): GPL-3.0-only, "
         "Copyright 2000, 2008 Bruno Coudoin and others, and Franck Doucet, as the package's copyright file "
         "states.\n"
         "- **wesnoth-1.16-data** (data/core/sounds: human-die-1.ogg, human-female-die-3.ogg, dwarf-laugh.wav): "
         "GPL-2.0-or-later, as the package's copyright file states, which names as copyright holders ";
    for (size_t k = 0; k < std::size(kWesnothCopyright); ++k)
        o << (k ? (k + 1 == std::size(kWesnothCopyright) ? " and " : ", ") : "") << "© " << kWesnothCopyright[k];
    o << ". The game's credits (data/core/about.cfg) name Corey Woodworth for its hit and die sounds and Adam "
         "Rinsky for its dwarf hit and die sounds; the laughter is a dwarf's.\n"
         "\nEvery recording above was changed for the sets: cut, made mono at 18000 samples a second, faded and "
         "levelled, on "
      << kRecordingsModifiedOn << " (the date each such sound's notice carries).\n"
         "\n## Input packages\n\n"
         "The sets were made from these Debian 12 packages:\n\n"
         "| Package | Version |\n|---|---|\n";
    for (const InputPackage& p : packages)
        o << "| " << p.name << " | " << p.version << " |\n";
    o << "\nThe loudness of every signal is measured as a small speaker plays it: integrated loudness (ITU-R "
         "BS.1770) after a 300 Hz high-pass. The generator brings each signal to -16 LUFS by one gain for its "
         "sounds; a limiter catches only the peaks that would pass -1 dB of full scale, for 200 ms at most at a "
         "stretch, so that struck sounds keep their decay. Where the gain would need more, the bass below the "
         "speaker's range is thinned, or the signal stays at most 0.8 LU short. The grooves of the Music set repeat "
         "without a gap: the ring of each pass lies over the start of the next, and a repeat or the ending starts "
         "where the groove leaves off. The tests hold every signal within 3 LU of its set's median; "
         "`tools/factory/loudness.sh` measures the shipped sets again with ffmpeg's ebur128 filter.\n"
         "\n## Regenerating\n\n"
         "```sh\ntools/factory/generate.sh\n```\n\n"
         "It installs fluidsynth, fluid-soundfont-gm, sox with its Ogg support, tuxpaint-stamps-default, "
         "gcompris-qt-data and wesnoth-1.16-data when missing, builds the generator (CMake option "
         "ZELMAR_FACTORY_TOOLS) in build-factory/, and writes data/factory/Premium.zmr, Classic.zmr, Music.zmr and "
         "this page. Neither the normal build nor the tests run it.\n";
    return o.str();
}

} // namespace factory
