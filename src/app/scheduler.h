#pragma once
// The keypad window's 300 ms scheduler: discovery, the programming job's two
// reports and acknowledgements, its time limit, and the status text.
#include <cstdint>
#include <string>

#include "app/app_state.h"
#include "base/shell.h"

namespace pm {

struct KeypadWindowState;

// The status bar text for a status code, or nullptr for codes that leave it unchanged.
const char* statusMessage(uint8_t statusCode);

class Scheduler {
public:
    Scheduler(Context& ctx, KeypadWindowState& window, Shell& shell)
        : ctx_(ctx)
        , window_(window)
        , shell_(shell)
    {
    }

    void Timer1Timer();
    void Memo1KeyDown(uint16_t key); // virtual-key code

private:
    void writeReport();

    Context& ctx_;
    KeypadWindowState& window_;
    Shell& shell_;
};

} // namespace pm
