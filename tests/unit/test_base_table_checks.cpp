// The compile-time table checks must be able to fail: each is run here on a
// copy of a real table with one row broken, and must say no. The compiler
// decides all of it; the real tables pass the same checks where they are
// declared.
#include <array>

#include "base/table_checks.h"
#include "editor/key_table.h"
#include "keypad/key_table.h"

namespace {

using namespace pm;

template <typename Table>
constexpr Table withRow(Table table, size_t at, typename Table::value_type row)
{
    table[at] = row;
    return table;
}

// A row left out of the list: value-initialised, so its name is null.
constexpr auto kMissingKey = withRow(kKeypadKeys, 21, KeypadKey{});
static_assert(!everyRowNamed(kMissingKey));

constexpr auto kTwinLegend = withRow(kLegends, 1, kLegends[0]);
static_assert(!uniqueNames(kTwinLegend));

// Key_14 given Key_13's number in both layouts: two keys, one file set.
constexpr auto kSharedNumber = [] {
    auto keys = kKeypadKeys;
    keys[5].numberMod0 = keys[4].numberMod0;
    keys[5].numberMod1 = keys[4].numberMod1;
    return keys;
}();
static_assert(!uniqueBy(kSharedNumber, [](const KeypadKey& k) { return k.numberMod0; }));
// ... and number 20 then belongs to no key.
static_assert(!sameNumbers(kSharedNumber, kDeviceKeyNumbers));

// A number that owns no macro files.
constexpr auto kStrayNumber = [] {
    auto keys = kKeypadKeys;
    keys[0].numberMod1 = 5;
    return keys;
}();
static_assert(!sameNumbers(kStrayNumber, kDeviceKeyNumbers));

// Right Shift given left Shift's bit: 0x20 is then no modifier key's.
constexpr auto kSameBit = [] {
    auto mods = kModifierKeys;
    mods[5].bit = mods[2].bit;
    return mods;
}();
static_assert(!bitsCover(kSameBit, kLockableBits));
static_assert(!bitsCover(withRow(kModifierKeys, 0, ModifierKey{}), kLockableBits));

constexpr std::array<uint8_t, 3> kUnsorted = {1, 3, 2};
static_assert(!strictlyAscending(kUnsorted));

constexpr auto kNoCode = [] {
    auto keys = kRecordKeys;
    keys[7].code = nullptr;
    return keys;
}();
static_assert(!everyRow(kNoCode, [](const RecordKey& k) { return isText(k.code); }));

} // namespace
