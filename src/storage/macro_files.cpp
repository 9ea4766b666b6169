#include "storage/macro_files.h"

#include <algorithm>

#include "base/errors.h"
#include "base/paths.h"
#include "base/text.h"

namespace pm {

namespace {

// The files hold plain digits only: a sign or a blank is refused like any
// other bad number, so a count such as "-1" never becomes 255.
int32_t plainNumber(const std::string& text)
{
    if (!isPlainDecimal(text))
        throwNotInteger(text);
    return strToInt(text);
}

} // namespace

std::string strokeFileLiteral(int key)
{
    return "\\log\\KeyNum" + std::to_string(key) + ".txt";
}

std::string textFileLiteral(int key)
{
    return "\\log\\KeyCode" + std::to_string(key) + ".txt";
}

std::string lineFileLiteral(int key)
{
    return "\\log\\LineBuf" + std::to_string(key) + ".txt";
}

int probeMacro(const std::string& appDir, int key, LineList& probe)
{
    probe.loadFromFile(platformPath(appDir, textFileLiteral(key)));
    return probe.count();
}

void readMacroFiles(const std::string& appDir, int key, Macro& macro)
{
    macro.KeyNum.loadFromFile(platformPath(appDir, strokeFileLiteral(key)));
    macro.KeyCode.loadFromFile(platformPath(appDir, textFileLiteral(key)));
    macro.LineBuf.loadFromFile(platformPath(appDir, lineFileLiteral(key)));
}

void requireDisplayLineLimit(const std::string& appDir, int key, const Macro& macro)
{
    // The per-line tables have 40 entries; a longer, hand-edited text file
    // would have its lines written past them.
    if (macro.KeyCode.count() > kMacroLineTableSize)
        throw UiError("Cannot load the macro of key " + std::to_string(key) + ": \""
            + platformPath(appDir, textFileLiteral(key)) + "\" has " + std::to_string(macro.KeyCode.count())
            + " display lines; at most " + std::to_string(kMacroLineTableSize) + " are allowed");
}

void parseLineTables(Macro& macro)
{
    const int lines = std::min(macro.KeyCode.count(), kMacroLineTableSize);
    for (int i = 0; i < lines; ++i) {
        const auto [len, strokes] = splitAtFirstComma(macro.LineBuf.line(i));
        macro.LineLen[static_cast<size_t>(i)] = plainNumber(len);
        macro.LineStrokes[static_cast<size_t>(i)] = static_cast<uint8_t>(plainNumber(strokes));
    }
}

void storeMacro(const std::string& appDir, int key, Macro& macro, int displayLines)
{
    LineList text = macro.KeyCode;
    if (displayLines >= 0)
        while (text.count() > displayLines)
            text.deleteLast();
    text.saveToFile(platformPath(appDir, textFileLiteral(key)));
    macro.KeyNum.saveToFile(platformPath(appDir, strokeFileLiteral(key)));

    macro.LineBuf.clear();
    for (int i = 0; i < text.count(); ++i) {
        // The tables end at 40 entries; no longer macro can be loaded or recorded.
        const bool inTable = i < kMacroLineTableSize;
        const int32_t len = inTable ? macro.LineLen[static_cast<size_t>(i)] : 0;
        const int strokes = inTable ? macro.LineStrokes[static_cast<size_t>(i)] : 0;
        macro.LineBuf.add(std::to_string(len) + "," + std::to_string(strokes));
    }
    macro.LineBuf.saveToFile(platformPath(appDir, lineFileLiteral(key)));
}

} // namespace pm
