#include "ChimeStart.h"

#include "Dialogs.h"
#include "ResourceText.h"
#include "device/ChimeSelection.h"
#include "model/Errors.h"

#include <QFile>

QString useChosenChime(std::vector<std::string>& args)
{
    const zelmar::ChimeChoice choice = zelmar::takeChimeChoice(args);
    try {
        zelmar::useChime(choice);
    } catch (const zelmar::FileError&) {
        zelmar::useNoChime();
        return QFile::decodeName(QByteArray::fromStdString(choice.virtualFile));
    }
    return {};
}

void noticeUnusableChime(QWidget* window, Dialogs& dialogs, const QString& file)
{
    dialogs.notify(window, rsfq(65280, {file.toStdString()}));
}
