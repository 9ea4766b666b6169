#pragma once
// The process-wide record through which the two windows and the scheduler
// cooperate, and the other values the program's handlers share.
#include <cstdint>
#include <string>

#include "app/udev_access.h"
#include "device/keypad_link.h"
#include "device/report_image.h"

namespace pm {

struct AppState {
    uint8_t CurrentKey = 0;
    uint8_t DetectCountdown = 3;
    uint8_t TimeoutTicks = 0;
    uint8_t DeviceFlags = 0; // bit 0: KeypadLatched
    uint8_t KeypadFound = 0;
    uint8_t ProgramState = 0;
    uint8_t WritePending = 0;
    uint8_t WriteOk = 0;
    uint8_t KeypadMode = 0;
    uint8_t StatusCode = 0;
};

inline constexpr uint8_t kKeypadLatched = 0x01;

// StatusCode: which message the status bar shows. 0 (before the first
// discovery), 5 and 8 to 255 leave the text as it is.
namespace status {
inline constexpr uint8_t kNotFound = 1;
inline constexpr uint8_t kFound = 2;
inline constexpr uint8_t kProgramming = 3;
inline constexpr uint8_t kProgramOk = 4;
inline constexpr uint8_t kNoKeypad = 6;
inline constexpr uint8_t kProgramFailure = 7;
} // namespace status

// ProgramState: the phases of a programming job. Surplus A keystrokes can
// push it past kDone; the time limit ends such a job.
namespace job {
inline constexpr uint8_t kIdle = 0;
inline constexpr uint8_t kRaised = 1;     // first half goes out at the next tick; waiting for A
inline constexpr uint8_t kFirstAcked = 2; // second half goes out at the next tick
inline constexpr uint8_t kSecondSent = 3; // waiting for B
inline constexpr uint8_t kDone = 4;       // closed at the next tick
} // namespace job

struct Context {
    explicit Context(HidBackend& backend)
        : link(backend)
    {
    }

    AppState state;
    std::string AppDir; // fixed once at start-up
    ReportImage image{};
    KeypadLink link;
    UdevSetup udev; // what the advice on a keypad this user may not write to names
};

} // namespace pm
