// zelmarctl signal add/set/remove/move and backdoor: a set's signals composed without the wizard,
// under the same rules as its signal pages.
#include "ImageCli.h"

#include "model/SetFile.h"
#include "model/SignalEditing.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace zelmarctl {

namespace {

using zelmar::SignalSet;
using zelmar::TDzwiek;

const char* kAddUsage = "signal add SET.zmr ELEMENT... [--name NAME] [--at N] [-o OUT.zmr]";
const char* kSetUsage = "signal set SET.zmr N ELEMENT... [--name NAME] [-o OUT.zmr]";
const char* kRemoveUsage = "signal remove SET.zmr N [-o OUT.zmr]";
const char* kMoveUsage = "signal move SET.zmr FROM TO [-o OUT.zmr]";
const char* kBackdoorUsage = "backdoor SET.zmr (ELEMENT... | --none) [-o OUT.zmr]";
const char* kElementForm = "sound=K[,volume=V][,start=S][,end=E][,pause=P] or pause=P";

struct Options {
    std::string path, out, name, at, number, to;   // number: N or FROM
    std::vector<std::string> elements;
    bool nameGiven = false, none = false;
};
Options opt;

// A whole number from `low` to `high`; anything else is a usage error saying what was expected.
long long wholeNumber(const std::string& text, long long low, long long high, const std::string& what,
                      const char* usage)
{
    const bool digits = !text.empty() && text.size() <= 10 && text.find_first_not_of("0123456789") == std::string::npos;
    const long long v = digits ? std::stoll(text) : -1;
    if (!digits || v < low || v > high)
        throw usageError(what + " must be a whole number from " + std::to_string(low) + " to " + std::to_string(high)
                             + ", not \"" + text + "\"",
                         usage);
    return v;
}

size_t signalNumber(const SignalSet& set, const std::string& text, const char* usage, const char* what = "signal number")
{
    if (set.signals.empty())
        throw usageError("the set has no signal", usage);
    return size_t(wholeNumber(text, 1, (long long)set.signals.size(), what, usage) - 1);
}

// One ELEMENT, with the fields it leaves out given as the wizard gives them to a new element.
TDzwiek parseElement(const SignalSet& set, const std::string& text, const char* usage)
{
    auto malformed = [&](const std::string& why) {
        return usageError("element \"" + text + "\": " + why + " (write " + kElementForm + ")", usage);
    };
    std::optional<std::string> fields[5];   // sound, volume, start, end, pause
    const char* names[5] = {"sound", "volume", "start", "end", "pause"};
    size_t from = 0;
    while (from <= text.size()) {
        const size_t comma = std::min(text.find(',', from), text.size());
        const std::string field = text.substr(from, comma - from);
        const size_t eq = field.find('=');
        if (eq == std::string::npos)
            throw malformed("\"" + field + "\" is not NAME=VALUE");
        const std::string key = field.substr(0, eq);
        int k = 0;
        while (k < 5 && key != names[k])
            ++k;
        if (k == 5)
            throw malformed("unknown field \"" + key + "\"");
        if (fields[k])
            throw malformed("field " + key + " given twice");
        fields[k] = field.substr(eq + 1);
        from = comma + 1;
    }
    auto value = [&](int k, long long low, long long high) {
        return int32_t(wholeNumber(*fields[k], low, high, std::string("element \"") + text + "\": " + names[k], usage));
    };
    if (!fields[0]) {
        if (!fields[4] || fields[1] || fields[2] || fields[3])
            throw malformed("a pause takes only pause=P, a sound element starts with sound=K");
        return TDzwiek::pause(value(4, 0, zelmar::kMaxPauseLength));
    }
    if (set.library.empty())
        throw malformed("the set has no sounds (add some with zelmarctl import)");
    TDzwiek e = zelmar::newElement(set, value(0, 1, (long long)set.library.size()));
    const int32_t samples = set.soundAt(e.SoundNumber)->SampleCount;
    if (fields[1])
        e.SetVolume(value(1, 0, zelmar::kMaxStoredVolume));
    if (fields[2] || fields[3]) {
        if (samples < 1)
            throw malformed("sound " + std::to_string(e.SoundNumber) + " has no samples to choose from");
        const int32_t start = fields[2] ? value(2, 1, samples) : 1;
        const int32_t end = fields[3] ? value(3, start, samples) : samples;
        e.SetFragment(start, end);
    }
    if (fields[4])
        e.SetPauseLength(value(4, 0, zelmar::kMaxPauseLength));
    return e;
}

std::vector<TDzwiek> parseElements(const SignalSet& set, const char* usage)
{
    std::vector<TDzwiek> elements;
    for (const std::string& text : opt.elements)
        elements.push_back(parseElement(set, text, usage));
    return elements;
}

std::string checkedName(const char* usage)
{
    if (!zelmar::isValidSignalName(opt.name))
        throw usageError("the name \"" + opt.name + "\" cannot be kept: at most "
                             + std::to_string(zelmar::kMaxTypedName)
                             + " characters, all of them in the Windows-1250 code page",
                         usage);
    return opt.name;
}

std::string tablesText(const SignalSet& set)
{
    return std::to_string(set.tableSize()) + " of " + std::to_string(zelmar::kTableLimit) + " bytes";
}

// The signal editor's refusals, in English.
[[noreturn]] void refuseElements(const SignalSet& set, const std::vector<TDzwiek>& elements, const std::string& path)
{
    if (int(elements.size()) > zelmar::kMaxEditorElements)
        throw Failure(kRefused, path + ": a signal holds at most " + std::to_string(zelmar::kMaxEditorElements)
                                    + " elements, not " + std::to_string(elements.size()));
    throw Failure(kRefused, path + ": no free memory for these elements: the chime's tables would pass "
                                + std::to_string(zelmar::kTableLimit) + " bytes (now " + tablesText(set) + ")");
}

void requireTablesFit(const SignalSet& set, const std::string& path)
{
    if (!zelmar::tablesFit(set))
        throw Failure(kRefused, path + ": no free memory for this name: the chime's tables would take "
                                    + tablesText(set));
}

// Saves the set where -o says, or over the set file itself.
void save(const SignalSet& set)
{
    zelmar::writeSetFile(set, opt.out.empty() ? opt.path : opt.out);
}

void report(const SignalSet& set, size_t index)
{
    const zelmar::NamedSignal& s = set.signals[index];
    std::printf("signal %zu \"%s\": %zu element%s; free bytes: %d\n", index + 1, s.name.c_str(), s.elements.size(),
                s.elements.size() == 1 ? "" : "s", set.freeBytes());
}

// What add and set share once the signal stands: its elements, its name, the limits, the file.
int finishSignal(SignalSet& set, size_t index, const std::vector<TDzwiek>& elements,
                 const std::optional<std::string>& name)
{
    try {
        zelmar::composeElements(set, set.signals[index].elements, elements);
    } catch (const zelmar::LimitError&) {
        refuseElements(set, elements, opt.path);
    }
    if (name)
        set.signals[index].name = *name;
    requireTablesFit(set, opt.path);
    save(set);
    report(set, index);
    return kOk;
}

int runAdd()
{
    SignalSet set = readSetForCommand(opt.path);
    const std::optional<std::string> name = opt.nameGiven ? std::optional(checkedName(kAddUsage)) : std::nullopt;
    size_t before = SIZE_MAX;
    if (!opt.at.empty())
        before = signalNumber(set, opt.at, kAddUsage, "--at");
    const std::vector<TDzwiek> elements = parseElements(set, kAddUsage);

    size_t index = 0;
    try {
        index = zelmar::beginSignal(set, before);
    } catch (const zelmar::LimitError&) {
        if (int(set.signals.size()) >= zelmar::kMaxSignals)
            throw Failure(kRefused, opt.path + ": the set already holds " + std::to_string(zelmar::kMaxSignals)
                                        + " signals");
        throw Failure(kRefused, opt.path + ": no free memory for a new signal: it needs "
                                    + std::to_string(zelmar::kSignalReserve) + " bytes of the chime's tables ("
                                    + tablesText(set) + " taken)");
    }
    return finishSignal(set, index, elements, name);
}

int runSet()
{
    SignalSet set = readSetForCommand(opt.path);
    const std::optional<std::string> name = opt.nameGiven ? std::optional(checkedName(kSetUsage)) : std::nullopt;
    const size_t index = signalNumber(set, opt.number, kSetUsage);
    const std::vector<TDzwiek> elements = parseElements(set, kSetUsage);
    return finishSignal(set, index, elements, name);
}

int runRemove()
{
    SignalSet set = readSetForCommand(opt.path);
    const size_t index = signalNumber(set, opt.number, kRemoveUsage);
    if (set.signals.size() == 1)
        throw Failure(kRefused, opt.path + ": the only signal cannot be removed: a set file always holds one");
    const std::string name = set.signals[index].name;
    set.signals.erase(set.signals.begin() + std::ptrdiff_t(index));
    save(set);
    std::printf("signal %zu \"%s\" removed; %zu left\n", index + 1, name.c_str(), set.signals.size());
    return kOk;
}

int runMove()
{
    SignalSet set = readSetForCommand(opt.path);
    const size_t from = signalNumber(set, opt.number, kMoveUsage, "FROM");
    const size_t to = signalNumber(set, opt.to, kMoveUsage, "TO");
    zelmar::moveEntry(set.signals, from, to);
    save(set);
    report(set, to);
    return kOk;
}

int runBackdoor()
{
    if (opt.none == !opt.elements.empty())
        throw usageError("give the elements of the back-door signal or --none", kBackdoorUsage);
    SignalSet set = readSetForCommand(opt.path);
    if (opt.none) {
        set.backdoor.reset();
        save(set);
        std::printf("back-door signal removed\n");
        return kOk;
    }
    const std::vector<TDzwiek> elements = parseElements(set, kBackdoorUsage);
    const std::optional<zelmar::Signal> kept = set.backdoor;
    if (!set.backdoor)
        set.backdoor = zelmar::Signal{};   // no limit is checked for beginning it
    try {
        zelmar::composeElements(set, *set.backdoor, elements);
    } catch (const zelmar::LimitError&) {
        set.backdoor = kept;
        refuseElements(set, elements, opt.path);
    }
    if (!zelmar::settleBackdoor(set))
        note("a back-door signal without a sound is not kept: the set has none");
    save(set);
    if (set.backdoor)
        std::printf("back-door signal: %zu element%s; free bytes: %d\n", set.backdoor->size(),
                    set.backdoor->size() == 1 ? "" : "s", set.freeBytes());
    return kOk;
}

CLI::App* command(CLI::App& parent, const char* name, const char* usage, const char* summary)
{
    CLI::App* c = addCommand(parent, name, usage, summary);
    c->add_option("SET.zmr", opt.path, "the set file")->required();
    return c;
}

void addElements(CLI::App* c)
{
    c->add_option("ELEMENT", opt.elements, kElementForm)->required();
}

void addName(CLI::App* c)
{
    c->add_option("--name", opt.name, "the signal's name")->type_name("NAME")->each([](const std::string&) {
        opt.nameGiven = true;
    });
}

void defineSignal(CLI::App& app, Context&)
{
    CLI::App* signal = addCommand(app, "signal", "signal (add|set|remove|move) SET.zmr ...",
                                  "compose the set's signals");
    signal->require_subcommand(1);

    CLI::App* add = command(*signal, "add", kAddUsage, "add a signal, at the end or before signal N");
    addElements(add);
    addName(add);
    add->add_option("--at", opt.at, "put it before signal N")->type_name("N");
    addOutput(add, opt.out, "write the set here instead of SET.zmr");
    onRun(add, runAdd);

    // Positionals fill in order: N first, the rest are elements.
    CLI::App* set = command(*signal, "set", kSetUsage, "replace the elements (and the name) of signal N");
    set->add_option("N", opt.number, "the signal's number")->required();
    addElements(set);
    addName(set);
    addOutput(set, opt.out, "write the set here instead of SET.zmr");
    onRun(set, runSet);

    CLI::App* remove = command(*signal, "remove", kRemoveUsage, "remove signal N");
    remove->add_option("N", opt.number, "the signal's number")->required();
    addOutput(remove, opt.out, "write the set here instead of SET.zmr");
    onRun(remove, runRemove);

    CLI::App* move = command(*signal, "move", kMoveUsage, "move signal FROM so that it stands at TO");
    move->add_option("FROM", opt.number, "the signal's number now")->required();
    move->add_option("TO", opt.to, "its new place")->required();
    addOutput(move, opt.out, "write the set here instead of SET.zmr");
    onRun(move, runMove);
}

void defineBackdoor(CLI::App& app, Context&)
{
    CLI::App* c = command(app, "backdoor", kBackdoorUsage, "set or remove the back-door signal");
    c->add_option("ELEMENT", opt.elements, kElementForm);
    c->add_flag("--none", opt.none, "remove the back-door signal");
    addOutput(c, opt.out, "write the set here instead of SET.zmr");
    onRun(c, runBackdoor);
}

const RegisterCommand signalCommand({"signal", defineSignal});
const RegisterCommand backdoorCommand({"backdoor", defineBackdoor});

} // namespace

} // namespace zelmarctl
