// The translation-file reader and the literal rules over any bytes, as the program reads a file.
#include "i18n/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    zelmar::i18n::exerciseTranslationFile(data, size);
    return 0;
}
