#include "Cli.h"

#include "Version.h"
#include "model/Errors.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <iterator>
#include <new>

namespace zelmarctl {

namespace {

std::vector<Command>& table()
{
    static std::vector<Command> t;
    return t;
}

struct HelpEntry {
    const CLI::App* command;
    std::string usage;
};

std::vector<HelpEntry>& helpEntries()
{
    static std::vector<HelpEntry> entries;
    return entries;
}

std::function<int()>& chosenRun()
{
    static std::function<int()> run;
    return run;
}

// The order of the program's help, which is also the order of the manual page.
const char* const kOrder[] = {"info",   "build-image", "read-image", "render", "export-wav", "import",
                              "signal", "backdoor",    "devices",    "upload", "download"};

const char* kExitStatus = "exit status: 0 success, 1 usage, 2 device or transfer failure, 3 invalid input file,\n"
                          "4 refused by a limit, 5 other input/output failure\n";

class Help : public CLI::Formatter {
public:
    std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode mode) const override
    {
        if (!app->get_parent())
            return programHelp();
        return "usage: zelmarctl " + usageOf(app) + "\n  " + app->get_description() + "\n" + make_positionals(app)
               + make_groups(app, mode) + make_subcommands(app, mode);
    }

private:
    static std::string programHelp()
    {
        std::string out = std::string("zelmarctl ") + ZELMAR_VERSION
                          + ": the chime's signal sets from the command line\n\n"
                            "usage: zelmarctl [--virtual-chime FILE [--hid]] COMMAND [ARGS]\n"
                            "       zelmarctl --help | --version | COMMAND --help\n\ncommands:\n";
        for (const HelpEntry& e : helpEntries()) {
            if (!e.command->get_subcommands({}).empty())
                continue;   // a group: its commands have lines of their own
            // A long usage puts its summary on the next line, under the others.
            const std::string gap = e.usage.size() < 60 ? std::string(61 - e.usage.size(), ' ') : "\n" + std::string(63, ' ');
            out += "  " + e.usage + gap + e.command->get_description() + "\n";
        }
        out += "\nenvironment: ZELMAR_VIRTUAL_CHIME=FILE[,hid] as --virtual-chime, ZELMAR_VIRTUAL_FAULT=NAME=VALUE\n";
        return out + kExitStatus;
    }
};

// The command the parser stopped in, for the usage of an error.
const CLI::App* deepestCommand(const CLI::App& app)
{
    const CLI::App* at = nullptr;
    for (std::vector<CLI::App*> subs = app.get_subcommands(); !subs.empty(); subs = subs.front()->get_subcommands())
        at = subs.front();
    return at;
}

std::string parseErrorText(const CLI::App& app, const CLI::ParseError& e, int argc, char** argv)
{
    const CLI::App* command = deepestCommand(app);
    if (!command) {
        // The first word that is not a chime option was neither a command nor a known option.
        for (int i = 1; i < argc; ++i) {
            const std::string a = argv[i];
            if (a == "--virtual-chime") {
                ++i;
                continue;
            }
            if (a == "--hid" || a.rfind("--virtual-chime=", 0) == 0)
                continue;
            return (a.rfind('-', 0) == 0 ? "unknown option " : "unknown command ") + a + " (see zelmarctl --help)";
        }
        if (argc > 1 && std::string(argv[argc - 1]) == "--virtual-chime")
            return std::string(e.what()) + " (see zelmarctl --help)";
        return "no command given (see zelmarctl --help)";
    }
    return std::string(e.what()) + "; usage: zelmarctl " + usageOf(command);
}

} // namespace

RegisterCommand::RegisterCommand(const Command& c)
{
    table().push_back(c);
}

CLI::App* addCommand(CLI::App& parent, const char* name, const char* usage, const char* summary)
{
    CLI::App* command = parent.add_subcommand(name, summary);
    helpEntries().push_back({command, usage});
    return command;
}

void onRun(CLI::App* command, std::function<int()> run)
{
    command->callback([run = std::move(run)] { chosenRun() = run; });
}

std::string usageOf(const CLI::App* command)
{
    for (const HelpEntry& e : helpEntries())
        if (e.command == command)
            return e.usage;
    return command->get_name();
}

void note(const std::string& message)
{
    std::fprintf(stderr, "zelmarctl: %s\n", message.c_str());
}

Failure usageError(const std::string& message, const char* usage)
{
    return Failure(kUsage, message + "; usage: zelmarctl " + usage);
}

} // namespace zelmarctl

int main(int argc, char** argv)
{
    using namespace zelmarctl;
    CLI::App app("the chime's signal sets from the command line", "zelmarctl");
    app.formatter(std::make_shared<Help>());
    app.set_version_flag("--version", std::string("zelmarctl ") + ZELMAR_VERSION);
    app.require_subcommand(1);
    // The chime options may also follow the command name.
    app.fallthrough();
    std::string virtualFile;
    bool hid = false;
    app.add_option("--virtual-chime", virtualFile, "use the virtual chime kept in FILE")->type_name("FILE");
    app.add_flag("--hid", hid, "the virtual chime is the HID kind");

    Context ctx;
    std::vector<Command> ordered = table();
    auto rank = [](const Command& c) {
        return std::find_if(std::begin(kOrder), std::end(kOrder), [&](const char* n) { return std::string(n) == c.name; })
               - std::begin(kOrder);
    };
    std::stable_sort(ordered.begin(), ordered.end(), [&](const Command& a, const Command& b) { return rank(a) < rank(b); });
    for (const Command& c : ordered)
        c.define(app, ctx);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return kOk;
    } catch (const CLI::CallForVersion& e) {
        std::printf("%s\n", e.what());
        return kOk;
    } catch (const CLI::ParseError& e) {
        note(parseErrorText(app, e, argc, argv));
        return kUsage;
    }
    if (!virtualFile.empty())
        ctx.chimeArgs.insert(ctx.chimeArgs.end(), {"--virtual-chime", virtualFile});
    if (hid)
        ctx.chimeArgs.push_back("--hid");
    if (!chosenRun()) {
        note("no command given (see zelmarctl --help)");
        return kUsage;
    }
    try {
        return chosenRun()();
    } catch (const Failure& f) {
        note(f.what());
        return f.code;
    } catch (const zelmar::FormatError& e) {
        note(std::string("invalid input: code ") + std::to_string(e.code));
        return kInvalidInput;
    } catch (const zelmar::FileError& e) {
        note(e.what());
        return kIoFailure;
    } catch (const std::bad_alloc&) {
        note("out of memory");
        return kIoFailure;
    } catch (const std::exception& e) {
        note(e.what());
        return kIoFailure;
    }
}
