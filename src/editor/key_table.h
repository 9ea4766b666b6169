#pragma once
// The editor's on-screen keyboard: the 101 recording keys, the six modifier
// keys and NumLock. Texts are the program's 8-bit text; the one double-byte
// text (Shift+2) is held as its two code-page bytes A1 A8.
#include <array>
#include <cstdint>
#include <string_view>

#include "base/table_checks.h"
#include "base/table_lookup.h"

namespace pm {

// Bits of the modifier byte ModState (and of ModLock).
inline constexpr uint8_t kCtrlBits = 0x11;     // left, right Ctrl
inline constexpr uint8_t kShiftBits = 0x22;    // left, right Shift
inline constexpr uint8_t kAltBits = 0x44;      // left, right Alt
inline constexpr uint8_t kWindowsBit = 0x08;   // one stroke only
inline constexpr uint8_t kNumLockBit = 0x80;
inline constexpr uint8_t kLockableBits = 0x77; // the six modifier keys
inline constexpr uint8_t kLeftModifierBits = 0x07;
inline constexpr uint8_t kRightModifierBits = 0x70;

// The three kinds of modifier key and the names display texts give them.
enum class ModifierKind : uint8_t { Ctrl, Shift, Alt };

struct ModifierName {
    ModifierKind kind;
    uint8_t bits; // its left and right key
    const char* name;
};

// In the order a stroke's prefix names them ("Ctrl+Shift+Alt+" at most).
inline constexpr std::array<ModifierName, 3> kModifierNames = {{
    {ModifierKind::Ctrl, kCtrlBits, "Ctrl"},
    {ModifierKind::Shift, kShiftBits, "Shift"},
    {ModifierKind::Alt, kAltBits, "Alt"},
}};

inline constexpr const char* modifierName(ModifierKind kind)
{
    return kModifierNames[static_cast<size_t>(kind)].name;
}

struct RecordKey {
    enum class Extra {
        None,
        WindowsKey, // sets the Windows bit before recording
        AltDigit,   // keypad digit: may extend an Alt-code line
    };
    const char* name;
    int left, top, width, height;
    const char* code;    // code string: a comma and the decimal usage
    const char* normal;  // Shift not in effect / NumLock on
    const char* shifted; // Shift in effect / NumLock off
    const char* picture; // released picture: \BMP\<picture>.gif
    const char* pressed; // pressed picture: \BMP\<pressed>.gif
    Extra extra;
};

using Extra = RecordKey::Extra;

// clang-format off
inline constexpr std::array<RecordKey, 101> kRecordKeys = {{
    {"Key1L", 10, 9, 41, 41, ",41", "Esc", "Esc", "Esc", "ESC_H", Extra::None},
    {"Key2L", 94, 9, 41, 41, ",58", "F1", "F1", "F1", "F1_h", Extra::None},
    {"Key3L", 137, 9, 41, 41, ",59", "F2", "F2", "F2", "F2_h", Extra::None},
    {"Key4L", 180, 9, 41, 41, ",60", "F3", "F3", "F3", "F3_h", Extra::None},
    {"Key5L", 223, 9, 41, 41, ",61", "F4", "F4", "F4", "F4_h", Extra::None},
    {"Key6L", 286, 9, 41, 41, ",62", "F5", "F5", "F5", "F5_h", Extra::None},
    {"Key7L", 329, 9, 41, 41, ",63", "F6", "F6", "F6", "F6_h", Extra::None},
    {"Key8L", 372, 9, 41, 41, ",64", "F7", "F7", "F7", "F7_h", Extra::None},
    {"Key9L", 414, 9, 41, 41, ",65", "F8", "F8", "F8", "F8_h", Extra::None},
    {"Key10L", 478, 9, 41, 41, ",66", "F9", "F9", "F9", "F9_h", Extra::None},
    {"Key11L", 521, 9, 41, 41, ",67", "F10", "F10", "F10", "F10_h", Extra::None},
    {"Key12L", 563, 9, 41, 41, ",68", "F11", "F11", "F11", "F11_h", Extra::None},
    {"Key13L", 606, 9, 41, 41, ",69", "F12", "F12", "F12", "F12_h", Extra::None},
    {"PrtSc", 658, 9, 41, 41, ",70", "Prtsc-SysRq", "Prtsc-SysRq", "PrtSc", "PrtSc_h", Extra::None},
    {"Scroll", 701, 9, 41, 41, ",71", "Scroll-Lock", "Scroll-Lock", "Scroll", "Scroll_h", Extra::None},
    {"Pause", 744, 9, 41, 41, ",72", "Pause-Break", "Pause-Break", "Pause", "Pause_h", Extra::None},
    {"KOR0", 10, 61, 41, 41, ",53", "Zenkaku", "Zenkaku", "HALF", "HALF_h", Extra::None},
    {"Key15L", 52, 61, 41, 41, ",30", "1", "!", "1", "1_h", Extra::None},
    {"Key16L", 95, 61, 41, 41, ",31", "2", "\xA1\xA8", "2", "2_h", Extra::None},
    {"Key17L", 137, 61, 41, 41, ",32", "3", "#", "3", "3_h", Extra::None},
    {"Key18L", 180, 61, 41, 41, ",33", "4", "$", "4", "4_h", Extra::None},
    {"Key19L", 223, 61, 41, 41, ",34", "5", "%", "5", "5_h", Extra::None},
    {"Key20L", 265, 61, 41, 41, ",35", "6", "&", "6", "6_h", Extra::None},
    {"Key21L", 308, 61, 41, 41, ",36", "7", "'", "7", "7_h", Extra::None},
    {"Key22L", 350, 61, 41, 41, ",37", "8", "(", "8", "8_h", Extra::None},
    {"Key23L", 393, 61, 41, 41, ",38", "9", ")", "9", "9_h", Extra::None},
    {"Key24L", 436, 61, 41, 41, ",39", "0", "0", "0", "0_h", Extra::None},
    {"Key25L", 478, 61, 41, 41, ",45", "-", "=", "equ", "equ_h", Extra::None},
    {"Key14L", 521, 61, 41, 41, ",46", "^", "~", "Wave", "Wave_h", Extra::None},
    {"Key27L", 564, 61, 41, 41, ",137", "Yen", "|", "K14", "K14_H", Extra::None},
    {"Key28L", 606, 61, 41, 41, ",42", "BackSpace", "BackSpace", "BS", "BS_h", Extra::None},
    {"KeyInsert", 658, 61, 41, 41, ",73", "Insert", "Insert", "insert", "insert_h", Extra::None},
    {"KeyHome", 701, 61, 41, 41, ",74", "Home", "Home", "Home", "Home_h", Extra::None},
    {"KeyPageUp", 744, 61, 41, 41, ",75", "PageUp", "PageUp", "pageup", "pageup_h", Extra::None},
    {"KeyNum2", 839, 61, 41, 41, ",84", "/", "/", "Slash_r", "Slash_r_h", Extra::None},
    {"KeyNum15", 881, 61, 41, 41, ",85", "*", "*", "Mul_r", "Mul_r_h", Extra::None},
    {"KeyNum4", 924, 61, 41, 41, ",86", "-", "-", "Min_r", "Min_r_h", Extra::None},
    {"KeyNum5", 796, 103, 41, 41, ",95", "7", "Home", "Num_7", "Num_7_h", Extra::AltDigit},
    {"KeyAdd", 924, 103, 41, 83, ",87", "+", "+", "num_p", "num_p_h", Extra::None},
    {"KeyTab1L", 10, 104, 62, 41, ",43", "Tab", "Tab", "TAB", "TAB_h", Extra::None},
    {"KeyQ", 73, 104, 41, 41, ",20", "q", "Q", "Q", "Q_h", Extra::None},
    {"KeyW", 116, 104, 41, 41, ",26", "w", "W", "W", "W_h", Extra::None},
    {"KeyE", 159, 104, 41, 41, ",08", "e", "E", "E", "E_h", Extra::None},
    {"KeyR", 201, 104, 41, 41, ",21", "r", "R", "R", "R_h", Extra::None},
    {"KeyT", 244, 104, 41, 41, ",23", "t", "T", "T", "T_h", Extra::None},
    {"KeyY", 286, 104, 41, 41, ",28", "y", "Y", "Y", "Y_h", Extra::None},
    {"KeyU", 328, 104, 41, 41, ",24", "u", "U", "U", "U_h", Extra::None},
    {"KeyI", 371, 104, 41, 41, ",12", "i", "I", "I", "I_h", Extra::None},
    {"KeyO", 414, 104, 41, 41, ",18", "o", "O", "O", "O_h", Extra::None},
    {"KeyP", 457, 104, 41, 41, ",19", "p", "P", "P", "P_h", Extra::None},
    {"Key26L", 499, 104, 41, 41, ",47", "@", "`", "AT", "AT_h", Extra::None},
    {"Key30L", 542, 104, 41, 41, ",48", "[", "{", "L_br", "L_br_h", Extra::None},
    {"KeyEnter1L", 585, 104, 62, 83, ",88", "Enter", "Enter", "L_Enter", "L_Enter_h", Extra::None},
    {"KeyDelete", 658, 104, 41, 41, ",76", "Delete", "Delete", "Delete", "Delete_h", Extra::None},
    {"KeyEnd", 701, 104, 41, 41, ",77", "End", "End", "End", "End_h", Extra::None},
    {"KeyPageDown", 744, 104, 41, 41, ",78", "Page_Down", "Page_Down", "pagedown", "pagedown_h", Extra::None},
    {"KeyNum6", 839, 104, 41, 41, ",96", "8", "Arrow_Up", "Num_8", "Num_8_h", Extra::AltDigit},
    {"KeyNum7", 881, 104, 41, 41, ",97", "9", "Page_Up", "Num_9", "Num_9_h", Extra::AltDigit},
    {"KeyS", 126, 146, 41, 41, ",22", "s", "S", "s", "s_h", Extra::None},
    {"KeyD", 169, 146, 41, 41, ",07", "d", "D", "d", "d_h", Extra::None},
    {"KeyF", 212, 146, 41, 41, ",09", "f", "F", "f", "f_h", Extra::None},
    {"KeyG", 254, 146, 41, 41, ",10", "g", "G", "g", "g_h", Extra::None},
    {"KeyH", 297, 146, 41, 41, ",11", "h", "H", "H", "H_h", Extra::None},
    {"KeyJ", 339, 146, 41, 41, ",13", "j", "J", "J", "J_h", Extra::None},
    {"KeyK", 382, 146, 41, 41, ",14", "k", "K", "K", "K_h", Extra::None},
    {"KeyL", 425, 146, 41, 41, ",15", "l", "L", "L", "L_h", Extra::None},
    {"Key32L", 467, 146, 41, 41, ",51", ";", "+", "ADD", "ADD_h", Extra::None},
    {"Key33L", 510, 146, 41, 41, ",52", ":", "*", "MPLY", "MPLY_h", Extra::None},
    {"Key31L", 553, 146, 41, 41, ",50", "]", "}", "r_br", "r_br_h", Extra::None},
    {"KeyA", 84, 147, 41, 41, ",04", "a", "A", "a", "a_h", Extra::None},
    {"KeyNum8", 796, 147, 41, 41, ",92", "4", "Arrow_Left", "Num_4", "Num_4_h", Extra::AltDigit},
    {"KeyNum9", 839, 147, 41, 41, ",93", "5", " ", "Num_5", "Num_5_h", Extra::AltDigit},
    {"KeyNum10", 881, 147, 41, 41, ",94", "6", "Arrow_Right", "Num_6", "Num_6_h", Extra::AltDigit},
    {"Key36L", 532, 188, 41, 41, ",135", "\\", "-", "BACK_SLASH", "BACK_SLASH_h", Extra::None},
    {"KeyZ", 105, 189, 41, 41, ",29", "z", "Z", "z", "z_h", Extra::None},
    {"KeyX", 148, 189, 41, 41, ",27", "x", "X", "x", "x_h", Extra::None},
    {"KeyC", 190, 189, 41, 41, ",06", "c", "C", "c", "c_h", Extra::None},
    {"KeyV", 233, 189, 41, 41, ",25", "v", "V", "v", "v_h", Extra::None},
    {"KeyB", 275, 189, 41, 41, ",05", "b", "B", "b", "b_h", Extra::None},
    {"KeyN", 318, 189, 41, 41, ",17", "n", "N", "n", "n_h", Extra::None},
    {"KeyM", 361, 189, 41, 41, ",16", "m", "M", "m", "m_h", Extra::None},
    {"Key34L", 404, 189, 41, 41, ",54", ",", "<", "co", "co_h", Extra::None},
    {"Key35L", 446, 189, 41, 41, ",55", ".", ">", "dot", "dot_h", Extra::None},
    {"K14", 489, 189, 41, 41, ",56", "/", "?", "qu", "qu_h", Extra::None},
    {"KeyArrowUp", 701, 189, 41, 41, ",82", "Arrow_Up", "Arrow_Up", "Up", "Up_h", Extra::None},
    {"KeyNum11", 796, 189, 41, 41, ",89", "1", "End", "Num_1", "Num_1_h", Extra::AltDigit},
    {"KeyNum12", 839, 189, 41, 41, ",90", "2", "Arrow_Down", "Num_2", "Num_2_h", Extra::AltDigit},
    {"KeyNum13", 881, 189, 41, 41, ",91", "3", "Page_Down", "Num_3", "Num_3_h", Extra::AltDigit},
    {"KeyEnter2L", 924, 189, 41, 83, ",88", "Enter", "Enter", "NUM_ENTER", "NUM_ENTER_h", Extra::None},
    {"K42", 169, 231, 51, 41, ",139", "Muhenkan", "Muhenkan", "K131", "K131_h", Extra::None},
    {"KeySpace1L", 222, 231, 94, 41, ",44", "Space", "Space", "space", "space_h", Extra::None},
    {"K45", 319, 231, 51, 41, ",138", "Henkan", "Henkan", "K132", "K132_h", Extra::None},
    {"KOR1", 372, 231, 51, 41, ",136", "Katakana", "Katakana", "K133", "K133_h", Extra::None},
    {"Image2", 479, 231, 51, 41, ",0", "START", "START", "R_WIN", "R_WIN_h", Extra::WindowsKey},
    {"App", 532, 231, 62, 41, ",101", "App", "App", "gui", "gui_h", Extra::None},
    {"KeyArrowLeft", 658, 231, 41, 41, ",80", "Arrow_Left", "Arrow_Left", "Left", "Left_h", Extra::None},
    {"KeyArrowDown", 700, 231, 41, 41, ",81", "Arrow_Down", "Arrow_Down", "down", "down_h", Extra::None},
    {"KeyArrowRight", 744, 231, 41, 41, ",79", "Arrow_Right", "Arrow_Right", "Right", "Right_h", Extra::None},
    {"WIN", 62, 232, 51, 41, ",0", "START", "START", "L_WIN", "L_WIN_h", Extra::WindowsKey},
    {"Key0L", 796, 232, 83, 41, ",98", "0", "Insert", "Num_0", "Num_0_h", Extra::AltDigit},
    {"KeyNum14", 881, 232, 41, 41, ",99", ".", "Del", "Num_dot", "Num_dot_h", Extra::None},
}};
// clang-format on
static_assert(everyRowNamed(kRecordKeys), "a recording key has no name");
static_assert(uniqueNames(kRecordKeys), "two recording keys share a name");
static_assert(everyRow(kRecordKeys, [](const RecordKey& k) {
    return isText(k.code) && k.code[0] == ',' && isText(k.normal) && isText(k.shifted) && isText(k.picture)
        && isText(k.pressed);
}), "a recording key lacks its code, a text or a picture");

struct ModifierKey {
    const char* name;
    uint8_t bit;
    ModifierKind kind;
    int left, top, width, height;
    const char* pressed;  // on mouse down
    const char* locked;   // after a double click
    const char* released; // after a single click
    const char* onClose;  // what closing the editor shows
};

// In the order closing the editor sets their released pictures again.
// clang-format off
inline constexpr std::array<ModifierKey, 6> kModifierKeys = {{
    {"KeyCtrl1L", 0x01, ModifierKind::Ctrl, 10, 232, 51, 41, "\\BMP\\R_ctrl_h.gif", "\\BMP\\R_ctrl_h.gif", "\\BMP\\l_ctrl.gif", "\\BMP\\l_ctrl.gif"},
    {"KeyAlt1L", 0x04, ModifierKind::Alt, 116, 232, 51, 41, "\\BMP\\L_alt_h.gif", "\\BMP\\L_alt_h.gif", "\\BMP\\L_alt.gif", "\\BMP\\l_alt.gif"},
    {"KeyShift1L", 0x02, ModifierKind::Shift, 10, 189, 94, 41, "\\BMP\\L_Shift_h.gif", "\\BMP\\l_Shift_h.gif", "\\BMP\\l_Shift.gif", "\\BMP\\l_shift.gif"},
    {"KeyAlt2L", 0x40, ModifierKind::Alt, 426, 231, 51, 41, "\\BMP\\R_alt_h.gif", "\\BMP\\R_alt_h.gif", "\\BMP\\R_alt.gif", "\\BMP\\r_alt.gif"},
    {"KeyCtrl2L", 0x10, ModifierKind::Ctrl, 596, 232, 51, 41, "\\BMP\\R_ctrl_h.gif", "\\BMP\\R_ctrl_h.gif", "\\BMP\\R_ctrl.gif", "\\BMP\\r_ctrl.gif"},
    {"KeyShift2L", 0x20, ModifierKind::Shift, 575, 189, 73, 41, "\\BMP\\R_shift_h.gif", "\\BMP\\r_shift_h.gif", "\\BMP\\r_shift.gif", "\\BMP\\r_shift.gif"},
}};
// clang-format on
static_assert(everyRowNamed(kModifierKeys), "a modifier key has no name");
static_assert(uniqueNames(kModifierKeys), "two modifier keys share a name");
static_assert(bitsCover(kModifierKeys, kLockableBits), "the modifier keys' bits are not the lockable bits, once each");
static_assert(everyRow(kModifierKeys, [](const ModifierKey& k) {
    return (kModifierNames[static_cast<size_t>(k.kind)].bits & k.bit) != 0;
}), "a modifier key's bit is not one of its kind");
static_assert(everyRowNamed(kModifierNames) && kModifierNames[0].kind == ModifierKind::Ctrl
        && kModifierNames[1].kind == ModifierKind::Shift && kModifierNames[2].kind == ModifierKind::Alt,
    "the modifier names are not indexed by their kind");

struct PlainControl {
    const char* name;
    int left, top, width, height;
};

inline constexpr PlainControl kNumLockKey = {"KeyNum1L", 796, 61, 41, 41};
inline constexpr const char* kNumLockPressed = "\\BMP\\NumLock_h.gif";
inline constexpr const char* kNumLockReleased = "\\BMP\\NumLock.gif";
inline constexpr PlainControl kCapsLockKey = {"KeyCap", 10, 146, 73, 41}; // drawn, disabled

inline constexpr uint32_t kNumShapeOff = 0x000000; // black
inline constexpr uint32_t kNumShapeOn = 0x008000;  // green

inline constexpr int findRecordKey(std::string_view name)
{
    return indexByName(kRecordKeys, name);
}

inline constexpr int findModifierKey(std::string_view name)
{
    return indexByName(kModifierKeys, name);
}

} // namespace pm
