#pragma once
// The three files that hold the macro of one device key number N below
// AppDir: the stroke file "\log\KeyNum" N ".txt", the text file
// "\log\KeyCode" N ".txt" and the line file "\log\LineBuf" N ".txt".
#include <array>
#include <cstdint>
#include <string>

#include "storage/line_list.h"

namespace pm {

// Entries of the per-display-line tables, and so display lines a macro can hold.
inline constexpr int kMacroLineTableSize = 40;

std::string strokeFileLiteral(int key); // "\log\KeyNum" N ".txt"
std::string textFileLiteral(int key);   // "\log\KeyCode" N ".txt"
std::string lineFileLiteral(int key);   // "\log\LineBuf" N ".txt"

using LineLenTable = std::array<int32_t, kMacroLineTableSize>;
using LineStrokesTable = std::array<uint8_t, kMacroLineTableSize>;

// Reads the text file of key into probe (replacing its lines) and returns
// how many lines it holds: above 0 means the key carries a macro.
int probeMacro(const std::string& appDir, int key, LineList& probe);

// Reads the stroke, text and line files of key into keyNum, keyCode and
// lineBuf, in that order, each replacing its list. A file that cannot be
// read stops there; the lists read before it keep their new lines.
void readMacroFiles(
    const std::string& appDir, int key, LineList& keyNum, LineList& keyCode, LineList& lineBuf);

// Throws when keyCode holds more display lines than the tables have entries.
void requireDisplayLineLimit(const std::string& appDir, int key, const LineList& keyCode);

// For every display line i: the line file's line i split at its first comma
// gives lineLen[i] and lineStrokes[i] (low 8 bits). A missing line reads
// empty. A part that does not convert throws; the entries set before it stay.
void parseLineTables(
    const LineList& keyCode, const LineList& lineBuf, LineLenTable& lineLen, LineStrokesTable& lineStrokes);

// Writes the text file from keyCode, the stroke file from keyNum, rebuilds
// lineBuf as "len,strokes" for each display line and writes the line file.
// Each file is replaced whole; a file that cannot be written throws and
// leaves it and the files after it as they were.
void storeMacro(const std::string& appDir, int key, const LineList& keyCode, const LineList& keyNum,
    LineList& lineBuf, const LineLenTable& lineLen, const LineStrokesTable& lineStrokes);

} // namespace pm
