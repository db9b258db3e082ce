#pragma once
// A Dialogs port for tests: answers come from a queue the test fills beforehand, and every
// question, notice and file dialog is recorded. A question or file dialog that finds no answer of
// its own kind at the head of the queue is a test failure: it is recorded in unexpected(), warned
// about at once, and answered No / cancelled.
#include "Dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Ask, Notice, Open, Save, SaveQuestion };

    struct Shown {
        Kind kind;
        QString text;       // question or notice text
        QString caption;    // question caption as passed (empty: the application title)
        QString startPath;  // file dialogs: start directory or file
        QString filter;
        QString suffix;
        QStringList places; // file dialogs: folders added to the side bar
    };

    // Queue the answer to the next question (true: Yes).
    void answerAsk(bool yes);
    // Queue the path the next open / save dialog returns; empty means cancelled.
    void answerOpen(const QString& path);
    void answerSave(const QString& path);
    // Queue the answer to the next question about unsaved work.
    void answerSaveQuestion(SaveAnswer answer);

    const QList<Shown>& shown() const { return shown_; }
    // Texts of the questions and notices, in the order shown.
    QStringList texts() const;
    QStringList notices() const;
    QStringList questions() const;
    int count(Kind kind) const;
    // Descriptions of the dialogs that came without a matching answer.
    const QStringList& unexpected() const { return unexpected_; }
    int pendingAnswers() const { return int(answers_.size()); }
    // Forgets answers, records and failures.
    void reset();

    bool ask(QWidget* parent, const QString& text, const QString& caption = {}) override;
    void notify(QWidget* parent, const QString& text) override;
    QString openFile(QWidget* parent, const QString& startDir, const QString& filter,
                     const QStringList& places = {}) override;
    QString saveFile(QWidget* parent, const QString& startPath, const QString& filter,
                     const QString& defaultSuffix, const QStringList& places = {}) override;
    SaveAnswer askToSave(QWidget* parent, const QString& text) override;

private:
    struct Answer {
        Kind kind;
        bool yes = false;
        QString path;
        SaveAnswer save = SaveAnswer::Cancel;
    };
    // The head answer when it is of `kind`; otherwise records the failure and returns false.
    bool take(Kind kind, const QString& what, Answer& out);

    QList<Answer> answers_;
    QList<Shown> shown_;
    QStringList unexpected_;
};
