#include "storage/macro_files.h"

#include <algorithm>

#include "base/errors.h"
#include "base/paths.h"
#include "base/text.h"

namespace pm {

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

void readMacroFiles(
    const std::string& appDir, int key, LineList& keyNum, LineList& keyCode, LineList& lineBuf)
{
    keyNum.loadFromFile(platformPath(appDir, strokeFileLiteral(key)));
    keyCode.loadFromFile(platformPath(appDir, textFileLiteral(key)));
    lineBuf.loadFromFile(platformPath(appDir, lineFileLiteral(key)));
}

void requireDisplayLineLimit(const std::string& appDir, int key, const LineList& keyCode)
{
    // The per-line tables have 40 entries; a longer, hand-edited text file
    // would have its lines written past them.
    if (keyCode.count() > kMacroLineTableSize)
        throw UiError("Cannot load the macro of key " + std::to_string(key) + ": \""
            + platformPath(appDir, textFileLiteral(key)) + "\" has " + std::to_string(keyCode.count())
            + " display lines; at most " + std::to_string(kMacroLineTableSize) + " are allowed");
}

void parseLineTables(
    const LineList& keyCode, const LineList& lineBuf, LineLenTable& lineLen, LineStrokesTable& lineStrokes)
{
    const int lines = std::min(keyCode.count(), kMacroLineTableSize);
    for (int i = 0; i < lines; ++i) {
        const auto [len, strokes] = splitAtFirstComma(lineBuf.line(i));
        lineLen[static_cast<size_t>(i)] = strToInt(len);
        lineStrokes[static_cast<size_t>(i)] = static_cast<uint8_t>(strToInt(strokes));
    }
}

void storeMacro(const std::string& appDir, int key, const LineList& keyCode, const LineList& keyNum,
    LineList& lineBuf, const LineLenTable& lineLen, const LineStrokesTable& lineStrokes)
{
    keyCode.saveToFile(platformPath(appDir, textFileLiteral(key)));
    keyNum.saveToFile(platformPath(appDir, strokeFileLiteral(key)));

    lineBuf.clear();
    for (int i = 0; i < keyCode.count(); ++i) {
        // The tables end at 40 entries; no longer macro can be loaded or recorded.
        const bool inTable = i < kMacroLineTableSize;
        const int32_t len = inTable ? lineLen[static_cast<size_t>(i)] : 0;
        const int strokes = inTable ? lineStrokes[static_cast<size_t>(i)] : 0;
        lineBuf.add(std::to_string(len) + "," + std::to_string(strokes));
    }
    lineBuf.saveToFile(platformPath(appDir, lineFileLiteral(key)));
}

} // namespace pm
