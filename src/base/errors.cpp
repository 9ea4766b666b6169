#include "base/errors.h"

#include <cerrno>
#include <cstring>
#include <limits>

namespace pm {

std::string osReason(int err)
{
    return std::strerror(err);
}

void throwCannotOpen(const std::string& path, int err)
{
    throw FileError("Cannot open file \"" + path + "\". " + osReason(err), err);
}

void throwCannotCreate(const std::string& path, int err)
{
    throw FileError("Cannot create file \"" + path + "\". " + osReason(err), err);
}

void throwNotInteger(const std::string& text)
{
    throw UiError("'" + text + "' is not a valid integer value");
}

int32_t strToInt(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        throwNotInteger(text);
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            throwNotInteger(text);
        value = value * 10 + (c - '0');
        if (value > int64_t(std::numeric_limits<int32_t>::max()) + 1)
            throwNotInteger(text);
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int32_t>::max())
        throwNotInteger(text);
    return static_cast<int32_t>(value);
}

} // namespace pm
