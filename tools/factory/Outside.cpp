#include "Outside.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace factory {

Places& places()
{
    static Places p;
    return p;
}

namespace {

std::string quoted(const std::string& s)
{
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

void run(const std::string& command)
{
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

int noteNumber(const std::string& name)
{
    static const std::map<char, int> base = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5}, {'G', 7}, {'A', 9}, {'B', 11}};
    size_t i = 0;
    auto it = base.find(name.at(i++));
    if (it == base.end())
        throw std::runtime_error("bad note " + name);
    int n = it->second;
    while (i < name.size() && (name[i] == '#' || name[i] == 'b')) {
        n += name[i] == '#' ? 1 : -1;
        ++i;
    }
    return n + 12 * (std::stoi(name.substr(i)) + 1);
}

struct Event {
    long tick;
    int order;   // offs before ons at the same tick
    std::vector<uint8_t> bytes;
};

constexpr int kDivision = 480;

void putVarLen(std::vector<uint8_t>& out, unsigned long v)
{
    uint8_t buf[5];
    int n = 0;
    buf[n++] = v & 0x7F;
    while (v >>= 7)
        buf[n++] = uint8_t(0x80 | (v & 0x7F));
    while (n)
        out.push_back(buf[--n]);
}

std::vector<uint8_t> smf(const Piece& piece, double& lengthBeats, double* lastOnsetBeats = nullptr)
{
    std::vector<Event> events;
    const long tempo = long(60000000.0 / piece.tempo);
    events.push_back({0, 0, {0xFF, 0x51, 0x03, uint8_t(tempo >> 16), uint8_t(tempo >> 8), uint8_t(tempo)}});
    lengthBeats = 0;
    int channel = 0;
    for (const Voice& v : piece.voices) {
        if (channel == 9)
            ++channel;
        const uint8_t ch = uint8_t(channel++ % 16);
        events.push_back({0, 1, {uint8_t(0xC0 | ch), uint8_t(v.program)}});
        const bool guitar = v.program >= 24 && v.program <= 31;
        double beat = v.startBeat;
        for (int rep = 0; rep < v.repeat; ++rep) {
            std::istringstream in(v.notes);
            std::string token;
            while (in >> token) {
                if (token == "|")
                    continue;
                const size_t colon = token.find(':');
                if (colon == std::string::npos)
                    throw std::runtime_error("no length in " + token);
                const double len = std::stod(token.substr(colon + 1));
                std::string what = token.substr(0, colon);
                int velocity = v.velocity;
                if (!what.empty() && what[0] == '^') {
                    velocity = std::min(127, velocity + 25);
                    what.erase(0, 1);
                }
                if (what != "r") {
                    std::vector<int> notes;
                    std::istringstream parts(what);
                    std::string part;
                    while (std::getline(parts, part, '+'))
                        notes.push_back(noteNumber(part) + v.transpose);
                    if (lastOnsetBeats)
                        *lastOnsetBeats = std::max(*lastOnsetBeats, beat);
                    for (size_t k = 0; k < notes.size(); ++k) {
                        const long on = long(beat * kDivision) + (guitar ? long(k) * 12 : 0);
                        const long off = long((beat + len) * kDivision) - 8;
                        events.push_back({on, 2, {uint8_t(0x90 | ch), uint8_t(notes[k]), uint8_t(velocity)}});
                        events.push_back({std::max(on + 1, off), 1, {uint8_t(0x80 | ch), uint8_t(notes[k]), 0}});
                    }
                }
                beat += len;
            }
        }
        lengthBeats = std::max(lengthBeats, beat);
    }
    for (const DrumLine& d : piece.drums) {
        double beat = 0;
        for (int rep = 0; rep < d.repeat; ++rep) {
            for (char c : d.steps) {
                int velocity = c == 'X' ? 120 : c == 'x' ? 95 : c == 'g' ? 50 : 0;
                if (velocity) {
                    if (lastOnsetBeats)
                        *lastOnsetBeats = std::max(*lastOnsetBeats, beat);
                    const long on = long(beat * kDivision);
                    events.push_back({on, 2, {0x99, uint8_t(d.note), uint8_t(velocity)}});
                    events.push_back({on + kDivision / 8, 1, {0x89, uint8_t(d.note), 0}});
                }
                beat += d.stepBeats;
            }
        }
        lengthBeats = std::max(lengthBeats, beat);
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.tick != b.tick ? a.tick < b.tick : a.order < b.order; });
    std::vector<uint8_t> track;
    long last = 0;
    for (const Event& e : events) {
        putVarLen(track, static_cast<unsigned long>(e.tick - last));
        last = e.tick;
        track.insert(track.end(), e.bytes.begin(), e.bytes.end());
    }
    // The end of the track lies after the tail, so that the player renders the release and reverb.
    putVarLen(track, static_cast<unsigned long>(piece.tailSeconds * piece.tempo / 60.0 * kDivision));
    track.insert(track.end(), {0xFF, 0x2F, 0x00});
    std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, kDivision >> 8, kDivision & 0xFF,
                                'M', 'T', 'r', 'k'};
    const uint32_t n = uint32_t(track.size());
    out.insert(out.end(), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
    out.insert(out.end(), track.begin(), track.end());
    return out;
}

} // namespace

Buffer loadRecording(const std::string& path, double start, double length)
{
    std::string command = "sox -V1 " + quoted(path) + " -t raw -r 18000 -c 1 -e floating-point -b 32 - ";
    if (start > 0 || length > 0) {
        command += "trim " + std::to_string(start);
        if (length > 0)
            command += " " + std::to_string(length);
    }
    FILE* p = ::popen(command.c_str(), "r");
    if (!p)
        throw std::runtime_error("cannot run sox");
    Buffer out;
    float buf[4096];
    size_t n;
    while ((n = std::fread(buf, sizeof(float), 4096, p)) > 0)
        out.insert(out.end(), buf, buf + n);
    if (::pclose(p) != 0 || out.empty())
        throw std::runtime_error("sox could not read " + path);
    return out;
}

Written written(const Piece& piece)
{
    double beats = 0, lastOnset = 0;
    smf(piece, beats, &lastOnset);
    return {lastOnset * 60.0 / piece.tempo, beats * 60.0 / piece.tempo};
}

Buffer render(const Piece& piece, const std::string& name)
{
    double beats = 0;
    const std::vector<uint8_t> midi = smf(piece, beats);
    const std::string base = places().work + "/" + name;
    {
        std::ofstream f(base + ".mid", std::ios::binary);
        f.write(reinterpret_cast<const char*>(midi.data()), std::streamsize(midi.size()));
    }
    run("fluidsynth -ni -q -g 0.6 -r 44100 -F " + quoted(base + ".wav") + " " + quoted(places().soundFont) + " "
        + quoted(base + ".mid") + " >/dev/null 2>&1");
    Buffer b = loadRecording(base + ".wav");
    // fluidsynth stops at the end of the file; keep the tail asked for and no more.
    const double seconds = beats * 60.0 / piece.tempo + piece.tailSeconds;
    if (b.size() > samplesFor(seconds))
        b.resize(samplesFor(seconds));
    return b;
}

} // namespace factory
