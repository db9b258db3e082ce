#pragma once
// The command table of zelmarctl. Each command lives in its own cmd_*.cpp and registers itself.
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
    std::vector<std::string> args;        // the command's own arguments, after its name
    std::vector<std::string> chimeArgs;   // "--virtual-chime FILE" and "--hid" as given
};

using CommandFn = int (*)(Context&);

struct Command {
    const char* name;
    const char* usage;     // e.g. "info SET.zmr [--json]"
    const char* summary;   // one line for --help
    CommandFn run;
};

struct RegisterCommand {
    explicit RegisterCommand(const Command& c);
};

const std::vector<Command>& commands();

// Thrown by commands; main prints "zelmarctl: <message>" and exits with `code`.
class Failure : public std::runtime_error {
public:
    Failure(int code, const std::string& message) : std::runtime_error(message), code(code) {}
    int code;
};

// Argument helpers for commands.
class Args {
public:
    explicit Args(const std::vector<std::string>& a) : a_(a) {}
    // Removes "--flag" when present.
    bool flag(const std::string& name);
    // Removes "--opt VALUE" (or "-o VALUE") and returns VALUE; empty when absent.
    std::string option(const std::string& name, const std::string& shortName = {});
    // What is left; any leftover starting with "-" is a usage error.
    std::vector<std::string> positional(size_t min, size_t max, const char* usage);

private:
    std::vector<std::string> a_;
};

// Prints a message line "zelmarctl: ..." on standard error.
void note(const std::string& message);

} // namespace zelmarctl
