#pragma once
// Compile-time checks over the control tables: a row left out of a
// std::array is value-initialised (null names, zero numbers), so counting
// rows proves nothing; these look at what the rows hold.
#include <cstddef>
#include <string_view>

namespace pm {

constexpr bool isText(const char* text)
{
    return text != nullptr && text[0] != '\0';
}

template <typename Table, typename Pred>
constexpr bool everyRow(const Table& table, Pred pred)
{
    for (const auto& row : table)
        if (!pred(row))
            return false;
    return true;
}

template <typename Table>
constexpr bool everyRowNamed(const Table& table)
{
    return everyRow(table, [](const auto& row) { return isText(row.name); });
}

// No two rows have equal keys; key(row) returns something comparable.
template <typename Table, typename Key>
constexpr bool uniqueBy(const Table& table, Key key)
{
    for (size_t i = 0; i < table.size(); ++i)
        for (size_t j = i + 1; j < table.size(); ++j)
            if (key(table[i]) == key(table[j]))
                return false;
    return true;
}

template <typename Table>
constexpr bool uniqueNames(const Table& table)
{
    return uniqueBy(table, [](const auto& row) { return std::string_view(row.name ? row.name : ""); });
}

template <typename Values>
constexpr bool strictlyAscending(const Values& values)
{
    for (size_t i = 1; i < values.size(); ++i)
        if (!(values[i - 1] < values[i]))
            return false;
    return true;
}

// The rows' bits are pairwise disjoint and together make exactly bits.
template <typename Table>
constexpr bool bitsCover(const Table& table, unsigned bits)
{
    unsigned seen = 0;
    for (const auto& row : table) {
        if (row.bit == 0 || (seen & row.bit) != 0)
            return false;
        seen |= row.bit;
    }
    return seen == bits;
}

// Every device number of every key (both layouts) is one of numbers, and
// every one of numbers belongs to some key.
template <typename Keys, typename Numbers>
constexpr bool sameNumbers(const Keys& keys, const Numbers& numbers)
{
    auto listed = [&](unsigned n) {
        for (const auto v : numbers)
            if (v == n)
                return true;
        return false;
    };
    for (const auto& k : keys)
        if (!listed(k.numberMod0) || !listed(k.numberMod1))
            return false;
    for (const auto n : numbers) {
        bool used = false;
        for (const auto& k : keys)
            used = used || k.numberMod0 == n || k.numberMod1 == n;
        if (!used)
            return false;
    }
    return true;
}

} // namespace pm
