#pragma once
// The user's settings, kept under organisation "VORANEX", application "Zelmar".
#include <QString>

struct Settings {
    QString language;      // requested translation, "Polish" when unset
    bool languageSet = false;   // whether the settings hold a "Language" at all
    QString installPath;   // where the factory sets go, with a trailing '/'; `defaultInstallPath` when unset
    bool firstTime = false;
};

// Reads the settings. A "FirstTime" of exactly "Yes" asks for the factory sets to be rewritten; it
// stays until consumeFirstTime() once they are, so that a failed first run tries again.
Settings readSettings(const QString& defaultInstallPath);

// Deletes "FirstTime": the only change the program ever makes to the settings.
void consumeFirstTime();
