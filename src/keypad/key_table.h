#pragma once
// The keypad window's 22 programmable keys and 26 legends.
#include <array>
#include <cstdint>
#include <string_view>

#include "base/table_checks.h"
#include "base/table_lookup.h"

namespace pm {

struct KeypadKey {
    const char* name;       // control name
    int left, top;          // 71 x 71 each
    uint8_t numberMod0;     // device key number in "MOD0"
    uint8_t numberMod1;     // and in "MOD1"
    const char* editorName; // what the editor's Key_Number shows
    bool topRow;            // enabled in both layouts
};

// In the order the key-state refresh and the layout switch visit them.
// clang-format off
inline constexpr std::array<KeypadKey, 22> kKeypadKeys = {{
    {"Key_9", 0, 2, 40, 2, "ESC", true},
    {"Key_10", 77, 2, 41, 4, "Tab", true},
    {"Key_11", 154, 2, 42, 3, "S", true},
    {"Key_12", 231, 2, 43, 36, "Excel", true},
    {"Key_13", 0, 79, 0, 0, "NumLock", false},
    {"Key_14", 77, 79, 20, 20, "/", false},
    {"Key_15", 154, 79, 28, 28, "*", false},
    {"Key_16", 231, 79, 1, 1, "BS", false},
    {"Key_17", 0, 156, 8, 8, "7/Home", false},
    {"Key_18", 77, 156, 16, 16, "8", false},
    {"Key_19", 154, 156, 24, 24, "9/PgUp", false},
    {"Key_20", 231, 156, 29, 29, "-", false},
    {"Key_21", 0, 233, 9, 9, "4", false},
    {"Key_22", 77, 233, 17, 17, "5", false},
    {"Key_23", 154, 233, 25, 25, "6", false},
    {"Key_24", 231, 233, 32, 32, "+", false},
    {"Key_25", 0, 310, 10, 10, "1/End", false},
    {"Key_26", 77, 310, 18, 18, "2", false},
    {"Key_27", 154, 310, 26, 26, "3/PgDn", false},
    {"Key_29", 0, 387, 19, 19, "0/Ins", false},
    {"Key_30", 77, 387, 13, 13, "00", false},
    {"Key_31", 154, 387, 27, 27, "./Del", false},
}};
// clang-format on

inline constexpr uint8_t keyNumber(const KeypadKey& key, uint8_t keypadMode)
{
    return keypadMode != 0 ? key.numberMod1 : key.numberMod0;
}

// The keypad window's two key pictures: the start-up needs both.
inline constexpr const char* kReleasedPicture = "\\BMP\\1.bmp";
inline constexpr const char* kMarkedPicture = "\\BMP\\2.bmp"; // also the pressed key cap

// The 26 device key numbers that own macro files, ascending.
inline constexpr std::array<uint8_t, 26> kDeviceKeyNumbers
    = {0, 1, 2, 3, 4, 8, 9, 10, 13, 16, 17, 18, 19, 20, 24, 25, 26, 27, 28, 29, 32, 36, 40, 41, 42, 43};

static_assert(everyRowNamed(kKeypadKeys), "a keypad key has no name");
static_assert(uniqueNames(kKeypadKeys), "two keypad keys share a name");
static_assert(everyRow(kKeypadKeys, [](const KeypadKey& k) { return isText(k.editorName); }),
    "a keypad key has no editor name");
static_assert(uniqueBy(kKeypadKeys, [](const KeypadKey& k) { return k.numberMod0; }),
    "two keys share a device key number in MOD0");
static_assert(uniqueBy(kKeypadKeys, [](const KeypadKey& k) { return k.numberMod1; }),
    "two keys share a device key number in MOD1");
static_assert(
    everyRow(kKeypadKeys, [](const KeypadKey& k) { return k.topRow || k.numberMod0 == k.numberMod1; }),
    "a pad key changes its number with the layout");
static_assert(strictlyAscending(kDeviceKeyNumbers), "the macro files' key numbers are not ascending");
static_assert(sameNumbers(kKeypadKeys, kDeviceKeyNumbers),
    "the keys' device numbers are not exactly the 26 that own macro files");

// The key that owns device key number n and the layout it is chosen in: the
// top row has a number of its own in each layout, the pad is chosen in "MOD1".
struct KeyOwner {
    const KeypadKey* key = nullptr; // null for a number no key has
    uint8_t mode = 0;
};

inline constexpr KeyOwner ownerOfNumber(unsigned n)
{
    for (const KeypadKey& k : kKeypadKeys) {
        if (k.topRow && k.numberMod0 == n)
            return {&k, 0};
        if (k.numberMod1 == n)
            return {&k, 1};
    }
    return {};
}

inline constexpr const char* layoutName(uint8_t mode)
{
    return mode != 0 ? "MOD1" : "MOD0";
}

struct Legend {
    const char* name;
    const char* caption;
    int left, top;
    int height;          // character height in pixels
    bool hiddenInMod1;   // all but Label30 (Enter)
    const char* overKey; // the key it is drawn over
};

// Label12 to Label37, in name order (index = label number - 12).
// clang-format off
inline constexpr std::array<Legend, 26> kLegends = {{
    {"Label12", "NumLock", 8, 104, 13, true, "Key_13"},
    {"Label13", "/", 106, 101, 16, true, "Key_14"},
    {"Label14", "*", 183, 104, 16, true, "Key_15"},
    {"Label15", "Back", 244, 93, 13, true, "Key_16"},
    {"Label16", "Space", 244, 110, 13, true, "Key_16"},
    {"Label17", "7", 30, 163, 13, true, "Key_17"},
    {"Label18", "Home", 18, 192, 13, true, "Key_17"},
    {"Label19", "8", 107, 163, 13, true, "Key_18"},
    {"Label20", "9", 185, 163, 13, true, "Key_19"},
    {"Label21", "PgUp", 174, 192, 13, true, "Key_19"},
    {"Label22", "-", 260, 157, 19, true, "Key_20"},
    {"Label23", "4", 30, 243, 13, true, "Key_21"},
    {"Label24", "5", 108, 243, 13, true, "Key_22"},
    {"Label25", "6", 184, 243, 13, true, "Key_23"},
    {"Label26", "+", 259, 240, 16, true, "Key_24"},
    {"Label27", "1", 30, 316, 13, true, "Key_25"},
    {"Label28", "2", 108, 316, 13, true, "Key_26"},
    {"Label29", "3", 183, 316, 13, true, "Key_27"},
    {"Label30", "Enter", 251, 323, 13, false, "Key_28"},
    {"Label31", "0", 30, 393, 13, true, "Key_29"},
    {"Label32", "00", 103, 393, 13, true, "Key_30"},
    {"Label33", ".", 185, 393, 13, true, "Key_31"},
    {"Label34", "Del", 178, 415, 13, true, "Key_31"},
    {"Label35", "Ins", 24, 415, 13, true, "Key_29"},
    {"Label36", "PgDn", 174, 345, 13, true, "Key_27"},
    {"Label37", "End", 24, 345, 13, true, "Key_25"},
}};
// clang-format on
static_assert(everyRowNamed(kLegends), "a legend has no name");
static_assert(uniqueNames(kLegends), "two legends share a name");
static_assert(everyRow(kLegends,
                  [](const Legend& l) {
                      return std::string_view(l.overKey) == "Key_28"
                          || indexByName(kKeypadKeys, l.overKey) >= 0;
                  }),
    "a legend is drawn over no key");

// Index in kKeypadKeys, or -1.
inline constexpr int findKeypadKey(std::string_view name)
{
    return indexByName(kKeypadKeys, name);
}

} // namespace pm
