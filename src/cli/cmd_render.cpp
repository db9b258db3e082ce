// zelmarctl render: what a preview plays, into a WAV file.
#include "ImageCli.h"

#include "audio/Render.h"

#include <cstdio>
#include <optional>

namespace zelmarctl {

namespace {

const char* kRenderUsage = "render SET.zmr -o OUT.wav (--signal N | --backdoor | --sound K [--no-gain] | --element N:E)";

// A 1-based number in 1..limit; anything else is a usage error naming what was asked for.
int number(const std::string& text, size_t limit, const std::string& what)
{
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
        throw Failure(kUsage, what + " must be a number from 1; usage: zelmarctl " + kRenderUsage);
    const int n = std::stoi(text);
    if (n < 1 || size_t(n) > limit)
        throw Failure(kUsage, "there is no " + what + " " + text + " (the set has " + std::to_string(limit) + ")");
    return n;
}

struct {
    std::string path, out, signal, sound, element;
    bool backdoor = false, noGain = false;
} opt;

int runRender()
{
    const std::string& out = opt.out;
    const std::string& signal = opt.signal;
    const std::string& sound = opt.sound;
    const std::string& element = opt.element;
    const bool backdoor = opt.backdoor;
    const std::string& path = opt.path;
    const int chosen = !signal.empty() + backdoor + !sound.empty() + !element.empty();
    if (chosen != 1)
        throw Failure(kUsage, std::string("choose one of --signal, --backdoor, --sound, --element; usage: zelmarctl ") + kRenderUsage);
    if (opt.noGain && sound.empty())
        throw Failure(kUsage, "--no-gain goes with --sound");

    const zelmar::SignalSet set = readSetForCommand(path);
    if (!signal.empty()) {
        const int n = number(signal, set.signals.size(), "signal");
        zelmar::writeSignalWav(out, set.signals[size_t(n - 1)].elements, set);
    } else if (backdoor) {
        if (!set.backdoor)
            throw Failure(kUsage, path + " has no back-door signal");
        zelmar::writeSignalWav(out, *set.backdoor, set);
    } else if (!sound.empty()) {
        const int k = number(sound, set.library.size(), "sound");
        zelmar::writeSoundWav(out, set.library[size_t(k - 1)].sound, !opt.noGain);
    } else {
        const size_t colon = element.find(':');
        if (colon == std::string::npos)
            throw Failure(kUsage, std::string("--element takes N:E; usage: zelmarctl ") + kRenderUsage);
        const int n = number(element.substr(0, colon), set.signals.size(), "signal");
        const zelmar::Signal& s = set.signals[size_t(n - 1)].elements;
        const int e = number(element.substr(colon + 1), s.size(), "element");
        zelmar::writeElementWav(out, s[size_t(e - 1)], set);
    }
    std::printf("%s\n", out.c_str());
    return kOk;
}

void define(CLI::App& app, Context&)
{
    CLI::App* c = addCommand(app, "render", kRenderUsage, "render what a preview plays into a WAV file");
    c->add_option("SET.zmr", opt.path, "the set file")->required();
    addOutput(c, opt.out, "the WAV file to write")->required();
    c->add_option("--signal", opt.signal, "signal N")->type_name("N");
    c->add_flag("--backdoor", opt.backdoor, "the back-door signal");
    c->add_option("--sound", opt.sound, "library sound K, with its gain")->type_name("K");
    c->add_flag("--no-gain", opt.noGain, "the library sound without its gain");
    c->add_option("--element", opt.element, "element E of signal N")->type_name("N:E");
    onRun(c, runRender);
}

const RegisterCommand reg({"render", define});

} // namespace

} // namespace zelmarctl
