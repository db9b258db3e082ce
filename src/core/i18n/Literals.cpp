#include "i18n/Literals.h"

#include <charconv>
#include <cstdint>

namespace zelmar::i18n {

namespace {

void appendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = 0xFFFD;
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Characters, not bytes: a single "ą" is as short as a single "X".
size_t characterCount(std::string_view s, size_t atLeast)
{
    size_t n = 0;
    for (char c : s) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 && ++n >= atLeast)
            break;
    }
    return n;
}

} // namespace

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ')
        s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ')
        s.remove_suffix(1);
    return s;
}

std::string decodeLiteral(std::string_view value)
{
    if (characterCount(value, 2) < 2)
        return {};
    std::string out;
    out.reserve(value.size());
    size_t i = 0;
    const size_t n = value.size();
    bool quoted = value[0] == '\'';
    if (quoted)
        i = 1;
    while (i < n) {
        const char c = value[i];
        if (quoted) {
            if (c != '\'') {
                out += c;
                ++i;
            } else if (i + 1 < n && value[i + 1] == '\'') {
                out += '\'';
                i += 2;
            } else {
                quoted = false;
                ++i;
                if (i < n && value[i] != '#')
                    return {};
            }
        } else if (c == '#') {
            ++i;
            if (i == n || !isDigit(value[i])) {
                appendUtf8(out, 0xFF);
                continue;
            }
            std::uint32_t code = 0;
            while (i < n && isDigit(value[i])) {
                // Past Unicode it can only become U+FFFD; stop growing so that no digit string overflows.
                if (code <= 0x10FFFF)
                    code = code * 10 + std::uint32_t(value[i] - '0');
                ++i;
            }
            appendUtf8(out, code);
        } else if (c == '\'') {
            if (i + 1 < n && value[i + 1] == '\'') {
                i += 2;
            } else {
                quoted = true;
                ++i;
            }
        } else {
            out += c;
            ++i;
        }
    }
    return quoted ? std::string() : out;
}

std::optional<int> parseInteger(std::string_view value)
{
    value = trimBlanks(value);
    bool negative = false;
    if (!value.empty() && (value.front() == '-' || value.front() == '+')) {
        negative = value.front() == '-';
        value.remove_prefix(1);
    }
    int base = 10;
    if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
        base = 16;
        value.remove_prefix(2);
    } else if (value.size() > 1 && value[0] == '$') {
        base = 16;
        value.remove_prefix(1);
    }
    if (value.empty())
        return std::nullopt;
    long long magnitude = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), magnitude, base);
    if (ec != std::errc() || end != value.data() + value.size() || magnitude < 0)
        return std::nullopt;
    const long long v = negative ? -magnitude : magnitude;
    if (v < INT32_MIN || v > INT32_MAX)
        return std::nullopt;
    return int(v);
}

double floatValue(std::string_view value)
{
    value = trimBlanks(value);
    if (!value.empty() && value.front() == '+')
        value.remove_prefix(1);
    double v = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), v);
    if (ec != std::errc() || end != value.data() + value.size() || value.empty())
        return 0;
    return v;
}

std::vector<std::string> splitItems(std::string_view value)
{
    std::vector<std::string> items;
    const size_t n = value.size();
    size_t i = 0;
    auto blank = [&](size_t k) { return k < n && static_cast<unsigned char>(value[k]) <= ' '; };
    while (blank(i))
        ++i;
    while (i < n) {
        std::string item;
        if (value[i] == '\'') {
            ++i;
            while (i < n) {
                if (value[i] == '\'') {
                    if (i + 1 < n && value[i + 1] == '\'') {
                        item += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += value[i++];
            }
        } else {
            const size_t start = i;
            while (i < n && static_cast<unsigned char>(value[i]) > ' ' && value[i] != ',')
                ++i;
            item.assign(value.substr(start, i - start));
        }
        items.push_back(std::move(item));
        while (blank(i))
            ++i;
        if (i < n && value[i] == ',') {
            // A comma at the very end still separates an empty last item.
            if (i + 1 == n)
                items.emplace_back();
            ++i;
            while (blank(i))
                ++i;
        }
    }
    return items;
}

std::optional<int> resourceKeyNumber(std::string_view key)
{
    const std::string_view number = trimBlanks(key.substr(0, key.find('_')));
    if (number.empty())
        return std::nullopt;
    for (char c : number) {
        if (!isDigit(c))
            return std::nullopt;
    }
    int v = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), v);
    if (ec != std::errc() || end != number.data() + number.size())
        return std::nullopt;
    return v;
}

} // namespace zelmar::i18n
