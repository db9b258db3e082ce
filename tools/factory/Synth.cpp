// Sounds made here from first principles: struck metal by modal synthesis (partials with their own
// decays), sirens and horns from oscillators, noises from shaped noise, voices from a pulse train
// through vowel formants.
#include "Synth.h"

#include <algorithm>

namespace factory {

namespace {

// A chime bar or tube: the inharmonic partials of a free bar, the higher ones dying faster.
Buffer chimeTone(double f, double seconds, unsigned seed)
{
    return modal({{f, 1.0, seconds}, {f * 2.756, 0.45, seconds * 0.45}, {f * 5.404, 0.22, seconds * 0.22},
                  {f * 8.933, 0.10, seconds * 0.12}, {f * 1.003, 0.5, seconds * 0.9}},
                 seconds, 0.03, seed);
}

// A saw-like oscillator following a pitch curve given at the chime's rate, with `harmonics`
// partials (none above 0.45 of the chime's rate), made at `oversample` times that rate.
Buffer tone(const std::vector<double>& pitch, int harmonics, double tilt = 1.0, int oversample = 1)
{
    const double rate = kRate * oversample;
    Buffer out(pitch.size() * size_t(oversample), 0.0f);
    double phase = 0;
    for (size_t i = 0; i < out.size(); ++i) {
        const size_t k = i / size_t(oversample);
        const double f = pitch[k] + (pitch[std::min(k + 1, pitch.size() - 1)] - pitch[k]) * double(i % size_t(oversample)) / oversample;
        phase += f / rate;
        phase -= std::floor(phase);
        double s = 0;
        for (int h = 1; h <= harmonics; ++h) {
            if (f * h > kRate * 0.45)
                break;
            s += std::sin(2 * kPi * h * phase) / std::pow(double(h), tilt);
        }
        out[i] = float(s);
    }
    return out;
}

Buffer softClip(Buffer b, double drive)
{
    for (float& x : b)
        x = float(std::tanh(x * drive));
    return b;
}

// A clipper makes harmonics far above the chime's Nyquist frequency; made at the chime's rate they
// would fold back as inharmonic whistles. So the tones are made and clipped at eight times the rate
// and brought down through an anti-alias filter.
constexpr int kOversample = 8;

Buffer clippedDown(const Buffer& high, double drive)
{
    return resampled(softClip(high, drive), kRate * kOversample, kRate);
}

} // namespace

Buffer chime(double freq, double seconds, unsigned seed) { return chimeTone(freq, seconds, seed); }

Buffer gongOneTone()
{
    // A tuned gong with a raised boss, pitched where a chime's small speaker still gives its
    // fundamental (a tam-tam's deep note would be lost there): a strong fundamental that beats
    // slowly against its twin, the gong's inharmonic overtones, a slow bloom of the upper ones.
    const double f = 330.0;
    std::vector<Partial> p = {{f, 1.0, 7.0}, {f * 1.004, 0.55, 6.0}};
    const double ratios[] = {1.52, 2.01, 2.39, 2.98, 3.61, 4.23, 5.14};
    for (size_t k = 0; k < std::size(ratios); ++k)
        p.push_back({f * ratios[k], 0.4 / (1 + 0.6 * double(k)), 4.5 - 0.4 * double(k)});
    Buffer b = modal(p, 3.2, 0.06, 21);
    // Soft mallet: a slower attack than metal struck by a hammer.
    envelope(b, {{0, 0}, {0.012, 1}, {3.2, 1}});
    return b;
}

Buffer churchBell(double strike, double seconds, unsigned seed)
{
    // Partials of a tuned bell relative to its strike note (the nominal): hum, prime, tierce, quint,
    // nominal, and the upper partials that carry the clang of the strike (they die first).
    const std::vector<Partial> p = {
        {strike * 0.25, 0.55, seconds},        {strike * 0.5, 0.7, seconds * 0.8},
        {strike * 0.6, 0.65, seconds * 0.6},   {strike * 0.75, 0.35, seconds * 0.5},
        {strike * 1.0, 1.0, seconds * 0.55},   {strike * 1.25, 0.45, seconds * 0.35},
        {strike * 1.5, 0.4, seconds * 0.3},    {strike * 2.0, 0.5, seconds * 0.45},
        {strike * 2.5, 0.45, seconds * 0.35},  {strike * 2.61, 0.4, seconds * 0.32},
        {strike * 3.01, 0.4, seconds * 0.28},  {strike * 3.35, 0.35, seconds * 0.25},
        {strike * 4.03, 0.3, seconds * 0.2},   {strike * 4.52, 0.28, seconds * 0.17},
        {strike * 5.08, 0.25, seconds * 0.15}, {strike * 6.11, 0.2, seconds * 0.12},
        {strike * 7.24, 0.15, seconds * 0.1},  {strike * 1.0035, 0.6, seconds * 0.5},
    };
    return modal(p, seconds, 0.12, seed);
}

Buffer schoolBell(double seconds)
{
    // An electric bell: a hammer strikes a small bell about 22 times a second.
    const Buffer strike = modal({{1180, 1.0, 0.5}, {2830, 0.6, 0.3}, {4610, 0.35, 0.2}, {6310, 0.2, 0.12}}, 0.5, 0.05, 31);
    Buffer out;
    for (double t = 0; t < seconds; t += 1.0 / 22.0)
        mixInto(out, strike, t, 0.6);
    return out;
}

Buffer telephone()
{
    // Two bells between which the clapper swings 20 times a second: one second of ring.
    const Buffer a = modal({{1320, 1.0, 0.4}, {3410, 0.5, 0.25}, {5800, 0.2, 0.12}}, 0.4, 0.03, 41);
    const Buffer b = modal({{1440, 1.0, 0.4}, {3660, 0.5, 0.25}, {6050, 0.2, 0.12}}, 0.4, 0.03, 42);
    Buffer out;
    int k = 0;
    for (double t = 0; t < 1.1; t += 1.0 / 40.0, ++k)
        mixInto(out, k % 2 ? b : a, t, 0.5);
    return out;
}

Buffer sirenWail()
{
    const double len = 3.0;
    const auto pitch = curve({{0, 500}, {1.3, 1250}, {1.7, 1250}, {3.0, 620}}, samplesFor(len));
    Buffer b = tone(pitch, 6, 1.6);
    envelope(b, {{0, 0}, {0.3, 1}, {2.6, 1}, {3.0, 0.2}});
    return b;
}

Buffer sirenTwoTone()
{
    // The two-tone horn of European emergency vehicles: A4 and D5 in turn.
    std::vector<std::pair<double, double>> pts;
    for (int k = 0; k < 4; ++k) {
        const double f = k % 2 ? 587.0 : 440.0;
        pts.push_back({k * 0.55, f});
        pts.push_back({k * 0.55 + 0.53, f});
    }
    const auto pitch = curve(pts, samplesFor(2.2));
    Buffer b = clippedDown(tone(pitch, 10, 0.9, kOversample), 1.5);
    b = bandPass(b, 1300, 1800);
    return b;
}

Buffer sirenYelp()
{
    std::vector<std::pair<double, double>> pts;
    for (int k = 0; k < 9; ++k) {
        pts.push_back({k * 0.25, 650});
        pts.push_back({k * 0.25 + 0.2, 1450});
    }
    const auto pitch = curve(pts, samplesFor(2.2));
    Buffer b = tone(pitch, 5, 1.4);
    envelope(b, {{0, 0}, {0.05, 1}, {2.1, 1}, {2.2, 0}});
    return b;
}

Buffer shipHorn()
{
    const double len = 3.0;
    auto pitch = curve({{0, 96}, {0.25, 110}, {3.0, 109}}, samplesFor(len));
    Buffer b = tone(pitch, 40, 0.7, kOversample);
    for (double& p : pitch)
        p *= 1.498;   // a fifth above, as the big two-note horns
    const Buffer high = tone(pitch, 30, 0.8, kOversample);
    for (size_t i = 0; i < b.size(); ++i)
        b[i] += 0.6f * high[i];
    b = clippedDown(b, 0.6);
    b = lowPass(bandPass(b, 420, 600), 2500);
    Buffer air = bandPass(noise(len, 51), 600, 800);
    mixInto(b, air, 0, 0.05);
    envelope(b, {{0, 0}, {0.25, 1}, {2.6, 1}, {3.0, 0}});
    return b;
}

Buffer factoryWhistle()
{
    const double len = 2.8;
    Buffer b;
    for (double f : {523.0, 659.0, 784.0}) {
        const auto pitch = curve({{0, f * 0.85}, {0.3, f}, {2.4, f}, {2.8, f * 0.93}}, samplesFor(len));
        mixInto(b, tone(pitch, 6, 2.0), 0, 0.5);
    }
    Buffer steam = bandPass(noise(len, 61), 1400, 2500);
    mixInto(b, steam, 0, 0.35);
    envelope(b, {{0, 0}, {0.2, 1}, {2.4, 1}, {2.8, 0}});
    return b;
}

Buffer cuckooCall()
{
    // A cuckoo clock's two bellows pipes: a descending third, with breath.
    Buffer out;
    double t = 0;
    for (double f : {700.0, 560.0}) {
        const auto pitch = curve({{0, f}, {0.3, f}}, samplesFor(0.3));
        Buffer b = tone(pitch, 3, 2.5);
        mixInto(b, bandPass(noise(0.3, unsigned(f)), f * 2, 400), 0, 0.15);
        envelope(b, {{0, 0}, {0.03, 1}, {0.22, 0.8}, {0.3, 0}});
        mixInto(out, b, t);
        t += 0.36;
    }
    return out;
}

Buffer clockTicks()
{
    // Tick-tock and the small spiral gong that strikes the hour.
    Buffer out;
    const Buffer tick = modal({{2400, 1.0, 0.03}, {3900, 0.6, 0.02}, {5200, 0.3, 0.02}}, 0.05, 0.2, 71);
    const Buffer tock = modal({{1700, 1.0, 0.04}, {2900, 0.6, 0.03}, {4400, 0.3, 0.02}}, 0.06, 0.2, 72);
    for (int k = 0; k < 4; ++k)
        mixInto(out, k % 2 ? tock : tick, k * 0.25, 2.5);
    mixInto(out, modal({{392, 1.0, 1.6}, {1034, 0.4, 0.8}, {1980, 0.2, 0.4}, {2710, 0.1, 0.3}}, 1.6, 0.04, 73), 1.0);
    return out;
}

Buffer knocking()
{
    // Knuckles on a wooden door: the door's panel modes ring on for a moment after each knock.
    // Below 150 Hz the panel is left out: a chime's speaker would not give it.
    Buffer out;
    int k = 0;
    for (double t : {0.0, 0.2, 0.4}) {
        Buffer knock = modal({{170, 0.7, 0.3}, {360, 1.0, 0.25}, {590, 0.8, 0.2}, {940, 0.55, 0.14}, {1500, 0.35, 0.08},
                              {2300, 0.2, 0.05}},
                             0.35, 0.3, unsigned(81 + k++));
        mixInto(out, knock, t, t == 0.4 ? 1.0 : 0.85);
    }
    return highPass(highPass(out, 150), 150);
}

Buffer creakingDoor()
{
    // A hinge that sticks and slips: an irregular train of pulses through the door's resonances.
    const double len = 1.8;
    const auto rate = curve({{0, 25}, {0.4, 70}, {0.9, 140}, {1.3, 90}, {1.8, 45}}, samplesFor(len));
    std::mt19937 rng(91);
    std::uniform_real_distribution<double> u(0.7, 1.3);
    Buffer pulses(rate.size(), 0.0f);
    double phase = 0;
    for (size_t i = 0; i < rate.size(); ++i) {
        phase += rate[i] * u(rng) / kRate;
        if (phase >= 1) {
            phase -= 1;
            pulses[i] = float(u(rng));
        }
    }
    Buffer b;
    mixInto(b, bandPass(pulses, 620, 60), 0, 1.0);
    mixInto(b, bandPass(pulses, 1240, 90), 0, 0.7);
    mixInto(b, bandPass(pulses, 2150, 140), 0, 0.4);
    envelope(b, {{0, 0}, {0.1, 0.6}, {0.8, 1}, {1.5, 0.8}, {1.8, 0}});
    return b;
}

Buffer breakingGlass()
{
    std::mt19937 rng(101);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    Buffer out = highPass(noise(0.25, 102), 2000);
    envelope(out, {{0, 1}, {0.02, 0.8}, {0.25, 0}});
    for (int k = 0; k < 45; ++k) {
        const double t = 0.01 + std::pow(u(rng), 1.8) * 1.2;
        const double f = 2200 + u(rng) * 5600;
        Buffer shard = modal({{f, 1.0, 0.05 + u(rng) * 0.2}, {f * 1.71, 0.5, 0.05 + u(rng) * 0.1}}, 0.3, 0.1,
                             unsigned(200 + k));
        mixInto(out, shard, t, 0.5 * (1.2 - t / 1.4));
    }
    return out;
}

Buffer machineGun()
{
    Buffer out;
    for (int k = 0; k < 14; ++k) {
        Buffer shot = noise(0.12, unsigned(300 + k));
        envelope(shot, {{0, 1}, {0.004, 1}, {0.12, 0}});
        shot = lowPass(shot, 3500);
        Buffer thump = modal({{70, 1.0, 0.08}, {110, 0.6, 0.06}}, 0.12, 0, 1);
        mixInto(shot, thump, 0, 1.5);
        mixInto(out, shot, k * 0.085, k == 0 ? 1.0 : 0.9);
    }
    Buffer tail = lowPass(noise(0.6, 399), 800);
    envelope(tail, {{0, 0.3}, {0.6, 0}});
    mixInto(out, tail, 14 * 0.085);
    return out;
}

Buffer refereeWhistle()
{
    // A pea whistle: the pea makes the tone warble about 30 times a second.
    Buffer out;
    double t = 0;
    for (double len : {0.22, 0.22, 0.9}) {
        const size_t n = samplesFor(len);
        Buffer b(n);
        double phase = 0;
        for (size_t i = 0; i < n; ++i) {
            const double warble = std::sin(2 * kPi * 31 * double(i) / kRate);
            phase += (2900 + 180 * warble) / kRate;
            b[i] = float(std::sin(2 * kPi * phase) * (0.75 + 0.25 * warble));
        }
        mixInto(b, bandPass(noise(len, unsigned(len * 100)), 2900, 800), 0, 0.2);
        envelope(b, {{0, 0}, {0.015, 1}, {len - 0.03, 1}, {len, 0}});
        mixInto(out, b, t);
        t += len + 0.08;
    }
    return out;
}

Buffer bicycleHorn()
{
    // A rubber bulb horn: a reed that rises as the bulb is squeezed, through the brass bell.
    Buffer out;
    for (double t : {0.0, 0.42}) {
        const auto pitch = curve({{0, 300}, {0.06, 390}, {0.25, 380}, {0.32, 330}}, samplesFor(0.32));
        Buffer b = clippedDown(tone(pitch, 18, 0.6, kOversample), 2.0);
        Buffer shaped;
        mixInto(shaped, bandPass(b, 900, 500), 0, 1.0);
        mixInto(shaped, bandPass(b, 2300, 700), 0, 0.6);
        envelope(shaped, {{0, 0}, {0.03, 1}, {0.27, 0.9}, {0.32, 0}});
        mixInto(out, shaped, t);
    }
    return out;
}

Buffer carHorn()
{
    const double len = 0.9;
    Buffer b;
    for (double f : {410.0, 512.0}) {
        const auto pitch = curve({{0, f}, {len, f}}, samplesFor(len));
        mixInto(b, clippedDown(tone(pitch, 20, 0.5, kOversample), 3.0), 0, 0.5);
    }
    b = bandPass(b, 1400, 2200);
    envelope(b, {{0, 0}, {0.02, 1}, {len - 0.03, 1}, {len, 0}});
    return b;
}

Buffer trainWhistle()
{
    // A steam whistle of three chambers.
    const double len = 1.6;
    Buffer b;
    for (double f : {349.0, 440.0, 523.0}) {
        const auto pitch = curve({{0, f * 0.9}, {0.15, f}, {len, f * 0.98}}, samplesFor(len));
        mixInto(b, tone(pitch, 5, 1.8), 0, 0.5);
    }
    mixInto(b, bandPass(noise(len, 121), 1500, 2500), 0, 0.3);
    envelope(b, {{0, 0}, {0.12, 1}, {1.3, 1}, {len, 0}});
    return b;
}

Buffer trainWheels()
{
    // Wheels over rail joints: ta-dam ta-dam, with the rumble of the carriage.
    const double len = 2.2;
    Buffer out = lowPass(noise(len, 131), 300);
    for (float& x : out)
        x *= 0.5f;
    for (double t = 0.05; t < len - 0.2; t += 0.55) {
        for (double d : {0.0, 0.13}) {
            Buffer clack = modal({{190, 1.0, 0.08}, {830, 0.6, 0.05}, {2100, 0.4, 0.04}}, 0.12, 0.2, unsigned(t * 100 + d * 10));
            mixInto(out, clack, t + d, 1.0);
        }
    }
    return out;
}

Buffer jackhammer()
{
    const double len = 1.8;
    Buffer out = bandPass(noise(len, 141), 2500, 3000);
    for (float& x : out)
        x *= 0.15f;
    for (double t = 0; t < len; t += 1.0 / 19.0) {
        Buffer hit = modal({{95, 1.0, 0.04}, {1230, 0.5, 0.03}, {2370, 0.4, 0.02}, {3460, 0.2, 0.02}}, 0.06, 0.5,
                           unsigned(t * 1000));
        mixInto(out, hit, t);
    }
    envelope(out, {{0, 0}, {0.03, 1}, {len - 0.1, 1}, {len, 0}});
    return out;
}

Buffer snoreIn()
{
    // Breath in through a fluttering soft palate, about 30 flaps a second.
    const double len = 1.5;
    Buffer b = lowPass(noise(len, 151), 900);
    for (size_t i = 0; i < b.size(); ++i) {
        const double flap = 0.5 + 0.5 * std::sin(2 * kPi * 32 * double(i) / kRate);
        b[i] *= float(std::pow(flap, 3));
    }
    Buffer shaped;
    mixInto(shaped, bandPass(b, 180, 150), 0, 1.0);
    mixInto(shaped, bandPass(b, 520, 300), 0, 0.5);
    envelope(shaped, {{0, 0}, {0.5, 0.8}, {1.2, 1}, {1.5, 0}});
    return shaped;
}

Buffer snoreOut()
{
    // And out again through the lips: a soft whistle on a breath.
    const double len = 1.0;
    const auto pitch = curve({{0, 950}, {0.5, 1100}, {len, 900}}, samplesFor(len));
    Buffer b = tone(pitch, 1);
    mixInto(b, bandPass(noise(len, 161), 1000, 900), 0, 0.7);
    envelope(b, {{0, 0}, {0.2, 0.7}, {0.6, 0.6}, {len, 0}});
    return b;
}

Buffer yodel(int phrase)
{
    // Chest voice and falsetto in turn, on the vowels of the call.
    struct Step {
        char v;
        double f;
        double len;
    };
    static const std::vector<Step> phrases[4] = {
        {{'o', 220, 0.3}, {'i', 440, 0.25}, {'o', 330, 0.35}},
        {{'e', 247, 0.22}, {'i', 494, 0.22}, {'e', 247, 0.22}, {'i', 440, 0.4}},
        {{'o', 196, 0.25}, {'u', 392, 0.25}, {'i', 494, 0.2}, {'o', 294, 0.4}},
        {{'a', 220, 0.25}, {'i', 440, 0.25}, {'u', 330, 0.25}, {'i', 587, 0.5}},
    };
    const auto& steps = phrases[phrase % 4];
    double total = 0;
    for (const Step& s : steps)
        total += s.len;
    std::vector<std::pair<double, double>> pts;
    std::vector<Formants> vowels;
    double t = 0;
    for (const Step& s : steps) {
        pts.push_back({t + 0.04, s.f});   // the break between the registers is a quick flip
        pts.push_back({t + s.len, s.f * 1.01});
        const size_t n = samplesFor(s.len);
        vowels.insert(vowels.end(), n, vowel(s.v, s.f > 350 ? 1.1 : 1.0));
        t += s.len;
    }
    std::vector<double> pitch = curve(pts, samplesFor(total));
    for (size_t i = 0; i < pitch.size(); ++i)
        pitch[i] *= 1.0 + 0.012 * std::sin(2 * kPi * 5.5 * double(i) / kRate);
    Buffer b = voice(total, pitch, vowels, 0.05, unsigned(190 + phrase));
    envelope(b, {{0, 0}, {0.04, 1}, {total - 0.15, 1}, {total, 0}});
    return b;
}

} // namespace factory
