#include "ChimeRoads.h"

#include "Dialogs.h"
#include "i18n/ResourceStrings.h"

// Until the chime link exists, both roads end as a chime that does not answer.

bool uploadSetToChime(QWidget* parent, Dialogs& dialogs, const zelmar::SignalSet&, zelmar::TUsbFlash&)
{
    dialogs.notify(parent, QString::fromStdString(zelmar::rs(65202)));
    return false;
}

bool downloadSetFromChime(QWidget* parent, Dialogs& dialogs, zelmar::SignalSet&, zelmar::TUsbFlash&)
{
    dialogs.notify(parent, QString::fromStdString(zelmar::rs(65202)));
    return false;
}
