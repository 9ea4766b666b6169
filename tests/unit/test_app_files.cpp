// Integer conversion, file names below AppDir, whole-file reads and writes,
// and the line list's reading rule.
#include "keypad_test_support.h"

#include "base/errors.h"
#include "storage/line_list.h"

using namespace pmtest;
using pm::LineList;
using Lines = std::vector<std::string>;

TEST(StrToInt, AcceptsBlanksSignAndThe32BitRange)
{
    EXPECT_EQ(pm::strToInt("0"), 0);
    EXPECT_EQ(pm::strToInt("08"), 8);
    EXPECT_EQ(pm::strToInt("  42"), 42);
    EXPECT_EQ(pm::strToInt("+7"), 7);
    EXPECT_EQ(pm::strToInt("-12"), -12);
    EXPECT_EQ(pm::strToInt("2147483647"), 2147483647);
    EXPECT_EQ(pm::strToInt("-2147483648"), -2147483647 - 1);
}

TEST(StrToInt, RejectsEverythingElseNamingTheText)
{
    for (const char* bad :
        {"", " ", "-", "12 ", "1a", "a", "1,2", "2147483648", "-2147483649", "99999999999"})
        EXPECT_EQ(
            uiErrorOf([&] { pm::strToInt(bad); }), "'" + std::string(bad) + "' is not a valid integer value")
            << bad;
}

TEST(Paths, LiteralsFollowAppDirWithThePlatformSeparator)
{
    EXPECT_EQ(pm::platformPath("/a/b", "\\log\\KeyNum5.txt"), "/a/b/log/KeyNum5.txt");
    EXPECT_EQ(pm::platformPath("/a", "\\BMP\\2.bmp"), "/a/BMP/2.bmp");
}

TEST(Paths, ReadingFindsAFileWhoseNameDiffersInCase)
{
    TempAppDir dir;
    dir.write("\\BMP\\Q_H.gif", "pic");
    EXPECT_EQ(pm::readWholeFile(dir.file("\\bmp\\q_h.GIF")), "pic");
    EXPECT_EQ(pm::requireReadable(dir.file("\\BMP\\q_h.gif")), dir.file("\\BMP\\Q_H.gif"));
}

TEST(Paths, AMissingFileCannotBeOpened)
{
    TempAppDir dir;
    const std::string missing = dir.file("\\BMP\\none.gif");
    EXPECT_EQ(uiErrorOf([&] { pm::readWholeFile(missing); }),
        "Cannot open file \"" + missing + "\". No such file or directory");
    EXPECT_EQ(uiErrorOf([&] { pm::requireReadable(missing); }),
        "Cannot open file \"" + missing + "\". No such file or directory");
    EXPECT_EQ(uiErrorOf([&] { pm::requireReadable(dir.file("\\BMP")); }).rfind("Cannot open file", 0), 0u);
}

TEST(Paths, AFailedReplacementLeavesTheOldFileWhole)
{
    TempAppDir dir;
    dir.write("\\log\\KeyNum5.txt", "0,41\r\n");
    pm::replaceWholeFile(dir.file("\\log\\KeyNum5.txt"), "2,20\r\n");
    EXPECT_EQ(dir.read("\\log\\KeyNum5.txt"), "2,20\r\n");

    dir.blockWrite("\\log\\KeyNum5.txt");
    const std::string msg = uiErrorOf([&] { pm::replaceWholeFile(dir.file("\\log\\KeyNum5.txt"), "x"); });
    EXPECT_EQ(msg.rfind("Cannot create file \"" + dir.file("\\log\\KeyNum5.txt") + "\". ", 0), 0u) << msg;
    EXPECT_EQ(dir.read("\\log\\KeyNum5.txt"), "2,20\r\n");

    const std::string noDir = dir.file("\\nolog\\KeyNum5.txt");
    EXPECT_EQ(uiErrorOf([&] { pm::replaceWholeFile(noDir, "x"); }),
        "Cannot create file \"" + noDir + "\". No such file or directory");
}

TEST(LineListRule, BreaksAreCrLfLoneCrOrLoneLfAndAFinalBreakAddsNoLine)
{
    EXPECT_EQ(LineList::splitLines(""), Lines{});
    EXPECT_EQ(LineList::splitLines("\r\n"), Lines{""});
    EXPECT_EQ(LineList::splitLines("a"), Lines{"a"});
    EXPECT_EQ(LineList::splitLines("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(LineList::splitLines("a\nb\rc"), (Lines{"a", "b", "c"}));
    EXPECT_EQ(LineList::splitLines("a\r\n\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(LineList::splitLines("a\n\r"), (Lines{"a", ""}));
    EXPECT_EQ(LineList::splitLines("\xA1\xA8 x\r\n"), Lines{"\xA1\xA8 x"});
}

TEST(LineListRule, SavesCrLfAfterEveryLineAndLoadsByReplacing)
{
    TempAppDir dir;
    LineList list;
    list.add("Esc");
    list.add("");
    list.add("Shift+Q");
    EXPECT_EQ(list.toFileBytes(), "Esc\r\n\r\nShift+Q\r\n");
    list.saveToFile(dir.file("\\log\\KeyCode1.txt"));
    EXPECT_EQ(dir.read("\\log\\KeyCode1.txt"), "Esc\r\n\r\nShift+Q\r\n");

    dir.write("\\log\\KeyCode2.txt", "q");
    list.loadFromFile(dir.file("\\log\\KeyCode2.txt"));
    EXPECT_EQ(list.lines(), Lines{"q"});
    EXPECT_EQ(list.line(1), "");
    EXPECT_EQ(list.line(-1), "");

    EXPECT_THROW(list.loadFromFile(dir.file("\\log\\KeyCode99.txt")), pm::UiError);
    EXPECT_EQ(list.lines(), Lines{"q"});
}
