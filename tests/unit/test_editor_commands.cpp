// Delete, Delete all, Cancel and closing, and how Delete keeps the display
// lines and the strokes in step under locked modifiers and Alt-code lines.
#include "test_editor_fixture.h"

#include <functional>

using namespace pmtest;

// ---- Delete ------------------------------------------------------------------

TEST_F(EditorTest, DeleteRemovesTheLastLine)
{
    clicks({"KeyA", "KeyB"});
    core.SpeedButton4Click();
    EXPECT_EQ(keyCode(), Lines{"a"});
    EXPECT_EQ(keyNum(), Lines{"0,04"});
    EXPECT_EQ(st().KeyShow, "a ");
    EXPECT_EQ(st().TextLines, "1");
    EXPECT_FALSE(st().ReplaceLast);
}

TEST_F(EditorTest, DeleteRemovesAWholeAltCodeLine)
{
    click("KeyQ");
    lock("KeyAlt1L");
    numLock();
    clicks({"KeyNum10", "KeyNum9"});
    ASSERT_EQ(st().TextLines, "3");
    core.SpeedButton4Click();
    EXPECT_EQ(keyNum(), Lines{"0,20"});
    EXPECT_EQ(st().TextLines, "1");
    EXPECT_EQ(st().LineStrokes[1], 0);
    EXPECT_EQ(st().KeyShow, "q ");
    EXPECT_EQ(keyCode(), (Lines{"q", "Alt+"})); // Alt still locked: placeholder again
}

TEST_F(EditorTest, DeleteOnAnEmptyMacroChangesNothing)
{
    core.SpeedButton4Click();
    EXPECT_TRUE(keyCode().empty());
    EXPECT_TRUE(keyNum().empty());
    EXPECT_EQ(st().TextLines, "0");
    EXPECT_EQ(st().KeyShow, "");

    lock("KeyCtrl1L");
    core.SpeedButton4Click();
    EXPECT_EQ(keyCode(), Lines{"Ctrl+"});
    EXPECT_TRUE(keyNum().empty());
    EXPECT_TRUE(st().ReplaceLast);
    EXPECT_EQ(st().KeyShow, "");
    click("KeyA");
    EXPECT_EQ(keyCode(), Lines{"Ctrl+a"});
}

// ---- Delete while a modifier is locked --------------------------------------

TEST_F(EditorTest, DeleteUnderALockKeepsLinesAndStrokesInStep)
{
    lock("KeyShift1L");
    clicks({"KeyQ", "KeyW"});
    core.SpeedButton4Click();
    EXPECT_EQ(st().KeyShow, "Shift+Q "); // the placeholder is never shown
    EXPECT_EQ(keyNum(), Lines{"2,20"});
    click("KeyE");
    EXPECT_EQ(keyCode(), (Lines{"Shift+Q", "Shift+E"}));
    EXPECT_EQ(st().KeyShow, "Shift+Q Shift+E ");
    EXPECT_EQ(keyNum(), (Lines{"2,20", "2,08"}));
}

TEST_F(EditorTest, DeleteRightAfterALockRemovesTheVisibleLine)
{
    lock("KeyShift1L");
    click("KeyQ");
    lock("KeyCtrl1L"); // placeholder pending
    core.SpeedButton4Click();
    EXPECT_TRUE(keyNum().empty());
    EXPECT_EQ(st().KeyShow, "");
    EXPECT_EQ(st().TextLines, "0");
    click("KeyA");
    EXPECT_EQ(keyCode(), Lines{"Ctrl+Shift+A"});
    EXPECT_EQ(keyNum(), Lines{"3,04"});
}

TEST_F(EditorTest, RepeatedDeletesUnderALock)
{
    lock("KeyCtrl2L");
    clicks({"KeyA", "KeyB", "KeyC"});
    core.SpeedButton4Click();
    core.SpeedButton4Click();
    EXPECT_EQ(keyNum(), Lines{"16,04"});
    EXPECT_EQ(st().KeyShow, "Ctrl+a ");
    core.SpeedButton4Click();
    core.SpeedButton4Click(); // nothing visible left
    EXPECT_TRUE(keyNum().empty());
    EXPECT_EQ(keyCode(), Lines{"Ctrl+"});
    click("KeyD");
    EXPECT_EQ(keyCode(), Lines{"Ctrl+d"});
}

TEST_F(EditorTest, StateAfterDeleteUnderALockMatchesTheStateAfterALock)
{
    lock("KeyShift1L");
    clicks({"KeyQ", "KeyW"});
    core.SpeedButton4Click();

    pm::EditorCore other(keypad, shell, appDir);
    other.modifierMouseUp(mod("KeyShift1L"));
    other.modifierMouseUp(mod("KeyShift1L"));
    other.recordKeyMouseUp(rec("KeyQ"));
    other.modifierMouseUp(mod("KeyShift1L")); // unlock
    other.Timer1Timer();
    other.modifierMouseUp(mod("KeyShift1L"));
    other.modifierMouseUp(mod("KeyShift1L")); // lock again

    EXPECT_EQ(keyCode(), other.state().KeyCode.lines());
    EXPECT_EQ(keyNum(), other.state().KeyNum.lines());
    EXPECT_EQ(st().ReplaceLast, other.state().ReplaceLast);
    EXPECT_EQ(st().AltText, other.state().AltText);
    EXPECT_EQ(st().ModState, other.state().ModState);
}

TEST_F(EditorTest, DeleteOfAStoredPlaceholderLineKeepsTheStrokeBeforeIt)
{
    // A macro programmed while a placeholder was pending, opened again.
    st().KeyCode.setFileBytes("Shift+Q\r\nShift+Ctrl+\r\n");
    st().KeyNum.setFileBytes("2,20\r\n");
    core.SpeedButton4Click();
    EXPECT_EQ(keyCode(), Lines{"Shift+Q"});
    EXPECT_EQ(keyNum(), Lines{"2,20"});
    core.SpeedButton4Click();
    EXPECT_TRUE(keyNum().empty());

    // A real line that happens to end in "+" is a stroke.
    lock("KeyCtrl1L");
    click("KeyAdd");
    single("KeyCtrl1L");
    EXPECT_EQ(keyCode(), Lines{"Ctrl++"});
    core.SpeedButton4Click();
    EXPECT_TRUE(keyNum().empty());
}

// ---- Delete and Delete all end an open Alt-code line ------------------------

TEST_F(EditorTest, DeleteEndsAnOpenAltCodeLine)
{
    lock("KeyAlt1L");
    numLock();
    clicks({"KeyA", "KeyNum10"});
    ASSERT_EQ(keyCode(), (Lines{"Alt+a", "Alt+6"}));
    core.SpeedButton4Click();
    EXPECT_FALSE(st().AltActive);
    EXPECT_FALSE(st().AltLineOpen);
    EXPECT_EQ(st().AltStrokes, 0);
    EXPECT_EQ(st().AltText, "Alt+");
    click("KeyNum9");
    EXPECT_EQ(keyCode(), (Lines{"Alt+a", "Alt+5"}));
    EXPECT_EQ(keyNum(), (Lines{"132,04", "132,93"}));
    EXPECT_EQ(st().LineStrokes[1], 1);
}

TEST_F(EditorTest, DeleteAllEndsAnOpenAltCodeLine)
{
    lock("KeyAlt2L");
    numLock();
    clicks({"KeyNum10", "KeyNum9"});
    core.SpeedButton3Click();
    EXPECT_FALSE(st().AltActive);
    EXPECT_FALSE(st().AltLineOpen);
    EXPECT_EQ(st().AltText, "Alt+");
    click("KeyNum8");
    EXPECT_EQ(keyCode(), Lines{"Alt+4"});
    EXPECT_EQ(keyNum(), Lines{"192,92"});
    EXPECT_EQ(st().LineStrokes[0], 1);
}

// Whatever ended the previous line, the next one counts only its own strokes
// and Delete takes exactly those.
TEST_F(EditorTest, AltCodeStrokeCountAfterEveryWayOfEndingALine)
{
    const std::vector<std::pair<const char*, std::function<void()>>> closers = {
        {"NumLock off",
            [&] {
                numLock();
                numLock();
            }},
        {"Shift lock",
            [&] {
                lock("KeyShift1L");
                single("KeyShift1L");
            }},
        {"Ctrl lock",
            [&] {
                lock("KeyCtrl2L");
                single("KeyCtrl2L");
            }},
        {"Delete", [&] { core.SpeedButton4Click(); }},
        {"Delete all", [&] { core.SpeedButton3Click(); }},
        {"Alt unlock",
            [&] {
                single("KeyAlt1L");
                lock("KeyAlt1L");
            }},
        {"other Alt locked", [&] { lock("KeyAlt2L"); }},
    };
    for (const auto& [what, closeLine] : closers) {
        SCOPED_TRACE(what);
        core.SpeedButton3Click();
        st().ModState = st().ModLock = 0;
        st().ReplaceLast = false;
        lock("KeyAlt1L");
        numLock();
        clicks({"KeyNum11", "KeyNum12", "KeyNum13"});
        closeLine();
        const int before = st().KeyNum.count();
        clicks({"KeyNum9", "KeyNum8"});
        const int last = st().KeyCode.count() - 1;
        const uint8_t expected = std::string(what) == "other Alt locked" ? 5 : 2; // the line goes on
        EXPECT_EQ(st().LineStrokes[size_t(last)], expected);
        core.SpeedButton4Click();
        EXPECT_EQ(st().KeyNum.count(), before + 2 - expected);
        numLock(); // off again for the next round
        single("KeyAlt1L");
        single("KeyAlt2L");
    }
}

TEST_F(EditorTest, ReleasingAltAfterOneDigitKeepsTheStroke)
{
    lock("KeyAlt1L");
    numLock();
    click("KeyNum10");
    single("KeyAlt1L");
    EXPECT_EQ(keyNum(), Lines{"132,94"});
    EXPECT_EQ(keyCode(), Lines{"Alt+6"});
}

// ---- the 40-entry line tables -----------------------------------------------

TEST_F(EditorTest, StrokesBeyondTheFortiethLineAreNotRecorded)
{
    for (int i = 0; i < 40; ++i)
        st().KeyCode.add("x");
    st().KeyNum.setFileBytes("0,27\r\n0,27\r\n");
    st().TextLines = "2";
    const auto lens = st().LineLen;
    click("WIN");
    EXPECT_EQ(st().KeyCode.count(), 40);
    EXPECT_EQ(st().KeyNum.count(), 2);
    EXPECT_EQ(st().TextLines, "2");
    EXPECT_EQ(st().ModState, 0);
    EXPECT_EQ(st().LineLen, lens);
    EXPECT_EQ(st().KeyShow.size(), 80u);

    // An open Alt-code line at index 40 is not extended either.
    st().KeyCode.add("Alt+1");
    st().ModState = st().ModLock = 0x84;
    st().AltText = "Alt+1";
    st().AltActive = st().AltLineOpen = true;
    click("KeyNum9");
    EXPECT_EQ(st().KeyCode.count(), 41);
    EXPECT_EQ(st().KeyCode.line(40), "Alt+1");
    EXPECT_EQ(st().KeyNum.count(), 2);

    // Delete reads no entry past the table: the line counts as one stroke.
    st().ModState = st().ModLock = 0;
    core.SpeedButton4Click();
    EXPECT_EQ(st().KeyCode.count(), 40);
    EXPECT_EQ(st().KeyNum.count(), 1);
}

// ---- Delete all ---------------------------------------------------------------

TEST_F(EditorTest, DeleteAllEmptiesTheMacroButKeepsTheLocks)
{
    lock("KeyShift1L");
    numLock();
    clicks({"KeyQ", "KeyA"});
    lock("KeyAlt1L");
    clicks({"KeyNum10", "KeyNum9"});
    core.SpeedButton3Click();
    EXPECT_TRUE(keyCode().empty());
    EXPECT_TRUE(keyNum().empty());
    EXPECT_EQ(st().TextLines, "0");
    EXPECT_EQ(st().KeyShow, "");
    for (int i = 0; i < pm::kMacroLineTableSize; ++i) {
        EXPECT_EQ(st().LineLen[size_t(i)], 0);
        EXPECT_EQ(st().LineStrokes[size_t(i)], 0);
    }
    EXPECT_EQ(st().ModLock, 0x06);
    EXPECT_EQ(st().ModState, 0x86);
    EXPECT_EQ(st().AltText, "Shift+Alt+");
    EXPECT_EQ(st().modifierPictures[size_t(mod("KeyShift1L"))], "\\BMP\\l_Shift_h.gif");
    click("KeyQ");
    EXPECT_EQ(keyNum(), Lines{"134,20"});
}

TEST_F(EditorTest, DeleteAllKeepsAPendingPrefix)
{
    lock("KeyShift1L");
    core.SpeedButton3Click();
    EXPECT_TRUE(st().ReplaceLast);
    click("KeyQ");
    EXPECT_EQ(keyCode(), Lines{"Shift+Q"});
    EXPECT_EQ(keyNum(), Lines{"2,20"});
}

// ---- Cancel and closing ---------------------------------------------------------

TEST_F(EditorTest, CancelClearsStrokeTableRefreshesAndCloses)
{
    lock("KeyAlt1L");
    numLock();
    clicks({"KeyNum10", "KeyNum9", "KeyB"});
    st().LineLen[0] = 7;
    core.SpeedButton1Click();
    for (auto v : st().LineStrokes)
        EXPECT_EQ(v, 0);
    EXPECT_EQ(st().LineLen[0], 7); // not touched
    EXPECT_EQ(keypad.loadKey, 2);  // Cancel's own and the close's
    EXPECT_EQ(shell.showKeypad_, 1);
    EXPECT_EQ(shell.hideEditor_, 1);
    EXPECT_TRUE(keyCode().empty());
    EXPECT_TRUE(keyNum().empty());
    EXPECT_EQ(st().TextLines, "0");
    EXPECT_EQ(st().KeyShow, "Alt+6+5 b "); // left as it was
}

TEST_F(EditorTest, ClosingResetsModifiersAndNumLock)
{
    lock("KeyShift1L");
    lock("KeyAlt2L");
    numLock();
    click("KeyNum10");
    modClick("KeyCtrl1L"); // a pending click and a running timer survive
    core.close();
    EXPECT_EQ(st().ModState, 0);
    EXPECT_EQ(st().ModLock, 0);
    EXPECT_EQ(st().numShapeFill, pm::kNumShapeOff);
    EXPECT_FALSE(st().ReplaceLast);
    EXPECT_FALSE(st().AltActive);
    EXPECT_FALSE(st().AltLineOpen);
    EXPECT_EQ(st().AltText, "");
    EXPECT_EQ(st().ModClicks, 1);
    EXPECT_TRUE(st().timer1Enabled);
    for (size_t i = 0; i < pm::kModifierKeys.size(); ++i)
        EXPECT_EQ(st().modifierPictures[i], pm::kModifierKeys[i].onClose);
    EXPECT_EQ(keypad.loadKey, 1);
    EXPECT_EQ(shell.showKeypad_, 1);
    EXPECT_EQ(shell.hideEditor_, 1);

    // The next session starts clean.
    click("KeyNum5");
    EXPECT_EQ(keyNum(), Lines{"0,95"});
    EXPECT_EQ(keyCode(), Lines{"Home"});
}

TEST_F(EditorTest, ClosingKeepsTheTablesAndTheAltStrokeCount)
{
    lock("KeyAlt1L");
    numLock();
    clicks({"KeyNum10", "KeyNum9"});
    core.close();
    EXPECT_EQ(st().AltStrokes, 2);
    EXPECT_EQ(st().LineLen[0], 7);
    EXPECT_EQ(st().LineStrokes[0], 2);

    // The Alt lock of the next session restarts the count.
    lock("KeyAlt1L");
    numLock();
    click("KeyNum8");
    EXPECT_EQ(keyCode(), Lines{"Alt+4"});
    EXPECT_EQ(st().LineStrokes[0], 1);
}

TEST_F(EditorTest, MissingModifierPictureOnCloseKeepsTheEditorOpen)
{
    lock("KeyShift2L");
    click("KeyQ");
    removePicture("r_alt.gif");
    EXPECT_THROW(core.close(), pm::UiError);
    // The resets before the failing load ran, the rest did not.
    EXPECT_EQ(st().ModState, 0);
    EXPECT_EQ(st().modifierPictures[2], pm::kModifierKeys[2].onClose);
    EXPECT_EQ(st().modifierPictures[5], "\\BMP\\r_shift_h.gif");
    EXPECT_EQ(keyNum(), Lines{"32,20"});
    EXPECT_EQ(keypad.loadKey, 0);
    EXPECT_EQ(shell.showKeypad_, 0);
    EXPECT_EQ(shell.hideEditor_, 0);
}
