#pragma once
// What a screen reader calls the editor's drawn keys: by their legends and,
// for the modifier keys and NumLock, by their state.
#include <string>

#include "editor/key_table.h"

namespace pm {

// "Q", "1 !", "Keypad 7 Home", "Left Windows", "Arrow Up".
std::string recordKeyName(const RecordKey& key);
// "Left Shift" or "Left Shift, locked".
std::string modifierKeyName(const ModifierKey& key, bool locked);
// "NumLock, on" or "NumLock, off".
std::string numLockName(bool on);

} // namespace pm
