#pragma once
// The language of a run: the folder of the translation files, the settings' "Language", the
// system locale when the settings name none, and "--language" over both.
#include <QString>

#include <optional>

class TbsPolyglotManager;

namespace polyglot {

// How the program was asked to choose its language (set once by main before the window exists).
struct StartOptions {
    QString languageOverride;            // "--language NAME"; empty when not given
    bool systemLocaleWhenUnset = false;  // no "Language" setting: follow the locale, not "Polish"
};
void setStartOptions(const StartOptions& options);

// The folder holding the translation files: "lang" in the data folder beside the executable; the
// executable's own folder when there is none.
QString translationDirectory();

// The language a locale name ("de_DE.UTF-8") stands for: the translation in `directory` whose file
// names that locale, or its language alone; English when none does. Equally good files are taken in
// the order of their names.
QString languageForLocale(const QString& locale, const QString& directory);
// The locale that decides the language of messages: LC_ALL, else LC_MESSAGES, else LANG.
QString messagesLocale();

// Start-up, before the settings are read: the translation folder becomes the language directory and
// "Polish" is requested.
void enterTranslationDirectory(TbsPolyglotManager& manager);
// After the settings are read: requests the language of this run (the override, the settings' value,
// the locale's or "Polish", in that order) and makes Qt's own texts follow.
void requestStartLanguage(TbsPolyglotManager& manager, const std::optional<QString>& settingsLanguage);

} // namespace polyglot
