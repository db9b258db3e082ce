#pragma once
// The locale of the language in effect, as its translation file names it ([Language] Locale='de'):
// how the windows write and read numbers, and the language of Qt's own texts. Files and the
// command line keep the point whatever the language.
#include <QLocale>
#include <QString>

#include <cstdint>

namespace uilocale {

// The locale code the translation file `path` names ("de", "pt_BR"); empty when it names none or
// cannot be read.
QString localeOfFile(const QString& path);

// The locale of the language in effect; the built-in texts are Polish. It reads no group separator,
// so that a point typed in German or Polish is refused rather than taken for a thousands mark.
QLocale current();

// `value` with `decimals` decimals, as the language in effect writes it.
QString decimal(double value, int decimals);
// Seconds of `samples` at the chime's rate, with two decimals and " s".
QString seconds(int64_t samples);

// Makes Qt's own texts (buttons of the questions, file dialogs) and the numbers in the program's
// texts follow the language in effect.
void followLanguageInEffect();

} // namespace uilocale
