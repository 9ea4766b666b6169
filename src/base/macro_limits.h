#pragma once
// How much one macro can hold, for every layer that stores, records or sends it.

namespace pm {

// Strokes a macro can hold: the editor records no more, the stored files
// hold no more and the keypad takes no more.
inline constexpr int kMaxMacroStrokes = 30;

} // namespace pm
