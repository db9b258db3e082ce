#pragma once
// Runs the built zelmarctl with arguments and environment, capturing its output and exit code.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// With `interruptOn`, Ctrl+C is sent once the standard error shows that text. `program` is another
// copy of zelmarctl (one placed as an install would place it).
inline CliResult runCli(const std::vector<std::string>& args,
                        const std::vector<std::pair<std::string, std::string>>& env = {},
                        const std::string& interruptOn = {}, const std::string& program = ZELMARCTL)
{
    namespace fs = std::filesystem;
    static int counter = 0;
    fs::path dir = fs::temp_directory_path() / ("zelmarctl-run-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    fs::path outPath = dir / ("out" + std::to_string(counter));
    fs::path errPath = dir / ("err" + std::to_string(counter++));
    std::fflush(stdout);
    std::fflush(stderr);
    pid_t pid = ::fork();
    if (pid == 0) {
        std::FILE* o = std::freopen(outPath.c_str(), "w", stdout);
        std::FILE* e = std::freopen(errPath.c_str(), "w", stderr);
        std::FILE* i = std::freopen("/dev/null", "r", stdin);
        (void)o, (void)e, (void)i;
        ::unsetenv("ZELMAR_VIRTUAL_CHIME");
        ::unsetenv("ZELMAR_VIRTUAL_FAULT");
        for (const auto& [k, v] : env)
            ::setenv(k.c_str(), v.c_str(), 1);
        std::vector<char*> argv;
        std::string exe = program;
        argv.push_back(exe.data());
        std::vector<std::string> copy = args;
        for (std::string& a : copy)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(exe.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    bool ended = false;
    for (int waited = 0; !interruptOn.empty() && waited < 30000; waited += 5) {
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            ended = true;
            break;
        }
        std::ifstream f(errPath, std::ios::binary);
        if (std::string((std::istreambuf_iterator<char>(f)), {}).find(interruptOn) != std::string::npos) {
            ::kill(pid, SIGINT);
            break;
        }
        ::usleep(5000);
    }
    if (!ended)
        ::waitpid(pid, &status, 0);
    CliResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    auto slurp = [](const fs::path& p) {
        std::ifstream f(p, std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    };
    r.out = slurp(outPath);
    r.err = slurp(errPath);
    fs::remove(outPath);
    fs::remove(errPath);
    return r;
}
