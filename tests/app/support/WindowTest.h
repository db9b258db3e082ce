#pragma once
// The base of the window's test programs: settings and every per-user file in this run's own folder
// (one set-up per program), a fresh fixture with empty settings for each test, and after each test
// no dialog left unanswered or unexpected and no chime left chosen.
#include "PageDriver.h"

#include <QObject>
#include <QTemporaryDir>

#include <memory>

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

    QTemporaryDir userFolder_;
    std::unique_ptr<pagedriver::Fixture> f_;
};
