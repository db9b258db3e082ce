#pragma once
// The command table of zelmarctl. Each command lives in its own cmd_*.cpp and registers a function
// that adds its subcommand, with its options, to the command line.
#include <CLI/CLI.hpp>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace zelmarctl {

enum Exit : int {
    kOk = 0,
    kUsage = 1,
    kDevice = 2,
    kInvalidInput = 3,
    kRefused = 4,
    kIoFailure = 5,
};

struct Context {
    std::vector<std::string> chimeArgs;   // "--virtual-chime FILE" and "--hid" as given
};

using DefineFn = void (*)(CLI::App& app, Context& ctx);

struct Command {
    const char* name;
    DefineFn define;
};

struct RegisterCommand {
    explicit RegisterCommand(const Command& c);
};

// Adds a command; its help starts with "usage: zelmarctl <usage>", and the program's help lists
// the usage with the summary.
CLI::App* addCommand(CLI::App& parent, const char* name, const char* usage, const char* summary);
// The command's work, run once the whole command line has been read; it returns the exit code.
void onRun(CLI::App* command, std::function<int()> run);
// The usage line of a command, for messages.
std::string usageOf(const CLI::App* command);

// Thrown by commands; main prints "zelmarctl: <message>" and exits with `code`.
class Failure : public std::runtime_error {
public:
    Failure(int code, const std::string& message) : std::runtime_error(message), code(code) {}
    int code;
};

// Prints a message line "zelmarctl: ..." on standard error.
void note(const std::string& message);

// A usage error naming the command's usage.
Failure usageError(const std::string& message, const char* usage);

} // namespace zelmarctl
