// zelmarctl import: adds sound files (WAV, MP3, FLAC, Ogg Vorbis, Opus, AIFF) to a set's library
// through the wizard's import.
#include "Inputs.h"

#include "audio/Import.h"
#include "model/Errors.h"
#include "model/SetFile.h"
#include "model/SignalSet.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace zelmarctl {

namespace {

class CliObserver : public zelmar::ImportObserver {
public:
    explicit CliObserver(bool normalise) : normalise_(normalise) {}
    bool askNormalise() override { return normalise_; }

private:
    bool normalise_;
};

// The import's refusal in the command line's words and exit codes.
Failure refusal(const std::string& file, const zelmar::ImportMessage& m)
{
    auto arg = [&](size_t i) {
        return i < m.args.size() && std::holds_alternative<std::string>(m.args[i]) ? std::get<std::string>(m.args[i])
                                                                                    : std::string("?");
    };
    switch (m.resourceId) {
    case 65217:
        return Failure(kRefused, file + ": the set already holds " + std::to_string(zelmar::kMaxSounds) + " sounds");
    case 65219:
        return Failure(kRefused, file + ": sound too long (" + arg(0) + " s); at most " + arg(1) + " s still fit");
    case 65220:
        return Failure(kInvalidInput, file + ": damaged or in a format that is not supported");
    case 65221:
        return Failure(kInvalidInput, file + ": cannot be read (not a sound file this program reads)");
    case 65218:
        return Failure(kInvalidInput, file + ": conversion to 18000 Hz 16-bit failed");
    case 65245:
        return Failure(kRefused, file + ": its name does not fit in the set's name tables");
    case 65460:
        return Failure(kIoFailure, arg(0) + ": cannot read the file");
    case 65461:
        return Failure(kInvalidInput, file + ": the sound could not be added");
    default:
        return Failure(kInvalidInput, file + ": holds no samples, or they do not fit in memory");
    }
}

struct Options {
    std::string setPath, out;
    std::vector<std::string> audio;
    bool normalise = false;
};

int runImport(const Options& opt)
{
    const std::string& setPath = opt.setPath;
    const std::string out = opt.out.empty() ? setPath : opt.out;
    std::vector<std::string> files = {setPath};
    files.insert(files.end(), opt.audio.begin(), opt.audio.end());
    const bool normalise = opt.normalise;

    zelmar::SignalSet set;
    std::error_code ec;
    if (std::filesystem::exists(setPath, ec))
        set = readSetForCommand(setPath);

    CliObserver observer(normalise);
    // Told only once the set is saved: a later refusal means none of them was added.
    std::vector<std::string> added;
    for (size_t i = 1; i < files.size(); ++i) {
        const std::string& file = files[i];
        if (!std::filesystem::is_regular_file(file, ec))
            throw Failure(kIoFailure, file + ": cannot read the file (missing or not a regular file)");
        std::FILE* probe = std::fopen(file.c_str(), "rb");
        if (!probe)
            throw Failure(kIoFailure, file + ": cannot read the file");
        std::fclose(probe);
        const zelmar::ImportResult r = zelmar::importSound(file, set, observer);
        if (!r.added)
            throw refusal(file, r.message.value_or(zelmar::ImportMessage{}));
        const zelmar::LibrarySound& s = set.library.back();
        added.push_back("sound " + std::to_string(r.soundNumber) + " \"" + s.name + "\": "
                        + std::to_string(s.sound.SampleCount) + " samples" + (r.decodedMp3 ? ", decoded" : "")
                        + (r.converted ? ", converted" : "") + (r.mixedDown ? ", mixed down" : ""));
    }
    if (set.signals.empty())
        set.signals.push_back({"bez nazwy", {}});
    zelmar::writeSetFile(set, out);
    for (const std::string& line : added)
        std::printf("%s\n", line.c_str());
    std::printf("free bytes: %d\n", set.freeBytes());
    return kOk;
}

} // namespace

Run defineImport(CLI::App& c)
{
    auto o = std::make_shared<Options>();
    c.add_option("SET.zmr", o->setPath, "the set file (made when it does not exist)")->required();
    c.add_option("AUDIO", o->audio, "WAV, MP3, FLAC, Ogg Vorbis, Opus or AIFF files")->required();
    c.add_flag("--normalize", o->normalise, "normalize each imported sound");
    addOutput(c, o->out, "write the set here instead of SET.zmr");
    return [o](const Context&) { return runImport(*o); };
}

} // namespace zelmarctl
