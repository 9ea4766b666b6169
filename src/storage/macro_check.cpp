#include "storage/macro_check.h"

#include <algorithm>
#include <cstdint>

#include "base/errors.h"
#include "base/text.h"
#include "storage/line_list.h"
#include "storage/macro_files.h"
#include "storage/macro_text.h"

namespace pm {

namespace {

// Value of a plain decimal, capped far above anything a macro can hold so
// that a long digit string cannot overflow.
int64_t cappedDecimal(const std::string& digits)
{
    int64_t v = 0;
    for (const char c : digits)
        v = std::min<int64_t>(v * 10 + (c - '0'), int64_t(1) << 40);
    return v;
}

MacroProblem at(MacroFile file, size_t index, std::string why)
{
    return {file, static_cast<int>(index) + 1, std::move(why)};
}

} // namespace

std::string& bytesOf(KeyFiles& files, MacroFile file)
{
    return file == MacroFile::strokes ? files.strokes : file == MacroFile::text ? files.text : files.lines;
}

const std::string& bytesOf(const KeyFiles& files, MacroFile file)
{
    return bytesOf(const_cast<KeyFiles&>(files), file);
}

std::string macroFileName(MacroFile file, int key)
{
    const std::string literal = file == MacroFile::strokes ? strokeFileLiteral(key)
        : file == MacroFile::text                          ? textFileLiteral(key)
                                                           : lineFileLiteral(key);
    return literal.substr(literal.rfind('\\') + 1); // "\log\KeyNum40.txt" -> "KeyNum40.txt"
}

std::optional<MacroProblem> macroProblem(const KeyFiles& files)
{
    const auto strokes = LineList::splitLines(files.strokes);
    const auto text = LineList::splitLines(files.text);
    const auto lines = LineList::splitLines(files.lines);

    int64_t altStrokes = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i >= static_cast<size_t>(kMacroLineTableSize))
            return at(MacroFile::text, i,
                "a display line beyond the " + std::to_string(kMacroLineTableSize) + " a macro can hold");
        if (text[i].size() > kMaxDisplayLineBytes)
            return at(MacroFile::text, i,
                "a display line of " + std::to_string(text[i].size())
                    + " bytes; a display line holds at most " + std::to_string(kMaxDisplayLineBytes));
        if (i >= lines.size())
            return at(MacroFile::text, i, "display line " + exportValue(text[i]) + " has no length line");
        const std::string shown = "length " + exportValue(lines[i]);
        if (lines[i].find(',') == std::string::npos)
            return at(MacroFile::lines, i, shown + " has no comma between the byte length and the strokes");
        const auto [len, count] = splitAtFirstComma(lines[i]);
        if (!isPlainDecimal(len) || !isPlainDecimal(count))
            return at(MacroFile::lines, i, shown + ": both numbers must be plain decimal digits");
        if (cappedDecimal(len) != static_cast<int64_t>(text[i].size()))
            return at(MacroFile::lines, i,
                shown + " does not match display line " + exportValue(text[i]) + ", which is "
                    + std::to_string(text[i].size()) + " bytes long");
        altStrokes += cappedDecimal(count);
        if (altStrokes > static_cast<int64_t>(strokes.size()))
            return at(MacroFile::lines, i,
                shown + ": the Alt-code lines so far cover " + std::to_string(altStrokes)
                    + " strokes but the macro has " + std::to_string(strokes.size()));
    }
    if (lines.size() > text.size())
        return at(MacroFile::lines, text.size(),
            "length " + exportValue(lines[text.size()]) + " has no display line");

    for (size_t i = 0; i < strokes.size(); ++i) {
        if (i >= static_cast<size_t>(kMaxMacroStrokes))
            return at(MacroFile::strokes, i,
                "a stroke beyond the " + std::to_string(kMaxMacroStrokes) + " a macro can hold");
        const std::string shown = "stroke " + exportValue(strokes[i]);
        if (strokes[i].find(',') == std::string::npos)
            return at(MacroFile::strokes, i, shown + " has no comma between the modifier and the key code");
        const auto [modifier, usage] = splitAtFirstComma(strokes[i]);
        try {
            strToInt(modifier);
            strToInt(usage);
        } catch (const UiError& e) {
            return at(MacroFile::strokes, i, shown + ": " + e.what());
        }
    }
    return std::nullopt;
}

void validateMacroSet(const MacroSet& set, const std::vector<int>& keys)
{
    for (const auto& [key, files] : set)
        if (std::find(keys.begin(), keys.end(), key) == keys.end())
            throw UiError("Key " + std::to_string(key) + " is not a key of the keypad");
    for (const int key : keys) {
        const auto it = set.find(key);
        if (it == set.end())
            throw UiError("The macro of key " + std::to_string(key) + " is missing");
        if (const auto p = macroProblem(it->second))
            throw UiError(macroFileName(p->file, key) + " line " + std::to_string(p->line) + ": " + p->why);
    }
}

} // namespace pm
