// The record step: codes and texts of every key, the Windows bit, the
// 30-stroke limit, the display and the key pictures.
#include "test_editor_fixture.h"

#include <map>
#include <set>

using namespace pmtest;

namespace {

struct KeypadExpect {
    std::string digit;
    int usage;
    std::string nav;
};

// Written from the keypad's own legends, not from the key table.
const std::map<std::string, KeypadExpect> kKeypad = {
    {"KeyNum11", {"1", 89, "End"}},
    {"KeyNum12", {"2", 90, "Arrow_Down"}},
    {"KeyNum13", {"3", 91, "Page_Down"}},
    {"KeyNum8", {"4", 92, "Arrow_Left"}},
    {"KeyNum9", {"5", 93, " "}},
    {"KeyNum10", {"6", 94, "Arrow_Right"}},
    {"KeyNum5", {"7", 95, "Home"}},
    {"KeyNum6", {"8", 96, "Arrow_Up"}},
    {"KeyNum7", {"9", 97, "Page_Up"}},
    {"Key0L", {"0", 98, "Insert"}},
    {"KeyNum14", {".", 99, "Del"}},
};

bool isLetterKey(const pm::RecordKey& k)
{
    return std::string(k.normal).size() == 1 && k.normal[0] >= 'a' && k.normal[0] <= 'z';
}

std::string codeString(int usage, bool leadingZero)
{
    return "," + std::string(leadingZero && usage < 10 ? "0" : "") + std::to_string(usage);
}

enum class Cond { Plain, Shift, NumLock, ShiftNumLock };

} // namespace

// Every key records its usage with the modifier byte and shows the text the
// modifiers choose; expectations come from the key's class.
TEST_F(EditorTest, EveryKeyRecordsItsCodeAndChosenText)
{
    int letters = 0, keypads = 0, windows = 0;
    for (size_t i = 0; i < pm::kRecordKeys.size(); ++i) {
        const pm::RecordKey& k = pm::kRecordKeys[i];
        const std::string name = k.name;
        const bool letter = isLetterKey(k);
        const auto kp = kKeypad.find(name);
        const bool keypad = kp != kKeypad.end();
        const bool win = name == "WIN" || name == "Image2";
        letters += letter;
        keypads += keypad;
        windows += win;

        std::string code = k.code;
        if (letter)
            code = codeString(4 + (k.normal[0] - 'a'), true);
        else if (keypad)
            code = codeString(kp->second.usage, false);
        else if (win)
            code = ",0";
        ASSERT_EQ(code, k.code) << name;
        const int usage = std::stoi(code.substr(1));
        EXPECT_TRUE(usage != 40 && usage != 49 && usage != 57 && usage != 83 && usage != 100) << name;

        for (Cond c : {Cond::Plain, Cond::Shift, Cond::NumLock, Cond::ShiftNumLock}) {
            pm::EditorCore e(this->keypad, shell, appDir);
            const bool shift = c == Cond::Shift || c == Cond::ShiftNumLock;
            const bool num = c == Cond::NumLock || c == Cond::ShiftNumLock;
            if (shift) {
                e.modifierMouseUp(mod("KeyShift1L"));
                e.modifierMouseUp(mod("KeyShift1L"));
            }
            if (num)
                e.KeyNum1LMouseUp();
            e.recordKeyMouseUp(static_cast<int>(i));

            int modByte = (shift ? 2 : 0) + (num ? 128 : 0) + (win ? 8 : 0);
            std::string text;
            if (letter)
                text = shift ? std::string(1, char(k.normal[0] - 'a' + 'A')) : std::string(k.normal);
            else if (keypad)
                text = num ? kp->second.digit : kp->second.nav;
            else if (win)
                text = "START";
            else
                text = shift ? k.shifted : k.normal;
            const std::string shown = (shift ? "Shift+" : "") + text;
            SCOPED_TRACE(name + " cond " + std::to_string(int(c)));
            EXPECT_EQ(e.state().KeyNum.lines(), Lines{std::to_string(modByte) + code});
            EXPECT_EQ(e.state().KeyCode.lines(), Lines{shown});
            EXPECT_EQ(e.state().LineLen[0], int(shown.size()));
            EXPECT_EQ(e.state().LineStrokes[0], 0);
            EXPECT_EQ(e.state().TextLines, "1");
            EXPECT_EQ(e.state().KeyShow, shown + " ");
            EXPECT_EQ(e.state().ModState & pm::kWindowsBit, 0);
        }
    }
    EXPECT_EQ(letters, 26);
    EXPECT_EQ(keypads, 11);
    EXPECT_EQ(windows, 2);
}

TEST_F(EditorTest, CodesAreUniqueExceptTheTwoEnterAndTwoWindowsKeys)
{
    std::map<std::string, std::set<std::string>> byCode;
    for (const auto& k : pm::kRecordKeys)
        byCode[std::to_string(std::stoi(std::string(k.code).substr(1)))].insert(k.name);
    for (const auto& [code, names] : byCode) {
        if (code == "88")
            EXPECT_EQ(names, (std::set<std::string>{"KeyEnter1L", "KeyEnter2L"}));
        else if (code == "0")
            EXPECT_EQ(names, (std::set<std::string>{"WIN", "Image2"}));
        else
            EXPECT_EQ(names.size(), 1u) << code;
    }
}

TEST_F(EditorTest, TextsThatDifferFromTheUsualPattern)
{
    lock("KeyShift1L");
    clicks({"Key24L", "Key36L", "Key27L", "Key16L", "KeyEnter1L", "KeyEnter2L"});
    EXPECT_EQ(keyCode(), (Lines{"Shift+0", "-", "|", "\xA1\xA8", "Enter", "Enter"}));
    EXPECT_EQ(st().LineLen[3], 2); // bytes, not characters
    EXPECT_EQ(keyNum(), (Lines{"2,39", "2,135", "2,137", "2,31", "2,88", "2,88"}));
    single("KeyShift1L");
    clicks({"Key36L", "Key26L"});
    EXPECT_EQ(keyCode().at(6), "\\");
    EXPECT_EQ(keyCode().at(7), "@");
}

TEST_F(EditorTest, WindowsKeysSetTheBitForOneStrokeOnly)
{
    clicks({"WIN", "KeyQ", "Image2", "KeyE"});
    EXPECT_EQ(keyNum(), (Lines{"8,0", "0,20", "8,0", "0,08"}));
    EXPECT_EQ(keyCode(), (Lines{"START", "q", "START", "e"}));
    EXPECT_EQ(st().ModState, 0);

    numLock();
    click("WIN");
    EXPECT_EQ(keyNum().back(), "136,0");
    EXPECT_EQ(st().ModState, pm::kNumLockBit); // NumLock survives, bit 3 does not
}

TEST_F(EditorTest, LeadingZeroIsKeptInTheStrokeLine)
{
    clicks({"KeyE", "KeyA", "KeyF"});
    EXPECT_EQ(keyNum(), (Lines{"0,08", "0,04", "0,09"}));
    numLock();
    click("KeyA");
    EXPECT_EQ(keyNum().back(), "128,04");
}

TEST_F(EditorTest, ThirtyStrokeLimit)
{
    for (int i = 0; i < 30; ++i)
        click("KeyQ");
    EXPECT_EQ(st().TextLines, "30");
    ASSERT_EQ(st().KeyNum.count(), 30);

    const unsigned rev = st().keyShowRevision;
    st().KeyShow = "typed by the user";
    click("WIN");
    EXPECT_EQ(st().KeyNum.count(), 30);
    EXPECT_EQ(st().KeyCode.count(), 30);
    EXPECT_EQ(st().TextLines, "30");
    EXPECT_EQ(st().ModState & pm::kWindowsBit, 0); // cleared even when not recorded
    EXPECT_EQ(st().keyShowRevision, rev + 1);
    EXPECT_EQ(st().KeyShow.substr(0, 4), "q q ");
    EXPECT_EQ(st().KeyShow.size(), 60u);

    // The placeholder of a lock still goes when the stroke is refused.
    lock("KeyShift1L");
    EXPECT_EQ(st().KeyCode.count(), 31);
    click("KeyW");
    EXPECT_EQ(st().KeyCode.count(), 30);
    EXPECT_FALSE(st().ReplaceLast);
    EXPECT_EQ(st().KeyNum.lines().back(), "0,20");
}

TEST_F(EditorTest, DisplayShowsEveryLineWithATrailingBlank)
{
    EXPECT_EQ(pm::showTextOf(st().KeyCode), "");
    lock("KeyShift1L");
    EXPECT_EQ(st().KeyShow, ""); // a lock alone shows nothing new
    click("KeyQ");
    single("KeyShift1L");
    st().KeyShow = "user text";
    click("KeyA");
    EXPECT_EQ(st().KeyShow, "Shift+Q a ");
    EXPECT_EQ(st().TextLines, "2");
}

TEST_F(EditorTest, PicturesFollowPressAndRelease)
{
    const int q = rec("KeyQ");
    core.recordKeyMouseDown(q);
    EXPECT_EQ(st().recordPictures[size_t(q)], "\\BMP\\Q_h.gif");
    EXPECT_TRUE(st().KeyNum.empty()); // nothing recorded on the press
    core.recordKeyMouseUp(q);
    EXPECT_EQ(st().recordPictures[size_t(q)], "\\BMP\\Q.gif");

    const int esc = rec("Key1L");
    core.recordKeyMouseDown(esc);
    EXPECT_EQ(st().recordPictures[size_t(esc)], "\\BMP\\ESC_H.gif");
}

TEST_F(EditorTest, MissingPressedPictureLeavesTheKeyAsItWas)
{
    removePicture("Q_h.gif");
    EXPECT_THROW(core.recordKeyMouseDown(rec("KeyQ")), pm::UiError);
    EXPECT_EQ(st().recordPictures[size_t(rec("KeyQ"))], "");
}

TEST_F(EditorTest, MissingReleasedPictureRecordsNothing)
{
    click("KeyA");
    removePicture("L_WIN.gif");
    core.recordKeyMouseDown(rec("WIN"));
    try {
        core.recordKeyMouseUp(rec("WIN"));
        FAIL() << "expected an error";
    } catch (const pm::UiError& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot open file"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("L_WIN.gif"), std::string::npos);
    }
    EXPECT_EQ(st().ModState, 0); // the Windows bit was never set
    EXPECT_EQ(keyNum(), Lines{"0,04"});
    EXPECT_EQ(st().TextLines, "1");

    // An Alt-code digit whose picture fails leaves the Alt text alone too.
    lock("KeyAlt1L");
    numLock();
    const std::string before = st().AltText;
    removePicture("Num_6.gif");
    EXPECT_THROW(core.recordKeyMouseUp(rec("KeyNum10")), pm::UiError);
    EXPECT_EQ(st().AltText, before);
    EXPECT_FALSE(st().AltActive);
}
