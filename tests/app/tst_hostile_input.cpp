// The wizard and what it cannot trust: set files it may not read, a folder that takes no new file,
// translation keys that would put a window or control out of sight.
#include "OtherUser.h"
#include "PolyglotApply.h"
#include "WindowTest.h"
#include "model/SetFile.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QScreen>

#include <sys/stat.h>

using namespace pagedriver;

namespace {

const QString kTitle = QStringLiteral("Zelmar 2.2 USB");

zelmar::SignalSet sampleSet()
{
    zelmar::SignalSet set;
    set.library.push_back(sound("gong", 5000, 1200, 10));
    set.signals.push_back({"dzwonek", {element(1, set), zelmar::TDzwiek::pause(20)}});
    return set;
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool setMode(const QString& path, mode_t mode)
{
    return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

} // namespace

class HostileInputTest : public WindowTest {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();

    void unreadableSetFileSaysWhyItCannotBeRead_data();
    void unreadableSetFileSaysWhyItCannotBeRead();
    void saveIntoAFolderThatTakesNoNewFileGoesElsewhereOrNowhere();
    void translationKeysKeepWindowsAndControlsInSight();

private:
    QString write(const QString& name)
    {
        const QString path = tmp_->filePath(name);
        zelmar::writeSetFile(sampleSet(), QFile::encodeName(path).toStdString());
        return path;
    }

    std::unique_ptr<QTemporaryDir> tmp_;
};

void HostileInputTest::initTestCase()
{
    WindowTest::initTestCase();
    // The factory copies are written once, by this user, where the user the tests act as later
    // finds them written.
    QVERIFY(setMode(userFolder_.path(), 0755));
    ScriptedDialogs dialogs;
    TMainForm first(dialogs);
    QCOMPARE(dialogs.notices(), QStringList());
}

void HostileInputTest::init()
{
    WindowTest::init();
    tmp_ = std::make_unique<QTemporaryDir>();
    // Passable for the user the tests act as; what it holds says for itself who may use it.
    QVERIFY(setMode(tmp_->path(), 0755));
}

void HostileInputTest::unreadableSetFileSaysWhyItCannotBeRead_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("reason");
    QTest::newRow("no permission") << "secret" << 65292;
    QTest::newRow("a folder") << "folder" << 65293;
    QTest::newRow("a device") << "device" << 65294;
}

// Opened from the start page and given on the command line alike: the message says why, names the
// file that was tried and nothing else, and leaves no set and no file name behind.
void HostileInputTest::unreadableSetFileSaysWhyItCannotBeRead()
{
    QFETCH(QString, kind);
    QFETCH(int, reason);
    QString path;
    if (kind == QLatin1String("secret")) {
        path = write(QStringLiteral("secret.zmr"));
        // Root's own file, or for a plain user one without any permission.
        QVERIFY(setMode(path, ::geteuid() == 0 ? 0600 : 0));
    } else if (kind == QLatin1String("folder")) {
        path = tmp_->filePath(QStringLiteral("folder.zmr"));
        QVERIFY(QDir().mkdir(path));
    } else {
        path = QStringLiteral("/dev/null");
    }
    const QString expected = QString::fromStdString(zelmar::rsf(65290, {path.toStdString(), zelmar::rs(reason)}));

    AsNobody nobody;
    for (bool onCommandLine : {false, true}) {
        dialogs().reset();
        std::unique_ptr<TMainForm> form;
        if (onCommandLine) {
            form = std::make_unique<TMainForm>(dialogs(), path);
        } else {
            form = std::make_unique<TMainForm>(dialogs());
            form->show();
            child<QRadioButton>(*form, "OdczytRB")->setChecked(true);
            dialogs().answerOpen(path);
            QVERIFY(click(*form, "Dalej"));
        }
        QCOMPARE(dialogs().notices(), QStringList{expected});
        QCOMPARE(form->currentPage(), int(TMainForm::StartPageIndex));
        QCOMPARE(form->windowTitle(), kTitle);
        QVERIFY(form->currentSetFile().isEmpty());
        QVERIFY(form->state().set().empty());
    }
}

// The user may write the set file but not its folder: the save would have to rewrite the file in
// place, which a full disk or a crash would leave damaged. It is refused before the file is
// touched, with the offer to save elsewhere.
void HostileInputTest::saveIntoAFolderThatTakesNoNewFileGoesElsewhereOrNowhere()
{
    QVERIFY(QDir(tmp_->path()).mkdir(QStringLiteral("locked")));
    QVERIFY(QDir(tmp_->path()).mkdir(QStringLiteral("free")));
    const QString locked = write(QStringLiteral("locked/set.zmr"));
    const QByteArray before = bytesOf(locked);
    QVERIFY(AsNobody::own(locked));
    QVERIFY(setMode(tmp_->filePath(QStringLiteral("locked")), ::geteuid() == 0 ? 0755 : 0555));
    QVERIFY(setMode(tmp_->filePath(QStringLiteral("free")), 0777));
    const QString elsewhere = tmp_->filePath(QStringLiteral("free/elsewhere.zmr"));
    const QString question = QString::fromStdString(zelmar::rsf(65298, {tmp_->filePath(QStringLiteral("locked")).toStdString()}));

    AsNobody nobody;
    TMainForm form(dialogs(), locked);
    form.show();
    QCOMPARE(form.currentSetFile(), locked);
    QVERIFY(click(form, "Dalej"));
    child<QRadioButton>(form, "ZapisRB")->setChecked(true);
    QVERIFY(!child<QCheckBox>(form, "ZapisWNowymPlikuCB")->isChecked());

    dialogs().answerAsk(false);
    QVERIFY(click(form, "Dalej"));
    QCOMPARE(dialogs().questions(), QStringList{question});
    QCOMPARE(form.currentPage(), int(TMainForm::SaveSendIndex));

    dialogs().reset();
    dialogs().answerAsk(true);
    dialogs().answerSave(elsewhere);
    QVERIFY(click(form, "Dalej"));
    QCOMPARE(dialogs().questions(), QStringList{question});
    QCOMPARE(dialogs().notices(), QStringList());
    QCOMPARE(form.currentPage(), int(TMainForm::FarewellIndex));
    QCOMPARE(form.currentSetFile(), elsewhere);
    QCOMPARE(bytesOf(elsewhere), before);
    QCOMPARE(bytesOf(locked), before);
    QCOMPARE(QDir(tmp_->filePath(QStringLiteral("locked"))).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("set.zmr")});
}

void HostileInputTest::translationKeysKeepWindowsAndControlsInSight()
{
    TMainForm form(dialogs());
    form.show();
    auto* dalej = child<QPushButton>(form, "Dalej");
    const QRect window(QPoint(0, 0), form.size());
    // Its corner inside the window, and a part of it to be seen.
    const auto inSight = [&](QWidget* w) {
        const QRect r(w->mapTo(&form, QPoint(0, 0)), w->size());
        const QRect seen = window.intersected(r);
        return window.contains(r.topLeft()) && seen.width() >= std::min(16, r.width())
               && seen.height() >= std::min(16, r.height());
    };

    // A control inside a page, and one at the window's edge, pushed every way as far as an
    // integer goes.
    for (const char* name : {"Dalej", "NowyRB"}) {
        QWidget* w = child<QWidget>(form, name);
        const QString key = QString::fromLatin1(name);
        for (const char* value : {"-2147483648", "2147483647"}) {
            polyglot::applyKey(&form, key + QStringLiteral(".Width"), QString::fromLatin1(value));
            polyglot::applyKey(&form, key + QStringLiteral(".Height"), QString::fromLatin1(value));
            QVERIFY(w->width() >= 0 && w->width() <= form.width());
            QVERIFY(w->height() >= 0 && w->height() <= form.height());
            polyglot::applyKey(&form, key + QStringLiteral(".Width"), QStringLiteral("100"));
            polyglot::applyKey(&form, key + QStringLiteral(".Height"), QStringLiteral("20"));
            polyglot::applyKey(&form, key + QStringLiteral(".Left"), QString::fromLatin1(value));
            polyglot::applyKey(&form, key + QStringLiteral(".Top"), QString::fromLatin1(value));
            QVERIFY2(inSight(w), qPrintable(key + u' ' + QString::fromLatin1(value)));
        }
    }
    // What fits is taken as written.
    polyglot::applyKey(&form, QStringLiteral("Dalej.Width"), QStringLiteral("100"));
    polyglot::applyKey(&form, QStringLiteral("Dalej.Left"), QStringLiteral("480"));
    QCOMPARE(dalej->geometry().left(), 480);
    QCOMPARE(dalej->width(), 100);

    // The window itself stays on its screen.
    const QRect screen = form.screen()->availableGeometry();
    for (const char* value : {"-2147483648", "2147483647"}) {
        polyglot::applyKey(&form, QStringLiteral("Left"), QString::fromLatin1(value));
        polyglot::applyKey(&form, QStringLiteral("Top"), QString::fromLatin1(value));
        QVERIFY(screen.contains(form.pos()));
    }

    // Font heights at the ends of the integers: no overflow, and no letters larger than a window.
    polyglot::applyKey(&form, QStringLiteral("Dalej.Font.Height"), QStringLiteral("-2147483648"));
    QVERIFY(dalej->font().pixelSize() > 0 && dalej->font().pixelSize() <= 500);
    polyglot::applyKey(&form, QStringLiteral("Dalej.Font.Size"), QStringLiteral("2147483647"));
    QVERIFY(dalej->font().pointSize() > 0 && dalej->font().pointSize() <= 500);
    polyglot::applyKey(&form, QStringLiteral("Dalej.Font.Height"), QStringLiteral("-15"));
    QCOMPARE(dalej->font().pixelSize(), 15);
}

QTEST_MAIN(HostileInputTest)
#include "tst_hostile_input.moc"
