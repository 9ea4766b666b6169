// The six modifier keys, NumLock, the double-click timer and the names of
// the locked modifiers.
#include "editor/editor_core.h"

namespace pm {

void EditorCore::modifierMouseDown(int key)
{
    const ModifierKey& k = kModifierKeys.at(static_cast<size_t>(key));
    setPicture(s_.modifierPictures[static_cast<size_t>(key)], k.pressed);
    // A running timer is not restarted: the double-click window runs from
    // the first press.
    if (!s_.timer1Enabled)
        s_.timer1Enabled = true;
}

void EditorCore::modifierMouseUp(int key)
{
    // A key the mouse has touched is the mouse's: letting go of its
    // keyboard key no longer unlocks it.
    heldLocks_ &= static_cast<uint8_t>(~kModifierKeys.at(static_cast<size_t>(key)).bit);
    // One counter for all six keys: a quick click on one key and then on
    // another locks the second.
    ++s_.ModClicks;
    if (s_.ModClicks >= 2)
        lockModifier(key);
    else
        releaseModifier(key);
}

void EditorCore::lockModifier(int key)
{
    const auto idx = static_cast<size_t>(key);
    const ModifierKey& k = kModifierKeys.at(idx);

    // An Alt-code line in progress survives an Alt lock, so its count must
    // too; only a fresh line starts from 0.
    const bool isAlt = k.kind == ModifierKind::Alt;
    if (isAlt && !s_.AltLineOpen)
        s_.AltStrokes = 0;
    s_.timer1Enabled = false;
    s_.timer1Interval = kDoubleClickMs;
    s_.ModState |= k.bit;
    setPicture(s_.modifierPictures[idx], k.locked);
    s_.ModClicks = 0;
    s_.ModLock |= k.bit;

    if (!isAlt) {
        // Shift or Ctrl ends an Alt-code line: the Alt bit is the highest of
        // its side, so any other bit beside it makes the side's value larger.
        const bool leftAltWithOther = (s_.ModState & kLeftModifierBits) > (kAltBits & kLeftModifierBits)
            && s_.AltLineOpen;
        const bool rightAltWithOther = (s_.ModState & kRightModifierBits) > (kAltBits & kRightModifierBits);
        if (s_.AltActive || leftAltWithOther || rightAltWithOther)
            closeAltLine();
        s_.AltActive = false;
        s_.AltText.clear();
    }
    SP_Key_Text();

    // The placeholder line stands for the locked modifiers until the next
    // stroke names them.
    if (s_.ReplaceLast)
        s_.KeyCode.deleteLast();
    s_.KeyCode.add(s_.AltText);
    s_.ReplaceLast = true;
}

void EditorCore::releaseModifier(int key)
{
    const auto idx = static_cast<size_t>(key);
    const ModifierKey& k = kModifierKeys.at(idx);

    setPicture(s_.modifierPictures[idx], k.released);
    if (!(s_.ModLock & k.bit))
        return; // a single click on a free key does nothing more

    s_.ModLock &= static_cast<uint8_t>(~k.bit);
    s_.ModState &= static_cast<uint8_t>(~k.bit);

    if (k.kind != ModifierKind::Alt) {
        if (s_.ModState & (kAltBits | kNumLockBit))
            s_.AltText.clear();
        if (s_.AltActive) {
            closeAltLine();
            s_.AltText.clear();
        }
    } else {
        // The stroke of a one-digit Alt-code line stays as recorded: its
        // modifier byte is what the keypad replays.
        if (s_.AltActive)
            closeAltLine();
        s_.AltText.clear();
    }

    SP_Key_Text();
    const std::string name = modifierName(k.kind);
    const std::string::size_type at = s_.AltText.find(name);
    if (at != std::string::npos)
        s_.AltText.erase(at, name.size() + 1);

    if ((s_.ModState & kLockableBits) == 0) {
        if (s_.ReplaceLast)
            s_.KeyCode.deleteLast();
        s_.ReplaceLast = false;
    } else if (s_.ReplaceLast) {
        s_.KeyCode.deleteLast();
        s_.KeyCode.add(s_.AltText);
    }
}

void EditorCore::Timer1Timer()
{
    if (s_.ModClicks == 0)
        return; // keeps ticking until a release has been counted
    s_.ModClicks = 0;
    s_.timer1Enabled = false;
    s_.timer1Interval = kDoubleClickMs;
}

void EditorCore::SP_Key_Text()
{
    // Names the locked modifiers that AltText does not name yet, in this
    // order, which differs from a stroke's prefix.
    for (const ModifierKind kind : {ModifierKind::Shift, ModifierKind::Alt, ModifierKind::Ctrl}) {
        const ModifierName& m = kModifierNames[static_cast<size_t>(kind)];
        if ((s_.ModState & m.bits) && s_.AltText.find(m.name) == std::string::npos)
            s_.AltText += std::string(m.name) + "+";
    }
}

void EditorCore::KeyNum1LMouseDown()
{
    setPicture(s_.numLockPicture, kNumLockPressed);
}

void EditorCore::KeyNum1LMouseUp()
{
    if (s_.ModState & kNumLockBit) {
        s_.ModState &= static_cast<uint8_t>(~kNumLockBit);
        s_.numShapeFill = kNumShapeOff;
        if (s_.ModState & kAltBits)
            s_.AltText.clear();
        if (s_.AltActive) {
            closeAltLine();
            s_.AltText.clear();
        }
    } else {
        s_.ModState |= kNumLockBit;
        s_.numShapeFill = kNumShapeOn;
        SP_Key_Text(); // with Alt locked the text again starts "Alt+", ready for digits
    }
    setPicture(s_.numLockPicture, kNumLockReleased);
}

} // namespace pm
