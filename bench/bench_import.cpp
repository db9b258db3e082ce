// The import as whole processes: `zelmarctl import` of 90 seconds of 44.1 kHz stereo, as WAV
// beside sox and as MP3 beside ffmpeg, each converting to 18000 Hz mono 16-bit. The two of a pair
// run one after the other, their order swapped every round, so that both meet the same load; the
// ratio of each round's two wall times is taken, and the median of the rounds' ratios is printed.
// Inputs are made by the program itself with sox and lame (scripts/deps.sh --bench).
//
//   bench_import [--rounds N] [--zelmarctl PATH]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

fs::path g_dir;

struct Run {
    double wall = 0;
    double cpu = 0;   // user + system of the process and its threads
    bool ok = false;
};

Run run(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    Run r;
    pid_t pid = 0;
    const auto t0 = std::chrono::steady_clock::now();
    const int rc = posix_spawnp(&pid, args[0], &fa, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0)
        return r;
    int status = 0;
    rusage use {};
    if (wait4(pid, &status, 0, &use) < 0)
        return r;
    r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    auto sec = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    r.cpu = sec(use.ru_utime) + sec(use.ru_stime);
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return r;
}

std::string in(const char* name)
{
    return (g_dir / name).string();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double load()
{
    double l[3] = {};
    getloadavg(l, 3);
    return l[0];
}

// Runs the pair `rounds` times, alternating which goes first, and prints each round and the medians.
bool pair(const char* title, const std::vector<std::string>& ours, const std::vector<std::string>& peer,
          const std::string& setFile, int rounds, double goal)
{
    std::error_code ec;
    auto oursOnce = [&] {
        fs::remove(setFile, ec);   // a new set each time, as the peer writes a new file
        return run(ours);
    };
    // One of each first, untimed, so that both find the input in the page cache.
    if (!oursOnce().ok || !run(peer).ok) {
        std::printf("%s: a run failed; is the peer installed (scripts/deps.sh --bench)?\n", title);
        return false;
    }
    std::vector<double> wall, cpu;
    std::printf("\n%s\n  round   ours (s)   peer (s)   wall ratio   cpu ratio   load\n", title);
    for (int i = 0; i < rounds; ++i) {
        Run a, b;
        if (i % 2 == 0) {
            a = oursOnce();
            b = run(peer);
        } else {
            b = run(peer);
            a = oursOnce();
        }
        if (!a.ok || !b.ok) {
            std::printf("  round %d failed\n", i + 1);
            return false;
        }
        wall.push_back(a.wall / b.wall);
        cpu.push_back(a.cpu / b.cpu);
        std::printf("  %5d   %8.3f   %8.3f   %10.3f   %9.3f   %4.2f\n", i + 1, a.wall, b.wall, wall.back(), cpu.back(), load());
    }
    std::printf("  median of %d pairwise ratios: wall %.3f (goal <= %.2f), cpu %.3f\n", rounds, median(wall), goal,
                median(cpu));
    return true;
}

bool makeInputs()
{
    g_dir = fs::temp_directory_path() / ("zelmar-bench-import-" + std::to_string(::getpid()));
    fs::create_directories(g_dir);
    // Two sweeping tones, so that the encoder and the filters have something to work on.
    if (!run({"sox", "-n", "-r", "44100", "-c", "2", "-b", "16", in("in.wav"), "synth", "90", "sine", "220-880",
              "sine", "330-660", "gain", "-3"}).ok) {
        std::fprintf(stderr, "bench_import: sox is needed to make the inputs (scripts/deps.sh --bench)\n");
        return false;
    }
    if (!run({"lame", "--quiet", "-b", "128", in("in.wav"), in("in.mp3")}).ok) {
        std::fprintf(stderr, "bench_import: lame is needed to make the inputs (scripts/deps.sh --bench)\n");
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 5;
    // zelmarctl of the same build: build/src/cli beside build/bench.
    std::string zelmarctl = (fs::canonical("/proc/self/exe").parent_path().parent_path() / "src/cli/zelmarctl").string();
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--rounds")
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--zelmarctl")
            zelmarctl = argv[i + 1];
    }
    if (!fs::exists(zelmarctl)) {
        std::fprintf(stderr, "bench_import: no zelmarctl at %s (give --zelmarctl PATH)\n", zelmarctl.c_str());
        return 1;
    }
    if (!makeInputs())
        return 1;
    std::printf("bench_import: %u cores, load average %.2f at the start\n", std::thread::hardware_concurrency(), load());
    const std::string set = in("set.zmr");
    bool ok = pair("WAV, 90 s 44.1 kHz stereo: zelmarctl import / sox", {zelmarctl, "import", set, in("in.wav")},
                   {"sox", in("in.wav"), "-r", "18000", "-c", "1", "-b", "16", in("sox.wav")}, set, rounds, 0.55);
    ok = pair("MP3, 90 s 44.1 kHz stereo 128 kbit/s: zelmarctl import / ffmpeg", {zelmarctl, "import", set, in("in.mp3")},
              {"ffmpeg", "-v", "quiet", "-y", "-i", in("in.mp3"), "-ac", "1", "-ar", "18000", "-sample_fmt", "s16",
               in("ffmpeg.wav")},
              set, rounds, 0.90)
         && ok;
    std::printf("\nload average %.2f at the end\n", load());
    std::error_code ec;
    fs::remove_all(g_dir, ec);
    return ok ? 0 : 1;
}
