#include "Dialogs.h"
#include "MainForm.h"
#include "device/ChimeSelection.h"
#include "model/TempFolders.h"

#include <QApplication>
#include <QFile>

#include <clocale>
#include <exception>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    zelmar::removeAbandonedTempFolders();   // of runs that were killed
    // Numbers in texts are written with a point whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication::setOrganizationName(QStringLiteral("VORANEX"));
    QCoreApplication::setApplicationName(QStringLiteral("Zelmar"));

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
