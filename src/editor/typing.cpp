// Typing on the computer's keyboard: each key acts on the on-screen key of
// its usage, and a held modifier stays locked until it is let go.
#include "editor/editor_core.h"
#include "editor/physical_keys.h"

namespace pm {

void EditorCore::releasePhysicalKeys()
{
    held_.reset();
    heldLocks_ = 0;
    escapeSince_ = -1;
    s_.commandMode = false;
}

void EditorCore::enterCommandMode()
{
    escapeSince_ = -1;
    s_.commandMode = true;
    s_.keyNote.clear();
}

void EditorCore::typingClock(int64_t nowMs)
{
    if (escapePending() && nowMs - escapeSince_ >= kCommandHoldMs)
        enterCommandMode(); // its release then finds nothing held
}

void EditorCore::physicalKeyDown(unsigned usage, int64_t nowMs)
{
    // In command mode the window moves the focus; nothing records.
    if (s_.commandMode)
        return;
    const int row = physicalKeyOfUsage(usage);
    if (row >= 0 && kPhysicalKeys[static_cast<size_t>(row)].usage == kEscapeUsage) {
        if (!escapePending() && !held_[kEscapeUsage])
            escapeSince_ = nowMs; // a stroke or the way out: its release tells
        return;
    }
    if (escapePending()) {
        // Another key with Escape down: Escape is typed, as part of a chord.
        escapeSince_ = -1;
        pressPhysicalKey(physicalKeyOfUsage(kEscapeUsage));
    }
    pressPhysicalKey(row);
}

void EditorCore::pressPhysicalKey(int row)
{
    const KeyTarget target
        = row < 0 ? KeyTarget{KeyTarget::Kind::None, -1} : targetOf(kPhysicalKeys[static_cast<size_t>(row)]);
    if (target.kind == KeyTarget::Kind::None) {
        s_.keyNote = notOnKeyboard(row < 0 ? nullptr : kPhysicalKeys[static_cast<size_t>(row)].name);
        return;
    }
    // Both usages of one key are one key.
    const unsigned key = kPhysicalKeys[static_cast<size_t>(row)].usage;
    if (target.kind == KeyTarget::Kind::Ignored || held_[key])
        return;
    held_[key] = true; // the release acts even when the press fails, as for a mouse press
    s_.keyNote.clear();
    switch (target.kind) {
    case KeyTarget::Kind::Record: recordKeyMouseDown(target.index); break;
    case KeyTarget::Kind::NumLock: KeyNum1LMouseDown(); break;
    case KeyTarget::Kind::Modifier: {
        const uint8_t bit = kModifierKeys.at(static_cast<size_t>(target.index)).bit;
        if (s_.ModLock & bit)
            break; // locked with the mouse: it stays the mouse's
        // Holding the key is a double click: locked until let go.
        lockModifier(target.index);
        heldLocks_ |= bit;
        break;
    }
    case KeyTarget::Kind::None:
    case KeyTarget::Kind::Ignored: break;
    }
}

void EditorCore::physicalKeyUp(unsigned usage, int64_t nowMs)
{
    const int row = physicalKeyOfUsage(usage);
    if (row < 0)
        return;
    const unsigned key = kPhysicalKeys[static_cast<size_t>(row)].usage;
    if (key == kEscapeUsage && escapePending()) {
        const bool held = nowMs - escapeSince_ >= kCommandHoldMs;
        escapeSince_ = -1;
        if (held) {
            enterCommandMode();
            return;
        }
        pressPhysicalKey(row); // a short press: Esc is a stroke like any other
    }
    if (!held_[key])
        return; // its press went elsewhere, or acted on nothing
    held_[key] = false;
    const KeyTarget target = targetOf(kPhysicalKeys[static_cast<size_t>(row)]);
    switch (target.kind) {
    case KeyTarget::Kind::Record: recordKeyMouseUp(target.index); break;
    case KeyTarget::Kind::NumLock: KeyNum1LMouseUp(); break;
    case KeyTarget::Kind::Modifier: {
        const uint8_t bit = kModifierKeys.at(static_cast<size_t>(target.index)).bit;
        if (!(heldLocks_ & bit))
            break;
        // Letting go is a single click on the locked key.
        heldLocks_ &= static_cast<uint8_t>(~bit);
        if (s_.ModLock & bit)
            releaseModifier(target.index);
        break;
    }
    case KeyTarget::Kind::None:
    case KeyTarget::Kind::Ignored: break;
    }
}

} // namespace pm
