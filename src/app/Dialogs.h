#pragma once
// Every modal question, notice and file dialog of the program goes through this port, so that
// tests can answer them without a single real pop-up.
#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Modal Yes/No question with the question icon; true only on Yes. An empty caption means the
    // application title.
    virtual bool ask(QWidget* parent, const QString& text, const QString& caption = {}) = 0;

    // Modal notice with one OK button and the warning icon (a notice tells of something refused or
    // failed), captioned with the application title.
    virtual void notify(QWidget* parent, const QString& text) = 0;

    // Open dialog for an existing file; `filter` is in the "Description|*.a;*.b" form. `places` are
    // folders added to the dialog's side bar. Empty when cancelled.
    virtual QString openFile(QWidget* parent, const QString& startDir, const QString& filter,
                             const QStringList& places = {}) = 0;

    // Save dialog that appends `defaultSuffix` to a name typed without one and asks before
    // overwriting. `startPath` may name a file. Empty when cancelled.
    virtual QString saveFile(QWidget* parent, const QString& startPath, const QString& filter,
                             const QString& defaultSuffix, const QStringList& places = {}) = 0;

    enum class SaveAnswer { Save, Discard, Cancel };
    // Modal question about unsaved work with the buttons Save, Don't Save and Cancel, in the
    // user's language, captioned with the application title.
    virtual SaveAnswer askToSave(QWidget* parent, const QString& text) = 0;
};

// The real dialogs, on QMessageBox and QFileDialog.
class QtDialogs : public Dialogs {
public:
    bool ask(QWidget* parent, const QString& text, const QString& caption = {}) override;
    void notify(QWidget* parent, const QString& text) override;
    QString openFile(QWidget* parent, const QString& startDir, const QString& filter,
                     const QStringList& places = {}) override;
    QString saveFile(QWidget* parent, const QString& startPath, const QString& filter,
                     const QString& defaultSuffix, const QStringList& places = {}) override;
    SaveAnswer askToSave(QWidget* parent, const QString& text) override;
};

// Adds `places` to the side bar of `dialog`. A side bar of the desktop's own dialog cannot take
// them, so a dialog with places is the toolkit's own.
void addPlaces(QFileDialog& dialog, const QStringList& places);

// "Description|*.a;*.b" (pairs separated by "|") into Qt's "Description (*.a *.b)" filters.
QString qtFileFilter(const QString& filter);
