// zelmarctl export-wav: every library sound as DIR/<name>.wav.
#include "Inputs.h"

#include "audio/Export.h"

#include <cstdio>
#include <memory>

namespace zelmarctl {

Run defineExportWav(CLI::App& c)
{
    struct Options {
        std::string path, dir;
    };
    auto o = std::make_shared<Options>();
    addInput(c, "SET.zmr", o->path, "the set file");
    c.add_option("DIR", o->dir, "the folder to write into")->required();
    return [o](const Context&) {
        const zelmar::SignalSet set = readSetForCommand(o->path);
        if (set.library.empty()) {
            note(o->path + " has no sounds; nothing exported");
            return int(kOk);
        }
        for (const std::string& written : zelmar::exportWavFiles(set, o->dir))
            std::printf("%s\n", written.c_str());
        return int(kOk);
    };
}

} // namespace zelmarctl
