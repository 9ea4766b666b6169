#include "app/scheduler.h"

#include "keypad/keypad_core.h"

namespace pm {

namespace {

constexpr uint8_t kDiscoveryPeriod = 16;
constexpr uint8_t kJobTimeLimit = 10;
constexpr uint16_t kFirstAck = 0x41;  // A
constexpr uint16_t kSecondAck = 0x42; // B

} // namespace

const char* statusMessage(uint8_t statusCode)
{
    switch (statusCode) {
    case 1: return "USB Device detect...";
    case 2: return "USB Keyboard Device get";
    case 3: return "Programming...";
    case 4: return "Program OK";
    case 6: return "USB Keyboar remove or USB not get device";
    case 7: return "Program falure";
    default: return nullptr;
    }
}

void Scheduler::Timer1Timer()
{
    AppState& s = ctx_.state;

    // Decrement before testing, so a countdown set to 0 comes round again
    // only after 256 ticks.
    s.DetectCountdown = static_cast<uint8_t>(s.DetectCountdown - 1);
    if (s.DetectCountdown == 0) {
        if ((s.DeviceFlags & kKeypadLatched) == 0 && s.KeypadFound == 0) {
            window_.statusSimple = true;
            s.KeypadFound = ctx_.link.FindKeypad();
            if (s.KeypadFound == 1) {
                s.DeviceFlags = static_cast<uint8_t>(s.DeviceFlags | kKeypadLatched);
                s.StatusCode = 2;
            } else {
                s.StatusCode = 1;
            }
        }
        s.DetectCountdown = kDiscoveryPeriod;
    }

    if (s.WriteOk != 0) {
        s.StatusCode = 3;
        s.WriteOk = 0;
    }

    if (s.ProgramState == 2) {
        writeReport();
        s.ProgramState = 3;
    }

    if (s.ProgramState == 4) {
        s.StatusCode = 4;
        s.ProgramState = 0;
        shell_.clearMemo1(); // drops the typed acknowledgement characters
    }

    if (const char* text = statusMessage(s.StatusCode))
        window_.statusText = text;

    if (s.WritePending != 0)
        writeReport();

    if (s.ProgramState != 0)
        s.TimeoutTicks = static_cast<uint8_t>(s.TimeoutTicks + 1);
    else
        s.TimeoutTicks = 0;

    if (s.TimeoutTicks >= kJobTimeLimit) {
        s.DetectCountdown = 0;
        s.ProgramState = 0;
        s.StatusCode = 7;
        s.TimeoutTicks = 0;
    }
}

void Scheduler::writeReport()
{
    AppState& s = ctx_.state;
    const KeypadLink::WriteResult result = ctx_.link.WriteReport(s.ProgramState, ctx_.image);
    // Without a keypad nothing went out, and the last outcome stands.
    if (result != KeypadLink::WriteResult::NoKeypad)
        s.WriteOk = result == KeypadLink::WriteResult::Written ? 1 : 0;
    // A failed report is not retried.
    s.WritePending = 0;
}

void Scheduler::Memo1KeyDown(uint16_t key)
{
    AppState& s = ctx_.state;
    if (key == kFirstAck)
        s.ProgramState = static_cast<uint8_t>(s.ProgramState + 1);
    else if (s.ProgramState == 3 && key == kSecondAck)
        s.ProgramState = static_cast<uint8_t>(s.ProgramState + 1);
}

} // namespace pm
