// The export of all macros: what a person reads in it, that importing it
// gives back every file byte for byte, and what an import refuses.
#include "keypad_test_support.h"
#include "macro_set_support.h"

#include "base/text.h"
#include "storage/macro_export.h"
#include "storage/macro_text.h"

using namespace pmtest;
using pm::KeyFiles;
using pm::MacroSet;

namespace {

bool contains(const std::string& text, const std::string& line)
{
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

// An export whose key 40 block holds block (line 3 on) and every other key empty.
std::string exportWith(const std::string& block)
{
    std::string text = "format padmacro-macros 1\nkey 40\n" + block;
    for (const int k : allKeys())
        if (k != 40)
            text += "key " + std::to_string(k) + "\n";
    return text;
}

} // namespace

TEST(MacroExport, OrdinaryMacrosReadPlainlyAndComeBackByteForByte)
{
    MacroSet set = emptySet();
    set[40] = {"0,41\r\n2,20\r\n4,98\r\n4,93\r\n", "Esc\r\nShift+Q\r\nAlt+6+5\r\n", "3,0\r\n7,0\r\n7,2\r\n"};
    set[3] = {"0,08\r\n", "Shift+\xA1\xA8\r\n \r\nShift+\r\n", "8,0\r\n1,0\r\n6,0\r\n"};
    set[0] = {"", "\"quoted\\\r\n", "8,0\r\n"};
    pm::ExportNotes notes{{"Saved by a test"}, {{40, "ESC, MOD0"}, {3, "S, MOD1\nnot a line"}}};

    const std::string text = pm::exportMacros(set, notes);
    EXPECT_TRUE(contains(text, "# Saved by a test"));
    EXPECT_TRUE(contains(text, "format padmacro-macros 1"));
    EXPECT_TRUE(contains(text,
        "key 40  # ESC, MOD0\ntext Esc\nlength 3,0\ntext Shift+Q\nlength 7,0\n"
        "text Alt+6+5\nlength 7,2\nstroke 0,41\nstroke 2,20\nstroke 4,98"));
    EXPECT_TRUE(contains(text,
        "key 3  # S, MOD1 not a line\ntext Shift+\xE2\x80\x9D\nlength 8,0\n"
        "text \" \"\nlength 1,0\ntext Shift+\nlength 6,0\nstroke 0,08"));
    EXPECT_TRUE(contains(text, "text \"\\\"quoted\\\\\""));
    EXPECT_TRUE(contains(text, "key 1"));
    EXPECT_EQ(pm::importMacros(text, allKeys()), set);
}

TEST(MacroExport, OddFilesComeBackByteForByte)
{
    MacroSet set = emptySet();
    // Breaks other than CR LF and a missing final break.
    set[8] = {"0,41\n0,43", "Esc\rTab\r\n", "3,0\r\n3,0"};
    // Blanks at the ends, a control byte, double-byte text other than the
    // quotation mark, and the quotation mark's bytes split across two pairs.
    set[9] = {" 2, 20\r\n", " a \r\n\x01\r\n\xA4\x40\xA1\xA8\r\n\xB0\xA1\xA8\xC0\r\n\xFF\r\n",
        "3,0\r\n1,0\r\n4,0\r\n4,0\r\n1,0\r\n"};
    set[10] = {"", "\r\n", "0,0\r\n"};

    const std::string text = pm::exportMacros(set);
    EXPECT_TRUE(contains(text, "stroke-file \"0,41\\x0A0,43\""));
    EXPECT_TRUE(contains(text, "text-file \"Esc\\x0DTab\\x0D\\x0A\""));
    EXPECT_TRUE(contains(text, "text \"\\xA4\\x40\xE2\x80\x9D\""));
    EXPECT_TRUE(contains(text, "text \"\\xB0\\xA1\\xA8\\xC0\""));
    EXPECT_EQ(pm::importMacros(text, allKeys()), set);
}

TEST(MacroExport, ValuesHoldOnlyWhatTheEightBitTextCan)
{
    EXPECT_EQ(pm::exportValue("a\\b\"c"), "a\\b\"c");
    EXPECT_EQ(pm::exportValue(""), "\"\"");
    EXPECT_EQ(pm::importValue("\"\\x41\\xa1\\xA8\xE2\x80\x9D\""), "A\xA1\xA8\xA1\xA8");
    EXPECT_EQ(pm::importValue("#1"), "#1");
    EXPECT_TRUE(pm::isPlainDecimal("007"));
    for (const char* bad : {"", "-1", "+1", " 1", "1 ", "1a"})
        EXPECT_FALSE(pm::isPlainDecimal(bad)) << bad;
}

TEST(MacroImport, EachBadLineIsNamedWithItsNumberAndWhy)
{
    std::string strokes31, lines41;
    for (int i = 0; i < 31; ++i)
        strokes31 += "stroke 0,20\n";
    for (int i = 0; i < 41; ++i)
        lines41 += "text q\nlength 1,0\n";
    const std::pair<std::string, std::string> cases[] = {
        {"stroke 2\n", "line 3: stroke 2 has no comma between the modifier and the key code"},
        {"stroke 2,x\n", "line 3: stroke 2,x: 'x' is not a valid integer value"},
        {"stroke 9999999999,4\n", "line 3: stroke 9999999999,4: '9999999999' is not a valid integer value"},
        {strokes31, "line 33: a stroke beyond the 30 a macro can hold"},
        {lines41, "line 83: a display line beyond the 40 a macro can hold"},
        {"text Esc\nstroke 0,41\n", "line 3: display line Esc has no length line"},
        {"text Esc\nlength 3\n", "line 4: length 3 has no comma between the byte length and the strokes"},
        {"text Esc\nlength 3, 0\n", "line 4: length 3, 0: both numbers must be plain decimal digits"},
        {"text Esc\nlength +3,0\n", "line 4: length +3,0: both numbers must be plain decimal digits"},
        {"text Shift+\xE2\x80\x9D\nlength 7,0\n",
            "line 4: length 7,0 does not match display line Shift+\xE2\x80\x9D, which is 8 bytes long"},
        {"length 3,0\n", "line 3: length 3,0 has no display line"},
        {"text Alt+6+5\nlength 7,3\nstroke 4,98\nstroke 4,93\n",
            "line 4: length 7,3: the Alt-code lines so far cover 3 strokes but the macro has 2"},
        {"text-file \"Esc\\x0ATab\"\nlength-file \"3,0\\x0A4,0\"\n",
            "line 4: line 2 of the file: length 4,0 does not match display line Tab, which is 3 bytes long"},
        {"text caf\xC3\xA9\n",
            "line 3: \"\xC3\xA9\" (U+00E9) cannot be stored in the keypad's 8-bit text; only "
            "printable ASCII, \"\xE2\x80\x9D\" and \\xHH escapes inside quotes can"},
        {"text \xE9t\xE9\n", "line 3: the text is not UTF-8"},
        // An overlong slash, a surrogate, a code point past U+10FFFF, a cut sequence.
        {"text a\xC0\xAF\n", "line 3: the text is not UTF-8"},
        {"text a\xED\xA0\x80\n", "line 3: the text is not UTF-8"},
        {"text a\xF4\x90\x80\x80\n", "line 3: the text is not UTF-8"},
        {"text a\xE2\x80\n", "line 3: the text is not UTF-8"},
        {"text a\tb\n", "line 3: a control character (U+0009) must be written as \\x09 inside quotes"},
        {"text  Esc\n", "line 3: blanks at the start or end of a value must be inside quotes"},
        {"text\n", "line 3: the value is missing; an empty line is written \"\""},
        {"text \"Esc\n", "line 3: the closing quote is missing"},
        {"text \"Esc\"c\n", "line 3: text after the closing quote"},
        {"text \"\\q\"\n",
            "line 3: malformed escape at \"\\q\"\"; inside quotes write \\\\, \\\" or \\x and two hex "
            "digits"},
        {"text \"\\x4\"\n",
            "line 3: malformed escape at \"\\x4\"\"; inside quotes write \\\\, \\\" or \\x and two hex "
            "digits"},
        {"text \"a\\x0Db\"\n", "line 3: a line cannot hold a line break; give the whole file with text-file"},
        {"text-file a\ntext-file a\n", "line 4: text-file given twice for one key"},
        {"text-file a\ntext a\n", "line 4: text after text-file of the same file"},
        {"text a\ntext-file a\n", "line 4: text-file after text lines of the same file"},
        {"Text Esc\n", "line 3: expected key, text, length, stroke, text-file, length-file or stroke-file"},
        {"key 5\n", "line 3: unknown key number 5"},
        {"key x\n", "line 3: \"x\" is not a key number"},
        {"key 41 42\n", "line 3: after the key number only a # comment may follow"},
        {"key 40\n", "line 3: key 40 appears twice (first on line 2)"},
    };
    for (const auto& [block, message] : cases)
        EXPECT_EQ(uiErrorOf([&] { pm::importMacros(exportWith(block), allKeys()); }), message) << block;
}

TEST(MacroImport, TheFileAsAWholeMustBeAnExportOfEveryKey)
{
    const std::string full = exportWith("");
    const std::pair<std::string, std::string> cases[] = {
        {"", "line 1: the format line \"format padmacro-macros 1\" is missing"},
        {"# only a comment\n", "line 1: the format line \"format padmacro-macros 1\" is missing"},
        {"key 40\n", "line 1: expected the format line \"format padmacro-macros 1\" first"},
        {"format other 1\n", "line 1: not a padmacro macro export"},
        {"format padmacro-macros 2\n",
            "line 1: format \"padmacro-macros 2\" is not supported; this program reads \"padmacro-macros "
            "1\""},
        {"format padmacro-macros 1\ntext Esc\n", "line 2: text before the first key line"},
        {full.substr(0, full.rfind("key")),
            "line 26: key 43 is missing; every key must appear (an empty block "
            "clears it)"},
        // The first problem wins, even when a later key has one too.
        {"format padmacro-macros 1\nkey 0\ntext Esc\nkey 1\nstroke x\n",
            "line 3: display line Esc has no length line"},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(uiErrorOf([&] { pm::importMacros(text, allKeys()); }), message) << text;
}

TEST(MacroImport, CommentsBlankLinesAndWindowsBreaksAreIgnored)
{
    std::string text = "\xEF\xBB\xBF# saved on Windows\r\n\r\nformat padmacro-macros 1\r\n";
    for (const int k : allKeys())
        text += "key " + std::to_string(k) + "\t# a comment\r\n  # indented comment\r\n \t\r\n";
    text += "key 40 # was given above\r\n";
    // A duplicate hidden behind CR LF is still found; without it all reads.
    EXPECT_EQ(uiErrorOf([&] { pm::importMacros(text, allKeys()); }),
        "line 82: key 40 appears twice (first on line 70)");
    text.resize(text.rfind("key 40 #"));
    EXPECT_EQ(pm::importMacros(text + "\n", allKeys()), emptySet());
}

TEST(MacroChecks, AStoredSetIsCheckedFileByFile)
{
    MacroSet set = emptySet();
    EXPECT_NO_THROW(pm::validateMacroSet(set, allKeys()));
    set[41] = {"0,41\r\n", "Esc\r\nTab\r\n", "3,0\r\n3,1,\r\n"};
    EXPECT_EQ(uiErrorOf([&] { pm::validateMacroSet(set, allKeys()); }),
        "LineBuf41.txt line 2: length 3,1,: both numbers must be plain decimal digits");
    set[41].lines = "3,0\r\n3,1\r\n";
    EXPECT_NO_THROW(pm::validateMacroSet(set, allKeys()));
    set[5];
    EXPECT_EQ(uiErrorOf([&] { pm::validateMacroSet(set, allKeys()); }), "Key 5 is not a key of the keypad");
    set.erase(5);
    set.erase(43);
    EXPECT_EQ(uiErrorOf([&] { pm::validateMacroSet(set, allKeys()); }), "The macro of key 43 is missing");
}
