#pragma once
// The keypad window's state and handlers, free of any toolkit: the key-state
// refresh, the layout switch, choosing a key for the editor, and closing.
#include <array>
#include <cstdint>
#include <string>

#include "editor/editor_core.h"
#include "keypad/key_table.h"
#include "storage/line_list.h"

namespace pm {

// What the keypad window asks of its toolkit: choosing a key swaps the
// windows, and the keypad's acknowledgement keystrokes must reach Memo1.
class KeypadShell {
public:
    virtual ~KeypadShell() = default;
    virtual void showEditor() = 0;
    virtual void hideKeypad() = 0;
    virtual void focusMemo1() = 0;
};

// What the keypad window asks of the rest of the program.
class KeypadHost {
public:
    virtual ~KeypadHost() = default;
    // The layout: 0 "MOD0", 1 "MOD1".
    virtual uint8_t keypadMode() const = 0;
    virtual void setKeypadMode(uint8_t mode) = 0;
    // The device key number the editor is about to work on.
    virtual void setCurrentKey(uint8_t key) = 0;
    // The window closes: the device handles go.
    virtual void closeKeypad() = 0;
};

struct KeypadWindowState {
    // Literal of the picture file last set on each key ("\BMP\2.bmp");
    // empty while it shows the dark key cap held with the window.
    std::array<std::string, kKeypadKeys.size()> keyPictures;
    std::array<bool, kKeypadKeys.size()> keyEnabled = initialEnabled();
    std::array<bool, kLegends.size()> legendVisible = allTrue();
    std::string bitBtn1Caption = layoutName(0);
    LineList Test_Memo;
    // What each key holds, as its tooltip says it; set by every key-state refresh.
    std::array<std::string, kKeypadKeys.size()> keyTooltips;
    // What a screen reader calls each key; set with the tooltips.
    std::array<std::string, kKeypadKeys.size()> keySpokenNames;
    // Bumped whenever the tooltips, spoken names or enabled keys may change,
    // so the view converts them only then and not at every timer tick.
    unsigned keysRevision = 0;

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

// A key's tooltip: its editor name and pad legend, its device key number in
// the layout mode, and its stored display lines as the editor shows them.
std::string keyTooltip(const KeypadKey& key, uint8_t mode, const LineList& text);
// The same for a screen reader, on one line: "ESC key, number 40, holds
// Shift+H e l l o Enter" or "ESC key, number 40, empty".
std::string keySpokenName(const KeypadKey& key, uint8_t mode, const LineList& text);
// What a disabled key's name adds: it cannot be chosen in this layout.
inline const std::string kKeyUnavailable = std::string(", unavailable in ") + layoutName(0);

class KeypadCore {
public:
    // appDir is read at every file access: it is fixed once at start-up.
    KeypadCore(KeypadHost& host, EditorCore& editor, KeypadShell& shell, const std::string& appDir)
        : host_(host)
        , editor_(editor)
        , shell_(shell)
        , appDir_(appDir)
    {
    }

    const KeypadWindowState& state() const { return s_; }

    void Load_Key();
    void BitBtn1Click();
    // The 22 keys, by index in kKeypadKeys.
    void keyMouseDown(int key);
    void keyMouseUp(int key);
    void FormClose(); // closes the device handles

private:
    void setKeyPicture(size_t key, const char* literal);

    KeypadHost& host_;
    EditorCore& editor_;
    KeypadShell& shell_;
    const std::string& appDir_;
    KeypadWindowState s_;
};

} // namespace pm
