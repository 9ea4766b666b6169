#pragma once
#include <string_view>

namespace pm {

// Index of the row whose control name is name, or -1. The control tables are
// small, so a linear search is all it takes.
template <typename Table>
constexpr int indexByName(const Table& table, std::string_view name)
{
    for (size_t i = 0; i < table.size(); ++i)
        if (name == table[i].name)
            return static_cast<int>(i);
    return -1;
}

} // namespace pm
