#pragma once
// padmacroctl's verbs, written against streams, a HID backend and a tick
// clock so that tests can drive them without a terminal or a keypad.
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/job_run.h"
#include "app/scheduler.h"
#include "app/udev_access.h"
#include "device/hid.h"

namespace pm {
class SimulatedKeypad;
}

namespace pm::ctl {

struct Invocation : SharedOptions {
    std::string verb;              // list, show, export, import, send
    std::vector<std::string> args; // what follows the verb
};

// Options may stand before or after the verb; "-" is an argument.
Invocation parseInvocation(int argc, const char* const* argv);

std::string usageText();

// A command line that names something that does not exist: exit status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The device key numbers named (all 26 ascending when none), repeats dropped.
std::vector<uint8_t> parseKeyNumbers(const std::vector<std::string>& args);

// Every interface discovery looks at and why it is or is not the keypad.
// False when the interfaces could not be enumerated at all.
// A keypad this user may not write to gets the advice for udev.
bool listInterfaces(HidBackend& backend, const UdevSetup& udev, std::ostream& out);

// Each key's name and layout, its display text as the editor shows it and
// its stroke lines. A macro file that cannot be read throws UiError.
void showMacros(const std::string& appDir, const std::vector<uint8_t>& keys, std::ostream& out);

// When the next scheduler tick is due, and what the keypad typed meanwhile.
class TickClock {
public:
    virtual ~TickClock() = default;
    // Returns when the next tick is due, handing each character typed in
    // the meantime to typed as soon as it arrives.
    virtual void waitForTick(const std::function<void(char)>& typed) = 0;
};

// The virtual-key code a typed character arrives as: A and B matter.
uint16_t virtualKeyOf(char c);

// Finds and opens the keypad as discovery does, latched so that the
// scheduler does not look again, and returns its node. Prints why not to
// err and returns nullopt.
std::optional<std::string> openKeypad(Context& ctx, std::ostream& err);

// One job per key through JobRun and the scheduler, one line per key on
// out; stops at the first key that fails. Returns the exit status.
int runJobs(Context& ctx, SchedulerShell& shell, std::vector<KeyJob> jobs, TickClock& clock,
    const std::string& node, std::ostream& out, std::ostream& err);

// The scheduler's notices go to the terminal; there is no memo to empty.
class StreamShell : public SchedulerShell {
public:
    explicit StreamShell(std::ostream& err)
        : err_(err)
    {
    }
    void clearMemo1() override { }
    void message(const std::string& text) override;
    void notice(const std::string& text) override;

private:
    std::ostream& err_;
};

// What a run of padmacroctl works with, provided by main or by a test.
struct Environment {
    HidBackend* backend = nullptr;
    SimulatedKeypad* simulated = nullptr; // with --demo
    std::istream* in = nullptr;
    std::ostream* out = nullptr;
    std::ostream* err = nullptr;
    // The application folder for --dir (empty without); throws AppDirError.
    std::function<std::string(const std::string&)> appDir;
    // Whether the udev rule is installed and how; left empty, the advice is general.
    UdevSetup udev;
    // Which folder appDir chose and why: added to a failure on one of its
    // files. May be empty.
    std::function<std::string()> appDirNote;
    bool inputIsTerminal = false;
    // Puts the terminal into no-echo mode for as long as the clock lives.
    std::function<std::unique_ptr<TickClock>()> terminalClock;
    // A clock that only waits; with --demo the simulated keypad's keystrokes
    // are handed over at each tick.
    std::function<std::unique_ptr<TickClock>()> plainClock;
};

// Runs the verb of an Invocation with Action::Run; returns the exit status.
// Usage errors print their hint and return 2; other failures print and return 1.
int run(const Invocation& inv, Environment& env);

} // namespace pm::ctl
