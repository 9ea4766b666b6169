#pragma once
// The keys of the computer's keyboard, by position: the scan code a window
// system reports for each, its USB HID usage, and the on-screen key it acts
// on. A key is found by its scan code whatever the keyboard's layout, so a
// French or US keyboard records what the Japanese keys at those places do.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/table_checks.h"
#include "editor/key_table.h"

namespace pm {

struct PhysicalKey {
    uint16_t usage;   // USB HID usage (keyboard page)
    uint16_t alias;   // another usage reported by the key at this place, or 0
    uint16_t kernel;  // the kernel's input key code; X11 and Wayland add 8
    uint16_t windows; // set-1 scan code, 0x100 for the E0-prefixed ones; 0 unknown
    const char* name;
    const char* onScreen; // the control it acts on; nullptr: none
};

// Keyboard-page usages fit in a byte; the editor tracks held keys by usage.
inline constexpr unsigned kKeyboardUsages = 256;

// The disabled Caps Lock key is drawn but does nothing.
inline constexpr std::string_view kIgnoredKey = "KeyCap";

// clang-format off
inline constexpr std::array<PhysicalKey, 147> kPhysicalKeys = {{
    {4, 0, 30, 0x1E, "A", "KeyA"},
    {5, 0, 48, 0x30, "B", "KeyB"},
    {6, 0, 46, 0x2E, "C", "KeyC"},
    {7, 0, 32, 0x20, "D", "KeyD"},
    {8, 0, 18, 0x12, "E", "KeyE"},
    {9, 0, 33, 0x21, "F", "KeyF"},
    {10, 0, 34, 0x22, "G", "KeyG"},
    {11, 0, 35, 0x23, "H", "KeyH"},
    {12, 0, 23, 0x17, "I", "KeyI"},
    {13, 0, 36, 0x24, "J", "KeyJ"},
    {14, 0, 37, 0x25, "K", "KeyK"},
    {15, 0, 38, 0x26, "L", "KeyL"},
    {16, 0, 50, 0x32, "M", "KeyM"},
    {17, 0, 49, 0x31, "N", "KeyN"},
    {18, 0, 24, 0x18, "O", "KeyO"},
    {19, 0, 25, 0x19, "P", "KeyP"},
    {20, 0, 16, 0x10, "Q", "KeyQ"},
    {21, 0, 19, 0x13, "R", "KeyR"},
    {22, 0, 31, 0x1F, "S", "KeyS"},
    {23, 0, 20, 0x14, "T", "KeyT"},
    {24, 0, 22, 0x16, "U", "KeyU"},
    {25, 0, 47, 0x2F, "V", "KeyV"},
    {26, 0, 17, 0x11, "W", "KeyW"},
    {27, 0, 45, 0x2D, "X", "KeyX"},
    {28, 0, 21, 0x15, "Y", "KeyY"},
    {29, 0, 44, 0x2C, "Z", "KeyZ"},
    {30, 0, 2, 0x02, "1", "Key15L"},
    {31, 0, 3, 0x03, "2", "Key16L"},
    {32, 0, 4, 0x04, "3", "Key17L"},
    {33, 0, 5, 0x05, "4", "Key18L"},
    {34, 0, 6, 0x06, "5", "Key19L"},
    {35, 0, 7, 0x07, "6", "Key20L"},
    {36, 0, 8, 0x08, "7", "Key21L"},
    {37, 0, 9, 0x09, "8", "Key22L"},
    {38, 0, 10, 0x0A, "9", "Key23L"},
    {39, 0, 11, 0x0B, "0", "Key24L"},
    // Return records what the editor's Enter keys record.
    {40, 0, 28, 0x1C, "Return", "KeyEnter1L"},
    {41, 0, 1, 0x01, "Escape", "Key1L"},
    {42, 0, 14, 0x0E, "Backspace", "Key28L"},
    {43, 0, 15, 0x0F, "Tab", "KeyTab1L"},
    {44, 0, 57, 0x39, "Space", "KeySpace1L"},
    {45, 0, 12, 0x0C, "-", "Key25L"},
    {46, 0, 13, 0x0D, "^", "Key14L"},
    {47, 0, 26, 0x1A, "@", "Key26L"},
    {48, 0, 27, 0x1B, "[", "Key30L"},
    // The key left of Return reports 50 on Japanese and European keyboards,
    // 49 on US ones; both have one scan code.
    {50, 49, 43, 0x2B, "]", "Key31L"},
    {51, 0, 39, 0x27, ";", "Key32L"},
    {52, 0, 40, 0x28, ":", "Key33L"},
    {53, 0, 41, 0x29, "Hankaku/Zenkaku", "KOR0"},
    {54, 0, 51, 0x33, ",", "Key34L"},
    {55, 0, 52, 0x34, ".", "Key35L"},
    {56, 0, 53, 0x35, "/", "K14"},
    {57, 0, 58, 0x3A, "Caps Lock", "KeyCap"},
    {58, 0, 59, 0x3B, "F1", "Key2L"},
    {59, 0, 60, 0x3C, "F2", "Key3L"},
    {60, 0, 61, 0x3D, "F3", "Key4L"},
    {61, 0, 62, 0x3E, "F4", "Key5L"},
    {62, 0, 63, 0x3F, "F5", "Key6L"},
    {63, 0, 64, 0x40, "F6", "Key7L"},
    {64, 0, 65, 0x41, "F7", "Key8L"},
    {65, 0, 66, 0x42, "F8", "Key9L"},
    {66, 0, 67, 0x43, "F9", "Key10L"},
    {67, 0, 68, 0x44, "F10", "Key11L"},
    {68, 0, 87, 0x57, "F11", "Key12L"},
    {69, 0, 88, 0x58, "F12", "Key13L"},
    {70, 0, 99, 0x137, "Print Screen", "PrtSc"},
    {71, 0, 70, 0x46, "Scroll Lock", "Scroll"},
    {72, 0, 119, 0x45, "Pause", "Pause"},
    {73, 0, 110, 0x152, "Insert", "KeyInsert"},
    {74, 0, 102, 0x147, "Home", "KeyHome"},
    {75, 0, 104, 0x149, "Page Up", "KeyPageUp"},
    {76, 0, 111, 0x153, "Delete", "KeyDelete"},
    {77, 0, 107, 0x14F, "End", "KeyEnd"},
    {78, 0, 109, 0x151, "Page Down", "KeyPageDown"},
    {79, 0, 106, 0x14D, "Right", "KeyArrowRight"},
    {80, 0, 105, 0x14B, "Left", "KeyArrowLeft"},
    {81, 0, 108, 0x150, "Down", "KeyArrowDown"},
    {82, 0, 103, 0x148, "Up", "KeyArrowUp"},
    {83, 0, 69, 0x145, "Num Lock", "KeyNum1L"},
    {84, 0, 98, 0x135, "Keypad /", "KeyNum2"},
    {85, 0, 55, 0x37, "Keypad *", "KeyNum15"},
    {86, 0, 74, 0x4A, "Keypad -", "KeyNum4"},
    {87, 0, 78, 0x4E, "Keypad +", "KeyAdd"},
    {88, 0, 96, 0x11C, "Keypad Enter", "KeyEnter2L"},
    {89, 0, 79, 0x4F, "Keypad 1", "KeyNum11"},
    {90, 0, 80, 0x50, "Keypad 2", "KeyNum12"},
    {91, 0, 81, 0x51, "Keypad 3", "KeyNum13"},
    {92, 0, 75, 0x4B, "Keypad 4", "KeyNum8"},
    {93, 0, 76, 0x4C, "Keypad 5", "KeyNum9"},
    {94, 0, 77, 0x4D, "Keypad 6", "KeyNum10"},
    {95, 0, 71, 0x47, "Keypad 7", "KeyNum5"},
    {96, 0, 72, 0x48, "Keypad 8", "KeyNum6"},
    {97, 0, 73, 0x49, "Keypad 9", "KeyNum7"},
    {98, 0, 82, 0x52, "Keypad 0", "Key0L"},
    {99, 0, 83, 0x53, "Keypad .", "KeyNum14"},
    {100, 0, 86, 0x56, "the key left of Z", nullptr},
    {101, 0, 127, 0x15D, "Menu", "App"},
    {102, 0, 116, 0x15E, "Power", nullptr},
    {103, 0, 117, 0x59, "Keypad =", nullptr},
    {104, 0, 183, 0x64, "F13", nullptr},
    {105, 0, 184, 0x65, "F14", nullptr},
    {106, 0, 185, 0x66, "F15", nullptr},
    {107, 0, 186, 0x67, "F16", nullptr},
    {108, 0, 187, 0x68, "F17", nullptr},
    {109, 0, 188, 0x69, "F18", nullptr},
    {110, 0, 189, 0x6A, "F19", nullptr},
    {111, 0, 190, 0x6B, "F20", nullptr},
    {112, 0, 191, 0x6C, "F21", nullptr},
    {113, 0, 192, 0x6D, "F22", nullptr},
    {114, 0, 193, 0x6E, "F23", nullptr},
    {115, 0, 194, 0x76, "F24", nullptr},
    {116, 0, 134, 0, "Execute", nullptr},
    {117, 0, 138, 0, "Help", nullptr},
    {118, 0, 130, 0, "Props", nullptr},
    {119, 0, 132, 0, "Select", nullptr},
    {120, 0, 128, 0, "Stop", nullptr},
    {121, 0, 129, 0, "Again", nullptr},
    {122, 0, 131, 0, "Undo", nullptr},
    {123, 0, 137, 0, "Cut", nullptr},
    {124, 0, 133, 0, "Copy", nullptr},
    {125, 0, 135, 0, "Paste", nullptr},
    {126, 0, 136, 0, "Find", nullptr},
    {127, 0, 113, 0x120, "Mute", nullptr},
    {128, 0, 115, 0x130, "Volume Up", nullptr},
    {129, 0, 114, 0x12E, "Volume Down", nullptr},
    {133, 0, 121, 0x7E, "Keypad ,", nullptr},
    {135, 0, 89, 0x73, "Ro", "Key36L"},
    {136, 0, 93, 0x70, "Katakana/Hiragana", "KOR1"},
    {137, 0, 124, 0x7D, "Yen", "Key27L"},
    {138, 0, 92, 0x79, "Henkan", "K45"},
    {139, 0, 94, 0x7B, "Muhenkan", "K42"},
    {140, 0, 95, 0x5C, "Keypad Japanese comma", nullptr},
    {144, 0, 122, 0xF2, "Hangul", nullptr},
    {145, 0, 123, 0xF1, "Hanja", nullptr},
    {146, 0, 90, 0x78, "Katakana", nullptr},
    {147, 0, 91, 0x77, "Hiragana", nullptr},
    {148, 0, 85, 0, "Zenkaku/Hankaku", nullptr},
    {182, 0, 179, 0, "Keypad (", nullptr},
    {183, 0, 180, 0, "Keypad )", nullptr},
    {224, 0, 29, 0x1D, "Left Ctrl", "KeyCtrl1L"},
    {225, 0, 42, 0x2A, "Left Shift", "KeyShift1L"},
    {226, 0, 56, 0x38, "Left Alt", "KeyAlt1L"},
    {227, 0, 125, 0x15B, "Left Windows", "WIN"},
    {228, 0, 97, 0x11D, "Right Ctrl", "KeyCtrl2L"},
    {229, 0, 54, 0x36, "Right Shift", "KeyShift2L"},
    {230, 0, 100, 0x138, "Right Alt", "KeyAlt2L"},
    {231, 0, 126, 0x15C, "Right Windows", "Image2"},
}};
// clang-format on

// What a physical key acts on.
struct KeyTarget {
    enum class Kind { None, Ignored, Record, Modifier, NumLock };
    Kind kind;
    int index; // in kRecordKeys or kModifierKeys
};

inline constexpr KeyTarget targetOf(const PhysicalKey& k)
{
    using Kind = KeyTarget::Kind;
    if (k.onScreen == nullptr)
        return {Kind::None, -1};
    if (k.onScreen == kIgnoredKey)
        return {Kind::Ignored, -1};
    if (std::string_view(k.onScreen) == kNumLockKey.name)
        return {Kind::NumLock, -1};
    if (const int i = findRecordKey(k.onScreen); i >= 0)
        return {Kind::Record, i};
    if (const int i = findModifierKey(k.onScreen); i >= 0)
        return {Kind::Modifier, i};
    return {Kind::None, -2}; // names no control: refused below
}

// The usage a recording key's code string records: ",20" -> 20.
inline constexpr int recordedUsage(const RecordKey& k)
{
    int value = 0;
    for (const char* p = k.code + 1; *p; ++p)
        value = value * 10 + (*p - '0');
    return value;
}

// Index of the row for a usage (its own or its alias), or -1.
inline constexpr int physicalKeyOfUsage(unsigned usage)
{
    if (usage == 0)
        return -1;
    for (size_t i = 0; i < kPhysicalKeys.size(); ++i)
        if (kPhysicalKeys[i].usage == usage || kPhysicalKeys[i].alias == usage)
            return static_cast<int>(i);
    return -1;
}

// The editor's note for a key that records nothing; nullptr names a key no
// row knows.
inline std::string notOnKeyboard(const char* name)
{
    return std::string("Not recorded: ") + (name ? name : "that key") + " is not on this keyboard.";
}

// How a window system numbers the keys it reports.
enum class ScanCodes {
    Xkb,     // X11 and Wayland: the kernel's key code + 8
    Windows, // set 1, 0x100 for E0-prefixed keys
};

inline constexpr unsigned kXkbOffset = 8;

// The scan code a window system reports for the key, or 0 when unknown.
inline constexpr unsigned scanCodeOf(const PhysicalKey& k, ScanCodes codes)
{
    return codes == ScanCodes::Xkb ? k.kernel + kXkbOffset : k.windows;
}

// The usage of the key with that scan code, or 0 when no row has it.
inline constexpr unsigned usageOfScanCode(ScanCodes codes, unsigned scanCode)
{
    if (scanCode == 0)
        return 0;
    for (const PhysicalKey& k : kPhysicalKeys)
        if (scanCodeOf(k, codes) == scanCode)
            return k.usage;
    return 0;
}

namespace physical_checks {

constexpr bool eachKeyOnce()
{
    // A usage, a kernel code or a Windows scan code names one place.
    for (size_t i = 0; i < kPhysicalKeys.size(); ++i)
        for (size_t j = i + 1; j < kPhysicalKeys.size(); ++j) {
            const PhysicalKey& a = kPhysicalKeys[i];
            const PhysicalKey& b = kPhysicalKeys[j];
            const bool usageTwice = a.usage == b.usage || (a.alias != 0 && (a.alias == b.usage || a.alias == b.alias))
                || (b.alias != 0 && b.alias == a.usage);
            if (usageTwice || a.kernel == b.kernel || (a.windows != 0 && a.windows == b.windows))
                return false;
        }
    return true;
}

constexpr bool targetsExist()
{
    return everyRow(kPhysicalKeys, [](const PhysicalKey& k) { return targetOf(k).index != -2; });
}

// A usage some on-screen key records reaches a key that records it.
constexpr bool recordedUsagesMatch()
{
    for (const PhysicalKey& k : kPhysicalKeys) {
        bool recordedOnScreen = false;
        for (const RecordKey& r : kRecordKeys)
            recordedOnScreen = recordedOnScreen || recordedUsage(r) == k.usage;
        if (!recordedOnScreen)
            continue;
        const KeyTarget t = targetOf(k);
        if (t.kind != KeyTarget::Kind::Record || recordedUsage(kRecordKeys[static_cast<size_t>(t.index)]) != k.usage)
            return false;
    }
    return true;
}

// The keyboard's modifier usages 224..231 are the bits of the modifier byte,
// in the order the editor's modifier keys use.
constexpr bool modifierBitsMatch()
{
    for (const PhysicalKey& k : kPhysicalKeys) {
        const KeyTarget t = targetOf(k);
        if (t.kind == KeyTarget::Kind::Modifier
            && (k.usage < 224 || kModifierKeys[static_cast<size_t>(t.index)].bit != 1u << (k.usage - 224)))
            return false;
    }
    return true;
}

// Every drawn key but Caps Lock is reached by exactly one key of the keyboard.
constexpr bool everyOnScreenKeyReachedOnce()
{
    auto reached = [](std::string_view name) {
        int n = 0;
        for (const PhysicalKey& k : kPhysicalKeys)
            n += k.onScreen != nullptr && name == k.onScreen;
        return n;
    };
    for (const RecordKey& r : kRecordKeys)
        if (reached(r.name) != 1)
            return false;
    for (const ModifierKey& m : kModifierKeys)
        if (reached(m.name) != 1)
            return false;
    return reached(kNumLockKey.name) == 1;
}

} // namespace physical_checks

static_assert(everyRowNamed(kPhysicalKeys), "a key of the keyboard has no name");
static_assert(everyRow(kPhysicalKeys, [](const PhysicalKey& k) {
    return k.usage != 0 && k.usage < kKeyboardUsages && k.alias < kKeyboardUsages && k.kernel != 0;
}), "a key of the keyboard has no usage or key code, or one beyond the keyboard page");
static_assert(physical_checks::eachKeyOnce(), "a usage or scan code stands for two keys of the keyboard");
static_assert(physical_checks::targetsExist(), "a key of the keyboard acts on a control that does not exist");
static_assert(physical_checks::recordedUsagesMatch(), "a key of the keyboard reaches a key that records another usage");
static_assert(physical_checks::modifierBitsMatch(), "a modifier of the keyboard reaches another modifier key");
static_assert(physical_checks::everyOnScreenKeyReachedOnce(), "an on-screen key is reached by no key, or by two");

} // namespace pm
