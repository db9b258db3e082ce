#include "SilentPlayer.h"

#include "ResourceText.h"

#include <QFile>

bool SilentPlayer::play(const QString& path, QString& error)
{
    if (noDevice_) {
        error = rsq(65270);
        return false;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        error = rsfq(65271, {path.toStdString()});
        return false;
    }
    played_.append({path, f.readAll()});
    return true;
}
