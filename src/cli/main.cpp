// zelmarctl: the parser and the help made from the table of commands, and the one place where
// failures become exit codes.
#include "Cli.h"

#include "Version.h"
#include "model/Errors.h"

#include <cstdio>
#include <exception>
#include <map>
#include <new>

namespace zelmarctl {

namespace {

const char* kExitStatus = "exit status: 0 success, 1 usage, 2 device or transfer failure, 3 invalid input file,\n"
                          "4 refused by a limit, 5 other input/output failure\n";

// Which table entry each parser stands for.
std::map<const CLI::App*, const Command*>& entries()
{
    static std::map<const CLI::App*, const Command*> m;
    return m;
}

std::string usageOf(const CLI::App* app)
{
    const auto it = entries().find(app);
    return it != entries().end() ? it->second->usage : app->get_name();
}

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
        for (const Command& c : commands()) {
            if (!c.define)
                continue;   // a group: its commands have lines of their own
            const std::string usage = c.usage;
            // A long usage puts its summary on the next line, under the others.
            const std::string gap = usage.size() < 60 ? std::string(61 - usage.size(), ' ') : "\n" + std::string(63, ' ');
            out += "  " + usage + gap + c.summary + "\n";
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

// The first word after `from` that is not an option of the program's own.
std::string wordAfter(int from, int argc, char** argv)
{
    for (int i = from; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--virtual-chime") {
            ++i;
            continue;
        }
        if (a == "--hid" || a.rfind("--virtual-chime=", 0) == 0)
            continue;
        return a;
    }
    return {};
}

std::string parseErrorText(const CLI::App& app, const CLI::ParseError& e, int argc, char** argv)
{
    const CLI::App* command = deepestCommand(app);
    if (!command) {
        const std::string first = wordAfter(1, argc, argv);
        if (!first.empty())
            return (first.rfind('-', 0) == 0 ? "unknown option " : "unknown command ") + first + " (see zelmarctl --help)";
        if (argc > 1 && std::string(argv[argc - 1]) == "--virtual-chime")
            return std::string(e.what()) + " (see zelmarctl --help)";
        return "no command given (see zelmarctl --help)";
    }
    if (const auto it = entries().find(command); it != entries().end() && !it->second->define) {
        // A group without one of its commands: name what was given instead.
        int at = 1;
        while (at < argc && argv[at] != command->get_name())
            ++at;
        const std::string given = wordAfter(at + 1, argc, argv);
        if (!given.empty() && given.rfind('-', 0) != 0)
            return "unknown command " + command->get_name() + " " + given + "; usage: zelmarctl " + usageOf(command);
    }
    return std::string(e.what()) + "; usage: zelmarctl " + usageOf(command);
}

// Every failure as its message and exit code, in one place, so that each error of the core lands
// on the code the contract gives it.
int reportFailure(const std::string& usage)
{
    try {
        throw;
    } catch (const Failure& f) {
        note(f.withUsage ? std::string(f.what()) + "; usage: zelmarctl " + usage : f.what());
        return f.code;
    } catch (const zelmar::FormatError& e) {
        note(std::string("invalid input: ") + e.what());
        return kInvalidInput;
    } catch (const zelmar::LimitError& e) {
        note(e.what());
        return kRefused;
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

} // namespace

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

    const Command* chosen = nullptr;
    Run run;
    std::map<std::string, CLI::App*> groups;
    for (const Command& c : commands()) {
        const std::string name = c.name;
        const size_t space = name.find(' ');
        CLI::App& parent = space == std::string::npos ? app : *groups.at(name.substr(0, space));
        CLI::App* parser = parent.add_subcommand(name.substr(space + 1), c.summary);
        entries()[parser] = &c;
        if (!c.define) {
            parser->require_subcommand(1);
            groups[name] = parser;
            continue;
        }
        parser->callback([&chosen, &run, &c, work = c.define(*parser)] {
            chosen = &c;
            run = work;
        });
    }

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
    } catch (...) {
        const CLI::App* command = deepestCommand(app);
        return reportFailure(command ? usageOf(command) : std::string());
    }
    if (!run) {
        note("no command given (see zelmarctl --help)");
        return kUsage;
    }
    try {
        return run(Context{zelmar::chimeChoice(virtualFile, hid)});
    } catch (...) {
        return reportFailure(chosen->usage);
    }
}
