#include "image/ImageReader.h"

#include "device/UsbFlash.h"
#include "i18n/Text.h"
#include "image/SampleCodec.h"
#include "model/ByteReader.h"
#include "model/Errors.h"
#include "model/TwoThreads.h"

#include <algorithm>
#include <vector>

namespace zelmar {

namespace {

[[noreturn]] void fail(ImageCode code, const char* what)
{
    throw FormatError(code, std::string("memory image: ") + what + " (code " + std::to_string(code) + ")");
}

struct SoundRange {
    int64_t start;
    int64_t end;   // exclusive
};

SignalSet parse(std::span<const uint8_t> image, AddressForm form)
{
    ByteReader r(image);
    if (r.u8() != kImageMarker)
        fail(kImageMarkerCode, "no image marker");
    const int m = r.u8();
    if (m > kMaxSignals)
        fail(kImageSignalCount, "more than 128 signals");
    for (int i = 2; i < 16; ++i)
        if (r.u8() != 0xFF)
            fail(kImageFiller, "header filler is not erased");
    if (m == 0)
        fail(kImageNoSignal, "no signal");

    const size_t tablesStart = 16 + 2 * size_t(m + 1);
    r.seek(tablesStart);
    for (int t = 0; t <= m; ++t) {
        const int e = r.u8();
        if (e > kMaxElements)
            fail(kImageElementCount, "a table of more than 128 elements");
        r.skip(8 * size_t(e));
    }

    SignalSet set;
    for (int t = 0; t < m; ++t) {
        const size_t len = r.u8();
        set.signals.push_back(NamedSignal{fromCp1250(r.text(len)), {}});
    }

    const int v = r.u8();
    if (v > kMaxSounds)
        fail(kImageSoundCount, "more than 128 sounds");
    std::vector<uint32_t> counts;
    for (int k = 0; k < v; ++k) {
        const size_t len = r.u8();
        set.library.push_back(LibrarySound{fromCp1250(r.text(len)), {}});
        counts.push_back(r.u24());
    }

    // Each range is checked against the image before its samples are allocated, so a damaged
    // directory cannot ask for more memory than the image itself could describe.
    std::vector<SoundRange> ranges;
    int64_t offset = int64_t(r.position());
    const int64_t imageEnd = int64_t(image.size());
    for (int k = 0; k < v; ++k) {
        const int64_t stored = encodedSize(counts[size_t(k)]);
        if (stored == 0)
            fail(kImageEmptySound, "a sound of no samples");
        if (offset + stored > imageEnd)
            fail(kImageSoundPastEnd, "a sound's data runs past the end of the image");
        ranges.push_back({offset, offset + stored});
        offset += stored;
    }
    // The sounds are independent of one another: a full image decodes on both cores.
    forEachOnTwoThreads(
        ranges.size(), [&](size_t k) { return ranges[k].end - ranges[k].start; }, kTwoThreadBytes,
        [&](size_t k) {
            std::vector<int16_t> samples(counts[k]);
            decodeSamples(image.data() + ranges[k].start, samples);
            TDostepnyDzwiek& sound = set.library[k].sound;
            sound.SetSamples(std::move(samples));
            sound.UsageMark = -1;
            sound.Gain = 0;
        });

    // For each 1 KiB of the sample area, the range that holds its first byte.
    constexpr int kBucketBits = 10;
    std::vector<uint8_t> bucketFirst;
    if (!ranges.empty()) {
        const int64_t area = ranges.back().end - ranges.front().start;
        bucketFirst.resize(size_t((area >> kBucketBits) + 1));
        size_t i = 0;
        for (size_t b = 0; b < bucketFirst.size(); ++b) {
            const int64_t at = ranges.front().start + (int64_t(b) << kBucketBits);
            while (i + 1 < ranges.size() && at >= ranges[i].end)
                ++i;
            bucketFirst[b] = uint8_t(i);
        }
    }

    r.seek(tablesStart);
    for (int t = 0; t <= m; ++t) {
        const int e = r.u8();
        Signal signal;
        signal.reserve(2 * size_t(e));
        for (int i = 0; i < e; ++i) {
            const int64_t d = imageOffset(r.u24(), form);
            const int64_t length = r.u24();
            const uint8_t volume = r.u8();
            const uint8_t pause = r.u8();
            if (ranges.empty())
                fail(kImageInNoSound, "an element but no sounds");
            if (d < ranges.front().start)
                fail(kImageBeforeSounds, "an element address before the sounds");
            if (d >= ranges.back().end)
                fail(kImageAfterSounds, "an element address after the sounds");
            // Ranges follow one another without gaps, so the bucket of d names the range that
            // holds the bucket's first byte, and d lies in that one or a few after it.
            size_t holder = bucketFirst[size_t((d - ranges.front().start) >> kBucketBits)];
            while (d >= ranges[holder].end)
                ++holder;
            const auto in = ranges.begin() + long(holder);
            if (d < in->start)
                fail(kImageInNoSound, "an element address in no sound");
            if (d + length > in->end)
                fail(kImageFragmentPastSound, "a fragment past the end of its sound's data");
            const int32_t number = int32_t(in - ranges.begin()) + 1;
            TDostepnyDzwiek& sound = set.library[size_t(number - 1)].sound;
            const int64_t start = (d - in->start) * 8 / 9 + 1;
            const int64_t end = start + length - 1;
            // Bytes and samples are compared above; here the fragment must also lie within the
            // sound's samples and play at least one of them.
            if (length == 0 || end > sound.SampleCount)
                fail(kImageFragmentSamples, "a fragment outside its sound's samples");
            signal.push_back(TDzwiek{number, volume & 0x0F, int32_t(start), int32_t(end), 0});
            sound.UsageMark = number - 1;
            if (pause != 0)
                signal.push_back(TDzwiek::pause(pause));
        }
        // More would not fit a set file nor the editor.
        if (signal.size() > size_t(kMaxElements))
            fail(kImageSignalTooLong, "a signal of more than 128 elements and pauses");
        if (t < m)
            set.signals[size_t(t)].elements = std::move(signal);
        else
            set.backdoor = std::move(signal);
    }
    return set;
}

} // namespace

SignalSet parseImage(std::span<const uint8_t> image, AddressForm form)
{
    if (image.size() > size_t(kImageSize))
        image = image.first(size_t(kImageSize));
    try {
        return parse(image, form);
    } catch (const ReadPastEnd&) {
        fail(kImageTruncated, "the image ends inside its tables");
    }
}

} // namespace zelmar
