#include "ChimeStart.h"

#include "Dialogs.h"
#include "device/ChimeSelection.h"
#include "i18n/ResourceStrings.h"
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
    dialogs.notify(window, QString::fromStdString(zelmar::rsf(65280, {file.toStdString()})));
}
