#pragma once
// The user's settings, kept under organisation "VORANEX", application "Zelmar".
#include <QString>

struct Settings {
    QString language;      // requested translation, "Polish" when unset
    bool languageSet = false;   // whether the settings hold a "Language" at all
    QString installPath;   // where the factory sets go; the program directory when unset
    bool firstTime = false;
};

// Reads the settings. A "FirstTime" of exactly "Yes" is deleted here: it is the only value the
// program ever writes, and only so that the factory sets are rewritten once after installation.
Settings readSettings(const QString& programDirectory);
