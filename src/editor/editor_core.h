#pragma once
// The macro editor's state and handlers, free of any toolkit: the record
// step, the modifier keys, NumLock, the macro display and the commands.
// The editor window only forwards its events here and draws this state.
#include <array>
#include <cstdint>
#include <string>

#include "app/app_state.h"
#include "base/shell.h"
#include "device/report_image.h"
#include "editor/key_table.h"
#include "storage/line_list.h"
#include "storage/macro_files.h"

namespace pm {

// The per-line tables and the stroke limit are those of the stored macro and
// of the programming image.
inline constexpr int kLineTableSize = kMacroLineTableSize;
inline constexpr int kMaxStrokes = kMaxImageStrokes;

// Bits of the modifier byte ModState (and of ModLock).
inline constexpr uint8_t kCtrlBits = 0x11;   // left, right Ctrl
inline constexpr uint8_t kShiftBits = 0x22;  // left, right Shift
inline constexpr uint8_t kAltBits = 0x44;    // left, right Alt
inline constexpr uint8_t kWindowsBit = 0x08; // one stroke only
inline constexpr uint8_t kNumLockBit = 0x80;
inline constexpr uint8_t kLockableBits = 0x77; // the six modifier keys

// What the editor needs of the keypad window.
class KeypadHooks {
public:
    virtual ~KeypadHooks() = default;
    virtual void Load_Key() = 0;
    virtual void clearStatusText() = 0;
};

struct EditorState {
    // Working storage of the macro under construction.
    LineList KeyCode; // display lines
    LineList KeyNum;  // stroke lines: modifier byte, then the code string
    LineList LineBuf; // per-line numbers as stored
    LineLenTable LineLen{};
    LineStrokesTable LineStrokes{};

    // Visible captions and the macro display.
    std::string TextLines = "0";  // caption of Text_Lines
    std::string KeyNumber = "0";  // caption of Key_Number
    std::string KeyShow;          // text the last refresh put into KeyShow
    unsigned keyShowRevision = 0; // bumped at every refresh, so the view pushes it

    // Modifiers, NumLock and the Alt-code line.
    uint8_t ModState = 0;
    uint8_t ModLock = 0;
    uint8_t ModClicks = 0;
    bool ReplaceLast = false;
    std::string AltText;
    bool AltActive = false;
    bool AltLineOpen = false;
    uint8_t AltStrokes = 0;
    std::string KeyText;

    bool timer1Enabled = false; // the 400 ms double-click timer
    int timer1Interval = 400;
    uint32_t numShapeFill = kNumShapeOff;

    // The picture file most recently loaded into each key, as the literal
    // after AppDir ("\BMP\Q_h.gif"); empty while it shows the picture held
    // with the window.
    std::array<std::string, kRecordKeys.size()> recordPictures;
    std::array<std::string, kModifierKeys.size()> modifierPictures;
    std::string numLockPicture;
};

// Every display line followed by one blank.
inline std::string showTextOf(const LineList& keyCode)
{
    std::string text;
    for (const auto& line : keyCode.lines())
        text += line + " ";
    return text;
}

class EditorCore {
public:
    EditorCore(Context& ctx, Shell& shell)
        : ctx_(ctx)
        , shell_(shell)
    {
    }
    void setKeypad(KeypadHooks* keypad) { keypad_ = keypad; }

    EditorState& state() { return s_; }
    const EditorState& state() const { return s_; }

    // Recording keys, by index in kRecordKeys.
    void recordKeyMouseDown(int key);
    void recordKeyMouseUp(int key);
    // Modifier keys, by index in kModifierKeys.
    void modifierMouseDown(int key);
    void modifierMouseUp(int key);
    void KeyNum1LMouseDown();
    void KeyNum1LMouseUp();
    void Timer1Timer(); // the editor's own 400 ms timer

    void Spec_Key_Prc(const std::string& normal, const std::string& shifted, const std::string& code);
    void SP_Key_Text();
    void refreshKeyShow(); // KeyShow := every KeyCode line followed by a blank

    void SpeedButton1Click(); // Cancel
    void SpeedButton2Click(); // Program
    void SpeedButton3Click(); // Delete all
    void SpeedButton4Click(); // Delete

    // Closing by any means: runs FormClose, then hides the window. If
    // FormClose fails the window stays open.
    void close();
    void FormClose();

private:
    void loadPicture(std::string& slot, const std::string& literal);
    void altDigitStep(const std::string& digit);
    // Ends an open Alt-code line: both flags and its stroke count.
    void closeAltLine();
    // closeAltLine, then AltText names the locked modifiers afresh.
    void restartAltLine();
    void lockModifier(int key);
    void releaseModifier(int key);

    Context& ctx_;
    Shell& shell_;
    KeypadHooks* keypad_ = nullptr;
    EditorState s_;
};

} // namespace pm
