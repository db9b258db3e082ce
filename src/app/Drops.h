#pragma once
// What a drag brings to the window: one set file to open, or sound files to import; anything else
// (folders, other files, several sets, sets mixed with sounds, files not on this computer) is
// refused while it is dragged, so the pointer shows that it cannot be dropped.
#include <QStringList>

#include <functional>

class QDropEvent;
class QMimeData;
class QObject;

namespace drops {

enum class Kind { Refused, SetFile, SoundFiles };

struct Dropped {
    Kind kind = Kind::Refused;
    QStringList files;   // local paths, in the order dragged
};

Dropped classify(const QMimeData* data);

// Whether `path` ends in one of the endings of the sound import's open dialog (letter case ignored).
bool isSoundFile(const QString& path);

// Answers a drag as it enters or moves: accepted when `takes`, refused otherwise, so that the
// pointer shows which.
void answer(QDropEvent* event, bool takes);

// Answers a drop the same way; a drop that is taken hands its files to `then` once the drop is
// over, so that the program they came from is not kept waiting by questions or progress.
void take(QDropEvent* event, bool takes, QObject* context, std::function<void(const QStringList&)> then);

} // namespace drops
