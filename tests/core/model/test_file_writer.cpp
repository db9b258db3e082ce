// The writer of every replaced file: read-only targets, links, folders that take no new file,
// leftovers of killed writers and of killed programs' temporary folders.
#include "model/Errors.h"
#include "model/FileIO.h"
#include "model/SetFile.h"
#include "model/TempFolders.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zelmar;
namespace fs = std::filesystem;

namespace {

constexpr uid_t kNobody = 65534;

std::string slurp(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), {});
}

void put(const fs::path& p, const std::string& bytes)
{
    std::ofstream(p, std::ios::binary) << bytes;
}

std::set<std::string> entries(const fs::path& dir)
{
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

// The id of a process that has ended.
pid_t deadPid()
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

// Runs `body` in a child process as an unprivileged user (root drops to nobody); the child reports
// what went wrong, an empty text when nothing did.
std::string asUnprivileged(const std::function<std::string()>& body)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return "no pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::string problems;
        if (::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            problems = "cannot become nobody";
        else
            problems = body();
        (void)!::write(fds[1], problems.data(), problems.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string out;
    char buf[256];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        out.append(buf, size_t(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status))
        out += "child ended by signal";
    return out;
}

class FileWriter : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("zelmar-writer-" + std::to_string(::getpid()) + "-"
                                           + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        // Reachable by nobody, for the tests that drop privileges.
        fs::permissions(dir, fs::perms::all);
    }
    void TearDown() override
    {
        setUnnamedFilesRefusedForTesting(false);
        setWriteFailureAfterForTesting(-1);
        setWriteStepHookForTesting({});
        std::error_code ec;
        for (const auto& e : fs::recursive_directory_iterator(dir, ec))
            if (e.is_directory(ec) && !e.is_symlink(ec))
                fs::permissions(e.path(), fs::perms::all, ec);
        fs::permissions(dir, fs::perms::all, ec);
        fs::remove_all(dir, ec);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    fs::path dir;
};

} // namespace

TEST_F(FileWriter, AFileNobodyMayWriteIsRefusedAndKept)
{
    for (bool unnamed : {true, false}) {
        setUnnamedFilesRefusedForTesting(!unnamed);
        put(path("ro.zmr"), "old");
        fs::permissions(path("ro.zmr"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        // Root may write any file, but not one that says nobody may.
        EXPECT_THROW(writeFileAtomically(path("ro.zmr"), std::string("new")), FileError);
        EXPECT_THROW(replaceFileThrough(path("ro.zmr"), [](const std::string& p) { put(p, "new"); }), FileError);
        EXPECT_EQ(slurp(path("ro.zmr")), "old");
        EXPECT_EQ(entries(dir), std::set<std::string>{"ro.zmr"});
        EXPECT_TRUE(isReadOnlyFile(path("ro.zmr")));
        fs::remove(path("ro.zmr"));
    }
}

TEST_F(FileWriter, AFileOfAnotherUserIsRefusedEvenInAFolderThatTakesFiles)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a file of another user";
    put(path("theirs.zmr"), "theirs");   // root's, mode 0644, in a folder anybody may write
    const std::string problems = asUnprivileged([&] {
        if (!isReadOnlyFile(path("theirs.zmr")))
            return std::string("not seen as read-only; ");
        try {
            writeFileAtomically(path("theirs.zmr"), std::string("mine"));
            return std::string("replaced");
        } catch (const FileError&) {
        }
        return std::string();
    });
    EXPECT_EQ(problems, "");
    EXPECT_EQ(slurp(path("theirs.zmr")), "theirs");
}

TEST_F(FileWriter, ALinkIsWrittenThroughIntoTheFileItNames)
{
    fs::create_directories(dir / "real");
    put(dir / "real" / "set.zmr", "old contents");
    fs::permissions(dir / "real" / "set.zmr", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("real/set.zmr", dir / "relative.zmr");
    fs::create_symlink(dir / "relative.zmr", dir / "chain.zmr");
    fs::create_symlink("real/new.zmr", dir / "dangling.zmr");

    for (bool unnamed : {true, false}) {
        setUnnamedFilesRefusedForTesting(!unnamed);
        writeFileAtomically(path("chain.zmr"), std::string(unnamed ? "through two" : "named"));
        EXPECT_TRUE(fs::is_symlink(dir / "chain.zmr"));
        EXPECT_TRUE(fs::is_symlink(dir / "relative.zmr"));
        EXPECT_EQ(slurp(dir / "real" / "set.zmr"), unnamed ? "through two" : "named");
        EXPECT_EQ(fs::status(dir / "real" / "set.zmr").permissions(), fs::perms::owner_read | fs::perms::owner_write);
    }
    replaceFileThrough(path("relative.zmr"), [](const std::string& p) { put(p, "by name"); });
    EXPECT_EQ(slurp(dir / "real" / "set.zmr"), "by name");

    // A link to nothing yet makes the file it names.
    writeFileAtomically(path("dangling.zmr"), std::string("fresh"));
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.zmr"));
    EXPECT_EQ(slurp(dir / "real" / "new.zmr"), "fresh");
    EXPECT_EQ(entries(dir / "real"), (std::set<std::string>{"new.zmr", "set.zmr"}));

    // A link to a read-only file is refused like the file.
    fs::permissions(dir / "real" / "set.zmr", fs::perms::owner_read);
    EXPECT_THROW(writeFileAtomically(path("relative.zmr"), std::string("x")), FileError);
    EXPECT_EQ(slurp(dir / "real" / "set.zmr"), "by name");

    fs::create_symlink("loop-b", dir / "loop-a");
    fs::create_symlink("loop-a", dir / "loop-b");
    EXPECT_THROW(writeFileAtomically(path("loop-a"), std::string("x")), FileError);
}

// Rewriting in place is the one way left there, and a full disk or a kill on the way would leave
// the file damaged: the save is refused before the file is touched, and says why.
TEST_F(FileWriter, AWritableFileInAFolderThatTakesNoNewFileIsRefusedUntouched)
{
    fs::create_directories(dir / "locked");
    put(dir / "locked" / "set.zmr", std::string(5000, 'o'));
    put(dir / "locked" / "ro.zmr", "ro");
    if (::geteuid() == 0) {
        ::chown((dir / "locked" / "set.zmr").c_str(), kNobody, kNobody);
        ::chown((dir / "locked" / "ro.zmr").c_str(), kNobody, kNobody);
    }
    fs::permissions(dir / "locked" / "ro.zmr", fs::perms::owner_read);
    fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read
                                        | fs::perms::others_exec);
    const std::string problems = asUnprivileged([&] {
        std::string p;
        const auto expect = [&](const std::string& name, FileProblem problem, const std::function<void()>& write) {
            try {
                write();
                p += name + " written; ";
            } catch (const FileError& e) {
                if (e.problem != problem)
                    p += name + ": " + e.what() + "; ";
            }
        };
        for (bool unnamed : {true, false}) {
            setUnnamedFilesRefusedForTesting(!unnamed);
            expect("set.zmr", FileProblem::UnsafeFolder,
                   [&] { writeFileAtomically((dir / "locked" / "set.zmr").string(), std::string("new")); });
            expect("set.zmr by name", FileProblem::UnsafeFolder, [&] {
                replaceFileThrough((dir / "locked" / "set.zmr").string(), [](const std::string& n) { put(n, "filled"); });
            });
            expect("new.zmr", FileProblem::NoPermission,
                   [&] { writeFileAtomically((dir / "locked" / "new.zmr").string(), std::string("x")); });
            expect("ro.zmr", FileProblem::NoPermission,
                   [&] { writeFileAtomically((dir / "locked" / "ro.zmr").string(), std::string("x")); });
        }
        if (slurp(dir / "locked" / "set.zmr") != std::string(5000, 'o'))
            p += "set.zmr changed; ";
        if (entries(dir / "locked") != std::set<std::string>{"ro.zmr", "set.zmr"})
            p += "stray files; ";
        return p;
    });
    EXPECT_EQ(problems, "");
}

// A pipe would block the writer until somebody reads, a device would take the data as it comes.
TEST_F(FileWriter, AnOutputThatIsNoRegularFileIsRefusedWithoutWaiting)
{
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
    // Held open for reading, so that a writer that wrote into it would not block but succeed.
    const int reader = ::open(path("pipe").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    fs::create_directories(dir / "folder");
    const std::pair<std::string, FileProblem> cases[] = {
        {path("pipe"), FileProblem::NotRegular}, {"/dev/null", FileProblem::NotRegular}, {path("folder"), FileProblem::Folder}};
    for (const auto& [target, problem] : cases) {
        SCOPED_TRACE(target);
        try {
            writeFileAtomically(target, std::string("data"));
            ADD_FAILURE() << "written";
        } catch (const FileError& e) {
            EXPECT_EQ(e.problem, problem) << e.what();
        }
        EXPECT_THROW(replaceFileThrough(target, [](const std::string& n) { put(n, "x"); }), FileError);
    }
    char buf[8];
    EXPECT_LE(::read(reader, buf, sizeof buf), 0);   // nothing came through
    ::close(reader);
}

// Reading stops at what a file of its kind can hold: a device never ends, a pipe blocks, a sparse
// file can claim any size.
TEST_F(FileWriter, ReadsAreBoundedToRegularFilesOfALimitedSize)
{
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);   // no writer: opening it would wait
    fs::create_directories(dir / "folder");
    const std::pair<std::string, FileProblem> refused[] = {{"/dev/zero", FileProblem::NotRegular},
                                                           {path("pipe"), FileProblem::NotRegular},
                                                           {path("folder"), FileProblem::Folder},
                                                           {path("none"), FileProblem::NotFound}};
    for (const auto& [source, problem] : refused) {
        SCOPED_TRACE(source);
        try {
            readWholeFile(source, 100);
            ADD_FAILURE() << "read";
        } catch (const FileError& e) {
            EXPECT_EQ(e.problem, problem) << e.what();
        }
    }
    put(path("ten"), "0123456789");
    EXPECT_EQ(readWholeFile(path("ten"), 10).size(), 10u);
    try {
        readWholeFile(path("ten"), 9);
        ADD_FAILURE() << "read past the limit";
    } catch (const FileError& e) {
        EXPECT_EQ(e.problem, FileProblem::TooLarge);
    }
    // A set file larger than any set is refused unread, whatever it claims inside.
    {
        std::ofstream sparse(path("huge.zmr"), std::ios::binary);
        sparse << serializeSetFile(SignalSet{{{"a", {}}}, {}, {}});
    }
    fs::resize_file(path("huge.zmr"), kMaxSetFileBytes + 1);
    try {
        readSetFile(path("huge.zmr"));
        ADD_FAILURE() << "read";
    } catch (const FileError& e) {
        EXPECT_EQ(e.problem, FileProblem::TooLarge);
    }
}

// A new file gets what the kernel gives it (the umask, or the folder's default access list), an
// existing one keeps its own mode.
TEST_F(FileWriter, ModesComeFromTheKernelForNewFilesAndFromTheTargetForOldOnes)
{
    fs::create_directories(dir / "shared");
    ASSERT_EQ(std::system(("setfacl -d -m u::rw,g::rw,o::- '" + (dir / "shared").string() + "'").c_str()), 0);
    const mode_t before = ::umask(077);
    put(path("private.zmr"), "old");
    fs::permissions(path("private.zmr"), fs::perms::owner_read | fs::perms::owner_write);
    for (bool unnamed : {true, false}) {
        setUnnamedFilesRefusedForTesting(!unnamed);
        const std::string suffix = unnamed ? "1" : "2";
        writeFileAtomically(path("new" + suffix), std::string("x"));
        writeFileAtomically((dir / "shared" / ("new" + suffix)).string(), std::string("x"));
        writeFileAtomically(path("private.zmr"), std::string("new"));
        EXPECT_EQ(fs::status(path("new" + suffix)).permissions(), fs::perms::owner_read | fs::perms::owner_write);
        // The access list, not the umask, decides in the shared folder.
        EXPECT_EQ(fs::status(dir / "shared" / ("new" + suffix)).permissions(),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::group_write);
        EXPECT_EQ(fs::status(path("private.zmr")).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    }
    EXPECT_EQ(::umask(before), mode_t(077));
}

// Factory copies are replaced read-only as they are: never made writable on the way, and a name
// linked to the old copy keeps it as it was.
TEST_F(FileWriter, AReadOnlyCopyReplacesOnlyItsOwnNameAndStaysReadOnly)
{
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    for (bool unnamed : {true, false}) {
        setUnnamedFilesRefusedForTesting(!unnamed);
        put(path("copy.zmr"), "first");
        fs::permissions(path("copy.zmr"), readOnly);
        fs::create_hard_link(path("copy.zmr"), path("linked.zmr"));
        writeReadOnlyCopy(path("copy.zmr"), "second");
        EXPECT_EQ(slurp(path("copy.zmr")), "second");
        EXPECT_EQ(fs::status(path("copy.zmr")).permissions(), readOnly);
        EXPECT_EQ(slurp(path("linked.zmr")), "first");
        EXPECT_EQ(fs::status(path("linked.zmr")).permissions(), readOnly);

        // A failure leaves the old copy, read-only, and nothing beside it.
        setWriteFailureAfterForTesting(2);
        EXPECT_THROW(writeReadOnlyCopy(path("copy.zmr"), "third"), FileError);
        setWriteFailureAfterForTesting(-1);
        EXPECT_EQ(slurp(path("copy.zmr")), "second");
        EXPECT_EQ(fs::status(path("copy.zmr")).permissions(), readOnly);
        EXPECT_EQ(entries(dir), (std::set<std::string>{"copy.zmr", "linked.zmr"}));
        fs::remove(path("copy.zmr"));
        fs::remove(path("linked.zmr"));
    }
    // A link in the copy's place is not followed.
    put(path("mine.zmr"), "mine");
    fs::create_symlink(path("mine.zmr"), path("copy.zmr"));
    EXPECT_THROW(writeReadOnlyCopy(path("copy.zmr"), "copy"), FileError);
    EXPECT_EQ(slurp(path("mine.zmr")), "mine");
    EXPECT_TRUE(fs::is_symlink(path("copy.zmr")));
}

TEST_F(FileWriter, AFailedWriteLeavesNothingInEitherWay)
{
    put(path("set.zmr"), "old");
    for (bool unnamed : {true, false}) {
        setUnnamedFilesRefusedForTesting(!unnamed);
        setWriteFailureAfterForTesting(3);
        EXPECT_THROW(writeFileAtomically(path("set.zmr"), std::string(100, 'n')), FileError);
        setWriteFailureAfterForTesting(-1);
        EXPECT_THROW(replaceFileThrough(path("set.zmr"),
                                        [](const std::string& p) {
                                            put(p, "half");
                                            throw FileError(p, "fill failed");
                                        }),
                     FileError);
        EXPECT_EQ(slurp(path("set.zmr")), "old");
        EXPECT_EQ(entries(dir), std::set<std::string>{"set.zmr"});
    }
    // A missing folder fails plainly.
    EXPECT_THROW(writeFileAtomically(path("none/x.zmr"), std::string("x")), FileError);
}

TEST_F(FileWriter, LeftoversOfDeadWritersGoAndOthersStay)
{
    const std::string dead = std::to_string(deadPid());
    const std::string alive = std::to_string(::getpid());
    put(dir / (".zelmar-" + dead + "-abc123"), "stray");
    fs::create_directories(dir / (".zelmar-" + dead + "-dirABC"));
    for (const std::string& keep : std::vector<std::string>{".zelmar-" + alive + "-abc123", ".zelmar-" + dead + "-abc1234",
                                    "zelmar-" + dead + "-abc123", ".zelmar-0" + dead + "-abc123",
                                    ".zelmar--abc123", ".zelmar-" + dead + "-ab.123"})
        put(dir / keep, "keep");
    const size_t before = entries(dir).size();
    writeFileAtomically(path("set.zmr"), std::string("new"));
    const std::set<std::string> after = entries(dir);
    EXPECT_EQ(after.size(), before);   // one stray gone, the set added
    EXPECT_FALSE(after.count(".zelmar-" + dead + "-abc123"));
    EXPECT_TRUE(after.count(".zelmar-" + dead + "-dirABC"));
    EXPECT_TRUE(after.count(".zelmar-" + alive + "-abc123"));
}

TEST_F(FileWriter, PrivateFoldersCarryThePidAndThoseOfDeadProcessesGo)
{
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", dir.c_str(), 1);
    const std::string mine = makePrivateTempFolder();
    EXPECT_EQ(fs::path(mine).parent_path(), dir);
    EXPECT_EQ(ownerPidOf(fs::path(mine).filename().string(), "zelmar-"), long(::getpid()));
    EXPECT_EQ(fs::status(mine).permissions(), fs::perms::owner_all);

    const std::string dead = std::to_string(deadPid());
    const fs::path abandoned = dir / ("zelmar-" + dead + "-Xy12Zq");
    fs::create_directories(abandoned / "inner");
    put(abandoned / "inner" / "zmr1.tmp.wav", std::string(1000, 'w'));
    // A link of the pattern is not followed into what it names, nor removed.
    fs::create_directories(dir / "precious");
    put(dir / "precious" / "data", "keep");
    fs::create_symlink(dir / "precious", dir / ("zelmar-" + dead + "-linkkk"));
    fs::create_symlink(dir / "precious", abandoned / "inner" / "link");
    put(dir / ("zelmar-" + dead + "-file12"), "a file, not a folder");
    fs::create_directories(dir / ("zelmar-paths-" + dead));
    // A number no process id can be, though cut to 32 bits it names the dead process; and a folder
    // whose mode somebody changed after it was made.
    const std::string tooLarge = "zelmar-" + std::to_string((1LL << 32) + std::stoll(dead)) + "-Xy12Zq";
    fs::create_directories(dir / tooLarge);
    fs::create_directories(dir / ("zelmar-" + dead + "-opened"));
    fs::permissions(dir / ("zelmar-" + dead + "-opened"), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    fs::permissions(abandoned, fs::perms::owner_all);
    EXPECT_EQ(ownerPidOf(tooLarge, "zelmar-"), 0);

    EXPECT_EQ(removeAbandonedTempFolders(), 1);
    ::setenv("TMPDIR", saved.c_str(), 1);
    if (saved.empty())
        ::unsetenv("TMPDIR");
    EXPECT_FALSE(fs::exists(abandoned));
    EXPECT_TRUE(fs::is_directory(mine));
    EXPECT_EQ(slurp(dir / "precious" / "data"), "keep");
    EXPECT_TRUE(fs::is_symlink(dir / ("zelmar-" + dead + "-linkkk")));
    EXPECT_TRUE(fs::exists(dir / ("zelmar-" + dead + "-file12")));
    EXPECT_TRUE(fs::exists(dir / ("zelmar-paths-" + dead)));
    EXPECT_TRUE(fs::exists(dir / tooLarge));
    EXPECT_TRUE(fs::exists(dir / ("zelmar-" + dead + "-opened")));
}

// A child process saves a set and is killed at one point of the write; the file holds the old set
// or the new one, whole, and nothing is left beside it once the next write has run.
TEST_F(FileWriter, AKilledSaveLeavesTheOldOrTheNewSetWhole)
{
    SignalSet oldSet;
    oldSet.signals.push_back({"stary", {}});
    SignalSet newSet;
    newSet.signals.push_back({"nowy", {TDzwiek{1, 0, 1, 10, 0}}});
    TDostepnyDzwiek big;
    big.SetSamples(std::vector<int16_t>(1500000, 7));   // three write chunks
    newSet.library.push_back({"duży", big});
    const std::string target = path("set.zmr");
    const std::string oldBytes = serializeSetFile(oldSet);
    const std::string newBytes = serializeSetFile(newSet);

    for (bool unnamed : {true, false}) {
        int points = 0;
        std::vector<int> strayAt;
        for (int killAt = 1;; ++killAt) {
            SCOPED_TRACE((unnamed ? "unnamed, point " : "named, point ") + std::to_string(killAt));
            writeSetFile(oldSet, target);
            const pid_t pid = ::fork();
            if (pid == 0) {
                setUnnamedFilesRefusedForTesting(!unnamed);
                int seen = 0;
                setWriteStepHookForTesting([&](WriteStep, long long) {
                    if (++seen == killAt)
                        ::raise(SIGKILL);
                });
                writeSetFile(newSet, target);
                ::_exit(0);
            }
            int status = 0;
            ::waitpid(pid, &status, 0);
            const std::string now = slurp(target);
            EXPECT_TRUE(now == oldBytes || now == newBytes);
            if (WIFEXITED(status))
                break;   // past the last point
            ++points;
            // At most the killed writer's one hidden file, until the next write clears it.
            const std::set<std::string> names = entries(dir);
            EXPECT_LE(names.size(), 2u);
            if (names.size() > 1)
                strayAt.push_back(killAt);
            for (const std::string& n : names)
                EXPECT_TRUE(n == "set.zmr" || ownerPidOf(n, ".zelmar-") == long(pid)) << n;
            writeSetFile(oldSet, path("other.zmr"));
            fs::remove(path("other.zmr"));
            EXPECT_EQ(entries(dir), std::set<std::string>{"set.zmr"});
        }
        // Created, three chunks, synced, (linked,) replaced. Without unnamed files the write shows
        // beside the target from its start; with them only between the link and the rename.
        EXPECT_EQ(points, unnamed ? 7 : 6);
        EXPECT_EQ(strayAt, (unnamed ? std::vector<int>{6} : std::vector<int>{1, 2, 3, 4, 5}));
    }
}
