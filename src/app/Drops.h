#pragma once
// What a drag brings to the window: one set file to open, or sound files to import; anything else
// (folders, other files, several sets, sets mixed with sounds, files not on this computer) is
// refused while it is dragged, so the pointer shows that it cannot be dropped.
#include <QStringList>

class QMimeData;

namespace drops {

enum class Kind { Refused, SetFile, SoundFiles };

struct Dropped {
    Kind kind = Kind::Refused;
    QStringList files;   // local paths, in the order dragged
};

Dropped classify(const QMimeData* data);

// Whether `path` ends in one of the endings of the sound import's open dialog (letter case ignored).
bool isSoundFile(const QString& path);

} // namespace drops
