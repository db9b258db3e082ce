#include "FactorySets.h"

#include "Dialogs.h"
#include "i18n/CorePolyglot.h"
#include "i18n/ResourceStrings.h"
#include "model/FactoryNames.h"
#include "model/FactorySets.h"
#include "paths/DataPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include <exception>
#include <filesystem>
#include <optional>

#include <fcntl.h>
#include <unistd.h>

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

// What the language in effect makes of the factory sets: their names and the folder they go in,
// both from its translation file (the folder is where the set dialogs start, 65235). A language
// whose file names neither has no factory sets.
struct LanguageSets {
    zelmar::FactoryNames names;
    QString folder;
};

std::optional<LanguageSets> setsOfLanguageInEffect()
{
    const auto* core = zelmar::i18n::TbsCorePolyglot::assigned();
    if (!core)
        return std::nullopt;
    const std::optional<std::string> folder = core->resourceString(65235);
    if (!folder || folder->empty() || folder->find('/') != std::string::npos || *folder == "." || *folder == "..")
        return std::nullopt;
    auto names = namesInEffect();
    if (!names)
        return std::nullopt;
    return LanguageSets{std::move(*names), QString::fromStdString(*folder)};
}

QString folderOf(const QString& installDirectory, const LanguageSets& sets)
{
    QString dir = installDirectory;
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir + sets.folder;
}

} // namespace

std::optional<zelmar::FactoryNames> namesInEffect()
{
    const auto* core = zelmar::i18n::TbsCorePolyglot::assigned();
    if (!core)
        return std::nullopt;
    std::vector<zelmar::i18n::TbsINIFile::Key> keys;
    core->forEachKey("FactorySets", [&keys](const std::string& key, const std::string& value) {
        keys.push_back({key, value});
    });
    return zelmar::FactoryNames::of(keys);
}

QString defaultInstallDirectory()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

bool due(const QString& installDirectory)
{
    const auto f = setsOfLanguageInEffect();
    if (!f)
        return false;
    return zelmar::recordedFactoryStamp(localPath(folderOf(installDirectory, *f)))
           != zelmar::factoryStamp(shippedDirectory());
}

namespace {

// The nearest folder on the way to `folder` that stands already, when the user may not write in
// it: the reason the way cannot be made. Empty otherwise.
QString unwritableAncestor(const QString& folder)
{
    QFileInfo at(folder);
    while (!at.exists() && !at.isRoot() && at.absolutePath() != at.absoluteFilePath())
        at = QFileInfo(at.absolutePath());
    if (!at.isDir())
        return {};
    const QByteArray local = QFile::encodeName(at.absoluteFilePath());
    return ::faccessat(AT_FDCWD, local.constData(), W_OK | X_OK, AT_EACCESS) == 0 ? QString() : at.absoluteFilePath();
}

QString folderFailure(const QString& folder)
{
    const QString blocked = unwritableAncestor(folder);
    if (!blocked.isEmpty())
        return QString::fromStdString(zelmar::rsf(65299, {blocked.toStdString()}));
    return QString::fromStdString(zelmar::rsf(65226, {fromLocalPath(localPath(folder).string()).toStdString()}));
}

// The writing itself, under the lock; what is to be said is gathered in `notices`.
bool writeLocked(const QString& folder, const zelmar::FactoryNames& names, QStringList& notices)
{
    if (!QDir().mkpath(folder)) {
        notices << folderFailure(folder);
        return false;
    }
    // Two programs started at once must not write the same copies in turn. The other one writes
    // them now: this one goes on without them and tries again at its next start.
    QLockFile lock(folder + QStringLiteral("/.factory-lock"));
    if (!lock.tryLock(5000)) {
        if (lock.error() != QLockFile::LockFailedError)
            notices << folderFailure(folder);
        return false;
    }
    const fs::path shipped = shippedDirectory();
    const zelmar::FactoryWriteResult r = zelmar::writeFactorySets(shipped, localPath(folder), names);
    for (const std::string& path : r.unreadable)
        notices << QString::fromStdString(zelmar::rsf(65225, {fromLocalPath(path).toStdString()}));
    for (const std::string& path : r.crowded)
        notices << QString::fromStdString(zelmar::rsf(65300, {fromLocalPath(path).toStdString()}));
    for (const std::string& path : r.unsaved)
        notices << QString::fromStdString(zelmar::rsf(65226, {fromLocalPath(path).toStdString()}));
    return r.unsaved.empty();
}

} // namespace

bool write(QWidget* parent, Dialogs& dialogs, const QString& installDirectory)
{
    const auto f = setsOfLanguageInEffect();
    if (!f)
        return true;
    QStringList notices;
    const bool done = writeLocked(folderOf(installDirectory, *f), f->names, notices);
    // Said once the lock is let go, so that a second program started meanwhile does not wait
    // for this user to close a message.
    for (const QString& n : notices)
        dialogs.notify(parent, n);
    return done;
}

} // namespace factorysets
