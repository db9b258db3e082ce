// Writes the fuzz targets' seed inputs with the programs' own writers: set files, memory images in
// both address forms, WAV files of the layouts the import meets, MP3 files (libmp3lame) and the
// shipped translation files. Usage: make_corpus SOURCE_DIR OUTPUT_DIR
#include "../core/import/AudioFiles.h"

#include "device/UsbFlash.h"
#include "image/ImageBuilder.h"
#include "model/Errors.h"
#include "model/SetFile.h"

#include <cstdio>
#include <filesystem>
#include <memory>

using namespace zelmar;
namespace fs = std::filesystem;

namespace {

void put(const fs::path& dir, const std::string& name, const std::string& bytes)
{
    fs::create_directories(dir);
    testaudio::writeBytes(dir / name, bytes);
}

TDostepnyDzwiek sound(size_t n, int step, uint8_t gain = 0)
{
    TDostepnyDzwiek s;
    std::vector<int16_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = int16_t((int(i) * step % 600 - 300) * 100);
    s.SetSamples(v);
    s.Gain = gain;
    return s;
}

std::vector<SignalSet> sets()
{
    SignalSet one;
    one.library.push_back({"gong", sound(40, 7)});
    one.signals.push_back({"dzwonek", {TDzwiek::sound(1, one.library[0].sound)}});

    SignalSet rich;
    rich.library.push_back({"Gong żółty", sound(90, 11, 30)});
    rich.library.push_back({"\u0081\u0083 ptak", sound(17, 5)});
    rich.library.push_back({"cisza", sound(1, 1)});
    rich.signals.push_back({"pierwszy", {TDzwiek::pause(40), TDzwiek{1, 3, 9, 80, 0}, TDzwiek::pause(200),
                                         TDzwiek::pause(100), TDzwiek{2, 0, 1, 17, 0}}});
    rich.signals.push_back({"tylko pauza", {TDzwiek::pause(10)}});
    rich.signals.push_back({"drugi", {TDzwiek{3, 15, 1, 1, 5}, TDzwiek{2, 7, 2, 9, 255}}});
    rich.backdoor = Signal{TDzwiek{2, 1, 1, 17, 30}};

    SignalSet empty;
    empty.signals.push_back({"bez nazwy", {}});
    return {one, rich, empty};
}

std::string mono16(size_t n)
{
    std::vector<int16_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = int16_t((int(i) * 37 % 2000 - 1000) * 20);
    return testaudio::pcm16(v);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_corpus SOURCE_DIR OUTPUT_DIR\n");
        return 1;
    }
    const fs::path source = argv[1];
    const fs::path out = argv[2];

    int k = 0;
    for (const SignalSet& s : sets()) {
        ++k;
        put(out / "set_file", "set" + std::to_string(k) + ".zmr", serializeSetFile(s));
        for (AddressForm form : {AddressForm::Page, AddressForm::Linear}) {
            auto flash = std::make_unique<TUsbFlash>();
            try {
                buildImage(s, form, *flash);
            } catch (const LimitError&) {
                continue;   // a set with no sound has no image
            }
            put(out / "image", "set" + std::to_string(k) + (form == AddressForm::Page ? "-page.bin" : "-linear.bin"),
                std::string(flash->Image.begin(), flash->Image.begin() + flash->ImageLength));
        }
    }

    const std::string d = mono16(300);
    put(out / "wav_import", "mono-18000.wav", testaudio::wavBytes(1, 18000, 16, d));
    put(out / "wav_import", "stereo-44100.wav", testaudio::wavBytes(2, 44100, 16, mono16(600)));
    put(out / "wav_import", "mono-8bit-8000.wav", testaudio::wavBytes(1, 8000, 8, std::string(200, '\x90')));
    put(out / "wav_import", "mono-24bit-48000.wav", testaudio::wavBytes(1, 48000, 24, std::string(600, '\x11')));
    put(out / "wav_import", "fmt18.wav", testaudio::wavBytes(1, 18000, 16, d, 1, 18));
    put(out / "wav_import", "float.wav", testaudio::wavBytes(1, 18000, 32, std::string(400, '\0'), 3));
    // A chunk before the samples, as recorders write them.
    std::string listed = testaudio::wavBytes(1, 22050, 16, d);
    listed.insert(36, std::string("LIST\x04\0\0\0abcd", 12));
    put(out / "wav_import", "list-chunk.wav", listed);

    put(out / "mp3", "mpeg1-stereo.mp3", testaudio::mp3Bytes(2, 44100, 0.2, 64));
    put(out / "mp3", "mpeg2-mono-split.mp3", testaudio::mp3Bytes(1, 16000, 9.0, 8));
    put(out / "mp3", "mpeg25-mono.mp3", testaudio::mp3Bytes(1, 8000, 0.5, 8));
    put(out / "mp3", "id3.mp3", testaudio::id3Tag(40) + testaudio::mp3Bytes(1, 22050, 0.3, 32));

    for (const char* lang : {"Polish.lng", "English.lng", "German.lng"})
        put(out / "translation", lang, testaudio::readBytes(source / "data" / "lang" / lang));
    return 0;
}
