#include <QPlainTextEdit>
#include <gtest/gtest.h>

#include "ui/keypad_window_qt.h"
#include "ui/text_qt.h"

namespace pm {
namespace {

TEST(DisplayText, CodePageBytesSurviveTheRoundTrip)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    EXPECT_EQ(fromDisplay(toDisplay(all)), all);

    // The right double quotation mark of the 2 key is one character on screen.
    const QString quote = toDisplay("Shift+\xA1\xA8");
    EXPECT_EQ(quote, QString::fromUtf8("Shift+\u201D"));
    EXPECT_EQ(fromDisplay(quote), "Shift+\xA1\xA8");

    // A lead byte alone, or followed by another byte, is Latin-1.
    EXPECT_EQ(toDisplay("\xA1"), QString(QChar(0xA1)));
    EXPECT_EQ(toDisplay("\xA1"
                        "A"),
        QString(QChar(0xA1)) + QLatin1Char('A'));
    EXPECT_EQ(toDisplay("\xE9"), QString::fromUtf8("\u00E9"));
}

TEST(DisplayText, CharactersWithoutAByteBecomeOneQuestionMarkEach)
{
    EXPECT_EQ(fromDisplay(QString::fromUtf8("a\u6F22b")), "a?b");
    EXPECT_EQ(fromDisplay(QString::fromUtf8("x\U0001F600y")), "x?y");
    EXPECT_EQ(fromDisplay(QString()), "");
}

TEST(DisplayText, MemoMirrorsLinesAndKeepsNoBreakSpaces)
{
    QPlainTextEdit memo;
    LineList lines;
    lines.add("2,20");
    lines.add("a\xA0"
              "b");
    lines.add("");
    lines.add("Shift+\xA1\xA8");
    mirrorLines(&memo, lines);
    EXPECT_EQ(fromDisplay(memoText(&memo)),
        std::string("2,20\na\xA0"
                    "b\n\nShift+\xA1\xA8"));
    EXPECT_EQ(memo.document()->blockCount(), 4);

    // Unchanged lines leave the memo alone (its cursor stays where it is).
    memo.moveCursor(QTextCursor::Start);
    mirrorLines(&memo, lines);
    EXPECT_EQ(memo.textCursor().position(), 0);

    mirrorLines(&memo, LineList{});
    EXPECT_TRUE(memoText(&memo).isEmpty());
}

TEST(VirtualKey, LettersAndDigitsAreTheirOwnCodes)
{
    EXPECT_EQ(virtualKeyOf(Qt::Key_A), 0x41);
    EXPECT_EQ(virtualKeyOf(Qt::Key_B), 0x42);
    EXPECT_EQ(virtualKeyOf(Qt::Key_Z), 0x5A);
    EXPECT_EQ(virtualKeyOf(Qt::Key_0), 0x30);
    EXPECT_EQ(virtualKeyOf(Qt::Key_9), 0x39);
    EXPECT_EQ(virtualKeyOf(Qt::Key_Space), 0x20);
    EXPECT_EQ(virtualKeyOf(Qt::Key_Return), 0x0D);
    // Keys whose codes differ between the toolkits are not passed on as
    // something they are not.
    EXPECT_EQ(virtualKeyOf(Qt::Key_Comma), 0);
    EXPECT_EQ(virtualKeyOf(Qt::Key_F1), 0);
}

} // namespace
} // namespace pm
