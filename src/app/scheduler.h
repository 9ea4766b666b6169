#pragma once
// The keypad window's 300 ms scheduler: discovery, the programming job's two
// reports and acknowledgements, its time limit, and the status line.
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "app/app_state.h"
#include "base/shell.h"

namespace pm {

inline constexpr int kSchedulerTickMs = 300;
inline constexpr uint8_t kDiscoveryPeriod = 16; // ticks between discovery attempts
inline constexpr uint8_t kJobTimeLimit = 10;    // ticks a job may take
inline constexpr uint16_t kFirstAck = 0x41;     // virtual-key code of A
inline constexpr uint16_t kSecondAck = 0x42;    // and of B

// The status bar text for a status code, or nullptr for codes that leave it unchanged.
const char* statusMessage(uint8_t statusCode);

// The keypad window's status bar: no text at all until the first discovery
// switches it to one simple text.
struct StatusLine {
    bool simple = false;
    std::string text;
};

// How a programming job ended.
enum class JobOutcome { Ok, Failed };

// Looks for the keypad once, as discovery does. Found, it is open, latched
// (so discovery does not look again) and the status code says so; the
// result is in KeypadFound either way.
bool findKeypad(Context& ctx);

// What to tell a user whose keypad was found but may not be written to.
std::string accessDeniedNotice(const std::string& node, const UdevSetup& udev);

// What the scheduler asks of the front-end: its notices, and emptying the
// keypad window's memo of the acknowledgement keystrokes once a job is done.
class SchedulerShell : public Shell {
public:
    virtual void clearMemo1() = 0;
};

class Scheduler {
public:
    Scheduler(Context& ctx, SchedulerShell& shell)
        : ctx_(ctx)
        , shell_(shell)
    {
    }

    void Timer1Timer();
    void Memo1KeyDown(uint16_t key); // virtual-key code
    // Whether the job under way waits for this keystroke now: A while the
    // first half is out, B while the second is. Only then does a keystroke
    // typed on another control of the keypad window count as the keypad's.
    bool awaitsAcknowledgement(uint16_t key) const;
    // Starts a programming job with the image in the context: its first
    // half goes out at the next tick.
    void raiseJob();

    const StatusLine& statusLine() const { return status_; }
    // Program clears the text; the next tick shows the current code's message.
    void clearStatusText() { status_.text.clear(); }

    // How the latest job ended, once: set when a job finishes or times out.
    std::optional<JobOutcome> takeJobOutcome() { return std::exchange(outcome_, std::nullopt); }

private:
    void writeReport();
    void discover();
    // The keypad was unplugged: its handles go and discovery starts again.
    void loseKeypad();

    Context& ctx_;
    SchedulerShell& shell_;
    StatusLine status_;
    std::optional<JobOutcome> outcome_;
    // Lost since the last discovery: a job that times out meanwhile must not
    // put the next attempt 256 ticks away.
    bool keypadLost_ = false;
    std::set<std::string> deniedTold_; // plug-ins already told about
};

} // namespace pm
