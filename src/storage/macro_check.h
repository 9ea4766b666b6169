#pragma once
// A whole set of macros as the exact bytes of their files, and the checks a
// key's three files must pass before they are sent or stored.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "storage/macro_files.h"

namespace pm {

struct KeyFiles {
    std::string strokes; // KeyNum<N>.txt
    std::string text;    // KeyCode<N>.txt
    std::string lines;   // LineBuf<N>.txt
    bool operator==(const KeyFiles&) const = default;
};

// Device key number -> its files.
using MacroSet = std::map<int, KeyFiles>;

enum class MacroFile { strokes, text, lines };

// The bytes of one of a key's three files.
std::string& bytesOf(KeyFiles& files, MacroFile file);
const std::string& bytesOf(const KeyFiles& files, MacroFile file);

// "KeyNum40.txt", "KeyCode40.txt", "LineBuf40.txt".
std::string macroFileName(MacroFile file, int key);

struct MacroProblem {
    MacroFile file;
    int line; // 1-based line of that file, as the reading rule splits it
    std::string why;
};

// The first problem of one key's files, in the order the export shows them
// (each display line with its length line, then the strokes), or none:
// strokes as Program converts them (at most 30), at most 40 display lines
// of at most kMaxDisplayLineBytes each,
// and one length line per display line holding its byte length and the
// strokes of an Alt-code line (all such counts together at most the strokes).
std::optional<MacroProblem> macroProblem(const KeyFiles& files);

// Throws UiError "FILE line N: why" for the first key (in keys' order) whose
// files have a problem, or that next lacks; also when next holds a key not
// in keys.
void validateMacroSet(const MacroSet& set, const std::vector<int>& keys);

} // namespace pm
