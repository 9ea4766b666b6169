#include "storage/line_list.h"

#include "base/paths.h"

namespace pm {

std::vector<std::string> LineList::splitLines(const std::string& bytes)
{
    std::vector<std::string> out;
    std::string current;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            out.push_back(current);
            current.clear();
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
        } else {
            current += c;
        }
    }
    if (!current.empty())
        out.push_back(current);
    return out;
}

void LineList::loadFromFile(const std::string& path)
{
    setFileBytes(readWholeFile(path));
}

std::string LineList::toFileBytes() const
{
    std::string bytes;
    for (const auto& l : lines_)
        bytes += l + "\r\n";
    return bytes;
}

void LineList::saveToFile(const std::string& path) const
{
    replaceWholeFile(path, toFileBytes());
}

std::string LineList::line(int i) const
{
    if (i < 0 || i >= count())
        return {};
    return lines_[static_cast<size_t>(i)];
}

} // namespace pm
