// The sets offered again (newest first, at most eight, missing ones left out, kept across runs),
// where the save dialog starts, and what a drag may bring to the window.
#include "Dialogs.h"
#include "Drops.h"
#include "PageDriver.h"
#include "RecentSets.h"

#include <QDir>
#include <QFileDialog>
#include <QMimeData>
#include <QUrl>

using namespace pagedriver;

namespace {

QString touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("x");
    return QFileInfo(path).canonicalFilePath();
}

QMimeData* urls(const QList<QUrl>& list)
{
    auto* data = new QMimeData;
    data->setUrls(list);
    return data;
}

} // namespace

class RecentSetsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { initTestProgram(settings_); }
    void init() { QFile::remove(recentsets::storeFile()); }

    void newestFirstAtMostEightWithoutMissingOnes();
    void saveStartsWhereTheLastSetWasSavedElseInDocuments();
    void dragsBringOneSetOrSoundsAndNothingElse();
    void setDialogsShowTheirPlacesInTheSideBar();

private:
    QTemporaryDir settings_;
};

void RecentSetsTest::newestFirstAtMostEightWithoutMissingOnes()
{
    QTemporaryDir dir;
    QStringList sets;
    for (int i = 0; i < 10; ++i)
        sets << touch(dir.filePath(QStringLiteral("zestaw %1.zmr").arg(i)));
    for (const QString& s : sets)
        recentsets::remember(s);
    QCOMPARE(recentsets::existing(), (QStringList{sets[9], sets[8], sets[7], sets[6], sets[5], sets[4], sets[3], sets[2]}));

    // Opened again: first, and only once. Reached through another path: the same set.
    recentsets::remember(sets[5]);
    recentsets::remember(dir.path() + QStringLiteral("/./zestaw 9.zmr"));
    QCOMPARE(recentsets::existing().mid(0, 3), (QStringList{sets[9], sets[5], sets[8]}));
    QCOMPARE(recentsets::existing().count(sets[9]), 1);

    // A set that went away is left out, and an older one takes its room; it comes back with its file.
    QFile::remove(sets[8]);
    QStringList shown = recentsets::existing();
    QVERIFY(!shown.contains(sets[8]));
    QCOMPARE(shown.size(), 8);
    QCOMPARE(shown.last(), sets[1]);
    touch(sets[8]);
    QVERIFY(recentsets::existing().contains(sets[8]));
}

void RecentSetsTest::saveStartsWhereTheLastSetWasSavedElseInDocuments()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QVERIFY(QDir().mkpath(documents));
    QCOMPARE(recentsets::saveFolder(), documents);

    QTemporaryDir dir;
    const QString saved = touch(dir.filePath(QStringLiteral("moje/dzwonek.zmr")));
    recentsets::rememberSaved(saved);
    QCOMPARE(recentsets::saveFolder(), QFileInfo(saved).absolutePath());
    QCOMPARE(recentsets::existing().value(0), saved);

    // An opened set does not move the save folder; a folder that is gone gives way to documents.
    recentsets::remember(touch(dir.filePath(QStringLiteral("inne/a.zmr"))));
    QCOMPARE(recentsets::saveFolder(), QFileInfo(saved).absolutePath());
    QVERIFY(QDir(QFileInfo(saved).absolutePath()).removeRecursively());
    QCOMPARE(recentsets::saveFolder(), documents);
}

void RecentSetsTest::dragsBringOneSetOrSoundsAndNothingElse()
{
    QTemporaryDir dir;
    const QString set = touch(dir.filePath(QStringLiteral("a.ZMR")));
    const QString set2 = touch(dir.filePath(QStringLiteral("b.zmr")));
    const QString wav = touch(dir.filePath(QStringLiteral("gong.wav")));
    const QString flac = touch(dir.filePath(QStringLiteral("Dzwon.FLAC")));
    const QString text = touch(dir.filePath(QStringLiteral("notes.txt")));
    auto kind = [](const QList<QUrl>& list) {
        std::unique_ptr<QMimeData> data(urls(list));
        return drops::classify(data.get());
    };
    auto local = QUrl::fromLocalFile;

    QCOMPARE(kind({local(set)}).kind, drops::Kind::SetFile);
    QCOMPARE(kind({local(set)}).files, QStringList{set});
    const drops::Dropped sounds = kind({local(wav), local(flac)});
    QCOMPARE(sounds.kind, drops::Kind::SoundFiles);
    QCOMPARE(sounds.files, (QStringList{wav, flac}));

    for (const QList<QUrl>& refused : QList<QList<QUrl>>{
             {local(text)},                                                      // not a sound
             {local(wav), local(text)},                                          // one of them is not
             {local(set), local(set2)},                                          // two sets
             {local(set), local(wav)},                                           // a set and a sound
             {local(dir.path())},                                                // a folder
             {local(dir.filePath(QStringLiteral("missing.wav")))},               // gone
             {QUrl(QStringLiteral("https://example.org/gong.wav"))},             // not on this computer
             {}})
        QCOMPARE(kind(refused).kind, drops::Kind::Refused);
    QMimeData plain;
    plain.setText(wav);
    QCOMPARE(drops::classify(&plain).kind, drops::Kind::Refused);
}

// The desktop's own dialog cannot show a place of ours, so a dialog with places is the toolkit's,
// whose side bar keeps its usual places and gains ours once.
void RecentSetsTest::setDialogsShowTheirPlacesInTheSideBar()
{
    QTemporaryDir dir;
    const QString factory = dir.filePath(QStringLiteral("Signal sets"));
    QVERIFY(QDir().mkpath(factory));
    QFileDialog dialog;
    const QList<QUrl> usual = dialog.sidebarUrls();
    addPlaces(dialog, {factory, factory});
    QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
    QCOMPARE(dialog.sidebarUrls(), usual + QList<QUrl>{QUrl::fromLocalFile(factory)});

    QFileDialog plain;
    addPlaces(plain, {});
    QVERIFY(!plain.testOption(QFileDialog::DontUseNativeDialog));
}

QTEST_MAIN(RecentSetsTest)
#include "tst_recent_sets.moc"
