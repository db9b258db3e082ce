#include "Inputs.h"

#include "image/ImageFile.h"
#include "image/ImageReader.h"
#include "model/Errors.h"
#include "model/SetFile.h"

namespace zelmarctl {

zelmar::SignalSet readSetForCommand(const std::string& path)
{
    try {
        return zelmar::readSetFile(path);
    } catch (const zelmar::FormatError& e) {
        const std::string why = e.code == zelmar::kSetFileTruncated ? "the file ends too early" : "invalid content";
        throw Failure(kInvalidInput, path + ": not a valid set file (" + why + ", code " + std::to_string(e.code) + ")");
    }
}

std::vector<uint8_t> readImageForCommand(const std::string& path, zelmar::AddressForm form, zelmar::SignalSet& set)
{
    std::vector<uint8_t> image;
    try {
        image = zelmar::readImageFile(path);
        set = zelmar::parseImage(image, form);
    } catch (const zelmar::FormatError& e) {
        if (zelmar::holdsSetFile(path))
            throw Failure(kInvalidInput, path + ": a set file, not a memory image (code " + std::to_string(e.code) + ")");
        if (e.code == zelmar::kImageFileTooLong)
            throw Failure(kInvalidInput, e.what());
        throw Failure(kInvalidInput, path + ": not a valid memory image in the "
                                         + (form == zelmar::AddressForm::Page ? "page" : "linear") + " form (code "
                                         + std::to_string(e.code) + ")");
    }
    return image;
}

zelmar::SignalSet readSourceForCommand(const std::string& path, zelmar::AddressForm form)
{
    if (zelmar::holdsSetFile(path))
        return readSetForCommand(path);
    zelmar::SignalSet set;
    readImageForCommand(path, form, set);
    return set;
}

} // namespace zelmarctl
