#include "editor/spoken_names.h"

#include <cstdlib>

namespace pm {

namespace {

// "Arrow_Up" reads "Arrow Up".
std::string spoken(const char* text)
{
    std::string s = text;
    for (char& c : s)
        if (c == '_')
            c = ' ';
    return s;
}

constexpr int kSpaceBarLeft = 222;

int usageOf(const RecordKey& key)
{
    return std::atoi(key.code + 1);
}

} // namespace

std::string recordKeyName(const RecordKey& key)
{
    const int usage = usageOf(key);
    const std::string normal = spoken(key.normal);
    const std::string shifted = spoken(key.shifted);
    // Both Windows keys record usage 0 with the Windows bit; they stand on
    // either side of the space bar.
    if (usage == 0)
        return std::string(key.left < kSpaceBarLeft ? "Left" : "Right") + " Windows";
    if (usage >= 4 && usage <= 29)
        return shifted; // letters by their cap
    // The keypad block begins at its NumLock key; the main Enter records the
    // keypad's Enter usage too.
    if (usage >= 84 && usage <= 99 && key.left >= kNumLockKey.left) {
        // The keypad: with NumLock off its digits are moving keys.
        std::string name = "Keypad " + normal;
        if (shifted != normal && shifted != " ")
            name += " " + shifted;
        return name;
    }
    if (shifted == normal)
        return normal;
    return normal + " " + shifted;
}

std::string modifierKeyName(const ModifierKey& key, bool locked)
{
    std::string name = (key.bit & kLeftModifierBits) ? "Left " : "Right ";
    name += modifierName(key.kind);
    if (locked)
        name += ", locked";
    return name;
}

std::string numLockName(bool on)
{
    return on ? "NumLock, on" : "NumLock, off";
}

} // namespace pm
