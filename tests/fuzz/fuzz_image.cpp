// The memory image reader in both address forms: any bytes either fail with an image code or give
// a set that keeps the reader's promises (a back-door signal, gains 0, usage marks for exactly the
// sounds a table uses, fragments inside their sounds); and that set, built into an image again,
// reads back as a set whose image is the same bytes.
#include "FuzzSupport.h"

#include "device/UsbFlash.h"
#include "image/ImageBuilder.h"
#include "image/ImageReader.h"
#include "model/Errors.h"
#include "model/SetFile.h"

#include <algorithm>
#include <memory>
#include <span>

using namespace zelmar;

namespace {

void checkPromises(const SignalSet& set)
{
    FUZZ_CHECK(!set.signals.empty() && set.signals.size() <= size_t(kMaxSignals));
    FUZZ_CHECK(set.backdoor.has_value());
    FUZZ_CHECK(set.library.size() <= size_t(kMaxSounds));
    std::vector<bool> used(set.library.size(), false);
    auto check = [&](const Signal& s) {
        for (const TDzwiek& e : s) {
            if (e.isPause())
                continue;
            const TDostepnyDzwiek* sound = set.soundAt(e.SoundNumber);
            FUZZ_CHECK(sound != nullptr);
            FUZZ_CHECK(e.FragmentStart >= 1 && e.FragmentEnd >= e.FragmentStart);
            FUZZ_CHECK(e.FragmentEnd <= sound->SampleCount);
            FUZZ_CHECK(e.Volume >= 0 && e.Volume <= 15);
            used[size_t(e.SoundNumber - 1)] = true;
        }
    };
    for (const NamedSignal& s : set.signals)
        check(s.elements);
    check(*set.backdoor);
    for (size_t k = 0; k < set.library.size(); ++k) {
        const TDostepnyDzwiek& s = set.library[k].sound;
        FUZZ_CHECK(s.Gain == 0);
        FUZZ_CHECK(s.SampleCount > 0 && size_t(s.SampleCount) == s.Samples.size());
        FUZZ_CHECK(s.UsageMark == (used[k] ? int(k) : -1));
    }
}

// One flash buffer for every run: making 2 MiB each time would cost more than the parse.
TUsbFlash& flash()
{
    static const std::unique_ptr<TUsbFlash> f = std::make_unique<TUsbFlash>();
    return *f;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Input past the image is what read-image refuses; the reader is given the image itself.
    if (size > size_t(kImageSize))
        return 0;
    for (AddressForm form : {AddressForm::Page, AddressForm::Linear}) {
        SignalSet set;
        try {
            set = parseImage(std::span<const uint8_t>(data, size), form);
        } catch (const FormatError& e) {
            FUZZ_CHECK(e.code >= kImageMarkerCode && e.code <= kImageSignalTooLong);
            continue;
        }
        checkPromises(set);

        // Uploading the downloaded set writes an image that reads back as one set for good: the
        // samples are on the chime's grid already and fragment starts move to their blocks once.
        TUsbFlash& f = flash();
        try {
            buildImage(set, form, f);
        } catch (const LimitError&) {
            continue;   // a set the chime could not take again (a table beyond the pointers' reach)
        }
        const std::vector<uint8_t> first(f.Image.begin(), f.Image.begin() + f.ImageLength);
        const SignalSet second = parseImage(first, form);
        checkPromises(second);
        buildImage(second, form, f);
        FUZZ_CHECK(std::equal(first.begin(), first.end(), f.Image.begin(), f.Image.begin() + f.ImageLength));
        const SignalSet third = parseImage(std::span<const uint8_t>(f.Image.data(), size_t(f.ImageLength)), form);
        FUZZ_CHECK(serializeSetFile(second) == serializeSetFile(third));
    }
    return 0;
}
