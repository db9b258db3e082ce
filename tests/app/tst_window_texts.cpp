// The shipped translations on the real windows: every text fits its control and runs into no
// neighbour, and no two controls that can be seen together answer the same access key. ctest runs
// the fit again with larger fonts (QT_FONT_DPI 120 and 144, Qt's scaling off), where the windows
// must have grown with the font.
#include "ChimeRoads.h"
#include "FragmentDlg.h"
#include "KomunikacjaDlg.h"
#include "KonwersjaDlg.h"
#include "ListKit.h"
#include "PolyglotManager.h"
#include "WindowTest.h"
#include "WindowTexts.h"
#include "i18n/CorePolyglot.h"
#include "paths/DataPaths.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QListWidget>
#include <QKeySequence>
#include <QScreen>
#include <QScrollBar>
#include <QStackedWidget>

using namespace pagedriver;

namespace {

QString withoutMnemonics(QString t)
{
    static const QRegularExpression marker(QStringLiteral("&(?!&)"));
    return t.remove(marker);
}

// Width a control's text needs to show whole.
int neededWidth(QWidget* w)
{
    if (auto* b = qobject_cast<QPushButton*>(w)) {
        // The text and the button's frame and inner margins on both sides.
        return b->fontMetrics().horizontalAdvance(withoutMnemonics(b->text())) + 8;
    }
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->fontMetrics().horizontalAdvance(withoutMnemonics(g->title())) + 16;
    return w->sizeHint().width();
}

// Height a text needs: its lines in the control's font. Buttons and boxes draw their own frames
// around it and are left to their width.
int neededHeight(QWidget* w)
{
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->fontMetrics().height() * int(l->text().count(u'\n') + 1);
    if (qobject_cast<QRadioButton*>(w) || qobject_cast<QCheckBox*>(w))
        return w->fontMetrics().height();
    return 0;
}

// The part of a control its text takes; the whole control for one without a text.
QRect usedRect(QWidget* w)
{
    if (qobject_cast<QLabel*>(w) || qobject_cast<QRadioButton*>(w) || qobject_cast<QCheckBox*>(w))
        return QRect(w->pos(), QSize(std::min(neededWidth(w), w->width()), w->height()));
    return w->geometry();
}

// The key Alt plus which reaches a control, or none.
QKeySequence accessKey(QWidget* w)
{
    QString text;
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        text = b->text();
    else if (auto* g = qobject_cast<QGroupBox*>(w))
        text = g->title();
    else if (auto* l = qobject_cast<QLabel*>(w); l && l->buddy())
        text = l->text();
    return QKeySequence::mnemonic(text);
}

} // namespace

class WindowTextsTest : public WindowTest {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void textsFitTheirControls_data();
    void textsFitTheirControls();
    void accessKeysDifferWithinEveryPageAndDialog_data();
    void accessKeysDifferWithinEveryPageAndDialog();

private:
    // A window of the test's own in `language`.
    TMainForm* formIn(const QString& language);
    QList<QWidget*> windowsOf(TMainForm& form);
};

void WindowTextsTest::initTestCase()
{
    WindowTest::initTestCase();
    QVERIFY(zelmar::findDataDirectory());
    qInfo("font DPI %g", QGuiApplication::primaryScreen()->logicalDotsPerInch());
}

void WindowTextsTest::init()
{
    WindowTest::init();
    zelmar::i18n::TbsCorePolyglot::releaseCorePolyglot();
}

void WindowTextsTest::cleanup()
{
    zelmar::i18n::TbsCorePolyglot::releaseCorePolyglot();
    WindowTest::cleanup();
}

TMainForm* WindowTextsTest::formIn(const QString& language)
{
    QSettings(QStringLiteral("VORANEX"), QStringLiteral("Zelmar")).setValue(QStringLiteral("Language"), language);
    return makeForm();
}

QList<QWidget*> WindowTextsTest::windowsOf(TMainForm& form)
{
    return {&form, &form.fragmentDialog(), &transferDialog(form, dialogs()), &form.conversionDialog()};
}

void WindowTextsTest::textsFitTheirControls_data()
{
    QTest::addColumn<QString>("language");
    for (const char* language : {"English", "German", "Polish"})
        QTest::newRow(language) << QString::fromLatin1(language);
}

void WindowTextsTest::textsFitTheirControls()
{
    QFETCH(QString, language);
    auto form = formIn(language);
    QCOMPARE(form->findChild<TbsPolyglotManager*>()->CurrentLang(), language);

    // The windows grow with the font: the design's 13-pixel text and 23-pixel headings, its places
    // and sizes and its rows are as much larger as the screen's font is than the design's.
    const double grow = QGuiApplication::primaryScreen()->logicalDotsPerInchY() / 96.0;
    for (QWidget* window : windowsOf(*form))
        QCOMPARE(window->font().pixelSize(), qRound(13 * grow));
    QCOMPARE(child<QLabel>(*form, "WitamyST")->font().pixelSize(), qRound(23 * grow));
    QCOMPARE(form->width(), qRound(712 * grow));
    QCOMPARE(child<QListWidget>(*form, "ZestawLB")->width(), qRound(250 * grow));
    // A row holds its text, and the times beside the rows fit theirs.
    // No list scrolls sideways for a long name: a row cuts it short (its tip shows it whole).
    zelmar::SignalSet set;
    set.library.push_back(sound("gong", 9000));
    set.library.push_back(sound("Wagner: Treulich geführt, aus dem dritten Aufzug der Oper Lohengrin", 9000));
    set.signals.push_back({"a", {element(1, set)}});
    set.signals.push_back({"b", {element(2, set)}});
    form->state().replaceSet(set);
    form->showPage(TMainForm::SignalListIndex);
    auto* signalList = child<QListWidget>(*form, "ZestawLB");
    const int rowHeight = signalList->visualItemRect(signalList->item(0)).height();
    QVERIFY(rowHeight >= signalList->fontMetrics().height());
    auto* times = child<listkit::DurationsView>(*form, "Czasy");
    QVERIFY2(QFontMetrics(times->timesFont()).height() <= rowHeight,
             qPrintable(QStringLiteral("times %1 high in rows of %2").arg(QFontMetrics(times->timesFont()).height()).arg(rowHeight)));
    QVERIFY(click(*form, "ZmianaSygnalu"));
    QVERIFY(click(*form, "ZmienDzwieki"));
    for (const char* name : {"SygnalLB", "DzwiekiLB", "DostepneDzwiekiLB"})
        QVERIFY2(child<QListWidget>(*form, name)->horizontalScrollBar()->maximum() == 0, name);
    QVERIFY(click(*form, "Anuluj"));
    QVERIFY(click(*form, "Anuluj"));
    form->showPage(TMainForm::StartPageIndex);

    // The texts the program writes itself on the pages, in this language.
    child<QPushButton>(*form, "Anuluj")->setText(rsq(65243));
    child<QGroupBox>(*form, "CzasPauzyGB")->setTitle(QString::fromStdString(zelmar::rsf(65216, {std::string("2.55")})));
    QStringList faults;
    for (QWidget* window : windowsOf(*form)) {
        for (const windowtexts::Text& t : windowtexts::textsOf(window)) {
            QWidget* w = t.control;
            if (!w || !t.key.endsWith(QLatin1String(".Caption")))   // tips and spoken names take no room
                continue;
            const int needed = neededWidth(w);
            if (needed > w->width())
                faults << QStringLiteral("%1: needs %2, has %3").arg(t.key).arg(needed).arg(w->width());
            if (neededHeight(w) > w->height())
                faults << QStringLiteral("%1: needs %2 high, has %3").arg(t.key).arg(neededHeight(w)).arg(w->height());
            // What the text needs must not run into a neighbour, nor into what a neighbour's text needs.
            const QRect used = usedRect(w);
            for (QObject* o : w->parentWidget()->children()) {
                auto* other = qobject_cast<QWidget*>(o);
                if (!other || other == w || other->isWindow() || other->isHidden())
                    continue;
                if (used.intersects(usedRect(other)))
                    faults << QStringLiteral("%1 runs into %2").arg(t.key, other->objectName());
            }
            // Nor out of its window.
            if (!window->rect().contains(QRect(w->mapTo(window, QPoint(0, 0)), used.size())))
                faults << QStringLiteral("%1 runs out of its window").arg(t.key);
        }
    }
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
}

void WindowTextsTest::accessKeysDifferWithinEveryPageAndDialog_data()
{
    textsFitTheirControls_data();
}

void WindowTextsTest::accessKeysDifferWithinEveryPageAndDialog()
{
    QFETCH(QString, language);
    auto form = formIn(language);
    // A set to edit, so that every page can be shown as the user meets it.
    zelmar::SignalSet set;
    set.library.push_back(sound("gong", 9000));
    set.signals.push_back({"dzwonek", {element(1, set)}});
    form->state().replaceSet(set);
    QStringList clashes;
    const auto check = [&](QWidget* window, const QString& where) {
        QMap<QKeySequence, QString> taken;
        for (QWidget* w : windowtexts::controlsOf(window)) {
            const QKeySequence key = accessKey(w);
            if (key.isEmpty() || !w->isVisibleTo(window))
                continue;
            if (taken.contains(key))
                clashes << QStringLiteral("%1: %2 and %3 both take %4")
                               .arg(where, taken[key], w->objectName(), key.toString(QKeySequence::NativeText));
            else
                taken.insert(key, w->objectName());
        }
    };
    auto* pages = form->findChild<QStackedWidget*>(QStringLiteral("Strony"));
    QVERIFY(pages);
    for (int page = 0; page < pages->count(); ++page) {
        form->showPage(page);
        QCOMPARE(form->currentPage(), page);
        // A page shares its keys with the buttons under it, whatever the page's entry made of them.
        check(form, QStringLiteral("page %1").arg(page));
    }
    for (QWidget* dialog : windowsOf(*form).mid(1))
        check(dialog, dialog->objectName());
    QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(u'\n')));
}

QTEST_MAIN(WindowTextsTest)
#include "tst_window_texts.moc"
