// MPEG audio recognition and decoding: the scan of bytes in memory and of the same bytes in a file
// agree and report a frame inside the file; and the decoder that splits a long file between two
// threads writes exactly what one decoder writes.
#include "FuzzSupport.h"

#include "audio/Mp3ToWav.h"
#include "audio/MpegFile.h"

#include <span>

using namespace zelmar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string folder = fuzz::scratchFolder();
    const std::string input = folder + "/in.mp3";
    fuzz::writeFile(input, data, size);

    TMPEGData inMemory, inFile;
    const bool recognised = isMpegAudio(std::span<const uint8_t>(data, size), &inMemory);
    FUZZ_CHECK(isMpegAudioFile(input, &inFile) == recognised);
    if (recognised && size > 5) {
        FUZZ_CHECK(inMemory.FirstFrame == inFile.FirstFrame && inMemory.FrameLength == inFile.FrameLength);
        FUZZ_CHECK(inMemory.FrameLength > 0 && inMemory.FirstFrame + uint64_t(inMemory.FrameLength) <= size);
    }

    const std::string one = folder + "/one.wav", two = folder + "/two.wav";
    std::remove(one.c_str());
    std::remove(two.c_str());
    const bool single = decodeMp3FileSingle(input, one);
    bool split = false;
    const bool halves = decodeMp3FileSplit(input, two, &split);
    FUZZ_CHECK(single == halves);
    if (single)
        FUZZ_CHECK(fuzz::readFile(one) == fuzz::readFile(two));
    return 0;
}
