#include "SoundImport.h"

#include "Dialogs.h"
#include "InputBlocker.h"
#include "KonwersjaDlg.h"
#include "WizardState.h"

#include "audio/Import.h"
#include "i18n/ResourceStrings.h"
#include "model/SignalSet.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QProgressBar>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <thread>

namespace {

bool g_running = false;
std::function<void()> g_progressProbe;

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

// The decoding side, on its own thread: it hands what the window is to show over to the window's
// thread, and reads the cancel that thread sets.
class DecodeWatch : public zelmar::ImportObserver {
public:
    DecodeWatch(QObject* windowSide, const std::atomic<bool>& cancel, std::function<void()> started,
                std::function<void(int32_t, int32_t)> progress)
        : windowSide_(windowSide), cancel_(cancel), started_(std::move(started)), progress_(std::move(progress))
    {
    }

    void conversionStarted() override { QMetaObject::invokeMethod(windowSide_, started_, Qt::QueuedConnection); }
    bool conversionProgress(int32_t done, int32_t total) override
    {
        QMetaObject::invokeMethod(
            windowSide_, [f = progress_, done, total] { f(done, total); }, Qt::QueuedConnection);
        if (g_progressProbe)
            g_progressProbe();
        return cancel_.load();
    }

private:
    QObject* windowSide_;
    const std::atomic<bool>& cancel_;
    std::function<void()> started_;
    std::function<void(int32_t, int32_t)> progress_;
};

// The normalisation question names the sound it is about.
class Question : public zelmar::ImportObserver {
public:
    Question(QWidget* mainWindow, Dialogs& dialogs, std::string sound)
        : mainWindow_(mainWindow), dialogs_(dialogs), sound_(std::move(sound))
    {
    }
    bool askNormalise() override
    {
        return dialogs_.ask(mainWindow_, qs(zelmar::rsf(65211, {sound_})), qs(zelmar::rs(65233)));
    }

private:
    QWidget* mainWindow_;
    Dialogs& dialogs_;
    std::string sound_;
};

// Reads and converts the file on a second thread while this one keeps the window alive: it
// repaints, shows the progress, and takes a hidden progress window as a cancel. Input anywhere but
// in the progress window is held back meanwhile.
zelmar::DecodedSound decodeWithLiveWindow(const std::string& file, const zelmar::ImportRoom& room,
                                          TKonwersjaDlg& progress, zelmar::TooLong tooLong = zelmar::TooLong::Refuse)
{
    QEventLoop loop;
    bool shown = false;
    std::atomic<bool> cancel{false};
    DecodeWatch watch(
        &loop, cancel,
        [&] {
            shown = true;
            progress.StanG->setRange(0, 100);
            progress.StanG->setValue(0);
            progress.show();
        },
        [&](int32_t done, int32_t total) {
            if (!shown)
                return;
            if (progress.isVisible()) {
                progress.StanG->setMaximum(std::max(total, 1));
                progress.StanG->setValue(std::clamp(done, 0, std::max(total, 1)));
            } else {
                cancel = true;
            }
        });
    // Anuluj counts at once, not only once the next progress report finds the window hidden.
    QObject::connect(progress.Anuluj, &QPushButton::clicked, &loop, [&] { cancel = true; });
    // The hidden window is seen between progress calls too.
    QTimer look;
    look.setInterval(20);
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (shown && !progress.isVisible())
            cancel = true;
    });

    zelmar::DecodedSound decoded;
    std::exception_ptr error;
    InputBlocker blocker(&progress);
    std::thread worker([&] {
        try {
            decoded = zelmar::decodeSound(file, room, watch, tooLong);
        } catch (...) {
            error = std::current_exception();
        }
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    look.start();
    loop.exec();
    worker.join();
    progress.hide();
    if (error)
        std::rethrow_exception(error);
    return decoded;
}

} // namespace

void setDecodeProgressProbe(std::function<void()> probe)
{
    g_progressProbe = std::move(probe);
}

bool soundImportRunning()
{
    return g_running;
}

namespace {

// Neither a second import at once nor one past the library's limit (which is told).
bool importPossible(QWidget* mainWindow, Dialogs& dialogs, const WizardState& state)
{
    if (g_running)
        return false;
    if (int(state.set().library.size()) >= zelmar::kMaxSounds) {
        dialogs.notify(mainWindow, qs(zelmar::rs(65217)));
        return false;
    }
    return true;
}

} // namespace

bool importSoundFile(QWidget* mainWindow, Dialogs& dialogs, WizardState& state, TKonwersjaDlg& progress)
{
    if (!importPossible(mainWindow, dialogs, state))
        return false;
    const QString chosen = dialogs.openFile(mainWindow, state.lastSoundFolder(), qs(zelmar::rs(65272)));
    if (chosen.isEmpty())
        return false;
    return importSoundFile(mainWindow, dialogs, state, progress, chosen);
}

bool importSoundFile(QWidget* mainWindow, Dialogs& dialogs, WizardState& state, TKonwersjaDlg& progress,
                     const QString& chosen)
{
    if (!importPossible(mainWindow, dialogs, state))
        return false;
    const zelmar::SignalSet& set = state.set();
    g_running = true;
    struct Done {
        ~Done() { g_running = false; }
    } done;

    bool added = false;
    const std::string file = QFile::encodeName(chosen).toStdString();
    try {
        zelmar::DecodedSound decoded = decodeWithLiveWindow(file, zelmar::ImportRoom::of(set), progress);
        // A sound too long for the room: its start, as much as fits, is offered before the refusal
        // is told; the fragment dialog then chooses what plays of it.
        if (const auto& m = decoded.result.message; m && m->resourceId == 65219 && m->args.size() == 2
            && dialogs.ask(mainWindow, qs(zelmar::rsf(65346, m->args)), qs(zelmar::rs(65233))))
            decoded = decodeWithLiveWindow(file, zelmar::ImportRoom::of(set), progress, zelmar::TooLong::KeepWhatFits);
        Question question(mainWindow, dialogs, decoded.name);
        const zelmar::ImportResult r = state.addImportedSound(std::move(decoded), question);
        added = r.added;
        // A cancel is the user's own choice: nothing to say.
        if (r.message)
            dialogs.notify(mainWindow, qs(r.message->text()));
    } catch (...) {
        // In the wizard's own words, never the system's.
        dialogs.notify(mainWindow, qs(zelmar::importFailure(std::current_exception(), file).text()));
    }
    QString dir = QFileInfo(chosen).absolutePath();
    if (!dir.endsWith(u'/'))
        dir += u'/';
    state.rememberSoundFolder(dir);
    return added;
}
