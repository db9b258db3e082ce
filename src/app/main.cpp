#include "Dialogs.h"
#include "MainForm.h"
#include "device/ChimeSelection.h"
#include "paths/DataPaths.h"

#include <QApplication>
#include <QFile>
#include <QIcon>

#include <clocale>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
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

    QtDialogs dialogs;
    QStringList args = QCoreApplication::arguments();
    // "--virtual-chime FILE [--hid]" (or ZELMAR_VIRTUAL_CHIME) puts a chime in a file in place of
    // the hardware; what is left is the wizard's own arguments.
    std::vector<std::string> rest;
    for (const QString& a : args.mid(1))
        rest.push_back(QFile::encodeName(a).toStdString());
    try {
        zelmar::useChime(zelmar::takeChimeChoice(rest));
    } catch (const std::exception& e) {
        dialogs.notify(nullptr, QString::fromLocal8Bit(e.what()));
        return 1;
    }
    args = QStringList{args.value(0)};
    for (const std::string& a : rest)
        args << QFile::decodeName(QByteArray::fromStdString(a));
    TMainForm window(dialogs, args.size() > 1 ? args.at(1) : QString());
    window.show();
    return app.exec();
}
