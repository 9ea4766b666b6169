// Typing on the computer's keyboard: which on-screen key a scan code
// reaches, and that typing records exactly what clicking records.
#include <set>

#include "editor/physical_keys.h"
#include "editor/spoken_names.h"
#include "test_editor_fixture.h"

using namespace pmtest;

namespace {

// The on-screen key a scan code acts on, or "" for none.
std::string reached(pm::ScanCodes codes, unsigned scanCode)
{
    const int row = pm::physicalKeyOfUsage(pm::usageOfScanCode(codes, scanCode));
    if (row < 0)
        return "";
    const char* name = pm::kPhysicalKeys[static_cast<size_t>(row)].onScreen;
    return name ? name : "";
}

// The X11 key code of the key that reports usage, as the scenario runner types it.
unsigned xkbCodeOfUsage(unsigned usage)
{
    const int row = pm::physicalKeyOfUsage(usage);
    EXPECT_GE(row, 0) << usage;
    return row < 0 ? 0 : pm::scanCodeOf(pm::kPhysicalKeys[static_cast<size_t>(row)], pm::ScanCodes::Xkb);
}

} // namespace

// X11 key codes as xkb names them (TLDE 49, AE13 132, AB11 97, ...) and the
// PS/2 set-1 codes Windows reports: the keys a Japanese keyboard has.
TEST(KeyboardMap, JapaneseKeysReachTheirKeysUnderEitherWindowSystem)
{
    struct Case {
        const char* key;
        unsigned usage, x11, windows;
        const char* onScreen;
    };
    for (const Case& c : {
             Case{"Hankaku/Zenkaku", 53, 49, 0x29, "KOR0"},
             Case{"Yen", 137, 132, 0x7D, "Key27L"},
             Case{"Ro", 135, 97, 0x73, "Key36L"},
             Case{"Muhenkan", 139, 102, 0x7B, "K42"},
             Case{"Henkan", 138, 100, 0x79, "K45"},
             Case{"Katakana/Hiragana", 136, 101, 0x70, "KOR1"},
             Case{"A", 4, 38, 0x1E, "KeyA"},
             Case{"Left Shift", 225, 50, 0x2A, "KeyShift1L"},
             Case{"Right Alt", 230, 108, 0x138, "KeyAlt2L"},
             Case{"Num Lock", 83, 77, 0x145, "KeyNum1L"},
             Case{"Keypad 6", 94, 85, 0x4D, "KeyNum10"},
         }) {
        EXPECT_EQ(pm::usageOfScanCode(pm::ScanCodes::Xkb, c.x11), c.usage) << c.key;
        EXPECT_EQ(pm::usageOfScanCode(pm::ScanCodes::Windows, c.windows), c.usage) << c.key;
        EXPECT_EQ(xkbCodeOfUsage(c.usage), c.x11) << c.key;
        EXPECT_EQ(reached(pm::ScanCodes::Xkb, c.x11), c.onScreen) << c.key;
    }
    // Return and keypad Enter both reach a key that records usage 88.
    for (const unsigned x11 : {36u, 104u}) {
        const int key = pm::findRecordKey(reached(pm::ScanCodes::Xkb, x11));
        ASSERT_GE(key, 0) << x11;
        EXPECT_STREQ(pm::kRecordKeys[static_cast<size_t>(key)].code, ",88");
    }
    // The US backslash and the key left of Return share their place.
    EXPECT_EQ(xkbCodeOfUsage(49), xkbCodeOfUsage(50));
    EXPECT_EQ(reached(pm::ScanCodes::Xkb, 51), "Key31L");
    EXPECT_EQ(pm::usageOfScanCode(pm::ScanCodes::Xkb, 5000), 0u);
    EXPECT_EQ(pm::usageOfScanCode(pm::ScanCodes::Windows, 0), 0u);
}

class TypingTest : public EditorTest {
protected:
    void down(unsigned usage) { core.physicalKeyDown(usage); }
    void up(unsigned usage) { core.physicalKeyUp(usage); }
    void type(std::initializer_list<unsigned> usages)
    {
        for (const unsigned u : usages) {
            down(u);
            up(u);
        }
    }
};

constexpr unsigned kQ = 20, kW = 26, kA = 4, kLeftShift = 225, kLeftAlt = 226, kNumLock = 83, kKeypad6 = 94,
                   kKeypad5 = 93, kLeftWindows = 227, kReturn = 40, kKeypadEnter = 88, kF13 = 104, kCapsLock = 57;

TEST_F(TypingTest, TypingRecordsWhatClickingRecords)
{
    down(kLeftShift);
    type({kQ, kW});
    up(kLeftShift);
    type({kA, kNumLock});
    down(kLeftAlt);
    type({kKeypad6, kKeypad5});
    up(kLeftAlt);
    type({kLeftWindows, kReturn, kKeypadEnter});
    const pm::EditorState typed = st();

    // The same macro clicked: a held modifier is a double click, letting go
    // a single click once the double-click window has passed.
    CountingShell shell2;
    CountingHost host2;
    pm::EditorCore clicked(host2, shell2, appDir);
    auto click2 = [&](const char* name) {
        clicked.recordKeyMouseDown(rec(name));
        clicked.recordKeyMouseUp(rec(name));
    };
    auto modClick2 = [&](const char* name) {
        clicked.modifierMouseDown(mod(name));
        clicked.modifierMouseUp(mod(name));
    };
    modClick2("KeyShift1L");
    modClick2("KeyShift1L");
    click2("KeyQ");
    click2("KeyW");
    modClick2("KeyShift1L");
    clicked.Timer1Timer();
    click2("KeyA");
    clicked.KeyNum1LMouseDown();
    clicked.KeyNum1LMouseUp();
    modClick2("KeyAlt1L");
    modClick2("KeyAlt1L");
    click2("KeyNum10");
    click2("KeyNum9");
    modClick2("KeyAlt1L");
    clicked.Timer1Timer();
    click2("WIN");
    click2("KeyEnter1L");
    click2("KeyEnter2L");
    const pm::EditorState& mouse = clicked.state();

    EXPECT_EQ(typed.KeyNum.lines(), (Lines{"2,20", "2,26", "0,04", "132,94", "132,93", "136,0", "128,88", "128,88"}));
    EXPECT_EQ(typed.KeyCode.lines(), (Lines{"Shift+Q", "W", "a", "Alt+6+5", "START", "Enter", "Enter"}));
    EXPECT_EQ(typed.KeyNum.lines(), mouse.KeyNum.lines());
    EXPECT_EQ(typed.KeyCode.lines(), mouse.KeyCode.lines());
    EXPECT_EQ(typed.LineLen, mouse.LineLen);
    EXPECT_EQ(typed.LineStrokes, mouse.LineStrokes);
    EXPECT_EQ(typed.KeyShow, mouse.KeyShow);
    EXPECT_EQ(typed.TextLines, mouse.TextLines);
    EXPECT_EQ(typed.ModState, mouse.ModState);
    EXPECT_EQ(typed.recordPictures, mouse.recordPictures);
    EXPECT_EQ(typed.modifierPictures, mouse.modifierPictures);
}

TEST_F(TypingTest, AKeyShowsPressedWhileHeldAndRecordsOnRelease)
{
    down(kQ);
    EXPECT_EQ(st().recordPictures[size_t(rec("KeyQ"))], "\\BMP\\Q_h.gif");
    EXPECT_TRUE(keyNum().empty());
    down(kQ); // a repeated press while held is the same press
    up(kQ);
    EXPECT_EQ(st().recordPictures[size_t(rec("KeyQ"))], "\\BMP\\Q.gif");
    EXPECT_EQ(keyNum(), Lines{"0,20"});
    up(kQ); // a release without its press
    EXPECT_EQ(keyNum(), Lines{"0,20"});
}

TEST_F(TypingTest, AModifierLockedWithTheMouseIsNotUnlockedByItsKey)
{
    lock("KeyShift1L");
    down(kLeftShift);
    up(kLeftShift);
    EXPECT_EQ(st().ModLock, 0x02);
    type({kQ});
    EXPECT_EQ(keyNum(), Lines{"2,20"});

    // Held, then unlocked and locked again with the mouse: the mouse's now.
    single("KeyShift1L");
    down(kLeftAlt);
    single("KeyAlt1L");
    lock("KeyAlt1L");
    up(kLeftAlt);
    EXPECT_EQ(st().ModLock, 0x04);
}

TEST_F(TypingTest, KeysWithoutAnOnScreenKeyRecordNothingAndAreNamed)
{
    type({kF13});
    EXPECT_EQ(st().keyNote, "Not recorded: F13 is not on this keyboard.");
    type({0});
    EXPECT_EQ(st().keyNote, "Not recorded: that key is not on this keyboard.");
    EXPECT_TRUE(keyNum().empty());
    EXPECT_EQ(st().TextLines, "0");

    type({kCapsLock}); // drawn, but it does nothing
    EXPECT_TRUE(keyNum().empty());
    type({kA});
    EXPECT_EQ(st().keyNote, "");
    EXPECT_EQ(keyNum(), Lines{"0,04"});
}

TEST_F(TypingTest, ClosingTheEditorForgetsHeldKeys)
{
    down(kLeftShift);
    down(kQ);
    core.FormClose();
    EXPECT_EQ(st().ModLock, 0);
    up(kQ);
    up(kLeftShift);
    EXPECT_TRUE(keyNum().empty());
    EXPECT_EQ(st().ModState, 0);
    // A lock the mouse makes after reopening is not undone by the old key.
    lock("KeyShift1L");
    up(kLeftShift);
    EXPECT_EQ(st().ModLock, 0x02);
}

TEST_F(TypingTest, TypingStopsAtTheStrokeLimit)
{
    for (int i = 0; i < pm::kMaxMacroStrokes + 5; ++i)
        type({kA});
    EXPECT_EQ(st().KeyNum.count(), pm::kMaxMacroStrokes);
    EXPECT_EQ(st().TextLines, std::to_string(pm::kMaxMacroStrokes));
}

constexpr unsigned kEscape = 41;

TEST_F(TypingTest, AShortEscapeRecordsEscAndAHeldOneLeavesTyping)
{
    core.physicalKeyDown(kEscape, 10'000);
    core.typingClock(10'700); // not long enough yet
    EXPECT_FALSE(st().commandMode);
    core.physicalKeyUp(kEscape, 10'750);
    EXPECT_EQ(keyNum(), Lines{"0,41"});
    EXPECT_EQ(st().KeyCode.lines(), Lines{"Esc"});

    // Held long enough while the clock ticks: command mode begins while
    // it is still down, and its release records nothing.
    core.physicalKeyDown(kEscape, 20'000);
    core.typingClock(21'200);
    EXPECT_TRUE(st().commandMode);
    core.physicalKeyUp(kEscape, 22'100);
    EXPECT_EQ(keyNum(), Lines{"0,41"});
    EXPECT_EQ(st().recordPictures[size_t(rec("Key1L"))], "\\BMP\\Esc.gif");

    // Nothing typed records in command mode.
    type({kQ});
    EXPECT_EQ(keyNum(), Lines{"0,41"});
    core.leaveCommandMode();
    type({kQ});
    EXPECT_EQ(keyNum(), (Lines{"0,41", "0,20"}));

    // Held with no tick in between: its release decides.
    core.physicalKeyDown(kEscape, 30'000);
    core.physicalKeyUp(kEscape, 31'500);
    EXPECT_TRUE(st().commandMode);
    EXPECT_EQ(keyNum(), (Lines{"0,41", "0,20"}));
}

TEST_F(TypingTest, EscapeWithAnotherKeyIsTypedInTheOrderPressed)
{
    // Rolling from Esc onto q, however long: both record, each when let go.
    core.physicalKeyDown(kEscape, 0);
    core.physicalKeyDown(kQ, 100);
    core.typingClock(5'000);
    EXPECT_FALSE(st().commandMode);
    core.physicalKeyUp(kQ, 5'100);
    core.physicalKeyUp(kEscape, 5'200);
    EXPECT_EQ(st().KeyCode.lines(), (Lines{"q", "Esc"}));

    // Held Shift with a short Escape: Shift+Esc, and Shift still releases in command mode.
    core.physicalKeyDown(kLeftShift, 6'000);
    core.physicalKeyDown(kEscape, 6'100);
    core.physicalKeyUp(kEscape, 6'200);
    EXPECT_EQ(st().KeyCode.lines().back(), "Shift+Esc");
    core.physicalKeyDown(kEscape, 7'000);
    core.typingClock(8'000);
    ASSERT_TRUE(st().commandMode);
    core.physicalKeyUp(kLeftShift, 8'100);
    EXPECT_EQ(st().ModLock, 0);

    // Closing the editor ends command mode and forgets a pending Escape.
    core.FormClose();
    EXPECT_FALSE(st().commandMode);
    core.physicalKeyDown(kEscape, 9'000);
    core.FormClose();
    EXPECT_FALSE(core.escapePending());
}

TEST(SpokenNames, KeysAreNamedByTheirLegendsAndState)
{
    auto name = [](const char* control) {
        return pm::recordKeyName(pm::kRecordKeys[size_t(pm::findRecordKey(control))]);
    };
    EXPECT_EQ(name("KeyQ"), "Q");
    EXPECT_EQ(name("Key15L"), "1 !");
    EXPECT_EQ(name("KeyNum5"), "Keypad 7 Home");
    EXPECT_EQ(name("KeyNum9"), "Keypad 5"); // its NumLock-off text is a blank
    EXPECT_EQ(name("KeyEnter2L"), "Keypad Enter");
    EXPECT_EQ(name("KeyEnter1L"), "Enter");
    EXPECT_EQ(name("KeyArrowUp"), "Arrow Up");
    EXPECT_EQ(name("WIN"), "Left Windows");
    EXPECT_EQ(name("Image2"), "Right Windows");
    // No two keys sound alike.
    std::set<std::string> seen;
    for (const pm::RecordKey& k : pm::kRecordKeys) {
        EXPECT_TRUE(seen.insert(pm::recordKeyName(k)).second) << k.name << " " << pm::recordKeyName(k);
    }
    EXPECT_EQ(pm::modifierKeyName(pm::kModifierKeys[size_t(pm::findModifierKey("KeyShift1L"))], true),
        "Left Shift, locked");
    EXPECT_EQ(pm::modifierKeyName(pm::kModifierKeys[size_t(pm::findModifierKey("KeyCtrl2L"))], false),
        "Right Ctrl");
    EXPECT_EQ(pm::numLockName(true), "NumLock, on");
}
