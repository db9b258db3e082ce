#include "RecentSets.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace recentsets {

namespace {

const QString kSetsKey = QStringLiteral("Sets");
const QString kSaveFolderKey = QStringLiteral("LastSaveFolder");

// Kept a little longer than shown, so that a set on a disk plugged in later comes back.
constexpr int kKept = 2 * kShown;

QString canonical(const QString& path)
{
    const QFileInfo info(path);
    const QString c = info.canonicalFilePath();
    return c.isEmpty() ? info.absoluteFilePath() : c;
}

} // namespace

QString storeFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/recent-sets.ini");
}

QStringList existing()
{
    QSettings store(storeFile(), QSettings::IniFormat);
    QStringList out;
    for (const QString& path : store.value(kSetsKey).toStringList()) {
        if (out.size() == kShown)
            break;
        if (QFileInfo(path).isFile() && !out.contains(path))
            out << path;
    }
    return out;
}

void remember(const QString& path)
{
    if (path.isEmpty())
        return;
    const QString set = canonical(path);
    QSettings store(storeFile(), QSettings::IniFormat);
    QStringList sets = store.value(kSetsKey).toStringList();
    sets.removeAll(set);
    sets.prepend(set);
    while (sets.size() > kKept)
        sets.removeLast();
    store.setValue(kSetsKey, sets);
}

void rememberSaved(const QString& path)
{
    remember(path);
    if (path.isEmpty())
        return;
    QSettings store(storeFile(), QSettings::IniFormat);
    store.setValue(kSaveFolderKey, QFileInfo(canonical(path)).absolutePath());
}

QString saveFolder()
{
    const QString last = QSettings(storeFile(), QSettings::IniFormat).value(kSaveFolderKey).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        return documents;
    return QDir::homePath();
}

} // namespace recentsets
