#pragma once
// The base of the tests of the window's roads with set files: a folder of the test's own for the
// files, a set that touches every part of the format, files as bytes, and the window driven by its
// named controls (a control that cannot be driven fails the test).
#include "WindowTest.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace setfiles {

const QString kTitle = QStringLiteral("Zelmar 2.2 USB");

// Two signals, a back-door signal and one sound long enough to show on the memory gauges; names
// outside ASCII on purpose.
zelmar::SignalSet sampleSet();
// The one sound of sampleSet() alone.
zelmar::SignalSet oneSound();
// Every signal, the back-door signal and every sound (name, gain, samples) alike.
void expectSameSet(const zelmar::SignalSet& a, const zelmar::SignalSet& b);

QByteArray fileBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);
// Resource `id` with `arg` for its one argument.
QString rsfq(int id, const QString& arg);

} // namespace setfiles

class SetFileTest : public WindowTest {
    Q_OBJECT

protected Q_SLOTS:
    void init();
    void cleanup();

protected:
    // `set` written as `name` in the test's folder; its path.
    QString writeSample(const QString& name, const zelmar::SignalSet& set = setfiles::sampleSet());
    void click(TMainForm& form, const char* name);
    void choose(TMainForm& form, const char* radio);

    std::unique_ptr<QTemporaryDir> tmp_;
};
