// Loading a translation file as the program does (read, parse, index the resource strings, look up
// every built-in text and every window's section) for files of the largest size the reader takes,
// in the shapes that once made it slow: many sections, many resource strings, many keys of one
// window. The shipped English file is the measure of an ordinary load.
#include "i18n/CorePolyglot.h"
#include "i18n/IniFile.h"
#include "i18n/ResourceStrings.h"
#include "paths/DataPaths.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

using namespace zelmar;
using zelmar::i18n::TbsCorePolyglot;
namespace fs = std::filesystem;

namespace {

const fs::path& folder()
{
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("zelmar-bench-lng-" + std::to_string(::getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

// Writes NAME.lng of lines made by `line(i)` until the next line would pass the reader's limit.
void makeFile(const std::string& name, const std::string& head, std::string (*line)(long))
{
    std::ofstream out(folder() / (name + ".lng"), std::ios::binary);
    std::string text = head;
    for (long i = 0;; ++i) {
        const std::string l = line(i);
        if (text.size() + l.size() > i18n::kMaxTranslationFileBytes)
            break;
        text += l;
    }
    out << text;
}

void makeFiles()
{
    makeFile("Sections", "", [](long i) { return "[S" + std::to_string(i) + "]\nk=v\n"; });
    makeFile("Resources", "[ResourceStrings]\n",
             [](long i) { return std::to_string(65200 + i % 200000) + "='tekst " + std::to_string(i) + "'\n"; });
    makeFile("Keys", "[TMainForm]\n", [](long i) { return "Kontrolka" + std::to_string(i) + ".Caption='x'\n"; });
    const auto data = findDataDirectory();
    if (data)
        fs::copy_file(*data / "lang" / "English.lng", folder() / "English.lng", fs::copy_options::overwrite_existing);
}

void load(benchmark::State& state, const std::string& language)
{
    TbsCorePolyglot& core = TbsCorePolyglot::GetCorePolyglot();
    core.setLangsDir(folder().string());
    const std::vector<int> ids = builtinResourceIds();
    for (auto _ : state) {
        core.setCurrentLang("");
        core.setCurrentLang(language);
        size_t chars = 0;
        for (int id : ids)
            chars += rs(id).size();
        for (const char* window : {"TMainForm", "TFragmentDlg", "TKomunikacjaDlg", "TKonwersjaDlg"})
            core.forEachKey(window, [&](const std::string& k, const std::string& v) { chars += k.size() + v.size(); });
        benchmark::DoNotOptimize(chars);
    }
    state.counters["file_MB"] = double(fs::file_size(folder() / (language + ".lng"))) / 1e6;
}

void BM_ShippedEnglish(benchmark::State& state) { load(state, "English"); }
void BM_ManySections(benchmark::State& state) { load(state, "Sections"); }
void BM_ManyResourceStrings(benchmark::State& state) { load(state, "Resources"); }
void BM_ManyKeysOfOneWindow(benchmark::State& state) { load(state, "Keys"); }

BENCHMARK(BM_ShippedEnglish)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ManySections)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ManyResourceStrings)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ManyKeysOfOneWindow)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    makeFiles();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("limit %ju bytes; peak memory of the run %ld MiB\n", std::uintmax_t(i18n::kMaxTranslationFileBytes),
                usage.ru_maxrss / 1024);
    TbsCorePolyglot::releaseCorePolyglot();
    fs::remove_all(folder());
    return 0;
}
