#pragma once
// Helpers for the tests of the editing pages: a window opened on a set written to a temporary
// file, controls found and driven by object name, rows dragged with the mouse.
#include "MainForm.h"
#include "PolyglotManager.h"
#include "ScriptedDialogs.h"
#include "SetModel.h"
#include "i18n/ResourceStrings.h"
#include "model/SignalEditing.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <clocale>
#include <memory>

namespace pagedriver {

inline QString rsq(int id)
{
    return QString::fromStdString(zelmar::rs(id));
}

// A sound of `count` samples, every one `value`.
inline zelmar::LibrarySound sound(const std::string& name, int count, int16_t value = 1000, uint8_t gain = 0)
{
    zelmar::LibrarySound s;
    s.name = name;
    s.sound.SetSamples(std::vector<int16_t>(size_t(count), value));
    s.sound.Gain = gain;
    return s;
}

inline zelmar::TDzwiek element(int number, const zelmar::SignalSet& set, int volume = 0)
{
    zelmar::TDzwiek e = zelmar::TDzwiek::sound(number, set.library[size_t(number - 1)].sound);
    e.Volume = volume;
    return e;
}

// One-time set-up of a test program: settings in a private place, numbers with a point.
inline void initTestProgram(QTemporaryDir& settingsDir)
{
    std::setlocale(LC_NUMERIC, "C");
    QStandardPaths::setTestModeEnabled(true);
    // The factory copies and every other per-user file go under this run's own folder, so two runs
    // of one test program (or a person's own files) never meet.
    qputenv("HOME", QFile::encodeName(settingsDir.path()));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    QApplication::setQuitOnLastWindowClosed(false);
}

// The language the window's translations follow.
inline QString languageOf(TMainForm& form)
{
    return form.findChild<TbsPolyglotManager*>(QStringLiteral("PolyglotManager"))->CurrentLang();
}

template <typename T>
T* child(QWidget& form, const char* name)
{
    T* w = form.findChild<T*>(QString::fromLatin1(name));
    if (!w)
        qWarning("no control %s", name);
    return w;
}

inline QListWidget* list(QWidget& form, const char* name)
{
    return child<QListWidget>(form, name);
}

// Clicks a button that must be visible and enabled; false (with a warning) otherwise.
inline bool click(QWidget& form, const char* name)
{
    auto* b = child<QPushButton>(form, name);
    if (!b || !b->isEnabled() || !b->isVisible()) {
        qWarning("button %s cannot be clicked", name);
        return false;
    }
    QTest::mouseClick(b, Qt::LeftButton);
    return true;
}

inline QStringList rowTexts(QListWidget* l)
{
    QStringList out;
    for (int i = 0; i < l->count(); ++i)
        out << l->item(i)->text();
    return out;
}

inline QPoint rowCentre(QListWidget* l, int row)
{
    return l->visualRect(l->model()->index(row, 0)).center();
}

// Selects a row the way the user does, with a click on it.
inline void clickRow(QListWidget* l, int row)
{
    l->scrollToItem(l->item(row));
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, rowCentre(l, row));
}

// A double click as the platform delivers it: press, release, double click, release.
inline void doubleClickRow(QListWidget* l, int row)
{
    l->scrollToItem(l->item(row));
    const QPoint at = rowCentre(l, row);
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(l->viewport(), Qt::LeftButton, {}, at);
}

// Holds row `from` with the mouse and lets it go at `y` in the list's viewport.
inline void dragRow(QListWidget* l, int from, int y)
{
    const QPoint start = rowCentre(l, from);
    QTest::mousePress(l->viewport(), Qt::LeftButton, {}, start);
    const QPoint end(start.x(), y);
    QTest::mouseMove(l->viewport(), (start + end) / 2);
    QTest::mouseMove(l->viewport(), end);
    QTest::mouseRelease(l->viewport(), Qt::LeftButton, {}, end);
}

// The window, opened on `set` through the start page's open road; it shows the signal list.
class Fixture {
public:
    ScriptedDialogs dialogs;
    std::unique_ptr<QTemporaryDir> tmp;
    std::unique_ptr<TMainForm> form;

    // True when page 1 is showing the set.
    bool open(const zelmar::SignalSet& set)
    {
        tmp = std::make_unique<QTemporaryDir>();
        const QString path = tmp->filePath(QStringLiteral("set.zmr"));
        zelmar::writeSetFile(set, QFile::encodeName(path).toStdString());
        form = std::make_unique<TMainForm>(dialogs);
        form->show();
        child<QRadioButton>(*form, "OdczytRB")->setChecked(true);
        dialogs.answerOpen(path);
        click(*form, "Dalej");
        return form->currentPage() == TMainForm::SignalListIndex;
    }

    // A new set: "Dalej" with the first choice.
    bool startNew()
    {
        form = std::make_unique<TMainForm>(dialogs);
        form->show();
        click(*form, "Dalej");
        return form->currentPage() == TMainForm::SignalListIndex;
    }

    const zelmar::SignalSet& set() const { return form->state().set(); }

    // Everything a test left unanswered or unexpected is a failure.
    bool dialogsClean() const { return dialogs.unexpected().isEmpty() && dialogs.pendingAnswers() == 0; }
};

} // namespace pagedriver

namespace pagedriver {

// Lengthens signal names, from the last signal back, until the table size is `target`.
inline bool padTableTo(zelmar::SignalSet& set, int32_t target)
{
    for (auto it = set.signals.rbegin(); it != set.signals.rend(); ++it)
        while (set.tableSize() < target && it->name.size() < size_t(zelmar::kMaxTypedName))
            it->name += 'x';
    return set.tableSize() == target;
}

// Remembers the value a gauge had when it was last painted: what the user sees, which a value set
// without a repaint is not.
class PaintedGauge : public QObject {
public:
    explicit PaintedGauge(QProgressBar* gauge) : gauge_(gauge) { gauge->installEventFilter(this); }
    // Lets pending paints happen, then the value last painted (-1: never painted).
    int shown()
    {
        for (int i = 0; i < 3; ++i)
            QTest::qWait(20);
        return painted_;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == gauge_ && event->type() == QEvent::Paint)
            painted_ = gauge_->value();
        return false;
    }

private:
    QProgressBar* gauge_;
    int painted_ = -1;
};

// What the memory display writes for a set.
inline QString remainingText(const zelmar::SignalSet& set)
{
    return QString::fromStdString(zelmar::rsf(65209, {zelmar::memoryDisplay(set.freeBytes()).remainingSeconds}));
}

// Lengthens the first sound's name until `change`, done to a copy, shows in the remaining time,
// so that a display that was not updated cannot pass for one that was.
inline bool tuneRemainingTime(zelmar::SignalSet& set, const std::function<void(zelmar::SignalSet&)>& change)
{
    const std::string base = set.library.at(0).name;
    for (size_t pad = 0; pad < 240; ++pad) {
        set.library[0].name = base + std::string(pad, 'x');
        zelmar::SignalSet copy = set;
        change(copy);
        if (remainingText(copy) != remainingText(set))
            return true;
    }
    return false;
}

} // namespace pagedriver
