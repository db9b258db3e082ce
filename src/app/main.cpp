#include "Accessibility.h"
#include "ChimeStart.h"
#include "Dialogs.h"
#include "MainForm.h"
#include "PolyglotStart.h"
#include "Version.h"
#include "i18n/CorePolyglot.h"
#include "paths/DataPaths.h"

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QIcon>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace {

const char kHelp[] =
    "Usage: zelmar [OPTIONS] [SETFILE]\n"
    "The configuration wizard of the Zelmar 2.2 USB doorbell chime.\n"
    "\n"
    "  SETFILE               a signal set (.zmr) to open; the wizard starts on its signal list\n"
    "  --language NAME       the language of this run: English, German, Polish or any other\n"
    "                        translation file NAME.lng (the \"Language\" setting otherwise, or\n"
    "                        the system locale when there is no such setting)\n"
    "  --virtual-chime FILE  talk to a virtual chime kept in FILE instead of the hardware\n"
    "  --hid                 the virtual chime is the HID kind\n"
    "  --help                show this help and exit\n"
    "  --version             show the version and exit\n";

// Takes the wizard's own options out of `args`. Returns an exit code when the program is done
// (help, version, a faulty option), -1 to go on.
int takeOwnOptions(std::vector<std::string>& args, polyglot::StartOptions& options)
{
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--") {
            rest.insert(rest.end(), args.begin() + long(i) + 1, args.end());
            break;
        }
        if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (a == "--version") {
            std::printf("zelmar %s\n", ZELMAR_VERSION);
            return 0;
        }
        if (a == "--language" || a.rfind("--language=", 0) == 0) {
            std::string name;
            if (a == "--language") {
                if (i + 1 >= args.size()) {
                    std::fputs("zelmar: --language needs a language name (see zelmar --help)\n", stderr);
                    return 2;
                }
                name = args[++i];
            } else {
                name = a.substr(std::strlen("--language="));
            }
            if (name.empty()) {
                std::fputs("zelmar: --language needs a language name (see zelmar --help)\n", stderr);
                return 2;
            }
            options.languageOverride = QString::fromLocal8Bit(name.c_str());
            continue;
        }
        rest.push_back(a);
    }
    args = rest;
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    // Help, version and a faulty option are answered before any window or display is needed.
    std::vector<std::string> rest(argv + std::min(argc, 1), argv + argc);
    polyglot::StartOptions languageOptions;
    languageOptions.systemLocaleWhenUnset = true;
    if (const int done = takeOwnOptions(rest, languageOptions); done >= 0)
        return done;
    polyglot::setStartOptions(languageOptions);

    // The translation core comes first: every window and text after it goes through it.
    zelmar::i18n::TbsCorePolyglot::GetCorePolyglot();
    QApplication app(argc, argv);
    accessibility::install();
    // Numbers in texts are written with a point whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication::setOrganizationName(QStringLiteral("VORANEX"));
    QCoreApplication::setApplicationName(QStringLiteral("Zelmar"));
    const auto data = zelmar::findDataDirectory();
    if (!data)
        std::fprintf(stderr, "zelmar: no data folder at %s: the program runs without its translations and factory sets\n",
                     zelmar::expectedDataDirectory(zelmar::executableDirectory()).c_str());
    // The installed icon, or the one the build renders into its mirror of share/.
    const std::string icon = data ? (*data / "../icons/hicolor/256x256/apps/zelmar.png").string() : std::string();
    app.setWindowIcon(QIcon::fromTheme(QStringLiteral("zelmar"), QIcon(QString::fromStdString(icon))));

    // Again from the arguments Qt leaves (it takes its own, such as -platform, out of them).
    rest.clear();
    for (const QString& a : QCoreApplication::arguments().mid(1))
        rest.push_back(QFile::encodeName(a).toStdString());
    takeOwnOptions(rest, languageOptions);

    QtDialogs dialogs;
    // "--virtual-chime FILE [--hid]" (or ZELMAR_VIRTUAL_CHIME) puts a chime in a file in place of
    // the hardware; what is left is the wizard's own arguments.
    QString unusableChime;
    try {
        unusableChime = useChosenChime(rest);
    } catch (const std::exception& e) {
        dialogs.notify(nullptr, QString::fromLocal8Bit(e.what()));
        return 1;
    }
    const QString firstArgument = rest.empty() ? QString() : QFile::decodeName(QByteArray::fromStdString(rest.front()));
    int code = 0;
    {
        TMainForm window(dialogs, firstArgument);
        window.show();
        // Said from the running window, in the wizard's language.
        if (!unusableChime.isEmpty())
            QTimer::singleShot(0, &window, [&] { noticeUnusableChime(&window, dialogs, unusableChime); });
        code = app.exec();
    }
    zelmar::i18n::TbsCorePolyglot::releaseCorePolyglot();
    return code;
}
