// zelmarctl signal add/set/remove/move and backdoor: a set's signals composed without the wizard,
// under the same rules as its signal pages.
#include "Inputs.h"

#include "i18n/Text.h"
#include "model/SetFile.h"
#include "model/SignalEditing.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zelmarctl {

namespace {

using zelmar::SignalSet;
using zelmar::TDzwiek;

const char* kElementForm = "sound=K[,volume=V][,start=S][,end=E][,pause=P] or pause=P";

struct Options {
    std::string path, out;
    std::optional<std::string> name;
    int number = 0, to = 0, at = 0;   // number: N or FROM; 0 where not given
    std::vector<std::string> elements;
    bool none = false;
};

// A whole number from `low` to `high`; anything else is a usage error saying what was expected.
long long wholeNumber(const std::string& text, long long low, long long high, const std::string& what)
{
    long long v = 0;
    if (!wholeNumberIn(text, low, high, v))
        throw usageError(what + " must be a whole number from " + std::to_string(low) + " to " + std::to_string(high)
                         + ", not \"" + text + "\"");
    return v;
}

// A signal number the set holds.
size_t signalIndex(const SignalSet& set, int n, const char* what = "signal number")
{
    if (size_t(n) > set.signals.size())
        throw usageError(std::string(what) + " must be a whole number from 1 to " + std::to_string(set.signals.size())
                         + ", not " + std::to_string(n));
    return size_t(n - 1);
}

// One ELEMENT, with the fields it leaves out given as the wizard gives them to a new element.
TDzwiek parseElement(const SignalSet& set, const std::string& text)
{
    auto malformed = [&](const std::string& why) {
        return usageError("element \"" + text + "\": " + why + " (write " + kElementForm + ")");
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
        return int32_t(wholeNumber(*fields[k], low, high, std::string("element \"") + text + "\": " + names[k]));
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

std::vector<TDzwiek> parseElements(const SignalSet& set, const Options& opt)
{
    std::vector<TDzwiek> elements;
    for (const std::string& text : opt.elements)
        elements.push_back(parseElement(set, text));
    return elements;
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
void save(const SignalSet& set, const Options& opt)
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
int finishSignal(SignalSet& set, size_t index, const std::vector<TDzwiek>& elements, const Options& opt)
{
    try {
        zelmar::composeElements(set, set.signals[index].elements, elements);
    } catch (const zelmar::LimitError&) {
        refuseElements(set, elements, opt.path);
    }
    if (opt.name)
        set.signals[index].name = *opt.name;
    requireTablesFit(set, opt.path);
    save(set, opt);
    report(set, index);
    return kOk;
}

int runAdd(const Options& opt)
{
    SignalSet set = readSetForCommand(opt.path);
    const size_t before = opt.at > 0 ? signalIndex(set, opt.at, "--at") : SIZE_MAX;
    const std::vector<TDzwiek> elements = parseElements(set, opt);
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
    return finishSignal(set, index, elements, opt);
}

int runSet(const Options& opt)
{
    SignalSet set = readSetForCommand(opt.path);
    const size_t index = signalIndex(set, opt.number);
    return finishSignal(set, index, parseElements(set, opt), opt);
}

int runRemove(const Options& opt)
{
    SignalSet set = readSetForCommand(opt.path);
    const size_t index = signalIndex(set, opt.number);
    if (set.signals.size() == 1)
        throw Failure(kRefused, opt.path + ": the only signal cannot be removed: a set file always holds one");
    const std::string name = set.signals[index].name;
    set.signals.erase(set.signals.begin() + std::ptrdiff_t(index));
    save(set, opt);
    std::printf("signal %zu \"%s\" removed; %zu left\n", index + 1, name.c_str(), set.signals.size());
    return kOk;
}

int runMove(const Options& opt)
{
    SignalSet set = readSetForCommand(opt.path);
    const size_t from = signalIndex(set, opt.number, "FROM");
    const size_t to = signalIndex(set, opt.to, "TO");
    zelmar::moveEntry(set.signals, from, to);
    save(set, opt);
    report(set, to);
    return kOk;
}

int runBackdoor(const Options& opt)
{
    if (opt.none == !opt.elements.empty())
        throw usageError("give the elements of the back-door signal or --none");
    SignalSet set = readSetForCommand(opt.path);
    if (opt.none) {
        set.backdoor.reset();
        save(set, opt);
        std::printf("back-door signal removed\n");
        return kOk;
    }
    const std::vector<TDzwiek> elements = parseElements(set, opt);
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
    save(set, opt);
    if (set.backdoor)
        std::printf("back-door signal: %zu element%s; free bytes: %d\n", set.backdoor->size(),
                    set.backdoor->size() == 1 ? "" : "s", set.freeBytes());
    return kOk;
}

// The set file and the output that every command of the group has.
std::shared_ptr<Options> common(CLI::App& c)
{
    auto o = std::make_shared<Options>();
    addInput(c, "SET.zmr", o->path, "the set file");
    addOutput(c, o->out, "write the set here instead of SET.zmr");
    return o;
}

void addElements(CLI::App& c, Options& o, bool required)
{
    CLI::Option* elements = c.add_option("ELEMENT", o.elements, kElementForm);
    if (required)
        elements->required();
}

// A name the signal editor could have typed: the code page holds it, it is not too long, and it
// stays on one line.
void addName(CLI::App& c, Options& o)
{
    const CLI::Validator typed(
        [](const std::string& name) -> std::string {
            if (zelmar::hasControlCharacter(name))
                return "the name holds a control character (such as a line break), which a name cannot hold";
            if (!zelmar::isValidSignalName(name))
                return "the name \"" + name + "\" cannot be kept: at most " + std::to_string(zelmar::kMaxTypedName)
                       + " characters, all of them in the Windows-1250 code page";
            return {};
        },
        "");
    c.add_option("--name", o.name, "the signal's name")->type_name("NAME")->check(typed);
}

CLI::Option* addNumber(CLI::App& c, const char* name, int& number, const char* what)
{
    return c.add_option(name, number, what)->type_name("N")->transform(numberFrom(1, zelmar::kMaxSignals));
}

} // namespace

Run defineSignalAdd(CLI::App& c)
{
    auto o = common(c);
    addElements(c, *o, true);
    addName(c, *o);
    addNumber(c, "--at", o->at, "put it before signal N");
    return [o](const Context&) { return runAdd(*o); };
}

Run defineSignalSet(CLI::App& c)
{
    auto o = common(c);
    // Positionals fill in order: N first, the rest are elements.
    addNumber(c, "N", o->number, "the signal's number")->required();
    addElements(c, *o, true);
    addName(c, *o);
    return [o](const Context&) { return runSet(*o); };
}

Run defineSignalRemove(CLI::App& c)
{
    auto o = common(c);
    addNumber(c, "N", o->number, "the signal's number")->required();
    return [o](const Context&) { return runRemove(*o); };
}

Run defineSignalMove(CLI::App& c)
{
    auto o = common(c);
    addNumber(c, "FROM", o->number, "the signal's number now")->required();
    addNumber(c, "TO", o->to, "its new place")->required();
    return [o](const Context&) { return runMove(*o); };
}

Run defineBackdoor(CLI::App& c)
{
    auto o = common(c);
    addElements(c, *o, false);
    c.add_flag("--none", o->none, "remove the back-door signal");
    return [o](const Context&) { return runBackdoor(*o); };
}

} // namespace zelmarctl
