#pragma once
// The reference for the import's MPEG decoding: libmad's own decoder run once over a buffer that
// holds the whole file (damaged frames skipped, decoding ends with the buffer), each sample limited
// and shifted to 16 bits, in the layout of the first decoded frame.
#include "audio/Mp3Stream.h"

#include <mad.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testaudio {

struct Mp3Reference {
    std::vector<int16_t> samples;   // interleaved
    int channels = 0;
    int sampleRate = 0;
};

inline Mp3Reference decodeMp3Reference(const std::string& bytes)
{
    struct Run {
        const std::string& in;
        Mp3Reference out;
        bool given = false;
    } run{bytes, {}, false};
    auto input = [](void* data, mad_stream* stream) {
        Run& r = *static_cast<Run*>(data);
        if (r.given)
            return MAD_FLOW_STOP;
        r.given = true;
        mad_stream_buffer(stream, reinterpret_cast<const unsigned char*>(r.in.data()), r.in.size());
        return MAD_FLOW_CONTINUE;
    };
    auto output = [](void* data, const mad_header* header, mad_pcm* pcm) {
        Mp3Reference& o = static_cast<Run*>(data)->out;
        if (o.channels == 0) {
            o.channels = pcm->channels >= 2 ? 2 : 1;
            o.sampleRate = int(header->samplerate);
        }
        const mad_fixed_t* right = pcm->samples[pcm->channels >= 2 ? 1 : 0];
        for (unsigned i = 0; i < pcm->length; ++i) {
            o.samples.push_back(zelmar::madFixedToInt16(pcm->samples[0][i]));
            if (o.channels == 2)
                o.samples.push_back(zelmar::madFixedToInt16(right[i]));
        }
        return MAD_FLOW_CONTINUE;
    };
    auto error = [](void*, mad_stream*, mad_frame*) { return MAD_FLOW_CONTINUE; };
    mad_decoder decoder;
    mad_decoder_init(&decoder, &run, input, nullptr, nullptr, output, error, nullptr);
    mad_decoder_run(&decoder, MAD_DECODER_MODE_SYNC);
    mad_decoder_finish(&decoder);
    return run.out;
}

} // namespace testaudio
