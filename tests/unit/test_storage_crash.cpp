// A process killed at any call that changes a file, while it stores a key's
// three files or imports a whole set: what the next start recovers is the
// whole old state or the whole new one, every key loads, and nothing of the
// interrupted work is left behind. Also what a planted link may not reach.
#include "keypad_test_support.h"
#include "macro_set_support.h"

#include "base/paths.h"
#include "storage/macro_files.h"
#include "storage/macro_set.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace pmtest;
using pm::MacroSet;

namespace {

constexpr int kFinished = 42; // the child ran to the end without reaching its crash point

// Runs work in a child process that dies, without any clean-up, just
// before its crashAt-th call that changes a file. True when it died there,
// false when the work ended before that call.
bool crashAt(int crashAt, const std::function<void()>& work)
{
    const pid_t child = ::fork();
    if (child == 0) {
        int calls = 0;
        pm::setFileChangeHook([&calls, crashAt](const char* call, const std::string& path) {
            if (++calls == crashAt) {
                if (getenv("PM_DEBUG_CRASH"))
                    fprintf(stderr, "crash %d at %s %s\n", crashAt, call, path.c_str());
                ::_exit(0);
            }
            return 0;
        });
        try {
            work();
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(kFinished);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 1) << "the work failed at call " << crashAt;
    return WEXITSTATUS(status) == 0;
}

class CrashTest : public ::testing::Test {
protected:
    CrashTest()
    {
        old[40] = {"0,41\r\n", "Esc\r\n", "3,0\r\n"};
        old[9] = {"2,20\r\n0,41\r\n", "Shift+Q\r\nEsc\r\n", "7,0\r\n3,0\r\n"};
        next[40] = {"5,89\r\n5,90\r\n5,91\r\n0,43\r\n", "Ctrl+Alt+1+2+3\r\nTab\r\n", "14,3\r\n3,0\r\n"};
        next[3] = {"0,08\r\n", "Shift+\xA1\xA8\r\n", "8,0\r\n"};
    }

    void put(const MacroSet& set)
    {
        for (const auto& [key, files] : set) {
            dir.write("\\log\\KeyNum" + std::to_string(key) + ".txt", files.strokes);
            dir.write("\\log\\KeyCode" + std::to_string(key) + ".txt", files.text);
            dir.write("\\log\\LineBuf" + std::to_string(key) + ".txt", files.lines);
        }
    }
    std::string log() const { return dir.file("\\log"); }

    // Every name in the application folder and the log folder that is not
    // a picture folder, a macro file or an import's backup.
    std::vector<std::string> strayNames() const
    {
        std::vector<std::string> out;
        for (const fs::path& d : {fs::path(dir.path()), fs::path(log())})
            for (const auto& e : fs::directory_iterator(d)) {
                const std::string name = e.path().filename().string();
                const bool macro
                    = d == fs::path(log()) && name.find(".txt") != std::string::npos && name[0] != '.';
                if (name != "BMP" && name != "log" && !macro && name.rfind("log-before-import-", 0) != 0)
                    out.push_back(name);
            }
        return out;
    }

    // Every key's files pass the checks and load into the editor's tables.
    void expectEveryKeyLoads(int point)
    {
        for (const int key : allKeys()) {
            pm::Macro m;
            pm::readMacroFiles(dir.path(), key, m);
            EXPECT_NO_THROW(pm::requireDisplayLineLimit(dir.path(), key, m)) << point;
            EXPECT_NO_THROW(pm::parseLineTables(m)) << "key " << key << " after a crash at call " << point;
        }
    }

    std::vector<std::string> recover()
    {
        std::vector<std::string> done = pm::recoverMacroSet(log(), allKeys());
        for (auto& m : pm::replayStoreJournals(dir.path()))
            done.push_back(m);
        return done;
    }

    TempAppDir dir;
    MacroSet old = emptySet();
    MacroSet next = emptySet();
};

pm::Macro macroOf(const pm::KeyFiles& files)
{
    pm::Macro m;
    m.KeyNum.setFileBytes(files.strokes);
    m.KeyCode.setFileBytes(files.text);
    m.LineBuf.setFileBytes(files.lines);
    pm::parseLineTables(m);
    return m;
}

} // namespace

TEST_F(CrashTest, ProgramKilledAtAnyCallLeavesTheOldOrTheNewMacroOnceRecovered)
{
    int points = 0;
    bool sawOld = false, sawNew = false;
    for (int n = 1;; ++n) {
        put(old);
        pm::Macro m = macroOf(next[40]);
        if (!crashAt(n, [&] { pm::storeMacro(dir.path(), 40, m); }))
            break;
        ++points;
        const std::vector<std::string> said = recover();
        const MacroSet now = pm::readMacroSet(log(), allKeys());
        MacroSet whole = old;
        whole[40] = next[40];
        EXPECT_TRUE(now == old || now == whole) << "a mixed key after a crash at call " << n;
        sawOld = sawOld || now == old;
        sawNew = sawNew || now == whole;
        // Told only when the store was finished for it.
        if (now == old) {
            EXPECT_EQ(said, std::vector<std::string>{}) << n;
        }
        for (const auto& s : said)
            EXPECT_EQ(
                s, "The macro of key 40 was being stored when the program stopped; it is now stored whole.");
        EXPECT_EQ(strayNames(), std::vector<std::string>{}) << n;
        expectEveryKeyLoads(n);
        // Nothing is left to do a second time.
        EXPECT_EQ(recover(), std::vector<std::string>{}) << n;
    }
    EXPECT_GT(points, 15);
    EXPECT_TRUE(sawOld && sawNew);
}

TEST_F(CrashTest, ImportKilledAtAnyCallIsFinishedOrRolledBackAndSaysWhich)
{
    put(old);
    int points = 0, finished = 0, rolledBack = 0;
    for (int n = 1;; ++n) {
        put(old);
        for (const auto& e : fs::directory_iterator(dir.path()))
            if (e.path().filename().string().rfind("log-before-import-", 0) == 0)
                fs::remove(e.path());
        if (!crashAt(n, [&] { pm::replaceMacroSet(log(), next, allKeys()); }))
            break;
        ++points;
        const std::vector<std::string> said = recover();
        const MacroSet now = pm::readMacroSet(log(), allKeys());
        ASSERT_TRUE(now == old || now == next) << "a mixed set after a crash at call " << n;
        if (!said.empty()) {
            ASSERT_EQ(said.size(), 1u) << n;
            if (now == next) {
                EXPECT_EQ(said[0].find("An import that had been interrupted was finished: the macros are the "
                                       "imported ones; the previous ones are in "
                                  + dir.path() + "/log-before-import-",
                              0),
                    0u)
                    << said[0];
                ++finished;
            } else {
                EXPECT_EQ(said[0],
                    "An import that had been interrupted was rolled back: the macros are those from before "
                    "it.")
                    << n;
                ++rolledBack;
            }
        }
        if (now == next) {
            // The previous set is kept whole beside the folder.
            bool backup = false;
            for (const auto& e : fs::directory_iterator(dir.path()))
                if (e.path().filename().string().rfind("log-before-import-", 0) == 0)
                    backup
                        = pm::importMacros(dir.read("\\" + e.path().filename().string()), allKeys()) == old;
            EXPECT_TRUE(backup) << n;
        }
        EXPECT_EQ(strayNames(), std::vector<std::string>{}) << n;
        expectEveryKeyLoads(n);
        EXPECT_EQ(recover(), std::vector<std::string>{}) << n;
        // The next import goes through.
        if (n % 50 == 0) {
            pm::replaceMacroSet(log(), old, allKeys());
            EXPECT_EQ(pm::readMacroSet(log(), allKeys()), old);
        }
    }
    EXPECT_GT(points, 300);
    EXPECT_GT(finished, 0);
    EXPECT_GT(rolledBack, 0);
}

TEST_F(CrashTest, APlantedLinkAtATemporaryOrJournalNameIsNeverWrittenThrough)
{
    const std::string secret = dir.path() + "/secret";
    std::ofstream(secret) << "keep";
    fs::permissions(secret, fs::perms::owner_read | fs::perms::owner_write);
    put(old);
    fs::create_symlink("../secret", dir.file("\\log\\KeyCode40.txt.tmp"));
    fs::create_symlink("../secret", dir.file("\\log\\.store-40.journal"));
    fs::remove(dir.file("\\log\\KeyNum40.txt"));
    fs::create_symlink("../secret", dir.file("\\log\\KeyNum40.txt"));

    pm::Macro m = macroOf(next[40]);
    pm::storeMacro(dir.path(), 40, m);
    EXPECT_EQ(dir.read("\\secret"), "keep");
    EXPECT_EQ(fs::status(secret).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    // The link the key's file was is replaced by the file itself.
    EXPECT_FALSE(fs::is_symlink(dir.file("\\log\\KeyNum40.txt")));
    EXPECT_EQ(pm::readMacroSet(log(), allKeys())[40], next[40]);
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir.file("\\log\\.store-40.journal"))));

    // Recovery removes only its own temporary files, never a link someone left.
    EXPECT_EQ(recover(), std::vector<std::string>{});
    EXPECT_TRUE(fs::is_symlink(dir.file("\\log\\KeyCode40.txt.tmp")));
    EXPECT_EQ(dir.read("\\secret"), "keep");
}

TEST_F(CrashTest, ADamagedJournalIsDroppedAndTheKeyKeepsItsMacro)
{
    put(old);
    dir.write("\\log\\.store-9.journal", "padmacro-store 1 9 4 4 4 0000000000000000\nabcdabcdabcd");
    EXPECT_EQ(recover(),
        (std::vector<std::string>{
            "An unfinished store of key 9 was dropped; the key keeps its previous macro."}));
    EXPECT_EQ(pm::readMacroSet(log(), allKeys()), old);
    EXPECT_EQ(strayNames(), std::vector<std::string>{});
}

TEST_F(CrashTest, ExportKilledAtAnyCallLeavesTheOldOrTheNewFileAndNoLeftover)
{
    const std::string out = dir.path() + "/macros.txt";
    const std::string before = pm::exportMacros(old);
    const std::string after = pm::exportMacros(next);
    int points = 0;
    for (int n = 1;; ++n) {
        std::ofstream(out, std::ios::binary | std::ios::trunc) << before;
        if (!crashAt(n, [&] { pm::replaceWholeFile(out, after); }))
            break;
        ++points;
        const std::string now = dir.read("\\macros.txt");
        EXPECT_TRUE(now == before || now == after) << "a torn export after a crash at call " << n;
        EXPECT_EQ(recover(), std::vector<std::string>{});
        EXPECT_EQ(strayNames(), std::vector<std::string>{"macros.txt"}) << n;
    }
    EXPECT_GE(points, 5);
}

TEST_F(CrashTest, LinksPlantedAtTheNamesOfAnImportAreNeitherFollowedNorTakenForItsOwn)
{
    put(old);
    const std::string secret = dir.path() + "/secret";
    std::ofstream(secret) << "private";
    // A link at the completion mark would have the recovery read the file it
    // leads to into its message; a link at the stage would take the new set.
    fs::create_symlink(secret, dir.file("\\log\\.import-complete"));
    fs::create_directory(dir.path() + "/elsewhere");
    fs::create_directory_symlink(dir.path() + "/elsewhere", log() + ".importing");
    EXPECT_EQ(recover(), std::vector<std::string>{});
    const std::string msg = uiErrorOf([&] { pm::replaceMacroSet(log(), next, allKeys()); });
    EXPECT_EQ(msg,
        "Cannot create file \"" + log() + ".importing\". File exists. It is not a folder an import made; move "
        "it away and try again. Nothing was changed.");
    EXPECT_TRUE(fs::is_empty(dir.path() + "/elsewhere"));
    EXPECT_EQ(pm::readMacroSet(log(), allKeys()), old);
    EXPECT_EQ(dir.read("\\secret"), "private");
}
