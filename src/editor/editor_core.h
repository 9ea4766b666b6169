#pragma once
// The macro editor's state and handlers, free of any toolkit: the record
// step, the modifier keys, NumLock, the macro display and the commands.
// The editor window only forwards its events here and draws this state.
#include <array>
#include <bitset>
#include <cstdint>
#include <string>

#include "device/report_image.h"
#include "editor/key_table.h"
#include "editor/physical_keys.h"
#include "storage/line_list.h"
#include "storage/macro_files.h"

namespace pm {

// What the editor asks of its window's toolkit: closing hides the editor
// and shows the keypad window again.
class EditorShell {
public:
    virtual ~EditorShell() = default;
    virtual void showKeypad() = 0;
    virtual void hideEditor() = 0;
};

// The 400 ms window in which a second click on a modifier key locks it.
inline constexpr int kDoubleClickMs = 400;

// Escape held this long on the computer's keyboard leaves typing for the
// window's buttons; a shorter press records Esc. A little under a second, so
// a hold of "about a second" is never taken for a stroke.
inline constexpr int kCommandHoldMs = 800;
inline constexpr unsigned kEscapeUsage = 41;

// What the editor asks of the rest of the program.
class EditorHost {
public:
    virtual ~EditorHost() = default;
    // The keypad window's key-state refresh.
    virtual void Load_Key() = 0;
    virtual void clearStatusText() = 0;
    virtual bool keypadFound() const = 0;
    // The device key number being edited.
    virtual uint8_t currentKey() const = 0;
    // Program was given with no keypad found.
    virtual void programWithoutKeypad() = 0;
    // Where the Program command builds the image the job will send.
    virtual ReportImage& reportImage() = 0;
    // The image is built and the macro stored: the job starts at the next tick.
    virtual void raiseJob() = 0;
};

// The macro under construction is the editor's working storage; the rest is
// what the editor window shows and the modifier state.
struct EditorState : Macro {
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

    // Why the latest key typed on the computer's keyboard recorded nothing.
    std::string keyNote;
    // Escape was held: the keyboard moves over the buttons and keys and
    // records nothing until typing is taken up again.
    bool commandMode = false;

    bool timer1Enabled = false; // the double-click timer
    int timer1Interval = kDoubleClickMs;
    uint32_t numShapeFill = kNumShapeOff;

    // The picture file most recently set on each key, as the literal
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
    // appDir is read at every file access: it is fixed once at start-up.
    EditorCore(EditorHost& host, EditorShell& shell, const std::string& appDir)
        : host_(host)
        , shell_(shell)
        , appDir_(appDir)
    {
    }

    const EditorState& state() const { return s_; }
    bool isOpen() const { return open_; }

    // Choosing a key starts from empty line tables, even when the choice fails later.
    void resetLineTables();
    // Loads the stored macro of the chosen key into the working storage and
    // names the key. A file or line that fails stops the loading there; what
    // was read before it stays, and the editor is not opened.
    void openKey(uint8_t number, const char* name);

    // Recording keys, by index in kRecordKeys.
    void recordKeyMouseDown(int key);
    void recordKeyMouseUp(int key);
    // Modifier keys, by index in kModifierKeys.
    void modifierMouseDown(int key);
    void modifierMouseUp(int key);
    void KeyNum1LMouseDown();
    void KeyNum1LMouseUp();
    void Timer1Timer(); // the editor's own 400 ms timer

    // A key of the computer's keyboard, by USB HID usage (0: a key no table
    // knows), at nowMs on the program's clock. It acts on the on-screen key
    // of that usage as the mouse does; a modifier is locked while it is
    // held. Escape acts when it is let go: held for kCommandHoldMs it
    // records nothing and starts command mode instead.
    void physicalKeyDown(unsigned usage, int64_t nowMs = 0);
    void physicalKeyUp(unsigned usage, int64_t nowMs = 0);
    // The clock moved: an Escape held long enough starts command mode now.
    void typingClock(int64_t nowMs);
    bool escapePending() const { return escapeSince_ >= 0; }
    void leaveCommandMode() { s_.commandMode = false; }

    // The record step of every recording key.
    void Spec_Key_Prc(const std::string& normal, const std::string& shifted, const std::string& code);
    void SP_Key_Text();
    void refreshKeyShow(); // KeyShow := every KeyCode line followed by a blank
    // Text_Lines counts the stroke lines.
    void showStrokeCount() { s_.TextLines = std::to_string(s_.KeyNum.count()); }

    void SpeedButton1Click(); // Cancel
    void SpeedButton2Click(); // Program
    void SpeedButton3Click(); // Delete all
    void SpeedButton4Click(); // Delete

    // Closing by any means: runs FormClose, then hides the window. If
    // FormClose fails the window stays open.
    void close();
    void FormClose();

private:
    friend struct EditorTestAccess;

    void setPicture(std::string& slot, const std::string& literal);
    void altDigitStep(const std::string& digit);
    // The parts of the record step: which text stands for the stroke (true
    // for a keypad stroke), recording it, and what every click ends with.
    bool chooseKeyText(const std::string& normal, const std::string& shifted, int code);
    void recordStroke(const std::string& code);
    void finishClick();
    // Display lines that Program stores: a pending placeholder stands for no stroke.
    int storedDisplayLines() const;
    // Ends an open Alt-code line: both flags and its stroke count.
    void closeAltLine();
    // closeAltLine, then AltText names the locked modifiers afresh.
    void restartAltLine();
    void lockModifier(int key);
    void releaseModifier(int key);
    // Forgets the keys held on the computer's keyboard, and command mode.
    void releasePhysicalKeys();
    // The press of a key of the computer's keyboard, once it is known to be one.
    void pressPhysicalKey(int row);
    void enterCommandMode();

    EditorHost& host_;
    EditorShell& shell_;
    const std::string& appDir_;
    EditorState s_;
    bool open_ = false;
    // Keys of the computer's keyboard whose press was taken, by usage, and
    // the modifier bits locked by holding a key rather than by the mouse.
    std::bitset<kKeyboardUsages> held_;
    uint8_t heldLocks_ = 0;
    // When Escape went down while its meaning is still open, else -1.
    int64_t escapeSince_ = -1;
};

} // namespace pm
