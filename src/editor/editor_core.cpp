#include "editor/editor_core.h"

#include "base/errors.h"
#include "base/pictures.h"

namespace pm {

namespace {

// Keypad 1..9, 0 and ".": the strokes that can belong to an Alt-code line.
bool isKeypadCode(int code)
{
    return code >= 89 && code <= 99;
}

// Modifier names in front of the first stroke after a lock or a Delete:
// left keys first, a left and a right key of one kind both named.
std::string modifierPrefix(uint8_t modState)
{
    std::string prefix;
    for (const uint8_t side : {kLeftModifierBits, kRightModifierBits})
        for (const ModifierName& m : kModifierNames)
            if (modState & m.bits & side)
                prefix += std::string(m.name) + "+";
    return prefix;
}

} // namespace

void EditorCore::setPicture(std::string& slot, const std::string& literal)
{
    setCheckedPicture(appDir_, slot, literal);
}

void EditorCore::refreshKeyShow()
{
    s_.KeyShow = showTextOf(s_.KeyCode);
    ++s_.keyShowRevision;
}

void EditorCore::resetLineTables()
{
    s_.LineLen.fill(0);
    s_.LineStrokes.fill(0);
}

void EditorCore::openKey(uint8_t number, const char* name)
{
    releasePhysicalKeys();
    s_.keyNote.clear();
    readMacroFiles(appDir_, number, s_);
    requireDisplayLineLimit(appDir_, number, s_);
    showStrokeCount();
    parseLineTables(s_);
    refreshKeyShow();
    s_.KeyNumber = name;
    open_ = true;
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
    setPicture(s_.recordPictures[static_cast<size_t>(key)], std::string("\\BMP\\") + k.pressed + ".gif");
}

void EditorCore::recordKeyMouseUp(int key)
{
    const RecordKey& k = kRecordKeys.at(static_cast<size_t>(key));
    // A failed released picture stops here: nothing recorded, no bit set.
    setPicture(s_.recordPictures[static_cast<size_t>(key)], std::string("\\BMP\\") + k.picture + ".gif");
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
    // The pending placeholder goes; the locked modifiers are named instead.
    if (s_.ReplaceLast) {
        s_.KeyCode.deleteLast();
        s_.KeyText = modifierPrefix(s_.ModState);
    }

    const std::string::size_type comma = code.find(',');
    const std::string digits = comma == std::string::npos ? code : code.substr(comma + 1);
    const bool keypad = chooseKeyText(normal, shifted, static_cast<uint8_t>(strToInt(digits)));
    if (!keypad)
        s_.AltActive = false;

    recordStroke(code);
    finishClick();
}

bool EditorCore::chooseKeyText(const std::string& normal, const std::string& shifted, int code)
{
    // Only a keypad digit under NumLock without Shift keeps an Alt-code line open.
    const bool keypad = isKeypadCode(code);
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
        s_.AltText = std::string(modifierName(ModifierKind::Alt)) + "+";
    } else {
        s_.KeyText += normal;
        closeAltLine();
        s_.AltText = (s_.ModState & kAltBits) ? std::string(modifierName(ModifierKind::Alt)) + "+" : "";
    }
    return keypad;
}

void EditorCore::recordStroke(const std::string& code)
{
    // A full macro, or a display line that would fall outside the 40-entry
    // line tables (only a hand-edited file gets there), records nothing.
    if (s_.KeyNum.count() >= kMaxMacroStrokes)
        return;
    const bool replacesAltLine = s_.AltActive && s_.AltLineOpen;
    const int n = s_.KeyCode.count() - (replacesAltLine && !s_.KeyCode.empty() ? 1 : 0);
    if (n >= kMacroLineTableSize)
        return;

    const auto i = static_cast<size_t>(n);
    if (!s_.AltActive) {
        s_.LineLen[i] = static_cast<int32_t>(s_.KeyText.size());
        s_.KeyCode.add(s_.KeyText);
    } else {
        // An Alt-code line is one display line that grows with every digit.
        if (s_.AltLineOpen)
            s_.KeyCode.deleteLast();
        s_.LineLen[i] = static_cast<int32_t>(s_.AltText.size());
        ++s_.AltStrokes;
        s_.LineStrokes[i] = s_.AltStrokes;
        s_.KeyCode.add(s_.AltText);
        s_.AltLineOpen = true;
    }
    s_.KeyNum.add(std::to_string(s_.ModState) + code);
    showStrokeCount();
}

void EditorCore::finishClick()
{
    // Also when nothing was recorded: the display is rebuilt and the Windows
    // key lasts one click.
    s_.KeyText.clear();
    refreshKeyShow();
    s_.ModState &= static_cast<uint8_t>(~kWindowsBit);
    s_.ReplaceLast = false;
}

} // namespace pm
