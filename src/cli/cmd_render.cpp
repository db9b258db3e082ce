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

int runRender(Context& ctx)
{
    Args args(ctx.args);
    const std::string out = requiredOutput(args, kRenderUsage);
    const std::string signal = args.option("--signal");
    const bool backdoor = args.flag("--backdoor");
    const std::string sound = args.option("--sound");
    const bool noGain = args.flag("--no-gain");
    const std::string element = args.option("--element");
    const std::string path = args.positional(1, 1, kRenderUsage).front();
    const int chosen = !signal.empty() + backdoor + !sound.empty() + !element.empty();
    if (chosen != 1)
        throw Failure(kUsage, std::string("choose one of --signal, --backdoor, --sound, --element; usage: zelmarctl ") + kRenderUsage);
    if (noGain && sound.empty())
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
        zelmar::writeSoundWav(out, set.library[size_t(k - 1)].sound, !noGain);
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

const RegisterCommand reg({"render", kRenderUsage, "render what a preview plays into a WAV file", runRender});

} // namespace

} // namespace zelmarctl
