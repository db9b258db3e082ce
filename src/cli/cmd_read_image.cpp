// zelmarctl read-image: a memory image parsed as a download would, saved as a set file.
#include "Inputs.h"

#include "model/SetFile.h"

#include <cstdio>
#include <memory>

namespace zelmarctl {

Run defineReadImage(CLI::App& c)
{
    struct Options {
        std::string path, out;
        FormOption form;
    };
    auto o = std::make_shared<Options>();
    addInput(c, "IMAGE.bin", o->path, "the memory image");
    addOutput(c, o->out, "the set file to write")->required();
    addForm(c, o->form, true);
    return [o](const Context&) {
        zelmar::SignalSet set;
        readImageForCommand(o->path, o->form.chosen(), set);
        zelmar::writeSetFile(set, o->out);
        std::printf("%s: %zu signals, %zu sounds\n", o->out.c_str(), set.signals.size(), set.library.size());
        return int(kOk);
    };
}

} // namespace zelmarctl
