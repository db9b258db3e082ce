#pragma once
// Memory images kept in files, as a download or a backup keeps them: read back as the chime's
// memory, told apart from set files, and moved between the two address forms.
#include "image/ImageBuilder.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zelmar {

// The file as the chime's whole memory (kImageSize bytes); what it lacks reads as erased flash.
// Past 2 MiB only erased bytes may follow (a raw dump of a chime whose last page was padded):
// anything else is not an image and is refused with FormatError(kImageFileTooLong) rather than cut
// off unseen. The rest is read in pieces, so a huge input costs no more memory than an image.
// Throws FileError when the file cannot be read or is no regular file.
std::vector<uint8_t> readImageFile(const std::string& path);

// True when the file at `path` holds a set file rather than a memory image, by its first bytes.
// Throws FileError when it cannot be read.
bool holdsSetFile(const std::string& path);

// Rewrites the addresses of an image that parseImage accepts in `from` into `to`: the table
// pointers and every element's sample address. Throws LimitError(kImageTooLarge) when a table
// pointer does not fit its 16 bits in `to`, and FormatError(kImageTruncated) when the tables run
// past the image; the image is left as it was then.
void convertImageForm(std::span<uint8_t> image, AddressForm from, AddressForm to);

// Bytes up to and including the last one that is not erased (0xFF).
int32_t usedImageLength(std::span<const uint8_t> image);

} // namespace zelmar
