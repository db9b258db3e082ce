#pragma once
// The base of the window's test programs: settings and every per-user file in this run's own folder
// (one set-up per program), a fresh fixture with empty settings for each test, and after each test
// no dialog left unanswered or unexpected and no chime left chosen.
#include "PageDriver.h"

#include <QObject>
#include <QTemporaryDir>

#include <memory>
#include <string>

class WindowTest : public QObject {
    Q_OBJECT

protected Q_SLOTS:
    // A test program that needs more calls these from its own slots of the same name.
    void initTestCase();
    void init();
    void cleanup();

protected:
    // A window of its own for the test, shown, held by the fixture (`argument` as on the command
    // line).
    TMainForm* makeForm(const QString& argument = {});
    ScriptedDialogs& dialogs() { return f_->dialogs; }

    // The virtual chime for this test, in a file of the test's own (`fault` as ZELMAR_VIRTUAL_FAULT
    // gives it); a later call in the same test keeps what the chime holds.
    void useVirtualChime(bool hid, const std::string& fault = {});
    // A new window in `f` that downloads from the chime through the start page; false when Next
    // could not be clicked.
    bool download(pagedriver::Fixture& f);

    QTemporaryDir userFolder_;
    std::unique_ptr<pagedriver::Fixture> f_;
    std::unique_ptr<QTemporaryDir> chimeDir_;
};
