#pragma once
// The bytes of a WAV file as the program writes it (mono, 16 bits, 18000 samples per second, a plain
// 44-byte header), written out field by field here so that tests compare the program with a
// reference of their own.
#include <cstdint>
#include <span>
#include <string>

namespace testwav {

inline std::string wavFileBytes(std::span<const int16_t> samples)
{
    std::string out;
    auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) out.push_back(char(v >> (8 * i))); };
    auto u16 = [&](uint16_t v) { for (int i = 0; i < 2; ++i) out.push_back(char(v >> (8 * i))); };
    const auto dataBytes = uint32_t(samples.size() * 2);
    out += "RIFF";
    u32(36 + dataBytes);
    out += "WAVEfmt ";
    u32(16);       // size of the format chunk
    u16(1);        // PCM
    u16(1);        // one channel
    u32(18000);    // samples per second
    u32(36000);    // bytes per second
    u16(2);        // bytes per frame
    u16(16);       // bits per sample
    out += "data";
    u32(dataBytes);
    for (int16_t s : samples)
        u16(uint16_t(s));
    return out;
}

} // namespace testwav
