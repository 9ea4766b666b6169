#include "cli/ctl.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <istream>
#include <iterator>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string_view>

#include "app/app_dir.h"
#include "app/command_line.h"
#include "app/folder_lock.h"
#include "app/macro_keeping.h"
#include "app/scheduler.h"
#include "base/errors.h"
#include "base/paths.h"
#include "base/text.h"
#include "device/hid_sim.h"
#include "device/keypad_link.h"
#include "editor/editor_core.h"
#include "keypad/key_table.h"
#include "storage/line_list.h"
#include "storage/macro_files.h"
#include "storage/macro_text.h"

namespace pm::ctl {

namespace {

std::string keyNumberList()
{
    std::string text;
    for (const uint8_t n : kDeviceKeyNumbers)
        text += (text.empty() ? "" : " ") + std::to_string(n);
    return text;
}

std::string keyLabel(int key)
{
    return "key " + std::to_string(key) + " (" + keyDescription(key) + ")";
}

void indented(std::ostream& out, const std::string& text, const char* indent)
{
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line))
        out << indent << line << '\n';
}

const std::vector<std::string_view> kVerbs = {"list", "show", "export", "import", "send"};

int usageFailure(std::ostream& err, const std::string& what)
{
    err << "padmacroctl: " << what << "; try 'padmacroctl --help'\n";
    return 2;
}

// Throws when what was written to out did not all arrive: a closed pipe or
// a full disk must not pass for success.
void requireWritten(std::ostream& out, const char* what)
{
    errno = 0;
    out.flush();
    const int err = errno;
    if (!out)
        throw UiError(std::string("Cannot write to ") + what + (err ? ": " + osReason(err) : std::string()));
}

// The simulated keypad "types" as it receives a report; what it typed
// arrives before the next tick's wait, as a terminal would deliver it.
class SimulatedAcks : public TickClock {
public:
    SimulatedAcks(SimulatedKeypad* keypad, std::unique_ptr<TickClock> wait)
        : keypad_(keypad)
        , wait_(std::move(wait))
    {
    }
    void waitForTick(const std::function<void(char)>& typed) override
    {
        if (keypad_ != nullptr)
            for (const char c : keypad_->takeAcks())
                typed(c);
        wait_->waitForTick(typed);
    }

private:
    SimulatedKeypad* keypad_;
    std::unique_ptr<TickClock> wait_;
};

} // namespace

Invocation parseInvocation(int argc, const char* const* argv)
{
    Invocation inv;
    bool optionsEnd = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (!optionsEnd && arg.size() > 1 && arg.front() == '-') {
            if (arg == "--") {
                optionsEnd = true;
            } else if (readSharedOption(argc, argv, i, inv)) {
                if (inv.action != CommandAction::Run)
                    return inv;
            } else {
                return usageError<Invocation>("unknown option '" + std::string(arg) + "'");
            }
        } else if (inv.verb.empty()) {
            inv.verb = std::string(arg);
            if (std::find(kVerbs.begin(), kVerbs.end(), arg) == kVerbs.end())
                return usageError<Invocation>("unknown verb '" + inv.verb + "'");
        } else {
            inv.args.emplace_back(arg);
        }
    }
    if (inv.verb.empty())
        return usageError<Invocation>("no verb given (list, show, export, import or send)");
    const bool takesFile = inv.verb == "export" || inv.verb == "import";
    if (takesFile && inv.args.size() != 1)
        return usageError<Invocation>(inv.verb
            + (inv.args.empty() ? " needs a FILE, or - for standard "
                        + std::string(inv.verb == "export" ? "output" : "input")
                                : " takes one FILE"));
    if (inv.verb == "list" && !inv.args.empty())
        return usageError<Invocation>("list takes no arguments");
    return inv;
}

std::string usageText()
{
    return "Usage: padmacroctl [--dir DIR] [--demo] VERB [ARGS]\n"
           "       padmacroctl --help | --version\n"
           "Shows, exports, imports and sends the macros of the programmable USB numeric keypad.\n"
           "\n"
           "Verbs:\n"
           "  list           every HID interface discovery looks at, and which is the keypad\n"
           "  show [N...]    the stored macros of device key numbers N (default: all 26)\n"
           "  export FILE|-  every stored macro to FILE, or - for standard output\n"
           "  import FILE|-  replace every stored macro from FILE, or - for standard input\n"
           "  send [N...]    program the keypad from the stored macros (default: all 26);\n"
           "                 the keypad acknowledges by typing, so run it in a terminal\n"
           "\n"
           "Options:\n"
           "  --dir DIR  the folder holding BMP/ and log/, as padmacro --dir\n"
           "  --demo     work with a simulated keypad instead of the real one\n"
           "  --help     print this help and exit\n"
           "  --version  print the version and exit\n"
           "\n"
           "Device key numbers, 26 for the 22 keys (the top four have one in each layout):\n"
           "  "
        + keyNumberList()
        + ".\n"
          "Exit status: 0 success, 1 failure, 2 usage error.\n";
}

std::vector<uint8_t> parseKeyNumbers(const std::vector<std::string>& args)
{
    std::vector<uint8_t> keys;
    if (args.empty())
        return {kDeviceKeyNumbers.begin(), kDeviceKeyNumbers.end()};
    for (const std::string& arg : args) {
        const bool known = isPlainDecimal(arg) && arg.size() <= 3
            && std::find(kDeviceKeyNumbers.begin(), kDeviceKeyNumbers.end(), std::stoi(arg))
                != kDeviceKeyNumbers.end();
        if (!known)
            throw UsageError((isPlainDecimal(arg) ? "unknown" : "bad") + std::string(" key number '") + arg
                + "' (the keypad's are " + keyNumberList() + ")");
        const auto n = static_cast<uint8_t>(std::stoi(arg));
        if (std::find(keys.begin(), keys.end(), n) == keys.end())
            keys.push_back(n);
    }
    return keys;
}

namespace {

// One interface as list shows it.
struct Seen {
    int index;
    HidInterfaceInfo info;
    bool writable = false;
};

// Every interface present and whether this user may write to it, all asked
// while one snapshot holds, as discovery would; nullopt when the interfaces
// cannot be enumerated.
std::optional<std::vector<Seen>> interfacesPresent(HidBackend& backend)
{
    if (!backend.beginEnumeration())
        return std::nullopt;
    std::vector<Seen> seen;
    for (int index = 0; index < kInterfaceIndices; ++index)
        if (std::optional<HidInterfaceInfo> info = backend.describe(index))
            seen.push_back({index, std::move(*info)});
    for (Seen& s : seen)
        s.writable = backend.writableByUser(s.info.path);
    backend.endEnumeration();
    return seen;
}

// The first keypad this user may write to, which discovery opens; nullptr when there is none.
const Seen* keypadInUse(const std::vector<Seen>& seen)
{
    for (const Seen& s : seen)
        if (s.writable && matchKeypad(s.info))
            return &s;
    return nullptr;
}

// Its place, ids and collections.
void printInterface(std::ostream& out, const Seen& s)
{
    const HidInterfaceInfo& info = s.info;
    out << s.index << "  " << info.path << "  " << hexId(info.vendorId) << ':' << hexId(info.productId)
        << "  version " << hex4(info.versionNumber) << '\n';
    for (const HidCollection& c : info.collections)
        out << "    collection: " << hidUsageName(c.usagePage, c.usage) << ", output report "
            << c.outputReportByteLength << " bytes\n";
    if (info.collections.empty())
        out << "    no readable report descriptor\n";
}

// Whether it is the keypad, and if so whether it is the one used.
void printVerdict(std::ostream& out, const Seen& s, const Seen* used, const UdevSetup& udev)
{
    const HidInterfaceInfo& info = s.info;
    const KeypadMatch match = matchKeypad(info);
    if (!match) {
        out << "    not the keypad: " << match.mismatch << '\n';
    } else if (!s.writable && std::filesystem::path(info.path).is_absolute()
        && !std::filesystem::exists(info.path)) {
        out << "    the keypad, but its node " << info.path
            << " does not exist: is /dev (or PADMACRO_DEV) the right folder?\n";
    } else if (!s.writable) {
        out << "    the keypad, but this user may not write to it:\n";
        indented(out, accessDeniedNotice(info.path, udev), "      ");
    } else if (used && used->info.path == info.path) {
        out << "    the keypad: this one is used\n";
    } else {
        out << "    the keypad as well, but the one at " << (used ? used->info.path : "a lower index")
            << " is used\n";
    }
}

} // namespace

bool listInterfaces(HidBackend& backend, const UdevSetup& udev, std::ostream& out)
{
    const std::optional<std::vector<Seen>> seen = interfacesPresent(backend);
    if (!seen)
        return false;
    if (seen->empty()) {
        out << "No HID interfaces are present: the keypad is not plugged in, or the system does not show "
               "it.\n";
        return true;
    }
    const Seen* used = keypadInUse(*seen);
    out << seen->size() << " HID interface" << (seen->size() == 1 ? "" : "s")
        << " (index, node, vendor:product, version):\n";
    for (const Seen& s : *seen) {
        printInterface(out, s);
        printVerdict(out, s, used, udev);
    }
    if (!used)
        out << "None of them is a keypad this user can use.\n";
    return true;
}

void showMacros(const std::string& appDir, const std::vector<uint8_t>& keys, std::ostream& out)
{
    for (const uint8_t key : keys) {
        LineList text;
        LineList strokes;
        text.loadFromFile(platformPath(appDir, textFileLiteral(key)));
        strokes.loadFromFile(platformPath(appDir, strokeFileLiteral(key)));
        out << keyLabel(key);
        if (text.empty() && strokes.empty()) {
            out << ": no macro\n";
            continue;
        }
        out << ": " << strokes.count() << " stroke" << (strokes.count() == 1 ? "" : "s") << '\n';
        // As the editor shows it, in the export's notation: the terminal reads UTF-8.
        out << "  text " << exportValue(showTextOf(text)) << '\n';
        for (const std::string& line : strokes.lines())
            out << "  stroke " << escapedText(line) << '\n';
    }
}

uint16_t virtualKeyOf(char c)
{
    switch (c) {
    case 'a':
    case 'A': return kFirstAck;
    case 'b':
    case 'B': return kSecondAck;
    default: return 0;
    }
}

std::optional<std::string> openKeypad(Context& ctx, std::ostream& err)
{
    if (findKeypad(ctx))
        return ctx.link.keypad->path;
    if (ctx.link.deniedKeypad) {
        err << "padmacroctl: " << accessDeniedNotice(ctx.link.deniedKeypad->path, ctx.udev) << '\n';
        return std::nullopt;
    }
    err << "padmacroctl: no keypad found (vendor " << hex4(kKeypadVendor) << ", product "
        << hex4(kKeypadProduct) << ", version " << hex4(kKeypadVersion) << ", "
        << hidUsageName(kKeypadUsagePage, kKeypadUsage)
        << "); 'padmacroctl list' shows what is plugged in and how it differs\n";
    return std::nullopt;
}

int runJobs(Context& ctx, SchedulerShell& shell, std::vector<KeyJob> jobs, TickClock& clock,
    const std::string& node, std::ostream& out, std::ostream& err)
{
    Scheduler scheduler(ctx, shell);
    JobRun run(ctx, scheduler);
    const size_t total = jobs.size();
    run.start(std::move(jobs));
    const auto typed = [&scheduler](char c) { scheduler.Memo1KeyDown(virtualKeyOf(c)); };
    std::optional<uint8_t> failed;
    while (run.running()) {
        scheduler.Timer1Timer();
        if (const std::optional<JobRun::Step> step = run.afterTick()) {
            out << keyLabel(step->key) << ": ";
            if (step->outcome == JobOutcome::Ok) {
                out << "OK\n";
            } else {
                out << "the keypad did not acknowledge it within " << kJobTimeLimit * kSchedulerTickMs / 1000
                    << " seconds\n";
                failed = step->key;
            }
        }
        if (run.running() && ctx.state.KeypadFound == 0) {
            // Unplugged: waiting for the time limit would tell nothing more.
            failed = run.currentKey();
            out << keyLabel(*failed) << ": the keypad" << (node.empty() ? "" : " at " + node)
                << " went away\n";
            run.stop();
        }
        out.flush();
        if (run.running())
            clock.waitForTick(typed);
    }
    if (!failed)
        return 0;
    const size_t rest = total - run.done() - 1;
    err << "padmacroctl: stopped at key " << int{*failed} << "; " << run.done() << " of " << total
        << " key number" << (total == 1 ? " was" : "s were") << " sent";
    if (rest > 0)
        err << ", the other " << rest << " not attempted";
    err << '\n';
    return 1;
}

// A terminal has no message boxes: a message is told as a notice is.
void StreamShell::message(const std::string& text)
{
    notice(text);
}

void StreamShell::notice(const std::string& text)
{
    err_ << "padmacroctl: " << text << '\n';
}

namespace {

int listVerb(Environment& env, std::ostream& out, std::ostream& err)
{
    if (!listInterfaces(*env.backend, env.udev, out)) {
        err << "padmacroctl: the HID interfaces cannot be listed: the hidraw class in sysfs cannot be read\n";
        return 1;
    }
    requireWritten(out, "standard output");
    return 0;
}

// What changes the macro files or talks to the keypad waits for no one: it
// refuses while the window or another run works there. lock is what the
// verb holds while it runs; false, after saying why, when it must not run.
bool takeFolder(
    const Invocation& inv, const std::string& appDir, std::unique_ptr<FolderLock>& lock, std::ostream& err)
{
    lock = std::make_unique<FolderLock>(appDir, "padmacroctl " + inv.verb);
    const bool busy = lock->state() == FolderLock::State::Busy;
    if (busy && (inv.verb == "import" || inv.verb == "send")) {
        err << "padmacroctl: " << folderBusyText(*lock, appDir) << ", so nothing was "
            << (inv.verb == "import" ? "imported" : "sent")
            << ". Close it (or do this there) and try again.\n";
        return false;
    }
    // What a crash left is made whole before anything is read, but never
    // under a program at work there: its own store is no leftover.
    if (!busy)
        for (const std::string& done : recoverMacros(appDir))
            err << "padmacroctl: " << escapedText(done) << '\n';
    // Reading needs no lock: a window started meanwhile is not refused.
    if (inv.verb == "show" || inv.verb == "export")
        lock.reset();
    return true;
}

void exportVerb(const std::string& appDir, const std::string& file, std::ostream& out)
{
    if (file == "-") {
        out << exportMacroText(appDir);
    } else {
        exportMacroFile(appDir, file);
        out << escapedText(exportedMessage(file)) << '\n';
    }
}

void importVerb(const std::string& appDir, const std::string& file, std::istream& in, std::ostream& out)
{
    const std::string source = file == "-" ? "standard input" : file;
    const ImportResult result
        = file == "-" ? importMacroStream(appDir, in, source) : importMacroFile(appDir, file);
    out << escapedText(importedMessage(source, result)) << '\n';
}

int sendVerb(
    const Invocation& inv, Environment& env, const std::string& appDir, const std::vector<uint8_t>& keys)
{
    std::ostream& out = *env.out;
    std::ostream& err = *env.err;
    // Every stroke file is converted before the keypad is touched.
    std::vector<KeyJob> jobs = jobsFromStoredMacros(appDir, keys);
    Context ctx(*env.backend);
    ctx.AppDir = appDir;
    ctx.udev = env.udev;
    const std::optional<std::string> node = openKeypad(ctx, err);
    if (!node)
        return 1;
    StreamShell shell(err);
    std::unique_ptr<TickClock> clock;
    if (inv.demo)
        clock = std::make_unique<SimulatedAcks>(env.simulated, env.plainClock());
    else
        clock = env.terminalClock();
    const int status = runJobs(ctx, shell, std::move(jobs), *clock, *node, out, err);
    ctx.link.CloseKeypad();
    requireWritten(out, "standard output");
    return status;
}

// A verb that failed: what went wrong, with the note on the folder when it
// names the folder. Bytes of a file or a name reach the terminal escaped.
int verbFailed(const std::exception& e, const std::string& appDir, const Environment& env)
{
    std::ostream& err = *env.err;
    const std::string what = escapedText(e.what());
    err << "padmacroctl: " << what;
    if (!appDir.empty() && env.appDirNote && what.find(escapedText(appDir)) != std::string::npos)
        err << (what.ends_with('.') ? " " : ". ") << escapedText(env.appDirNote());
    err << '\n';
    return 1;
}

} // namespace

int run(const Invocation& inv, Environment& env)
{
    std::ostream& out = *env.out;
    std::ostream& err = *env.err;
    std::string appDir;
    try {
        if (inv.verb == "list")
            return listVerb(env, out, err);
        // Key numbers are checked before anything is read or written.
        std::vector<uint8_t> keys;
        if (inv.verb == "show" || inv.verb == "send")
            keys = parseKeyNumbers(inv.args);
        if (inv.verb == "send" && !inv.demo && !env.inputIsTerminal) {
            err << "padmacroctl: send needs a terminal on standard input: the keypad acknowledges each key "
                   "by typing into it (use --demo to try it without a keypad)\n";
            return 1;
        }
        appDir = env.appDir(inv.dir);
        std::unique_ptr<FolderLock> lock;
        if (!takeFolder(inv, appDir, lock, err))
            return 1;
        if (inv.verb == "send")
            return sendVerb(inv, env, appDir, keys);
        if (inv.verb == "show")
            showMacros(appDir, keys, out);
        else if (inv.verb == "export")
            exportVerb(appDir, inv.args.front(), out);
        else if (inv.verb == "import")
            importVerb(appDir, inv.args.front(), *env.in, out);
        requireWritten(out, "standard output");
        return 0;
    } catch (const UsageError& e) {
        return usageFailure(err, e.what());
    } catch (const std::exception& e) {
        return verbFailed(e, appDir, env);
    }
}

} // namespace pm::ctl
