#include "storage/macro_text.h"

#include <cstdint>
#include <cstdio>

#include "base/errors.h"

namespace pm {

namespace {

bool printableAscii(unsigned char c)
{
    return c >= 0x20 && c < 0x7F;
}

// Lead bytes of the double-byte code page: a pair is taken whole so that its
// second byte never shows as a stray ASCII character.
bool leadByte(unsigned char c)
{
    return c >= 0x81 && c <= 0xFE;
}

bool needsQuotes(std::string_view b)
{
    if (b.empty() || b.front() == ' ' || b.back() == ' ' || b.front() == '"')
        return true;
    for (size_t i = 0; i < b.size(); ++i) {
        const auto c = static_cast<unsigned char>(b[i]);
        if (printableAscii(c))
            continue;
        if (b.substr(i, 2) == kRightQuoteBytes) {
            ++i;
            continue;
        }
        return true;
    }
    return false;
}

std::string codePointName(uint32_t cp)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
    return buf;
}

// Decodes the UTF-8 character at v[i]; returns its length.
size_t decodeUtf8(std::string_view v, size_t i, char32_t& cp)
{
    const size_t len = utf8Length(v.substr(i), cp);
    if (len == 0)
        throw UiError("the text is not UTF-8");
    return len;
}

// Appends the 8-bit bytes of the character at v[i]; returns its length.
size_t appendCharacter(std::string_view v, size_t i, std::string& out)
{
    char32_t cp = 0;
    const size_t len = decodeUtf8(v, i, cp);
    if (cp >= 0x20 && cp < 0x7F) {
        out += static_cast<char>(cp);
    } else if (cp == 0x201D) {
        out += kRightQuoteBytes;
    } else if (cp < 0x20 || cp == 0x7F) {
        throw UiError("a control character (" + codePointName(cp) + ") must be written as "
            + hexEscape(static_cast<unsigned char>(cp)) + " inside quotes");
    } else {
        throw UiError("\"" + std::string(v.substr(i, len)) + "\" (" + codePointName(cp)
            + ") cannot be stored in the keypad's 8-bit text; only printable ASCII, \"\xE2\x80\x9D\" and"
              " \\xHH escapes inside quotes can");
    }
    return len;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string importQuoted(std::string_view v)
{
    std::string out;
    size_t i = 1;
    while (i < v.size() && v[i] != '"') {
        if (v[i] != '\\') {
            i += appendCharacter(v, i, out);
            continue;
        }
        const char e = i + 1 < v.size() ? v[i + 1] : '\0';
        if (e == '\\' || e == '"') {
            out += e;
            i += 2;
        } else if (e == 'x' && i + 3 < v.size() && hexDigit(v[i + 2]) >= 0 && hexDigit(v[i + 3]) >= 0) {
            out += static_cast<char>(hexDigit(v[i + 2]) * 16 + hexDigit(v[i + 3]));
            i += 4;
        } else {
            throw UiError("malformed escape at \"" + std::string(v.substr(i, 4))
                + "\"; inside quotes write \\\\, \\\" or \\x and two hex digits");
        }
    }
    if (i == v.size())
        throw UiError("the closing quote is missing");
    if (i + 1 != v.size())
        throw UiError("text after the closing quote");
    return out;
}

} // namespace

std::string exportValue(std::string_view b)
{
    const bool quoted = needsQuotes(b);
    std::string out;
    if (quoted)
        out += '"';
    for (size_t i = 0; i < b.size(); ++i) {
        const auto c = static_cast<unsigned char>(b[i]);
        if (printableAscii(c)) {
            if (quoted && (c == '"' || c == '\\'))
                out += '\\';
            out += static_cast<char>(c);
        } else if (b.substr(i, 2) == kRightQuoteBytes) {
            out += kRightQuoteUtf8;
            ++i;
        } else if (leadByte(c) && i + 1 < b.size()) {
            out += hexEscape(c) + hexEscape(static_cast<unsigned char>(b[i + 1]));
            ++i;
        } else {
            out += hexEscape(c);
        }
    }
    if (quoted)
        out += '"';
    return out;
}

std::string importValue(std::string_view v)
{
    if (v.empty())
        throw UiError("the value is missing; an empty line is written \"\"");
    if (v.front() == '"')
        return importQuoted(v);
    if (v.front() == ' ' || v.back() == ' ')
        throw UiError("blanks at the start or end of a value must be inside quotes");
    std::string out;
    for (size_t i = 0; i < v.size();)
        i += appendCharacter(v, i, out);
    return out;
}

} // namespace pm
