#include "paths/DataPaths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using zelmar::findDataDirectory;

namespace {

struct TempTree {
    fs::path root;
    TempTree()
    {
        char pattern[] = "/tmp/zelmar-paths-XXXXXX";
        root = mkdtemp(pattern);
    }
    ~TempTree() { fs::remove_all(root); }
};

} // namespace

TEST(DataPaths, FindsTheDataOfAnInstallAndOfABuildFolder)
{
    unsetenv("ZELMAR_DATA_DIR");
    TempTree t;
    const fs::path prefix = t.root / "opt dir" / "zelmar";   // a prefix with a space
    fs::create_directories(prefix / "bin");
    EXPECT_FALSE(findDataDirectory(prefix / "bin"));
    fs::create_directories(prefix / "share" / "zelmar");
    EXPECT_EQ(findDataDirectory(prefix / "bin"), (prefix / "share" / "zelmar"));

    const fs::path build = t.root / "build";
    fs::create_directories(build / "src" / "app");
    fs::create_directories(build / "share" / "zelmar");
    EXPECT_EQ(findDataDirectory(build / "src" / "app"), (build / "share" / "zelmar"));

    // A moved install tree keeps working: nothing depends on where it was built or installed.
    const fs::path moved = t.root / "moved";
    fs::rename(prefix, moved);
    EXPECT_EQ(findDataDirectory(moved / "bin"), (moved / "share" / "zelmar"));
    EXPECT_EQ(zelmar::expectedDataDirectory(moved / "bin"), (moved / "share" / "zelmar"));
}

TEST(DataPaths, EnvironmentOverridesAndMustExist)
{
    TempTree t;
    setenv("ZELMAR_DATA_DIR", t.root.c_str(), 1);
    EXPECT_EQ(findDataDirectory(fs::path("/nowhere/bin")), t.root);
    setenv("ZELMAR_DATA_DIR", (t.root / "missing").c_str(), 1);
    EXPECT_FALSE(findDataDirectory(fs::path("/nowhere/bin")));
    unsetenv("ZELMAR_DATA_DIR");
    EXPECT_FALSE(findDataDirectory(fs::path()));
}

// The one decision behind the wizard's access hint and zelmarctl's advice: the rules an install put
// beside its programs, or nothing for a program run from a build folder.
TEST(DataPaths, InstalledUdevRulesAreThoseOfTheInstall)
{
    TempTree t;
    const fs::path prefix = t.root / "opt dir";
    fs::create_directories(prefix / "bin");
    const fs::path folder = prefix / "lib" / "udev" / "rules.d";
    fs::create_directories(folder / "70-zelmar.rules");   // a folder of that name is no rules
    EXPECT_FALSE(zelmar::installedUdevRules(prefix / "bin"));
    fs::remove(folder / "70-zelmar.rules");
    { std::ofstream(folder / "70-zelmar.rules") << "# rules\n"; }
    EXPECT_EQ(zelmar::installedUdevRules(prefix / "bin"), folder / "70-zelmar.rules");

    const fs::path build = t.root / "build";
    fs::create_directories(build / "src" / "cli");
    EXPECT_FALSE(zelmar::installedUdevRules(build / "src" / "cli"));
    EXPECT_FALSE(zelmar::installedUdevRules(fs::path()));
}
