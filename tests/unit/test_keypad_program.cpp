// The programming image and the editor's Program command: the image bytes,
// what is stored, the job it raises, and every way it stops short.
#include "keypad_core_fixture.h"

#include <initializer_list>
#include <utility>

#include "device/report_image.h"

using namespace pmtest;

namespace {

pm::ReportImage build(const Lines& strokes, uint8_t key)
{
    pm::ReportImage image{};
    pm::buildReportImage(image, strokes, key);
    return image;
}

Lines strokesOf(int n)
{
    Lines l;
    for (int i = 0; i < n; ++i)
        l.push_back(std::to_string(i) + "," + std::to_string(4 + i));
    return l;
}

// Each listed byte of the image, by its position.
void expectBytes(const pm::ReportImage& image, std::initializer_list<std::pair<size_t, uint8_t>> bytes)
{
    for (const auto& [at, value] : bytes)
        EXPECT_EQ(image[at], value) << "byte " << at;
}

// Nothing is left between the end marker and the checksum.
void expectZeros(const pm::ReportImage& image, size_t from)
{
    for (size_t i = from; i <= 63; ++i)
        EXPECT_EQ(image[i], 0) << "byte " << i;
}

uint8_t pairSum(const pm::ReportImage& image)
{
    uint8_t sum = 0;
    for (size_t i = 3; i <= 62; ++i)
        sum = static_cast<uint8_t>(sum + image[i]);
    return sum;
}

} // namespace

// ---- the image ------------------------------------------------------------------

TEST(ReportImage, KeyFiveWithShiftQ)
{
    const auto image = build({"2,20"}, 5);
    expectBytes(image, {{1, 0x55}, {2, 0x05}, {3, 0x02}, {4, 0x14}, {5, 0xFF}});
    expectZeros(image, 6);
    expectBytes(image, {{64, 0x15}, {0, 0}});
}

TEST(ReportImage, AnEmptyMacroIsJustTheEndMarker)
{
    const auto image = build({}, 40);
    expectBytes(image, {{1, 0x55}, {2, 40}, {3, 0xFF}});
    expectZeros(image, 4);
    expectBytes(image, {{64, 0xFF}});
}

TEST(ReportImage, FifteenStrokesPutTheEndMarkerInTheSecondHalf)
{
    const auto image = build(strokesOf(15), 1);
    expectBytes(image, {{31, 14}, {32, 18}, {33, 0xFF}, {34, 0}});
    EXPECT_EQ(image[64], pairSum(image));
}

TEST(ReportImage, ThirtyStrokesFillThePairAreaWithoutAnEndMarker)
{
    const auto image = build(strokesOf(30), 36);
    expectBytes(image, {{3, 0}, {4, 4}, {61, 29}, {62, 33}, {63, 0}});
    uint8_t expected = 0;
    for (int i = 0; i < 30; ++i)
        expected = static_cast<uint8_t>(expected + i + 4 + i);
    EXPECT_EQ(image[64], expected);
}

TEST(ReportImage, NumbersKeepTheirLowEightBits)
{
    const auto image = build({"256,4", "-1,300", "  7,+8", "130,08"}, 2);
    const uint8_t pairs[] = {0x00, 0x04, 0xFF, 0x2C, 7, 8, 130, 8, 0xFF};
    for (size_t i = 0; i < std::size(pairs); ++i)
        EXPECT_EQ(image[3 + i], pairs[i]) << i;
}

TEST(ReportImage, AShorterMacroLeavesNothingOfALongerOne)
{
    pm::ReportImage image{};
    pm::buildReportImage(image, strokesOf(20), 3);
    pm::buildReportImage(image, {"0,41"}, 3);
    expectBytes(image, {{5, 0xFF}});
    expectZeros(image, 6);
    expectBytes(image, {{64, static_cast<uint8_t>(41 + 0xFF)}});
}

TEST(ReportImage, ALineThatDoesNotConvertLeavesTheImageUntouched)
{
    pm::ReportImage before{};
    before.fill(0xAA);
    const struct {
        Lines lines;
        const char* message;
    } cases[] = {
        {{"0,41", "2"}, "'' is not a valid integer value"},
        {{"0,41", "x,4"}, "'x' is not a valid integer value"},
        {{"0,41", "0,"}, "'' is not a valid integer value"},
        {{"0,41", "0,4,5"}, "'4,5' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        pm::ReportImage image = before;
        EXPECT_EQ(uiErrorOf([&] { pm::buildReportImage(image, c.lines, 9); }), c.message);
        EXPECT_EQ(image, before);
    }
}

TEST(ReportImage, MoreThanThirtyStrokesAreRefused)
{
    pm::ReportImage image{};
    EXPECT_EQ(uiErrorOf([&] { pm::buildReportImage(image, strokesOf(31), 9); }),
        "The macro has 31 key strokes; at most 30 can be programmed. Delete strokes and try again.");
    EXPECT_EQ(image, pm::ReportImage{});
}

// ---- the Program command -------------------------------------------------------------

namespace {

class ProgramTest : public KeypadCoreTest {
protected:
    // Opens the editor on Key_9 ("MOD0", number 40) with a stored macro.
    void openKey40(const std::string& text, const std::string& strokes, const std::string& lines)
    {
        writeMacro(40, text, strokes, lines);
        keypad.keyMouseDown(key("Key_9"));
        shell.take();
        // A tick puts up the status text that Program clears.
        ctx.state.StatusCode = pm::status::kFound;
        session.scheduler().Timer1Timer();
        ASSERT_EQ(session.scheduler().statusLine().text, "USB Keyboard Device get");
    }
    // A one-stroke line recorded after those the editor holds.
    void addLine(const std::string& text, const std::string& stroke, int length)
    {
        ed().LineLen[static_cast<size_t>(ed().KeyCode.count())] = length;
        ed().KeyCode.add(text);
        ed().KeyNum.add(stroke);
    }
    void expectEditorStillOpen(const Lines& keyNum)
    {
        EXPECT_EQ(ed().KeyNum.lines(), keyNum);
        for (const auto& e : shell.events)
            EXPECT_NE(e, "hideEditor");
        EXPECT_EQ(ctx.state.WritePending, 0);
        EXPECT_EQ(ctx.state.ProgramState, 0);
        EXPECT_EQ(session.scheduler().statusLine().text, "");
    }
};

} // namespace

TEST_F(ProgramTest, StoresRaisesTheJobAndClosesTheEditor)
{
    ctx.state.KeypadFound = 1;
    openKey40("", "", "");
    addLine("Shift+Q", "2,20", 7);

    // Closing refreshes the keypad window: the job must be raised by then.
    std::vector<std::pair<int, int>> jobAtShow;
    shell.onEvent = [&](const std::string& e) {
        if (e == "showKeypad")
            jobAtShow.emplace_back(ctx.state.WritePending, ctx.state.ProgramState);
    };
    editor.SpeedButton2Click();

    expectBytes(ctx.image, {{1, 0x55}, {2, 40}, {3, 2}, {4, 0x14}, {5, 0xFF}, {64, 0x15}});
    EXPECT_EQ(dir.read("\\log\\KeyCode40.txt"), "Shift+Q\r\n");
    EXPECT_EQ(dir.read("\\log\\KeyNum40.txt"), "2,20\r\n");
    EXPECT_EQ(dir.read("\\log\\LineBuf40.txt"), "7,0\r\n");
    EXPECT_EQ(ctx.state.WritePending, 1);
    EXPECT_EQ(ctx.state.ProgramState, 1);
    EXPECT_EQ(session.scheduler().statusLine().text, "");
    EXPECT_EQ(shell.events, (Lines{"showKeypad", "hideEditor"}));
    EXPECT_EQ(jobAtShow, (std::vector<std::pair<int, int>>{{1, 1}}));
    // The refresh on closing already shows the new macro.
    EXPECT_EQ(picture("Key_9"), "\\BMP\\2.bmp");
    EXPECT_TRUE(ed().KeyNum.empty());
}

TEST_F(ProgramTest, AnAltCodeLineSurvivesStoringAndReopening)
{
    ctx.state.KeypadFound = 1;
    openKey40("Esc\r\n", "0,41\r\n", "3,0\r\n");
    ed().KeyCode.add("Alt+6+5");
    ed().KeyNum.add("132,94");
    ed().KeyNum.add("132,93");
    ed().LineLen[1] = 7;
    ed().LineStrokes[1] = 2;
    editor.SpeedButton2Click();
    EXPECT_EQ(dir.read("\\log\\LineBuf40.txt"), "3,0\r\n7,2\r\n");

    keypad.keyMouseDown(key("Key_9"));
    EXPECT_EQ(ed().KeyShow, "Esc Alt+6+5 ");
    EXPECT_EQ(ed().TextLines, "3");
    EXPECT_EQ(ed().LineLen[1], 7);
    EXPECT_EQ(ed().LineStrokes[1], 2);
}

TEST_F(ProgramTest, WithoutAKeypadTheMacroStaysInTheOpenEditor)
{
    openKey40("Tab\r\n", "0,43\r\n", "3,0\r\n");
    addLine("q", "0,20", 1);
    ctx.image.fill(0xAA);
    const auto files = dir.logSnapshot();

    editor.SpeedButton2Click();
    EXPECT_EQ(ctx.state.DetectCountdown, 16);
    EXPECT_EQ(ctx.state.StatusCode, 6);
    EXPECT_EQ(shell.events, Lines{"message:USB Keyboar remove or USB not get device"});
    expectEditorStillOpen({"0,43", "0,20"});
    EXPECT_EQ(ed().KeyCode.lines(), (Lines{"Tab", "q"}));
    EXPECT_EQ(dir.logSnapshot(), files);
    EXPECT_EQ(ctx.image[1], 0xAA);
}

TEST_F(ProgramTest, AHandEditedMacroOfMoreThanThirtyStrokesIsRefused)
{
    ctx.state.KeypadFound = 1;
    std::string strokes;
    for (int i = 0; i < 31; ++i)
        strokes += "0,20\r\n";
    openKey40("q\r\n", strokes, "1,0\r\n");
    const auto files = dir.logSnapshot();

    EXPECT_EQ(uiErrorOf([&] { editor.SpeedButton2Click(); }),
        "The macro has 31 key strokes; at most 30 can be programmed. Delete strokes and try again.");
    expectEditorStillOpen(Lines(31, "0,20"));
    EXPECT_EQ(ctx.image, pm::ReportImage{});
    EXPECT_EQ(dir.logSnapshot(), files);
}

TEST_F(ProgramTest, AStrokeLineThatDoesNotConvertStoresNothing)
{
    ctx.state.KeypadFound = 1;
    openKey40("Esc\r\nq\r\n", "0,41\r\n0;20\r\n", "3,0\r\n1,0\r\n");
    const auto files = dir.logSnapshot();

    EXPECT_EQ(uiErrorOf([&] { editor.SpeedButton2Click(); }), "'' is not a valid integer value");
    expectEditorStillOpen({"0,41", "0;20"});
    EXPECT_EQ(ctx.image, pm::ReportImage{});
    EXPECT_EQ(dir.logSnapshot(), files);
}

TEST_F(ProgramTest, AFileThatCannotBeWrittenStopsBeforeTheJob)
{
    ctx.state.KeypadFound = 1;
    openKey40("Esc\r\n", "0,41\r\n", "3,0\r\n");
    addLine("Tab", "0,43", 3);
    dir.blockWrite("\\log\\LineBuf40.txt");

    const std::string msg = uiErrorOf([&] { editor.SpeedButton2Click(); });
    EXPECT_EQ(msg.rfind("Cannot create file \"" + dir.file("\\log\\LineBuf40.txt") + "\". ", 0), 0u) << msg;
    expectEditorStillOpen({"0,41", "0,43"});
    EXPECT_EQ(dir.read("\\log\\KeyCode40.txt"), "Esc\r\nTab\r\n");
    EXPECT_EQ(dir.read("\\log\\KeyNum40.txt"), "0,41\r\n0,43\r\n");
    EXPECT_EQ(dir.read("\\log\\LineBuf40.txt"), "3,0\r\n");
    EXPECT_EQ(ctx.image[2], 40); // the image was already rebuilt
    EXPECT_EQ(ctx.image[7], 0xFF);
}
