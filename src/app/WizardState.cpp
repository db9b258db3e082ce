#include "WizardState.h"

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
    Q_EMIT setReplaced();
}

void WizardState::replaceSet(zelmar::SignalSet set)
{
    session_.clear();
    session_.set = std::move(set);
    Q_EMIT setReplaced();
}

void WizardState::deleteSignal(int row)
{
    auto& signals = session_.set.signals;
    if (row < 0 || row >= int(signals.size()))
        return;
    signals.erase(signals.begin() + row);
    Q_EMIT signalsChanged();
}

void WizardState::moveSignal(int from, int to)
{
    zelmar::moveEntry(session_.set.signals, size_t(from), size_t(to));
    Q_EMIT signalsChanged();
}

void WizardState::beginNewSignal()
{
    session_.beginNewSignal();
    Q_EMIT signalsChanged();
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
    updateMemoryFigures();
}

void WizardState::cancelSignalEdit()
{
    if (session_.cancelSignalEdit())
        Q_EMIT signalsChanged();
    Q_EMIT editedElementsChanged();
    updateMemoryFigures();
}

void WizardState::beginLibraryEdit()
{
    session_.beginLibraryEdit();
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
    updateMemoryFigures();
}
