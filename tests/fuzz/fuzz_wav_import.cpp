// The WAV reader through the whole import: any bytes as a chosen file either give one new sound in
// the chime's format or a refusal that changes nothing, and no temporary file outlives the import.
#include "FuzzSupport.h"

#include "audio/Import.h"
#include "audio/WavFile.h"
#include "model/Errors.h"

#include <filesystem>

using namespace zelmar;

namespace {

class Quiet : public ImportObserver {
public:
    explicit Quiet(bool normalise) : normalise_(normalise) {}
    bool askNormalise() override { return normalise_; }

private:
    bool normalise_;
};

size_t filesIn(const std::string& folder)
{
    std::error_code ec;
    size_t n = 0;
    for (auto it = std::filesystem::directory_iterator(folder, ec); !ec && it != std::filesystem::directory_iterator();
         it.increment(ec))
        ++n;
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string chosen = fuzz::scratchFolder() + "/chosen.wav";
    fuzz::writeFile(chosen, data, size);
    SignalSet set;
    set.signals.push_back({"s", {}});
    // The last byte decides the normalisation question, so both answers are explored.
    Quiet observer(size > 0 && (data[size - 1] & 1));
    ImportResult r;
    try {
        r = importSound(chosen, set, observer);
    } catch (const FileError&) {
        FUZZ_CHECK(set.library.empty());
        return 0;
    }
    if (!r.added) {
        FUZZ_CHECK(r.message.has_value());
        FUZZ_CHECK(set.library.empty());
    } else {
        FUZZ_CHECK(set.library.size() == 1 && r.soundNumber == 1);
        const TDostepnyDzwiek& s = set.library[0].sound;
        FUZZ_CHECK(s.SampleCount > 0 && size_t(s.SampleCount) == s.Samples.size());
        FUZZ_CHECK(set.freeBytes() >= 0);
    }
    // Conversions and mixing went through the private folder, which is empty again.
    FUZZ_CHECK(filesIn(privateTempDirectory()) == 0);
    return 0;
}
