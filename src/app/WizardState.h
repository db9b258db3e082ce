#pragma once
// The state of the wizard's work, apart from any widget: the set, the edit under way with its kept
// copies, the last sound folder and the memory figures. It is the one way the pages change the work:
// every operation applies the core's rule (a refusal is the core's LimitError and changes nothing),
// works the memory figures out again and says what changed. Pages read its const views, follow its
// signals, and know neither the window nor each other.
#include "SetModel.h"
#include "model/EditSession.h"

#include <QObject>
#include <QString>

namespace zelmar {
struct DecodedSound;
struct ImportResult;
class ImportObserver;
}

class WizardState : public QObject {
    Q_OBJECT
public:
    explicit WizardState(QObject* parent = nullptr);

    const zelmar::SignalSet& set() const { return session_.set; }
    int signalUnderEdit() const { return session_.signalUnderEdit; }
    bool backdoorEdit() const { return session_.backdoorEdit; }
    // The elements under edit; null when there is none.
    const zelmar::Signal* editedSignal() const { return session_.editedSignal(); }
    const std::optional<zelmar::Signal>& keptCopy() const { return session_.keptCopy; }
    const std::vector<zelmar::LibrarySound>& libraryCopy() const { return session_.libraryCopy; }
    // The folder of the last sound file chosen (with a trailing '/'); empty before the first.
    const QString& lastSoundFolder() const { return lastSoundFolder_; }
    // Whether the previews play as the chime will, from its own copy of the set; one choice for
    // every page and dialog that starts a preview.
    bool previewAsChime() const { return previewAsChime_; }

    // The memory figures of the set as it is now.
    int32_t freeBytes() const { return freeBytes_; }
    zelmar::MemoryDisplay memoryDisplay() const { return zelmar::memoryDisplay(freeBytes_); }

    // A whole new set: emptied (also the edit under way), or `set` in its place. Either counts as
    // the work as it was last kept (opened, downloaded or begun).
    void clearSet();
    void replaceSet(zelmar::SignalSet set);
    // Whether the set differs from the work as it was last kept; a send does not keep it.
    bool hasUnsavedChanges() const;
    // The set as it is now was written to a file.
    void markSaved();

    // The signal list outside an edit. Rows out of range change nothing.
    void deleteSignal(int row);
    void moveSignal(int from, int to);
    // A signal played from the list becomes the signal under edit, though no edit begins.
    void notePlayedSignal(int row);

    // Signal edits. beginNewSignal throws LimitError at the limit; beginEdit is false for no such row.
    void beginNewSignal();
    bool beginEdit(int row);
    void beginBackdoorEdit();
    void acceptSignalEdit(const QString& name);
    void cancelSignalEdit();

    // The elements of the signal under edit. insertElement puts a new element for sound
    // `soundNumber` (0: a pause) before `position` (the end when it is past the last element or
    // negative); LimitError at the limit, false when there is no such sound or no signal under edit.
    bool insertElement(int position, int soundNumber);
    void removeElement(int row);
    void moveElement(int from, int to);
    // Puts `element` (a volume, a pause length or a fragment changed) in the place of element `row`.
    void changeElement(int row, const zelmar::TDzwiek& element);

    // Library visits: every change applies at once; cancel brings back the library as it was on
    // entry, accept makes the signals' elements follow their sounds.
    void beginLibraryEdit();
    void acceptLibraryEdit();
    void cancelLibraryEdit();
    void deleteSound(int row);
    void moveSound(int from, int to);
    // LimitError for a name with a control character.
    void renameSound(int row, const QString& name);
    void setSoundGain(int row, int tenthsOfDecibel);
    // Asks the normalisation question through `observer` and appends a decoded sound.
    zelmar::ImportResult addImportedSound(zelmar::DecodedSound&& sound, zelmar::ImportObserver& observer);
    void rememberSoundFolder(const QString& folder);
    void setPreviewAsChime(bool on);

Q_SIGNALS:
    // A whole new set (emptied, opened, downloaded).
    void setReplaced();
    // The signal list changed its rows (a signal begun, deleted, cancelled, moved or renamed).
    void signalsChanged();
    // The library's rows changed during a visit (added, deleted, moved, renamed, gain, cancel).
    void soundsChanged();
    // A visit to the library was accepted: the sounds and the numbers elements use may differ.
    void libraryChanged();
    // The elements under edit changed (an element inserted, removed, moved or changed, a cancel,
    // a renumbering).
    void editedElementsChanged();
    void memoryFiguresChanged();
    void previewAsChimeChanged(bool on);

private:
    // Works the memory figures out again and tells whoever shows them.
    void updateMemoryFigures();
    zelmar::Signal* edited() { return session_.editedSignal(); }
    bool soundInRange(int row) const { return row >= 0 && row < int(session_.set.library.size()); }

    zelmar::EditSession session_;
    zelmar::SignalSet saved_;
    QString lastSoundFolder_;
    bool previewAsChime_ = false;
    int32_t freeBytes_ = 0;
};
