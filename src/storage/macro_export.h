#pragma once
// All macros of the keypad in one UTF-8 text that a person can read, diff
// and edit, and that recreates the 78 macro files byte for byte:
//
//   format padmacro-macros 1
//   key 40  # ESC, MOD0
//   text Shift+Q
//   length 7,0
//   stroke 2,20
//
// A "key N" line starts the block of key N; below it "text" lines are the
// KeyCode file's lines, "length" lines the LineBuf file's, "stroke" lines the
// KeyNum file's, each ending in CR LF in the file. A file whose line breaks
// are not all CR LF is given whole as "text-file", "length-file" or
// "stroke-file". Values are described in storage/macro_text.h. Lines
// starting with # and blank lines are comments.
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "storage/macro_check.h"

namespace pm {

inline constexpr std::string_view kExportFormatLine = "format padmacro-macros 1";

// Bytes of one line of an export: a whole file of 40 display lines, each
// byte written as \xHH, stays well below.
inline constexpr size_t kMaxExportLineBytes = 65536;

struct ExportNotes {
    std::vector<std::string> header;        // comment lines after the fixed introduction
    std::map<int, std::string> keyComments; // shown after "key N", e.g. the key's name and layout
};

// Every key of set, in key-number order.
std::string exportMacros(const MacroSet& set, const ExportNotes& notes = {});

// Reads an export holding each of keys exactly once and checks every key
// with macroProblem before returning. A line longer than
// kMaxExportLineBytes is refused. The first problem throws UiError
// "line N: why", N counting the export's lines from 1; the caller prefixes
// the file's name.
MacroSet importMacros(const std::string& text, const std::vector<int>& keys);

} // namespace pm
