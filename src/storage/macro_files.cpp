#include "storage/macro_files.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <sstream>
#include <string_view>

#include "base/errors.h"
#include "base/paths.h"
#include "base/text.h"

namespace fs = std::filesystem;

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

constexpr std::string_view kJournalPrefix = ".store-";
constexpr std::string_view kJournalSuffix = ".journal";
constexpr std::string_view kJournalMagic = "padmacro-store 1";

// 16 hex digits of the bytes' FNV-1a hash: enough to tell a torn journal.
std::string checksum(std::string_view bytes)
{
    uint64_t h = 14695981039346656037ull;
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

std::string logFolderOf(const std::string& appDir, int key)
{
    // Beside the key's files, in whatever letter case the folder has.
    const fs::path text = findExisting(platformPath(appDir, textFileLiteral(key)));
    return text.parent_path().string();
}

std::string journalPath(const std::string& appDir, int key)
{
    return (fs::path(logFolderOf(appDir, key))
        / (std::string(kJournalPrefix) + std::to_string(key) + std::string(kJournalSuffix)))
        .string();
}

struct StoredFiles {
    std::string text, strokes, lines;
};

// "padmacro-store 1 KEY TEXT STROKES LINES CHECK\n" and the three files' bytes.
std::string journalBytes(int key, const StoredFiles& f)
{
    const std::string payload = f.text + f.strokes + f.lines;
    const std::string check = checksum(payload);
    return std::string(kJournalMagic) + " " + std::to_string(key) + " " + std::to_string(f.text.size()) + " "
        + std::to_string(f.strokes.size()) + " " + std::to_string(f.lines.size()) + " " + check + "\n"
        + payload;
}

std::optional<StoredFiles> parseJournal(int key, const std::string& bytes)
{
    const size_t eol = bytes.find('\n');
    if (eol == std::string::npos)
        return std::nullopt;
    std::istringstream header(bytes.substr(0, eol));
    std::string magic, version, check;
    int k = -1;
    size_t sizes[3] = {};
    header >> magic >> version >> k >> sizes[0] >> sizes[1] >> sizes[2] >> check;
    if (!header || magic + " " + version != kJournalMagic || k != key)
        return std::nullopt;
    const std::string payload = bytes.substr(eol + 1);
    if (sizes[0] > payload.size() || sizes[1] > payload.size() || sizes[2] > payload.size()
        || sizes[0] + sizes[1] + sizes[2] != payload.size())
        return std::nullopt;
    if (check != checksum(payload))
        return std::nullopt;
    return StoredFiles{
        payload.substr(0, sizes[0]), payload.substr(sizes[0], sizes[1]), payload.substr(sizes[0] + sizes[1])};
}

// The text, stroke and line files, in that order; beforeLineFile runs once
// the first two are written (a store refreshes the editor's LineBuf there).
void writeStoredFiles(const std::string& appDir, int key, const StoredFiles& f,
    const std::function<void()>& beforeLineFile = {})
{
    replaceWholeFileUnsynced(platformPath(appDir, textFileLiteral(key)), f.text);
    replaceWholeFileUnsynced(platformPath(appDir, strokeFileLiteral(key)), f.strokes);
    if (beforeLineFile)
        beforeLineFile();
    // The journal stands for the renames until this one sync makes all three last.
    syncFolder(replaceWholeFileUnsynced(platformPath(appDir, lineFileLiteral(key)), f.lines));
}

void dropJournal(const std::string& path)
{
    if (beforeFileChange("unlink", path) == 0 && ::remove(path.c_str()) == 0) {
        try {
            syncFolder(fs::path(path).parent_path().string());
        } catch (const UiError&) {
            // The files are whole either way; a journal seen again is replayed.
        }
    }
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
    LineList lines;
    for (int i = 0; i < text.count(); ++i) {
        // The tables end at 40 entries; no longer macro can be loaded or recorded.
        const bool inTable = i < kMacroLineTableSize;
        const int32_t len = inTable ? macro.LineLen[static_cast<size_t>(i)] : 0;
        const int strokes = inTable ? macro.LineStrokes[static_cast<size_t>(i)] : 0;
        lines.add(std::to_string(len) + "," + std::to_string(strokes));
    }
    const StoredFiles next{text.toFileBytes(), macro.KeyNum.toFileBytes(), lines.toFileBytes()};

    // A text file with more display lines than its line file is a key the
    // editor cannot load: a crash between the files is mended from the journal.
    const std::string journal = journalPath(appDir, key);
    replaceWholeFile(journal, journalBytes(key, next), platformPath(appDir, textFileLiteral(key)));
    try {
        writeStoredFiles(appDir, key, next, [&] { macro.LineBuf = lines; });
    } catch (...) {
        // A store that failed is reported as such and not finished later.
        dropJournal(journal);
        throw;
    }
    dropJournal(journal);
}

bool isStoreJournalName(const std::string& name)
{
    if (!name.starts_with(kJournalPrefix) || !name.ends_with(kJournalSuffix))
        return false;
    const std::string_view number(
        name.data() + kJournalPrefix.size(), name.size() - kJournalPrefix.size() - kJournalSuffix.size());
    return number.size() <= 3 && isPlainDecimal(number);
}

std::vector<std::string> replayStoreJournals(const std::string& appDir)
{
    std::vector<std::string> done;
    const fs::path log = findExisting(platformPath(appDir, "\\log"));
    std::vector<std::string> journals;
    std::error_code ec;
    for (fs::directory_iterator it(log, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (isStoreJournalName(name) && it->is_regular_file(ec) && !it->is_symlink(ec))
            journals.push_back(name);
    }
    std::sort(journals.begin(), journals.end());
    for (const std::string& name : journals) {
        const int key = std::stoi(name.substr(kJournalPrefix.size()));
        const std::string path = (log / name).string();
        // A journal holds three small files; anything larger is not one.
        const BoundedRead journal = readRegularFile(path, 1 << 20);
        const std::optional<StoredFiles> files = journal.notRegular.empty() && !journal.tooLarge
            ? parseJournal(key, journal.bytes)
            : std::nullopt;
        if (files) {
            writeStoredFiles(appDir, key, *files);
            done.push_back("The macro of key " + std::to_string(key)
                + " was being stored when the program stopped; it is now stored whole.");
        } else {
            done.push_back("An unfinished store of key " + std::to_string(key)
                + " was dropped; the key keeps its previous macro.");
        }
        dropJournal(path);
    }
    return done;
}

} // namespace pm
