#include "Settings.h"

#include <QSettings>

Settings readSettings(const QString& defaultInstallPath)
{
    QSettings store(QStringLiteral("VORANEX"), QStringLiteral("Zelmar"));
    Settings s;
    s.language = store.value(QStringLiteral("Language"), QStringLiteral("Polish")).toString();
    s.languageSet = store.contains(QStringLiteral("Language"));
    s.installPath = store.value(QStringLiteral("InstallPath"), defaultInstallPath).toString();
    if (!s.installPath.isEmpty() && !s.installPath.endsWith(u'/'))
        s.installPath += u'/';
    // Case matters: an installer that wrote "yes" did not ask for the factory sets.
    s.firstTime = store.value(QStringLiteral("FirstTime"), QStringLiteral("No")).toString() == QLatin1String("Yes");
    return s;
}

void consumeFirstTime()
{
    QSettings store(QStringLiteral("VORANEX"), QStringLiteral("Zelmar"));
    store.remove(QStringLiteral("FirstTime"));
    store.sync();
}
