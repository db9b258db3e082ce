#include "i18n/CorePolyglot.h"

#include "i18n/Literals.h"
#include "i18n/ResourceStrings.h"

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <system_error>

namespace zelmar::i18n {

namespace fs = std::filesystem;

namespace {

std::atomic<TbsCorePolyglot*> theCore{nullptr};
std::mutex ownedLock;
// Not a smart pointer: a core still there at exit stays alive, so that nothing tears it down
// after the resource-string hook it holds is gone.
TbsCorePolyglot* owned = nullptr;

bool hasLngExtension(const std::string& name)
{
    return name.size() > 4 && equalsIgnoringCase(std::string_view(name).substr(name.size() - 4), ".lng");
}

} // namespace

TbsCorePolyglot::TbsCorePolyglot()
{
    TbsCorePolyglot* none = nullptr;
    if (!theCore.compare_exchange_strong(none, this))
        throw std::logic_error("Core Multi Lang is single instance class. Please use GetCorePolyglot class "
                               "function to obtain an instance.");
    setLangsDir("./Language/");
    setCurrentLang("English");
    translateResources_ = true;
    setResourceTranslator([](int id, std::string& text) {
        TbsCorePolyglot* core = assigned();
        if (!core)
            return false;
        std::optional<std::string> t = core->resourceString(id);
        if (!t)
            return false;
        text = std::move(*t);
        return true;
    });
}

TbsCorePolyglot::~TbsCorePolyglot()
{
    setResourceTranslator({});
    theCore.store(nullptr);
}

TbsCorePolyglot& TbsCorePolyglot::GetCorePolyglot()
{
    std::lock_guard<std::mutex> guard(ownedLock);
    if (TbsCorePolyglot* core = theCore.load())
        return *core;
    owned = new TbsCorePolyglot();
    return *owned;
}

TbsCorePolyglot* TbsCorePolyglot::assigned()
{
    return theCore.load();
}

void TbsCorePolyglot::releaseCorePolyglot()
{
    std::lock_guard<std::mutex> guard(ownedLock);
    delete owned;
    owned = nullptr;
}

std::string TbsCorePolyglot::langsDir() const
{
    std::lock_guard<std::recursive_mutex> guard(stateLock_);
    return langsDir_;
}

void TbsCorePolyglot::setLangsDir(const std::string& dir)
{
    std::string previous;
    {
        std::lock_guard<std::recursive_mutex> guard(stateLock_);
        previous = current_;
        if (dir.empty()) {
            langsDir_.clear();
            rescan();
        } else {
            std::string d = dir;
            if (d.back() != '/')
                d += '/';
            if (equalsIgnoringCase(d, langsDir_))
                return;
            langsDir_ = d;
            rescan();
        }
    }
    // The language current before still is: asking for it again changes nothing, and the open
    // file stays open. Only a core without a language takes the first one found.
    setCurrentLang(previous);
    std::string first;
    {
        std::lock_guard<std::recursive_mutex> guard(stateLock_);
        if (current_.empty() && !languages_.empty())
            first = languages_.front();
    }
    if (!first.empty())
        setCurrentLang(first);
}

void TbsCorePolyglot::rescan()
{
    languages_.clear();
    std::error_code ec;
    const fs::path dir = langsDir_.empty() ? fs::path(".") : fs::path(langsDir_);
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (hasLngExtension(name))
            languages_.push_back(name.substr(0, name.size() - 4));
    }
    // Directory listings come in no fixed order; sorted, the first language found is the same on
    // every file system.
    std::sort(languages_.begin(), languages_.end());
}

std::string TbsCorePolyglot::currentLang() const
{
    std::lock_guard<std::recursive_mutex> guard(stateLock_);
    return current_;
}

bool TbsCorePolyglot::setCurrentLang(const std::string& language)
{
    {
        std::lock_guard<std::recursive_mutex> guard(stateLock_);
        if (language == current_)
            return false;
        if (!language.empty()
            && std::none_of(languages_.begin(), languages_.end(),
                            [&](const std::string& l) { return equalsIgnoringCase(l, language); }))
            return false;
        current_ = language;
        file_.reset();
        resources_.clear();
        if (!language.empty()) {
            const fs::path dir = langsDir_.empty() ? fs::path(".") : fs::path(langsDir_);
            fs::path path = dir / (language + ".lng");
            std::error_code ec;
            // The name as written first; then, as on a file system that ignores letter case, the
            // entry it names ("german" opens German.lng).
            if (!fs::exists(path, ec)) {
                for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
                    if (equalsIgnoringCase(it->path().filename().string(), language + ".lng")) {
                        path = it->path();
                        break;
                    }
                }
            }
            file_ = TbsINIFile::open(path);
        }
        if (const auto* keys = file_ ? file_->section("ResourceStrings") : nullptr) {
            for (const TbsINIFile::Key& k : *keys) {
                if (const auto id = resourceKeyNumber(k.name))
                    resources_.try_emplace(*id, &k.value);   // the first one counts
            }
        }
    }
    translateAll();
    return true;
}

std::vector<std::string> TbsCorePolyglot::availableLanguages() const
{
    std::lock_guard<std::recursive_mutex> guard(stateLock_);
    return languages_;
}

bool TbsCorePolyglot::hasTranslationFile() const
{
    std::lock_guard<std::recursive_mutex> guard(stateLock_);
    return file_.has_value();
}

bool TbsCorePolyglot::translateResourceStrings() const
{
    std::lock_guard<std::recursive_mutex> guard(stateLock_);
    return translateResources_;
}

void TbsCorePolyglot::setTranslateResourceStrings(bool on)
{
    std::lock_guard<std::recursive_mutex> guard(stateLock_);
    translateResources_ = on;
}

void TbsCorePolyglot::registerManager(PolyglotListener* manager)
{
    std::lock_guard<std::recursive_mutex> guard(managersLock_);
    if (std::find(managers_.begin(), managers_.end(), manager) == managers_.end())
        managers_.push_back(manager);
}

void TbsCorePolyglot::unregisterManager(PolyglotListener* manager)
{
    std::lock_guard<std::recursive_mutex> guard(managersLock_);
    managers_.erase(std::remove(managers_.begin(), managers_.end(), manager), managers_.end());
}

void TbsCorePolyglot::translateAll()
{
    std::lock_guard<std::recursive_mutex> guard(managersLock_);
    // A manager may go away while another translates (a window closed by a handler).
    const std::vector<PolyglotListener*> managers = managers_;
    for (PolyglotListener* m : managers) {
        if (std::find(managers_.begin(), managers_.end(), m) != managers_.end())
            m->translateAllWindows();
    }
}

void TbsCorePolyglot::forEachKey(std::string_view section,
                                 const std::function<void(const std::string&, const std::string&)>& apply) const
{
    std::lock_guard<std::recursive_mutex> guard(stateLock_);
    if (!file_)
        return;
    const auto* keys = file_->section(section);
    if (!keys)
        return;
    // Copied: a key's effect may change the language and with it the file.
    const std::vector<TbsINIFile::Key> copy = *keys;
    for (const TbsINIFile::Key& k : copy)
        apply(k.name, k.value);
}

std::optional<std::string> TbsCorePolyglot::resourceString(int id) const
{
    std::lock_guard<std::recursive_mutex> guard(stateLock_);
    if (!translateResources_ || !file_)
        return std::nullopt;
    const auto at = resources_.find(id);
    if (at == resources_.end())
        return std::nullopt;
    return decodeLiteral(*at->second);
}

} // namespace zelmar::i18n
