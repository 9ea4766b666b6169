#pragma once
// What is printed on each key of the editor's keyboard: a Japanese 109-key
// layout. Keyed by control name; the picture names stay in the key table.
#include <array>
#include <string_view>

#include "editor/key_table.h"

namespace pm::art {

enum class Layout {
    Center,  // one legend in the middle ("Esc", "F1", "/")
    Lines,   // one or two small lines in the middle ("Page\nUp")
    Stacked, // shifted legend over the plain one at the left, kana at the right
    Letter,  // a capital letter at the top left, kana at the bottom right
    Pad,     // keypad digit over its navigation legend
    Enter,   // the main Enter key: an inverted L
    Windows, // the Windows logo
    Menu,    // the application (menu) key
    Blank,   // the space bar
};

struct KeyLegend {
    const char* control;
    Layout layout;
    const char* main;  // UTF-8
    const char* lower; // plain legend (Stacked) or navigation legend (Pad)
    const char* kana;
};

inline constexpr std::array<KeyLegend, 101> kLegendsByKey = {{
    {"Key1L", Layout::Center, "Esc", "", ""},
    {"Key2L", Layout::Center, "F1", "", ""},
    {"Key3L", Layout::Center, "F2", "", ""},
    {"Key4L", Layout::Center, "F3", "", ""},
    {"Key5L", Layout::Center, "F4", "", ""},
    {"Key6L", Layout::Center, "F5", "", ""},
    {"Key7L", Layout::Center, "F6", "", ""},
    {"Key8L", Layout::Center, "F7", "", ""},
    {"Key9L", Layout::Center, "F8", "", ""},
    {"Key10L", Layout::Center, "F9", "", ""},
    {"Key11L", Layout::Center, "F10", "", ""},
    {"Key12L", Layout::Center, "F11", "", ""},
    {"Key13L", Layout::Center, "F12", "", ""},
    {"PrtSc", Layout::Lines, "PrtSc\nSysRq", "", ""},
    {"Scroll", Layout::Lines, "Scroll\nLock", "", ""},
    {"Pause", Layout::Lines, "Pause\nBreak", "", ""},
    {"KOR0", Layout::Lines, "半角/\n全角", "", ""},
    {"Key15L", Layout::Stacked, "!", "1", "ぬ"},
    {"Key16L", Layout::Stacked, "\"", "2", "ふ"},
    {"Key17L", Layout::Stacked, "#", "3", "あ"},
    {"Key18L", Layout::Stacked, "$", "4", "う"},
    {"Key19L", Layout::Stacked, "%", "5", "え"},
    {"Key20L", Layout::Stacked, "&", "6", "お"},
    {"Key21L", Layout::Stacked, "'", "7", "や"},
    {"Key22L", Layout::Stacked, "(", "8", "ゆ"},
    {"Key23L", Layout::Stacked, ")", "9", "よ"},
    {"Key24L", Layout::Stacked, "", "0", "わ"},
    {"Key25L", Layout::Stacked, "=", "-", "ほ"},
    {"Key14L", Layout::Stacked, "~", "^", "へ"},
    {"Key27L", Layout::Stacked, "|", "￥", "ー"},
    {"Key28L", Layout::Lines, "Back\nSpace", "", ""},
    {"KeyInsert", Layout::Lines, "Insert", "", ""},
    {"KeyHome", Layout::Lines, "Home", "", ""},
    {"KeyPageUp", Layout::Lines, "Page\nUp", "", ""},
    {"KeyNum2", Layout::Center, "/", "", ""},
    {"KeyNum15", Layout::Center, "*", "", ""},
    {"KeyNum4", Layout::Center, "−", "", ""},
    {"KeyNum5", Layout::Pad, "7", "Home", ""},
    {"KeyAdd", Layout::Center, "+", "", ""},
    {"KeyTab1L", Layout::Lines, "Tab ⇆", "", ""},
    {"KeyQ", Layout::Letter, "Q", "", "た"},
    {"KeyW", Layout::Letter, "W", "", "て"},
    {"KeyE", Layout::Letter, "E", "", "い"},
    {"KeyR", Layout::Letter, "R", "", "す"},
    {"KeyT", Layout::Letter, "T", "", "か"},
    {"KeyY", Layout::Letter, "Y", "", "ん"},
    {"KeyU", Layout::Letter, "U", "", "な"},
    {"KeyI", Layout::Letter, "I", "", "に"},
    {"KeyO", Layout::Letter, "O", "", "ら"},
    {"KeyP", Layout::Letter, "P", "", "せ"},
    {"Key26L", Layout::Stacked, "`", "@", "゛"},
    {"Key30L", Layout::Stacked, "{", "[", "゜"},
    {"KeyEnter1L", Layout::Enter, "Enter", "", ""},
    {"KeyDelete", Layout::Lines, "Delete", "", ""},
    {"KeyEnd", Layout::Lines, "End", "", ""},
    {"KeyPageDown", Layout::Lines, "Page\nDown", "", ""},
    {"KeyNum6", Layout::Pad, "8", "↑", ""},
    {"KeyNum7", Layout::Pad, "9", "PgUp", ""},
    {"KeyS", Layout::Letter, "S", "", "と"},
    {"KeyD", Layout::Letter, "D", "", "し"},
    {"KeyF", Layout::Letter, "F", "", "は"},
    {"KeyG", Layout::Letter, "G", "", "き"},
    {"KeyH", Layout::Letter, "H", "", "く"},
    {"KeyJ", Layout::Letter, "J", "", "ま"},
    {"KeyK", Layout::Letter, "K", "", "の"},
    {"KeyL", Layout::Letter, "L", "", "り"},
    {"Key32L", Layout::Stacked, "+", ";", "れ"},
    {"Key33L", Layout::Stacked, "*", ":", "け"},
    {"Key31L", Layout::Stacked, "}", "]", "む"},
    {"KeyA", Layout::Letter, "A", "", "ち"},
    {"KeyNum8", Layout::Pad, "4", "←", ""},
    {"KeyNum9", Layout::Pad, "5", "", ""},
    {"KeyNum10", Layout::Pad, "6", "→", ""},
    {"Key36L", Layout::Stacked, "_", "\\", "ろ"},
    {"KeyZ", Layout::Letter, "Z", "", "つ"},
    {"KeyX", Layout::Letter, "X", "", "さ"},
    {"KeyC", Layout::Letter, "C", "", "そ"},
    {"KeyV", Layout::Letter, "V", "", "ひ"},
    {"KeyB", Layout::Letter, "B", "", "こ"},
    {"KeyN", Layout::Letter, "N", "", "み"},
    {"KeyM", Layout::Letter, "M", "", "も"},
    {"Key34L", Layout::Stacked, "<", ",", "ね"},
    {"Key35L", Layout::Stacked, ">", ".", "る"},
    {"K14", Layout::Stacked, "?", "/", "め"},
    {"KeyArrowUp", Layout::Center, "↑", "", ""},
    {"KeyNum11", Layout::Pad, "1", "End", ""},
    {"KeyNum12", Layout::Pad, "2", "↓", ""},
    {"KeyNum13", Layout::Pad, "3", "PgDn", ""},
    {"KeyEnter2L", Layout::Lines, "Enter", "", ""},
    {"K42", Layout::Lines, "無変換", "", ""},
    {"KeySpace1L", Layout::Blank, "", "", ""},
    {"K45", Layout::Lines, "変換", "", ""},
    {"KOR1", Layout::Lines, "カタカナ\nひらがな", "", ""},
    {"Image2", Layout::Windows, "", "", ""},
    {"App", Layout::Menu, "", "", ""},
    {"KeyArrowLeft", Layout::Center, "←", "", ""},
    {"KeyArrowDown", Layout::Center, "↓", "", ""},
    {"KeyArrowRight", Layout::Center, "→", "", ""},
    {"WIN", Layout::Windows, "", "", ""},
    {"Key0L", Layout::Pad, "0", "Ins", ""},
    {"KeyNum14", Layout::Pad, ".", "Del", ""},
}};

// Every recording key has exactly one legend, in table order.
inline constexpr bool legendsMatchKeys()
{
    for (size_t i = 0; i < kRecordKeys.size(); ++i)
        if (std::string_view(kLegendsByKey[i].control) != kRecordKeys[i].name)
            return false;
    return true;
}
static_assert(legendsMatchKeys(), "legend table out of step with kRecordKeys");

} // namespace pm::art
