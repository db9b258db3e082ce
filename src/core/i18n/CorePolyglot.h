#pragma once
// TbsCorePolyglot: the one translation state of the process. It knows the language directory, the
// languages found there, the current language with its open translation file, and the managers
// whose windows follow the language.
#include "i18n/IniFile.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zelmar::i18n {

// What the core asks of a manager: translate all of its windows (the language has changed).
class PolyglotListener {
public:
    virtual ~PolyglotListener() = default;
    virtual void translateAllWindows() = 0;
};

class TbsCorePolyglot {
public:
    // Starts in "./Language/" with "English" requested and resource strings translated. Only one
    // may exist: a second throws std::logic_error.
    TbsCorePolyglot();
    ~TbsCorePolyglot();
    TbsCorePolyglot(const TbsCorePolyglot&) = delete;
    TbsCorePolyglot& operator=(const TbsCorePolyglot&) = delete;

    // The core of the process, made on first use and kept until releaseCorePolyglot().
    static TbsCorePolyglot& GetCorePolyglot();
    // The core when there is one, else null.
    static TbsCorePolyglot* assigned();
    // Ends the core made by GetCorePolyglot (at the end of the program, or between tests).
    static void releaseCorePolyglot();

    // The directory ends in '/', or is empty for the working directory. Setting it rescans the
    // languages; the current language and its open file stay.
    std::string langsDir() const;
    void setLangsDir(const std::string& dir);

    // A new language is taken only when it differs from the current one (letter case counts) and
    // is empty or one of the available languages (letter case ignored); then every manager's
    // windows are translated. Returns whether it was taken.
    std::string currentLang() const;
    bool setCurrentLang(const std::string& language);

    // Names of the ".lng" files of the directory, without the extension, sorted by name.
    std::vector<std::string> availableLanguages() const;
    bool hasTranslationFile() const;

    bool translateResourceStrings() const;
    void setTranslateResourceStrings(bool on);

    // Managers are translated in the order they registered; each at most once.
    void registerManager(PolyglotListener* manager);
    void unregisterManager(PolyglotListener* manager);

    // Calls `apply` with each key of the section (in file order) while holding the state lock, so
    // that one window is translated from one file. Nothing happens without a translation file.
    void forEachKey(std::string_view section,
                    const std::function<void(const std::string& key, const std::string& value)>& apply) const;

    // The translation of resource string `id`: the first "ResourceStrings" key naming it, decoded;
    // nothing when translation is off, no file is open or no key names it.
    std::optional<std::string> resourceString(int id) const;

private:
    void rescan();
    void translateAll();

    // Guards the directory, the languages, the current language and the file; held while one window
    // is translated, so it may be taken again on the same thread.
    mutable std::recursive_mutex stateLock_;
    // Guards the managers; held while all windows are translated.
    mutable std::recursive_mutex managersLock_;
    std::string langsDir_;
    std::vector<std::string> languages_;
    std::string current_;
    std::optional<TbsINIFile> file_;
    // The raw value of each resource string in file_, by number: looked up at every use of a text.
    std::unordered_map<int, const std::string*> resources_;
    bool translateResources_ = true;
    std::vector<PolyglotListener*> managers_;
};

} // namespace zelmar::i18n
