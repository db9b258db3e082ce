#include "image/ImageFile.h"

#include "device/UsbFlash.h"
#include "image/ImageReader.h"
#include "model/Errors.h"
#include "model/SetFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zelmar {

namespace {

// An open file that closes itself; a FIFO or device never blocks the open, and is refused.
class InputFile {
public:
    explicit InputFile(const std::string& path) : path_(path), fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK))
    {
        if (fd_ < 0)
            throw FileError(path, "cannot open " + path + ": " + std::strerror(errno));
        struct stat st {};
        if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd_);
            throw FileError(path, "cannot read " + path + ": not a regular file");
        }
    }
    ~InputFile() { ::close(fd_); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Up to `size` bytes; 0 at the end.
    size_t read(uint8_t* into, size_t size)
    {
        for (;;) {
            const ssize_t n = ::read(fd_, into, size);
            if (n >= 0)
                return size_t(n);
            if (errno != EINTR)
                throw FileError(path_, "cannot read " + path_ + ": " + std::strerror(errno));
        }
    }

private:
    std::string path_;
    int fd_;
};

uint32_t le(std::span<const uint8_t> image, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | image[at + size_t(i)];
    return v;
}

void putLe(std::span<uint8_t> image, size_t at, int bytes, uint32_t v)
{
    for (int i = 0; i < bytes; ++i)
        image[at + size_t(i)] = uint8_t(v >> (8 * i));
}

} // namespace

std::vector<uint8_t> readImageFile(const std::string& path)
{
    std::vector<uint8_t> image(size_t(kImageSize), 0xFF);
    InputFile in(path);
    size_t done = 0;
    while (done < image.size()) {
        const size_t n = in.read(image.data() + done, image.size() - done);
        if (n == 0)
            return image;
        done += n;
    }
    uint8_t rest[1 << 16];
    while (const size_t n = in.read(rest, sizeof rest))
        if (std::any_of(rest, rest + n, [](uint8_t b) { return b != 0xFF; }))
            throw FormatError(kImageFileTooLong, path + ": longer than the chime's memory of " + std::to_string(kImageSize)
                                                     + " bytes, and not only erased bytes after it");
    return image;
}

bool holdsSetFile(const std::string& path)
{
    uint8_t head[16];
    InputFile in(path);
    size_t got = 0;
    while (got < sizeof head)
        if (const size_t n = in.read(head + got, sizeof head - got))
            got += n;
        else
            break;
    return startsAsSetFile(std::span<const uint8_t>(head, got));
}

void convertImageForm(std::span<uint8_t> image, AddressForm from, AddressForm to)
{
    if (from == to)
        return;
    auto need = [&](size_t end) {
        if (end > image.size())
            throw FormatError(kImageTruncated, "memory image: the tables run past the end of the image");
    };
    need(16);
    const size_t m = image[1];
    const size_t tablesStart = 16 + 2 * (m + 1);
    need(tablesStart);
    // Everything is worked out before the first byte changes.
    std::vector<std::pair<size_t, uint32_t>> pointers;
    for (size_t t = 0; t <= m; ++t) {
        const uint32_t address = imageAddress(imageOffset(le(image, 16 + 2 * t, 2), from), to);
        if (address > 0xFFFF)
            throw LimitError(kImageTooLarge, "a signal table lies beyond what the chime's pointers reach in the "
                                             + std::string(to == AddressForm::Page ? "page" : "linear") + " form");
        pointers.emplace_back(16 + 2 * t, address);
    }
    std::vector<std::pair<size_t, uint32_t>> elements;
    size_t p = tablesStart;
    for (size_t t = 0; t <= m; ++t) {
        need(p + 1);
        const size_t count = image[p++];
        need(p + 8 * count);
        for (size_t i = 0; i < count; ++i, p += 8)
            elements.emplace_back(p, imageAddress(imageOffset(le(image, p, 3), from), to));
    }
    for (const auto& [at, v] : pointers)
        putLe(image, at, 2, v);
    for (const auto& [at, v] : elements)
        putLe(image, at, 3, v);
}

int32_t usedImageLength(std::span<const uint8_t> image)
{
    size_t n = image.size();
    while (n > 0 && image[n - 1] == 0xFF)
        --n;
    return int32_t(n);
}

} // namespace zelmar
