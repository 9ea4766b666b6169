#pragma once
// Key lists and macro sets shared by the export and replacement tests.
#include <vector>

#include "keypad/key_table.h"
#include "storage/macro_check.h"
#include "storage/macro_export.h"

namespace pmtest {

inline std::vector<int> allKeys()
{
    return {pm::kDeviceKeyNumbers.begin(), pm::kDeviceKeyNumbers.end()};
}

// Every key without a macro: three empty files each.
inline pm::MacroSet emptySet()
{
    pm::MacroSet set;
    for (const int k : allKeys())
        set[k];
    return set;
}

// The export of emptySet, as an import reads it.
inline std::string exportOfEmptySet()
{
    return pm::exportMacros(emptySet());
}

} // namespace pmtest
