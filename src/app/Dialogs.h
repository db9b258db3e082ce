#pragma once
// Every modal question, notice and file dialog of the program goes through this port, so that
// tests can answer them without a single real pop-up.
#include <QString>

class QWidget;

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Modal Yes/No question with the question icon; true only on Yes. An empty caption means the
    // application title.
    virtual bool ask(QWidget* parent, const QString& text, const QString& caption = {}) = 0;

    // Modal notice with one OK button, captioned with the application title.
    virtual void notify(QWidget* parent, const QString& text) = 0;

    // Open dialog for an existing file; `filter` is in the "Description|*.a;*.b" form. Empty when cancelled.
    virtual QString openFile(QWidget* parent, const QString& startDir, const QString& filter) = 0;

    // Save dialog that appends `defaultSuffix` to a name typed without one and asks before
    // overwriting. `startPath` may name a file. Empty when cancelled.
    virtual QString saveFile(QWidget* parent, const QString& startPath, const QString& filter,
                             const QString& defaultSuffix) = 0;
};

// The real dialogs, on QMessageBox and QFileDialog.
class QtDialogs : public Dialogs {
public:
    bool ask(QWidget* parent, const QString& text, const QString& caption = {}) override;
    void notify(QWidget* parent, const QString& text) override;
    QString openFile(QWidget* parent, const QString& startDir, const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& startPath, const QString& filter,
                     const QString& defaultSuffix) override;
};

// "Description|*.a;*.b" (pairs separated by "|") into Qt's "Description (*.a *.b)" filters.
QString qtFileFilter(const QString& filter);
