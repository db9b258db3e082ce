// zelmarctl read-image: a memory image parsed as a download would, saved as a set file.
#include "ImageCli.h"

#include "device/UsbFlash.h"
#include "image/ImageReader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace zelmarctl {

namespace {

// The file as the chime's memory; what it lacks reads as erased flash. Past 2 MiB only erased
// bytes may follow (a raw dump of a chime whose last page was padded): anything else is not an
// image, and is refused rather than cut off unseen. The rest is read in pieces, so a huge input
// costs no more memory than an image.
std::vector<uint8_t> readImageFile(const std::string& path)
{
    std::vector<uint8_t> image(size_t(zelmar::kImageSize), 0xFF);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw zelmar::FileError(path, "cannot open " + path + ": " + std::strerror(errno));
    uint8_t rest[1 << 16];
    uint64_t done = 0;
    for (;;) {
        const bool inImage = done < image.size();
        uint8_t* into = inImage ? image.data() + done : rest;
        const size_t want = inImage ? image.size() - size_t(done) : sizeof rest;
        const ssize_t n = ::read(fd, into, want);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const std::string why = std::strerror(errno);
            ::close(fd);
            throw zelmar::FileError(path, "cannot read " + path + ": " + why);
        }
        if (n == 0)
            break;
        if (!inImage && std::any_of(rest, rest + n, [](uint8_t b) { return b != 0xFF; })) {
            ::close(fd);
            throw Failure(kInvalidInput, path + ": longer than the chime's memory of "
                                             + std::to_string(zelmar::kImageSize)
                                             + " bytes, and not only erased bytes after it");
        }
        done += uint64_t(n);
    }
    ::close(fd);
    return image;
}

const char* kUsage = "read-image IMAGE.bin -o SET.zmr [--form page|linear]";

struct {
    std::string path, out, form;
    bool hid = false;
} opt;

int runReadImage()
{
    const zelmar::AddressForm form = addressForm(opt.form, opt.hid, kUsage);
    const std::string& path = opt.path;

    const std::vector<uint8_t> image = readImageFile(path);
    zelmar::SignalSet set;
    try {
        set = zelmar::parseImage(image, form);
    } catch (const zelmar::FormatError& e) {
        throw Failure(kInvalidInput, path + ": not a valid memory image (code " + std::to_string(e.code) + ")");
    }
    zelmar::writeSetFile(set, opt.out);
    std::printf("%s: %zu signals, %zu sounds\n", opt.out.c_str(), set.signals.size(), set.library.size());
    return kOk;
}

void define(CLI::App& app, Context&)
{
    CLI::App* c = addCommand(app, "read-image", kUsage, "parse a memory image and save the set it holds");
    c->add_option("IMAGE.bin", opt.path, "the memory image")->required();
    addOutput(c, opt.out, "the set file to write")->required();
    c->add_option("--form", opt.form, "page (the USB chime, default) or linear (the HID chime)");
    c->add_flag("--hid", opt.hid, "the same as --form linear");
    onRun(c, runReadImage);
}

const RegisterCommand reg({"read-image", define});

} // namespace

} // namespace zelmarctl
