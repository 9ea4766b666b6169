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

// One or more decimal digits and nothing else: no sign, no blank.
bool isPlainDecimal(std::string_view text);

// Whether a and b are equal but for the case of the letters A-Z, whatever
// the locale: how file names are matched.
bool sameIgnoringCase(std::string_view a, std::string_view b);

// Four upper-case hexadecimal digits, as vendor, product and usage values read.
std::string hex4(unsigned value);

// The length of the well-formed UTF-8 character at the start of s, its code
// point in cp; 0 when s does not start with one.
size_t utf8Length(std::string_view s, char32_t& cp);

// "\xHH": how messages and exports show a byte that is not text.
std::string hexEscape(unsigned char c);

// Text for a person to read, from bytes that may come from any file: valid
// UTF-8 stays, the program's double-byte quotation mark becomes its UTF-8
// form, and every other byte that a terminal or a window could take for a
// control (below 0x20 except the line break, 0x7F, C1 controls, bytes that
// are not UTF-8) is shown as \xHH. The result is valid UTF-8.
std::string escapedText(std::string_view bytes);

// The one double-byte character the program writes: the right double
// quotation mark, bytes A1 A8 of the 8-bit text.
inline constexpr std::string_view kRightQuoteBytes = "\xA1\xA8";
inline constexpr char16_t kRightQuoteCodePoint = 0x201D;
inline constexpr std::string_view kRightQuoteUtf8 = "\xE2\x80\x9D";

} // namespace pm
