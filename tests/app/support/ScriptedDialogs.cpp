#include "ScriptedDialogs.h"

#include <QtGlobal>

namespace {
const char* kindName(ScriptedDialogs::Kind kind)
{
    switch (kind) {
    case ScriptedDialogs::Kind::Ask: return "question";
    case ScriptedDialogs::Kind::Notice: return "notice";
    case ScriptedDialogs::Kind::Open: return "open dialog";
    case ScriptedDialogs::Kind::Save: return "save dialog";
    case ScriptedDialogs::Kind::SaveQuestion: return "question about unsaved work";
    }
    return "?";
}
} // namespace

void ScriptedDialogs::answerAsk(bool yes)
{
    answers_.append({Kind::Ask, yes, {}});
}

void ScriptedDialogs::answerOpen(const QString& path)
{
    answers_.append({Kind::Open, false, path});
}

void ScriptedDialogs::answerSave(const QString& path)
{
    answers_.append({Kind::Save, false, path});
}

void ScriptedDialogs::answerSaveQuestion(SaveAnswer answer)
{
    answers_.append({Kind::SaveQuestion, false, {}, answer});
}

QStringList ScriptedDialogs::texts() const
{
    QStringList out;
    for (const Shown& s : shown_)
        if (s.kind == Kind::Ask || s.kind == Kind::Notice || s.kind == Kind::SaveQuestion)
            out << s.text;
    return out;
}

QStringList ScriptedDialogs::notices() const
{
    QStringList out;
    for (const Shown& s : shown_)
        if (s.kind == Kind::Notice)
            out << s.text;
    return out;
}

QStringList ScriptedDialogs::questions() const
{
    QStringList out;
    for (const Shown& s : shown_)
        if (s.kind == Kind::Ask)
            out << s.text;
    return out;
}

int ScriptedDialogs::count(Kind kind) const
{
    int n = 0;
    for (const Shown& s : shown_)
        n += s.kind == kind ? 1 : 0;
    return n;
}

void ScriptedDialogs::reset()
{
    answers_.clear();
    shown_.clear();
    unexpected_.clear();
}

bool ScriptedDialogs::take(Kind kind, const QString& what, Answer& out)
{
    if (answers_.isEmpty() || answers_.first().kind != kind) {
        const QString expected = answers_.isEmpty() ? QStringLiteral("nothing")
                                                    : QString::fromLatin1(kindName(answers_.first().kind));
        const QString failure = QStringLiteral("unexpected %1 (%2 was queued): %3")
                                    .arg(QString::fromLatin1(kindName(kind)), expected, what);
        unexpected_ << failure;
        qWarning("ScriptedDialogs: %s", qPrintable(failure));
        return false;
    }
    out = answers_.takeFirst();
    return true;
}

bool ScriptedDialogs::ask(QWidget*, const QString& text, const QString& caption)
{
    shown_.append({Kind::Ask, text, caption, {}, {}, {}, {}});
    Answer a;
    return take(Kind::Ask, text, a) && a.yes;
}

void ScriptedDialogs::notify(QWidget*, const QString& text)
{
    shown_.append({Kind::Notice, text, {}, {}, {}, {}, {}});
}

QString ScriptedDialogs::openFile(QWidget*, const QString& startDir, const QString& filter, const QStringList& places)
{
    shown_.append({Kind::Open, {}, {}, startDir, filter, {}, places});
    Answer a;
    return take(Kind::Open, startDir, a) ? a.path : QString();
}

QString ScriptedDialogs::saveFile(QWidget*, const QString& startPath, const QString& filter,
                                  const QString& defaultSuffix, const QStringList& places)
{
    shown_.append({Kind::Save, {}, {}, startPath, filter, defaultSuffix, places});
    Answer a;
    return take(Kind::Save, startPath, a) ? a.path : QString();
}

Dialogs::SaveAnswer ScriptedDialogs::askToSave(QWidget*, const QString& text)
{
    shown_.append({Kind::SaveQuestion, text, {}, {}, {}, {}, {}});
    Answer a;
    return take(Kind::SaveQuestion, text, a) ? a.save : SaveAnswer::Cancel;
}
