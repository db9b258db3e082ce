#pragma once
// The translation components of the windows: one manager on the main window, one translator on
// every window. Each property is forwarded to the process's translation core.
#include "i18n/CorePolyglot.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QWidget;
class TbsPolyglotTranslator;

class TbsPolyglotManager : public QObject, public zelmar::i18n::PolyglotListener {
    Q_OBJECT
public:
    // Registers with the core (made when there is none yet) and takes the given directory,
    // language and resource-string switch, as the main window's manager is set up.
    explicit TbsPolyglotManager(QObject* parent = nullptr, const QString& langsDir = QStringLiteral("./Wersje językowe/"),
                                const QString& currentLang = QStringLiteral("Polish"), bool translateResourceStrings = true);
    ~TbsPolyglotManager() override;

    // Reading without a core throws "Core polyglot is not assigned.", setting "Core multi lang is
    // not assigned" (std::runtime_error).
    QString LangsDir() const;
    void setLangsDir(const QString& dir);
    QString CurrentLang() const;
    void setCurrentLang(const QString& language);
    bool TranslateResourceStrings() const;
    void setTranslateResourceStrings(bool on);

    // Events; unassigned by default. Cancel starts false.
    std::function<void(QObject* sender, const QString& oldLanguage, const QString& newLanguage, bool& cancel)>
        CurrentLangChanging;
    std::function<void(QObject* sender, const QString& oldFolder, const QString& newFolder, bool& cancel)>
        LangsDirChanging;
    std::function<void(QObject* sender)> BeforeAllTranslate;
    std::function<void(QObject* sender)> AfterAllTranslate;

    QList<TbsPolyglotTranslator*> translators() const { return translators_; }
    void addTranslator(TbsPolyglotTranslator* translator);
    void removeTranslator(TbsPolyglotTranslator* translator);

    // Translates every window of this manager, in the order their translators registered.
    void translateAllWindows() override;

    // The manager named "PolyglotManager" on `window` or on one of the windows it belongs to.
    static TbsPolyglotManager* of(QWidget* window);

private:
    QList<TbsPolyglotTranslator*> translators_;
};

class TbsPolyglotTranslator : public QObject {
    Q_OBJECT
public:
    // Placed on `window`; registers with `manager` (by default the main window's, found through
    // the window's parents) and translates the window at once.
    explicit TbsPolyglotTranslator(QWidget* window, TbsPolyglotManager* manager);
    explicit TbsPolyglotTranslator(QWidget* window);
    ~TbsPolyglotTranslator() override;

    TbsPolyglotManager* Manager() const { return manager_; }
    void setManager(TbsPolyglotManager* manager);

    std::function<void(QObject* sender)> BeforeTranslate;
    std::function<void(QObject* sender)> AfterTranslate;

    // Applies the section of the window's class from the open translation file.
    void translate();

private:
    QWidget* window_;
    QPointer<TbsPolyglotManager> manager_;
};
