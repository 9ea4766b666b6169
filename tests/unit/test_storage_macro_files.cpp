// The three macro files of a key: names, the bytes a store writes, what a
// failed write leaves, and reading them back into the line tables.
#include "keypad_test_support.h"

#include "storage/macro_files.h"

#ifndef _WIN32
#include <unistd.h>
#endif

using namespace pmtest;
using pm::LineList;
using Lines = std::vector<std::string>;

namespace {

LineList listOf(const Lines& lines)
{
    LineList l;
    for (const auto& s : lines)
        l.add(s);
    return l;
}

class MacroFilesTest : public ::testing::Test {
protected:
    TempAppDir dir;
    pm::Macro macro;
    pm::LineLenTable& len = macro.LineLen;
    pm::LineStrokesTable& strokes = macro.LineStrokes;
    LineList& keyNum = macro.KeyNum;
    LineList& keyCode = macro.KeyCode;
    LineList& lineBuf = macro.LineBuf;
};

} // namespace

TEST(MacroFileNames, DecimalKeyNumberWithoutLeadingZeros)
{
    EXPECT_EQ(pm::strokeFileLiteral(0), "\\log\\KeyNum0.txt");
    EXPECT_EQ(pm::textFileLiteral(9), "\\log\\KeyCode9.txt");
    EXPECT_EQ(pm::lineFileLiteral(43), "\\log\\LineBuf43.txt");
}

TEST_F(MacroFilesTest, StoreWritesExactBytesAndRebuildsTheLineFile)
{
    // Esc, Shift+Q and an Alt-code line of two strokes; the double-byte
    // quotation mark counts as two bytes.
    keyCode = listOf({"Esc", "Shift+\xA1\xA8", "Alt+6+5"});
    keyNum = listOf({"0,41", "2,31", "132,94", "132,93"});
    lineBuf = listOf({"stale"});
    len[0] = 3, len[1] = 8, len[2] = 7;
    strokes[2] = 2;
    len[3] = 99; // beyond the display lines: not stored

    pm::storeMacro(dir.path(), 5, macro);

    EXPECT_EQ(dir.read("\\log\\KeyCode5.txt"), "Esc\r\nShift+\xA1\xA8\r\nAlt+6+5\r\n");
    EXPECT_EQ(dir.read("\\log\\KeyNum5.txt"), "0,41\r\n2,31\r\n132,94\r\n132,93\r\n");
    EXPECT_EQ(dir.read("\\log\\LineBuf5.txt"), "3,0\r\n8,0\r\n7,2\r\n");
    EXPECT_EQ(lineBuf.lines(), (Lines{"3,0", "8,0", "7,2"}));
}

TEST_F(MacroFilesTest, AnEmptyMacroStoresThreeEmptyFiles)
{
    dir.write("\\log\\KeyCode40.txt", "Esc\r\n");
    dir.write("\\log\\KeyNum40.txt", "0,41\r\n");
    dir.write("\\log\\LineBuf40.txt", "3,0\r\n");
    pm::storeMacro(dir.path(), 40, macro);
    EXPECT_EQ(dir.read("\\log\\KeyCode40.txt"), "");
    EXPECT_EQ(dir.read("\\log\\KeyNum40.txt"), "");
    EXPECT_EQ(dir.read("\\log\\LineBuf40.txt"), "");
}

TEST_F(MacroFilesTest, AFailedWriteKeepsEarlierFilesNewAndLaterFilesWhole)
{
    dir.write("\\log\\KeyCode2.txt", "old\r\n");
    dir.write("\\log\\KeyNum2.txt", "0,41\r\n");
    dir.write("\\log\\LineBuf2.txt", "3,0\r\n");
    keyCode = listOf({"q"});
    keyNum = listOf({"0,20"});
    len[0] = 1;
    dir.blockWrite("\\log\\KeyNum2.txt");

    const std::string msg
        = uiErrorOf([&] { pm::storeMacro(dir.path(), 2, macro); });
    EXPECT_EQ(msg.rfind("Cannot create file \"" + dir.file("\\log\\KeyNum2.txt") + "\". ", 0), 0u) << msg;
    EXPECT_EQ(dir.read("\\log\\KeyCode2.txt"), "q\r\n");
    EXPECT_EQ(dir.read("\\log\\KeyNum2.txt"), "0,41\r\n");
    EXPECT_EQ(dir.read("\\log\\LineBuf2.txt"), "3,0\r\n");
}

TEST_F(MacroFilesTest, AFailedStoreRefreshesTheEditorsLineListOnlyOnceTheFirstTwoFilesAreWritten)
{
    keyCode = listOf({"q"});
    keyNum = listOf({"0,20"});
    len[0] = 1;
    lineBuf = listOf({"stale"});
    dir.blockWrite("\\log\\KeyCode6.txt");
    EXPECT_THROW(pm::storeMacro(dir.path(), 6, macro), pm::UiError);
    EXPECT_EQ(lineBuf.lines(), Lines{"stale"});

    dir.blockWrite("\\log\\LineBuf6.txt");
    EXPECT_THROW(pm::storeMacro(dir.path(), 6, macro), pm::UiError);
    EXPECT_EQ(lineBuf.lines(), Lines{"1,0"});
    EXPECT_EQ(dir.read("\\log\\KeyCode6.txt"), "q\r\n");
}

TEST_F(MacroFilesTest, StoredMacrosReadBackIntoTheSameTables)
{
    keyCode = listOf({"Esc", "Ctrl+Alt+1+2+3", "E"});
    keyNum = listOf({"0,41", "5,89", "5,90", "5,91", "0,08"});
    len[0] = 3, len[1] = 14, len[2] = 1;
    strokes[1] = 3;
    pm::storeMacro(dir.path(), 17, macro);

    pm::Macro back;
    pm::readMacroFiles(dir.path(), 17, back);
    pm::parseLineTables(back);
    EXPECT_EQ(back.KeyNum.lines(), keyNum.lines());
    EXPECT_EQ(back.KeyCode.lines(), keyCode.lines());
    EXPECT_EQ(back.LineLen, len);
    EXPECT_EQ(back.LineStrokes, strokes);
}

TEST_F(MacroFilesTest, ReadingReplacesListsInOrderAndStopsAtAMissingFile)
{
    dir.write("\\log\\KeyNum8.txt", "0,41\n0,43");
    dir.write("\\log\\KeyCode8.txt", "Esc\rTab\r");
    dir.remove("\\log\\LineBuf8.txt");
    keyNum = listOf({"x", "y", "z"});
    lineBuf = listOf({"keep"});

    EXPECT_EQ(uiErrorOf([&] { pm::readMacroFiles(dir.path(), 8, macro); }),
        "Cannot open file \"" + dir.file("\\log\\LineBuf8.txt") + "\". No such file or directory");
    EXPECT_EQ(keyNum.lines(), (Lines{"0,41", "0,43"}));
    EXPECT_EQ(keyCode.lines(), (Lines{"Esc", "Tab"}));
    EXPECT_EQ(lineBuf.lines(), Lines{"keep"});
}

TEST_F(MacroFilesTest, LineTablesStopAtTheFirstPartThatDoesNotConvert)
{
    struct Case {
        Lines lineFile;
        std::string offending;
        int goodEntries;
    };
    const Case cases[] = {
        {{"3,0", "5"}, "", 1},      // no comma: nothing before it
        {{"3,0", ",2"}, "", 1},     // empty length
        {{"3,0", "4,"}, "", 1},     // empty stroke count
        {{"3,0", "4,x"}, "x", 1},   // other characters
        {{"3,0", "4 ,1"}, "4 ", 1}, // a trailing blank
        {{"3,0", " 1,0"}, " 1", 1}, // a leading blank
        {{"3,0", "1,-1"}, "-1", 1}, // a sign: never a count of 255
        {{"3,0", "+1,0"}, "+1", 1},
        {{"3,0"}, "", 1},           // fewer lines than the text file
        {{"a,0", "3,0"}, "a", 0},
    };
    keyCode = listOf({"Esc", "q"});
    for (const auto& c : cases) {
        len.fill(0);
        strokes.fill(0);
        lineBuf = listOf(c.lineFile);
        const std::string msg = uiErrorOf([&] { pm::parseLineTables(macro); });
        EXPECT_EQ(msg, "'" + c.offending + "' is not a valid integer value") << c.lineFile.back();
        if (c.goodEntries == 1) {
            EXPECT_EQ(len[0], 3) << c.lineFile.back();
        }
        EXPECT_EQ(strokes[1], 0) << c.lineFile.back();
    }
}

TEST_F(MacroFilesTest, LineTablesKeepTheLengthAndTheLowByteOfTheStrokes)
{
    keyCode = listOf({"a", "b"});
    lineBuf = listOf({"5,258", "70000,3", "9,9"});
    pm::parseLineTables(macro);
    EXPECT_EQ(len[0], 5);
    EXPECT_EQ(strokes[0], 2);
    EXPECT_EQ(len[1], 70000);
    EXPECT_EQ(strokes[1], 3);
    EXPECT_EQ(len[2], 0); // only as many entries as display lines
}

TEST_F(MacroFilesTest, ProbeCountsTextLines)
{
    LineList probe = listOf({"left over"});
    EXPECT_EQ(pm::probeMacro(dir.path(), 0, probe), 0);
    EXPECT_TRUE(probe.empty());
    dir.write("\\log\\KeyCode0.txt", "\r\n");
    EXPECT_EQ(pm::probeMacro(dir.path(), 0, probe), 1);
    dir.write("\\log\\KeyCode0.txt", "a\nb");
    EXPECT_EQ(pm::probeMacro(dir.path(), 0, probe), 2);
    dir.remove("\\log\\KeyCode0.txt");
    EXPECT_THROW(pm::probeMacro(dir.path(), 0, probe), pm::UiError);
}

TEST_F(MacroFilesTest, MoreThanFortyDisplayLinesAreRefused)
{
    for (int i = 0; i < 40; ++i)
        keyCode.add("q");
    EXPECT_NO_THROW(pm::requireDisplayLineLimit(dir.path(), 9, macro));
    keyCode.add("q");
    EXPECT_EQ(uiErrorOf([&] { pm::requireDisplayLineLimit(dir.path(), 9, macro); }),
        "Cannot load the macro of key 9: \"" + dir.file("\\log\\KeyCode9.txt")
            + "\" has 41 display lines; at most 40 are allowed");
}

TEST_F(MacroFilesTest, AStoreKeepsEachFilesPermissionsAndRefusesAReadOnlyOne)
{
    namespace fs = std::filesystem;
    dir.write("\\log\\KeyCode3.txt", "");
    dir.write("\\log\\KeyNum3.txt", "0,41\r\n");
    dir.write("\\log\\LineBuf3.txt", "");
    const fs::path code = dir.file("\\log\\KeyCode3.txt");
    const fs::path num = dir.file("\\log\\KeyNum3.txt");
    fs::permissions(code, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    keyCode = listOf({"q"});
    keyNum = listOf({"0,20"});
    len[0] = 1;

    pm::storeMacro(dir.path(), 3, macro);
    EXPECT_EQ(fs::status(code).permissions(),
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    fs::permissions(num, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
#ifndef _WIN32
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser may write a read-only file";
#endif
    keyNum = listOf({"0,4"});
    const std::string msg
        = uiErrorOf([&] { pm::storeMacro(dir.path(), 3, macro); });
    EXPECT_EQ(msg.rfind("Cannot create file \"" + dir.file("\\log\\KeyNum3.txt") + "\". ", 0), 0u) << msg;
    EXPECT_EQ(dir.read("\\log\\KeyNum3.txt"), "0,20\r\n");
    EXPECT_EQ(dir.read("\\log\\LineBuf3.txt"), "1,0\r\n");
}
