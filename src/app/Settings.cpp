#include "Settings.h"

#include <QSettings>

Settings readSettings(const QString& programDirectory)
{
    QSettings store(QStringLiteral("VORANEX"), QStringLiteral("Zelmar"));
    Settings s;
    s.language = store.value(QStringLiteral("Language"), QStringLiteral("Polish")).toString();
    s.languageSet = store.contains(QStringLiteral("Language"));
    s.installPath = store.value(QStringLiteral("InstallPath"), programDirectory).toString();
    // Case matters: an installer that wrote "yes" did not ask for the factory sets.
    if (store.value(QStringLiteral("FirstTime"), QStringLiteral("No")).toString() == QLatin1String("Yes")) {
        store.remove(QStringLiteral("FirstTime"));
        store.sync();
        s.firstTime = true;
    }
    return s;
}
