// The music of the factory sets, written out as notes: instruments, excerpts of public-domain
// classical works, and a few bars typical of each style.
#include "Music.h"

#include <map>
#include <stdexcept>

namespace factory {

namespace {

using V = Voice;
using D = DrumLine;

// General MIDI drum notes.
enum : int {
    Kick2 = 35, Kick = 36, Rim = 37, Snare = 38, Clap = 39, Hat = 42, Pedal = 44, OpenHat = 46, Crash = 49,
    Ride = 51, Tambourine = 54, Cowbell = 56, BongoHi = 60, BongoLo = 61, CongaMute = 62, CongaHi = 63,
    CongaLo = 64, Timbale = 65, Maracas = 70, Claves = 75, TomLo = 45, TomMid = 47, TomFloor = 41,
};

std::map<std::string, Piece> pieces()
{
    std::map<std::string, Piece> m;

    // Instruments.
    m["harp"] = {96, {V{.program = 46, .notes = "C4:.125 E4:.125 G4:.125 C5:.125 E5:.125 G5:.125 C6:.125 E6:.125 "
                                                 "G6:.125 C7:.5 C3+G3+C4+E4+G4+C5:2.5", .velocity = 95}}, {}, 2.0};
    m["snare"] = {120, {}, {D{Snare, "gggggggxxxxxxxxxxxxxxxxXXXXXXXX", 0.0625}, D{Snare, "................................X", 0.0625},
                           D{Crash, "................................X", 0.0625}}, 1.0};
    // A concert bass drum: the deep stroke with the skin's slap above it (floor tom and taiko).
    m["bassdrum"] = {100, {V{.program = 116, .notes = "^D3:1 D3:.5 D3:.5 ^D3:1", .velocity = 105}},
                     {D{Kick2, "X...x.x.X", 0.25}, D{TomFloor, "X...x.x.X", 0.25}}, 1.2};
    m["trumpet"] = {132, {V{.program = 56, .notes = "G4:.33 G4:.33 G4:.34 ^C5:.75 G4:.25 C5:.5 ^E5:1.5", .velocity = 100}}, {}, 0.8};
    m["guitar"] = {96, {V{.program = 24, .notes = "A2:.25 E3:.25 A3:.25 C4:.25 E4:.25 A4:.25 E4:.25 C4:.25 A2+E3+A3+C4+E4+A4:2",
                          .velocity = 90}}, {}, 1.5};

    // Classical excerpts.
    m["bach"] = {96,
                 {V{.program = 19, .notes = "A5+A4:.125 G5+G4:.125 A5+A4:2.75 r:.5 G5+G4:.25 F5+F4:.25 E5+E4:.25 "
                                            "D5+D4:.25 C#5+C#4:1 D5+D4:2.5", .velocity = 100},
                  V{.program = 19, .notes = "r:5.5 D3+D2+A2:2.5", .velocity = 95}}, {}, 1.5};
    m["elise"] = {76,
                  {V{.program = 0, .notes = "E5:.25 D#5:.25 E5:.25 D#5:.25 E5:.25 B4:.25 D5:.25 C5:.25 A4:.5 r:.25 C4:.25 E4:.25 "
                                            "A4:.25 B4:.5 r:.25 E4:.25 G#4:.25 B4:.25 C5:1.5", .velocity = 80},
                   V{.program = 0, .notes = "r:2 A2:.25 E3:.25 A3:.25 r:.75 E2:.25 E3:.25 G#3:.25 r:.75 A2:.25 E3:.25 A3:1",
                     .velocity = 65}}, {}, 1.5};
    // Allegro con brio, a half note at 108; the fermatas held about twice their length.
    m["fifth"] = {216,
                  {V{.program = 48, .notes = "r:.5 ^G4:.5 G4:.5 G4:.5 ^Eb4:4 r:.5 ^F4:.5 F4:.5 F4:.5 ^D4:7", .velocity = 105},
                   V{.program = 48, .notes = "r:.5 ^G4:.5 G4:.5 G4:.5 ^Eb4:4 r:.5 ^F4:.5 F4:.5 F4:.5 ^D4:7", .velocity = 100, .transpose = -12},
                   V{.program = 43, .notes = "r:.5 ^G4:.5 G4:.5 G4:.5 ^Eb4:4 r:.5 ^F4:.5 F4:.5 F4:.5 ^D4:7", .velocity = 100, .transpose = -24}},
                  {}, 1.2};
    // The theme's first phrase, to its half close on E.
    m["joy"] = {176,
                {V{.program = 48, .notes = "F#4:1 F#4:1 G4:1 A4:1 A4:1 G4:1 F#4:1 E4:1 D4:1 D4:1 E4:1 F#4:1 F#4:1.5 E4:.5 E4:2",
                   .velocity = 100, .transpose = 12},
                 V{.program = 60, .notes = "F#4:1 F#4:1 G4:1 A4:1 A4:1 G4:1 F#4:1 E4:1 D4:1 D4:1 E4:1 F#4:1 F#4:1.5 E4:.5 E4:2",
                   .velocity = 85},
                 V{.program = 48, .notes = "D3+A3:2 D3+A3:2 A2+E3:2 A2+E3:2 D3+F#3:2 G2+D3:2 A2+E3:2 A2+E3:2", .velocity = 80}},
                {}, 0.8};
    // A lullaby's pace; the song's first phrase, "Guten Abend, gut' Nacht", to its long G.
    m["lullaby"] = {84,
                    {V{.program = 10, .notes = "E4:.5 E4:.5 G4:2 E4:.5 E4:.5 G4:2.5", .velocity = 95, .transpose = 12},
                     V{.program = 46, .notes = "r:1 C3:1 G3:1 E4:1 C3:1 G3+E4:1.5", .velocity = 70}}, {}, 1.5};
    // The theme's opening phrase, up to its first close on E.
    m["mountainking"] = {160,
                         {V{.program = 70, .notes = "B3:.5 C#4:.5 D4:.5 E4:.5 F#4:.5 D4:.5 F#4:1 F4:.5 C#4:.5 F4:1 E4:.5 C4:.5 E4:1",
                            .velocity = 100},
                          V{.program = 45, .notes = "B2:1 F#2:1 B2:1 F#2:1 C#3:1 G#2:1 C3:1 G2:1", .velocity = 90}}, {}, 1.0};
    m["morning"] = {176,
                    {V{.program = 73, .notes = "B5:1 G#5:1 F#5:1 E5:1 F#5:1 G#5:1 B5:1 G#5:1 F#5:1 E5:1 F#5:.5 G#5:.5 F#5:.5 G#5:.5 B5:3",
                       .velocity = 95},
                     V{.program = 48, .notes = "E3+B3+G#4:6 E3+B3+G#4:6 E3+B3+E4+G#4:5", .velocity = 60}}, {}, 1.5};
    // The first phrase, the rising call to its D.
    m["nachtmusik"] = {140,
                       {V{.program = 48, .notes = "^G4:1 r:.5 D4:.5 G4:1 r:.5 D4:.5 G4:.5 D4:.5 G4:.5 B4:.5 ^D5:2", .velocity = 105},
                        V{.program = 48, .notes = "G3:1 r:.5 D3:.5 G3:1 r:.5 D3:.5 G3:.5 D3:.5 G3:.5 B3:.5 D4:2",
                          .velocity = 95, .transpose = -12}}, {}, 1.0};
    m["turca"] = {120,
                  {V{.program = 0, .notes = "B4:.25 A4:.25 G#4:.25 A4:.25 C5:1 D5:.25 C5:.25 B4:.25 C5:.25 E5:1 F5:.25 E5:.25 "
                                            "D#5:.25 E5:.25 B5:.25 A5:.25 G#5:.25 A5:.25 B5:.25 A5:.25 G#5:.25 A5:.25 ^C6:2",
                     .velocity = 90},
                   V{.program = 0, .notes = "r:1 A3:.5 C4+E4:.5 C4+E4:.5 C4+E4:.5 A3:.5 C4+E4:.5 C4+E4:.5 C4+E4:.5 A3:.5 "
                                            "C4+E4:.5 A3:.5 C4+E4:.5 A3+C4+E4:2",
                     .velocity = 65}}, {}, 1.2};
    // The first phrase: the sighing figure three times and its leap to B flat.
    m["fortieth"] = {150,
                     {V{.program = 48, .notes = "Eb5:.5 D5:.5 D5:1 Eb5:.5 D5:.5 D5:1 Eb5:.5 D5:.5 D5:1 ^Bb5:2", .velocity = 100},
                      V{.program = 48, .notes = "G3+Bb3:.5 G3+Bb3:.5 G3+Bb3:.5 G3+Bb3:.5 G3+Bb3:.5 G3+Bb3:.5 G3+Bb3:.5 G3+Bb3:.5 "
                                                "G3+Bb3:.5 G3+Bb3:.5 G3+Bb3:.5 G3+Bb3:.5 G3+Bb3:1 G3+Bb3:1",
                        .velocity = 70},
                      V{.program = 43, .notes = "G2:2 G2:2 G2:2 G2:2", .velocity = 80}}, {}, 1.0};
    // The galop's eight-bar theme, to its close on C.
    m["cancan"] = {176,
                   {V{.program = 40, .notes = "C5:1 C5:.5 D5:.5 F5:.5 E5:.5 D5:.5 G5:.5 G5:1 G5:.5 A5:.5 E5:.5 F5:.5 D5:1 "
                                              "D5:1 D5:.5 F5:.5 E5:.5 D5:.5 C5:.5 C6:.5 B5:.5 A5:.5 G5:.5 F5:.5 E5:.5 D5:.5 ^C5:1",
                      .velocity = 105},
                    V{.program = 61, .notes = "C3:.5 E3+G3:.5 C3:.5 E3+G3:.5 G2:.5 B2+F3:.5 G2:.5 B2+F3:.5 C3:.5 E3+G3:.5 C3:.5 E3+G3:.5 "
                                              "G2:.5 B2+F3:.5 G2:.5 B2+F3:.5 G2:.5 B2+F3:.5 G2:.5 B2+F3:.5 C3:.5 E3+G3:.5 C3:.5 E3+G3:.5 "
                                              "G2:.5 B2+F3:.5 G2:.5 B2+F3:.5 C3:.5 E3+G3:.5 C3+E3+G3:1",
                      .velocity = 80}}, {}, 1.0};
    // The ground's eight chords, each with its note of the tune as the first violin enters, and the
    // return to D.
    m["canon"] = {120,
                  {V{.program = 40, .notes = "F#5:1 E5:1 D5:1 C#5:1 B4:1 A4:1 B4:1 C#5:1 D5:1.5", .velocity = 95},
                   V{.program = 48, .notes = "D3+A3+F#4:1 A2+E3+C#4:1 B2+F#3+D4:1 F#2+C#3+A3:1 G2+D3+B3:1 D3+A3+F#4:1 G2+D3+B3:1 "
                                             "A2+E3+C#4:1 D3+A3+F#4:1.5",
                     .velocity = 70},
                   V{.program = 42, .notes = "D3:1 A2:1 B2:1 F#2:1 G2:1 D3:1 G2:1 A2:1 D3:1.5", .velocity = 80, .transpose = -12}},
                  {}, 1.2};
    m["tell"] = {160,
                 {V{.program = 56, .notes = "G4:.25 G4:.25 G4:.5 G4:.25 G4:.25 G4:.5 G4:.25 G4:.25 C5:.5 D5:.5 E5:.5 "
                                            "G4:.25 G4:.25 G4:.5 G4:.25 G4:.25 C5:.5 E5:.25 E5:.25 D5:.5 B4:.5 G4:.5 "
                                            "G4:.25 G4:.25 G4:.5 G4:.25 G4:.25 G4:.5 G4:.25 G4:.25 C5:.5 D5:.5 E5:.5 ^C5:.5 E5:.5 ^G5:1.5",
                    .velocity = 100},
                  V{.program = 48, .notes = "C3+E3:1 G2+D3:1 C3+E3:1 C3+G3:1 C3+E3:1 G2+F3:1 G2+D3:1 G2+B2:1 C3+E3:1 G2+D3:1 C3+E3:1 "
                                            "C3+G3:1 C3+E3+G3:2",
                    .velocity = 80}},
                 {D{Snare, "x.xxx.xxx.xxx.xxx.xxx.xxx.xxx.xxx.xxx.xxx.xxx.xx", 0.25}}, 0.8};
    // The waltz's first four bars, from the upbeat to the F sharps.
    m["danube"] = {170,
                   {V{.program = 48, .notes = "D4:1 D4:1 F#4:1 A4:1 A4:3 A5:1 r:1 A5:1 F#5:1 r:1 F#5:1", .velocity = 95},
                    V{.program = 60, .notes = "r:1 D3:1 F#3+A3:1 F#3+A3:1 D3:1 F#3+A3:1 F#3+A3:1 D3:1 F#3+A3:1 F#3+A3:1 D3:1 F#3+A3:1 F#3+A3:1",
                      .velocity = 70}}, {}, 1.2};
    m["spring"] = {126,
                   {V{.program = 40, .notes = "E5:.5 G#5:.5 G#5:.5 G#5:.5 F#5:.25 E5:.25 B5:1.5 B5:.25 A5:.25 G#5:.5 G#5:.5 G#5:.5 "
                                              "F#5:.25 E5:.25 B5:1.5 B5:.25 A5:.25 G#5:.5 A5:.25 B5:.25 A5:.5 G#5:.5 F#5:1",
                      .velocity = 100},
                    V{.program = 48, .notes = "r:.5 E3+B3+G#4:2 E3+B3+G#4:2 E3+B3+G#4:2 E3+B3+G#4:2 E3+B3+G#4:1 B2+F#3+D#4:2",
                      .velocity = 65},
                    V{.program = 6, .notes = "r:.5 E3:1 B3:1 E3:1 B3:1 E3:1 B3:1 E3:1 B3:1 E3:1 B2:2", .velocity = 70}}, {}, 1.2};
    // "Here comes the bride, all dressed in white", to its close on F.
    m["bridal"] = {100,
                   {V{.program = 19, .notes = "C4:1 F4:.75 F4:.25 F4:2 C4:1 G4:.75 E4:.25 F4:2", .velocity = 95, .transpose = 12},
                    V{.program = 19, .notes = "r:1 F3+A3+C4:3 C3+G3+Bb3:2 F3+A3+C4:2", .velocity = 80}}, {}, 1.5};

    // Styles: a few bars each of a typical pattern.
    m["dance1"] = {126,
                   {V{.program = 38, .notes = "r:.5 A2:.5 r:.5 A2:.5 r:.5 A2:.5 r:.5 A2:.5 r:.5 F2:.5 r:.5 F2:.5 r:.5 G2:.5 r:.5 G2:.5", .velocity = 105},
                    V{.program = 81, .notes = "A4+C5+E5:.75 A4+C5+E5:.75 A4+C5+E5:.5 r:2 F4+A4+C5:.75 F4+A4+C5:.75 G4+B4+D5:.5 r:2", .velocity = 95}},
                   {D{Kick, "x...x...x...x...x...x...x...x...", 0.25}, D{OpenHat, "..x...x...x...x...x...x...x...x.", 0.25},
                    D{Clap, "....x.......x.......x.......x...", 0.25}, D{Crash, "x...............................", 0.25}}, 0.6};
    m["dance1end"] = {126, {V{.program = 81, .notes = "A3+A4+C5+E5:3", .velocity = 110}, V{.program = 38, .notes = "A1:3", .velocity = 110}},
                      {D{Kick, "X", 1}, D{Crash, "X", 1}}, 1.0};
    m["dance2"] = {132,
                   {V{.program = 81, .notes = "D5:.5 D5:.5 F5:.5 D5:.5 A5:.5 D5:.5 G5:.5 F5:.5 C5:.5 C5:.5 E5:.5 C5:.5 G5:.5 E5:.5 C6:.5 A5:.5", .velocity = 95},
                    V{.program = 39, .notes = "D2:.5 D3:.5 D2:.5 D3:.5 D2:.5 D3:.5 D2:.5 D3:.5 C2:.5 C3:.5 C2:.5 C3:.5 C2:.5 C3:.5 C2:.5 C3:.5", .velocity = 100}},
                   {D{Kick, "x...x...x...x...x...x...x...x...", 0.25}, D{Hat, "..x...x...x...x...x...x...x...xx", 0.25},
                    D{Snare, "....x.......x.......x.......x.x.", 0.25}, D{Crash, "x...............................", 0.25}}, 0.8};
    m["electro1"] = {110,
                     {V{.program = 80, .notes = "C4:.25 E4:.25 G4:.25 C5:.25", .velocity = 85, .repeat = 8},
                      V{.program = 89, .notes = "C3+G3+E4:4 A2+E3+C4:4", .velocity = 80},
                      V{.program = 38, .notes = "C2:1 C2:1 C2:1 C2:1 A1:1 A1:1 A1:1 A1:1", .velocity = 95}},
                     {D{Kick, "x.......x.......x.......x.......", 0.25}, D{Hat, "..x...x...x...x...x...x...x...x.", 0.25},
                      D{40, "....x.......x.......x.......x...", 0.25}}, 0.8};
    m["electro1end"] = {110, {V{.program = 98, .notes = "C5+E5+G5+C6:3", .velocity = 90}, V{.program = 89, .notes = "C3+G3+E4:3", .velocity = 85}},
                        {D{Crash, "x", 1}}, 1.5};
    m["electro2"] = {96,
                     {V{.program = 90, .notes = "A3+C4+E4:1.5 A3+C4+E4:.5 r:1 G3+B3+D4:1 F3+A3+C4:1.5 F3+A3+C4:.5 r:1 G3+B3+E4:1", .velocity = 90},
                      V{.program = 87, .notes = "A1:.75 A1:.25 A2:.5 A1:.5 r:.5 A1:.5 G1:.5 G2:.5 F1:.75 F1:.25 F2:.5 F1:.5 r:.5 F1:.5 E1:.5 E2:.5", .velocity = 100}},
                     {D{Kick, "x.....x...x.....x.....x...x.....", 0.25}, D{Clap, "....x.......x.......x.......x...", 0.25},
                      D{Hat, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", 0.25}}, 0.8};
    m["techno"] = {136,
                   {V{.program = 39, .notes = "A1:.25 A1:.25 A2:.25 A1:.25 C2:.25 A1:.25 A2:.25 G2:.25", .velocity = 105, .repeat = 4}},
                   {D{Kick, "x...x...x...x...x...x...x...x...", 0.25}, D{Hat, "xxXxxxXxxxXxxxXxxxXxxxXxxxXxxxXx", 0.25},
                    D{Clap, "....x.......x.......x.......x...", 0.25}, D{OpenHat, "..x...x...x...x...x...x...x...x.", 0.25}}, 0.6};
    m["technoend"] = {136, {V{.program = 39, .notes = "A1:2", .velocity = 95}, V{.program = 81, .notes = "A3+E4+A4:2", .velocity = 60}},
                      {D{Kick, "x", 1}, D{Crash, "x", 1}}, 1.0};
    m["reggae1"] = {76,
                    {V{.program = 17, .notes = "r:.5 C4+E4+G4:.25 r:.75 C4+E4+G4:.25 r:.75 C4+E4+G4:.25 r:.75 C4+E4+G4:.25 r:.25 "
                                               "r:.5 F4+A4+C5:.25 r:.75 F4+A4+C5:.25 r:.75 G4+B4+D5:.25 r:.75 G4+B4+D5:.25 r:.25",
                       .velocity = 85},
                     V{.program = 33, .notes = "C2:.75 C2:.25 E2:.5 G2:1 r:.5 G2:.5 A2:.5 F2:.75 F2:.25 A2:.5 G2:1 r:.5 B1:.5 D2:.5", .velocity = 105}},
                    {D{Rim, "........x...............x.......", 0.25}, D{Kick, "........x...............x.......", 0.25},
                     D{Hat, "x.x.x.x.x.x.x.x.x.x.x.x.x.x.x.x.", 0.25}}, 0.8};
    m["reggae2"] = {84,
                    {V{.program = 27, .notes = "r:.5 A3+C4+E4:.25 r:.25", .velocity = 90, .repeat = 8},
                     V{.program = 33, .notes = "A1:.5 r:.25 A1:.25 C2:.5 E2:.5 D2:.5 r:.25 D2:.25 C2:.5 E2:.5", .velocity = 105, .repeat = 2}},
                    {D{Kick, "x...x...x...x...x...x...x...x...", 0.25}, D{Snare, "........x...............x.......", 0.25},
                     D{Hat, "..x...x...x...x...x...x...x...x.", 0.25}}, 0.8};
    m["caribbean1"] = {112,
                       {V{.program = 114, .notes = "C5:.5 E5:.5 G5:.75 E5:.25 r:.5 G5:.5 A5:.5 G5:.5 F5:.5 D5:.5 B4:.75 D5:.25 r:.5 G4:.5 B4:.5 C5:.5",
                          .velocity = 100},
                        V{.program = 32, .notes = "C2:1.5 G2:.5 C2:1 G1:1 G1:1.5 D2:.5 G1:1 C2:1", .velocity = 95}},
                       {D{Cowbell, "x.x.x.x.x.x.x.x.", 0.5}, D{CongaHi, "..x..x....x..x..", 0.5}, D{CongaLo, "x..x..x.x..x..x.", 0.5},
                        D{Maracas, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", 0.25}}, 0.8};
    m["caribbean2"] = {104,
                       {V{.program = 12, .notes = "G4:.5 B4:.5 D5:.5 B4:.5 G4:.5 B4:.5 D5:1 A4:.5 C5:.5 E5:.5 C5:.5 D5:.5 F#5:.5 G5:1", .velocity = 100},
                        V{.program = 32, .notes = "G2:1.5 D2:.5 G2:2 C2:1.5 D2:.5 G2:2", .velocity = 95}},
                       {D{Claves, "x..x..x...x.x...x..x..x...x.x...", 0.25}, D{BongoHi, "x.x.x.x.x.x.x.x.x.x.x.x.x.x.x.x.", 0.25},
                        D{BongoLo, ".x...x...x...x...x...x...x...x..", 0.25}, D{Timbale, "............x..................x", 0.25}}, 0.8};
    m["jazz1"] = {150,
                  {V{.program = 32, .notes = "D2:1 F2:1 A2:1 C3:1 G2:1 B2:1 D3:1 F3:1 C3:1 B2:1 A2:1 G2:1", .velocity = 100},
                   V{.program = 0, .notes = "r:1.67 F3+A3+C4+E4:.33 r:2 F3+B3+D4+E4:1 r:.67 B3+E4+G4:.33 r:1 E3+A3+B3+E4:3",
                     .velocity = 80},
                   V{.program = 59, .notes = "r:4 A4:.67 B4:.33 D5:.67 F5:.33 E5:1 D5:1 ^E5:3", .velocity = 95}},
                  {D{Ride, "x..x.xx..x.xx..x.xx..x.xx..x.xx..x.x", 1.0 / 3.0}, D{Pedal, "...x.....x.....x.....x.....x.....x", 1.0 / 3.0}}, 1.0};
    m["jazz2"] = {132,
                  {V{.program = 61, .notes = "r:.67 ^F4+A4+C5+Eb5:.33 r:1 F4+A4+C5+Eb5:.67 ^F4+A4+C5+Eb5:.33 r:1 Bb4+D5+F5+Ab5:.67 "
                                             "Bb4+D5+F5+Ab5:.33 r:1.5 ^Bb4+D5+F5+A5:3",
                     .velocity = 100},
                   V{.program = 32, .notes = "F2:1 A2:1 C3:1 Eb3:1 Bb2:1 D3:1 F3:1 A2:1 Bb2:3", .velocity = 100}},
                  {D{Ride, "x..x.xx..x.xx..x.xx..x.xx..x.xx..x.x", 1.0 / 3.0}, D{Snare, "..x.....x.....x....X", 1.0 / 3.0},
                   D{Crash, "........................X", 1.0 / 3.0}}, 1.0};
    m["country"] = {124,
                    {V{.program = 105, .notes = "G3:.25 B3:.25 D4:.25 G4:.25 B3:.25 D4:.25 G4:.25 B4:.25 C4:.25 E4:.25 G4:.25 C5:.25 "
                                                "D4:.25 F#4:.25 A4:.25 D5:.25 G3:.25 B3:.25 D4:.25 G4:.25 B3:.25 D4:.25 G4:.25 B4:.25 G4:1",
                       .velocity = 95},
                     V{.program = 25, .notes = "r:.5 G3+B3+D4+G4:.5 r:.5 G3+B3+D4+G4:.5 r:.5 C4+E4+G4:.5 r:.5 D4+F#4+A4:.5 r:.5 G3+B3+D4+G4:.5 "
                                               "r:.5 G3+B3+D4+G4:.5 G3+B3+D4+G4:1",
                       .velocity = 80},
                     V{.program = 32, .notes = "G2:1 D2:1 C2:1 D2:1 G2:1 D2:1 G2:1", .velocity = 95}},
                    {D{Snare, "g.x.g.x.g.x.g.x.g.x.g.x.x", 0.25}, D{Kick, "x.......x.......x.......x", 0.25}}, 0.8};
    m["blues"] = {92,
                  {V{.program = 26, .notes = "E2+B2:.67 E2+B2:.33 E2+C#3:.67 E2+B2:.33 E2+D3:.67 E2+C#3:.33 E2+B2:.67 E2+B2:.33 "
                                             "A2+E3:.67 A2+E3:.33 A2+F#3:.67 A2+E3:.33 A2+G3:.67 A2+F#3:.33 A2+E3:.67 A2+E3:.33",
                     .velocity = 95},
                   V{.program = 22, .notes = "r:.33 G4:.33 G#4:.33 B4:1 E5:.67 D5:.33 B4:1 r:1 G4:.33 A4:.67 B4:1.5", .velocity = 95}},
                  {D{Ride, "x.xx.xx.xx.xx.xx.xx.xx.xx.x", 1.0 / 3.0}, D{Snare, "...x.....x.....x.....x", 1.0 / 3.0},
                   D{Kick, "x.....x.....x.....x.....x", 1.0 / 3.0}}, 1.0};
    m["folkrock"] = {112,
                     {V{.program = 25, .notes = "G3+B3+D4+G4:.5 G3+B3+D4+G4:.5 r:.5 G3+B3+D4+G4:.5 D4+F#4+A4:.5 D4+F#4+A4:.5 r:.5 D4+F#4+A4:.5 "
                                                "E3+B3+E4+G4:.5 E3+B3+E4+G4:.5 r:.5 E3+B3+E4+G4:.5 C4+E4+G4:.5 C4+E4+G4:.5 C4+E4+G4:1",
                        .velocity = 90},
                      V{.program = 22, .notes = "D5:1 B4:.5 A4:.5 G4:1 A4:1 B4:1.5 G4:.5 E4:2", .velocity = 85},
                      V{.program = 33, .notes = "G2:2 D2:2 E2:2 C2:2", .velocity = 95}},
                     {D{Kick, "x.....x.x.....x.x.....x.x.......", 0.25}, D{Snare, "....x.......x.......x.......x...", 0.25},
                      D{Tambourine, "x.x.x.x.x.x.x.x.x.x.x.x.x.x.x.x.", 0.25}}, 0.8};
    m["rock1"] = {124,
                  {V{.program = 29, .notes = "A2+E3+A3:.5 A2+E3+A3:.5 r:.25 A2+E3+A3:.25 A2+E3+A3:.5 C3+G3+C4:.5 C3+G3+C4:.5 D3+A3+D4:.5 "
                                             "D3+A3+D4:.5 A2+E3+A3:.5 A2+E3+A3:.5 r:.25 A2+E3+A3:.25 A2+E3+A3:.5 G2+D3+G3:.5 G2+D3+G3:.5 "
                                             "D3+A3+D4:.5 D3+A3+D4:.5",
                     .velocity = 100},
                   V{.program = 34, .notes = "A1:.5 A1:.5 A1:.5 A1:.5 C2:.5 C2:.5 D2:.5 D2:.5 A1:.5 A1:.5 A1:.5 A1:.5 G1:.5 G1:.5 D2:.5 D2:.5",
                     .velocity = 100}},
                  {D{Kick, "x.....x.x.......x.....x.x.......", 0.25}, D{Snare, "....x.......x.......x.......x...", 0.25},
                   D{Hat, "x.x.x.x.x.x.x.x.x.x.x.x.x.x.x.x.", 0.25}, D{Crash, "x...............................", 0.25}}, 0.6};
    m["rock1end"] = {124, {V{.program = 29, .notes = "A2+E3+A3+C#4+E4:3", .velocity = 115}, V{.program = 34, .notes = "A1:3", .velocity = 110}},
                     {D{Kick, "XX", 0.25}, D{Crash, "X", 1}, D{TomFloor, "X", 1}}, 1.0};
    m["rock2"] = {140,
                  {V{.program = 30, .notes = "E2+B2+E3:.5 r:.5 G2+D3+G3:.5 r:.5 A2+E3+A3:1 r:.5 E2+B2+E3:.5 r:.5 G2+D3+G3:.5 r:.5 Bb2+F3+Bb3:.5 "
                                             "A2+E3+A3:1.5",
                     .velocity = 100},
                   V{.program = 16, .notes = "E4+B4:2 G4+D5:2 E4+B4:2 A4+E5:2", .velocity = 70},
                   V{.program = 34, .notes = "E1:1 G1:1 A1:1.5 E1:1 G1:1 Bb1:.5 A1:2", .velocity = 100}},
                  {D{Kick, "x.x...x.x.x...x.x.x...x.x.x...x.", 0.25}, D{Snare, "....x.......x.......x.......x...", 0.25},
                   D{Hat, "x.x.x.x.x.x.x.x.x.x.x.x.x.x.x.x.", 0.25}, D{Crash, "x...............................", 0.25}}, 0.8};
    m["punk"] = {184,
                 {V{.program = 30, .notes = "E2+B2+E3:.5 E2+B2+E3:.5 E2+B2+E3:.5 E2+B2+E3:.5 A2+E3+A3:.5 A2+E3+A3:.5 A2+E3+A3:.5 A2+E3+A3:.5 "
                                            "B2+F#3+B3:.5 B2+F#3+B3:.5 B2+F#3+B3:.5 B2+F#3+B3:.5 A2+E3+A3:.5 A2+E3+A3:.5 E2+B2+E3:1",
                    .velocity = 110},
                  V{.program = 34, .notes = "E1:.5 E1:.5 E1:.5 E1:.5 A1:.5 A1:.5 A1:.5 A1:.5 B1:.5 B1:.5 B1:.5 B1:.5 A1:.5 A1:.5 E1:1", .velocity = 105}},
                 {D{Kick, "x.x.x.x.x.x.x.x.x.x.x.x.x.x.x.", 0.25}, D{Snare, "..x...x...x...x...x...x...x...X", 0.25},
                  D{Hat, "x.x.x.x.x.x.x.x.x.x.x.x.x.x.x.", 0.25}, D{Crash, "x...............x.............X", 0.25}}, 0.8};
    m["metal"] = {104,
                  {V{.program = 30, .notes = "E2+B2:.25 E2+B2:.25 E2+B2:.25 E2+B2:.25 E2+B2:.25 E2+B2:.25 G2+D3:.5 E2+B2:.25 E2+B2:.25 "
                                             "E2+B2:.25 E2+B2:.25 Bb2+F3:.5 A2+E3:.5 E2+B2:.25 E2+B2:.25 E2+B2:.25 E2+B2:.25 E2+B2:.25 E2+B2:.25 "
                                             "G2+D3:.5 E2+B2:.25 E2+B2:.25 F2+C3:.5 E2+B2:1",
                     .velocity = 115}},
                  {D{Kick, "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", 0.25}, D{Snare, "....x.......x.......x.......x...", 0.25},
                   D{Crash, "x.......x.......x.......x.......", 0.25}}, 0.6};
    m["metalend"] = {104, {V{.program = 30, .notes = "E2+B2+E3:3", .velocity = 120}},
                     {D{Kick, "XXXX", 0.125}, D{Crash, "X", 1}, D{TomFloor, "..XX", 0.125}}, 1.2};
    m["electronic"] = {128,
                       {V{.program = 81, .notes = "A4:.25 C5:.25 E5:.25 A5:.25 E5:.25 C5:.25 A4:.25 E5:.25 F4:.25 A4:.25 C5:.25 F5:.25 "
                                                  "G4:.25 B4:.25 D5:.25 G5:.25 A4:.25 C5:.25 E5:.25 A5:.25 E5:.25 C5:.25 A4:.25 E5:.25 ^A5:2",
                          .velocity = 90},
                        V{.program = 38, .notes = "A1:.5 A2:.5 A1:.5 A2:.5 F1:.5 F2:.5 G1:.5 G2:.5 A1:.5 A2:.5 A1:.5 A2:.5 A1:2", .velocity = 100}},
                       {D{Kick, "x...x...x...x...x...x...x...x...x", 0.25}, D{OpenHat, "..x...x...x...x...x...x...x...x..", 0.25},
                        D{Clap, "....x.......x.......x.......x....", 0.25}}, 1.0};
    return m;
}

} // namespace

const Piece& piece(const std::string& key)
{
    static const std::map<std::string, Piece> all = pieces();
    auto it = all.find(key);
    if (it == all.end())
        throw std::runtime_error("no piece " + key);
    return it->second;
}

} // namespace factory
