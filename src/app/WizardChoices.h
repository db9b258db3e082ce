#pragma once
// The choices the wizard remembers from one run to the next. They live in a file of the user's
// data folder, as the recent sets do, because the settings are only ever read.
#include <QString>

namespace wizardchoices {

struct Choices {
    bool previewAsChime = false;        // previews as the chime plays them
    bool backupBeforeSending = false;   // keep what the chime holds before a send
    friend bool operator==(const Choices&, const Choices&) = default;
};

// "choices.ini" in the user's data folder.
QString storeFile();

// The choices as last written; the defaults for any that a missing, damaged or unreadable file
// does not give.
Choices read();

// Writes the file whole, replacing whatever was there; a file that cannot be written is left as it
// was (the choices then hold for this run only).
void write(const Choices& choices);

} // namespace wizardchoices
