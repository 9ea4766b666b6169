// The keypad window core: start-up refresh, the layout switch, choosing a
// key for the editor (every failing step) and releasing it.
#include "keypad_core_fixture.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <set>

#include "storage/macro_files.h"

using namespace pmtest;

namespace {

constexpr const char* kReleased = "\\BMP\\1.bmp";
constexpr const char* kMarked = "\\BMP\\2.bmp";

const char* const kPadKeys[]
    = {"Key_13", "Key_14", "Key_15", "Key_16", "Key_17", "Key_18", "Key_19", "Key_20", "Key_21", "Key_22",
        "Key_23", "Key_24", "Key_25", "Key_26", "Key_27", "Key_29", "Key_30", "Key_31"};

} // namespace

// ---- start-up and the key-state refresh ------------------------------------------

TEST_F(KeypadCoreTest, CreateFixesAppDirWaitsAndMarksOnlyTheTopRow)
{
    ctx.AppDir.clear();
    markText(41);
    markText(0); // a pad macro is not shown in "MOD0"
    const auto start = std::chrono::steady_clock::now();
    session.start(dir.path());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));

    EXPECT_EQ(ctx.AppDir, dir.path());
    EXPECT_EQ(picture("Key_9"), kReleased);
    EXPECT_EQ(picture("Key_10"), kMarked);
    EXPECT_EQ(picture("Key_11"), kReleased);
    EXPECT_EQ(picture("Key_12"), kReleased);
    for (const char* pad : kPadKeys)
        EXPECT_EQ(picture(pad), "") << pad; // the caps held with the window
    EXPECT_EQ(kp().bitBtn1Caption, "MOD0");
}

// Work done during the wait sees AppDir fixed and no key refreshed yet, and a
// refresh that fails afterwards still fails the start.
TEST_F(KeypadCoreTest, WorkDuringTheWaitRunsAfterAppDirAndBeforeTheRefresh)
{
    ctx.AppDir.clear();
    markText(41);
    std::string appDirSeen;
    std::string key10Seen = "unset";
    session.start(dir.path(), [&] {
        appDirSeen = ctx.AppDir;
        key10Seen = picture("Key_10");
    });
    EXPECT_EQ(appDirSeen, dir.path());
    EXPECT_EQ(key10Seen, "");
    EXPECT_EQ(picture("Key_10"), kMarked);

    dir.remove("\\log\\KeyCode42.txt");
    bool ran = false;
    EXPECT_EQ(uiErrorOf([&] { session.start(dir.path(), [&] { ran = true; }); }),
        "Cannot open file \"" + dir.file("\\log\\KeyCode42.txt") + "\". No such file or directory");
    EXPECT_TRUE(ran);
}

// A Program killed between a key's text file and its line file: the start
// finishes the store before the first refresh, and says so.
TEST_F(KeypadCoreTest, StartFinishesAStoreAKilledProgramLeftHalfDone)
{
    const pid_t child = ::fork();
    if (child == 0) {
        pm::setFileChangeHook([](const char* call, const std::string& path) {
            if (std::string(call) == "rename" && path.ends_with("KeyNum41.txt"))
                ::_exit(0);
            return 0;
        });
        pm::Macro m;
        m.KeyCode.add("Esc");
        m.KeyCode.add("Tab");
        m.KeyNum.add("0,41");
        m.KeyNum.add("0,43");
        m.LineLen[0] = 3;
        m.LineLen[1] = 3;
        pm::storeMacro(dir.path(), 41, m);
        ::_exit(1);
    }
    int status = 1;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_EQ(dir.read("\\log\\KeyCode41.txt"), "Esc\r\nTab\r\n"); // the line file is still empty

    session.start(dir.path());
    EXPECT_EQ(shell.take(),
        (std::vector<std::string>{"message:The macro of key 41 was being stored when the "
                                  "program stopped; it is now stored whole."}));
    EXPECT_EQ(dir.read("\\log\\KeyNum41.txt"), "0,41\r\n0,43\r\n");
    EXPECT_EQ(dir.read("\\log\\LineBuf41.txt"), "3,0\r\n3,0\r\n");
    EXPECT_EQ(picture("Key_10"), kMarked);

    // A start with nothing left over says nothing.
    session.start(dir.path());
    EXPECT_EQ(shell.take(), std::vector<std::string>{});
}

TEST_F(KeypadCoreTest, TheRefreshProbesThePadEvenInMod0)
{
    dir.remove("\\log\\KeyCode27.txt"); // Key_31, probed last
    EXPECT_EQ(uiErrorOf([&] { keypad.Load_Key(); }),
        "Cannot open file \"" + dir.file("\\log\\KeyCode27.txt") + "\". No such file or directory");
    EXPECT_EQ(picture("Key_12"), kReleased); // the top row was already marked
}

TEST_F(KeypadCoreTest, TheProbeCountsAnEmptyLineAsAMacro)
{
    dir.write("\\log\\KeyCode42.txt", "\r\n");
    keypad.Load_Key();
    EXPECT_EQ(picture("Key_11"), kMarked);
    EXPECT_EQ(kp().Test_Memo.count(), 0); // it ends holding Key_31's empty file
}

// ---- the layout switch ----------------------------------------------------------

TEST_F(KeypadCoreTest, SwitchingToMod1MarksEveryKeyUnderItsMod1Number)
{
    markText(2);  // Key_9 in "MOD1"
    markText(40); // Key_9 in "MOD0"
    markText(36); // Key_12 in "MOD1"
    markText(20); // Key_14
    markText(27); // Key_31
    keypad.BitBtn1Click();

    EXPECT_EQ(ctx.state.KeypadMode, 1);
    EXPECT_EQ(kp().bitBtn1Caption, "MOD1");
    EXPECT_EQ(picture("Key_9"), kMarked);
    EXPECT_EQ(picture("Key_10"), kReleased);
    EXPECT_EQ(picture("Key_12"), kMarked);
    EXPECT_EQ(picture("Key_13"), kReleased);
    EXPECT_EQ(picture("Key_14"), kMarked);
    EXPECT_EQ(picture("Key_31"), kMarked);
    for (size_t i = 0; i < pm::kKeypadKeys.size(); ++i)
        EXPECT_TRUE(kp().keyEnabled[i]) << pm::kKeypadKeys[i].name;
    for (size_t i = 0; i < pm::kLegends.size(); ++i)
        EXPECT_EQ(kp().legendVisible[i], std::string(pm::kLegends[i].name) == "Label30")
            << pm::kLegends[i].name;
    EXPECT_EQ(shell.take(), Lines{"focusMemo1"});
}

TEST_F(KeypadCoreTest, SwitchingBackToMod0ReleasesThePadAndShowsTheLegends)
{
    markText(2);
    markText(20);
    keypad.BitBtn1Click();
    shell.take();
    keypad.BitBtn1Click();

    EXPECT_EQ(ctx.state.KeypadMode, 0);
    EXPECT_EQ(kp().bitBtn1Caption, "MOD0");
    EXPECT_EQ(picture("Key_9"), kReleased); // now number 40, which has no macro
    for (const char* pad : kPadKeys) {
        EXPECT_EQ(picture(pad), kReleased) << pad;
        EXPECT_FALSE(kp().keyEnabled[static_cast<size_t>(key(pad))]) << pad;
    }
    for (const char* top : {"Key_9", "Key_10", "Key_11", "Key_12"})
        EXPECT_TRUE(kp().keyEnabled[static_cast<size_t>(key(top))]);
    for (size_t i = 0; i < pm::kLegends.size(); ++i)
        EXPECT_TRUE(kp().legendVisible[i]) << pm::kLegends[i].name;
    EXPECT_EQ(shell.take(), Lines{"focusMemo1"});
}

TEST_F(KeypadCoreTest, AFailedRefreshSwitchesTheModeButNotTheDisplay)
{
    markText(2);
    dir.remove("\\log\\KeyCode20.txt"); // Key_14, the second pad key
    EXPECT_THROW(keypad.BitBtn1Click(), pm::UiError);

    EXPECT_EQ(ctx.state.KeypadMode, 1);
    EXPECT_EQ(kp().bitBtn1Caption, "MOD0");
    EXPECT_EQ(picture("Key_9"), kMarked);
    EXPECT_EQ(picture("Key_13"), kReleased); // before the failing key
    EXPECT_EQ(picture("Key_14"), "");
    EXPECT_EQ(picture("Key_15"), "");
    EXPECT_FALSE(kp().keyEnabled[static_cast<size_t>(key("Key_13"))]);
    EXPECT_TRUE(kp().legendVisible[0]);
    EXPECT_TRUE(shell.events.empty()); // the focus is not moved either

    // The next click that works switches back to the layout on show.
    dir.write("\\log\\KeyCode20.txt", "");
    keypad.BitBtn1Click();
    EXPECT_EQ(ctx.state.KeypadMode, 0);
    EXPECT_EQ(kp().bitBtn1Caption, "MOD0");
    EXPECT_EQ(picture("Key_9"), kReleased);
}

// ---- choosing a key --------------------------------------------------------------

TEST_F(KeypadCoreTest, ChoosingAKeyLoadsItsMacroUnderTheNumberOfTheLayout)
{
    // Every number gets a one-stroke macro naming itself.
    for (uint8_t n : pm::kDeviceKeyNumbers) {
        const std::string text = "K" + std::to_string(n);
        writeMacro(
            n, text + "\r\n", "0," + std::to_string(n) + "\r\n", std::to_string(text.size()) + ",0\r\n");
    }
    const auto choose = [&](const char* name, int number, const char* editorName) {
        SCOPED_TRACE(name);
        keypad.keyMouseDown(key(name));
        EXPECT_EQ(ctx.state.CurrentKey, number);
        EXPECT_EQ(ed().KeyNumber, editorName);
        EXPECT_EQ(ed().KeyNum.lines(), Lines{"0," + std::to_string(number)});
        EXPECT_EQ(ed().TextLines, "1");
        EXPECT_EQ(ed().KeyShow, "K" + std::to_string(number) + " ");
        EXPECT_EQ(ed().LineLen[0], static_cast<int>(("K" + std::to_string(number)).size()));
        EXPECT_EQ(picture(name), kMarked);
        EXPECT_EQ(shell.take(), (Lines{"showEditor", "hideKeypad"}));
    };
    choose("Key_9", 40, "ESC");
    choose("Key_10", 41, "Tab");
    choose("Key_11", 42, "S");
    choose("Key_12", 43, "Excel");
    ctx.state.KeypadMode = 1;
    choose("Key_9", 2, "ESC");
    choose("Key_10", 4, "Tab");
    choose("Key_11", 3, "S");
    choose("Key_12", 36, "Excel");
    choose("Key_13", 0, "NumLock");
    choose("Key_16", 1, "BS");
    choose("Key_19", 24, "9/PgUp");
    choose("Key_29", 19, "0/Ins");
    choose("Key_31", 27, "./Del");
}

// No macro kept in log/ is out of reach and no two keys of one layout edit
// the same one: each key a layout lets the user choose opens a macro of its
// own, and the two layouts together open every one.
TEST_F(KeypadCoreTest, EveryStoredMacroBelongsToExactlyOneKeyOfALayout)
{
    std::set<int> kept;
    for (const auto& e : fs::directory_iterator(fs::path(dir.path()) / "log")) {
        const std::string name = e.path().stem().string();
        if (name.rfind("KeyNum", 0) == 0)
            kept.insert(std::stoi(name.substr(6)));
    }
    for (int n : kept)
        writeMacro(n, "K" + std::to_string(n) + "\r\n", "0,04\r\n", "2,0\r\n");

    std::set<int> reached;
    for (int layout = 0; layout < 2; ++layout) {
        std::set<int> opened;
        for (size_t i = 0; i < pm::kKeypadKeys.size(); ++i) {
            if (!kp().keyEnabled[i])
                continue;
            const char* name = pm::kKeypadKeys[i].name;
            keypad.keyMouseDown(static_cast<int>(i));
            const int n = ctx.state.CurrentKey;
            EXPECT_EQ(ed().KeyShow, "K" + std::to_string(n) + " ") << name << " shows another key's macro";
            EXPECT_TRUE(opened.insert(n).second) << name << " edits macro " << n << " as another key does";
            reached.insert(n);
            editor.close();
        }
        EXPECT_EQ(opened.size(), layout == 0 ? 4u : 22u);
        keypad.BitBtn1Click();
    }
    EXPECT_EQ(reached, kept);
}

TEST_F(KeypadCoreTest, TheDisplayAndTablesComeFromTheStoredLines)
{
    writeMacro(40, "Esc\r\nTab\r\nAlt+6+5\r\nq\r\n", "0,41\r\n0,43\r\n132,94\r\n132,93\r\n0,20\r\n",
        "3,0\r\n3,0\r\n7,2\r\n1,0\r\n");
    keypad.keyMouseDown(key("Key_9"));
    EXPECT_EQ(ed().KeyShow, "Esc Tab Alt+6+5 q ");
    EXPECT_EQ(ed().TextLines, "5");
    EXPECT_EQ(ed().KeyCode.count(), 4);
    EXPECT_EQ(ed().LineLen[2], 7);
    EXPECT_EQ(ed().LineStrokes[2], 2);
    EXPECT_EQ(ed().LineStrokes[3], 0);
    const unsigned revision = ed().keyShowRevision;

    // A second key replaces all of it; table entries past its lines are 0.
    writeMacro(41, "F1\r\n", "0,58\r\n", "2,0\r\n");
    keypad.keyMouseDown(key("Key_10"));
    EXPECT_EQ(ed().KeyNum.lines(), Lines{"0,58"});
    EXPECT_EQ(ed().KeyCode.lines(), Lines{"F1"});
    EXPECT_EQ(ed().LineBuf.lines(), Lines{"2,0"});
    EXPECT_EQ(ed().KeyShow, "F1 ");
    EXPECT_GT(ed().keyShowRevision, revision);
    for (size_t i = 1; i < ed().LineLen.size(); ++i) {
        EXPECT_EQ(ed().LineLen[i], 0) << i;
        EXPECT_EQ(ed().LineStrokes[i], 0) << i;
    }
}

TEST_F(KeypadCoreTest, AnEmptyMacroOpensTheEditorEmpty)
{
    ed().KeyShow = "old ";
    ed().TextLines = "7";
    keypad.keyMouseDown(key("Key_12"));
    EXPECT_EQ(ed().TextLines, "0");
    EXPECT_EQ(ed().KeyShow, "");
    EXPECT_EQ(ed().KeyNumber, "Excel");
    EXPECT_EQ(shell.take(), (Lines{"showEditor", "hideKeypad"}));
}

TEST_F(KeypadCoreTest, AMissingPressedPictureStopsBeforeTheKeyIsTaken)
{
    writeMacro(41, "Tab\r\n", "0,43\r\n", "3,0\r\n");
    keypad.keyMouseDown(key("Key_10"));
    shell.take();
    dir.remove("\\BMP\\2.bmp");

    EXPECT_EQ(uiErrorOf([&] { keypad.keyMouseDown(key("Key_9")); }),
        "Cannot open file \"" + dir.file("\\BMP\\2.bmp") + "\". No such file or directory");
    EXPECT_EQ(ctx.state.CurrentKey, 41);
    EXPECT_EQ(ed().KeyCode.lines(), Lines{"Tab"});
    EXPECT_EQ(ed().LineLen[0], 0); // the tables were cleared first
    EXPECT_EQ(picture("Key_9"), "");
    EXPECT_TRUE(shell.events.empty());
}

TEST_F(KeypadCoreTest, AMissingMacroFileKeepsWhatWasReadBeforeIt)
{
    ed().KeyCode.add("old text");
    ed().TextLines = "9";
    writeMacro(42, "S\r\n", "0,22\r\n", "1,0\r\n");
    dir.remove("\\log\\KeyCode42.txt");

    EXPECT_EQ(uiErrorOf([&] { keypad.keyMouseDown(key("Key_11")); }),
        "Cannot open file \"" + dir.file("\\log\\KeyCode42.txt") + "\". No such file or directory");
    EXPECT_EQ(ctx.state.CurrentKey, 42);
    EXPECT_EQ(ed().KeyNum.lines(), Lines{"0,22"});
    EXPECT_EQ(ed().KeyCode.lines(), Lines{"old text"});
    EXPECT_EQ(ed().TextLines, "9");
    EXPECT_TRUE(shell.events.empty());
}

TEST_F(KeypadCoreTest, ALineFileThatDoesNotConvertKeepsTheEntriesBeforeIt)
{
    writeMacro(43, "Esc\r\nTab\r\nq\r\n", "0,41\r\n0,43\r\n0,20\r\n", "3,0\r\n3\r\n1,0\r\n");
    EXPECT_EQ(uiErrorOf([&] { keypad.keyMouseDown(key("Key_12")); }), "'' is not a valid integer value");
    EXPECT_EQ(ed().TextLines, "3");
    EXPECT_EQ(ed().LineLen[0], 3);
    EXPECT_EQ(ed().LineLen[2], 0);
    EXPECT_EQ(ed().KeyNumber, "0");
    EXPECT_TRUE(shell.events.empty());

    // A line file shorter than the text file fails on its first missing line.
    writeMacro(43, "Esc\r\nTab\r\n", "0,41\r\n0,43\r\n", "3,0\r\n");
    EXPECT_EQ(uiErrorOf([&] { keypad.keyMouseDown(key("Key_12")); }), "'' is not a valid integer value");
    EXPECT_EQ(ed().LineLen[0], 3);
    EXPECT_TRUE(shell.events.empty());
}

TEST_F(KeypadCoreTest, MoreThanFortyDisplayLinesAreRefusedWhenTheKeyIsChosen)
{
    std::string text, lines;
    for (int i = 0; i < 40; ++i) {
        text += "q\r\n";
        lines += "1,0\r\n";
    }
    writeMacro(40, text, "0,20\r\n", lines);
    keypad.keyMouseDown(key("Key_9"));
    EXPECT_EQ(ed().LineLen[39], 1);
    EXPECT_EQ(shell.take(), (Lines{"showEditor", "hideKeypad"}));

    writeMacro(40, text + "q\r\n", "0,20\r\n0,20\r\n", lines + "1,0\r\n");
    ed().TextLines = "before";
    EXPECT_EQ(uiErrorOf([&] { keypad.keyMouseDown(key("Key_9")); }),
        "Cannot load the macro of key 40: \"" + dir.file("\\log\\KeyCode40.txt")
            + "\" has 41 display lines; at most 40 are allowed");
    EXPECT_EQ(ed().TextLines, "before");
    for (size_t i = 0; i < ed().LineLen.size(); ++i)
        EXPECT_EQ(ed().LineLen[i], 0) << i;
    EXPECT_TRUE(shell.events.empty());
}

TEST_F(KeypadCoreTest, ReleasingAKeyShowsTheReleasedCapWhateverItCarries)
{
    writeMacro(40, "Esc\r\n", "0,41\r\n", "3,0\r\n");
    keypad.keyMouseDown(key("Key_9"));
    keypad.keyMouseUp(key("Key_9"));
    EXPECT_EQ(picture("Key_9"), kReleased);

    keypad.keyMouseDown(key("Key_9"));
    dir.remove("\\BMP\\1.bmp");
    EXPECT_THROW(keypad.keyMouseUp(key("Key_9")), pm::UiError);
    EXPECT_EQ(picture("Key_9"), kMarked);
}

TEST_F(KeypadCoreTest, ClosingTheWindowClosesTheDeviceHandles)
{
    sim.add({});
    ASSERT_EQ(ctx.link.FindKeypad(), 1);
    EXPECT_EQ(sim.openHandleCount(), 2u);
    keypad.FormClose();
    EXPECT_EQ(sim.openHandleCount(), 0u);
}

// Export and Import from the window: a write that fails is an error, never
// "exported"; what is not a file is refused without waiting on it.
TEST_F(KeypadCoreTest, AnExportThatCannotBeWrittenIsAnErrorAndAPipeIsNotImported)
{
    const std::string out = dir.path() + "/macros.txt";
    pm::setFileChangeHook(
        [](const char* call, const std::string&) { return std::string(call) == "write" ? ENOSPC : 0; });
    EXPECT_EQ(uiErrorOf([&] { session.exportMacros(out); }),
        "Cannot create file \"" + out + "\". No space left on device");
    pm::setFileChangeHook(nullptr);
    EXPECT_EQ(uiErrorOf([&] { session.exportMacros("/dev/full"); }),
        "Cannot create file \"/dev/full\". It is not a regular file");
    EXPECT_EQ(shell.take(), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2); // BMP, log

    const std::string fifo = dir.path() + "/pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto before = dir.logSnapshot();
    EXPECT_EQ(uiErrorOf([&] { session.importMacros(fifo); }),
        "Cannot import \"" + fifo
            + "\": it is a named pipe, not a file; name an exported file; nothing was changed");
    EXPECT_EQ(dir.logSnapshot(), before);
}

TEST_F(KeypadCoreTest, AScreenReaderHearsWhatEachKeyHoldsUnderItsLayoutNumber)
{
    writeMacro(40, "Shift+H\r\ne\r\nEnter\r\n", "2,11\r\n0,08\r\n0,88\r\n", "7,0\r\n1,0\r\n5,0\r\n");
    keypad.Load_Key();
    const auto& names = kp().keySpokenNames;
    EXPECT_EQ(names[key("Key_9")], "ESC key, number 40, holds Shift+H e Enter");
    EXPECT_EQ(names[key("Key_13")], "NumLock key, number 0, empty");
    keypad.BitBtn1Click();
    EXPECT_EQ(names[key("Key_9")], "ESC key, number 2, empty");
    markText(2);
    keypad.Load_Key();
    EXPECT_EQ(names[key("Key_9")], "ESC key, number 2, holds x");
}
