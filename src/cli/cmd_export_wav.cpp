// zelmarctl export-wav: every library sound as DIR/<name>.wav.
#include "ImageCli.h"

#include "audio/Export.h"

#include <cstdio>

namespace zelmarctl {

namespace {

int runExportWav(Context& ctx)
{
    const char* usage = "export-wav SET.zmr DIR";
    Args args(ctx.args);
    const std::vector<std::string> pos = args.positional(2, 2, usage);
    const zelmar::SignalSet set = readSetForCommand(pos[0]);
    if (set.library.empty()) {
        note(pos[0] + " has no sounds; nothing exported");
        return kOk;
    }
    for (const std::string& written : zelmar::exportWavFiles(set, pos[1]))
        std::printf("%s\n", written.c_str());
    return kOk;
}

const RegisterCommand reg({"export-wav", "export-wav SET.zmr DIR", "write every library sound as a WAV file",
                           runExportWav});

} // namespace

} // namespace zelmarctl
