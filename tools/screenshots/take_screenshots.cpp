// Pictures of the window as a returning user sees it, in one language: the start page with the sets
// used lately, the guide (F1) and the About window with its sound sources. Run in a home folder of its own (shots.sh), so
// that the recent sets are the factory sets this run writes.
#include "AboutDlg.h"
#include "Dialogs.h"
#include "HelpDlg.h"
#include "MainForm.h"
#include "PolyglotStart.h"
#include "RecentSets.h"
#include "i18n/CorePolyglot.h"
#include "i18n/ResourceStrings.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTimer>

#include <clocale>
#include <cstdio>

namespace {

bool save(QWidget* w, const QString& file)
{
    QApplication::processEvents();
    const bool ok = w->grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(file));
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: take_screenshots LANGUAGE OUTDIR\n", stderr);
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
    const QString out = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    QDir().mkpath(out);

    QtDialogs dialogs;
    int failures = 0;
    {
        TMainForm window(dialogs);
        // The factory sets this first run wrote, as if opened one after another.
        const QDir factory(window.installPath() + QString::fromStdString(zelmar::rs(65235)));
        for (const QFileInfo& set : factory.entryInfoList({QStringLiteral("*.zmr")}, QDir::Files, QDir::Time | QDir::Reversed))
            recentsets::remember(set.absoluteFilePath());
        window.show();
        window.showPage(TMainForm::StartPageIndex);
        QTimer::singleShot(300, &window, [&] {
            failures += !save(&window, out + QStringLiteral("/page0-recent.png"));
            THelpDlg* guide = THelpDlg::showGuide(&window);
            QTimer::singleShot(300, guide, [&, guide] {
                failures += !save(guide, out + QStringLiteral("/guide.png"));
                guide->close();
                QTimer::singleShot(300, &window, [&] {
                    for (QWidget* w : QApplication::topLevelWidgets())
                        if (auto* about = qobject_cast<TAboutDlg*>(w); about && about->isVisible()) {
                            failures += !save(about, out + QStringLiteral("/about.png"));
                            // The last tab: where the factory sets' sounds come from.
                            if (auto* tabs = about->findChild<QTabWidget*>(QStringLiteral("Zakladki"))) {
                                tabs->setCurrentIndex(tabs->count() - 1);
                                failures += !save(about, out + QStringLiteral("/about-sources.png"));
                            }
                            about->close();
                        }
                    QApplication::exit(0);
                });
                TAboutDlg::showAbout(&window);
            });
        });
        app.exec();
    }
    zelmar::i18n::TbsCorePolyglot::releaseCorePolyglot();
    return failures == 0 ? 0 : 1;
}
