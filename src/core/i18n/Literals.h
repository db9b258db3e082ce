#pragma once
// How the values of a translation file become texts, numbers and lists.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zelmar::i18n {

// A quoted literal: 'Next >', 'Line one'#13#10'line two', 'it''s'. Outside quotes "#" and digits give
// the character of that code ("#" alone gives U+00FF, a code past Unicode U+FFFD). A value shorter
// than two characters, a closing quote followed by anything but "#" or the end, and a quote left
// open all give the empty text.
std::string decodeLiteral(std::string_view value);

// A whole number: decimal, or hexadecimal after "0x" or "$", with an optional sign. Nothing when the
// value is not such a number or does not fit in an int.
std::optional<int> parseInteger(std::string_view value);
// The number properties take: 0 when the value is not a number.
inline int integerValue(std::string_view value) { return parseInteger(value).value_or(0); }
// A floating-point number, 0 when the value is not one.
double floatValue(std::string_view value);

// The items of a list value: split at commas and, outside quotes, at blanks; an item in single quotes
// keeps its commas and blanks, and two quotes inside it stand for one.
std::vector<std::string> splitItems(std::string_view value);

// The resource number a "ResourceStrings" key names: "65237" or "65237_Close" (the part before the
// first "_", trimmed). Nothing for any other key.
std::optional<int> resourceKeyNumber(std::string_view key);

// Trims the blanks (and control characters) at both ends.
std::string_view trimBlanks(std::string_view s);

} // namespace zelmar::i18n
