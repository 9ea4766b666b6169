// The scenario runner's script reading and output formats: a slip here
// would make every scenario pass or fail for the wrong reason.
#include <gtest/gtest.h>

#include "script.h"

using namespace pm::scenario;
using pm::SimulatedKeypad;

namespace {

// Every value a "device add" line sets.
void expectDeviceAdd(const DeviceAdd& got, const DeviceAdd& want)
{
    EXPECT_EQ(got.index, want.index);
    EXPECT_EQ(got.iface.vendorId, want.iface.vendorId);
    EXPECT_EQ(got.iface.productId, want.iface.productId);
    EXPECT_EQ(got.iface.version, want.iface.version);
    EXPECT_EQ(got.iface.usagePage, want.iface.usagePage);
    EXPECT_EQ(got.iface.usage, want.iface.usage);
    EXPECT_EQ(got.iface.outputReportLength, want.iface.outputReportLength);
    EXPECT_EQ(got.iface.open, want.iface.open);
}

} // namespace

TEST(ScenarioScript, LinesKeepTheirNumbersAndSkipCommentsAndBlanks)
{
    const std::string text
        = "# exit: 1\r\n\r\nclick  Key_9\tright\r\n   \n  # indented note\nshell rm  -f 'a b'\ntick";
    auto lines = parseScript(text);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].number, 3);
    EXPECT_EQ(lines[0].words, (std::vector<std::string>{"click", "Key_9", "right"}));
    EXPECT_EQ(lines[1].number, 6);
    EXPECT_EQ(lines[1].rest, "rm  -f 'a b'"); // the shell gets the line as written
    EXPECT_EQ(lines[2].number, 7);
    EXPECT_EQ(lines[2].words, (std::vector<std::string>{"tick"}));
    EXPECT_EQ(lines[2].rest, "");
}

TEST(ScenarioScript, ExitStatusComesOnlyFromTheFirstLine)
{
    EXPECT_EQ(expectedExitStatus("# exit: 2\nprint state\n"), 2);
    EXPECT_EQ(expectedExitStatus("# exit:1"), 1);
    EXPECT_EQ(expectedExitStatus("print state\n# exit: 1\n"), 0);
    EXPECT_EQ(expectedExitStatus("# a comment\n"), 0);
    EXPECT_EQ(expectedExitStatus(""), 0);
}

TEST(ScenarioScript, QuotingEscapesExactlyTheNonPrintableBytes)
{
    EXPECT_EQ(quote(""), "\"\"");
    EXPECT_EQ(quote(" ~Shift+Q "), "\" ~Shift+Q \"");
    EXPECT_EQ(quote("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(quote("\xA1\xA8"), "\"\\xA1\\xA8\"");
    EXPECT_EQ(quote(std::string("\r\n\x1F\x7F\0", 5)), "\"\\x0D\\x0A\\x1F\\x7F\\x00\"");
}

TEST(ScenarioScript, HexBytesAreUpperCaseAndBlankSeparated)
{
    const uint8_t bytes[] = {0x00, 0x55, 0xAB, 0xFF};
    EXPECT_EQ(hexBytes(bytes, 4), "00 55 AB FF");
    EXPECT_EQ(hexBytes(bytes, 0), "");
}

TEST(ScenarioScript, NumbersAcceptOnlyTheirOwnForm)
{
    EXPECT_EQ(parseHex("0xFFFF", 0xFFFF), 0xFFFFu);
    EXPECT_EQ(parseHex("0200", 0xFFFF), 0x0200u);
    EXPECT_EQ(parseHex("0Xc", 0xFFFF), 0xCu);
    EXPECT_FALSE(parseHex("0x", 0xFFFF));
    EXPECT_FALSE(parseHex("10000", 0xFFFF));
    EXPECT_FALSE(parseHex("12g", 0xFFFF));
    EXPECT_EQ(parseDecimal("39", 100), 39u);
    EXPECT_FALSE(parseDecimal("-1", 100));
    EXPECT_FALSE(parseDecimal("101", 100));
    EXPECT_FALSE(parseDecimal("", 100));
}

TEST(ScenarioScript, DeviceAddDefaultsAreTheKeypadsOwnValues)
{
    expectDeviceAdd(parseDeviceAdd({}),
        {-1, {0xFFFF, 0x0200, 0x0101, 0x000C, 0x0001, 33, SimulatedKeypad::OpenBehaviour::Ok}});
}

TEST(ScenarioScript, DeviceAddOptionsOverrideEachValue)
{
    expectDeviceAdd(parseDeviceAdd({"index=39", "vid=0x1234", "pid=abcd", "version=0100", "page=1",
                        "usage=0x6", "outlen=9", "open=write-fail"}),
        {39, {0x1234, 0xABCD, 0x0100, 0x0001, 0x0006, 9, SimulatedKeypad::OpenBehaviour::WriteFail}});
    EXPECT_EQ(parseDeviceAdd({"open=fail"}).iface.open, SimulatedKeypad::OpenBehaviour::Fail);
    EXPECT_EQ(parseDeviceAdd({"open=denied"}).iface.open, SimulatedKeypad::OpenBehaviour::Denied);
}

TEST(ScenarioScript, MalformedDeviceWordsAreScriptErrors)
{
    EXPECT_THROW(parseDeviceAdd({"vendor=FFFF"}), ScriptError);
    EXPECT_THROW(parseDeviceAdd({"vid"}), ScriptError);
    EXPECT_THROW(parseDeviceAdd({"vid=0x10000"}), ScriptError);
    EXPECT_THROW(parseDeviceAdd({"index=x"}), ScriptError);
    EXPECT_THROW(parseDeviceAdd({"open=maybe"}), ScriptError);
    EXPECT_EQ(parseDeviceRemove({}), -1);
    EXPECT_EQ(parseDeviceRemove({"index=3"}), 3);
    EXPECT_THROW(parseDeviceRemove({"3"}), ScriptError);
    EXPECT_EQ(parseAckMode({"a-only"}), SimulatedKeypad::AckMode::AOnly);
    EXPECT_EQ(parseAckMode({"off"}), SimulatedKeypad::AckMode::Off);
    EXPECT_THROW(parseAckMode({}), ScriptError);
    EXPECT_THROW(parseAckMode({"yes"}), ScriptError);
}

TEST(ScenarioScript, ButtonsAndCounts)
{
    EXPECT_EQ(parseButton({"click", "KeyQ"}, 2), Button::Left);
    EXPECT_EQ(parseButton({"click", "KeyQ", "middle"}, 2), Button::Middle);
    EXPECT_THROW(parseButton({"click", "KeyQ", "centre"}, 2), ScriptError);
    EXPECT_THROW(parseButton({"click", "KeyQ", "left", "again"}, 2), ScriptError);
    EXPECT_EQ(parseCount({"tick"}, 1), 1);
    EXPECT_EQ(parseCount({"tick", "16"}, 1), 16);
    EXPECT_THROW(parseCount({"tick", "two"}, 1), ScriptError);
}
