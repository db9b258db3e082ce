#pragma once
// The wizard's work on its one set, without any window: which signal is under edit and the copies
// that let an edit of a signal or of the library be taken back. The pages change the set through
// these rules; what they show of it is their own business.
#include "model/SignalSet.h"

#include <optional>
#include <string>
#include <vector>

namespace zelmar {

class EditSession {
public:
    SignalSet set;
    // Row of the signal under edit; -1 when none (and while the back-door signal is edited).
    int signalUnderEdit = -1;
    bool backdoorEdit = false;
    // The elements as they were when the edit of an existing signal began; none for a new one.
    std::optional<Signal> keptCopy;
    // The library as it was when its page was entered; empty outside a visit.
    std::vector<LibrarySound> libraryCopy;

    // The elements under edit: the back-door signal while the back-door flag is set, else the
    // signal under edit; null when there is none.
    Signal* editedSignal();
    const Signal* editedSignal() const;

    // Forgets the set and any edit under way.
    void clear();

    // Begins an edit of a new, empty signal at the end of the list, or throws LimitError (65244).
    void beginNewSignal();
    // Begins an edit of signal `row` with a kept copy of its elements; false for no such row.
    bool beginEdit(int row);
    // Begins an edit of the back-door signal, made empty when the set has none.
    void beginBackdoorEdit();
    // "OK": the name becomes the signal's (the back-door signal has none, and goes when it holds
    // no sound).
    void acceptSignalEdit(const std::string& name);
    // "Anuluj": the kept copy comes back, or a signal begun in this edit goes again. True when a
    // new signal was taken out of the list.
    bool cancelSignalEdit();

    // Entering the library: every sound gets its usage mark (its position when a signal, the
    // back-door signal or the kept copy uses it) and a copy of the library is kept.
    void beginLibraryEdit();
    // "OK": the copy goes and every element follows its sound to its new number; elements of
    // sounds that are gone go with them.
    void acceptLibraryEdit();
    // "Anuluj": the library as it was on entry.
    void cancelLibraryEdit();
};

} // namespace zelmar
