#pragma once
// Small helpers for the program's 8-bit text lines.
#include <string>
#include <string_view>
#include <utility>

namespace pm {

// Splits a "left,right" line at its first comma. Without a comma the left
// part is empty and the right part is the whole line, so every reader of
// such lines reports the same offending text.
std::pair<std::string, std::string> splitAtFirstComma(const std::string& line);

// Non-empty and ASCII digits only: no sign, no blank.
bool isPlainDecimal(std::string_view text);

} // namespace pm
