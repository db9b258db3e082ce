#pragma once
// The USB chime's transport object, which also holds the memory image that travels to and from
// either kind of chime.
#include <cstdint>
#include <vector>

namespace zelmar {

constexpr int32_t kImageSize = 2097152;

class TUsbFlash {
public:
    TUsbFlash() : Image(kImageSize, 0) {}

    std::vector<uint8_t> Image;   // always kImageSize bytes
    int32_t Position = 0;
    int32_t ImageLength = 0;
    int32_t ErrorState = 0;       // 0 none, 1 no chime, 2 a request got a wrong byte count
};

} // namespace zelmar
