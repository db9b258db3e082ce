#include "WizardState.h"

#include "audio/Import.h"
#include "model/SignalEditing.h"

WizardState::WizardState(QObject* parent) : QObject(parent)
{
    freeBytes_ = session_.set.freeBytes();
}

void WizardState::updateMemoryFigures()
{
    freeBytes_ = session_.set.freeBytes();
    Q_EMIT memoryFiguresChanged();
}

void WizardState::clearSet()
{
    session_.clear();
    saved_ = session_.set;
    Q_EMIT setReplaced();
    updateMemoryFigures();
}

void WizardState::replaceSet(zelmar::SignalSet set)
{
    session_.clear();
    session_.set = std::move(set);
    saved_ = session_.set;
    Q_EMIT setReplaced();
    updateMemoryFigures();
}

bool WizardState::hasUnsavedChanges() const
{
    return !zelmar::sameWork(session_.set, saved_);
}

void WizardState::markSaved()
{
    saved_ = session_.set;
}

void WizardState::deleteSignal(int row)
{
    auto& signals = session_.set.signals;
    if (row < 0 || row >= int(signals.size()))
        return;
    signals.erase(signals.begin() + row);
    Q_EMIT signalsChanged();
    updateMemoryFigures();
}

void WizardState::moveSignal(int from, int to)
{
    zelmar::moveEntry(session_.set.signals, size_t(from), size_t(to));
    Q_EMIT signalsChanged();
}

void WizardState::notePlayedSignal(int row)
{
    session_.signalUnderEdit = row;
    session_.backdoorEdit = false;
}

void WizardState::beginNewSignal()
{
    session_.beginNewSignal();
    Q_EMIT signalsChanged();
    updateMemoryFigures();
}

bool WizardState::beginEdit(int row)
{
    return session_.beginEdit(row);
}

void WizardState::beginBackdoorEdit()
{
    session_.beginBackdoorEdit();
}

void WizardState::acceptSignalEdit(const QString& name)
{
    session_.acceptSignalEdit(name.toStdString());
    // The name and a dropped back-door signal both change the tables.
    Q_EMIT signalsChanged();
    updateMemoryFigures();
}

void WizardState::cancelSignalEdit()
{
    if (session_.cancelSignalEdit())
        Q_EMIT signalsChanged();
    Q_EMIT editedElementsChanged();
    updateMemoryFigures();
}

bool WizardState::insertElement(int position, int soundNumber)
{
    zelmar::Signal* s = edited();
    if (!s || (soundNumber != 0 && !session_.set.soundAt(soundNumber)))
        return false;
    zelmar::insertElement(session_.set, *s, position < 0 ? SIZE_MAX : size_t(position),
                          zelmar::newElement(session_.set, soundNumber));
    Q_EMIT editedElementsChanged();
    updateMemoryFigures();
    return true;
}

void WizardState::removeElement(int row)
{
    zelmar::Signal* s = edited();
    if (!s || row < 0 || row >= int(s->size()))
        return;
    s->erase(s->begin() + row);
    Q_EMIT editedElementsChanged();
    updateMemoryFigures();
}

void WizardState::moveElement(int from, int to)
{
    if (zelmar::Signal* s = edited()) {
        zelmar::moveEntry(*s, size_t(from), size_t(to));
        Q_EMIT editedElementsChanged();
    }
}

void WizardState::changeElement(int row, const zelmar::TDzwiek& element)
{
    zelmar::Signal* s = edited();
    if (!s || row < 0 || row >= int(s->size()) || (*s)[size_t(row)] == element)
        return;
    (*s)[size_t(row)] = element;
    Q_EMIT editedElementsChanged();
}

void WizardState::beginLibraryEdit()
{
    session_.beginLibraryEdit();
    // The usage marks are new.
    Q_EMIT soundsChanged();
    updateMemoryFigures();
}

void WizardState::acceptLibraryEdit()
{
    session_.acceptLibraryEdit();
    Q_EMIT libraryChanged();
    Q_EMIT editedElementsChanged();
    updateMemoryFigures();
}

void WizardState::cancelLibraryEdit()
{
    session_.cancelLibraryEdit();
    Q_EMIT soundsChanged();
    updateMemoryFigures();
}

void WizardState::deleteSound(int row)
{
    if (!soundInRange(row))
        return;
    auto& library = session_.set.library;
    library.erase(library.begin() + row);
    Q_EMIT soundsChanged();
    updateMemoryFigures();
}

void WizardState::moveSound(int from, int to)
{
    zelmar::moveEntry(session_.set.library, size_t(from), size_t(to));
    Q_EMIT soundsChanged();
}

void WizardState::renameSound(int row, const QString& name)
{
    if (!soundInRange(row))
        return;
    zelmar::renameSound(session_.set, size_t(row), name.toStdString());
    Q_EMIT soundsChanged();
    // A name's length is part of the tables.
    updateMemoryFigures();
}

void WizardState::setSoundGain(int row, int tenthsOfDecibel)
{
    if (!soundInRange(row))
        return;
    session_.set.library[size_t(row)].sound.Gain = uint8_t(std::clamp(tenthsOfDecibel, 0, 255));
    Q_EMIT soundsChanged();
}

zelmar::ImportResult WizardState::addImportedSound(zelmar::DecodedSound&& sound, zelmar::ImportObserver& observer)
{
    const zelmar::ImportResult r = zelmar::addDecodedSound(std::move(sound), session_.set, observer);
    if (r.added) {
        Q_EMIT soundsChanged();
        updateMemoryFigures();
    }
    return r;
}

void WizardState::rememberSoundFolder(const QString& folder)
{
    lastSoundFolder_ = folder;
}

void WizardState::setPreviewAsChime(bool on)
{
    if (on == previewAsChime_)
        return;
    previewAsChime_ = on;
    Q_EMIT previewAsChimeChanged(on);
}
