// Files dragged onto the window: sounds dropped on the library page are imported as "Dodaj" imports
// them, a set file dropped on the window opens after the unsaved-work question, anything else is
// refused while it is dragged. And the sets used lately, offered under the start page's open choice.
#include "WindowTest.h"

#include "RecentSets.h"
#include "WavBytes.h"
#include "model/SetFile.h"

#include <QMimeData>
#include <QUrl>

using namespace pagedriver;
using Answer = Dialogs::SaveAnswer;

namespace {

zelmar::SignalSet setWith(const std::string& signalName, int signals = 1)
{
    zelmar::SignalSet set;
    set.library = {sound("ding", 900), sound("dong", 1200)};
    for (int i = 0; i < signals; ++i)
        set.signals.push_back({signalName + std::to_string(i), {element(1, set)}});
    return set;
}

QString writeSet(const QString& path, const zelmar::SignalSet& set)
{
    zelmar::writeSetFile(set, QFile::encodeName(path).toStdString());
    return QFileInfo(path).canonicalFilePath();
}

// A drag as the window system delivers it: entering the control under `at` (window coordinates),
// passed up to whichever control takes it. True when it was taken.
bool dragEnters(QWidget& window, const QMimeData& data, QPoint at)
{
    QWidget* under = window.childAt(at);
    if (!under)
        under = &window;
    QDragEnterEvent enter(under->mapFrom(&window, at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(under, &enter);
    return enter.isAccepted();
}

bool dropOn(QWidget& window, const QMimeData& data, QPoint at)
{
    if (!dragEnters(window, data, at))
        return false;
    QWidget* under = window.childAt(at);
    QDropEvent drop(QPointF(under->mapFrom(&window, at)), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(under, &drop);
    return drop.isAccepted();
}

std::unique_ptr<QMimeData> files(const QStringList& paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls << QUrl::fromLocalFile(p);
    data->setUrls(urls);
    return data;
}

} // namespace

class OpenByDropTest : public WindowTest {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        WindowTest::init();
        QFile::remove(recentsets::storeFile());
    }

    void soundsDroppedOnTheLibraryAreImported();
    void aDroppedSetAsksForUnsavedWorkFirst();
    void otherDragsAreRefused();
    void recentSetsOpenInOneStep();
};

void OpenByDropTest::soundsDroppedOnTheLibraryAreImported()
{
    QVERIFY(f_->open(setWith("s")));
    TMainForm* form = f_->form.get();
    QVERIFY(QTest::qWaitForWindowActive(form));
    clickRow(list(*form, "ZestawLB"), 0);
    QVERIFY(click(*form, "ZmianaSygnalu"));
    QVERIFY(click(*form, "ZmienDzwieki"));
    QCOMPARE(form->currentPage(), int(TMainForm::LibraryIndex));

    const QString wav = f_->tmp->filePath(QStringLiteral("Dzwonek.WAV"));
    const std::string bytes = testwav::wavFileBytes(std::vector<int16_t>(9000, 700));
    QFile file(wav);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), qint64(bytes.size()));
    file.close();

    // Dropped on the list of sounds: the same normalisation question as "Dodaj" asks.
    QListWidget* sounds = list(*form, "DostepneDzwiekiLB");
    dialogs().answerAsk(false);
    QVERIFY(dropOn(*form, *files({wav}), sounds->mapTo(form, sounds->rect().center())));
    QTRY_COMPARE(form->state().set().library.size(), size_t(3));
    QCOMPARE(form->state().set().library.back().name, std::string("Dzwonek"));
    QCOMPARE(sounds->currentRow(), 2);
    QCOMPARE(dialogs().count(ScriptedDialogs::Kind::Open), 1);   // only the set's, none for the sound
    QCOMPARE(dialogs().questions(), QStringList{QString::fromStdString(zelmar::rsf(65211, {std::string("Dzwonek")}))});
}

void OpenByDropTest::aDroppedSetAsksForUnsavedWorkFirst()
{
    QVERIFY(f_->open(setWith("stary", 2)));
    TMainForm* form = f_->form.get();
    QVERIFY(QTest::qWaitForWindowActive(form));
    const QString opened = form->currentSetFile();
    form->state().deleteSignal(1);   // a change never saved
    const QString other = writeSet(f_->tmp->filePath(QStringLiteral("inny.zmr")), setWith("nowy", 3));
    const QPoint onTheList = list(*form, "ZestawLB")->mapTo(form, QPoint(20, 20));

    dialogs().answerSaveQuestion(Answer::Cancel);
    QVERIFY(dropOn(*form, *files({other}), onTheList));
    QTRY_COMPARE(dialogs().count(ScriptedDialogs::Kind::SaveQuestion), 1);
    QCOMPARE(form->currentSetFile(), opened);
    QCOMPARE(form->state().set().signals.size(), size_t(1));
    QVERIFY(form->state().hasUnsavedChanges());

    // Let go: the dropped set takes its place, on the signal list.
    dialogs().answerSaveQuestion(Answer::Discard);
    QVERIFY(dropOn(*form, *files({other}), onTheList));
    QTRY_COMPARE(form->currentSetFile(), other);
    QCOMPARE(form->state().set().signals.size(), size_t(3));
    QCOMPARE(form->currentPage(), int(TMainForm::SignalListIndex));
    QCOMPARE(recentsets::existing().value(0), other);

    // A dropped file that cannot be read is told and leaves the set as it was.
    const QString broken = f_->tmp->filePath(QStringLiteral("zepsuty.zmr"));
    QFile junk(broken);
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("nie zestaw");
    junk.close();
    QVERIFY(dropOn(*form, *files({broken}), onTheList));
    QTRY_COMPARE(dialogs().count(ScriptedDialogs::Kind::Notice), 1);
    QCOMPARE(form->currentSetFile(), other);
    QCOMPARE(form->state().set().signals.size(), size_t(3));
}

void OpenByDropTest::otherDragsAreRefused()
{
    QVERIFY(f_->open(setWith("s")));
    TMainForm* form = f_->form.get();
    QVERIFY(QTest::qWaitForWindowActive(form));
    const QString text = f_->tmp->filePath(QStringLiteral("notatki.txt"));
    const QString wav = f_->tmp->filePath(QStringLiteral("a.wav"));
    const QString set = f_->tmp->filePath(QStringLiteral("set.zmr"));
    for (const QString& p : {text, wav}) {
        QFile f(p);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    const QPoint centre = form->rect().center();
    // On the signal list: a set is taken, other files and sounds (which belong to the library) not.
    QVERIFY(dragEnters(*form, *files({set}), centre));
    QVERIFY(!dragEnters(*form, *files({text}), centre));
    QVERIFY(!dragEnters(*form, *files({wav}), centre));
    QVERIFY(!dragEnters(*form, *files({set, set}), centre));

    // In the library: sounds are taken, a set is not while the edit is under way.
    clickRow(list(*form, "ZestawLB"), 0);
    QVERIFY(click(*form, "ZmianaSygnalu"));
    QVERIFY(click(*form, "ZmienDzwieki"));
    QVERIFY(dragEnters(*form, *files({wav}), centre));
    QVERIFY(!dragEnters(*form, *files({set}), centre));
    QVERIFY(!dragEnters(*form, *files({text}), centre));
    QVERIFY(!dropOn(*form, *files({text, wav}), centre));
    QCOMPARE(form->state().set().library.size(), size_t(2));
}

void OpenByDropTest::recentSetsOpenInOneStep()
{
    QTemporaryDir dir;
    QStringList sets;
    for (const char* name : {"stary", "usuniety", "nowszy", "najnowszy"})
        sets << writeSet(dir.filePath(QString::fromLatin1(name) + QStringLiteral(".zmr")), setWith(name, 2));
    for (const QString& s : sets)
        recentsets::remember(s);
    QFile::remove(sets[1]);

    TMainForm* form = makeForm();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QListWidget* recent = list(*form, "OstatnieZestawyLB");
    QVERIFY(recent->isVisible());
    QCOMPARE(recent->count(), 4);
    QCOMPARE(recent->item(0)->text(), rsq(65344));
    QCOMPARE(recent->item(1)->toolTip(), sets[3]);
    QCOMPARE(recent->item(2)->toolTip(), sets[2]);
    QCOMPARE(recent->item(3)->toolTip(), sets[0]);
    QVERIFY(recent->item(3)->text().startsWith(QStringLiteral("stary.zmr")));

    // By keys: Tab from the open choice into the list, Down to the newest set, Enter opens it with
    // no dialog.
    auto* open = child<QRadioButton>(*form, "OdczytRB");
    open->setFocus();
    for (int i = 0; i < 4 && QApplication::focusWidget() != recent; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), recent);
    child<QRadioButton>(*form, "NowyRB")->setChecked(true);
    QTest::keyClick(recent, Qt::Key_Down);
    QVERIFY(open->isChecked());
    QTest::keyClick(recent, Qt::Key_Return);
    QCOMPARE(form->currentPage(), int(TMainForm::SignalListIndex));
    QCOMPARE(form->currentSetFile(), sets[3]);
    QCOMPARE(form->state().set().signals.front().name, std::string("najnowszy0"));

    // Back at the start, a double click on the oldest opens it.
    dialogs().answerAsk(true);
    QVERIFY(click(*form, "Wstecz"));
    QCOMPARE(form->currentPage(), int(TMainForm::StartPageIndex));
    doubleClickRow(recent, 3);
    QCOMPARE(form->currentPage(), int(TMainForm::SignalListIndex));
    QCOMPARE(form->currentSetFile(), sets[0]);
    QCOMPARE(dialogs().count(ScriptedDialogs::Kind::Open), 0);
}

QTEST_MAIN(OpenByDropTest)
#include "tst_open_by_drop.moc"
