#pragma once
// What the commands of zelmarctl share: the exit codes, failures and messages, and the one ordered
// table of commands from which main makes both the parser and the help.
#include "device/ChimeSelection.h"
#include "image/ImageBuilder.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zelmarctl {

enum Exit : int {
    kOk = 0,
    kUsage = 1,
    kDevice = 2,
    kInvalidInput = 3,
    kRefused = 4,
    kIoFailure = 5,
};

// The program's own options, read once before a command runs.
struct Context {
    zelmar::ChimeChoice chime;
};

// A command's work, run once the whole command line has been read; it returns the exit code.
using Run = std::function<int(const Context&)>;

struct Command {
    const char* name;      // as typed: "info", or "signal add" for a command of a group
    const char* usage;     // the usage line after "zelmarctl "
    const char* summary;
    // Adds the command's arguments and options to its parser and returns its work; null for a group.
    Run (*define)(CLI::App& command);
};

// Every command, in the order of the help and of the manual page.
std::span<const Command> commands();

// Thrown by commands; main prints "zelmarctl: <message>" and exits with `code`.
class Failure : public std::runtime_error {
public:
    Failure(int code, const std::string& message, bool withUsage = false)
        : std::runtime_error(message), code(code), withUsage(withUsage) {}
    int code;
    bool withUsage;   // main adds the command's usage line
};

// A usage error of the command that runs: exit 1, its usage added to the message.
inline Failure usageError(const std::string& message)
{
    return Failure(kUsage, message, true);
}

// Prints a message line "zelmarctl: ..." on standard error.
void note(const std::string& message);
// The message as one line of printable UTF-8: other bytes become \xNN.
std::string oneLine(std::string_view text);

// ---- Arguments that several commands take --------------------------------------------------------

// -o FILE, the output of a writing command; an empty name is a usage error.
CLI::Option* addOutput(CLI::App& command, std::string& out, const char* what);
// A positional input file that must exist: a missing one ends the run with exit 5 before anything
// is read or written.
CLI::Option* addInput(CLI::App& command, const char* name, std::string& path, const char* what);
// --form page|linear (page when not given), and where `withHid` says so --hid for --form linear.
struct FormOption {
    zelmar::AddressForm form = zelmar::AddressForm::Page;
    bool hid = false;
    const CLI::Option* given = nullptr;
    // The form chosen; --hid with --form page is a usage error.
    zelmar::AddressForm chosen() const;
};
void addForm(CLI::App& command, FormOption& form, bool withHid);
// The one rule for numbers on the command line: decimal digits from `low` to `high`.
bool wholeNumberIn(const std::string& text, long long low, long long high, long long& value);
// The same as a transform of a typed option (->transform(numberFrom(1, 128))).
CLI::Validator numberFrom(int low, int high);

// ---- The commands, each in its cmd_*.cpp ---------------------------------------------------------

Run defineInfo(CLI::App&);
Run defineBuildImage(CLI::App&);
Run defineReadImage(CLI::App&);
Run defineRender(CLI::App&);
Run defineExportWav(CLI::App&);
Run defineImport(CLI::App&);
Run defineSignalAdd(CLI::App&);
Run defineSignalSet(CLI::App&);
Run defineSignalRemove(CLI::App&);
Run defineSignalMove(CLI::App&);
Run defineBackdoor(CLI::App&);
Run defineDevices(CLI::App&);
Run defineUpload(CLI::App&);
Run defineUploadImage(CLI::App&);
Run defineDownload(CLI::App&);

} // namespace zelmarctl
