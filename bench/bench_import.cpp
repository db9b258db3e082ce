// The whole import of a 90-second 44.1 kHz stereo WAV and MP3 (decode, convert, mix down, read)
// side by side with sox and ffmpeg doing the same conversion, plus the parts on their own.
// Inputs are made by the program itself with sox and lame. Peak memory is the high-water mark
// (VmHWM) of one run of each tool in a process of its own.
#include "audio/Import.h"
#include "audio/Mp3ToWav.h"
#include "audio/Resample.h"
#include "audio/WavFile.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

fs::path g_dir;
std::string g_self;
std::map<std::string, double> g_seconds;   // wall seconds per run, by benchmark name
std::map<std::string, double> g_cpu;       // CPU seconds per run (all threads, and child processes)

double cpuSeconds()
{
    rusage self {}, children {};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    auto sec = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return sec(self.ru_utime) + sec(self.ru_stime) + sec(children.ru_utime) + sec(children.ru_stime);
}

// VmHWM of a live process in KiB, or -1.
long highWater(pid_t pid)
{
    std::FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
    if (!f)
        return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1)
            break;
    std::fclose(f);
    return kb;
}

// Runs a program and waits for it. With `peakKb`, samples the child's own high-water mark while it
// runs (the rusage of a spawned child would also count this process's pages from before its exec).
bool run(const std::vector<std::string>& argv, long* peakKb = nullptr)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &fa, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0)
        return false;
    int status = 0;
    if (peakKb) {
        *peakKb = -1;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            *peakKb = std::max(*peakKb, highWater(pid));
            usleep(500);
        }
    } else if (waitpid(pid, &status, 0) < 0) {
        return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string in(const char* name)
{
    return (g_dir / name).string();
}

// One whole import into an empty set, as the wizard runs it (no normalisation).
int32_t importOnce(const std::string& file)
{
    zelmar::SignalSet set;
    zelmar::ImportObserver quiet;
    const zelmar::ImportResult r = zelmar::importSound(file, set, quiet);
    return r.added ? set.library.back().sound.SampleCount : -1;
}

struct Sample {
    double wall = 0;
    double cpu = 0;
};

template <class F>
Sample measure(F&& body)
{
    const double c0 = cpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    body();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), cpuSeconds() - c0};
}

// Runs `a` and `b` alternately (swapping the order every iteration) so that both meet the same load,
// and reports both and their ratio.
template <class A, class B>
void pair(benchmark::State& state, const std::string& nameA, A&& a, const std::string& nameB, B&& b)
{
    Sample sa, sb;
    int i = 0;
    for (auto _ : state) {
        Sample x, y;
        if (i++ % 2 == 0) {
            x = measure(a);
            y = measure(b);
        } else {
            y = measure(b);
            x = measure(a);
        }
        sa.wall += x.wall, sa.cpu += x.cpu, sb.wall += y.wall, sb.cpu += y.cpu;
    }
    const double n = double(state.iterations());
    g_seconds[nameA] = sa.wall / n, g_cpu[nameA] = sa.cpu / n;
    g_seconds[nameB] = sb.wall / n, g_cpu[nameB] = sb.cpu / n;
    state.counters["a_ms"] = sa.wall / n * 1000;
    state.counters["b_ms"] = sb.wall / n * 1000;
    state.counters["wall_a/b"] = sa.wall / sb.wall;
    state.counters["cpu_a/b"] = sa.cpu / sb.cpu;
}

void importWav()
{
    if (importOnce(in("in.wav")) <= 0)
        std::abort();
}

void importMp3()
{
    if (importOnce(in("in.mp3")) <= 0)
        std::abort();
}

void soxWav()
{
    if (!run({"sox", in("in.wav"), "-r", "18000", "-c", "1", "-b", "16", in("sox.wav")}))
        std::abort();
}

void ffmpeg(const char* input)
{
    if (!run({"ffmpeg", "-v", "quiet", "-y", "-i", in(input), "-ac", "1", "-ar", "18000", "-sample_fmt", "s16",
              in("ffmpeg.wav")}))
        std::abort();
}

void ImportWavVsSox(benchmark::State& state)
{
    pair(state, "import wav", importWav, "sox wav", soxWav);
}

void ImportWavVsFfmpeg(benchmark::State& state)
{
    pair(state, "import wav'", importWav, "ffmpeg wav", [] { ffmpeg("in.wav"); });
}

void ImportMp3VsFfmpeg(benchmark::State& state)
{
    pair(state, "import mp3", importMp3, "ffmpeg mp3", [] { ffmpeg("in.mp3"); });
}

void DecodeSplitVsSingle(benchmark::State& state)
{
    pair(
        state, "decode mp3, two threads",
        [] {
            bool split = false;
            if (!zelmar::decodeMp3FileSplit(in("in.mp3"), in("dec2.wav"), &split) || !split)
                std::abort();
        },
        "decode mp3, one thread",
        [] {
            if (!zelmar::decodeMp3FileSingle(in("in.mp3"), in("dec1.wav")))
                std::abort();
        });
}

void ConvertWav(benchmark::State& state)
{
    for (auto _ : state) {
        volatile int32_t cancel = 0;
        uint8_t failed = 0;
        zelmar::convertWavFile(in("in.wav").c_str(), in("conv.wav").c_str(), 18000, 16, 4, 0, &cancel, {}, 0, &failed);
        if (failed)
            std::abort();
    }
}

BENCHMARK(ImportWavVsSox)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
BENCHMARK(ImportWavVsFfmpeg)->Unit(benchmark::kMillisecond)->Iterations(6)->UseRealTime();
BENCHMARK(ImportMp3VsFfmpeg)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();
BENCHMARK(DecodeSplitVsSingle)->Unit(benchmark::kMillisecond)->Iterations(6)->UseRealTime();
BENCHMARK(ConvertWav)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

bool makeInputs()
{
    g_dir = fs::temp_directory_path() / ("zelmar-bench-import-" + std::to_string(::getpid()));
    fs::create_directories(g_dir);
    // Two sweeping tones, so that the encoder and the filters have something to work on.
    if (!run({"sox", "-n", "-r", "44100", "-c", "2", "-b", "16", in("in.wav"), "synth", "90", "sine", "220-880",
             "sine", "330-660", "gain", "-3"})) {
        std::fprintf(stderr, "bench_import: sox is needed to make the inputs (scripts/deps.sh --bench)\n");
        return false;
    }
    if (!run({"lame", "--quiet", "-b", "128", in("in.wav"), in("in.mp3")})) {
        std::fprintf(stderr, "bench_import: lame is needed to make the inputs (scripts/deps.sh --bench)\n");
        return false;
    }
    return true;
}

void report()
{
    auto ratio = [](const char* a, const char* b) {
        if (g_seconds.count(a) && g_seconds.count(b) && g_seconds[b] > 0 && g_cpu[b] > 0)
            std::printf("  %-12s / %-12s  wall %.2f   cpu %.2f\n", a, b, g_seconds[a] / g_seconds[b], g_cpu[a] / g_cpu[b]);
    };
    double load[3] = {};
    getloadavg(load, 3);
    std::printf("\nLoad average during the run: %.2f (on %u cores)\n", load[0], std::thread::hardware_concurrency());
    std::printf("Ratios of mean wall and CPU time (goal: import wav / sox wav <= 0.70, import mp3 / ffmpeg mp3 <= 1.00):\n");
    ratio("import wav", "sox wav");
    ratio("import wav'", "ffmpeg wav");
    ratio("import mp3", "ffmpeg mp3");
    ratio("decode mp3, two threads", "decode mp3, one thread");

    std::printf("\nPeak resident memory of one run in its own process (KiB):\n");
    const std::vector<std::pair<std::string, std::vector<std::string>>> peaks = {
        {"import wav", {g_self, "--import-once", in("in.wav")}},
        {"import mp3", {g_self, "--import-once", in("in.mp3")}},
        {"sox wav", {"sox", in("in.wav"), "-r", "18000", "-c", "1", "-b", "16", in("sox.wav")}},
        {"ffmpeg wav",
         {"ffmpeg", "-v", "quiet", "-y", "-i", in("in.wav"), "-ac", "1", "-ar", "18000", "-sample_fmt", "s16", in("f.wav")}},
        {"ffmpeg mp3",
         {"ffmpeg", "-v", "quiet", "-y", "-i", in("in.mp3"), "-ac", "1", "-ar", "18000", "-sample_fmt", "s16", in("f.wav")}},
    };
    for (const auto& [name, argv] : peaks) {
        long kb = -1;
        run(argv, &kb);
        std::printf("  %-12s %8ld\n", name.c_str(), kb);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--import-once")
        return importOnce(argv[2]) > 0 ? 0 : 1;   // measured from outside like the other tools
    g_self = fs::canonical("/proc/self/exe").string();
    if (!makeInputs())
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    report();
    fs::remove_all(g_dir);
    return 0;
}
