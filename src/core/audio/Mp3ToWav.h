#pragma once
// MPEG audio decoding on libmad into a 16-bit PCM WAV file that keeps the source's rate and
// channels. TMP3ToWav runs one worker thread (TMADThread) at a time; decodeMp3File is the
// blocking form used by the import, which splits long files between two decoders.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

struct mad_stream;
struct mad_header;
struct mad_pcm;

namespace zelmar {

// The decoder's fixed-point sample (28 fraction bits) as a 16-bit sample: limited to the range of
// one, then shifted right by 13 without rounding.
inline int16_t madFixedToInt16(int32_t v)
{
    if (v >= 268435456)
        v = 268435455;
    else if (v < -268435456)
        v = -268435456;
    return int16_t(v >> 13);
}

// Appends one synthesised frame as 16-bit samples in the layout fixed by the stream's first frame
// (`channels` 1 or 2): a mono layout takes the first channel, a stereo one repeats a mono frame.
void appendMadFrame(std::vector<int16_t>& out, const mad_pcm& pcm, int channels);

// Size of the data part guessed from the first frame, for the first header and the progress only.
uint32_t estimateDecodedBytes(uint64_t inputSize, int bitrate, int sampleRate, int channels);

// Sets the RIFF and data sizes of a decoded WAV file to what its length says. Files shorter than
// a header are left alone. Returns false when the file cannot be opened, read or written.
bool correctWavHeaderSizes(const std::string& path);

class TMP3ToWav;

class TMADThread {
public:
    TMADThread(TMP3ToWav& owner, std::FILE* input, std::FILE* output, std::function<void()> cleanUp);
    ~TMADThread();
    TMADThread(const TMADThread&) = delete;
    TMADThread& operator=(const TMADThread&) = delete;

    void Start();
    void Terminate() { terminated_.store(true); }
    bool Finished() const { return finished_.load(std::memory_order_acquire); }
    void WaitFor();
    int Percent() const { return percent_.load(); }
    bool AnyFrame() const { return headerWritten_; }

    // libmad's callbacks land here; each returns a mad_flow value.
    int onInput(mad_stream* stream);
    int onOutput(const mad_header* header, mad_pcm* pcm);

private:
    void Execute();

    TMP3ToWav& owner_;
    std::FILE* input_;
    std::FILE* output_;
    std::function<void()> cleanUp_;
    std::vector<uint8_t> buffer_;
    int sampleRate_ = 0;
    int channels_ = 0;
    uint32_t estimate_ = 0;
    uint64_t written_ = 0;
    std::atomic<int> percent_{-1};
    bool headerWritten_ = false;
    bool inputHandedOver_ = false;
    bool writeFailed_ = false;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

class TMP3ToWav {
public:
    TMP3ToWav() = default;
    ~TMP3ToWav();
    TMP3ToWav(const TMP3ToWav&) = delete;
    TMP3ToWav& operator=(const TMP3ToWav&) = delete;

    std::string InputFile;
    std::string OutputFile;
    // Called on the worker thread whenever the whole percent changes.
    std::function<void(TMP3ToWav& sender)> OnProgress;
    // Called on the worker thread at the end; true when at least one frame was decoded.
    std::function<void(TMP3ToWav& sender, bool anyFrame)> OnDone;

    // Starts decoding on a new worker and returns at once; throws std::runtime_error when busy,
    // when a name is missing, or when a file cannot be opened.
    void Run();
    bool Busy() const { return worker_ && !worker_->Finished(); }
    int Percent() const { return worker_ ? worker_->Percent() : -1; }

private:
    std::unique_ptr<TMADThread> worker_;
};

// Decodes `input` into `output` and corrects the header sizes; waits until done. Long files are
// decoded by two threads, with output identical to one decoder's. False when no frame was decoded
// or a file could not be opened or written; `output` may then hold a partial file.
bool decodeMp3File(const std::string& input, const std::string& output);

// For tests and benchmarks: one decoder or the split one, chosen explicitly.
bool decodeMp3FileSingle(const std::string& input, const std::string& output);
bool decodeMp3FileSplit(const std::string& input, const std::string& output, bool* wasSplit = nullptr);

} // namespace zelmar
