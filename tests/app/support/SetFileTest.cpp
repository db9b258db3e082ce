#include "SetFileTest.h"

#include "model/FileIO.h"

#include <QFile>
#include <QPushButton>
#include <QRadioButton>

namespace setfiles {

zelmar::SignalSet sampleSet()
{
    zelmar::SignalSet set;
    zelmar::LibrarySound gong;
    gong.name = "gong żółty";
    // About a tenth of the chime.
    std::vector<int16_t> samples(200000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(int(i % 101) * 300 - 15000);
    gong.sound.SetSamples(samples);
    gong.sound.Gain = 30;
    set.library.push_back(gong);
    set.signals.push_back({"dzwonek", {zelmar::TDzwiek{1, 0, 1, 100, 0}, zelmar::TDzwiek::pause(50)}});
    set.signals.push_back({"drugi", {zelmar::TDzwiek{1, 5, 10, 50, 0}}});
    set.backdoor = zelmar::Signal{zelmar::TDzwiek{1, 3, 1, 20, 0}};
    return set;
}

zelmar::SignalSet oneSound()
{
    zelmar::SignalSet set;
    set.library.push_back(sampleSet().library.front());
    return set;
}

void expectSameSet(const zelmar::SignalSet& a, const zelmar::SignalSet& b)
{
    QCOMPARE(a.signals.size(), b.signals.size());
    for (size_t i = 0; i < a.signals.size(); ++i) {
        QCOMPARE(a.signals[i].name, b.signals[i].name);
        QVERIFY(a.signals[i].elements == b.signals[i].elements);
    }
    QCOMPARE(a.backdoor.has_value(), b.backdoor.has_value());
    if (a.backdoor)
        QVERIFY(*a.backdoor == *b.backdoor);
    QCOMPARE(a.library.size(), b.library.size());
    for (size_t i = 0; i < a.library.size(); ++i) {
        QCOMPARE(a.library[i].name, b.library[i].name);
        QCOMPARE(a.library[i].sound.Gain, b.library[i].sound.Gain);
        QVERIFY(a.library[i].sound.Samples == b.library[i].sound.Samples);
    }
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QString rsfq(int id, const QString& arg)
{
    return QString::fromStdString(zelmar::rsf(id, {arg.toStdString()}));
}

} // namespace setfiles

void SetFileTest::init()
{
    WindowTest::init();
    tmp_ = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp_->isValid());
    zelmar::setWriteFailureAfterForTesting(-1);
}

void SetFileTest::cleanup()
{
    zelmar::setWriteFailureAfterForTesting(-1);
    WindowTest::cleanup();
}

QString SetFileTest::writeSample(const QString& name, const zelmar::SignalSet& set)
{
    const QString path = tmp_->filePath(name);
    zelmar::writeSetFile(set, QFile::encodeName(path).toStdString());
    return path;
}

void SetFileTest::click(TMainForm& form, const char* name)
{
    auto* b = pagedriver::child<QPushButton>(form, name);
    QVERIFY(b);
    QVERIFY2(b->isEnabled() && b->isVisible(), name);
    QTest::mouseClick(b, Qt::LeftButton);
}

void SetFileTest::choose(TMainForm& form, const char* radio)
{
    auto* rb = pagedriver::child<QRadioButton>(form, radio);
    QVERIFY(rb);
    rb->setChecked(true);
}
