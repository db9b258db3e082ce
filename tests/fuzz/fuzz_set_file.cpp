// The set-file reader: any bytes either fail with a set-file code or give a set that saves and
// reads back as the same set, whose elements name sounds of its library.
#include "FuzzSupport.h"

#include "model/Errors.h"
#include "model/SetFile.h"

#include <span>

using namespace zelmar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SignalSet set;
    try {
        set = parseSetFile(std::span<const uint8_t>(data, size));
    } catch (const FormatError& e) {
        FUZZ_CHECK(e.code >= kSetFileHeader && e.code <= kSetFileTruncated);
        return 0;
    }
    FUZZ_CHECK(!set.signals.empty() && set.signals.size() <= size_t(kMaxSignals));
    FUZZ_CHECK(set.library.size() <= size_t(kMaxSounds));
    auto checkSignal = [&](const Signal& s) {
        FUZZ_CHECK(s.size() <= size_t(kMaxElements));
        for (const TDzwiek& e : s) {
            FUZZ_CHECK(e.SoundNumber >= 0 && size_t(e.SoundNumber) <= set.library.size());
            FUZZ_CHECK(e.Volume >= 0 && e.Volume <= 15);
            FUZZ_CHECK(e.FragmentStart >= 0 && e.FragmentEnd >= e.FragmentStart);
        }
    };
    for (const NamedSignal& s : set.signals)
        checkSignal(s.elements);
    if (set.backdoor)
        checkSignal(*set.backdoor);
    for (const LibrarySound& l : set.library)
        FUZZ_CHECK(size_t(l.sound.SampleCount) == l.sound.Samples.size());

    // Read, write, read: the same set, so the same bytes when written again.
    const std::string once = serializeSetFile(set);
    const std::string twice =
        serializeSetFile(parseSetFile(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(once.data()), once.size())));
    FUZZ_CHECK(once == twice);
    // Every name byte survives: the bytes written are the bytes read, up to the header's reserved
    // byte and what the file held past its last record or in an odd byte of samples.
    FUZZ_CHECK(once.size() <= size);
    return 0;
}
