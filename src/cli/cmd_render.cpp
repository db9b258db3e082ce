// zelmarctl render: what a preview plays, or what the chime will play, into a WAV file.
#include "Inputs.h"

#include "image/ChimePreview.h"
#include "model/Errors.h"

#include <cstdio>
#include <memory>
#include <utility>

namespace zelmarctl {

namespace {

struct Options {
    std::string path, out;
    int signal = 0, sound = 0;
    std::pair<int, int> element{0, 0};
    bool backdoor = false, noGain = false, asChime = false;
    FormOption form;
};

// A 1-based number the set must hold.
size_t index(int n, size_t limit, const char* what)
{
    if (size_t(n) > limit)
        throw usageError(std::string("there is no ") + what + " " + std::to_string(n) + " (the set has "
                         + std::to_string(limit) + ")");
    return size_t(n - 1);
}

int render(const Options& o)
{
    const zelmar::SignalSet set = readSourceForCommand(o.path, o.form.chosen());
    // The chime has a back door in any case: without a back-door signal of sounds it plays the first
    // signal there.
    const zelmar::Signal* backdoor = o.asChime ? zelmar::chimeBackdoor(set) : set.backdoor ? &*set.backdoor : nullptr;
    if (o.backdoor && !backdoor && o.asChime)
        throw Failure(kRefused, o.path + ": no signal holds a sound, so the chime would hold no set");
    if (o.backdoor && !backdoor)
        throw usageError(o.path + " has no back-door signal");
    zelmar::PreviewSubject what;
    if (o.signal > 0) {
        const zelmar::Signal& s = set.signals[index(o.signal, set.signals.size(), "signal")].elements;
        if (o.asChime && zelmar::compactSignal(s).empty())
            note("signal " + std::to_string(o.signal) + " holds no sound: the chime does not keep it");
        what = zelmar::PreviewSubject::of(s);
    } else if (o.backdoor) {
        what = zelmar::PreviewSubject::of(*backdoor);
    } else if (o.sound > 0) {
        what = zelmar::PreviewSubject::of(set.library[index(o.sound, set.library.size(), "sound")].sound, !o.noGain);
    } else {
        const zelmar::Signal& s = set.signals[index(o.element.first, set.signals.size(), "signal")].elements;
        what = zelmar::PreviewSubject::of(s[index(o.element.second, s.size(), "element")]);
    }
    try {
        zelmar::writePreviewWav(o.out, set, what, o.asChime);
    } catch (const zelmar::LimitError& e) {
        throw Failure(kRefused, o.path + ": the chime cannot hold what this plays: " + e.what());
    }
    std::printf("%s\n", o.out.c_str());
    return kOk;
}

} // namespace

Run defineRender(CLI::App& c)
{
    auto o = std::make_shared<Options>();
    addInput(c, "SOURCE", o->path, "a set file, or a memory image");
    addOutput(c, o->out, "the WAV file to write")->required();
    CLI::Option_group* what = c.add_option_group("what to render");
    what->add_option("--signal", o->signal, "signal N")->type_name("N")->transform(numberFrom(1, zelmar::kMaxSignals));
    what->add_flag("--backdoor", o->backdoor, "the back-door signal");
    CLI::Option* sound = what->add_option("--sound", o->sound, "library sound K, with its gain")
                             ->type_name("K")
                             ->transform(numberFrom(1, zelmar::kMaxSounds));
    what->add_option("--element", o->element, "element E of signal N")
        ->type_name("N:E")
        ->delimiter(':')
        ->transform(numberFrom(1, zelmar::kMaxElements));
    what->require_option(1);
    c.add_flag("--no-gain", o->noGain, "the library sound without its gain")->needs(sound);
    c.add_flag("--as-chime", o->asChime, "what the chime plays: the set as it comes back from its memory image");
    addForm(c, o->form, false);
    return [o](const Context&) { return render(*o); };
}

} // namespace zelmarctl
