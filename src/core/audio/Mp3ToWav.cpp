#include "audio/Mp3ToWav.h"

#include "audio/WavFile.h"
#include "model/ByteReader.h"

#include <mad.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace zelmar {

namespace {

// Inputs above this are not read into memory at all.
constexpr uint64_t kMaxInputBytes = 1ull << 30;
// Above this guessed output the split decoder, which keeps its output in memory, is not used.
constexpr uint64_t kMaxSplitOutputBytes = 256ull << 20;
// Frames both decoders must have decoded, the same ones, just before the second half starts: far
// more than the bit reservoir (at most 511 bytes back) and the overlap and synthesis filter state
// remember. The second decoder starts this many frame headers earlier again, as some of the
// headers found may be false ones.
constexpr size_t kWarmUpFrames = 16;
constexpr size_t kLeadHeaders = 3 * kWarmUpFrames;

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

FilePtr openFile(const std::string& path, const char* mode)
{
    return FilePtr(std::fopen(path.c_str(), mode), &std::fclose);
}

// The whole input, or nothing when it cannot be read or is unreasonably large.
bool readInput(std::FILE* f, std::vector<uint8_t>& out)
{
    if (std::fseek(f, 0, SEEK_END) != 0)
        return false;
    const long size = std::ftell(f);
    if (size < 0 || uint64_t(size) > kMaxInputBytes || std::fseek(f, 0, SEEK_SET) != 0)
        return false;
    out.resize(size_t(size));
    return std::fread(out.data(), 1, out.size(), f) == out.size();
}

std::string decodedHeader(int channels, int sampleRate, uint32_t dataBytes)
{
    return pcm16WavHeader(channels, uint32_t(sampleRate), dataBytes,
                          uint32_t(std::min<uint64_t>(uint64_t(dataBytes) + 44, 0xFFFFFFFFu)));
}

} // namespace

void appendMadFrame(std::vector<int16_t>& out, const mad_pcm& pcm, int channels)
{
    const size_t n = pcm.length;
    const size_t base = out.size();
    out.resize(base + n * size_t(channels));
    int16_t* p = out.data() + base;
    const mad_fixed_t* left = pcm.samples[0];
    const mad_fixed_t* right = pcm.channels > 1 ? pcm.samples[1] : pcm.samples[0];
    if (channels == 1) {
        for (size_t i = 0; i < n; ++i)
            p[i] = madFixedToInt16(left[i]);
    } else {
        for (size_t i = 0; i < n; ++i) {
            p[2 * i] = madFixedToInt16(left[i]);
            p[2 * i + 1] = madFixedToInt16(right[i]);
        }
    }
}

namespace {

enum mad_flow inputCallback(void* data, mad_stream* stream)
{
    return mad_flow(static_cast<TMADThread*>(data)->onInput(stream));
}

enum mad_flow outputCallback(void* data, const mad_header* header, mad_pcm* pcm)
{
    return mad_flow(static_cast<TMADThread*>(data)->onOutput(header, pcm));
}

// Damaged frames are skipped and decoding goes on.
enum mad_flow errorCallback(void*, mad_stream*, mad_frame*)
{
    return MAD_FLOW_CONTINUE;
}

} // namespace

uint32_t estimateDecodedBytes(uint64_t inputSize, int bitrate, int sampleRate, int channels)
{
    if (bitrate <= 0 || sampleRate <= 0 || channels <= 0)
        return 0;
    const double frameBytes = std::ceil(double(bitrate) * 144.0 / double(sampleRate));
    if (frameBytes <= 0)
        return 0;
    const double frames = std::nearbyint(double(inputSize) / frameBytes * 1152.0);
    const double bytes = frames * channels * 2;
    return bytes >= 4294967295.0 ? 0xFFFFFFFFu : uint32_t(bytes);
}

bool correctWavHeaderSizes(const std::string& path)
{
    FilePtr f = openFile(path, "r+b");
    if (!f)
        return false;
    if (std::fseek(f.get(), 0, SEEK_END) != 0)
        return false;
    const long length = std::ftell(f.get());
    if (length < 0)
        return false;
    if (length < 44)
        return true;
    uint8_t h[44];
    if (std::fseek(f.get(), 0, SEEK_SET) != 0 || std::fread(h, 1, 44, f.get()) != 44)
        return false;
    ByteReader r(h);
    r.seek(4);
    const uint32_t riff = r.u32();
    r.seek(40);
    const uint32_t data = r.u32();
    const uint32_t wantRiff = uint32_t(std::min<uint64_t>(uint64_t(length) - 8, 0xFFFFFFFFu));
    const uint32_t wantData = uint32_t(std::min<uint64_t>(uint64_t(length) - 44, 0xFFFFFFFFu));
    if (riff == wantRiff && data == wantData)
        return true;
    for (int i = 0; i < 4; ++i) {
        h[4 + i] = uint8_t(wantRiff >> (8 * i));
        h[40 + i] = uint8_t(wantData >> (8 * i));
    }
    if (std::fseek(f.get(), 0, SEEK_SET) != 0 || std::fwrite(h, 1, 44, f.get()) != 44)
        return false;
    return std::fflush(f.get()) == 0;
}

// ---- The component and its worker ----

TMADThread::TMADThread(TMP3ToWav& owner, std::FILE* input, std::FILE* output, std::function<void()> cleanUp)
    : owner_(owner), input_(input), output_(output), cleanUp_(std::move(cleanUp))
{
}

TMADThread::~TMADThread()
{
    if (thread_.joinable()) {
        Terminate();
        thread_.join();
    }
}

void TMADThread::Start()
{
    thread_ = std::thread([this] { Execute(); });
}

void TMADThread::WaitFor()
{
    if (thread_.joinable())
        thread_.join();
}

void TMADThread::Execute()
{
    try {
        if (readInput(input_, buffer_)) {
            mad_decoder decoder;
            mad_decoder_init(&decoder, this, inputCallback, nullptr, nullptr, outputCallback, errorCallback, nullptr);
            mad_decoder_run(&decoder, MAD_DECODER_MODE_SYNC);
            mad_decoder_finish(&decoder);
        }
    } catch (...) {
        // Out of memory or a failing callback: what was written so far stays.
    }
    std::vector<uint8_t>().swap(buffer_);
    try {
        if (cleanUp_)
            cleanUp_();
        if (owner_.OnDone)
            owner_.OnDone(owner_, headerWritten_);
    } catch (...) {
    }
    finished_.store(true, std::memory_order_release);
}

int TMADThread::onInput(mad_stream* stream)
{
    if (inputHandedOver_)
        return MAD_FLOW_STOP;
    inputHandedOver_ = true;
    if (terminated_.load())
        return MAD_FLOW_STOP;
    mad_stream_buffer(stream, buffer_.data(), buffer_.size());
    return MAD_FLOW_CONTINUE;
}

int TMADThread::onOutput(const mad_header* header, mad_pcm* pcm)
{
    if (!headerWritten_) {
        sampleRate_ = int(header->samplerate);
        channels_ = pcm->channels >= 2 ? 2 : 1;
        estimate_ = estimateDecodedBytes(buffer_.size(), int(header->bitrate), sampleRate_, channels_);
        const std::string h = decodedHeader(channels_, sampleRate_, estimate_);
        if (std::fwrite(h.data(), 1, h.size(), output_) != h.size())
            return MAD_FLOW_BREAK;
        headerWritten_ = true;
    }
    std::vector<int16_t> samples;
    samples.reserve(size_t(pcm->length) * size_t(channels_));
    appendMadFrame(samples, *pcm, channels_);
    if (std::fwrite(samples.data(), sizeof(int16_t), samples.size(), output_) != samples.size())
        return MAD_FLOW_BREAK;
    written_ += samples.size() * sizeof(int16_t);
    if (estimate_ != 0) {
        // The output position counts the header, as the file's own position does.
        const int percent = int(std::nearbyint(double(written_ + 44) / double(estimate_) * 100.0));
        if (percent != percent_.load()) {
            percent_.store(percent);
            if (owner_.OnProgress)
                owner_.OnProgress(owner_);
        }
    }
    return terminated_.load() ? MAD_FLOW_STOP : MAD_FLOW_CONTINUE;
}

TMP3ToWav::~TMP3ToWav()
{
    if (worker_ && !worker_->Finished())
        worker_->Terminate();
    worker_.reset();   // joins
}

void TMP3ToWav::Run()
{
    if (worker_) {
        if (!worker_->Finished())
            throw std::runtime_error("Component is buisy.");
        worker_.reset();
    }
    if (InputFile.empty())
        throw std::runtime_error("Neither input stream not file name is assigned.");
    FilePtr in = openFile(InputFile, "rb");
    if (!in)
        throw std::runtime_error("Cannot open file " + InputFile);
    if (OutputFile.empty())
        throw std::runtime_error("Neither output stream not file name is assigned.");
    FilePtr out = openFile(OutputFile, "wb");
    if (!out)
        throw std::runtime_error("Cannot create file " + OutputFile);
    std::FILE* inRaw = in.release();
    std::FILE* outRaw = out.release();
    worker_ = std::make_unique<TMADThread>(*this, inRaw, outRaw, [inRaw, outRaw] {
        std::fclose(inRaw);
        std::fclose(outRaw);
    });
    worker_->Start();
}

// ---- The blocking forms ----

namespace {

// Byte positions of the frames as libmad's own header decoding finds them, headers only.
std::vector<size_t> frameOffsets(const std::vector<uint8_t>& buf)
{
    std::vector<size_t> offsets;
    mad_stream stream;
    mad_header header;
    mad_stream_init(&stream);
    mad_header_init(&header);
    mad_stream_buffer(&stream, buf.data(), buf.size());
    while (true) {
        if (mad_header_decode(&header, &stream) == -1) {
            if (!MAD_RECOVERABLE(stream.error))
                break;
            continue;
        }
        offsets.push_back(size_t(stream.this_frame - buf.data()));
    }
    mad_header_finish(&header);
    mad_stream_finish(&stream);
    return offsets;
}

struct PartResult {
    std::vector<int16_t> samples;
    int channels = 0;
    int sampleRate = 0;
    int bitrate = 0;
    bool anyFrame = false;
    size_t edgeFrame = SIZE_MAX;   // first: the frame the part stopped at / began output with
    std::vector<size_t> decodedBefore;   // positions of the last frames really decoded before the edge
};

// Decodes buf[begin..) the way mad_decoder_run does in synchronous mode with the worker's
// callbacks: recoverable errors skip the frame, the end of the buffer ends decoding. Frames that
// begin before `outputFrom` are decoded but dropped; decoding stops at the first frame that begins
// at or after `stopAt`. `channels` fixes the layout (0: take the first output frame's).
PartResult decodePart(const std::vector<uint8_t>& buf, size_t begin, size_t outputFrom, size_t stopAt,
                      int channels, size_t reserveSamples)
{
    PartResult r;
    r.channels = channels;
    r.samples.reserve(reserveSamples);
    mad_stream stream;
    mad_frame frame;
    mad_synth synth;
    mad_stream_init(&stream);
    mad_frame_init(&frame);
    mad_synth_init(&synth);
    mad_stream_buffer(&stream, buf.data() + begin, buf.size() - begin);
    while (true) {
        if (mad_frame_decode(&frame, &stream) == -1) {
            if (!MAD_RECOVERABLE(stream.error))
                break;
            continue;
        }
        const size_t at = size_t(stream.this_frame - buf.data());
        if (at >= stopAt) {
            r.edgeFrame = at;
            break;
        }
        mad_synth_frame(&synth, &frame);
        if (outputFrom == 0 || at < outputFrom) {
            // Remember the frames decoded just before the edge, for the proof that the halves meet.
            r.decodedBefore.push_back(at);
            if (r.decodedBefore.size() > 4 * kWarmUpFrames)
                r.decodedBefore.erase(r.decodedBefore.begin(), r.decodedBefore.begin() + 2 * kWarmUpFrames);
        }
        if (at < outputFrom)
            continue;
        if (!r.anyFrame) {
            r.anyFrame = true;
            if (outputFrom > 0)
                r.edgeFrame = at;
            if (r.channels == 0)
                r.channels = synth.pcm.channels >= 2 ? 2 : 1;
            r.sampleRate = int(frame.header.samplerate);
            r.bitrate = int(frame.header.bitrate);
        }
        appendMadFrame(r.samples, synth.pcm, r.channels);
    }
    mad_synth_finish(&synth);
    mad_frame_finish(&frame);
    mad_stream_finish(&stream);
    return r;
}

bool writeDecoded(const std::string& output, const PartResult& first, const std::vector<int16_t>* second,
                  uint64_t inputSize)
{
    FilePtr out = openFile(output, "wb");
    if (!out)
        return false;
    if (!first.anyFrame)
        return true;   // no frame: an empty output, as the single decoder leaves it
    const uint32_t estimate = estimateDecodedBytes(inputSize, first.bitrate, first.sampleRate, first.channels);
    const std::string h = decodedHeader(first.channels, first.sampleRate, estimate);
    bool ok = std::fwrite(h.data(), 1, h.size(), out.get()) == h.size();
    ok = ok && std::fwrite(first.samples.data(), 2, first.samples.size(), out.get()) == first.samples.size();
    if (second)
        ok = ok && std::fwrite(second->data(), 2, second->size(), out.get()) == second->size();
    return std::fflush(out.get()) == 0 && ok;
}

} // namespace

bool decodeMp3FileSingle(const std::string& input, const std::string& output)
{
    TMP3ToWav decoder;
    decoder.InputFile = input;
    decoder.OutputFile = output;
    bool any = false;
    decoder.OnDone = [&any](TMP3ToWav&, bool anyFrame) { any = anyFrame; };
    try {
        decoder.Run();
    } catch (const std::exception&) {
        return false;
    }
    while (decoder.Busy())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return correctWavHeaderSizes(output) && any;
}

bool decodeMp3FileSplit(const std::string& input, const std::string& output, bool* wasSplit)
{
    if (wasSplit)
        *wasSplit = false;
    std::vector<uint8_t> buf;
    {
        FilePtr in = openFile(input, "rb");
        if (!in || !readInput(in.get(), buf))
            return false;
    }
    try {
        const std::vector<size_t> offsets = frameOffsets(buf);
        // At most 1152 stereo samples per frame: beyond the cap, stream through one decoder.
        if (offsets.size() * 4608 > kMaxSplitOutputBytes) {
            std::vector<uint8_t>().swap(buf);
            return decodeMp3FileSingle(input, output);
        }
        bool done = false;
        PartResult a;
        if (offsets.size() >= 8 * kWarmUpFrames) {
            // Both halves need the layout of the file's first frame, which the first half finds.
            const size_t mid = offsets.size() / 2;
            const size_t split = offsets[mid];
            const size_t start = offsets[mid - kLeadHeaders];
            PartResult probe = decodePart(buf, 0, 0, offsets[std::min<size_t>(4, offsets.size() - 1)], 0, 0);
            if (probe.anyFrame) {
                const size_t perFrame = probe.samples.size() / 4 + 1;
                PartResult b;
                std::thread second([&] {
                    b = decodePart(buf, start, split, SIZE_MAX, probe.channels, perFrame * (offsets.size() - mid));
                });
                try {
                    a = decodePart(buf, 0, 0, split, 0, perFrame * mid);
                } catch (...) {
                    second.join();
                    throw;
                }
                second.join();
                // The halves meet only when both decoders really decoded the same frames just before
                // the split; false frame headers among the offsets make that fail, and then one
                // decoder does it all.
                const std::vector<size_t>& pa = a.decodedBefore;
                const std::vector<size_t>& pb = b.decodedBefore;
                const bool sameLead = pa.size() >= kWarmUpFrames && pb.size() >= kWarmUpFrames
                                      && std::equal(pa.end() - kWarmUpFrames, pa.end(), pb.end() - kWarmUpFrames);
                if (a.anyFrame && sameLead && a.edgeFrame == split && b.edgeFrame == split) {
                    if (wasSplit)
                        *wasSplit = true;
                    if (!writeDecoded(output, a, &b.samples, buf.size()))
                        return false;
                    done = true;
                }
            }
        }
        if (!done) {
            a = decodePart(buf, 0, 0, SIZE_MAX, 0, 0);
            if (!writeDecoded(output, a, nullptr, buf.size()))
                return false;
        }
        return correctWavHeaderSizes(output) && a.anyFrame;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool decodeMp3File(const std::string& input, const std::string& output)
{
    return decodeMp3FileSplit(input, output);
}

} // namespace zelmar
