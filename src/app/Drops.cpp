#include "Drops.h"

#include "i18n/ResourceStrings.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace drops {

namespace {

// The endings the import's open dialog offers: "Description|*.wav;*.mp3;...", from its built-in
// text, so that a translation cannot change what may be dropped.
QStringList soundEndings()
{
    static const QStringList endings = [] {
        const QString filter = QString::fromStdString(zelmar::builtinResource(65272));
        QStringList out;
        for (QString pattern : filter.section(u'|', 1).split(u';', Qt::SkipEmptyParts)) {
            pattern = pattern.trimmed();
            if (pattern.startsWith(QLatin1String("*.")))
                out << pattern.mid(1).toLower();
        }
        return out;
    }();
    return endings;
}

} // namespace

bool isSoundFile(const QString& path)
{
    const QString lower = path.toLower();
    for (const QString& ending : soundEndings())
        if (lower.endsWith(ending))
            return true;
    return false;
}

Dropped classify(const QMimeData* data)
{
    Dropped out;
    if (!data || !data->hasUrls())
        return out;
    QStringList sets, sounds;
    for (const QUrl& url : data->urls()) {
        const QString path = url.isLocalFile() ? url.toLocalFile() : QString();
        if (path.isEmpty() || !QFileInfo(path).isFile())
            return out;
        if (path.endsWith(QLatin1String(".zmr"), Qt::CaseInsensitive))
            sets << path;
        else if (isSoundFile(path))
            sounds << path;
        else
            return out;
    }
    if (sets.size() == 1 && sounds.isEmpty())
        out = {Kind::SetFile, sets};
    else if (sets.isEmpty() && !sounds.isEmpty())
        out = {Kind::SoundFiles, sounds};
    return out;
}

void answer(QDropEvent* event, bool takes)
{
    if (takes)
        event->acceptProposedAction();
    else
        event->ignore();
}

void take(QDropEvent* event, bool takes, QObject* context, std::function<void(const QStringList&)> then)
{
    answer(event, takes);
    if (!takes)
        return;
    QTimer::singleShot(0, context, [files = classify(event->mimeData()).files, then = std::move(then)] { then(files); });
}

} // namespace drops
