// The user's factory copies: written read-only where nothing of the user's stands, replaced only
// while they hold what was written, never left writable, never changing a file linked to them.
#include "model/Errors.h"
#include "model/FactoryNames.h"
#include "model/FactorySets.h"
#include "model/FileIO.h"
#include "model/SetFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <unistd.h>

using namespace zelmar;
namespace fs = std::filesystem;

namespace {

constexpr fs::perms kReadOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;

std::string slurp(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), {});
}

SignalSet shippedSet(int signals, int16_t level)
{
    SignalSet s;
    TDostepnyDzwiek sound;
    sound.SetSamples(std::vector<int16_t>(4000, level));
    s.library.push_back({"s", sound});
    for (int i = 0; i < signals; ++i)
        s.signals.push_back({"n", {TDzwiek{1, 0, 1, 100, 0}}});
    return s;
}

class FactoryCopies : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path()
               / ("zelmar-copies-" + std::to_string(::getpid()) + "-"
                  + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        shipped = root / "shipped";
        folder = root / "Zestawy";
        fs::create_directories(shipped);
        fs::create_directories(folder);
        ship(1);
    }
    void TearDown() override
    {
        setWriteFailureAfterForTesting(-1);
        fs::remove_all(root);
    }
    // Ships all three sets anew, told apart by `level`.
    void ship(int16_t level)
    {
        for (int set = 1; set <= kFactorySetCount; ++set)
            writeSetFile(shippedSet(set + 1, int16_t(level + set)), (shipped / std::string(factorySetFileName(set))).string());
    }
    FactoryWriteResult write() { return writeFactorySets(shipped, folder, polish); }
    fs::path copy(const std::string& name) const { return folder / name; }
    std::set<std::string> names() const
    {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator(folder))
            out.insert(e.path().filename().string());
        return out;
    }
    // The sample level of the set in a copy, which says which shipping it came from.
    static int16_t levelOf(const fs::path& p) { return readSetFile(p.string()).library.at(0).sound.Samples.at(0); }

    fs::path root;
    fs::path shipped;
    fs::path folder;
    const FactoryNames polish = *FactoryNames::of(std::vector<i18n::TbsINIFile::Key>{{"Premium.1", "'kogut'"}});
};

} // namespace

TEST_F(FactoryCopies, TheUsersOwnFilesStayAndTheCopyGoesBesideThem)
{
    // Before any copy was written: a set of the user's under a factory name, and a link.
    writeSetFile(shippedSet(1, 77), copy("Premium.zmr").string());
    const std::string own = slurp(copy("Premium.zmr"));
    fs::create_symlink(root / "elsewhere.zmr", copy("Classic.zmr"));

    FactoryWriteResult r = write();
    EXPECT_EQ(r.written, 3);
    EXPECT_EQ(slurp(copy("Premium.zmr")), own);
    EXPECT_TRUE(fs::is_symlink(copy("Classic.zmr")));
    EXPECT_FALSE(fs::exists(root / "elsewhere.zmr"));
    for (const char* name : {"Premium (2).zmr", "Classic (2).zmr", "Music.zmr"})
        EXPECT_EQ(fs::status(copy(name)).permissions(), kReadOnly) << name;
    EXPECT_EQ(readSetFile(copy("Premium (2).zmr").string()).signals.at(0).name, "kogut");

    // Written again from new shipped sets: the copies of before are replaced where they are.
    ship(10);
    r = write();
    EXPECT_EQ(r.written, 3);
    EXPECT_EQ(names(), (std::set<std::string>{".factory-stamp", "Premium.zmr", "Premium (2).zmr", "Classic.zmr",
                                              "Classic (2).zmr", "Music.zmr"}));
    EXPECT_EQ(levelOf(copy("Premium (2).zmr")), 11);
    EXPECT_EQ(levelOf(copy("Music.zmr")), 13);
    EXPECT_EQ(slurp(copy("Premium.zmr")), own);
    EXPECT_EQ(recordedFactoryStamp(folder), factoryStamp(shipped));
}

TEST_F(FactoryCopies, ACopyTheUserChangedIsNotReplaced)
{
    ASSERT_EQ(write().written, 3);
    // Made writable and changed, as a user may; the size stays, only the content differs.
    std::string edited = slurp(copy("Music.zmr"));
    edited[edited.size() - 1] ^= 1;
    fs::permissions(copy("Music.zmr"), fs::perms::owner_write, fs::perm_options::add);
    std::ofstream(copy("Music.zmr"), std::ios::binary) << edited;

    ship(20);
    EXPECT_EQ(write().written, 3);
    EXPECT_EQ(slurp(copy("Music.zmr")), edited);
    EXPECT_EQ(levelOf(copy("Music (2).zmr")), 23);
    EXPECT_EQ(levelOf(copy("Premium.zmr")), 21);
}

TEST_F(FactoryCopies, AFailedRewriteLeavesTheCopyReadOnlyAndALinkedFileAsItWas)
{
    ASSERT_EQ(write().written, 3);
    fs::create_hard_link(copy("Classic.zmr"), root / "kept.zmr");
    const std::string before = slurp(copy("Classic.zmr"));

    // The disk fills up: the small record still fits, no set does.
    ship(30);
    setWriteFailureAfterForTesting(2000);
    const FactoryWriteResult failed = write();
    setWriteFailureAfterForTesting(-1);
    EXPECT_EQ(failed.written, 0);
    EXPECT_EQ(failed.unsaved.size(), 3u);
    EXPECT_EQ(slurp(copy("Classic.zmr")), before);
    EXPECT_EQ(fs::status(copy("Classic.zmr")).permissions(), kReadOnly);
    EXPECT_NE(recordedFactoryStamp(folder), factoryStamp(shipped));   // tried again next time

    // The next time it works, the copies are known still, and the linked file keeps the old set.
    EXPECT_EQ(write().written, 3);
    EXPECT_EQ(levelOf(copy("Classic.zmr")), 32);
    EXPECT_EQ(fs::status(copy("Classic.zmr")).permissions(), kReadOnly);
    EXPECT_EQ(slurp(root / "kept.zmr"), before);
    EXPECT_EQ(fs::status(root / "kept.zmr").permissions(), kReadOnly);
    EXPECT_EQ(names().count("Classic (2).zmr"), 0u);
}

// What an earlier version of the program left: the stamp alone, and its copies read-only.
TEST_F(FactoryCopies, CopiesOfAnEarlierVersionAreKnownByTheirMode)
{
    ASSERT_EQ(write().written, 3);
    std::ofstream(folder / ".factory-stamp", std::ios::binary) << "Premium.zmr 1 2.3\nClassic.zmr 1 2.3\nMusic.zmr missing\n";
    fs::permissions(copy("Music.zmr"), fs::perms::owner_write, fs::perm_options::add);   // the user's now

    ship(40);
    EXPECT_EQ(write().written, 3);
    EXPECT_EQ(levelOf(copy("Premium.zmr")), 41);
    EXPECT_EQ(levelOf(copy("Music.zmr")), 4);
    EXPECT_EQ(levelOf(copy("Music (2).zmr")), 43);
    // From now on the record names them.
    ship(50);
    EXPECT_EQ(write().written, 3);
    EXPECT_EQ(levelOf(copy("Music (2).zmr")), 53);
    EXPECT_EQ(names().count("Music (3).zmr"), 0u);
}
