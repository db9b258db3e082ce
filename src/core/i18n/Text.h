#pragma once
// Names are UTF-8 inside the program and Windows-1250 bytes in set files and in the chime.
#include <string>
#include <string_view>

namespace zelmar {

// UTF-8 to Windows-1250. A character the code page cannot hold becomes '?', invalid UTF-8 too;
// the result is cut to at most `maxBytes` bytes.
std::string toCp1250(std::string_view utf8, size_t maxBytes = 255);

// Windows-1250 to UTF-8. The bytes the code page leaves undefined become the code point of the same
// value (0x81 -> U+0081), which toCp1250 turns back into that byte.
std::string fromCp1250(std::string_view bytes);

// True when a UTF-8 name holds a control character (C0, DEL or C1): such a name would break the
// one-line lists and messages that show it, so typed names refuse it.
bool hasControlCharacter(std::string_view utf8);

} // namespace zelmar
