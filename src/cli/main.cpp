#include "Cli.h"

#include "Version.h"
#include "model/Errors.h"
#include "model/TempFolders.h"

#include <cstdio>
#include <exception>
#include <new>

namespace zelmarctl {

namespace {
std::vector<Command>& table()
{
    static std::vector<Command> t;
    return t;
}
} // namespace

RegisterCommand::RegisterCommand(const Command& c)
{
    table().push_back(c);
}

const std::vector<Command>& commands()
{
    return table();
}

void note(const std::string& message)
{
    std::fprintf(stderr, "zelmarctl: %s\n", message.c_str());
}

bool Args::flag(const std::string& name)
{
    for (auto it = a_.begin(); it != a_.end(); ++it)
        if (*it == name) {
            a_.erase(it);
            return true;
        }
    return false;
}

std::string Args::option(const std::string& name, const std::string& shortName)
{
    for (auto it = a_.begin(); it != a_.end(); ++it) {
        if (*it == name || (!shortName.empty() && *it == shortName)) {
            if (it + 1 == a_.end())
                throw Failure(kUsage, "option " + *it + " needs a value");
            std::string v = *(it + 1);
            a_.erase(it, it + 2);
            return v;
        }
        if (it->rfind(name + "=", 0) == 0) {
            std::string v = it->substr(name.size() + 1);
            a_.erase(it);
            return v;
        }
    }
    return {};
}

std::vector<std::string> Args::positional(size_t min, size_t max, const char* usage)
{
    for (const std::string& s : a_)
        if (s.size() > 1 && s[0] == '-')
            throw Failure(kUsage, "unknown option " + s + "; usage: zelmarctl " + usage);
    if (a_.size() < min || a_.size() > max)
        throw Failure(kUsage, std::string("usage: zelmarctl ") + usage);
    return a_;
}

namespace {

void printHelp()
{
    std::printf("zelmarctl %s: the chime's signal sets from the command line\n\n", ZELMAR_VERSION);
    std::printf("usage: zelmarctl [--virtual-chime FILE [--hid]] COMMAND [ARGS]\n"
                "       zelmarctl --help | --version | COMMAND --help\n\ncommands:\n");
    for (const Command& c : commands())
        std::printf("  %-60s %s\n", c.usage, c.summary);
    std::printf("\nexit status: 0 success, 1 usage, 2 device or transfer failure, 3 invalid input file,\n"
                "4 refused by a limit, 5 other input/output failure\n");
}

} // namespace

} // namespace zelmarctl

int main(int argc, char** argv)
{
    using namespace zelmarctl;
    zelmar::removeAbandonedTempFolders();   // of runs that were killed
    std::vector<std::string> args(argv + 1, argv + argc);
    Context ctx;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            printHelp();
            return kOk;
        }
        if (a == "--version") {
            std::printf("zelmarctl %s\n", ZELMAR_VERSION);
            return kOk;
        }
        if (a == "--hid") {
            ctx.chimeArgs.push_back(a);
            continue;
        }
        if (a == "--virtual-chime") {
            if (i + 1 >= args.size()) {
                note("option --virtual-chime needs a file");
                return kUsage;
            }
            ctx.chimeArgs.insert(ctx.chimeArgs.end(), {a, args[++i]});
            continue;
        }
        if (!a.empty() && a[0] == '-') {
            note("unknown option " + a + " (see zelmarctl --help)");
            return kUsage;
        }
        break;
    }
    if (i >= args.size()) {
        note("no command given (see zelmarctl --help)");
        return kUsage;
    }
    const std::string name = args[i];
    const Command* cmd = nullptr;
    for (const Command& c : commands())
        if (name == c.name)
            cmd = &c;
    if (!cmd) {
        note("unknown command " + name + " (see zelmarctl --help)");
        return kUsage;
    }
    ctx.args.assign(args.begin() + long(i) + 1, args.end());
    // Global options may also follow the command name.
    for (size_t k = 0; k < ctx.args.size();) {
        if (ctx.args[k] == "--help" || ctx.args[k] == "-h") {
            std::printf("usage: zelmarctl %s\n  %s\n", cmd->usage, cmd->summary);
            return kOk;
        }
        if (ctx.args[k] == "--virtual-chime" && k + 1 < ctx.args.size()) {
            ctx.chimeArgs.insert(ctx.chimeArgs.end(), ctx.args.begin() + long(k), ctx.args.begin() + long(k) + 2);
            ctx.args.erase(ctx.args.begin() + long(k), ctx.args.begin() + long(k) + 2);
        } else if (ctx.args[k] == "--hid" && name != "build-image" && name != "read-image") {
            ctx.chimeArgs.push_back("--hid");
            ctx.args.erase(ctx.args.begin() + long(k));
        } else {
            ++k;
        }
    }
    try {
        return cmd->run(ctx);
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
