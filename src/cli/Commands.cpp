// The table of zelmarctl's commands and the arguments they share.
#include "Cli.h"

#include <cstdio>
#include <filesystem>
#include <string_view>

namespace zelmarctl {

namespace {

const Command kCommands[] = {
    {"info", "info SET.zmr [--json]", "describe a set file", defineInfo},
    {"build-image", "build-image SET.zmr -o IMAGE.bin [--form page|linear]", "build the chime's memory image of a set",
     defineBuildImage},
    {"read-image", "read-image IMAGE.bin -o SET.zmr [--form page|linear]",
     "parse a memory image and save the set it holds", defineReadImage},
    {"render",
     "render SOURCE -o OUT.wav (--signal N | --backdoor | --sound K [--no-gain] | --element N:E) [--as-chime] "
     "[--form page|linear]",
     "render what a preview plays into a WAV file", defineRender},
    {"export-wav", "export-wav SET.zmr DIR", "write every library sound as a WAV file", defineExportWav},
    {"import", "import SET.zmr AUDIO... [--normalize] [-o OUT.zmr]",
     "add sound files (WAV, MP3, FLAC, Ogg, Opus, AIFF) as sounds of a set", defineImport},
    {"signal", "signal (add|set|remove|move) SET.zmr ...", "compose the set's signals", nullptr},
    {"signal add", "signal add SET.zmr ELEMENT... [--name NAME] [--at N] [-o OUT.zmr]",
     "add a signal, at the end or before signal N", defineSignalAdd},
    {"signal set", "signal set SET.zmr N ELEMENT... [--name NAME] [-o OUT.zmr]",
     "replace the elements (and the name) of signal N", defineSignalSet},
    {"signal remove", "signal remove SET.zmr N [-o OUT.zmr]", "remove signal N", defineSignalRemove},
    {"signal move", "signal move SET.zmr FROM TO [-o OUT.zmr]", "move signal FROM so that it stands at TO",
     defineSignalMove},
    {"backdoor", "backdoor SET.zmr (ELEMENT... | --none) [-o OUT.zmr]", "set or remove the back-door signal",
     defineBackdoor},
    {"devices", "devices", "list the chimes found, and any that cannot be opened", defineDevices},
    {"upload", "upload SET.zmr [--backup IMAGE.bin]", "write a set into the chime and verify it", defineUpload},
    {"upload-image", "upload-image IMAGE.bin [--form page|linear]",
     "write a kept memory image back into the chime and verify it", defineUploadImage},
    {"download", "download -o SET.zmr [--image-out IMAGE.bin]", "read the chime's set and save it", defineDownload},
};

} // namespace

std::span<const Command> commands()
{
    return kCommands;
}

std::string oneLine(std::string_view text)
{
    // A file name may hold any byte: what is not printable UTF-8 is shown as \xNN, so that a message
    // stays one line and a terminal never takes a byte of it as a control sequence.
    std::string out;
    auto escape = [&](unsigned char b) {
        static const char hex[] = "0123456789abcdef";
        out += "\\x";
        out += hex[b >> 4];
        out += hex[b & 15];
    };
    for (size_t i = 0; i < text.size();) {
        auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            if (b < 0x20 || b == 0x7f)
                escape(b);
            else
                out += char(b);
            ++i;
            continue;
        }
        const size_t n = b >= 0xc2 && b <= 0xdf ? 2 : b >= 0xe0 && b <= 0xef ? 3 : b >= 0xf0 && b <= 0xf4 ? 4 : 0;
        char32_t cp = n == 2 ? b & 0x1f : n == 3 ? b & 0x0f : b & 0x07;
        bool valid = n != 0 && i + n <= text.size();
        for (size_t k = 1; valid && k < n; ++k) {
            auto c = static_cast<unsigned char>(text[i + k]);
            valid = (c & 0xc0) == 0x80;
            cp = (cp << 6) | (c & 0x3f);
        }
        // Overlong forms, surrogates, code points past U+10FFFF and the C1 controls are not shown raw.
        valid = valid && !(n == 3 && cp < 0x800) && !(n == 4 && (cp < 0x10000 || cp > 0x10ffff))
                && !(cp >= 0xd800 && cp <= 0xdfff) && !(cp >= 0x80 && cp <= 0x9f);
        if (valid) {
            out.append(text.substr(i, n));
            i += n;
        } else {
            escape(b);
            ++i;
        }
    }
    return out;
}

void note(const std::string& message)
{
    std::fprintf(stderr, "zelmarctl: %s\n", oneLine(message).c_str());
}

CLI::Option* addOutput(CLI::App& command, std::string& out, const char* what)
{
    return command.add_option("-o,--output", out, what)
        ->type_name("FILE")
        ->check(CLI::Validator([](const std::string& name) { return name.empty() ? "needs a file name" : ""; }, ""));
}

CLI::Option* addInput(CLI::App& command, const char* name, std::string& path, const char* what)
{
    // Missing input is an input/output failure, not a usage error.
    const CLI::Validator existing(
        [](const std::string& p) -> std::string {
            std::error_code ec;
            if (p.empty() || !std::filesystem::exists(p, ec))
                throw Failure(kIoFailure, (p.empty() ? std::string("\"\"") : p) + ": cannot read the file (no such file)");
            return {};
        },
        "");
    return command.add_option(name, path, what)->required()->check(existing);
}

void addForm(CLI::App& command, FormOption& form, bool withHid)
{
    // The two names only, as the typed option's numbers.
    const CLI::Validator named(
        [](std::string& text) -> std::string {
            if (text != "page" && text != "linear")
                return "takes page or linear, not \"" + text + "\"";
            text = std::to_string(int(text == "page" ? zelmar::AddressForm::Page : zelmar::AddressForm::Linear));
            return {};
        },
        "");
    form.given = command.add_option("--form", form.form, "page (the USB chime, default) or linear (the HID chime)")
                     ->type_name("page|linear")
                     ->transform(named);
    if (withHid)
        command.add_flag("--hid", form.hid, "the same as --form linear");
}

zelmar::AddressForm FormOption::chosen() const
{
    if (!hid)
        return form;
    if (given->count() > 0 && form != zelmar::AddressForm::Linear)
        throw usageError("--hid means --form linear");
    return zelmar::AddressForm::Linear;
}

bool wholeNumberIn(const std::string& text, long long low, long long high, long long& value)
{
    // Decimal digits only: no sign, no base prefix, and a leading zero is no octal number.
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoll(text);
    return value >= low && value <= high;
}

CLI::Validator numberFrom(int low, int high)
{
    return CLI::Validator(
        [low, high](std::string& text) -> std::string {
            long long v = 0;
            if (!wholeNumberIn(text, low, high, v))
                return "must be a whole number from " + std::to_string(low) + " to " + std::to_string(high) + ", not \""
                       + text + "\"";
            text = std::to_string(v);   // what the typed option reads, in the one way it reads it
            return {};
        },
        "");
}

} // namespace zelmarctl
