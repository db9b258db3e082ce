// zelmarctl export-wav: every library sound as DIR/<name>.wav.
#include "ImageCli.h"

#include "audio/Export.h"

#include <cstdio>

namespace zelmarctl {

namespace {

struct {
    std::string path, dir;
} opt;

int runExportWav()
{
    const zelmar::SignalSet set = readSetForCommand(opt.path);
    if (set.library.empty()) {
        note(opt.path + " has no sounds; nothing exported");
        return kOk;
    }
    for (const std::string& written : zelmar::exportWavFiles(set, opt.dir))
        std::printf("%s\n", written.c_str());
    return kOk;
}

void define(CLI::App& app, Context&)
{
    CLI::App* c = addCommand(app, "export-wav", "export-wav SET.zmr DIR", "write every library sound as a WAV file");
    c->add_option("SET.zmr", opt.path, "the set file")->required();
    c->add_option("DIR", opt.dir, "the folder to write into")->required();
    onRun(c, runExportWav);
}

const RegisterCommand reg({"export-wav", define});

} // namespace

} // namespace zelmarctl
