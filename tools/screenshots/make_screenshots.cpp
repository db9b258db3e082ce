// Makes the screenshots of pages 1 to 4 and the fragment dialog in the three languages: a factory
// set opened, the box "as the chime plays it" ticked on page 1 and the backup box on page 4.
// Everything the wizard writes goes into a folder of its own, never the user's.
#include "Dialogs.h"
#include "FragmentDlg.h"
#include "MainForm.h"
#include "i18n/CorePolyglot.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDirIterator>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <clocale>
#include <cstdio>

namespace {

void settle()
{
    for (int i = 0; i < 10; ++i)
        QApplication::processEvents();
}

template <typename T>
T* find(QWidget& w, const char* name)
{
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    if (!c)
        std::fprintf(stderr, "no control %s\n", name);
    return c;
}

void press(QWidget& w, const char* name)
{
    if (auto* b = find<QPushButton>(w, name))
        b->click();
    settle();
}

bool save(QWidget& w, const QString& path)
{
    settle();
    const bool ok = w.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

// The first factory set the wizard wrote for the language in effect.
QString factorySet()
{
    QDirIterator it(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation), {QStringLiteral("*.zmr")},
                    QDir::Files, QDirIterator::Subdirectories);
    QStringList found;
    while (it.hasNext())
        found << it.next();
    found.sort();
    for (const QString& f : found)
        if (f.contains(QStringLiteral("Classic")) || f.contains(QStringLiteral("Klasy")))
            return f;
    return found.value(0);
}

bool shoot(const QString& out, const QString& language)
{
    QSettings(QStringLiteral("VORANEX"), QStringLiteral("Zelmar")).setValue(QStringLiteral("Language"), language);
    QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).removeRecursively();
    QtDialogs dialogs;
    { TMainForm first(dialogs); }   // writes the factory sets
    TMainForm form(dialogs, factorySet());
    form.show();
    settle();
    bool ok = true;

    find<QCheckBox>(form, "JakDzwonekS1CB")->setChecked(true);
    auto* list = find<QListWidget>(form, "ZestawLB");
    list->setCurrentRow(std::min(1, list->count() - 1));
    ok &= save(form, out + "/page1.png");

    press(form, "ZmianaSygnalu");
    find<QListWidget>(form, "SygnalLB")->setCurrentRow(1);
    settle();
    ok &= save(form, out + "/page2.png");

    find<QListWidget>(form, "SygnalLB")->setCurrentRow(0);
    settle();
    TFragmentDlg& fragment = form.fragmentDialog();
    QTimer::singleShot(300, &fragment, [&] {
        ok &= save(fragment, out + "/fragment.png");
        fragment.reject();
    });
    press(form, "Zaawansowane");

    press(form, "ZmienDzwieki");
    find<QListWidget>(form, "DostepneDzwiekiLB")->setCurrentRow(1);
    ok &= save(form, out + "/page3.png");
    press(form, "Dalej");
    press(form, "Dalej");
    press(form, "Dalej");
    find<QCheckBox>(form, "KopiaDzwonkaCB")->setChecked(true);
    ok &= save(form, out + "/page4.png");
    form.hide();
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_screenshots DOCS_FOLDER\n");
        return 2;
    }
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath("data")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config")));
    zelmar::i18n::TbsCorePolyglot::GetCorePolyglot();
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication::setOrganizationName(QStringLiteral("VORANEX"));
    QCoreApplication::setApplicationName(QStringLiteral("Zelmar"));
    const QString docs = QString::fromLocal8Bit(argv[1]);
    bool ok = true;
    for (const auto& [folder, language] : {std::pair{"en", "English"}, {"de", "German"}, {"pl", "Polish"}})
        ok &= shoot(docs + u'/' + QLatin1String(folder), QLatin1String(language));
    zelmar::i18n::TbsCorePolyglot::releaseCorePolyglot();
    return ok ? 0 : 1;
}
