#include "PolyglotStart.h"

#include "PolyglotManager.h"
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

QString languageForLocale(const QString& locale)
{
    const QString l = locale.trimmed().toLower();
    if (l.startsWith(QLatin1String("de_")) || l == QLatin1String("de") || l.startsWith(QLatin1String("de.")))
        return QStringLiteral("German");
    if (l.startsWith(QLatin1String("pl_")) || l == QLatin1String("pl") || l.startsWith(QLatin1String("pl.")))
        return QStringLiteral("Polish");
    return QStringLiteral("English");
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
        language = languageForLocale(messagesLocale());
    else
        language = QStringLiteral("Polish");
    manager.setCurrentLang(language);
    // Also when nothing changed on the way (no translation files): Qt's texts match the wizard's.
    followQtTranslations(manager.CurrentLang());
}

} // namespace polyglot
