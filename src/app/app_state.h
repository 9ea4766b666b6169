#pragma once
// The process-wide record through which the two windows and the scheduler
// cooperate, and the other values every handler reaches directly.
#include <array>
#include <cstdint>
#include <string>

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

struct Context {
    explicit Context(HidBackend& backend)
        : link(backend)
    {
    }

    AppState state;
    std::string AppDir; // fixed once while the keypad window is created
    ReportImage image{};
    KeypadLink link;
};

} // namespace pm
