// Modifier locking and the shared double-click counter, prefixes and
// placeholder lines, Alt-code lines and NumLock.
#include "test_editor_fixture.h"

using namespace pmtest;

// ---- locking and the double-click window ---------------------------------

TEST_F(EditorTest, SingleClickOnAFreeModifierOnlyCounts)
{
    core.modifierMouseDown(mod("KeyShift1L"));
    EXPECT_TRUE(st().timer1Enabled);
    EXPECT_EQ(st().modifierPictures[size_t(mod("KeyShift1L"))], "\\BMP\\L_Shift_h.gif");
    core.modifierMouseUp(mod("KeyShift1L"));
    EXPECT_EQ(st().modifierPictures[size_t(mod("KeyShift1L"))], "\\BMP\\l_Shift.gif");
    EXPECT_EQ(st().ModClicks, 1);
    EXPECT_EQ(st().ModState, 0);
    EXPECT_EQ(st().ModLock, 0);
    EXPECT_TRUE(keyCode().empty());
    EXPECT_FALSE(st().ReplaceLast);

    core.Timer1Timer(); // the window closes
    EXPECT_EQ(st().ModClicks, 0);
    EXPECT_FALSE(st().timer1Enabled);
    click("KeyQ");
    EXPECT_EQ(keyNum(), Lines{"0,20"});
    EXPECT_EQ(keyCode(), Lines{"q"});
}

TEST_F(EditorTest, TimerTicksWithoutAReleaseKeepTheWindowOpen)
{
    core.modifierMouseDown(mod("KeyCtrl1L"));
    core.Timer1Timer(); // button still down: nothing counted yet
    EXPECT_TRUE(st().timer1Enabled);
    core.modifierMouseUp(mod("KeyCtrl1L"));
    core.modifierMouseDown(mod("KeyCtrl1L"));
    core.modifierMouseUp(mod("KeyCtrl1L"));
    EXPECT_EQ(st().ModLock, 0x01);
    EXPECT_FALSE(st().timer1Enabled);
    EXPECT_EQ(st().timer1Interval, 400);
}

TEST_F(EditorTest, DoubleClickLocksAndSingleClickUnlocks)
{
    lock("KeyShift1L");
    EXPECT_EQ(st().ModState, 0x02);
    EXPECT_EQ(st().ModLock, 0x02);
    EXPECT_EQ(st().ModClicks, 0);
    EXPECT_EQ(st().modifierPictures[size_t(mod("KeyShift1L"))], "\\BMP\\l_Shift_h.gif");
    EXPECT_EQ(keyCode(), Lines{"Shift+"});
    EXPECT_TRUE(st().ReplaceLast);

    clicks({"KeyQ", "KeyW"});
    EXPECT_EQ(keyCode(), (Lines{"Shift+Q", "W"}));
    EXPECT_EQ(keyNum(), (Lines{"2,20", "2,26"}));

    single("KeyShift1L");
    EXPECT_EQ(st().ModState, 0);
    EXPECT_EQ(st().ModLock, 0);
    EXPECT_EQ(st().modifierPictures[size_t(mod("KeyShift1L"))], "\\BMP\\l_Shift.gif");
    click("KeyA");
    EXPECT_EQ(keyNum().back(), "0,04");
    EXPECT_EQ(keyCode().back(), "a");
}

TEST_F(EditorTest, SharedCounterLocksTheSecondKeyOfAQuickPair)
{
    modClick("KeyShift1L");
    modClick("KeyCtrl2L");
    core.Timer1Timer();
    EXPECT_EQ(st().ModLock, 0x10);
    EXPECT_EQ(st().ModState, 0x10);
    EXPECT_EQ(keyCode(), Lines{"Ctrl+"});

    // With the window closed in between, two single clicks lock nothing.
    single("KeyShift2L");
    single("KeyShift2L");
    EXPECT_EQ(st().ModLock, 0x10);
}

TEST_F(EditorTest, DoubleClickOnALockedKeyUnlocksThenLocksAgain)
{
    lock("KeyAlt1L");
    modClick("KeyAlt1L"); // unlocks, counts 1
    EXPECT_EQ(st().ModLock, 0);
    modClick("KeyAlt1L"); // locks again
    EXPECT_EQ(st().ModLock, 0x04);
    EXPECT_EQ(keyCode(), Lines{"Alt+"});
}

// ---- prefixes and placeholder lines --------------------------------------

TEST_F(EditorTest, ShiftThenRightCtrlNamesBoth)
{
    lock("KeyShift1L");
    lock("KeyCtrl2L");
    EXPECT_EQ(keyCode(), Lines{"Shift+Ctrl+"}); // one placeholder, replaced
    click("KeyA");
    EXPECT_EQ(keyCode(), Lines{"Shift+Ctrl+A"});
    EXPECT_EQ(keyNum(), Lines{"18,04"});
    EXPECT_EQ(st().KeyShow, "Shift+Ctrl+A ");
}

TEST_F(EditorTest, BothCtrlKeysAppearInThePrefix)
{
    lock("KeyCtrl1L");
    lock("KeyCtrl2L");
    EXPECT_EQ(keyCode(), Lines{"Ctrl+"});
    clicks({"KeyA", "KeyB"});
    EXPECT_EQ(keyCode(), (Lines{"Ctrl+Ctrl+a", "b"})); // named only once
    EXPECT_EQ(keyNum(), (Lines{"17,04", "17,05"}));
}

TEST_F(EditorTest, AltLockAppendsItsNameToTheLockedOnes)
{
    lock("KeyCtrl1L");
    lock("KeyAlt2L");
    EXPECT_EQ(st().AltText, "Ctrl+Alt+");
    EXPECT_EQ(keyCode(), Lines{"Ctrl+Alt+"});
    click("KeyX");
    EXPECT_EQ(keyCode(), Lines{"Ctrl+Alt+x"});
    EXPECT_EQ(keyNum(), Lines{"65,27"});
}

TEST_F(EditorTest, UnlockingRemovesOrRenamesThePlaceholder)
{
    lock("KeyShift1L");
    single("KeyShift1L");
    EXPECT_TRUE(keyCode().empty());
    EXPECT_FALSE(st().ReplaceLast);

    lock("KeyShift1L");
    lock("KeyCtrl1L");
    single("KeyShift1L");
    EXPECT_EQ(keyCode(), Lines{"Ctrl+"});
    EXPECT_TRUE(st().ReplaceLast);
    click("KeyZ");
    EXPECT_EQ(keyCode(), Lines{"Ctrl+z"});

    // With no placeholder pending an unlock leaves the display lines alone.
    single("KeyCtrl1L");
    EXPECT_EQ(keyCode(), Lines{"Ctrl+z"});
}

TEST_F(EditorTest, UnlockingOneShiftDropsTheNameOfTheOther)
{
    lock("KeyShift1L");
    lock("KeyShift2L");
    single("KeyShift2L");
    EXPECT_EQ(st().ModState, 0x02);
    EXPECT_EQ(st().AltText, "");
    EXPECT_EQ(keyCode(), Lines{""});
    click("KeyQ"); // the prefix still comes from the bits
    EXPECT_EQ(keyCode(), Lines{"Shift+Q"});
}

// ---- Alt-code lines --------------------------------------------------------

TEST_F(EditorTest, AltCodeDigitsFormOneLine)
{
    lock("KeyAlt1L");
    numLock();
    clicks({"KeyNum10", "KeyNum9"});
    EXPECT_EQ(keyCode(), Lines{"Alt+6+5"});
    EXPECT_EQ(keyNum(), (Lines{"132,94", "132,93"}));
    EXPECT_EQ(st().LineStrokes[0], 2);
    EXPECT_EQ(st().LineLen[0], 7);
    EXPECT_EQ(st().TextLines, "2");
    EXPECT_EQ(st().KeyShow, "Alt+6+5 ");

    click("KeyNum14"); // the point joins without adding a digit
    EXPECT_EQ(keyCode(), Lines{"Alt+6+5"});
    EXPECT_EQ(keyNum().back(), "132,99");
    EXPECT_EQ(st().LineStrokes[0], 3);

    click("KeyA"); // closes the line
    EXPECT_EQ(keyCode(), (Lines{"Alt+6+5", "a"}));
    EXPECT_EQ(st().LineStrokes[1], 0);
    EXPECT_FALSE(st().AltActive);
    EXPECT_FALSE(st().AltLineOpen);

    clicks({"KeyNum11", "Key0L"}); // a fresh line, counted from 1
    EXPECT_EQ(keyCode(), (Lines{"Alt+6+5", "a", "Alt+1+0"}));
    EXPECT_EQ(st().LineStrokes[2], 2);
    EXPECT_EQ(keyNum().back(), "132,98");
}

TEST_F(EditorTest, DigitsWithoutNumLockOrWithShiftAreOrdinaryStrokes)
{
    lock("KeyAlt1L");
    clicks({"KeyNum5", "KeyNum6"});
    EXPECT_EQ(keyCode(), (Lines{"Alt+Home", "Arrow_Up"}));
    EXPECT_EQ(keyNum(), (Lines{"4,95", "4,96"}));
    EXPECT_EQ(st().LineStrokes[0], 0);

    numLock();
    lock("KeyShift1L");
    clicks({"KeyNum5", "KeyNum6"}); // row 1: digit, but no Alt-code line
    EXPECT_EQ(keyCode(), (Lines{"Alt+Home", "Arrow_Up", "Shift+Alt+7", "8"}));
    EXPECT_EQ(keyNum().back(), "134,96");
    EXPECT_EQ(st().LineStrokes[2], 0);
    EXPECT_EQ(st().LineStrokes[3], 0);
}

TEST_F(EditorTest, KeypadWithNumLockShowsDigitsWithOrWithoutShift)
{
    numLock();
    click("KeyNum5");
    lock("KeyShift2L");
    click("KeyNum5");
    single("KeyShift2L");
    numLock();
    click("KeyNum5");
    EXPECT_EQ(keyCode(), (Lines{"7", "Shift+7", "Home"}));
    EXPECT_EQ(keyNum(), (Lines{"128,95", "160,95", "0,95"}));
}

TEST_F(EditorTest, LockingShiftEndsAnAltCodeLine)
{
    lock("KeyAlt1L");
    numLock();
    click("KeyNum10");
    lock("KeyShift1L");
    EXPECT_FALSE(st().AltActive);
    EXPECT_FALSE(st().AltLineOpen);
    EXPECT_EQ(st().AltText, "Shift+Alt+");
    EXPECT_EQ(keyCode(), (Lines{"Alt+6", "Shift+Alt+"}));
    click("KeyNum9");
    EXPECT_EQ(keyCode(), (Lines{"Alt+6", "Shift+Alt+5"}));
}

TEST_F(EditorTest, UnlockingAltEndsTheLine)
{
    lock("KeyAlt2L");
    numLock();
    clicks({"KeyNum10", "KeyNum9"});
    single("KeyAlt2L");
    EXPECT_FALSE(st().AltActive);
    EXPECT_FALSE(st().AltLineOpen);
    EXPECT_EQ(st().AltText, "");
    click("KeyNum8");
    EXPECT_EQ(keyCode(), (Lines{"Alt+6+5", "4"}));
    EXPECT_EQ(keyNum(), (Lines{"192,94", "192,93", "128,92"}));
}

// ---- NumLock ---------------------------------------------------------------

TEST_F(EditorTest, NumLockTogglesTheBitAndTheIndicator)
{
    EXPECT_EQ(st().numShapeFill, pm::kNumShapeOff);
    core.KeyNum1LMouseDown();
    EXPECT_EQ(st().numLockPicture, "\\BMP\\NumLock_h.gif");
    core.KeyNum1LMouseUp();
    EXPECT_EQ(st().numLockPicture, "\\BMP\\NumLock.gif");
    EXPECT_EQ(st().ModState, 0x80);
    EXPECT_EQ(st().numShapeFill, pm::kNumShapeOn);
    numLock();
    EXPECT_EQ(st().ModState, 0);
    EXPECT_EQ(st().numShapeFill, pm::kNumShapeOff);
    EXPECT_TRUE(keyCode().empty());
    EXPECT_TRUE(keyNum().empty());
    EXPECT_FALSE(st().timer1Enabled); // NumLock is no modifier key
}

TEST_F(EditorTest, NumLockOnAfterOffRestartsTheAltText)
{
    lock("KeyAlt1L");
    numLock();
    click("KeyNum10");
    numLock(); // off: the line ends
    EXPECT_FALSE(st().AltLineOpen);
    EXPECT_EQ(st().AltText, "");
    numLock(); // on again: ready for digits
    EXPECT_EQ(st().AltText, "Alt+");
    click("KeyNum9");
    EXPECT_EQ(keyCode(), (Lines{"Alt+6", "Alt+5"}));
}

// ---- pictures that cannot be loaded ----------------------------------------

TEST_F(EditorTest, MissingLockedPictureStopsTheLockHalfWay)
{
    const int k = mod("KeyCtrl2L");
    core.modifierMouseDown(k);
    core.modifierMouseUp(k);
    core.modifierMouseDown(k);
    removePicture("R_ctrl_h.gif");
    EXPECT_THROW(core.modifierMouseUp(k), pm::UiError);
    // Steps before the load ran; the lock itself and the placeholder did not.
    EXPECT_FALSE(st().timer1Enabled);
    EXPECT_EQ(st().ModState, 0x10);
    EXPECT_EQ(st().ModLock, 0);
    EXPECT_EQ(st().ModClicks, 2);
    EXPECT_TRUE(keyCode().empty());
    EXPECT_FALSE(st().ReplaceLast);
}

TEST_F(EditorTest, MissingReleasedPictureKeepsTheKeyLocked)
{
    lock("KeyShift2L");
    removePicture("r_shift.gif");
    EXPECT_THROW(modClick("KeyShift2L"), pm::UiError);
    EXPECT_EQ(st().ModLock, 0x20);
    EXPECT_EQ(st().ModState, 0x20);
    EXPECT_EQ(keyCode(), Lines{"Shift+"});
}

TEST_F(EditorTest, MissingPressedModifierPictureLeavesTheTimerOff)
{
    removePicture("L_alt_h.gif");
    EXPECT_THROW(core.modifierMouseDown(mod("KeyAlt1L")), pm::UiError);
    EXPECT_FALSE(st().timer1Enabled);
    EXPECT_EQ(st().modifierPictures[size_t(mod("KeyAlt1L"))], "");
}

TEST_F(EditorTest, NumLockPictureFailures)
{
    removePicture("NumLock_h.gif");
    EXPECT_THROW(core.KeyNum1LMouseDown(), pm::UiError);
    EXPECT_EQ(st().ModState, 0);

    // The released picture is loaded last: the toggle has already happened.
    removePicture("NumLock.gif");
    EXPECT_THROW(core.KeyNum1LMouseUp(), pm::UiError);
    EXPECT_EQ(st().ModState, 0x80);
    EXPECT_EQ(st().numShapeFill, pm::kNumShapeOn);
}
