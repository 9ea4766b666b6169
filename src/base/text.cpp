#include "base/text.h"

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

std::string hex4(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", value & 0xFFFFu);
    return text;
}

} // namespace pm
