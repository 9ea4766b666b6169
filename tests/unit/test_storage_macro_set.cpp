// Replacing the 78 macro files as one set: the new bytes and permissions,
// the backup of the old set, and that a failure at any step changes nothing.
#include "keypad_test_support.h"
#include "macro_set_support.h"

#include "base/paths.h"
#include "storage/macro_set.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace pmtest;
using pm::MacroSet;

namespace {

class MacroSetTest : public ::testing::Test {
protected:
    MacroSetTest()
    {
        old[40] = {"0,41\r\n", "Esc\r\n", "3,0\r\n"};
        for (const auto& [key, files] : old) {
            dir.write("\\log\\KeyNum" + std::to_string(key) + ".txt", files.strokes);
            dir.write("\\log\\KeyCode" + std::to_string(key) + ".txt", files.text);
            dir.write("\\log\\LineBuf" + std::to_string(key) + ".txt", files.lines);
        }
        next[40] = {"2,20\r\n", "Shift+Q\r\n", "7,0\r\n"};
        next[3] = {"0,08\r\n", "Shift+\xA1\xA8\r\n", "8,0\r\n"};
        hooks.now = [] { return std::time_t(1700000000); };
    }

    std::string log() const { return dir.file("\\log"); }
    std::string backupName() const { return "log-before-import-" + stamp() + ".txt"; }
    static std::string stamp()
    {
        std::time_t t = 1700000000;
        char buf[32];
        std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", std::localtime(&t));
        return buf;
    }
    std::vector<std::string> appDirEntries() const
    {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir.path()))
            out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    // The log folder holds exactly the 78 files of set.
    void expectLogHolds(const MacroSet& set) const
    {
        EXPECT_EQ(pm::readMacroSet(log(), allKeys()), set);
        EXPECT_EQ(dir.logSnapshot().size(), 78u);
    }

    TempAppDir dir;
    MacroSet old = emptySet();
    MacroSet next = emptySet();
    pm::ReplaceHooks hooks;
};

} // namespace

TEST_F(MacroSetTest, ReadingGivesExactBytesAndNamesAMissingFile)
{
    dir.write("\\log\\KeyCode9.txt", "a\nb");
    old[9].text = "a\nb";
    EXPECT_EQ(pm::readMacroSet(log(), allKeys()), old);
    dir.remove("\\log\\LineBuf43.txt");
    EXPECT_EQ(uiErrorOf([&] { pm::readMacroSet(log(), allKeys()); }),
        "Cannot open file \"" + dir.file("\\log\\LineBuf43.txt") + "\". No such file or directory");
}

TEST_F(MacroSetTest, AReplacementLeavesTheNewFilesWithTheirPermissionsAndABackup)
{
    const fs::path code40 = dir.file("\\log\\KeyCode40.txt");
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(code40, mode);
    fs::permissions(log(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);

#ifndef _WIN32
    struct stat was;
    ASSERT_EQ(::stat(log().c_str(), &was), 0);
#endif
    const pm::ReplaceOutcome out
        = pm::replaceMacroSet(log(), next, allKeys(), {{"before the test"}, {}}, hooks);

    expectLogHolds(next);
#ifndef _WIN32
    struct stat now;
    ASSERT_EQ(::stat(log().c_str(), &now), 0);
    EXPECT_NE(now.st_ino, was.st_ino) << "the folder was not exchanged whole";
#endif
    EXPECT_EQ(fs::status(code40).permissions(), mode);
    EXPECT_EQ(fs::status(log()).permissions(),
        fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    EXPECT_EQ(out.backupPath, dir.file("\\" + backupName()));
    EXPECT_EQ(out.leftover, "");
    EXPECT_EQ(appDirEntries(), (std::vector<std::string>{"BMP", "log", backupName()}));
    const std::string backup = dir.read("\\" + backupName());
    EXPECT_NE(backup.find("# before the test\n"), std::string::npos);
    EXPECT_EQ(pm::importMacros(backup, allKeys()), old);

    // A second import the same second keeps the first backup.
    const pm::ReplaceOutcome again = pm::replaceMacroSet(log(), old, allKeys(), {}, hooks);
    EXPECT_EQ(again.backupPath, dir.file("\\log-before-import-" + stamp() + "-2.txt"));
    EXPECT_EQ(pm::importMacros(dir.read("\\" + backupName()), allKeys()), old);
    EXPECT_EQ(pm::importMacros(dir.read("\\log-before-import-" + stamp() + "-2.txt"), allKeys()), next);
    expectLogHolds(old);
}

TEST_F(MacroSetTest, AFailureAtAnyStepBeforeTheExchangeChangesNothing)
{
    const auto before = dir.logSnapshot();
    const auto entries = appDirEntries();
    for (const std::string failAt :
        {"stage", "stage KeyNum0.txt", "stage KeyCode13.txt", "stage LineBuf43.txt", "backup", "exchange"}) {
        hooks.beforeStep = [&](const std::string& step) {
            if (step == failAt)
                throw pm::UiError("disk full");
        };
        EXPECT_EQ(uiErrorOf([&] { pm::replaceMacroSet(log(), next, allKeys(), {}, hooks); }), "disk full")
            << failAt;
        EXPECT_EQ(dir.logSnapshot(), before) << failAt;
        EXPECT_EQ(appDirEntries(), entries) << failAt;
    }
}

TEST_F(MacroSetTest, RefusesBeforeChangingAnything)
{
    const auto before = dir.logSnapshot();
    const auto entries = appDirEntries();
    auto refused = [&](const MacroSet& set) {
        const std::string msg = uiErrorOf([&] { pm::replaceMacroSet(log(), set, allKeys(), {}, hooks); });
        EXPECT_EQ(dir.logSnapshot(), before) << msg;
        EXPECT_EQ(appDirEntries(), entries) << msg;
        return msg;
    };

    MacroSet bad = next;
    bad[3].lines = "7,0\r\n";
    EXPECT_EQ(refused(bad),
        "LineBuf3.txt line 1: length 7,0 does not match display line Shift+\xE2\x80\x9D, which is "
        "8 bytes long");

    // A superuser may write a read-only file; the seam stands for the check.
    const std::string ro = dir.file("\\log\\KeyNum9.txt");
    hooks.mayWrite = [&](const std::string& path) { return path != ro; };
    EXPECT_EQ(refused(next), "Cannot create file \"" + ro + "\". Permission denied");
    hooks.mayWrite = nullptr;
#ifndef _WIN32
    if (::geteuid() != 0) {
        fs::permissions(ro, fs::perms::owner_read);
        EXPECT_EQ(refused(next), "Cannot create file \"" + ro + "\". Permission denied");
        fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_write);
    }
#endif
}

TEST_F(MacroSetTest, AStageThatCannotBeCreatedOrIsLeftOverStopsIt)
{
    // What an interrupted import leaves: never removed or used by the next.
    const std::string stage = log() + ".importing";
    fs::create_directory(stage);
    std::ofstream(stage + "/KeyNum40.txt") << "left";
    const auto before = dir.logSnapshot();
    const std::string msg = uiErrorOf([&] { pm::replaceMacroSet(log(), next, allKeys(), {}, hooks); });
    EXPECT_EQ(msg.rfind("Cannot create file \"" + stage + "\". File exists.", 0), 0u) << msg;
    EXPECT_EQ(dir.logSnapshot(), before);
    EXPECT_EQ(dir.read("\\log.importing\\KeyNum40.txt"), "left");

    // A folder name so long that the stage's name is too long for the system.
    const std::string longLog = dir.path() + "/" + std::string(250, 'g');
    fs::create_directory(longLog);
    for (const int k : allKeys())
        for (const char* kind : {"KeyNum", "KeyCode", "LineBuf"})
            std::ofstream(longLog + "/" + kind + std::to_string(k) + ".txt");
    EXPECT_EQ(uiErrorOf([&] { pm::replaceMacroSet(longLog, next, allKeys(), {}, hooks); }),
        "Cannot create file \"" + longLog + ".importing\". File name too long");
    EXPECT_EQ(pm::readMacroSet(longLog, allKeys()), emptySet());
}

#ifndef _WIN32
TEST_F(MacroSetTest, AFailedImportWhoseStageStaysIsRolledBackNotFinishedByTheNextStart)
{
    // The exchange fails, and so does removing the whole staged set after it.
    hooks.exchange = [](const std::string&, const std::string&) { return EIO; };
    pm::setFileChangeHook([](const char* call, const std::string& path) {
        return std::string(call) == "unlink" && path.find("KeyNum40.txt") != std::string::npos ? EBUSY : 0;
    });
    const std::string msg = uiErrorOf([&] { pm::replaceMacroSet(log(), next, allKeys(), {}, hooks); });
    pm::setFileChangeHook(nullptr);
    EXPECT_EQ(msg.rfind("Cannot create file \"" + log() + "\".", 0), 0u) << msg;
    expectLogHolds(old);

    pm::recoverMacroSet(log(), allKeys());
    expectLogHolds(old);
    EXPECT_EQ(appDirEntries(), (std::vector<std::string>{"BMP", "log"}));
}
#endif

TEST_F(MacroSetTest, WithoutAnExchangeTheFilesAreReplacedOneByOne)
{
    hooks.exchange = [](const std::string&, const std::string&) { return EINVAL; };
    const pm::ReplaceOutcome out = pm::replaceMacroSet(log(), next, allKeys(), {}, hooks);
    expectLogHolds(next);
    EXPECT_EQ(appDirEntries(), (std::vector<std::string>{"BMP", "log", backupName()}));
    EXPECT_EQ(pm::importMacros(dir.read("\\" + backupName()), allKeys()), old);
}

TEST_F(MacroSetTest, ALinkedFolderIsReplacedBesideItsTargetAndOtherFilesStay)
{
    const std::string real = dir.path() + "/elsewhere";
    fs::create_directory(real);
    fs::rename(log(), real + "/macros");
    fs::create_directory_symlink(real + "/macros", log());
    dir.write("\\log\\notes.txt", "mine");

    pm::replaceMacroSet(log(), next, allKeys(), {}, hooks);
    EXPECT_TRUE(fs::is_symlink(log()));
    EXPECT_EQ(pm::readMacroSet(log(), allKeys()), next);
    EXPECT_EQ(dir.read("\\log\\notes.txt"), "mine");
    EXPECT_EQ(dir.logSnapshot().size(), 79u);
    EXPECT_EQ(std::distance(fs::directory_iterator(real), fs::directory_iterator()), 1);
    EXPECT_EQ(appDirEntries(), (std::vector<std::string>{"BMP", "elsewhere", "log", backupName()}));
}

TEST_F(MacroSetTest, AnOldSetThatCannotBeRemovedIsReportedNotThrown)
{
    hooks.beforeStep = [](const std::string& step) {
        if (step == "remove old")
            throw pm::UiError("busy");
    };
    const pm::ReplaceOutcome out = pm::replaceMacroSet(log(), next, allKeys(), {}, hooks);
    expectLogHolds(next);
    EXPECT_EQ(out.leftover, log() + ".importing");
    EXPECT_EQ(pm::readMacroSet(out.leftover, allKeys()), old);
}
