// MPEG audio recognition and decoding: the scan reports a frame inside the file; the file read in
// pieces decodes to exactly what libmad makes of it in one buffer; and two decoders, the second
// from the middle, give what one gives.
#include "FuzzSupport.h"
#include "../core/import/Mp3Reference.h"

#include "audio/Mp3Stream.h"
#include "audio/MpegFile.h"
#include "audio/SoundSource.h"

#include <vector>

using namespace zelmar;

namespace {

// Every sample the import's source gives, or none when it refuses the file.
std::vector<int16_t> fromSource(const std::string& path, bool twoHalves, bool& damaged)
{
    std::vector<int16_t> all;
    damaged = false;
    OpenedSource o = openSoundSource(path, twoHalves);
    if (!o.source || o.source->kind() != SourceKind::Mpeg)
        return all;
    o.source->limitSeconds(1000);
    try {
        for (SampleBlock b; (b = o.source->read(4096)).frames > 0;) {
            const auto s = std::get<std::span<const int16_t>>(b.samples);
            all.insert(all.end(), s.begin(), s.end());
        }
    } catch (const SourceDamaged&) {
        damaged = true;
    }
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string folder = fuzz::scratchFolder();
    const std::string input = folder + "/in.mp3";
    fuzz::writeFile(input, data, size);

    TMPEGData info;
    if (isMpegAudioFile(input, &info) && size > 5)
        FUZZ_CHECK(info.FrameLength > 0 && info.FirstFrame + uint64_t(info.FrameLength) + 4 < size);

    const testaudio::Mp3Reference one = testaudio::decodeMp3Reference(std::string(reinterpret_cast<const char*>(data), size));
    Mp3Stream stream(input, 0, 4096);
    std::vector<int16_t> pieces, frame;
    while (stream.next(frame))
        pieces.insert(pieces.end(), frame.begin(), frame.end());
    FUZZ_CHECK(pieces == one.samples);
    FUZZ_CHECK(stream.channels() == one.channels);

    bool damagedOne = false, damagedTwo = false;
    const std::vector<int16_t> single = fromSource(input, false, damagedOne);
    const std::vector<int16_t> halves = fromSource(input, true, damagedTwo);
    FUZZ_CHECK(single == halves && damagedOne == damagedTwo);
    return 0;
}
