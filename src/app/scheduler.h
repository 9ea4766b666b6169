#pragma once
// The keypad window's 300 ms scheduler: discovery, the programming job's two
// reports and acknowledgements, its time limit, and the status line.
#include <cstdint>
#include <string>

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

class Scheduler {
public:
    Scheduler(Context& ctx, Shell& shell)
        : ctx_(ctx)
        , shell_(shell)
    {
    }

    void Timer1Timer();
    void Memo1KeyDown(uint16_t key); // virtual-key code

    const StatusLine& statusLine() const { return status_; }
    // Program clears the text; the next tick shows the current code's message.
    void clearStatusText() { status_.text.clear(); }

private:
    void writeReport();

    Context& ctx_;
    Shell& shell_;
    StatusLine status_;
};

} // namespace pm
