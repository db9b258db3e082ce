#pragma once
// TbsINIFile: a translation file read whole into memory and only ever read from.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zelmar::i18n {

// Larger files are not translations; they are refused rather than read into memory. A translation
// of every text of the program takes about 9 KB; a hundred times that leaves room for any language,
// and even a file of the worst shape (nothing but short sections) is read in well under a tenth of a second.
constexpr std::uintmax_t kMaxTranslationFileBytes = 1u << 20;

// The text of a translation file as UTF-8: the bytes themselves when they are valid UTF-8 (a leading
// byte-order mark dropped), else read as Windows-1250, the code page such files were first written in.
std::string decodeTranslationText(std::string_view bytes);

class TbsINIFile {
public:
    struct Key {
        std::string name;
        std::string value;
    };

    // Reads and parses the file; nothing when it cannot be read or is too large.
    static std::optional<TbsINIFile> open(const std::filesystem::path& path);
    // Parses file bytes (any bytes at all).
    static TbsINIFile parse(std::string_view bytes);

    // The keys of the section named `name` (letter case ignored), in file order; a section that
    // appears more than once gives the keys of all its appearances. Null when there is none.
    const std::vector<Key>* section(std::string_view name) const;
    // Every section's name as first written, in file order.
    std::vector<std::string> sectionNames() const;

private:
    struct Section {
        std::string name;
        std::vector<Key> keys;
    };
    Section& sectionFor(std::string_view name);

    std::vector<Section> sections_;
    // Each section's position by its name in lower case: a file of many sections is read in one
    // pass, not by comparing each new name with every earlier one.
    std::unordered_map<std::string, size_t> index_;
};

// Compares ASCII letters without regard to case; other bytes exactly.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

// Parses `bytes` as a translation file and runs every rule on each of its values, as the program
// would: a target for fuzzing the reader and the literal rules together.
void exerciseTranslationFile(const std::uint8_t* data, std::size_t size);

} // namespace zelmar::i18n
