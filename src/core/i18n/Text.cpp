#include "i18n/Text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <iconv.h>

namespace zelmar {

namespace {

// The code page is a fixed table; asking iconv once for each byte keeps every later conversion a
// plain lookup, without iconv's partial-sequence states.
struct Cp1250Table {
    std::array<std::string, 256> toUtf8;
    std::array<std::pair<char32_t, unsigned char>, 256> fromCodePoint{}; // sorted by code point
    size_t mapped = 0;

    Cp1250Table()
    {
        iconv_t cd = iconv_open("UTF-8", "WINDOWS-1250");
        for (int b = 0; b < 256; ++b) {
            std::string out;
            if (cd != iconv_t(-1)) {
                char in = char(b);
                char buf[8];
                char* ip = &in;
                size_t il = 1;
                char* op = buf;
                size_t ol = sizeof buf;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
                if (iconv(cd, &ip, &il, &op, &ol) != size_t(-1))
                    out.assign(buf, size_t(op - buf));
            } else if (b < 128) {
                out.assign(1, char(b));
            }
            // The five bytes the code page leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98) stand
            // for the code point of the same value, so that every byte survives a round trip.
            if (out.empty() && b >= 0x80)
                out = encodeLatin1(char32_t(b));
            if (b == 0)
                out.assign(1, '\0');
            toUtf8[size_t(b)] = out;
            fromCodePoint[mapped++] = {decodeOne(out), static_cast<unsigned char>(b)};
        }
        if (cd != iconv_t(-1))
            iconv_close(cd);
        std::sort(fromCodePoint.begin(), fromCodePoint.begin() + long(mapped));
    }

    static std::string encodeLatin1(char32_t cp)
    {
        return {char(0xC0 | (cp >> 6)), char(0x80 | (cp & 0x3F))};
    }

    static char32_t decodeOne(const std::string& s)
    {
        if (s.empty())
            return 0xFFFD;
        unsigned char c = static_cast<unsigned char>(s[0]);
        if (c < 0x80)
            return c;
        int n = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
        char32_t cp = c & (0x3F >> n);
        for (int i = 1; i <= n && size_t(i) < s.size(); ++i)
            cp = (cp << 6) | (static_cast<unsigned char>(s[size_t(i)]) & 0x3F);
        return cp;
    }

    int byteFor(char32_t cp) const
    {
        auto end = fromCodePoint.begin() + long(mapped);
        auto it = std::lower_bound(fromCodePoint.begin(), end, std::pair<char32_t, unsigned char>{cp, 0});
        if (it != end && it->first == cp)
            return it->second;
        return -1;
    }
};

const Cp1250Table& table()
{
    static const Cp1250Table t;
    return t;
}

// Next code point of UTF-8 text, or 0xFFFD for a broken sequence (advancing past it).
char32_t nextCodePoint(std::string_view s, size_t& i)
{
    unsigned char c = static_cast<unsigned char>(s[i++]);
    if (c < 0x80)
        return c;
    int n;
    char32_t cp;
    if ((c & 0xE0) == 0xC0) { n = 1; cp = c & 0x1F; }
    else if ((c & 0xF0) == 0xE0) { n = 2; cp = c & 0x0F; }
    else if ((c & 0xF8) == 0xF0) { n = 3; cp = c & 0x07; }
    else return 0xFFFD;
    for (int k = 0; k < n; ++k) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80)
            return 0xFFFD;
        cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    return cp;
}

} // namespace

std::string toCp1250(std::string_view utf8, size_t maxBytes)
{
    const Cp1250Table& t = table();
    std::string out;
    out.reserve(std::min(utf8.size(), maxBytes));
    for (size_t i = 0; i < utf8.size() && out.size() < maxBytes;) {
        int b = t.byteFor(nextCodePoint(utf8, i));
        out.push_back(b < 0 ? '?' : char(b));
    }
    return out;
}

std::string fromCp1250(std::string_view bytes)
{
    const Cp1250Table& t = table();
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes)
        out += t.toUtf8[static_cast<unsigned char>(c)];
    return out;
}

bool hasControlCharacter(std::string_view utf8)
{
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = nextCodePoint(utf8, i);
        if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F))
            return true;
    }
    return false;
}

} // namespace zelmar
