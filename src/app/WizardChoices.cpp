#include "WizardChoices.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

namespace wizardchoices {

namespace {

const QString kPreviewAsChime = QStringLiteral("Choices/PreviewAsChime");
const QString kBackupBeforeSending = QStringLiteral("Choices/BackupBeforeSending");

// Only the words this module writes count; anything else is the default.
bool flag(const QSettings& store, const QString& key)
{
    return store.value(key).toString() == QLatin1String("true");
}

QByteArray line(const QString& key, bool on)
{
    return key.section(u'/', 1).toLatin1() + (on ? "=true\n" : "=false\n");
}

} // namespace

QString storeFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/choices.ini");
}

Choices read()
{
    const QSettings store(storeFile(), QSettings::IniFormat);
    if (store.status() != QSettings::NoError)
        return {};
    return {flag(store, kPreviewAsChime), flag(store, kBackupBeforeSending)};
}

void write(const Choices& choices)
{
    // Written by hand rather than through QSettings, which leaves a file it could not parse as it
    // is and so would never remember anything again.
    const QString path = storeFile();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write("[Choices]\n" + line(kPreviewAsChime, choices.previewAsChime)
               + line(kBackupBeforeSending, choices.backupBeforeSending));
    file.commit();
}

} // namespace wizardchoices
