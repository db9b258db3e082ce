#include "PolyglotManager.h"

#include "PolyglotApply.h"
#include "UiLocale.h"

#include <QWidget>

#include <stdexcept>

using zelmar::i18n::TbsCorePolyglot;

namespace {

TbsCorePolyglot& coreForReading()
{
    TbsCorePolyglot* core = TbsCorePolyglot::assigned();
    if (!core)
        throw std::runtime_error("Core polyglot is not assigned.");
    return *core;
}

TbsCorePolyglot& coreForWriting()
{
    TbsCorePolyglot* core = TbsCorePolyglot::assigned();
    if (!core)
        throw std::runtime_error("Core multi lang is not assigned");
    return *core;
}

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

TbsPolyglotManager::TbsPolyglotManager(QObject* parent, const QString& langsDir, const QString& currentLang,
                                       bool translateResourceStrings)
    : QObject(parent)
{
    setObjectName(QStringLiteral("PolyglotManager"));
    TbsCorePolyglot::GetCorePolyglot().registerManager(this);
    setLangsDir(langsDir);
    setCurrentLang(currentLang);
    setTranslateResourceStrings(translateResourceStrings);
}

TbsPolyglotManager::~TbsPolyglotManager()
{
    for (TbsPolyglotTranslator* t : QList<TbsPolyglotTranslator*>(translators_))
        t->setManager(nullptr);
    if (TbsCorePolyglot* core = TbsCorePolyglot::assigned())
        core->unregisterManager(this);
}

QString TbsPolyglotManager::LangsDir() const
{
    return qs(coreForReading().langsDir());
}

void TbsPolyglotManager::setLangsDir(const QString& dir)
{
    TbsCorePolyglot& core = coreForWriting();
    if (LangsDirChanging) {
        bool cancel = false;
        LangsDirChanging(this, qs(core.langsDir()), dir, cancel);
        if (cancel)
            return;
    }
    core.setLangsDir(dir.toStdString());
}

QString TbsPolyglotManager::CurrentLang() const
{
    return qs(coreForReading().currentLang());
}

void TbsPolyglotManager::setCurrentLang(const QString& language)
{
    TbsCorePolyglot& core = coreForWriting();
    if (CurrentLangChanging) {
        bool cancel = false;
        CurrentLangChanging(this, qs(core.currentLang()), language, cancel);
        if (cancel)
            return;
    }
    core.setCurrentLang(language.toStdString());
}

bool TbsPolyglotManager::TranslateResourceStrings() const
{
    return coreForReading().translateResourceStrings();
}

void TbsPolyglotManager::setTranslateResourceStrings(bool on)
{
    coreForWriting().setTranslateResourceStrings(on);
}

void TbsPolyglotManager::addTranslator(TbsPolyglotTranslator* translator)
{
    if (translator && !translators_.contains(translator))
        translators_.append(translator);
}

void TbsPolyglotManager::removeTranslator(TbsPolyglotTranslator* translator)
{
    translators_.removeAll(translator);
}

void TbsPolyglotManager::translateAllWindows()
{
    if (BeforeAllTranslate)
        BeforeAllTranslate(this);
    for (TbsPolyglotTranslator* t : QList<TbsPolyglotTranslator*>(translators_)) {
        if (translators_.contains(t))
            t->translate();
    }
    if (AfterAllTranslate)
        AfterAllTranslate(this);
    uilocale::followLanguageInEffect();
}

TbsPolyglotManager* TbsPolyglotManager::of(QWidget* window)
{
    for (QWidget* w = window; w; w = w->parentWidget()) {
        const auto managers = w->findChildren<TbsPolyglotManager*>(QStringLiteral("PolyglotManager"), Qt::FindDirectChildrenOnly);
        if (!managers.isEmpty())
            return managers.first();
    }
    return nullptr;
}

TbsPolyglotTranslator::TbsPolyglotTranslator(QWidget* window, TbsPolyglotManager* manager)
    : QObject(window), window_(window)
{
    setObjectName(window->isWindow() && window->parentWidget() ? QStringLiteral("bsPolyglotTranslator1")
                                                               : QStringLiteral("PolyglotTranslator"));
    setManager(manager);
    // Made last in its window, so the window is complete: it appears in the language chosen so far.
    translate();
}

TbsPolyglotTranslator::TbsPolyglotTranslator(QWidget* window)
    : TbsPolyglotTranslator(window, TbsPolyglotManager::of(window->parentWidget()))
{
}

TbsPolyglotTranslator::~TbsPolyglotTranslator()
{
    setManager(nullptr);
}

void TbsPolyglotTranslator::setManager(TbsPolyglotManager* manager)
{
    if (manager_ == manager)
        return;
    if (manager_)
        manager_->removeTranslator(this);
    manager_ = manager;
    if (manager_)
        manager_->addTranslator(this);
}

void TbsPolyglotTranslator::translate()
{
    if (BeforeTranslate)
        BeforeTranslate(this);
    polyglot::translateWindow(window_);
    if (AfterTranslate)
        AfterTranslate(this);
}
