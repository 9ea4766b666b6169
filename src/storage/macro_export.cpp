#include "storage/macro_export.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include "base/errors.h"
#include "base/text.h"
#include "storage/macro_text.h"

namespace pm {

namespace {

constexpr std::string_view kIntroduction
    = "# padmacro macros: the three macro files of every key of the keypad.\n"
      "#\n"
      "# \"key N\" starts the macro of device key number N; an empty block clears the key.\n"
      "# Below it, in the order of each file:\n"
      "#   text X     a display line of the editor (KeyCode file)\n"
      "#   length X   that line's byte length and the strokes of an Alt-code line (LineBuf file)\n"
      "#   stroke X   a key stroke: modifier byte, comma, key code (KeyNum file)\n"
      "#   text-file X, length-file X, stroke-file X   a whole file whose line breaks are not CR LF\n"
      "# Each file line ends in CR LF. \"\xE2\x80\x9D\" is the double-byte quotation mark. A value with\n"
      "# blanks at either end or other bytes is quoted: inside the double quotes \\xHH is one\n"
      "# byte, \\\\ a backslash, \\\" a quote. Comments take whole lines starting with #.\n";

struct Kind {
    MacroFile file;
    std::string_view line;  // keyword of one line
    std::string_view whole; // keyword of the whole file
};
constexpr std::array<Kind, 3> kKinds = {{
    {MacroFile::text, "text", "text-file"},
    {MacroFile::lines, "length", "length-file"},
    {MacroFile::strokes, "stroke", "stroke-file"},
}};

// The lines of bytes when each ends in CR LF and holds no other break.
std::optional<std::vector<std::string>> crlfLines(const std::string& bytes)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos || bytes.compare(end, 2, "\r\n") != 0)
            return std::nullopt;
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// One line of comment text: breaks and other control characters would end
// the comment early.
std::string commentText(std::string s)
{
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    return s;
}

void writeBlock(std::string& out, int key, const KeyFiles& files, const ExportNotes& notes)
{
    out += "\nkey " + std::to_string(key);
    if (const auto it = notes.keyComments.find(key); it != notes.keyComments.end())
        out += "  # " + commentText(it->second);
    out += '\n';

    std::array<std::optional<std::vector<std::string>>, 3> lines;
    auto wholeIfOdd = [&](size_t k) {
        if (!lines[k])
            out += std::string(kKinds[k].whole) + " " + exportValue(bytesOf(files, kKinds[k].file)) + "\n";
    };
    for (size_t k = 0; k < kKinds.size(); ++k)
        lines[k] = crlfLines(bytesOf(files, kKinds[k].file));
    // Each display line with its length line, then the strokes.
    wholeIfOdd(0);
    wholeIfOdd(1);
    const auto& text = lines[0];
    const auto& lengths = lines[1];
    const size_t rows = std::max(text ? text->size() : 0, lengths ? lengths->size() : 0);
    for (size_t i = 0; i < rows; ++i) {
        if (text && i < text->size())
            out += "text " + exportValue((*text)[i]) + "\n";
        if (lengths && i < lengths->size())
            out += "length " + exportValue((*lengths)[i]) + "\n";
    }
    wholeIfOdd(2);
    if (lines[2])
        for (const auto& s : *lines[2])
            out += "stroke " + exportValue(s) + "\n";
}

// What a key's block has given so far, with the export line of each part.
struct Block {
    int key = 0;
    int keyLine = 0;
    std::array<std::vector<std::pair<std::string, int>>, 3> lines; // per kind: bytes, export line
    std::array<std::optional<std::pair<std::string, int>>, 3> whole;
};

[[noreturn]] void fail(int line, const std::string& why)
{
    throw UiError("line " + std::to_string(line) + ": " + why);
}

KeyFiles filesOf(const Block& b)
{
    KeyFiles f;
    for (size_t k = 0; k < kKinds.size(); ++k) {
        std::string& bytes = bytesOf(f, kKinds[k].file);
        if (b.whole[k])
            bytes = b.whole[k]->first;
        for (const auto& [l, n] : b.lines[k])
            bytes += l + "\r\n";
    }
    return f;
}

void checkBlock(const Block& b, const KeyFiles& f)
{
    const auto p = macroProblem(f);
    if (!p)
        return;
    for (size_t k = 0; k < kKinds.size(); ++k) {
        if (kKinds[k].file != p->file)
            continue;
        if (b.whole[k])
            fail(b.whole[k]->second, "line " + std::to_string(p->line) + " of the file: " + p->why);
        const auto i = static_cast<size_t>(p->line - 1);
        if (i < b.lines[k].size())
            fail(b.lines[k][i].second, p->why);
    }
    fail(b.keyLine, p->why);
}

bool blankLine(std::string_view s)
{
    return s.find_first_not_of(" \t") == std::string_view::npos;
}

bool commentLine(std::string_view s)
{
    const size_t i = s.find_first_not_of(" \t");
    return i != std::string_view::npos && s[i] == '#';
}

int parseKeyLine(std::string_view rest, int line, const std::vector<int>& keys)
{
    const size_t end = rest.find_first_of(" \t");
    const std::string_view number = rest.substr(0, end);
    if (end != std::string_view::npos) {
        const std::string_view after = rest.substr(end);
        if (!blankLine(after) && !commentLine(after))
            fail(line, "after the key number only a # comment may follow");
    }
    if (!isPlainDecimal(number) || number.size() > 3)
        fail(line, "\"" + std::string(number) + "\" is not a key number");
    const int key = std::stoi(std::string(number));
    if (std::find(keys.begin(), keys.end(), key) == keys.end())
        fail(line, "unknown key number " + std::to_string(key));
    return key;
}

// Reads an export one line at a time, failing at the first problem.
class ExportReader {
public:
    explicit ExportReader(const std::vector<int>& keys)
        : keys_(keys)
    {
    }

    // The next line of the export, without its line feed.
    void read(std::string_view s);
    // Every key's files, once the whole export is read.
    MacroSet finish();

private:
    void readFormatLine(std::string_view s, std::string_view value);
    void startBlock(std::string_view value);
    void readFileLine(std::string_view keyword, std::string_view value);
    void finishBlock();

    const std::vector<int>& keys_;
    MacroSet set_;
    std::map<int, int> seenOn_; // key -> its key line
    std::optional<Block> block_;
    bool formatSeen_ = false;
    int line_ = 0;
};

void ExportReader::read(std::string_view s)
{
    ++line_;
    if (s.size() > kMaxExportLineBytes)
        fail(line_,
            "the line is " + std::to_string(s.size()) + " bytes long; a line of an export holds at most "
                + std::to_string(kMaxExportLineBytes));
    if (!s.empty() && s.back() == '\r')
        s.remove_suffix(1);
    if (line_ == 1 && s.substr(0, 3) == "\xEF\xBB\xBF") // a byte order mark some editors add
        s.remove_prefix(3);
    if (blankLine(s) || commentLine(s))
        return;

    const size_t space = s.find(' ');
    const std::string_view keyword = s.substr(0, space);
    const std::string_view value = space == std::string_view::npos ? std::string_view() : s.substr(space + 1);
    if (!formatSeen_) {
        if (keyword != "format")
            fail(line_, "expected the format line \"" + std::string(kExportFormatLine) + "\" first");
        readFormatLine(s, value);
    } else if (keyword == "key") {
        startBlock(value);
    } else {
        readFileLine(keyword, value);
    }
}

void ExportReader::readFormatLine(std::string_view s, std::string_view value)
{
    if (value.substr(0, 16) != "padmacro-macros ")
        fail(line_, "not a padmacro macro export");
    if (s != kExportFormatLine)
        fail(line_,
            "format \"" + std::string(value) + "\" is not supported; this program reads \""
                + std::string(kExportFormatLine.substr(7)) + "\"");
    formatSeen_ = true;
}

void ExportReader::startBlock(std::string_view value)
{
    finishBlock();
    const int key = parseKeyLine(value, line_, keys_);
    if (const auto it = seenOn_.find(key); it != seenOn_.end())
        fail(line_,
            "key " + std::to_string(key) + " appears twice (first on line " + std::to_string(it->second)
                + ")");
    seenOn_[key] = line_;
    block_.emplace();
    block_->key = key;
    block_->keyLine = line_;
}

// A "text", "length" or "stroke" line, or the whole file of one of them.
void ExportReader::readFileLine(std::string_view keyword, std::string_view value)
{
    const auto kind = std::find_if(
        kKinds.begin(), kKinds.end(), [&](const Kind& k) { return keyword == k.line || keyword == k.whole; });
    if (kind == kKinds.end())
        fail(line_, "expected key, text, length, stroke, text-file, length-file or stroke-file");
    if (!block_)
        fail(line_, std::string(keyword) + " before the first key line");
    const auto k = static_cast<size_t>(kind - kKinds.begin());
    std::string bytes;
    try {
        bytes = importValue(value);
    } catch (const UiError& e) {
        fail(line_, e.what());
    }
    if (keyword == kind->whole) {
        if (block_->whole[k])
            fail(line_, std::string(kind->whole) + " given twice for one key");
        if (!block_->lines[k].empty())
            fail(line_,
                std::string(kind->whole) + " after " + std::string(kind->line) + " lines of the same file");
        block_->whole[k] = {bytes, line_};
    } else {
        if (block_->whole[k])
            fail(line_, std::string(kind->line) + " after " + std::string(kind->whole) + " of the same file");
        if (bytes.find_first_of("\r\n") != std::string::npos)
            fail(line_,
                "a line cannot hold a line break; give the whole file with " + std::string(kind->whole));
        block_->lines[k].emplace_back(std::move(bytes), line_);
    }
}

void ExportReader::finishBlock()
{
    if (!block_)
        return;
    KeyFiles f = filesOf(*block_);
    checkBlock(*block_, f);
    set_[block_->key] = std::move(f);
    block_.reset();
}

MacroSet ExportReader::finish()
{
    if (!formatSeen_)
        fail(std::max(line_, 1), "the format line \"" + std::string(kExportFormatLine) + "\" is missing");
    finishBlock();
    for (const int key : keys_)
        if (!seenOn_.count(key))
            fail(line_,
                "key " + std::to_string(key)
                    + " is missing; every key must appear (an empty block clears it)");
    return std::move(set_);
}

} // namespace

std::string exportMacros(const MacroSet& set, const ExportNotes& notes)
{
    std::string out(kIntroduction);
    if (!notes.header.empty()) {
        out += "#\n";
        for (const auto& h : notes.header)
            out += "# " + commentText(h) + "\n";
    }
    out += std::string(kExportFormatLine) + "\n";
    for (const auto& [key, files] : set)
        writeBlock(out, key, files, notes);
    return out;
}

MacroSet importMacros(const std::string& text, const std::vector<int>& keys)
{
    ExportReader reader(keys);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        reader.read(std::string_view(text.data() + pos, end - pos));
        pos = end + 1;
    }
    return reader.finish();
}

} // namespace pm
