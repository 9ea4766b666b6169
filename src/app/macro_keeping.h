#pragma once
// Keeping the macros: every stored macro exported to one text file, and such
// a file imported over the 78 macro files, all or nothing. The keypad window
// and padmacroctl both use these.
#include <cstddef>
#include <iosfwd>
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

// Far above any real export (a full one is well under 100 KB): an import
// reads no more.
inline constexpr size_t kMaxImportBytes = size_t(1) << 20;

// The same for a file; a file that cannot be read throws "Cannot open file
// ...". Only a regular file of at most kMaxImportBytes is read: a folder, a
// named pipe or a device is refused at once, before anything is read.
ImportResult importMacroFile(const std::string& appDir, const std::string& path);

// The same for a stream (standard input), read up to kMaxImportBytes.
ImportResult importMacroStream(const std::string& appDir, std::istream& in, const std::string& source);

// Brings the macro files below appDir back to a whole state after a crash:
// an interrupted import is finished or rolled back, an interrupted store of
// a key finished, temporary files removed. Returns what it did, as messages
// for the user; none when nothing was left over.
std::vector<std::string> recoverMacros(const std::string& appDir);

// What the user is told after an export to path, and after an import from source.
std::string exportedMessage(const std::string& path);
std::string importedMessage(const std::string& source, const ImportResult& result);

} // namespace pm
