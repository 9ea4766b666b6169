// Cancel, Delete all, Delete and closing the editor.
#include <string_view>

#include "editor/editor_core.h"

namespace pm {

namespace {

// A display line made only of modifier names ("Shift+Ctrl+", or nothing) is
// a placeholder that was stored with the macro: it stands for no stroke.
// Every real display line ends in a key text or an Alt-code digit.
bool isModifierNamesOnly(std::string_view line)
{
    while (!line.empty()) {
        bool matched = false;
        for (const ModifierName& m : kModifierNames) {
            const std::string_view name = m.name;
            if (line.size() > name.size() && line.substr(0, name.size()) == name && line[name.size()] == '+') {
                line.remove_prefix(name.size() + 1);
                matched = true;
                break;
            }
        }
        if (!matched)
            return false;
    }
    return true;
}

} // namespace

// An open Alt-code line ends with the edit, so digits typed next under a
// locked Alt start a line of their own, named again from the locks.
void EditorCore::restartAltLine()
{
    closeAltLine();
    s_.AltText.clear();
    SP_Key_Text();
}

void EditorCore::SpeedButton1Click()
{
    s_.LineStrokes.fill(0);
    host_.Load_Key();
    close();
}

void EditorCore::SpeedButton3Click()
{
    s_.LineLen.fill(0);
    s_.LineStrokes.fill(0);
    s_.KeyCode.clear();
    s_.KeyNum.clear();
    showStrokeCount();
    restartAltLine();
    refreshKeyShow(); // nothing left to show
}

void EditorCore::SpeedButton4Click()
{
    // Delete works on what the user sees: a pending placeholder is set aside
    // first and put back afterwards, so KeyCode and KeyNum stay in step.
    const bool placeholderPending = s_.ReplaceLast && !s_.KeyCode.empty();
    std::string placeholder;
    if (placeholderPending) {
        placeholder = s_.KeyCode.line(s_.KeyCode.count() - 1);
        s_.KeyCode.deleteLast();
    }

    if (s_.KeyCode.empty()) {
        // Nothing visible to delete: the macro and the modifier state stay.
        showStrokeCount();
        refreshKeyShow();
        if (placeholderPending)
            s_.KeyCode.add(placeholder);
        return;
    }

    const int n = s_.KeyCode.count() - 1;
    // Entries past the 40-entry tables are never read (hand-edited files only).
    const uint8_t altStrokes = n < kMacroLineTableSize ? s_.LineStrokes[static_cast<size_t>(n)] : 0;
    if (altStrokes != 0) {
        for (int i = 0; i < altStrokes; ++i)
            s_.KeyNum.deleteLast();
        s_.LineStrokes[static_cast<size_t>(n)] = 0;
    } else if (!isModifierNamesOnly(s_.KeyCode.line(n))) {
        s_.KeyNum.deleteLast();
    }
    s_.KeyCode.deleteLast();
    showStrokeCount();

    restartAltLine(); // the deleted line may have been the open Alt-code line
    refreshKeyShow();

    // With a modifier still locked the next stroke must name it again, just
    // as after the lock itself.
    if (s_.ModState & kLockableBits) {
        s_.KeyCode.add(s_.AltText);
        s_.ReplaceLast = true;
    } else {
        s_.ReplaceLast = false;
    }
}

void EditorCore::close()
{
    FormClose(); // a failure here keeps the window open
    open_ = false;
    shell_.hideEditor();
}

void EditorCore::FormClose()
{
    s_.numShapeFill = kNumShapeOff;
    s_.AltText.clear();
    s_.ModState = 0;
    s_.ModLock = 0;
    releasePhysicalKeys();
    // AltStrokes is left alone: the next Alt-code line can only start after
    // an Alt lock, and that restarts the count.
    s_.AltActive = false;
    s_.AltLineOpen = false;
    s_.ReplaceLast = false;
    for (size_t i = 0; i < kModifierKeys.size(); ++i)
        setPicture(s_.modifierPictures[i], kModifierKeys[i].onClose);
    s_.KeyCode.clear();
    s_.KeyNum.clear();
    showStrokeCount();
    host_.Load_Key();
    shell_.showKeypad();
}

} // namespace pm
