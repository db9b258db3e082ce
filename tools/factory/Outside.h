#pragma once
// What the generator takes from outside programs: recordings decoded by sox, and music written out
// here as notes and rendered by fluidsynth with a General MIDI sound font.
#include "Dsp.h"

#include <string>
#include <vector>

namespace factory {

// Where the outside material lies; set once from the command line.
struct Places {
    std::string soundFont = "/usr/share/sounds/sf2/FluidR3_GM.sf2";
    std::string work;   // a temporary folder for MIDI and WAV files
};
Places& places();

// A recording decoded to the chime's rate, mono, from `start` for at most `length` seconds
// (0: to the end). Throws std::runtime_error when sox fails.
Buffer loadRecording(const std::string& path, double start = 0, double length = 0);

// One voice of a piece in a small text form:
//   "C4:1 D#4:.5 r:.5 C4+E4+G4:2 ^G4:1"
// a note name with octave (or notes joined by '+', a chord) and its length in beats; "r" rests;
// '^' accents. Guitars strum their chords.
struct Voice {
    int program = 0;      // General MIDI program (0-based)
    std::string notes;
    int velocity = 90;
    int transpose = 0;    // semitones
    double startBeat = 0;
    int repeat = 1;
};

// A drum line on channel 10 as a step grid: 'X' accent, 'x' hit, 'g' ghost, anything else rest.
struct DrumLine {
    int note;
    std::string steps;
    double stepBeats = 0.25;
    int repeat = 1;
};

struct Piece {
    double tempo = 120;   // quarter notes per minute
    std::vector<Voice> voices;
    std::vector<DrumLine> drums;
    double tailSeconds = 1.5;   // rendered after the last note for the release and reverb
};

// Renders through fluidsynth at 44.1 kHz and brings the result to the chime's rate.
Buffer render(const Piece& piece, const std::string& name);

// Where the last written note or drum stroke of a piece begins and where the last one ends, in seconds.
struct Written {
    double lastOnset = 0;
    double end = 0;
};
Written written(const Piece& piece);

} // namespace factory
