#pragma once
// The state of the wizard's work, apart from any widget: the set, the edit under way with its kept
// copies, the last sound folder and the memory figures. Pages change the work through it and
// follow its signals; none of them knows the window or another page.
#include "SetModel.h"
#include "model/EditSession.h"

#include <QObject>
#include <QString>

class WizardState : public QObject {
    Q_OBJECT
public:
    explicit WizardState(QObject* parent = nullptr);

    zelmar::SignalSet& set() { return session_.set; }
    const zelmar::SignalSet& set() const { return session_.set; }
    zelmar::EditSession& session() { return session_; }

    int signalUnderEdit() const { return session_.signalUnderEdit; }
    bool backdoorEdit() const { return session_.backdoorEdit; }
    zelmar::Signal* editedSignal() { return session_.editedSignal(); }
    std::optional<zelmar::Signal>& keptCopy() { return session_.keptCopy; }
    std::vector<zelmar::LibrarySound>& libraryCopy() { return session_.libraryCopy; }
    QString& lastSoundDirectory() { return lastSoundDirectory_; }

    // The memory figures of the set as last worked out by updateMemoryFigures().
    int32_t freeBytes() const { return freeBytes_; }
    zelmar::MemoryDisplay memoryDisplay() const { return zelmar::memoryDisplay(freeBytes_); }
    // Works the figures out again and tells whoever shows them.
    void updateMemoryFigures();

    // A whole new set: emptied (also the edit under way), or `set` in its place.
    void clearSet();
    void replaceSet(zelmar::SignalSet set);
    // Tells the pages that the set was replaced in place (by a download that filled set()).
    void announceSetReplaced() { Q_EMIT setReplaced(); }

    // The signal list outside an edit.
    void deleteSignal(int row);
    void moveSignal(int from, int to);

    // Signal edits (each begin throws LimitError or returns false as its rule says).
    void beginNewSignal();
    bool beginEdit(int row);
    void beginBackdoorEdit();
    void acceptSignalEdit(const QString& name);
    void cancelSignalEdit();

    // Library visits.
    void beginLibraryEdit();
    void acceptLibraryEdit();
    void cancelLibraryEdit();

Q_SIGNALS:
    void setReplaced();
    // The signal list changed its rows (a signal begun, deleted, cancelled or moved).
    void signalsChanged();
    // A visit to the library was accepted: the sounds and the numbers elements use may differ.
    void libraryChanged();
    // The elements under edit changed behind the editor (a cancel, a renumbering).
    void editedElementsChanged();
    void memoryFiguresChanged();

private:
    zelmar::EditSession session_;
    QString lastSoundDirectory_;
    int32_t freeBytes_ = 0;
};
