#pragma once
// The keypad window's state and handlers, free of any toolkit: the key-state
// refresh, the layout switch, choosing a key for the editor, and closing.
#include <array>
#include <string>

#include "app/app_state.h"
#include "base/shell.h"
#include "editor/editor_core.h"
#include "keypad/key_table.h"
#include "storage/line_list.h"

namespace pm {

struct KeypadWindowState {
    // Literal of the picture file last loaded into each key ("\BMP\2.bmp");
    // empty while it shows the dark key cap held with the window.
    std::array<std::string, kKeypadKeys.size()> keyPictures;
    std::array<bool, kKeypadKeys.size()> keyEnabled = initialEnabled();
    std::array<bool, kLegends.size()> legendVisible = allTrue();
    std::string bitBtn1Caption = "MOD0";
    std::string statusText;
    bool statusSimple = false; // one simple text instead of panels
    LineList Test_Memo;

private:
    static constexpr std::array<bool, kKeypadKeys.size()> initialEnabled()
    {
        std::array<bool, kKeypadKeys.size()> e{};
        for (size_t i = 0; i < e.size(); ++i)
            e[i] = kKeypadKeys[i].topRow;
        return e;
    }
    static constexpr std::array<bool, kLegends.size()> allTrue()
    {
        std::array<bool, kLegends.size()> v{};
        v.fill(true);
        return v;
    }
};

class KeypadCore : public KeypadHooks {
public:
    KeypadCore(Context& ctx, EditorCore& editor, Shell& shell)
        : ctx_(ctx)
        , editor_(editor)
        , shell_(shell)
    {
    }

    KeypadWindowState& state() { return s_; }
    const KeypadWindowState& state() const { return s_; }

    // Start-up part of creating the window: fixes AppDir, waits 100 ms, refreshes.
    void create(const std::string& appDir);

    void Load_Key() override;
    void clearStatusText() override { s_.statusText.clear(); }
    void BitBtn1Click();
    // The 22 keys, by index in kKeypadKeys.
    void keyMouseDown(int key);
    void keyMouseUp(int key);
    void FormClose(); // closes the device handles

private:
    Context& ctx_;
    EditorCore& editor_;
    Shell& shell_;
    KeypadWindowState s_;
};

} // namespace pm
