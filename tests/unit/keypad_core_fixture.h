#pragma once
// A keypad window core and a real editor core over a temporary AppDir.
#include "keypad_test_support.h"

#include "app/session.h"
#include "device/hid_sim.h"
#include "test_editor_fixture.h"

namespace pmtest {

using Lines = std::vector<std::string>;

class KeypadCoreTest : public ::testing::Test {
protected:
    KeypadCoreTest() { ctx.AppDir = dir.path(); }

    static int key(const char* name)
    {
        const int i = pm::findKeypadKey(name);
        EXPECT_GE(i, 0) << name;
        return i;
    }
    const std::string& picture(const char* name) const
    {
        return kp().keyPictures[static_cast<size_t>(key(name))];
    }
    const pm::KeypadWindowState& kp() const { return keypad.state(); }
    pm::EditorState& ed() { return pm::EditorTestAccess::state(editor); }

    // The three files of number n: display lines, stroke lines, line-file lines.
    void writeMacro(int n, const std::string& text, const std::string& strokes, const std::string& lines)
    {
        dir.write("\\log\\KeyCode" + std::to_string(n) + ".txt", text);
        dir.write("\\log\\KeyNum" + std::to_string(n) + ".txt", strokes);
        dir.write("\\log\\LineBuf" + std::to_string(n) + ".txt", lines);
    }
    void markText(int n) { dir.write("\\log\\KeyCode" + std::to_string(n) + ".txt", "x\r\n"); }

    TempAppDir dir;
    pm::SimulatedKeypad sim;
    FakeShell shell;
    pm::Session session{sim, shell};
    pm::Context& ctx = session.context();
    pm::EditorCore& editor = session.editor();
    pm::KeypadCore& keypad = session.keypad();
};

} // namespace pmtest
