#pragma once
// Shared set-up for the editor tests: a throw-away application directory
// whose BMP folder holds an empty file for every picture the editor loads,
// a shell and a keypad window that only count calls, and click helpers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "base/errors.h"
#include "editor/editor_core.h"

namespace pm {
// Tests set up editor states that only a long click sequence would reach.
struct EditorTestAccess {
    static EditorState& state(EditorCore& core) { return core.s_; }
};
} // namespace pm

namespace pmtest {

namespace fs = std::filesystem;

struct CountingShell : pm::EditorShell {
    int showKeypad_ = 0, hideEditor_ = 0;
    void showKeypad() override { ++showKeypad_; }
    void hideEditor() override { ++hideEditor_; }
};

// The rest of the program as the editor sees it: it counts the key-state
// refreshes and holds what Program reads and raises.
struct CountingHost : pm::EditorHost {
    int loadKey = 0;
    bool found = false;
    uint8_t key = 0;
    pm::ReportImage image{};
    int jobs = 0;
    int withoutKeypad = 0;
    void Load_Key() override { ++loadKey; }
    void clearStatusText() override { }
    bool keypadFound() const override { return found; }
    uint8_t currentKey() const override { return key; }
    void programWithoutKeypad() override { ++withoutKeypad; }
    pm::ReportImage& reportImage() override { return image; }
    void raiseJob() override { ++jobs; }
};

inline std::string lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

class EditorTest : public ::testing::Test {
protected:
    EditorTest()
        : core(keypad, shell, appDir)
    {
        std::string tmpl = (fs::temp_directory_path() / "pm_editor_XXXXXX").string();
        if (!mkdtemp(tmpl.data()))
            throw std::runtime_error("mkdtemp failed");
        dir = tmpl;
        fs::create_directory(dir / "BMP");
        for (const auto& k : pm::kRecordKeys) {
            touch(std::string(k.picture) + ".gif");
            touch(std::string(k.pressed) + ".gif");
        }
        for (const auto& m : pm::kModifierKeys)
            for (const char* lit : {m.pressed, m.locked, m.released, m.onClose})
                touch(lit + 5); // after "\BMP\"
        touch(pm::kNumLockPressed + 5);
        touch(pm::kNumLockReleased + 5);
        appDir = dir.string();
    }
    ~EditorTest() override
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    void touch(const std::string& name)
    {
        std::FILE* f = std::fopen((dir / "BMP" / name).c_str(), "wb");
        if (f)
            std::fclose(f);
    }

    // Removes the picture under every spelling the loader would accept.
    void removePicture(const std::string& name)
    {
        for (const auto& e : fs::directory_iterator(dir / "BMP"))
            if (lower(e.path().filename().string()) == lower(name))
                fs::remove(e.path());
    }

    static int rec(const char* name)
    {
        const int i = pm::findRecordKey(name);
        EXPECT_GE(i, 0) << name;
        return i;
    }
    static int mod(const char* name)
    {
        const int i = pm::findModifierKey(name);
        EXPECT_GE(i, 0) << name;
        return i;
    }

    void click(const char* name)
    {
        core.recordKeyMouseDown(rec(name));
        core.recordKeyMouseUp(rec(name));
    }
    void clicks(std::initializer_list<const char*> names)
    {
        for (const char* n : names)
            click(n);
    }
    void modClick(const char* name)
    {
        core.modifierMouseDown(mod(name));
        core.modifierMouseUp(mod(name));
    }
    // Two clicks inside one double-click window, then the timer runs out.
    void lock(const char* name)
    {
        modClick(name);
        modClick(name);
        core.Timer1Timer();
    }
    // One click and the window closing: unlocks a locked key.
    void single(const char* name)
    {
        modClick(name);
        core.Timer1Timer();
    }
    void numLock()
    {
        core.KeyNum1LMouseDown();
        core.KeyNum1LMouseUp();
    }

    pm::EditorState& st() { return pm::EditorTestAccess::state(core); }
    std::vector<std::string> keyCode() { return st().KeyCode.lines(); }
    std::vector<std::string> keyNum() { return st().KeyNum.lines(); }

    using Lines = std::vector<std::string>;

    fs::path dir;
    std::string appDir;
    CountingShell shell;
    CountingHost keypad;
    pm::EditorCore core;
};

} // namespace pmtest
