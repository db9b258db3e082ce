// zelmarctl read-image: a memory image parsed as a download would, saved as a set file.
#include "ImageCli.h"

#include "device/UsbFlash.h"
#include "image/ImageReader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace zelmarctl {

namespace {

// The first 2 MiB of the file; what it lacks reads as erased flash. A longer file (a whole flash
// dump) is read no further, so a huge input costs no more memory than an image.
std::vector<uint8_t> readImageFile(const std::string& path)
{
    std::vector<uint8_t> image(size_t(zelmar::kImageSize), 0xFF);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw zelmar::FileError(path, "cannot open " + path + ": " + std::strerror(errno));
    size_t done = 0;
    while (done < image.size()) {
        const ssize_t n = ::read(fd, image.data() + done, image.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const std::string why = std::strerror(errno);
            ::close(fd);
            throw zelmar::FileError(path, "cannot read " + path + ": " + why);
        }
        if (n == 0)
            break;
        done += size_t(n);
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
