#include "editor/editor_core.h"

#include "base/errors.h"
#include "base/pictures.h"

namespace pm {

namespace {

bool isKeypadCode(int code)
{
    return code >= 89 && code <= 99;
} // keypad 1..9, 0, "."

// Modifier names in front of the first stroke after a lock or a Delete:
// left keys first, a left and a right key of one kind both named.
std::string modifierPrefix(uint8_t modState)
{
    static constexpr struct {
        uint8_t bit;
        const char* name;
    } kOrder[] = {
        {0x01, "Ctrl+"}, {0x02, "Shift+"}, {0x04, "Alt+"}, {0x10, "Ctrl+"}, {0x20, "Shift+"}, {0x40, "Alt+"}};
    std::string prefix;
    for (const auto& m : kOrder)
        if (modState & m.bit)
            prefix += m.name;
    return prefix;
}

} // namespace

void EditorCore::loadPicture(std::string& slot, const std::string& literal)
{
    pm::loadPicture(ctx_.AppDir, slot, literal);
}

void EditorCore::refreshKeyShow()
{
    s_.KeyShow = showTextOf(s_.KeyCode);
    ++s_.keyShowRevision;
}

void EditorCore::closeAltLine()
{
    s_.AltActive = false;
    s_.AltLineOpen = false;
    // Every path that ends a line restarts the count, so the next line's
    // LineStrokes entry covers exactly its own strokes and Delete removes
    // no more than that.
    s_.AltStrokes = 0;
}

void EditorCore::recordKeyMouseDown(int key)
{
    const RecordKey& k = kRecordKeys.at(static_cast<size_t>(key));
    loadPicture(s_.recordPictures[static_cast<size_t>(key)], std::string("\\BMP\\") + k.pressed + ".gif");
}

void EditorCore::recordKeyMouseUp(int key)
{
    const RecordKey& k = kRecordKeys.at(static_cast<size_t>(key));
    // A failed released picture stops here: nothing recorded, no bit set.
    loadPicture(s_.recordPictures[static_cast<size_t>(key)], std::string("\\BMP\\") + k.picture + ".gif");
    switch (k.extra) {
    case Extra::WindowsKey: s_.ModState |= kWindowsBit; break;
    case Extra::AltDigit: altDigitStep(k.normal); break;
    case Extra::None: break;
    }
    Spec_Key_Prc(k.normal, k.shifted, k.code);
}

void EditorCore::altDigitStep(const std::string& digit)
{
    const bool altLocked = s_.ModLock & kAltBits;
    const bool numLock = s_.ModState & kNumLockBit;
    const bool shiftOrCtrl = s_.ModState & (kShiftBits | kCtrlBits);
    if (!altLocked || !numLock || shiftOrCtrl)
        return;
    s_.AltText += s_.AltLineOpen ? "+" + digit : digit;
    s_.AltActive = true;
}

void EditorCore::Spec_Key_Prc(const std::string& normal, const std::string& shifted, const std::string& code)
{
    // 1. The pending placeholder goes; the locked modifiers are named instead.
    if (s_.ReplaceLast) {
        s_.KeyCode.deleteLast();
        s_.KeyText = modifierPrefix(s_.ModState);
    }

    // 2, 3. Code and class.
    const std::string::size_type comma = code.find(',');
    const std::string digits = comma == std::string::npos ? code : code.substr(comma + 1);
    const int value = static_cast<uint8_t>(strToInt(digits));
    const bool keypad = isKeypadCode(value);

    // 4. Which text stands for the stroke; only a keypad digit under NumLock
    // without Shift keeps an Alt-code line open.
    const bool numLock = s_.ModState & kNumLockBit;
    const bool shift = s_.ModState & kShiftBits;
    if (keypad && numLock && shift) {
        s_.KeyText += normal;
        closeAltLine();
    } else if (keypad && numLock) {
        s_.KeyText += normal;
    } else if (shift) {
        s_.KeyText += shifted;
        closeAltLine();
    } else if (keypad) {
        s_.KeyText += shifted;
        closeAltLine();
        s_.AltText = "Alt+";
    } else {
        s_.KeyText += normal;
        closeAltLine();
        s_.AltText = (s_.ModState & kAltBits) ? "Alt+" : "";
    }

    // 5.
    if (!keypad)
        s_.AltActive = false;

    // 6, 7. Record, unless the macro is full or the display line would fall
    // outside the 40-entry line tables (only a hand-edited file gets there);
    // both cases skip to the refresh.
    if (s_.KeyNum.count() < kMaxStrokes) {
        const bool replacesAltLine = s_.AltActive && s_.AltLineOpen;
        const int n = s_.KeyCode.count() - (replacesAltLine && !s_.KeyCode.empty() ? 1 : 0);
        if (n < kLineTableSize) {
            const auto i = static_cast<size_t>(n);
            if (!s_.AltActive) {
                s_.LineLen[i] = static_cast<int32_t>(s_.KeyText.size());
                s_.KeyCode.add(s_.KeyText);
            } else {
                if (s_.AltLineOpen)
                    s_.KeyCode.deleteLast();
                s_.LineLen[i] = static_cast<int32_t>(s_.AltText.size());
                ++s_.AltStrokes;
                s_.LineStrokes[i] = s_.AltStrokes;
                s_.KeyCode.add(s_.AltText);
                s_.AltLineOpen = true;
            }
            // 8, 9.
            s_.KeyNum.add(std::to_string(s_.ModState) + code);
            s_.TextLines = std::to_string(s_.KeyNum.count());
        }
    }

    // 10..12 run on every click.
    s_.KeyText.clear();
    refreshKeyShow();
    s_.ModState &= static_cast<uint8_t>(~kWindowsBit);
    s_.ReplaceLast = false;
}

} // namespace pm
