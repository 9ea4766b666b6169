#include "app/macro_keeping.h"

#include <istream>

#include "base/errors.h"
#include "base/paths.h"
#include "keypad/key_table.h"
#include "storage/macro_export.h"
#include "storage/macro_set.h"

namespace pm {

namespace {

std::string logDirOf(const std::string& appDir)
{
    return platformPath(appDir, "\\log");
}

ExportNotes exportNotes(const std::string& appDir)
{
    ExportNotes notes;
    notes.header.push_back("The macros of " + logDirOf(appDir) + ".");
    for (const int n : macroKeyNumbers())
        notes.keyComments[n] = keyDescription(n);
    return notes;
}

} // namespace

std::vector<int> macroKeyNumbers()
{
    return {kDeviceKeyNumbers.begin(), kDeviceKeyNumbers.end()};
}

std::string keyDescription(int n)
{
    const KeyOwner owner = ownerOfNumber(static_cast<unsigned>(n));
    if (!owner.key)
        return "no key";
    return std::string(owner.key->editorName) + ", " + layoutName(owner.mode);
}

std::string exportMacroText(const std::string& appDir)
{
    return exportMacros(readMacroSet(logDirOf(appDir), macroKeyNumbers()), exportNotes(appDir));
}

void exportMacroFile(const std::string& appDir, const std::string& path)
{
    replaceWholeFile(path, exportMacroText(appDir));
}

ImportResult importMacroText(const std::string& appDir, const std::string& text, const std::string& source)
{
    MacroSet next;
    try {
        next = importMacros(text, macroKeyNumbers());
    } catch (const UiError& e) {
        throw UiError("Cannot import \"" + source + "\": " + e.what());
    }
    const ReplaceOutcome done
        = replaceMacroSet(logDirOf(appDir), next, macroKeyNumbers(), exportNotes(appDir));
    return {done.backupPath};
}

namespace {

[[noreturn]] void tooLarge(const std::string& source)
{
    throw UiError("Cannot import \"" + source + "\": it holds more than " + std::to_string(kMaxImportBytes)
        + " bytes, far more than any export; nothing was changed");
}

} // namespace

ImportResult importMacroFile(const std::string& appDir, const std::string& path)
{
    const BoundedRead file = readRegularFile(path, kMaxImportBytes);
    if (!file.notRegular.empty())
        throw UiError("Cannot import \"" + path + "\": it is " + file.notRegular
            + ", not a file; name an exported file; nothing was changed");
    if (file.tooLarge)
        tooLarge(path);
    return importMacroText(appDir, file.bytes, path);
}

ImportResult importMacroStream(const std::string& appDir, std::istream& in, const std::string& source)
{
    std::string text;
    char buf[65536];
    std::streamsize n = 0;
    while (text.size() <= kMaxImportBytes && in.rdbuf() && (n = in.rdbuf()->sgetn(buf, sizeof buf)) > 0)
        text.append(buf, static_cast<size_t>(n));
    if (text.size() > kMaxImportBytes)
        tooLarge(source);
    return importMacroText(appDir, text, source);
}

std::vector<std::string> recoverMacros(const std::string& appDir)
{
    std::vector<std::string> done = recoverMacroSet(logDirOf(appDir), macroKeyNumbers());
    for (std::string& m : replayStoreJournals(appDir))
        done.push_back(std::move(m));
    return done;
}

std::string exportedMessage(const std::string& path)
{
    return std::string("The macros of ") + kAllKeyNumbers + " were exported to " + path + ".";
}

std::string importedMessage(const std::string& source, const ImportResult& result)
{
    return "The macros were imported from " + source + ". The previous macros were kept in "
        + result.backupPath + ".";
}

} // namespace pm
