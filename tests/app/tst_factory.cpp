// The factory sets at start-up: the user's copies named in the interface language, read-only,
// written once and again when the shipped sets change; and how such a copy opens.
#include "PolyglotStart.h"
#include "RecentSets.h"
#include "OtherUser.h"
#include "WindowTest.h"

#include "i18n/IniFile.h"
#include "model/FactoryNames.h"
#include "model/SetFile.h"
#include "paths/DataPaths.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>

#include <sys/stat.h>

using namespace pagedriver;
using zelmar::SignalSet;

namespace {

// A shipped set with neutral names: `signals` signals over `sounds` sounds, each sound its own
// level so that the copies can be told apart.
SignalSet shippedSet(int signals, int sounds, int16_t level)
{
    SignalSet s;
    for (int j = 1; j <= sounds; ++j)
        s.library.push_back(sound("s" + std::to_string(j), 40, int16_t(level + j)));
    for (int i = 1; i <= signals; ++i)
        s.signals.push_back({"n" + std::to_string(i), {element(1 + (i - 1) % sounds, s)}});
    return s;
}

mode_t modeOf(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

SignalSet read(const QString& path)
{
    return zelmar::readSetFile(QFile::encodeName(path).toStdString());
}

// The names a translation file gives the sets; none when it names none.
std::optional<zelmar::FactoryNames> namesIn(const QString& lng)
{
    const auto file = zelmar::i18n::TbsINIFile::open(QFile::encodeName(lng).toStdString());
    return file ? zelmar::FactoryNames::of(*file) : std::nullopt;
}

} // namespace

class FactoryTest : public WindowTest {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void firstRunNamesTheSetsInTheInterfaceLanguage_data();
    void firstRunNamesTheSetsInTheInterfaceLanguage();
    void laterStartsWriteOnlyWhenTheShippedSetsChange();
    void missingShippedSetIsReportedOnceAndSkipped();
    void folderThatCannotBeMadeKeepsTheMarker();
    void stepLeavesTheSetEmptyAndTheFileNameAsItWas();
    void factoryCopyOpensUnderANewNameAndAsksWhereToSave();
    void noticesComeOnceTheLockIsLetGo();
    void aHomeFolderThatCannotBeWrittenIsSaidSo();
    void aLanguageFileAloneIsChosenByItsLocaleAndNamesItsSets();

private:
    // The settings a start finds.
    void settle(const QString& language, bool firstTime, const QString& installPath = {});
    std::unique_ptr<TMainForm> start(const QString& language, bool firstTime);
    QString shipped(const QString& name) const { return shipped_->filePath(QStringLiteral("factory/") + name); }
    QString home(const QString& rest) const { return home_->filePath(rest); }

    QString shippedLang_;
    std::unique_ptr<QTemporaryDir> shipped_;
    std::unique_ptr<QTemporaryDir> home_;
};

void FactoryTest::initTestCase()
{
    WindowTest::initTestCase();
    const auto data = zelmar::findDataDirectory();
    QVERIFY(data);
    shippedLang_ = QFile::decodeName(QByteArray::fromStdString((*data / "lang").string())) + u'/';
}

void FactoryTest::init()
{
    WindowTest::init();
    shipped_ = std::make_unique<QTemporaryDir>();
    home_ = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(shipped_->path()).mkpath(QStringLiteral("factory")));
    // The language in effect is one with a translation file: the shipped ones and a French one.
    QVERIFY(QDir(shipped_->path()).mkpath(QStringLiteral("lang")));
    for (const QString& name : {QStringLiteral("Polish.lng"), QStringLiteral("German.lng"), QStringLiteral("English.lng")})
        QVERIFY(QFile::copy(shippedLang_ + name, shipped_->filePath(QStringLiteral("lang/") + name)));
    QFile french(shipped_->filePath(QStringLiteral("lang/French.lng")));
    QVERIFY(french.open(QIODevice::WriteOnly));
    french.write("[ResourceStrings]\n65235='Ensembles'\n");
    french.close();
    // One signal and one sound more than the tables name in the first set.
    zelmar::writeSetFile(shippedSet(51, 65, 100), QFile::encodeName(shipped("Premium.zmr")).toStdString());
    zelmar::writeSetFile(shippedSet(25, 30, 200), QFile::encodeName(shipped("Classic.zmr")).toStdString());
    zelmar::writeSetFile(shippedSet(25, 33, 300), QFile::encodeName(shipped("Music.zmr")).toStdString());
    qputenv("ZELMAR_DATA_DIR", QFile::encodeName(shipped_->path()));
}

void FactoryTest::cleanup()
{
    qunsetenv("ZELMAR_DATA_DIR");
    WindowTest::cleanup();
}

void FactoryTest::settle(const QString& language, bool firstTime, const QString& installPath)
{
    QSettings s(QStringLiteral("VORANEX"), QStringLiteral("Zelmar"));
    s.setValue(QStringLiteral("Language"), language);
    s.setValue(QStringLiteral("InstallPath"), installPath.isEmpty() ? home_->path() : installPath);
    if (firstTime)
        s.setValue(QStringLiteral("FirstTime"), QStringLiteral("Yes"));
    s.sync();
}

std::unique_ptr<TMainForm> FactoryTest::start(const QString& language, bool firstTime)
{
    settle(language, firstTime);
    return std::make_unique<TMainForm>(dialogs());
}

void FactoryTest::firstRunNamesTheSetsInTheInterfaceLanguage_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("folder");
    QTest::newRow("Polish") << "Polish" << "Zestawy";
    QTest::newRow("German") << "German" << "Signalsets";
    QTest::newRow("English") << "English" << "Signal sets";
    QTest::newRow("French") << "French" << "";
}

void FactoryTest::firstRunNamesTheSetsInTheInterfaceLanguage()
{
    QFETCH(QString, language);
    QFETCH(QString, folder);

    // The user's own set beside a factory copy, and another language's folder: neither is touched.
    const QString other = folder == QLatin1String("Zestawy") ? QStringLiteral("Signalsets") : QStringLiteral("Zestawy");
    QVERIFY(QDir(home_->path()).mkpath(other));
    const QString own = home(other + QStringLiteral("/Premium.zmr"));
    zelmar::writeSetFile(shippedSet(2, 2, 7), QFile::encodeName(own).toStdString());
    const QByteArray ownBytes = bytesOf(own);
    const mode_t ownMode = modeOf(own);
    QByteArray mineBytes;
    if (!folder.isEmpty()) {
        QVERIFY(QDir(home_->path()).mkpath(folder));
        zelmar::writeSetFile(shippedSet(1, 1, 9), QFile::encodeName(home(folder + QStringLiteral("/mine.zmr"))).toStdString());
        mineBytes = bytesOf(home(folder + QStringLiteral("/mine.zmr")));
    }

    auto form = start(language, true);
    QCOMPARE(dialogs().shown().size(), 0);
    // The marker is gone once the step has run, also when it had nothing to write.
    QVERIFY(!QSettings(QStringLiteral("VORANEX"), QStringLiteral("Zelmar")).contains(QStringLiteral("FirstTime")));
    QCOMPARE(bytesOf(own), ownBytes);
    QCOMPARE(modeOf(own), ownMode);

    if (folder.isEmpty()) {
        QCOMPARE(QDir(home_->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{other});
        return;
    }
    QCOMPARE(bytesOf(home(folder + QStringLiteral("/mine.zmr"))), mineBytes);
    const auto names = namesIn(shippedLang_ + language + QStringLiteral(".lng"));
    QVERIFY(names);
    const int sounds[] = {65, 30, 33};
    for (int set = 1; set <= 3; ++set) {
        const QString copy = home(folder + u'/' + QString::fromLatin1(zelmar::factorySetFileName(set).data()));
        QCOMPARE(modeOf(copy), mode_t(0444));
        const SignalSet s = read(copy);
        QCOMPARE(int(s.library.size()), sounds[set - 1]);
        for (size_t i = 0; i < s.signals.size(); ++i)
            QCOMPARE(s.signals[i].name, names->signalName(int(i) + 1, set));
        for (size_t j = 0; j < s.library.size(); ++j)
            QCOMPARE(s.library[j].name, names->soundName(int(j) + 1, set));
        // Only the names change.
        SignalSet expected = read(shipped(QString::fromLatin1(zelmar::factorySetFileName(set).data())));
        QCOMPARE(s.library.back().sound.Samples, expected.library.back().sound.Samples);
        QCOMPARE(s.signals.back().elements, expected.signals.back().elements);
    }
    const SignalSet premium = read(home(folder + QStringLiteral("/Premium.zmr")));
    QCOMPARE(premium.signals.at(49).name, names->signalName(50, 1));
    QVERIFY(!premium.signals.at(49).name.empty());
    QCOMPARE(premium.signals.at(50).name, std::string());   // the 51st
    QCOMPARE(premium.library.at(64).name, std::string());   // the 65th
}

void FactoryTest::laterStartsWriteOnlyWhenTheShippedSetsChange()
{
    auto form = start(QStringLiteral("Polish"), true);
    form.reset();
    const QString copy = home(QStringLiteral("Zestawy/Classic.zmr"));
    const QByteArray first = bytesOf(copy);
    QVERIFY(!first.isEmpty());

    // A copy the user damaged stays as it is while the shipped sets are the same...
    QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
    QFile f(copy);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.close();
    form = start(QStringLiteral("Polish"), false);
    form.reset();
    QCOMPARE(bytesOf(copy), QByteArray());

    // ...and "FirstTime" writes everything again: the file the user changed is theirs now, so the
    // copy goes beside it.
    form = start(QStringLiteral("Polish"), true);
    form.reset();
    QCOMPARE(bytesOf(copy), QByteArray());
    const QString beside = home(QStringLiteral("Zestawy/Classic (2).zmr"));
    QCOMPARE(bytesOf(beside), first);
    QCOMPARE(modeOf(beside), mode_t(0444));

    // A newer shipped set replaces that copy without being asked.
    zelmar::writeSetFile(shippedSet(25, 30, 900), QFile::encodeName(shipped("Classic.zmr")).toStdString());
    form = start(QStringLiteral("Polish"), false);
    form.reset();
    QCOMPARE(read(beside).library.at(0).sound.Samples.at(0), int16_t(901));
    QCOMPARE(read(beside).signals.at(0).name, namesIn(shippedLang_ + QStringLiteral("Polish.lng"))->signalName(1, 2));
    QCOMPARE(modeOf(beside), mode_t(0444));
    QCOMPARE(bytesOf(copy), QByteArray());

    // A language started for the first time gets its own folder.
    form = start(QStringLiteral("German"), false);
    QVERIFY(QFileInfo::exists(home(QStringLiteral("Signalsets/Music.zmr"))));
    QCOMPARE(dialogs().shown().size(), 0);
}

void FactoryTest::missingShippedSetIsReportedOnceAndSkipped()
{
    QVERIFY(QFile::remove(shipped("Classic.zmr")));
    // A damaged one likewise; a link in the folder and the user's file it leads to stay as they are.
    QFile damaged(shipped("Music.zmr"));
    QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("ZELMAR");
    damaged.close();
    QVERIFY(QDir(home_->path()).mkpath(QStringLiteral("Zestawy")));
    const QString mine = home(QStringLiteral("mine.zmr"));
    zelmar::writeSetFile(shippedSet(2, 2, 7), QFile::encodeName(mine).toStdString());
    const QByteArray mineBytes = bytesOf(mine);
    QVERIFY(QFile::link(mine, home(QStringLiteral("Zestawy/Premium.zmr"))));

    auto form = start(QStringLiteral("Polish"), true);
    QCOMPARE(dialogs().notices(),
             (QStringList{QString::fromStdString(zelmar::rsf(65225, {shipped("Classic.zmr").toStdString()})),
                          QString::fromStdString(zelmar::rsf(65225, {shipped("Music.zmr").toStdString()}))}));
    QVERIFY(!QFileInfo::exists(home(QStringLiteral("Zestawy/Classic.zmr"))));
    QVERIFY(!QFileInfo::exists(home(QStringLiteral("Zestawy/Music.zmr"))));
    QVERIFY(QFileInfo(home(QStringLiteral("Zestawy/Premium.zmr"))).isSymLink());
    QCOMPARE(modeOf(home(QStringLiteral("Zestawy/Premium (2).zmr"))), mode_t(0444));
    QCOMPARE(bytesOf(mine), mineBytes);
    QVERIFY(modeOf(mine) & 0200);
    QVERIFY(!QSettings(QStringLiteral("VORANEX"), QStringLiteral("Zelmar")).contains(QStringLiteral("FirstTime")));

    // Not again at every start; once the set is shipped again, its copy comes.
    form.reset();
    dialogs().reset();
    form = start(QStringLiteral("Polish"), false);
    QCOMPARE(dialogs().shown().size(), 0);
    form.reset();
    zelmar::writeSetFile(shippedSet(25, 30, 200), QFile::encodeName(shipped("Classic.zmr")).toStdString());
    form = start(QStringLiteral("Polish"), false);
    QCOMPARE(read(home(QStringLiteral("Zestawy/Classic.zmr"))).signals.size(), size_t(25));
    QCOMPARE(dialogs().notices().size(), 1);   // the damaged one, still damaged
}

void FactoryTest::folderThatCannotBeMadeKeepsTheMarker()
{
    // A file where the folder should be: not even root can make it.
    QFile blocker(home(QStringLiteral("Zestawy")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    auto form = start(QStringLiteral("Polish"), true);
    QCOMPARE(dialogs().notices(), QStringList{QString::fromStdString(zelmar::rsf(65226, {home(QStringLiteral("Zestawy")).toStdString()}))});
    QVERIFY(QSettings(QStringLiteral("VORANEX"), QStringLiteral("Zelmar")).contains(QStringLiteral("FirstTime")));
    QVERIFY(QFileInfo(home(QStringLiteral("Zestawy"))).isFile());

    // The next start tries again and, the way now clear, finishes.
    form.reset();
    dialogs().reset();
    QVERIFY(QFile::remove(home(QStringLiteral("Zestawy"))));
    form = start(QStringLiteral("Polish"), true);
    QCOMPARE(dialogs().shown().size(), 0);
    QVERIFY(QFileInfo::exists(home(QStringLiteral("Zestawy/Premium.zmr"))));
    QVERIFY(!QSettings(QStringLiteral("VORANEX"), QStringLiteral("Zelmar")).contains(QStringLiteral("FirstTime")));
}

void FactoryTest::stepLeavesTheSetEmptyAndTheFileNameAsItWas()
{
    const QString path = home(QStringLiteral("own.zmr"));
    zelmar::writeSetFile(shippedSet(3, 2, 5), QFile::encodeName(path).toStdString());
    start(QStringLiteral("Polish"), false).reset();
    auto form = std::make_unique<TMainForm>(dialogs(), path);
    QCOMPARE(form->state().set().signals.size(), size_t(3));
    QCOMPARE(form->currentSetFile(), path);

    QVERIFY(form->writeFactorySets(home_->path()));
    QVERIFY(form->state().set().empty());
    QCOMPARE(form->currentSetFile(), path);
    QCOMPARE(modeOf(home(QStringLiteral("Zestawy/Music.zmr"))), mode_t(0444));
}

void FactoryTest::factoryCopyOpensUnderANewNameAndAsksWhereToSave()
{
    auto form = start(QStringLiteral("Polish"), true);
    form->show();
    const QString folder = form->installPath() + rsq(65235);
    QCOMPARE(QDir(folder).absolutePath(), QDir(home(QStringLiteral("Zestawy"))).absolutePath());

    child<QRadioButton>(*form, "OdczytRB")->setChecked(true);
    dialogs().answerOpen(folder + QStringLiteral("/Premium.zmr"));
    QVERIFY(click(*form, "Dalej"));
    QCOMPARE(dialogs().shown().at(0).startPath, folder);
    QCOMPARE(form->currentPage(), int(TMainForm::SignalListIndex));
    const QString renamed = folder + QStringLiteral("/Premium (1).zmr");
    QCOMPARE(form->currentSetFile(), renamed);
    QVERIFY(form->windowTitle().startsWith(renamed + QStringLiteral(" - ")));
    QVERIFY(rowTexts(list(*form, "ZestawLB")).value(0).endsWith(QStringLiteral(" kogut")));

    // The next save asks for a file and proposes the new name; the factory copy stays as it was.
    const QByteArray before = bytesOf(folder + QStringLiteral("/Premium.zmr"));
    QVERIFY(click(*form, "Dalej"));
    QVERIFY(child<QCheckBox>(*form, "ZapisWNowymPlikuCB")->isChecked());
    dialogs().answerSave(QString());
    QVERIFY(!form->saveSetFile());
    QCOMPARE(dialogs().shown().last().kind, ScriptedDialogs::Kind::Save);
    // Proposed among the user's own sets, not beside the factory copies.
    QCOMPARE(dialogs().shown().last().startPath, recentsets::saveFolder() + QStringLiteral("/Premium (1).zmr"));
    QCOMPARE(bytesOf(folder + QStringLiteral("/Premium.zmr")), before);
}

// A second program started while this one shows a notice must not wait for the user to close it.
void FactoryTest::noticesComeOnceTheLockIsLetGo()
{
    class LockWatch : public ScriptedDialogs {
    public:
        QString lockFile;
        QList<bool> lockFree;
        void notify(QWidget* parent, const QString& text) override
        {
            QLockFile second(lockFile);
            lockFree << second.tryLock(0);
            ScriptedDialogs::notify(parent, text);
        }
    } dialogs;
    dialogs.lockFile = home(QStringLiteral("Zestawy/.factory-lock"));
    QVERIFY(QFile::remove(shipped("Music.zmr")));
    settle(QStringLiteral("Polish"), true);
    TMainForm form(dialogs);
    QCOMPARE(dialogs.notices().size(), 1);
    QCOMPARE(dialogs.lockFree, QList<bool>{true});
}

void FactoryTest::aHomeFolderThatCannotBeWrittenIsSaidSo()
{
    const QString locked = home(QStringLiteral("locked"));
    QVERIFY(QDir().mkdir(locked));
    // The settings and the home are the other user's to read; only "locked" refuses them.
    QVERIFY(::chmod(QFile::encodeName(userFolder_.path()).constData(), 0755) == 0);
    QVERIFY(::chmod(QFile::encodeName(home_->path()).constData(), 0755) == 0);
    QVERIFY(::chmod(QFile::encodeName(locked).constData(), ::geteuid() == 0 ? 0755 : 0555) == 0);
    settle(QStringLiteral("Polish"), true, locked + QStringLiteral("/VORANEX/Zelmar"));
    {
        AsNobody nobody;
        TMainForm form(dialogs());
    }
    QCOMPARE(dialogs().notices(), QStringList{QString::fromStdString(zelmar::rsf(65299, {locked.toStdString()}))});
    QVERIFY(QSettings(QStringLiteral("VORANEX"), QStringLiteral("Zelmar")).contains(QStringLiteral("FirstTime")));
}

void FactoryTest::aLanguageFileAloneIsChosenByItsLocaleAndNamesItsSets()
{
    QVERIFY(QFile::copy(QStringLiteral(ZELMAR_APP_TEST_DATA "/Esperanto.lng"), shipped_->filePath(QStringLiteral("lang/Esperanto.lng"))));
    settle(QString(), true);
    QSettings(QStringLiteral("VORANEX"), QStringLiteral("Zelmar")).remove(QStringLiteral("Language"));
    const QByteArray keepAll = qgetenv("LC_ALL"), keepMessages = qgetenv("LC_MESSAGES"), keepLang = qgetenv("LANG");
    qunsetenv("LC_ALL");
    qunsetenv("LC_MESSAGES");
    qputenv("LANG", "eo_XX.UTF-8");
    polyglot::setStartOptions({QString(), true});
    auto form = std::make_unique<TMainForm>(dialogs());
    polyglot::setStartOptions({});
    qputenv("LC_ALL", keepAll);
    qputenv("LC_MESSAGES", keepMessages);
    qputenv("LANG", keepLang);

    QCOMPARE(languageOf(*form), QStringLiteral("Esperanto"));
    QCOMPARE(child<QPushButton>(*form, "Dalej")->text(), QStringLiteral("&Plu >"));
    const SignalSet premium = read(home(QStringLiteral("Signalaroj/Premium.zmr")));
    QCOMPARE(premium.signals.at(0).name, std::string("koko"));
    QCOMPARE(premium.signals.at(2).name, std::string("granda hundo"));
    QCOMPARE(premium.library.at(3).name, std::string("granda hundo b"));
    QCOMPARE(premium.signals.at(1).name, std::string());
    QCOMPARE(modeOf(home(QStringLiteral("Signalaroj/Music.zmr"))), mode_t(0444));
}

QTEST_MAIN(FactoryTest)
#include "tst_factory.moc"

