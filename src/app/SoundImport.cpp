#include "SoundImport.h"

#include "Dialogs.h"
#include "InputBlocker.h"
#include "KonwersjaDlg.h"

#include "audio/Import.h"
#include "i18n/ResourceStrings.h"
#include "model/SignalSet.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QProgressBar>

#include <algorithm>
#include <memory>

namespace {

bool g_running = false;

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

// Lets the window handle what is queued, a few events' worth, without waiting for more.
void pump(int times)
{
    for (int i = 0; i < times; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

class WizardObserver : public zelmar::ImportObserver {
public:
    WizardObserver(QWidget* mainWindow, Dialogs& dialogs, TKonwersjaDlg& progress)
        : mainWindow_(mainWindow), dialogs_(dialogs), progress_(progress)
    {
    }

    void conversionStarted() override
    {
        progress_.StanG->setRange(0, 100);
        progress_.StanG->setValue(0);
        progress_.show();
        blocker_ = std::make_unique<InputBlocker>(&progress_);
        pump(10);
    }

    bool conversionProgress(int32_t done, int32_t total) override
    {
        bool cancel = false;
        if (progress_.isVisible()) {
            progress_.StanG->setMaximum(std::max(total, 1));
            progress_.StanG->setValue(std::clamp(done, 0, std::max(total, 1)));
        } else {
            cancel = true;
        }
        pump(5);
        return cancel;
    }

    void conversionEnded() override
    {
        blocker_.reset();
        progress_.hide();
    }

    bool askNormalise() override
    {
        return dialogs_.ask(mainWindow_, qs(zelmar::rs(65211)), qs(zelmar::rs(65233)));
    }

private:
    QWidget* mainWindow_;
    Dialogs& dialogs_;
    TKonwersjaDlg& progress_;
    std::unique_ptr<InputBlocker> blocker_;
};

} // namespace

bool soundImportRunning()
{
    return g_running;
}

bool importSoundFile(QWidget* mainWindow, Dialogs& dialogs, zelmar::SignalSet& set, QString& lastSoundDir,
                     TKonwersjaDlg& progress)
{
    if (g_running)
        return false;
    if (int(set.library.size()) >= zelmar::kMaxSounds) {
        dialogs.notify(mainWindow, qs(zelmar::rs(65217)));
        return false;
    }
    const QString chosen = dialogs.openFile(mainWindow, lastSoundDir, qs(zelmar::rs(65236)));
    if (chosen.isEmpty())
        return false;

    g_running = true;
    struct Done {
        ~Done() { g_running = false; }
    } done;

    bool added = false;
    WizardObserver observer(mainWindow, dialogs, progress);
    try {
        const zelmar::ImportResult r = zelmar::importSound(QFile::encodeName(chosen).toStdString(), set, observer);
        added = r.added;
        if (r.message)
            dialogs.notify(mainWindow, qs(r.message->text()));
    } catch (const std::exception& e) {
        // File errors while mixing down or reading: the library is unchanged.
        progress.hide();
        dialogs.notify(mainWindow, qs(e.what()));
    }
    QString dir = QFileInfo(chosen).absolutePath();
    if (!dir.endsWith(u'/'))
        dir += u'/';
    lastSoundDir = dir;
    return added;
}
