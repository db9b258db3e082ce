#include "audio/SoundSource.h"

#include "audio/MpegFile.h"
#include "audio/WavFile.h"
#include "model/Errors.h"

#include <cstdio>
#include <cstring>

namespace zelmar {

bool looksLikeSndfileFormat(const uint8_t* head, size_t size)
{
    if (size >= 4 && (std::memcmp(head, "fLaC", 4) == 0 || std::memcmp(head, "OggS", 4) == 0))
        return true;
    return size >= 12 && std::memcmp(head, "FORM", 4) == 0
           && (std::memcmp(head + 8, "AIFF", 4) == 0 || std::memcmp(head + 8, "AIFC", 4) == 0);
}

OpenedSource openSoundSource(const std::string& path, bool twoHalves)
{
    OpenedSource r;
    try {
        TWavFileEx wav;
        if (wav.Open(path)) {
            if (wav.Valid)
                r.source = openWavSource(wav, path);
            else
                r.refusal = 65220;
            return r;
        }
        uint8_t head[12] = {};
        size_t headSize = 0;
        if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
            headSize = std::fread(head, 1, sizeof head, f);
            std::fclose(f);
        }
        if (looksLikeSndfileFormat(head, headSize)) {
            r.source = openSndfileSource(path);
            if (!r.source)
                r.refusal = 65220;   // the right kind of file, but damaged or without audio
            return r;
        }
        if (isMpegAudioFile(path)) {
            r.mpeg = true;
            r.source = openMpegSource(path, twoHalves);
            if (!r.source)
                r.refusal = 65221;   // no frame: nothing that reads as sound
            return r;
        }
    } catch (const FileError&) {
        throw;   // the file itself could not be read: not a matter of its content
    } catch (const std::exception&) {
        r.source.reset();
        r.refusal = 65220;
        return r;
    }
    r.refusal = 65221;
    return r;
}

} // namespace zelmar
