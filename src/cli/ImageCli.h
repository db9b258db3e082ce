#pragma once
// Helpers shared by the commands that read set files and write images.
#include "Cli.h"

#include "image/ImageBuilder.h"
#include "model/Errors.h"
#include "model/SetFile.h"

#include <string>

namespace zelmarctl {

// Reads a set file; an invalid one is exit 3 naming the file and its code.
inline zelmar::SignalSet readSetForCommand(const std::string& path)
{
    try {
        return zelmar::readSetFile(path);
    } catch (const zelmar::FormatError& e) {
        const std::string why = e.code == zelmar::kSetFileTruncated ? "the file ends too early" : "invalid content";
        throw Failure(kInvalidInput, path + ": not a valid set file (" + why + ", code " + std::to_string(e.code) + ")");
    }
}

// --form page|linear; the HID chime's --hid is the same as linear.
inline zelmar::AddressForm addressForm(const std::string& form, bool hid, const char* usage)
{
    if (form.empty())
        return hid ? zelmar::AddressForm::Linear : zelmar::AddressForm::Page;
    if (form == "linear")
        return zelmar::AddressForm::Linear;
    if (form == "page" && !hid)
        return zelmar::AddressForm::Page;
    throw usageError("--form takes page or linear (--hid means linear)", usage);
}

// The output option every writing command has.
inline CLI::Option* addOutput(CLI::App* command, std::string& out, const char* what)
{
    return command->add_option("-o,--output", out, what)->type_name("FILE");
}

} // namespace zelmarctl
