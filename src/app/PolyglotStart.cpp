#include "PolyglotStart.h"

#include "PolyglotManager.h"
#include "UiLocale.h"
#include "paths/DataPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace polyglot {

namespace {
StartOptions& options()
{
    static StartOptions o;
    return o;
}
} // namespace

void setStartOptions(const StartOptions& o)
{
    options() = o;
}

QString translationDirectory()
{
    if (const auto data = zelmar::findDataDirectory()) {
        const QString dir = QFile::decodeName(QByteArray::fromStdString((*data / "lang").string()));
        if (QDir(dir).exists())
            return dir + u'/';
    }
    return QCoreApplication::applicationDirPath() + u'/';
}

namespace {
// "de_AT.UTF-8@euro" as its language and territory, in lower case: {"de", "at"}.
std::pair<QString, QString> languageAndTerritory(const QString& locale)
{
    QString l = locale.trimmed().toLower();
    l = l.left(l.indexOf(u'@')).left(l.indexOf(u'.'));
    l.replace(u'-', u'_');
    return {l.section(u'_', 0, 0), l.section(u'_', 1, 1)};
}
} // namespace

QString languageForLocale(const QString& locale, const QString& directory)
{
    const auto [language, territory] = languageAndTerritory(locale);
    QString best = QStringLiteral("English");
    int bestMatch = 0;
    if (language.isEmpty())
        return best;
    QStringList files = QDir(directory).entryList({QStringLiteral("*.lng")}, QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& file : files) {
        const auto [fileLanguage, fileTerritory] = languageAndTerritory(uilocale::localeOfFile(QDir(directory).filePath(file)));
        if (fileLanguage != language)
            continue;
        // The same territory first, then the language alone, then the language of another territory.
        const int match = fileTerritory == territory ? 3 : fileTerritory.isEmpty() ? 2 : 1;
        if (match > bestMatch) {
            bestMatch = match;
            best = file.chopped(4);
        }
    }
    return best;
}

QString messagesLocale()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString v = qEnvironmentVariable(name);
        if (!v.isEmpty())
            return v;
    }
    return {};
}

void enterTranslationDirectory(TbsPolyglotManager& manager)
{
    manager.setLangsDir(translationDirectory());
    manager.setCurrentLang(QStringLiteral("Polish"));
}

void requestStartLanguage(TbsPolyglotManager& manager, const std::optional<QString>& settingsLanguage)
{
    QString language;
    if (!options().languageOverride.isEmpty())
        language = options().languageOverride;
    else if (settingsLanguage)
        language = *settingsLanguage;
    else if (options().systemLocaleWhenUnset)
        language = languageForLocale(messagesLocale(), manager.LangsDir());
    else
        language = QStringLiteral("Polish");
    manager.setCurrentLang(language);
    // Also when nothing changed on the way (no translation files): Qt's texts match the wizard's.
    uilocale::followLanguageInEffect();
}

} // namespace polyglot
