#include "base/text.h"

#include <algorithm>
#include <cstdio>

namespace pm {

std::pair<std::string, std::string> splitAtFirstComma(const std::string& line)
{
    const size_t comma = line.find(',');
    if (comma == std::string::npos)
        return {std::string(), line};
    return {line.substr(0, comma), line.substr(comma + 1)};
}

bool isPlainDecimal(std::string_view text)
{
    if (text.empty())
        return false;
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

bool sameIgnoringCase(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

size_t utf8Length(std::string_view s, char32_t& cp)
{
    if (s.empty())
        return 0;
    const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = b(0);
    size_t n = 0;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        n = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        n = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        n = 4;
        cp = lead & 0x07;
    } else {
        return 0;
    }
    if (s.size() < n)
        return 0;
    for (size_t i = 1; i < n; ++i) {
        if ((b(i) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b(i) & 0x3F);
    }
    const char32_t least = n == 2 ? 0x80 : n == 3 ? 0x800 : 0x10000;
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

std::string hexEscape(unsigned char c)
{
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    return hex;
}

namespace {

// The length of the well-formed UTF-8 sequence at the start of s of a
// character that is not a control, or 0.
size_t printableUtf8Length(std::string_view s)
{
    char32_t c = 0;
    const size_t n = utf8Length(s, c);
    return n > 1 && c >= 0xA0 ? n : 0;
}

} // namespace

std::string escapedText(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (bytes.substr(i, kRightQuoteBytes.size()) == kRightQuoteBytes) {
            out += kRightQuoteUtf8;
            i += kRightQuoteBytes.size();
        } else if (b == '\n' || (b >= 0x20 && b < 0x7F)) {
            out += static_cast<char>(b);
            ++i;
        } else if (const size_t n = b >= 0x80 ? printableUtf8Length(bytes.substr(i)) : 0) {
            out.append(bytes.substr(i, n));
            i += n;
        } else {
            out += hexEscape(b);
            ++i;
        }
    }
    return out;
}

std::string hex4(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFFu);
    return text;
}

} // namespace pm
