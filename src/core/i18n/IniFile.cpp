#include "i18n/IniFile.h"

#include "i18n/Literals.h"
#include "i18n/Text.h"

#include <fstream>
#include <system_error>

namespace zelmar::i18n {

namespace {

bool isValidUtf8(std::string_view s)
{
    size_t i = 0;
    const size_t n = s.size();
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len;
        std::uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (n - i < len)
            return false;
        for (size_t k = 1; k < len; ++k) {
            const unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        // Overlong forms, surrogates and code points past Unicode are not UTF-8.
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))
            || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

std::string lowerAscii(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = lowerAscii(c);
    return out;
}

} // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    }
    return true;
}

std::string decodeTranslationText(std::string_view bytes)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    if (isValidUtf8(bytes))
        return std::string(bytes);
    return fromCp1250(bytes);
}

std::optional<TbsINIFile> TbsINIFile::open(const std::filesystem::path& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxTranslationFileBytes)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes(size_t(size), '\0');
    in.read(bytes.data(), std::streamsize(bytes.size()));
    // A file that shrank while being read gives what was there.
    bytes.resize(size_t(in.gcount()));
    if (in.bad())
        return std::nullopt;
    return parse(bytes);
}

TbsINIFile TbsINIFile::parse(std::string_view bytes)
{
    TbsINIFile ini;
    const std::string text = decodeTranslationText(bytes);
    const std::string_view all(text);
    Section* current = nullptr;
    size_t pos = 0;
    while (pos < all.size()) {
        size_t end = all.find('\n', pos);
        if (end == std::string_view::npos)
            end = all.size();
        const std::string_view line = trimBlanks(all.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
            current = &ini.sectionFor(trimBlanks(line.substr(1, line.size() - 2)));
            continue;
        }
        // A line that is neither a section nor "key=value" says nothing.
        const size_t eq = line.find('=');
        if (!current || eq == std::string_view::npos)
            continue;
        current->keys.push_back({std::string(trimBlanks(line.substr(0, eq))), std::string(trimBlanks(line.substr(eq + 1)))});
    }
    return ini;
}

TbsINIFile::Section& TbsINIFile::sectionFor(std::string_view name)
{
    const auto [at, added] = index_.try_emplace(lowerAscii(name), sections_.size());
    if (added)
        sections_.push_back({std::string(name), {}});
    return sections_[at->second];
}

const std::vector<TbsINIFile::Key>* TbsINIFile::section(std::string_view name) const
{
    const auto at = index_.find(lowerAscii(name));
    return at == index_.end() ? nullptr : &sections_[at->second].keys;
}

std::vector<std::string> TbsINIFile::sectionNames() const
{
    std::vector<std::string> names;
    for (const Section& s : sections_)
        names.push_back(s.name);
    return names;
}

void exerciseTranslationFile(const std::uint8_t* data, std::size_t size)
{
    const TbsINIFile ini = TbsINIFile::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const std::string& name : ini.sectionNames()) {
        const auto* keys = ini.section(name);
        if (!keys)
            continue;
        for (const TbsINIFile::Key& k : *keys) {
            volatile size_t sink = decodeLiteral(k.value).size() + splitItems(k.value).size();
            sink = sink + size_t(integerValue(k.value)) + size_t(floatValue(k.value) != 0);
            if (resourceKeyNumber(k.name))
                sink = sink + 1;
            (void)sink;
        }
    }
}

} // namespace zelmar::i18n
