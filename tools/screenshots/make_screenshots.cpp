// Every picture of docs/ and of the guide in one language, as a user meets the windows:
// make_screenshots LANGUAGE OUTDIR. Run by shots.sh under Xvfb in a home folder of its own, so that
// the factory sets and the sets used lately are the ones this run writes.
#include "AboutDlg.h"
#include "ChimeRoads.h"
#include "Dialogs.h"
#include "FragmentDlg.h"
#include "HelpDlg.h"
#include "KomunikacjaDlg.h"
#include "KonwersjaDlg.h"
#include "MainForm.h"
#include "PolyglotStart.h"
#include "RecentSets.h"
#include "i18n/CorePolyglot.h"
#include "i18n/ResourceStrings.h"
#include "model/FactoryNames.h"

#include <QApplication>
#include <QCheckBox>
#include <QCursor>
#include <QScreen>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <memory>

namespace {

QString g_out;
int g_failures = 0;

void settle()
{
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();
}

template <typename T>
T* find(QWidget& w, const char* name)
{
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    if (!c) {
        std::fprintf(stderr, "no control %s\n", name);
        ++g_failures;
    }
    return c;
}

void press(QWidget& w, const char* name)
{
    if (auto* b = find<QPushButton>(w, name))
        b->click();
    settle();
}

void save(QWidget& w, const char* name)
{
    settle();
    const QString file = g_out + u'/' + QLatin1String(name) + QStringLiteral(".png");
    const bool ok = w.grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(file));
    g_failures += !ok;
}

// The copy of factory set `set` that the first start wrote for the language in effect.
QString factoryCopy(const TMainForm& form, int set)
{
    return form.installPath() + QString::fromStdString(zelmar::rs(65235)) + u'/'
           + QString::fromLatin1(zelmar::factorySetFileName(set).data());
}

// A set's signal list with its second signal chosen.
void signalList(TMainForm& form)
{
    auto* list = find<QListWidget>(form, "ZestawLB");
    list->setCurrentRow(std::min(1, list->count() - 1));
}

// The pages and dialogs of the work on a set: the Classic set opened from the command line.
void work(QtDialogs& dialogs, const QString& set)
{
    TMainForm form(dialogs, set);
    form.show();
    settle();
    find<QCheckBox>(form, "JakDzwonekS1CB")->setChecked(true);
    signalList(form);
    save(form, "page1");

    press(form, "ZmianaSygnalu");
    find<QListWidget>(form, "SygnalLB")->setCurrentRow(1);
    save(form, "page2");

    find<QListWidget>(form, "SygnalLB")->setCurrentRow(0);
    settle();
    TFragmentDlg& fragment = form.fragmentDialog();
    QTimer::singleShot(300, &fragment, [&] {
        save(fragment, "fragment");
        fragment.reject();
    });
    press(form, "Zaawansowane");

    press(form, "ZmienDzwieki");
    find<QListWidget>(form, "DostepneDzwiekiLB")->setCurrentRow(1);
    save(form, "page3");

    // The progress of an import, as it runs.
    TKonwersjaDlg& conversion = form.conversionDialog();
    conversion.StanG->setValue(60);
    conversion.show();
    save(conversion, "conversion");
    conversion.hide();

    press(form, "Dalej");
    press(form, "Dalej");
    press(form, "Dalej");
    find<QCheckBox>(form, "KopiaDzwonkaCB")->setChecked(true);
    save(form, "page4");

    // The progress of a send, while the chime takes the set.
    TKomunikacjaDlg& transfer = transferDialog(form, dialogs);
    transfer.OpisST->setText(QString::fromStdString(zelmar::rs(65201)));
    transfer.StanG->setValue(40);
    transfer.show();
    save(transfer, "transfer");
    transfer.hide();

    find<QRadioButton>(form, "ZamkniecieRB")->setChecked(true);
    press(form, "Dalej");
    save(form, "page5");
    form.hide();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: make_screenshots LANGUAGE OUTDIR\n", stderr);
        return 2;
    }
    polyglot::StartOptions options;
    options.languageOverride = QString::fromLocal8Bit(argv[1]);
    polyglot::setStartOptions(options);
    zelmar::i18n::TbsCorePolyglot::GetCorePolyglot();
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication::setOrganizationName(QStringLiteral("VORANEX"));
    QCoreApplication::setApplicationName(QStringLiteral("Zelmar"));
    g_out = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    // The pointer out of every picture.
    QCursor::setPos(QGuiApplication::primaryScreen()->geometry().bottomRight());
    QDir().mkpath(g_out);

    QtDialogs dialogs;
    {
        // The first start: the factory sets are written, no set was used yet.
        TMainForm first(dialogs);
        first.show();
        save(first, "page0");
        first.hide();
        const QStringList files{factoryCopy(first, 1), factoryCopy(first, 2), factoryCopy(first, 3)};

        // Each factory set's signal list.
        for (int set = 1; set <= zelmar::kFactorySetCount; ++set) {
            TMainForm form(dialogs, files[set - 1]);
            form.show();
            signalList(form);
            save(form, QStringLiteral("factory-%1").arg(QString::fromLatin1(zelmar::factorySetFileName(set).data()).section(u'.', 0, 0).toLower()).toLatin1().constData());
        }
        work(dialogs, files[1]);
        // The sets used lately, opened one after the other.
        for (const QString& f : files)
            recentsets::remember(f);
    }
    {
        TMainForm window(dialogs);
        window.show();
        window.showPage(TMainForm::StartPageIndex);
        save(window, "page0-recent");

        THelpDlg* guide = THelpDlg::showGuide(&window);
        save(*guide, "guide");
        guide->close();

        TAboutDlg about(&window);
        about.fill();
        about.show();
        save(about, "about");
        about.tabs()->setCurrentIndex(2);
        save(about, "about-sources");
        about.hide();
    }
    zelmar::i18n::TbsCorePolyglot::releaseCorePolyglot();
    return g_failures == 0 ? 0 : 1;
}
