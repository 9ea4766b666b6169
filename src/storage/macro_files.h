#pragma once
// The three files that hold the macro of one device key number N below
// AppDir: the stroke file "\log\KeyNum" N ".txt", the text file
// "\log\KeyCode" N ".txt" and the line file "\log\LineBuf" N ".txt".
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/macro_limits.h"
#include "storage/line_list.h"

namespace pm {

// Entries of the per-display-line tables, and so display lines a macro can hold.
inline constexpr int kMacroLineTableSize = 40;
// Bytes of one display line: the editor's longest (an Alt-code line of 30
// digits under every modifier) is well under 100.
inline constexpr size_t kMaxDisplayLineBytes = 255;

std::string strokeFileLiteral(int key); // "\log\KeyNum" N ".txt"
std::string textFileLiteral(int key);   // "\log\KeyCode" N ".txt"
std::string lineFileLiteral(int key);   // "\log\LineBuf" N ".txt"

using LineLenTable = std::array<int32_t, kMacroLineTableSize>;
using LineStrokesTable = std::array<uint8_t, kMacroLineTableSize>;

// One key's macro as its files hold it and the editor works on it.
struct Macro {
    LineList KeyNum;  // stroke lines: modifier byte, a comma, the key's code string
    LineList KeyCode; // display lines
    LineList LineBuf; // the line file's lines as last read or stored
    LineLenTable LineLen{};
    LineStrokesTable LineStrokes{};
};

// Reads the text file of key into probe (replacing its lines) and returns
// how many lines it holds: above 0 means the key carries a macro.
int probeMacro(const std::string& appDir, int key, LineList& probe);

// Reads the stroke, text and line files of key into the macro's KeyNum,
// KeyCode and LineBuf, in that order, each replacing its list. A file that
// cannot be read stops there; the lists read before it keep their new lines.
void readMacroFiles(const std::string& appDir, int key, Macro& macro);

// Throws when the macro holds more display lines than the tables have entries.
void requireDisplayLineLimit(const std::string& appDir, int key, const Macro& macro);

// For every display line i: the line file's line i split at its first comma
// gives LineLen[i] and LineStrokes[i] (low 8 bits). Both parts are plain
// decimal digits, as the files are written; a missing line reads empty. A
// part that does not convert throws; the entries set before it stay.
void parseLineTables(Macro& macro);

// Writes the text file from the display lines, the stroke file from the
// stroke lines, rebuilds LineBuf as "len,strokes" for each display line and
// writes the line file. The first displayLines display lines are stored (all
// when it is negative). Each file is replaced whole; a file that cannot be
// written throws and leaves it and the files after it as they were.
// The three new files are first kept together in a journal beside them, so
// that a crash part way is finished by replayStoreJournals.
void storeMacro(const std::string& appDir, int key, Macro& macro, int displayLines = -1);

// Whether a name in the log folder is a store's journal (".store-N.journal").
bool isStoreJournalName(const std::string& name);

// Finishes each store a crash interrupted: a whole journal is written again
// into its key's three files, a damaged one is dropped (the store had not
// begun). Returns what it did, one message per key; none when nothing was
// left. A file that cannot be written throws "Cannot create file ...".
std::vector<std::string> replayStoreJournals(const std::string& appDir);

} // namespace pm
