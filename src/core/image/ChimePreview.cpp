#include "image/ChimePreview.h"

#include "audio/Render.h"
#include "device/UsbFlash.h"
#include "image/ImageBuilder.h"
#include "image/ImageReader.h"
#include "model/Errors.h"

#include <memory>
#include <span>

namespace zelmar {

namespace {

// One signal and only the sounds it uses (renumbered in order of use) through the memory image and
// back. Nothing when the signal holds no sound, as the chime then keeps nothing of it.
std::optional<SignalSet> throughImage(const SignalSet& set, const Signal& signal)
{
    SignalSet used;
    std::vector<int32_t> renumbered(set.library.size() + 1, 0);
    Signal s = signal;
    for (TDzwiek& e : s) {
        if (e.isPause() || !set.soundAt(e.SoundNumber))
            continue;   // a number the library lacks is left for the builder to refuse
        int32_t& n = renumbered[size_t(e.SoundNumber)];
        if (n == 0) {
            used.library.push_back({std::string(), *set.soundAt(e.SoundNumber)});
            n = int32_t(used.library.size());
        }
        e.SoundNumber = n;
    }
    used.signals.push_back({std::string(), std::move(s)});
    const auto flash = std::make_unique<TUsbFlash>();
    try {
        buildImage(used, AddressForm::Linear, *flash);
    } catch (const LimitError& e) {
        if (e.resourceId == kNoSoundInSet)
            return std::nullopt;
        throw;
    }
    return parseImage(std::span<const uint8_t>(flash->Image.data(), size_t(flash->ImageLength)), AddressForm::Linear);
}

// The set and subject a preview renders: the caller's own, or the chime's copy of them.
class PreviewSource {
public:
    PreviewSource(const SignalSet& set, const PreviewSubject& what, bool asChime) : original_(&set), what_(what)
    {
        if (!asChime || (what.kind == PreviewSubject::ElementKind && what.element->isPause()))
            return;   // the chime plays a pause as the silence it is
        if (what.kind == PreviewSubject::SoundKind && what.sound->SampleCount <= 0) {
            nothing_ = true;   // the chime keeps no sound of no samples
            return;
        }
        std::optional<SignalSet> copy;
        if (what.kind == PreviewSubject::SignalKind) {
            copy = throughImage(set, *what.signal);
        } else if (what.kind == PreviewSubject::ElementKind) {
            copy = throughImage(set, Signal{*what.element});
        } else {
            SignalSet alone;
            alone.library.push_back({std::string(), *what.sound});
            copy = throughImage(alone, Signal{TDzwiek::sound(1, *what.sound)});
        }
        if (!copy) {
            nothing_ = true;
            return;
        }
        copy_ = std::move(*copy);
        // The copy's parts stay where they are when the copy moves.
        const Signal& signal = copy_.signals.front().elements;
        if (what.kind == PreviewSubject::SignalKind)
            what_ = PreviewSubject::of(signal);
        else if (what.kind == PreviewSubject::ElementKind)
            what_ = PreviewSubject::of(signal.front());
        else
            what_ = PreviewSubject::of(copy_.library.front().sound, true);
        copied_ = true;
    }

    bool nothing() const { return nothing_; }
    const SignalSet& set() const { return copied_ ? copy_ : *original_; }
    const PreviewSubject& what() const { return what_; }

private:
    const SignalSet* original_;
    SignalSet copy_;
    PreviewSubject what_;
    bool copied_ = false;
    bool nothing_ = false;
};

// Calls the function for the kind of subject the source renders.
template <class OnSignal, class OnElement, class OnSound>
auto onSubject(const PreviewSource& source, OnSignal onSignal, OnElement onElement, OnSound onSound)
{
    const PreviewSubject& w = source.what();
    if (w.kind == PreviewSubject::SignalKind)
        return onSignal(*w.signal, source.set());
    if (w.kind == PreviewSubject::ElementKind)
        return onElement(*w.element, source.set());
    return onSound(*w.sound, w.withGain);
}

} // namespace

std::vector<int16_t> previewSamples(const SignalSet& set, const PreviewSubject& what, bool asChime)
{
    const PreviewSource source(set, what, asChime);
    if (source.nothing())
        return {};
    return onSubject(
        source, [](const Signal& s, const SignalSet& in) { return renderSignalSamples(s, in); },
        [](const TDzwiek& e, const SignalSet& in) { return renderElementSamples(e, in); }, renderSoundSamples);
}

std::string renderPreview(const SignalSet& set, const PreviewSubject& what, bool asChime)
{
    const PreviewSource source(set, what, asChime);
    if (source.nothing())
        return {};
    return onSubject(source, renderSignalPreview, renderElementPreview, renderSoundPreview);
}

void writePreviewWav(const std::string& path, const SignalSet& set, const PreviewSubject& what, bool asChime)
{
    const PreviewSource source(set, what, asChime);
    if (source.nothing()) {
        writeSignalWav(path, Signal{}, set);
        return;
    }
    onSubject(
        source, [&](const Signal& s, const SignalSet& in) { writeSignalWav(path, s, in); },
        [&](const TDzwiek& e, const SignalSet& in) { writeElementWav(path, e, in); },
        [&](const TDostepnyDzwiek& s, bool withGain) { writeSoundWav(path, s, withGain); });
}

} // namespace zelmar
