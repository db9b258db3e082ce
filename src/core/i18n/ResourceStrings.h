#pragma once
// Numbered user-visible texts. Every use looks its text up by number at that moment, so that a
// language chosen later takes effect everywhere.
#include <functional>
#include <string>
#include <variant>
#include <vector>

namespace zelmar {

// The built-in (Polish) text of resource `id`, UTF-8; empty when there is no such resource.
const std::string& builtinResource(int id);

// The text in effect for `id`: the translation's when one is installed and has it, else the built-in.
std::string rs(int id);

// Installs the translation lookup (returns false when it has no text for the id); empty to remove.
void setResourceTranslator(std::function<bool(int id, std::string& text)> translator);

// Fills a resource's printf-style placeholders (%d, %s, %4.2f, %%) with the given values, one by one.
// A placeholder whose kind does not match its value, or one without a value, is written as it stands,
// so a damaged translation can never misread memory.
using FormatArg = std::variant<long long, double, std::string>;
std::string formatText(const std::string& format, const std::vector<FormatArg>& args);
inline std::string rsf(int id, const std::vector<FormatArg>& args) { return formatText(rs(id), args); }

// The decimal separator that numbers in texts take: the point until a front end installs the one of
// its language. It reaches the %f placeholders of formatText and decimalText.
void setDecimalSeparator(const std::string& separator);
// `value` with `decimals` decimals (at most 9) and the decimal separator in effect.
std::string decimalText(double value, int decimals);

// Every built-in resource number, ascending.
std::vector<int> builtinResourceIds();

} // namespace zelmar
