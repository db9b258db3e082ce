#include "FactorySets.h"

#include "Dialogs.h"
#include "i18n/ResourceStrings.h"
#include "model/FactoryNames.h"
#include "model/FactorySets.h"
#include "paths/DataPaths.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QStandardPaths>

#include <exception>
#include <filesystem>

namespace factorysets {

namespace {

namespace fs = std::filesystem;

fs::path localPath(const QString& path)
{
    return fs::path(QFile::encodeName(path).toStdString());
}

QString fromLocalPath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// The shipped sets; a folder that does not exist when the data folder is missing, so that every
// set is then reported as missing.
fs::path shippedDirectory()
{
    const auto data = zelmar::findDataDirectory();
    return (data ? *data : zelmar::expectedDataDirectory(zelmar::executableDirectory())) / "factory";
}

QString folderOf(const QString& installDirectory, const zelmar::FactoryFolder& f)
{
    QString dir = installDirectory;
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir + QString::fromStdString(f.subdirectory);
}

void notify(QWidget* parent, Dialogs& dialogs, int id, const std::string& path)
{
    dialogs.notify(parent, QString::fromStdString(zelmar::rsf(id, {fromLocalPath(path).toStdString()})));
}

} // namespace

QString defaultInstallDirectory()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

bool due(const QString& installDirectory, const QString& language)
{
    const auto f = zelmar::factoryFolderFor(language.toStdString());
    if (!f)
        return false;
    return zelmar::recordedFactoryStamp(localPath(folderOf(installDirectory, *f)))
           != zelmar::factoryStamp(shippedDirectory());
}

bool write(QWidget* parent, Dialogs& dialogs, const QString& installDirectory, const QString& language)
{
    const auto f = zelmar::factoryFolderFor(language.toStdString());
    if (!f)
        return true;
    const QString folder = folderOf(installDirectory, *f);
    if (!QDir().mkpath(folder)) {
        notify(parent, dialogs, 65226, localPath(folder).string());
        return false;
    }
    // Two programs started at once must not write the same copies in turn.
    QLockFile lock(folder + QStringLiteral("/.factory-lock"));
    if (!lock.lock()) {
        notify(parent, dialogs, 65226, localPath(folder).string());
        return false;
    }

    const fs::path shipped = shippedDirectory();
    const std::string stamp = zelmar::factoryStamp(shipped);
    const zelmar::FactoryWriteResult r = zelmar::writeFactorySets(shipped, localPath(folder), f->language);
    for (const std::string& path : r.unreadable)
        notify(parent, dialogs, 65225, path);
    for (const std::string& path : r.unsaved)
        notify(parent, dialogs, 65226, path);
    if (!r.unsaved.empty())
        return false;
    try {
        zelmar::recordFactoryStamp(localPath(folder), stamp);
    } catch (const std::exception&) {
        // Without the stamp the sets are written again next time; they are complete already.
    }
    return true;
}

} // namespace factorysets
