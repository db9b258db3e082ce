// Every kind of sound file against a reference sox makes from the same source, the mixing of many
// channels, the bound between mixing first and converting each channel first, and bad input.
#include "AudioFiles.h"
#include "Mp3Reference.h"

#include "audio/Import.h"
#include "audio/MonoResampler.h"
#include "audio/SoundSource.h"
#include "audio/WavFile.h"

#include <sndfile.h>
#include <soxr.h>

#include <cstdlib>
#include <random>

using namespace zelmar;
using namespace testaudio;

namespace {

struct Observer : ImportObserver {
    int started = 0;
    int32_t lastDone = -1, lastTotal = 0;
    void conversionStarted() override { ++started; }
    bool conversionProgress(int32_t done, int32_t total) override
    {
        lastDone = done, lastTotal = total;
        return false;
    }
};

// Something like music: a few voices with vibrato and harmonics, a little noise, different in
// every channel, peaking well below full scale.
std::vector<double> musicLike(int channels, int rate, double seconds, unsigned seed = 1)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 0.004);
    const size_t frames = size_t(seconds * rate);
    std::vector<double> v(frames * size_t(channels));
    const double notes[] = {196.0, 261.6, 329.6, 392.0, 523.3, 659.3};
    for (int c = 0; c < channels; ++c) {
        double phase[3] = {};
        for (size_t i = 0; i < frames; ++i) {
            const double t = double(i) / rate;
            double x = 0;
            for (int k = 0; k < 3; ++k) {
                const double f = notes[(size_t(t * 2) + size_t(k) * 2 + size_t(c)) % 6] * (1 + 0.003 * std::sin(5 * t + k));
                phase[k] += 2 * std::numbers::pi * f / rate;
                x += 0.12 * std::sin(phase[k]) + 0.04 * std::sin(2 * phase[k]) + 0.02 * std::sin(3 * phase[k]);
            }
            v[i * size_t(channels) + size_t(c)] = x * (0.6 + 0.4 * std::sin(t * 3.1 + c)) + noise(rng);
        }
    }
    return v;
}

std::string pcm16Of(const std::vector<double>& v)
{
    std::vector<int16_t> s;
    for (double x : v)
        s.push_back(int16_t(std::lround(std::clamp(x, -1.0, 1.0) * 32767)));
    return pcm16(s);
}

// The road of the converter before the import mixed first, as a reference: each channel of the
// 16-bit samples converted to 18000 per second on its own (libsoxr, very high quality, in one
// call) and rounded, then the channels' samples averaged half to even.
std::vector<int16_t> convertThenMix(const std::vector<int16_t>& interleaved, int channels, int rate)
{
    const size_t frames = interleaved.size() / size_t(channels);
    std::vector<std::vector<int16_t>> converted(static_cast<size_t>(channels));
    for (int c = 0; c < channels; ++c) {
        std::vector<float> x(frames);
        for (size_t i = 0; i < frames; ++i)
            x[i] = float(interleaved[i * size_t(channels) + size_t(c)]) / 32768.0f;
        std::vector<float> y(frames * 18000 / size_t(rate) + 64);
        size_t made = 0;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t q = soxr_quality_spec(SOXR_VHQ, 0);
        const soxr_runtime_spec_t rt = soxr_runtime_spec(1);
        EXPECT_EQ(soxr_oneshot(rate, 18000, 1, x.data(), frames, nullptr, y.data(), y.size(), &made, &io, &q, &rt), nullptr);
        for (size_t i = 0; i < made; ++i)
            converted[size_t(c)].push_back(int16_t(std::clamp(std::nearbyint(double(y[i]) * 32768.0), -32768.0, 32767.0)));
    }
    std::vector<int16_t> mono(converted[0].size());
    for (size_t i = 0; i < mono.size(); ++i) {
        int sum = 0;
        for (const auto& one : converted)
            sum += one[i];
        mono[i] = int16_t(std::nearbyint(double(sum) / channels));
    }
    return mono;
}

std::vector<int16_t> convertThenMix(const std::string& wavFile)
{
    TWavFileEx w;
    EXPECT_TRUE(w.Open(wavFile) && w.Valid && w.BitsPerSample == 16);
    return convertThenMix(samples16(readBytes(wavFile), size_t(w.DataOffset)), w.Channels, int(w.SampleRate));
}

int maxDifference(const std::vector<int16_t>& a, const std::vector<int16_t>& b)
{
    int d = 0;
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        d = std::max(d, std::abs(int(a[i]) - int(b[i])));
    return d;
}

// Eight seconds of the music above, stereo at 44100, as an MP3 of 128 kbit/s.
std::string mp3OfMusic(double seconds)
{
    const std::vector<double> m = musicLike(2, 44100, seconds, 3);
    std::vector<short> pcm;
    for (double x : m)
        pcm.push_back(short(std::lround(x * 32767)));
    lame_t l = lame_init();
    lame_set_num_channels(l, 2);
    lame_set_in_samplerate(l, 44100);
    lame_set_brate(l, 128);
    lame_set_quality(l, 7);
    EXPECT_EQ(lame_init_params(l), 0);
    std::vector<unsigned char> out(pcm.size() * 2 + 16384);
    int n = lame_encode_buffer_interleaved(l, pcm.data(), int(pcm.size() / 2), out.data(), int(out.size()));
    n += lame_encode_flush(l, out.data() + n, int(out.size()) - n);
    lame_close(l);
    return std::string(reinterpret_cast<const char*>(out.data()), size_t(n));
}

bool sox(const std::string& args)
{
    return std::system(("sox -D -q " + args + " 2>/dev/null").c_str()) == 0;
}

} // namespace

class Kinds : public NoLeftoverTest {
protected:
    // The imported samples, or none with the refusal's resource in `refusal`.
    std::vector<int16_t> imported(const std::string& file, int* refusal = nullptr)
    {
        SignalSet set;
        const ImportResult r = importSound(file, set, obs);
        if (refusal)
            *refusal = r.message ? r.message->resourceId : 0;
        EXPECT_EQ(r.added, !r.message.has_value()) << file;
        return r.added ? set.library[0].sound.Samples : std::vector<int16_t>{};
    }
    Observer obs;
};

TEST_F(Kinds, MixingFirstStaysWithinOneStepOfConvertingEachChannelFirst)
{
    // Long enough at 44100 for the converter to work in several segments on two threads.
    struct Case {
        int channels, rate;
        double seconds;
    } cases[] = {{2, 44100, 20.0}, {2, 48000, 6.0}, {2, 22050, 5.0}, {2, 8000, 5.0}, {1, 96000, 3.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.channels) + " x " + std::to_string(c.rate));
        const std::string in = put("in.wav", wavBytes(c.channels, c.rate, 16, pcm16Of(musicLike(c.channels, c.rate, c.seconds))));
        const std::vector<int16_t> former = convertThenMix(in);
        const std::vector<int16_t> now = imported(in);
        ASSERT_EQ(now.size(), former.size());
        EXPECT_LE(maxDifference(now, former), 1);
    }
    // An MP3 of the same kind of sound, decoded by libmad on the way.
    const std::string mp3 = mp3OfMusic(8.0);
    const Mp3Reference decoded = decodeMp3Reference(mp3);
    const std::vector<int16_t> former = convertThenMix(decoded.samples, decoded.channels, decoded.sampleRate);
    const std::vector<int16_t> now = imported(put("m.mp3", mp3));
    ASSERT_EQ(now.size(), former.size());
    EXPECT_LE(maxDifference(now, former), 1);
}

TEST_F(Kinds, MixingFirstKeepsTheOvershootOfAChannelThatConvertingFirstClips)
{
    // Left: a full-scale square, which rings past full scale once band-limited; right: silence.
    std::vector<int16_t> v;
    for (int i = 0; i < 44100; ++i)
        v.push_back((i / 60) % 2 ? int16_t(32767) : int16_t(-32768)), v.push_back(0);
    const std::string in = put("square.wav", wavBytes(2, 44100, 16, pcm16(v)));
    const std::vector<int16_t> former = convertThenMix(in);
    const std::vector<int16_t> now = imported(in);
    ASSERT_EQ(now.size(), former.size());
    // Converting first clipped the left channel before averaging: its mix stops at 16384.
    EXPECT_LE(*std::max_element(former.begin(), former.end()), 16384);
    EXPECT_GT(*std::max_element(now.begin(), now.end()), 16384 + 500);
    // Away from the peaks, where nothing was clipped, the one-step bound holds.
    for (size_t i = 0; i < now.size(); ++i) {
        if (std::abs(former[i]) < 12000) {
            ASSERT_LE(std::abs(int(now[i]) - int(former[i])), 1) << i;
        }
    }
}

TEST(MonoResamplerSplit, SegmentsOnTwoThreadsGiveExactlyWhatOneFilterGives)
{
    for (int rate : {44100, 48000, 22050, 11025, 8000, 16000, 24000, 32000, 88200, 96000}) {
        SCOPED_TRACE(rate);
        const std::vector<double> m = musicLike(1, rate, rate >= 88200 ? 14.0 : 20.0, unsigned(rate));
        std::vector<float> x(m.begin(), m.end());
        auto run = [&](int threads, bool& split) {
            MonoResampler r(rate, 18000, threads);
            std::vector<int16_t> out;
            const MonoResampler::Sink sink = [&](const int16_t* s, size_t n) { out.insert(out.end(), s, s + n); };
            // Uneven pieces, as a decoder hands them over.
            for (size_t at = 0; at < x.size();) {
                const size_t n = std::min<size_t>(1000 + at % 9973, x.size() - at);
                r.push(x.data() + at, n, sink);
                at += n;
            }
            r.finish(sink);
            split = r.split();
            return out;
        };
        bool oneSplit = true, twoSplit = false;
        const std::vector<int16_t> one = run(1, oneSplit);
        const std::vector<int16_t> two = run(2, twoSplit);
        EXPECT_FALSE(oneSplit);
        EXPECT_TRUE(twoSplit);
        EXPECT_NEAR(double(one.size()), double(x.size()) * 18000 / rate, 1.0);
        ASSERT_EQ(one.size(), two.size());
        EXPECT_TRUE(one == two) << "differ by up to " << maxDifference(one, two);
    }
}

TEST_F(Kinds, EveryKindMatchesWhatSoxMakesOfTheSameSound)
{
    const std::string source = put("src.wav", wavBytes(2, 44100, 16, pcm16Of(musicLike(2, 44100, 3.0, 7))));
    const std::vector<int16_t> reference = imported(source);
    ASSERT_NEAR(double(reference.size()), 54000.0, 1.0);
    // Lossless kinds come back exactly; the lossy ones against sox's own decoding of them.
    struct Kind {
        std::string name, make, decoded;
    } kinds[] = {
        {"24-bit (extensible)", "-b 24 k24.wav", ""},
        {"32-bit integer", "-b 32 -e signed-integer k32.wav", ""},
        {"32-bit float", "-b 32 -e floating-point kf32.wav", ""},
        {"64-bit float", "-b 64 -e floating-point kf64.wav", ""},
        {"FLAC", "kflac.flac", ""},
        {"AIFF", "kaiff.aiff", ""},
        {"8-bit", "-b 8 k8.wav", "-b 16 k8ref.wav"},
        {"Ogg Vorbis", "kogg.ogg", "-b 16 koggref.wav"},
    };
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name);
        const std::string out = path(k.make.substr(k.make.rfind(' ') + 1));
        ASSERT_TRUE(sox(source + " " + k.make.substr(0, k.make.rfind(' ') + 1) + out));
        std::vector<int16_t> expected = reference;
        if (!k.decoded.empty()) {
            const std::string ref = path(k.decoded.substr(k.decoded.rfind(' ') + 1));
            ASSERT_TRUE(sox(out + " " + k.decoded.substr(0, k.decoded.rfind(' ') + 1) + ref));
            expected = imported(ref);
        }
        const std::vector<int16_t> got = imported(out);
        ASSERT_EQ(got.size(), expected.size());
        EXPECT_LE(maxDifference(got, expected), 1);
    }
    // sox writes its 24-bit file with the extensible format chunk.
    EXPECT_EQ(readBytes(path("k24.wav")).substr(20, 2), std::string("\xFE\xFF", 2));
}

TEST_F(Kinds, ExtensibleFloatAndTheExtremeRates)
{
    // An extensible chunk whose sub-format is IEEE float, written here.
    std::string floats;
    for (int i = 0; i < 44100; ++i) {
        const float x = float(0.4 * std::sin(2 * std::numbers::pi * 440 * i / 44100));
        floats.append(reinterpret_cast<const char*>(&x), 4);
    }
    std::string ext = wavBytes(1, 44100, 32, floats, 0xFFFE, 40);
    ByteWriter w;
    w.u16(22), w.u16(32), w.u32(4), w.u16(3);
    w.raw(std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14));
    ext.replace(36, 24, w.bytes());
    const std::vector<int16_t> viaFloat = imported(put("ext.wav", ext));
    std::vector<int16_t> ints;
    for (int i = 0; i < 44100; ++i)
        ints.push_back(int16_t(std::lround(0.4 * std::sin(2 * std::numbers::pi * 440 * i / 44100) * 32768)));
    const std::vector<int16_t> viaInts = imported(put("ints.wav", wavBytes(1, 44100, 16, pcm16(ints))));
    ASSERT_EQ(viaFloat.size(), 18000u);
    ASSERT_EQ(viaFloat.size(), viaInts.size());
    EXPECT_LE(maxDifference(viaFloat, viaInts), 1);

    // 1 Hz: four samples become four seconds; 384 kHz: a tenth of a second.
    EXPECT_NEAR(double(imported(put("slow.wav", wavBytes(1, 1, 16, pcm16({0, 1000, 0, -1000})))).size()), 72000.0, 1.0);
    const std::vector<int16_t> fast = imported(put("fast.wav", wavBytes(2, 384000, 24, sinePcm(2, 384000, 24, 38400, 1000))));
    EXPECT_NEAR(double(fast.size()), 1800.0, 1.0);
    EXPECT_NEAR(measuredFrequency(fast, 1, 0, 18000), 1000.0, 5.0);
}

TEST_F(Kinds, OpusThroughLibsndfile)
{
    SF_INFO info {};
    info.samplerate = 48000;
    info.channels = 2;
    info.format = SF_FORMAT_OGG | SF_FORMAT_OPUS;
    SNDFILE* f = sf_open(path("a.opus").c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    std::vector<float> x(48000 * 2);
    for (size_t i = 0; i < 48000; ++i)
        x[2 * i] = x[2 * i + 1] = float(0.5 * std::sin(2 * std::numbers::pi * 440 * double(i) / 48000));
    sf_writef_float(f, x.data(), 48000);
    sf_close(f);
    const std::vector<int16_t> s = imported(path("a.opus"));
    EXPECT_NEAR(double(s.size()), 18000.0, 400.0);
    EXPECT_NEAR(measuredFrequency(s, 1, 0, 18000), 440.0, 2.0);
    SignalSet set;
    importSound(path("a.opus"), set, obs);
    EXPECT_EQ(set.library.at(0).name, "a");
}

TEST_F(Kinds, ThreeToEightChannelsAreAveragedHalfToEven)
{
    for (int c = 3; c <= 8; ++c) {
        SCOPED_TRACE(c);
        // Frames whose sums give every remainder, halves among them when c is even.
        std::vector<int16_t> v, expected;
        for (int f = 0; f < 40; ++f) {
            int sum = 0;
            for (int k = 0; k < c; ++k) {
                const int16_t x = int16_t(k == 0 ? f - 20 : (k % 2 ? 1000 * k : -1000 * (k - 1)) + (f % 3) * k);
                v.push_back(x);
                sum += x;
            }
            expected.push_back(int16_t(std::nearbyint(double(sum) / c)));   // the default mode rounds half to even
        }
        EXPECT_EQ(imported(put("many.wav", wavBytes(c, 18000, 16, pcm16(v)))), expected);
        // Through the converter, channels that are all alike give what the one channel gives.
        const std::string one = sinePcm(1, 44100, 24, 22050, 500);
        std::string all;
        for (size_t i = 0; i < one.size(); i += 3)
            for (int k = 0; k < c; ++k)
                all += one.substr(i, 3);
        EXPECT_EQ(imported(put("alike.wav", wavBytes(c, 44100, 24, all))), imported(put("one.wav", wavBytes(1, 44100, 24, one))));
    }
    int refusal = 0;
    imported(put("nine.wav", wavBytes(9, 18000, 16, std::string(18 * 100, '\0'))), &refusal);
    EXPECT_EQ(refusal, 65220);
}

TEST_F(Kinds, BitsPerSampleIsCheckedWhole)
{
    // 272 bits: the low byte reads as 16. It is no 16-bit file and no depth the converter takes.
    const std::string file = put("b272.wav", wavBytes(1, 18000, 272, std::string(34 * 100, '\1')));
    TWavFileEx wav;
    ASSERT_TRUE(wav.Open(file));
    EXPECT_EQ(wav.BitsPerSample, 272);
    int refusal = 0;
    EXPECT_TRUE(imported(file, &refusal).empty());
    EXPECT_EQ(refusal, 65218);
}

TEST_F(Kinds, BadInputIsRefusedAndLeavesNothing)
{
    const std::string source = put("src.wav", wavBytes(2, 44100, 16, pcm16Of(musicLike(2, 44100, 2.0))));
    ASSERT_TRUE(sox(source + " " + path("full.flac")));
    const std::string flac = readBytes(path("full.flac"));
    struct Bad {
        std::string name, bytes;
        int refusal;
    };
    std::string twoHours = flac;
    // STREAMINFO's 36-bit sample count: two hours at 44100.
    const uint64_t total = uint64_t(7200) * 44100;
    for (int i = 0; i < 4; ++i)
        twoHours[size_t(22 + i)] = char(total >> (8 * (3 - i)));
    twoHours[21] = char((uint8_t(twoHours[21]) & 0xF0) | uint8_t(total >> 32));
    // An Ogg stream whose one page carries no audio codec (CRC left wrong on purpose: no reader
    // must take it either way).
    const std::string oggNoAudio = std::string("OggS\0\x02", 6) + std::string(20, '\0') + std::string("\x01\x08" "fishead\0", 10);
    std::string zeroChannels = wavBytes(1, 18000, 16, pcm16({1, 2, 3}));
    zeroChannels[22] = 0;
    std::string zeroRate = wavBytes(1, 18000, 16, pcm16({1, 2, 3}));
    zeroRate.replace(24, 4, std::string(4, '\0'));
    std::string longer = wavBytes(1, 18000, 16, pcm16(std::vector<int16_t>(1000, 5)));
    longer.resize(longer.size() - 100);
    const Bad bad[] = {
        {"cut.flac", flac.substr(0, flac.size() * 3 / 5), 65220},
        {"noaudio.ogg", oggNoAudio, 65220},
        {"zero-channels.wav", zeroChannels, 65220},
        {"zero-rate.wav", zeroRate, 65220},
        {"longer.wav", longer, 65220},
        {"two-hours.flac", twoHours, 65219},
    };
    SignalSet set;
    set.library.push_back({"kept", {}});
    set.library[0].sound.SetSamples({1, 2, 3});
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.name);
        obs = Observer{};
        const ImportResult r = importSound(put(b.name, b.bytes), set, obs);
        ASSERT_TRUE(r.message.has_value());
        EXPECT_EQ(r.message->resourceId, b.refusal);
        EXPECT_EQ(set.library.size(), 1u);
    }
    // The two-hour file was refused on its stated length, before any decoding.
    EXPECT_EQ(obs.started, 0);

    // One frame: taken as it is at 18000 per second; at 44100 it makes at most one sample, and
    // none is refused like a file without data.
    EXPECT_EQ(imported(put("one.wav", wavBytes(2, 18000, 16, pcm16({1234, 1001})))), std::vector<int16_t>{1118});
    const ImportResult r = importSound(put("one44.wav", wavBytes(2, 44100, 16, pcm16({1234, 1234}))), set, obs);
    if (!r.added) {
        ASSERT_TRUE(r.message.has_value());
        EXPECT_EQ(r.message->text(), kImportNoMemoryText);
    } else {
        EXPECT_EQ(set.library.back().sound.SampleCount, 1);
    }
}

TEST_F(Kinds, ALongMp3IsRefusedBeforeOrEarlyInItsDecoding)
{
    // A tag that states two hours: refused before anything is decoded.
    lame_t l = lame_init();
    lame_set_num_channels(l, 1);
    lame_set_in_samplerate(l, 44100);
    lame_set_brate(l, 64);
    lame_set_bWriteVbrTag(l, 1);
    ASSERT_EQ(lame_init_params(l), 0);
    std::vector<short> pcm(44100);
    std::vector<unsigned char> out(200000);
    int n = lame_encode_buffer(l, pcm.data(), pcm.data(), 44100, out.data(), int(out.size()));
    n += lame_encode_flush(l, out.data() + n, int(out.size()) - n);
    out.resize(size_t(n));
    lame_mp3_tags_fid(l, nullptr);
    std::vector<unsigned char> tag(4096);
    const size_t tagSize = lame_get_lametag_frame(l, tag.data(), tag.size());
    lame_close(l);
    ASSERT_GT(tagSize, 40u);
    std::string mp3(reinterpret_cast<const char*>(out.data()), out.size());
    mp3.replace(0, tagSize, std::string(reinterpret_cast<const char*>(tag.data()), tagSize));
    const size_t at = mp3.find("Info") != std::string::npos ? mp3.find("Info") : mp3.find("Xing");
    ASSERT_NE(at, std::string::npos);
    const uint32_t frames = uint32_t(7200.0 * 44100 / 1152);
    for (int i = 0; i < 4; ++i)
        mp3[at + 8 + size_t(i)] = char(frames >> (8 * (3 - i)));
    SignalSet set;
    ImportResult r = importSound(put("tagged.mp3", mp3), set, obs);
    ASSERT_TRUE(r.message.has_value());
    EXPECT_EQ(r.message->resourceId, 65219);
    EXPECT_EQ(std::get<std::string>(r.message->args.at(0)).substr(0, 3), "720");
    EXPECT_EQ(obs.started, 0);

    // No tag, two minutes of frames: decoding stops soon after the limit is passed, and the
    // length shown is the whole file's.
    const std::string piece = mp3Bytes(2, 44100, 4.0, 128);
    std::string twoMinutes;
    for (int i = 0; i < 30; ++i)
        twoMinutes += piece;
    obs = Observer{};
    r = importSound(put("long.mp3", twoMinutes), set, obs);
    ASSERT_TRUE(r.message.has_value());
    EXPECT_EQ(r.message->resourceId, 65219);
    EXPECT_NEAR(std::stod(std::get<std::string>(r.message->args.at(0))), 120.0, 4.0);
    EXPECT_EQ(obs.started, 1);
    EXPECT_LT(obs.lastDone, obs.lastTotal * 9 / 10);
    EXPECT_TRUE(set.library.empty());
}

TEST_F(Kinds, TheNameTablesRefuseASoundTheyCannotHold)
{
    SignalSet set;
    // Long signal names bring the tables to 100 bytes below their limit.
    while (set.tableSize() + 256 <= kTableLimit - 100)
        set.signals.push_back({std::string(255, 's'), {}});
    set.signals.push_back({std::string(size_t(kTableLimit - 100 - set.tableSize() - 1), 't'), {}});
    const std::string sound = wavBytes(1, 18000, 16, pcm16({1, 2, 3}));
    const int32_t room = kTableLimit - set.tableSize();   // name bytes + 4 that still fit
    ASSERT_EQ(room, 100);
    ImportResult r = importSound(put(std::string(size_t(room - 3), 'n') + ".wav", sound), set, obs);
    ASSERT_TRUE(r.message.has_value());
    EXPECT_EQ(r.message->resourceId, 65245);
    EXPECT_TRUE(set.library.empty());
    r = importSound(put(std::string(size_t(room - 4), 'n') + ".wav", sound), set, obs);
    ASSERT_TRUE(r.added);
    EXPECT_EQ(set.tableSize(), kTableLimit);
}

TEST_F(Kinds, TwoMp3DecodersGiveWhatOneGivesOrOneDoesItAll)
{
    auto all = [](const std::string& file, bool twoHalves, bool* used = nullptr) {
        OpenedSource o = openSoundSource(file, twoHalves);
        std::vector<int16_t> v;
        if (!o.source)
            return v;
        o.source->limitSeconds(1000);
        for (SampleBlock b; (b = o.source->read(5000)).frames > 0;) {
            const auto s = std::get<std::span<const int16_t>>(b.samples);
            v.insert(v.end(), s.begin(), s.end());
        }
        if (used)
            *used = twoHalvesUsed(*o.source);
        return v;
    };
    const std::string good = mp3Bytes(2, 44100, 20.0, 128, 330.0);
    bool used = false;
    const std::vector<int16_t> one = all(put("good.mp3", good), false);
    EXPECT_TRUE(all(path("good.mp3"), true, &used) == one);
    EXPECT_TRUE(used);
    EXPECT_TRUE(one == decodeMp3Reference(good).samples);

    // Damage around the middle: frames whose side information no decoder takes (big_values above
    // 288), stray bytes, and a cut; whatever the second decoder makes of it, the samples are
    // those of one decoder.
    std::mt19937 rng(9);
    for (int round = 0; round < 8; ++round) {
        std::string bad = good;
        const size_t middle = bad.size() / 2;
        for (size_t at = middle - 418 * (1 + rng() % 20); at < middle + 418 * 3; at += 418) {
            const size_t frame = bad.find(std::string("\xFF\xFB", 2), at);
            if (frame == std::string::npos || frame + 10 > bad.size())
                break;
            if (round % 2 == 0) {
                bad[frame + 8] = char(0xFF);
                bad[frame + 9] = char(uint8_t(bad[frame + 9]) | 0x80);
            } else {
                bad[frame + rng() % 400] = char(rng());
            }
        }
        if (round == 7)
            bad.resize(middle + 1000);
        SCOPED_TRACE(round);
        const std::string file = put("bad.mp3", bad);
        EXPECT_TRUE(all(file, true) == all(file, false));
    }
}

TEST_F(Kinds, ACancelIsHeardWhileTheSecondDecoderIsWaitedFor)
{
    // A second of frames, then bytes without a frame up to the middle, then twenty seconds of
    // frames: the first decoder slides over the gap and reaches the middle long before the second
    // is through its half.
    const std::string first = mp3Bytes(2, 44100, 1.0, 128), second = mp3Bytes(2, 44100, 20.0, 128);
    const std::string gap(second.size() - first.size() + 1000, 'x');
    const std::string file = put("uneven.mp3", first + gap + second);
    {
        OpenedSource o = openSoundSource(file);
        ASSERT_TRUE(o.source);
        int asked = 0;
        o.source->whileWaiting([&] {
            ++asked;
            return false;
        });
        EXPECT_THROW(
            while (o.source->read(16384).frames > 0) {}, ReadCancelled);
        EXPECT_GE(asked, 1);
        // The second decoder was stopped, not waited out.
        EXPECT_LT(o.source->progress(), 0.9);
    }
    // The import hears it as the user's own cancel.
    struct Cancelling : ImportObserver {
        int32_t lastDone = 0;
        bool conversionProgress(int32_t done, int32_t) override
        {
            lastDone = done;
            return done >= 500;
        }
    } cancelling;
    SignalSet set;
    const ImportResult r = importSound(file, set, cancelling);
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.message.has_value());
    EXPECT_LT(cancelling.lastDone, 900);
    EXPECT_TRUE(set.library.empty());
}
