// padmacroctl's verbs through ctl::run over a simulated keypad, a throw-away
// application folder and clocks that tick at once.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/folder_lock.h"
#include "app/macro_keeping.h"
#include "app/scheduler.h"
#include "cli/ctl.h"
#include "device/hid_sim.h"
#include "unit/keypad_test_support.h"
#include "unit/macro_set_support.h"

namespace pm::ctl {
namespace {

using pmtest::TempAppDir;
namespace fs = std::filesystem;

// Ticks at once; before each tick's wait the keypad's keystrokes reach the terminal.
class InstantClock : public TickClock {
public:
    explicit InstantClock(SimulatedKeypad* typist)
        : typist_(typist)
    {
    }
    void waitForTick(const std::function<void(char)>& typed) override
    {
        if (typist_ != nullptr)
            for (const char c : typist_->takeAcks())
                typed(c);
    }

private:
    SimulatedKeypad* typist_;
};

class CtlTest : public ::testing::Test {
protected:
    TempAppDir dir;
    SimulatedKeypad sim;
    std::istringstream in;
    std::ostringstream out, err;
    std::ostream* sink = &out; // where standard output goes
    bool terminal = true;

    int ctl(std::vector<const char*> args, const std::string& input = {})
    {
        args.insert(args.begin(), "padmacroctl");
        const Invocation inv = parseInvocation(static_cast<int>(args.size()), args.data());
        if (inv.action == Invocation::Action::UsageError) {
            err << inv.error;
            return 2;
        }
        in.str(input);
        Environment env;
        env.backend = &sim;
        env.simulated = &sim;
        env.in = &in;
        env.out = sink;
        env.err = &err;
        const std::string appDir = dir.path();
        env.appDir
            = [appDir](const std::string& explicitDir) { return explicitDir.empty() ? appDir : explicitDir; };
        env.appDirNote = [] { return std::string("NOTE on the folder."); };
        env.inputIsTerminal = terminal;
        // The keypad types into the terminal: here, through the clock.
        env.terminalClock = [this] { return std::make_unique<InstantClock>(&sim); };
        env.plainClock = [] { return std::make_unique<InstantClock>(nullptr); };
        return run(inv, env);
    }

    void plugKeypad()
    {
        sim.add({});
        sim.setAck(SimulatedKeypad::AckMode::On);
    }
};

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream s(text);
    for (std::string line; std::getline(s, line);)
        lines.push_back(line);
    return lines;
}

TEST(CtlCommandLine, MistakesAreUsageErrorsWithAHint)
{
    struct Case {
        std::vector<const char*> args;
        const char* error;
    };
    const Case cases[] = {
        {{"lst"}, "unknown verb 'lst'"},
        {{"--frob", "list"}, "unknown option '--frob'"},
        {{"export"}, "export needs a FILE"},
        {{"import", "a", "b"}, "import takes one FILE"},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"padmacroctl"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const Invocation inv = parseInvocation(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(inv.action, Invocation::Action::UsageError) << c.error;
        EXPECT_EQ(inv.error.rfind(c.error, 0), 0u) << inv.error;
    }
    const char* argv[] = {"padmacroctl", "send", "--demo", "--dir=/x", "-", "40"};
    const Invocation inv = parseInvocation(6, argv);
    EXPECT_EQ(inv.action, Invocation::Action::Run);
    EXPECT_TRUE(inv.demo);
    EXPECT_EQ(inv.dir, "/x");
    EXPECT_EQ(inv.args, (std::vector<std::string>{"-", "40"}));
}

TEST(CtlCommandLine, KeyNumbers)
{
    EXPECT_EQ(parseKeyNumbers({}).size(), 26u);
    EXPECT_EQ(parseKeyNumbers({"43", "0", "43"}), (std::vector<uint8_t>{43, 0}));
    for (const char* bad : {"7", "44", "256", "-1", "+4", " 4", "4x", "0400", ""})
        EXPECT_THROW(parseKeyNumbers({bad}), UsageError) << bad;
}

TEST_F(CtlTest, ListGivesEachInterfaceItsVerdict)
{
    EXPECT_EQ(ctl({"list"}), 0);
    EXPECT_EQ(out.str().rfind("No HID interfaces are present", 0), 0u) << out.str();
    out.str("");
    SimulatedKeypad::Interface oldFirmware;
    oldFirmware.version = 0x0100;
    SimulatedKeypad::Interface denied;
    denied.open = SimulatedKeypad::OpenBehaviour::Denied;
    SimulatedKeypad::Interface keyboard;
    keyboard.usagePage = 0x0001;
    keyboard.usage = 0x0006;
    sim.add(oldFirmware, 0);
    sim.add(denied, 2);
    sim.add(keyboard, 5);
    sim.add({}, 7);
    sim.add({}, 39);
    EXPECT_EQ(ctl({"list"}), 0);
    const std::vector<std::string> lines = linesOf(out.str());
    ASSERT_GE(lines.size(), 16u) << out.str();
    EXPECT_EQ(lines[0], "5 HID interfaces (index, node, vendor:product, version):");
    EXPECT_EQ(lines[1].rfind("0  sim:", 0), 0u) << lines[1];
    EXPECT_NE(lines[1].find("FFFF:0200  version 0100"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[2], "    collection: usage page 000C usage 0001, output report 33 bytes");
    EXPECT_EQ(lines[3], "    not the keypad: version 0100, the keypad has 0101");
    EXPECT_EQ(lines[4].rfind("2  sim:", 0), 0u) << lines[4];
    EXPECT_EQ(lines[6], "    the keypad, but this user may not write to it:");
    EXPECT_NE(out.str().find("install-udev-rule"), std::string::npos);
    EXPECT_NE(
        out.str().find("not the keypad: usage page 0001 usage 0006, the keypad's collection is 000C/0001"),
        std::string::npos);
    // The first usable keypad is the one discovery takes; index 39 is still looked at.
    const std::string text = out.str();
    const size_t at7 = text.find("\n7  sim:");
    const size_t at39 = text.find("\n39  sim:");
    ASSERT_NE(at7, std::string::npos);
    ASSERT_NE(at39, std::string::npos);
    EXPECT_NE(text.find("the keypad: this one is used", at7), std::string::npos);
    EXPECT_LT(text.find("the keypad: this one is used", at7), at39);
    EXPECT_NE(text.find("the keypad as well, but the one at sim:", at39), std::string::npos);
    EXPECT_EQ(sim.openHandleCount(), 0u); // listing opens nothing
}

TEST_F(CtlTest, ShowGivesTheEditorsTextAndTheStrokes)
{
    dir.write("\\log\\KeyCode40.txt", "Shift+Q\r\nEnter\r\n");
    dir.write("\\log\\KeyNum40.txt", "2,20\r\n0,40\r\n");
    dir.write("\\log\\KeyNum0.txt", "0,4\r\n");
    EXPECT_EQ(ctl({"show", "40", "0", "41"}), 0);
    EXPECT_EQ(out.str(),
        "key 40 (ESC, MOD0): 2 strokes\n"
        "  text \"Shift+Q Enter \"\n"
        "  stroke 2,20\n"
        "  stroke 0,40\n"
        "key 0 (NumLock, MOD1): 1 stroke\n"
        "  text \"\"\n"
        "  stroke 0,4\n"
        "key 41 (Tab, MOD0): no macro\n");
    out.str("");
    EXPECT_EQ(ctl({"show"}), 0);
    const std::vector<std::string> lines = linesOf(out.str());
    EXPECT_EQ(
        std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("key "); }),
        26); // every key, both layouts
    EXPECT_EQ(out.str().rfind("key 0 (NumLock, MOD1)", 0), 0u);
}

TEST_F(CtlTest, ExportAndImportThroughTheStandardStreams)
{
    dir.write("\\log\\KeyCode40.txt", "Shift+Q\r\n");
    dir.write("\\log\\LineBuf40.txt", "7,0\r\n");
    dir.write("\\log\\KeyNum40.txt", "2,20\r\n");
    ASSERT_EQ(ctl({"export", "-"}), 0) << err.str();
    const std::string exported = out.str();
    EXPECT_NE(
        exported.find("key 40  # ESC, MOD0\ntext Shift+Q\nlength 7,0\nstroke 2,20\n"), std::string::npos)
        << exported;
    const auto before = dir.logSnapshot();

    // Another set comes in; the exported text brings the first one back.
    dir.write("\\log\\KeyNum40.txt", "0,4\r\n");
    out.str("");
    ASSERT_EQ(ctl({"import", "-"}, exported), 0) << err.str();
    EXPECT_EQ(dir.logSnapshot(), before);
    const std::string said = out.str();
    EXPECT_EQ(
        said.rfind("The macros were imported from standard input. The previous macros were kept in ", 0), 0u)
        << said;
    const std::string backup = said.substr(said.rfind(" in ") + 4, said.size() - said.rfind(" in ") - 6);
    std::ifstream kept(backup, std::ios::binary);
    const std::string keptText{std::istreambuf_iterator<char>(kept), std::istreambuf_iterator<char>()};
    EXPECT_NE(keptText.find("stroke 0,4"), std::string::npos) << backup;
}

TEST_F(CtlTest, MalformedImportNamesItsLineAndChangesNothing)
{
    const auto before = dir.logSnapshot();
    EXPECT_EQ(ctl({"import", "-"}, "format padmacro-macros 1\nkey 40\nbogus\n"), 1);
    EXPECT_EQ(dir.logSnapshot(), before);
    EXPECT_NE(err.str().find("Cannot import \"standard input\": line 3"), std::string::npos) << err.str();
    EXPECT_EQ(err.str().find("NOTE"), std::string::npos) << "not a failure of the folder: " << err.str();
    EXPECT_EQ(out.str(), "");
}

TEST_F(CtlTest, AFileOfTheFolderThatFailsSaysWhichFolderAndWhy)
{
    dir.remove("\\log\\KeyCode40.txt");
    EXPECT_EQ(ctl({"show", "40"}), 1);
    EXPECT_NE(err.str().find("KeyCode40.txt\". No such file or directory. NOTE on the folder.\n"),
        std::string::npos)
        << err.str();
}

TEST_F(CtlTest, WhileTheWindowIsOpenOnTheFolderImportAndSendRefuseAndReadingWorks)
{
    dir.write("\\log\\KeyNum40.txt", "2,20\r\n");
    plugKeypad();
    ASSERT_EQ(ctl({"export", "-"}), 0) << err.str();
    const std::string exported = out.str();
    const auto before = dir.logSnapshot();
    {
        const FolderLock window(dir.path(), kWindowHolder);
        ASSERT_EQ(window.state(), FolderLock::State::Held);
        out.str("");
        EXPECT_EQ(ctl({"import", "-"}, exported), 1);
        EXPECT_NE(err.str().find("The keypad window (padmacro) is open on " + dir.path()), std::string::npos)
            << err.str();
        EXPECT_NE(err.str().find("nothing was imported"), std::string::npos) << err.str();
        err.str("");
        EXPECT_EQ(ctl({"send", "40"}), 1);
        EXPECT_NE(err.str().find("nothing was sent"), std::string::npos) << err.str();
        EXPECT_TRUE(sim.takeReports().empty());
        EXPECT_EQ(dir.logSnapshot(), before);
        // Reading goes on beside the window.
        out.str("");
        EXPECT_EQ(ctl({"show", "40"}), 0) << err.str();
        EXPECT_EQ(ctl({"export", "-"}), 0) << err.str();
    }
    // Closed, the folder is free again, and a run lets it go when done.
    err.str("");
    EXPECT_EQ(ctl({"send", "40"}), 0) << err.str();
    EXPECT_EQ(ctl({"import", "-"}, exported), 0) << err.str();
    const FolderLock after(dir.path(), kWindowHolder);
    EXPECT_EQ(after.state(), FolderLock::State::Held);
}

TEST_F(CtlTest, SendProgramsEachKeyWithItsAcknowledgements)
{
    dir.write("\\log\\KeyNum40.txt", "2,20\r\n");
    plugKeypad();
    EXPECT_EQ(ctl({"send", "40", "0", "43"}), 0) << err.str();
    EXPECT_EQ(out.str(), "key 40 (ESC, MOD0): OK\nkey 0 (NumLock, MOD1): OK\nkey 43 (Excel, MOD0): OK\n");
    const auto reports = sim.takeReports();
    ASSERT_EQ(reports.size(), 6u); // two halves a key
    EXPECT_EQ(reports[0].bytes[1], 0x55);
    EXPECT_EQ(reports[0].bytes[2], 40);
    EXPECT_EQ(reports[2].bytes[2], 0);
    EXPECT_EQ(reports[4].bytes[2], 43);
    EXPECT_EQ(sim.openHandleCount(), 0u);
}

TEST_F(CtlTest, SendStopsAtTheFirstKeyNotAcknowledged)
{
    plugKeypad();
    sim.setAck(SimulatedKeypad::AckMode::AOnly);
    EXPECT_EQ(ctl({"send", "40", "41", "42"}), 1);
    EXPECT_EQ(out.str(), "key 40 (ESC, MOD0): the keypad did not acknowledge it within 3 seconds\n");
    EXPECT_EQ(
        err.str(), "padmacroctl: stopped at key 40; 0 of 3 key numbers were sent, the other 2 not attempted\n");
    EXPECT_EQ(sim.takeReports().size(), 2u); // key 41 was never raised
}

TEST_F(CtlTest, SendWithoutAKeypadOrATerminalSendsNothing)
{
    EXPECT_EQ(ctl({"send", "40"}), 1);
    EXPECT_NE(err.str().find("no keypad found"), std::string::npos) << err.str();

    err.str("");
    SimulatedKeypad::Interface denied;
    denied.open = SimulatedKeypad::OpenBehaviour::Denied;
    sim.add(denied);
    EXPECT_EQ(ctl({"send", "40"}), 1);
    EXPECT_EQ(err.str(), "padmacroctl: " + accessDeniedNotice("sim:1", UdevSetup{}) + "\n");

    err.str("");
    sim.removeAll();
    plugKeypad();
    terminal = false;
    EXPECT_EQ(ctl({"send", "40"}), 1);
    EXPECT_NE(err.str().find("send needs a terminal on standard input"), std::string::npos) << err.str();
    EXPECT_TRUE(sim.takeReports().empty());
}

TEST_F(CtlTest, SendChecksEveryStrokeFileFirst)
{
    plugKeypad();
    dir.write("\\log\\KeyNum41.txt", "x,4\r\n");
    EXPECT_EQ(ctl({"send", "40", "41"}), 1);
    EXPECT_NE(err.str().find("'x' is not a valid integer value"), std::string::npos) << err.str();
    EXPECT_TRUE(sim.takeReports().empty());
    EXPECT_EQ(out.str(), "");
}

// Standard output that takes nothing, as a full disk or a closed pipe.
class RefusingBuffer : public std::streambuf {
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST_F(CtlTest, OutputThatDoesNotArriveIsAFailureNamingStandardOutput)
{
    RefusingBuffer refusing;
    std::ostream broken(&refusing);
    sink = &broken;
    for (const std::vector<const char*>& args :
        {std::vector<const char*>{"export", "-"}, {"show"}, {"list"}, {"import", "-"}}) {
        err.str("");
        const std::string input = args[0] == std::string("import") ? pmtest::exportOfEmptySet() : "";
        EXPECT_EQ(ctl(args, input), 1) << args[0];
        EXPECT_NE(err.str().find("padmacroctl: Cannot write to standard output"), std::string::npos)
            << args[0] << ": " << err.str();
    }
    // An export to a file that cannot be written names the file.
    sink = &out;
    err.str("");
    const std::string into = dir.path() + "/nofolder/out.txt";
    EXPECT_EQ(ctl({"export", into.c_str()}), 1);
    EXPECT_NE(err.str().find("Cannot create file \"" + into + "\""), std::string::npos) << err.str();
}

TEST_F(CtlTest, ImportRefusesWhatIsNotAFileAndWhatIsTooLongChangingNothing)
{
    const auto before = dir.logSnapshot();
    const std::string fifo = dir.path() + "/fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto refused = [&](std::vector<const char*> args, const std::string& input, const std::string& why) {
        err.str("");
        EXPECT_EQ(ctl(args, input), 1) << why;
        EXPECT_NE(err.str().find(why), std::string::npos) << err.str();
        EXPECT_EQ(dir.logSnapshot(), before) << why;
    };
    // Refused at once: a pipe without a writer would otherwise wait forever.
    refused({"import", fifo.c_str()}, "", "Cannot import \"" + fifo + "\": it is a named pipe, not a file");
    refused({"import", dir.path().c_str()}, "", "it is a folder, not a file");
    refused({"import", "/dev/zero"}, "", "Cannot import \"/dev/zero\": it is a device, not a file");
    refused({"import", "-"}, std::string(pm::kMaxImportBytes + 1, '#'),
        "Cannot import \"standard input\": it holds more than 1048576 bytes");

    // A line far longer than any export's, and a display line no editor makes.
    const std::string base = pmtest::exportOfEmptySet();
    std::string longLine = base;
    longLine.insert(longLine.find("\nkey 40"), "\n# " + std::string(70000, 'x'));
    refused(
        {"import", "-"}, longLine, "the line is 70002 bytes long; a line of an export holds at most 65536");
    std::string longText = base;
    longText.replace(longText.find("key 40") + 6, 0, "\ntext " + std::string(300, 'A') + "\nlength 300,0");
    refused({"import", "-"}, longText, "a display line of 300 bytes; a display line holds at most 255");
}

TEST_F(CtlTest, BytesOfAFileReachTheTerminalEscaped)
{
    std::string evil = pmtest::exportOfEmptySet();
    evil.replace(evil.find("key 40"), 6, "key 4\x1B]0;owned\x07");
    EXPECT_EQ(ctl({"import", "-"}, evil), 1);
    EXPECT_EQ(err.str().find('\x1B'), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("\\x1B]0;owned\\x07"), std::string::npos) << err.str();
}

TEST_F(CtlTest, ACommandFirstRollsBackAnImportThatStoppedHalfWay)
{
    dir.write("\\log\\KeyNum40.txt", "2,20\r\n");
    const auto before = dir.logSnapshot();
    fs::create_directory(dir.path() + "/log.importing");
    std::ofstream(dir.path() + "/log.importing/KeyNum40.txt") << "0,4\r\n";
    ASSERT_EQ(ctl({"show", "40"}), 0) << err.str();
    EXPECT_EQ(err.str(),
        "padmacroctl: An import that had been interrupted was rolled back: the macros are those from before "
        "it.\n");
    EXPECT_FALSE(fs::exists(dir.path() + "/log.importing"));
    EXPECT_EQ(dir.logSnapshot(), before);
    // Then the next import goes through.
    EXPECT_EQ(ctl({"import", "-"}, pmtest::exportOfEmptySet()), 0) << err.str();
}

} // namespace
} // namespace pm::ctl
