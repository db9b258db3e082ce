#include "UiLocale.h"

#include "i18n/CorePolyglot.h"
#include "i18n/IniFile.h"
#include "i18n/Literals.h"
#include "i18n/ResourceStrings.h"
#include "model/SignalSet.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace uilocale {

namespace {

// The built-in texts' own language.
constexpr char kBuiltinLocale[] = "pl";

QString localeIn(const std::vector<zelmar::i18n::TbsINIFile::Key>& keys)
{
    for (const auto& k : keys) {
        if (zelmar::i18n::equalsIgnoringCase(k.name, "Locale"))
            return QString::fromStdString(zelmar::i18n::decodeLiteral(k.value)).trimmed();
    }
    return {};
}

// The code of the language in effect: its file's, or the built-in texts' when no file is open.
QString codeInEffect()
{
    const auto* core = zelmar::i18n::TbsCorePolyglot::assigned();
    if (!core || !core->hasTranslationFile())
        return QString::fromLatin1(kBuiltinLocale);
    std::vector<zelmar::i18n::TbsINIFile::Key> keys;
    core->forEachKey("Language", [&keys](const std::string& key, const std::string& value) { keys.push_back({key, value}); });
    return localeIn(keys);
}

QLocale localeFor(const QString& code)
{
    QLocale l = code.isEmpty() ? QLocale::c() : QLocale(code);
    l.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return l;
}

void installQtTranslation(const QString& code)
{
    static std::unique_ptr<QTranslator> installed;
    static QString installedCode;
    if (!QCoreApplication::instance())
        return;
    if (code == installedCode && (installed || code.isEmpty()))
        return;
    if (installed) {
        QCoreApplication::removeTranslator(installed.get());
        installed.reset();
    }
    installedCode = code;
    if (code.isEmpty())
        return;
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QStringLiteral("qt_") + code, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator.get());
        installed = std::move(translator);
    }
}

} // namespace

QString localeOfFile(const QString& path)
{
    const auto file = zelmar::i18n::TbsINIFile::open(QFile::encodeName(path).toStdString());
    const auto* keys = file ? file->section("Language") : nullptr;
    return keys ? localeIn(*keys) : QString();
}

QLocale current()
{
    return localeFor(codeInEffect());
}

QString decimal(double value, int decimals)
{
    return current().toString(value, 'f', decimals);
}

QString seconds(int64_t samples)
{
    return decimal(double(samples) / zelmar::kSampleRate, 2) + QStringLiteral(" s");
}

void followLanguageInEffect()
{
    const QString code = codeInEffect();
    installQtTranslation(code);
    zelmar::setDecimalSeparator(localeFor(code).decimalPoint().toStdString());
}

} // namespace uilocale
