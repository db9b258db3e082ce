// Building and parsing the memory image of a full set, and the 9-bit codec alone, against memcpy of
// the same bytes in the same run. Ratios are throughput over the image's bytes.
#include "device/UsbFlash.h"
#include "image/ImageBuilder.h"
#include "image/ImageReader.h"
#include "image/SampleCodec.h"
#include "model/SignalSet.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <map>
#include <memory>
#include <random>
#include <string>

using namespace zelmar;

namespace {

// 128 sounds and 128 signals with tables up to the 33528-byte limit; the sounds fill the rest of
// the 2 MiB. Every other element is a pause, so compaction has work to do.
SignalSet fullSet(uint8_t gain)
{
    SignalSet set;
    std::mt19937 rng(1);
    std::normal_distribution<double> audio(0.0, 6000.0);
    for (int k = 0; k < kMaxSounds; ++k) {
        LibrarySound s;
        char name[8];
        std::snprintf(name, sizeof name, "s%03d", k);
        s.name = name;
        set.library.push_back(std::move(s));
    }
    for (int i = 0; i < kMaxSignals; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "sig%03d", i);
        set.signals.push_back({name, {}});
    }
    set.backdoor = Signal{TDzwiek{1, 0, 1, 8, 0}};
    // Elements round-robin over the signals while the tables stay within the limit.
    for (int n = 0; set.tableSize() + 8 <= kTableLimit; ++n) {
        Signal& s = set.signals[size_t(n % kMaxSignals)].elements;
        s.push_back(TDzwiek{1 + n % kMaxSounds, n % 16, 1 + n % 40, 200 + n % 300, 0});
        s.push_back(TDzwiek::pause(5 + n % 50));
    }
    const int32_t perSound = (kChimeMemory - set.tableSize()) / kMaxSounds;
    for (LibrarySound& s : set.library) {
        std::vector<int16_t> samples(size_t(perSound / 9 * 8));
        for (int16_t& x : samples)
            x = int16_t(std::clamp(audio(rng), -32768.0, 32767.0));
        s.sound.SetSamples(std::move(samples));
        s.sound.Gain = gain;
    }
    return set;
}

const SignalSet& plainSet()
{
    static const SignalSet set = fullSet(0);
    return set;
}

TUsbFlash& builtFlash()
{
    static const std::unique_ptr<TUsbFlash> flash = [] {
        auto f = std::make_unique<TUsbFlash>();
        buildImage(plainSet(), AddressForm::Page, *f);
        return f;
    }();
    return *flash;
}

int64_t imageBytes()
{
    return builtFlash().ImageLength;
}

void BM_Memcpy(benchmark::State& state)
{
    const TUsbFlash& src = builtFlash();
    std::vector<uint8_t> dst(src.Image.size());
    for (auto _ : state) {
        std::memcpy(dst.data(), src.Image.data(), size_t(imageBytes()));
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * imageBytes());
    state.counters["bytes"] = double(imageBytes());
}

void BM_Encode9(benchmark::State& state)
{
    const SignalSet& set = plainSet();
    std::vector<uint8_t> out(static_cast<size_t>(kChimeMemory));
    int64_t bytes = 0;
    for (auto _ : state) {
        uint8_t* o = out.data();
        bytes = 0;
        for (const LibrarySound& s : set.library) {
            encodeSamples(s.sound.Samples, o);
            o += s.sound.StoredSize;
            bytes += s.sound.StoredSize;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["bytes"] = double(bytes);
}

void BM_Decode9(benchmark::State& state)
{
    const SignalSet& set = plainSet();
    std::vector<uint8_t> in(static_cast<size_t>(kChimeMemory));
    std::vector<std::vector<int16_t>> out;
    uint8_t* o = in.data();
    for (const LibrarySound& s : set.library) {
        encodeSamples(s.sound.Samples, o);
        o += s.sound.StoredSize;
        out.emplace_back(s.sound.Samples.size());
    }
    int64_t bytes = 0;
    for (auto _ : state) {
        const uint8_t* p = in.data();
        bytes = 0;
        for (size_t k = 0; k < out.size(); ++k) {
            decodeSamples(p, out[k]);
            p += set.library[k].sound.StoredSize;
            bytes += set.library[k].sound.StoredSize;
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["bytes"] = double(bytes);
}

void BM_BuildImage(benchmark::State& state)
{
    const SignalSet& set = plainSet();
    auto flash = std::make_unique<TUsbFlash>();
    for (auto _ : state) {
        buildImage(set, AddressForm::Page, *flash);
        benchmark::DoNotOptimize(flash->Image.data());
    }
    state.SetBytesProcessed(state.iterations() * flash->ImageLength);
    state.counters["bytes"] = double(flash->ImageLength);
    state.counters["table_bytes"] = double(set.tableSize());
}

void BM_BuildImageWithGain(benchmark::State& state)
{
    static const SignalSet set = fullSet(30);
    auto flash = std::make_unique<TUsbFlash>();
    for (auto _ : state) {
        buildImage(set, AddressForm::Page, *flash);
        benchmark::DoNotOptimize(flash->Image.data());
    }
    state.SetBytesProcessed(state.iterations() * flash->ImageLength);
    state.counters["bytes"] = double(flash->ImageLength);
}

// As a download does it: the result lands in fresh memory. The C library gives freed samples back
// to the system, so each parse also pays the page faults for 3.7 MB of new sample memory.
void BM_ParseImage(benchmark::State& state)
{
    const TUsbFlash& flash = builtFlash();
    for (auto _ : state) {
        SignalSet set = parseImage(flash.Image, AddressForm::Page);
        benchmark::DoNotOptimize(set.library.data());
    }
    state.SetBytesProcessed(state.iterations() * imageBytes());
    state.counters["bytes"] = double(imageBytes());
}

// The same with the heap told to keep freed memory, which leaves the parse's own work: the figure
// that shows how much of the above is page faults.
void BM_ParseImageWarmHeap(benchmark::State& state)
{
    ::mallopt(M_TRIM_THRESHOLD, 1 << 30);
    const TUsbFlash& flash = builtFlash();
    for (auto _ : state) {
        SignalSet set = parseImage(flash.Image, AddressForm::Page);
        benchmark::DoNotOptimize(set.library.data());
    }
    state.SetBytesProcessed(state.iterations() * imageBytes());
    state.counters["bytes"] = double(imageBytes());
    ::mallopt(M_TRIM_THRESHOLD, 128 * 1024);
}

BENCHMARK(BM_Memcpy)->UseRealTime();
BENCHMARK(BM_Encode9)->UseRealTime();
BENCHMARK(BM_Decode9)->UseRealTime();
BENCHMARK(BM_BuildImage)->UseRealTime();
BENCHMARK(BM_BuildImageWithGain)->UseRealTime();
BENCHMARK(BM_ParseImage)->UseRealTime();
BENCHMARK(BM_ParseImageWarmHeap)->UseRealTime();

// Keeps each benchmark's throughput for the ratio table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        // Throughput from the wall time per iteration (the build and the parse use both cores, which
        // a main thread's CPU time would not show) and the bytes one iteration handles; with
        // repetitions the median stands for the benchmark.
        for (const Run& r : runs) {
            auto it = r.counters.find("bytes");
            if (it == r.counters.end())
                continue;
            const bool single = r.run_type == Run::RT_Iteration && r.repetitions <= 1;
            const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            const double seconds = r.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(r.time_unit);
            if ((single || median) && seconds > 0)
                rates[r.run_name.function_name] = it->second.value / seconds;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> rates;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::printf("full set: %d bytes of tables, image of %lld bytes\n", plainSet().tableSize(),
                static_cast<long long>(imageBytes()));
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const auto memcpyRate = reporter.rates.find("BM_Memcpy");
    if (memcpyRate == reporter.rates.end() || memcpyRate->second <= 0)
        return 0;
    struct Goal {
        const char* name;
        double atLeast;
    };
    const Goal goals[] = {{"BM_Encode9", 0.25}, {"BM_Decode9", 0.25}, {"BM_BuildImage", 0.20},
                          {"BM_ParseImage", 0.20}, {"BM_ParseImageWarmHeap", 0.0},
                          {"BM_BuildImageWithGain", 0.0}};
    std::printf("\nthroughput against memcpy (%.2f GB/s) in this run:\n", memcpyRate->second / 1e9);
    for (const Goal& g : goals) {
        const auto it = reporter.rates.find(g.name);
        if (it == reporter.rates.end())
            continue;
        const double ratio = it->second / memcpyRate->second;
        const bool met = ratio >= g.atLeast;
        if (g.atLeast > 0)
            std::printf("  %-24s %6.3f  (goal %.2f: %s)\n", g.name, ratio, g.atLeast, met ? "met" : "MISSED");
        else
            std::printf("  %-24s %6.3f  (no goal)\n", g.name, ratio);
    }
    return 0;
}
