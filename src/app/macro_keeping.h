#pragma once
// Keeping the macros: every stored macro exported to one text file, and such
// a file imported over the 78 macro files, all or nothing. The keypad window
// and padmacroctl both use these.
#include <string>
#include <vector>

namespace pm {

// The 26 device key numbers, in the order export and import use.
std::vector<int> macroKeyNumbers();

// How messages name every macro: 26 numbers on a 22-key pad.
inline constexpr const char* kAllKeyNumbers = "all 26 key numbers (22 keys; the top four in both layouts)";

// "ESC, MOD0": the key that owns number n and the layout it is chosen in.
std::string keyDescription(int n);

// The export of every stored macro below appDir. A macro file that cannot
// be read throws "Cannot open file ...".
std::string exportMacroText(const std::string& appDir);

// Writes exportMacroText to path, replacing the file whole.
void exportMacroFile(const std::string& appDir, const std::string& path);

struct ImportResult {
    std::string backupPath; // the previous set, as an export beside the log folder
};

// Checks all of text first (source names it in messages: "Cannot import
// "SOURCE": line 7: ..."), then replaces the 78 files so that any failure
// leaves either the old set or the new one.
ImportResult importMacroText(const std::string& appDir, const std::string& text, const std::string& source);

// The same for a file; a file that cannot be read throws "Cannot open file ...".
ImportResult importMacroFile(const std::string& appDir, const std::string& path);

// What the user is told after an export to path, and after an import from source.
std::string exportedMessage(const std::string& path);
std::string importedMessage(const std::string& source, const ImportResult& result);

} // namespace pm
