#include "app/scheduler.h"

namespace pm {

namespace {

struct StatusText {
    uint8_t code;
    const char* text;
};

constexpr StatusText kStatusTexts[] = {
    {status::kNotFound, "USB Device detect..."},
    {status::kFound, "USB Keyboard Device get"},
    {status::kProgramming, "Programming..."},
    {status::kProgramOk, "Program OK"},
    {status::kNoKeypad, "USB Keyboar remove or USB not get device"},
    {status::kProgramFailure, "Program falure"},
};

} // namespace

const char* statusMessage(uint8_t statusCode)
{
    for (const StatusText& s : kStatusTexts)
        if (s.code == statusCode)
            return s.text;
    return nullptr;
}

void Scheduler::Timer1Timer()
{
    AppState& s = ctx_.state;

    // Decrement before testing, so a countdown set to 0 comes round again
    // only after 256 ticks.
    s.DetectCountdown = static_cast<uint8_t>(s.DetectCountdown - 1);
    if (s.DetectCountdown == 0) {
        if ((s.DeviceFlags & kKeypadLatched) == 0 && s.KeypadFound == 0) {
            status_.simple = true;
            s.KeypadFound = ctx_.link.FindKeypad();
            if (s.KeypadFound == 1) {
                s.DeviceFlags = static_cast<uint8_t>(s.DeviceFlags | kKeypadLatched);
                s.StatusCode = status::kFound;
            } else {
                s.StatusCode = status::kNotFound;
            }
        }
        s.DetectCountdown = kDiscoveryPeriod;
    }

    if (s.WriteOk != 0) {
        s.StatusCode = status::kProgramming;
        s.WriteOk = 0;
    }

    if (s.ProgramState == job::kFirstAcked) {
        writeReport(); // the second half
        s.ProgramState = job::kSecondSent;
    }

    if (s.ProgramState == job::kDone) {
        s.StatusCode = status::kProgramOk;
        s.ProgramState = job::kIdle;
        shell_.clearMemo1(); // drops the typed acknowledgement characters
    }

    if (const char* text = statusMessage(s.StatusCode))
        status_.text = text;

    if (s.WritePending != 0)
        writeReport(); // the first half, or zeros outside phase 1

    if (s.ProgramState != job::kIdle)
        s.TimeoutTicks = static_cast<uint8_t>(s.TimeoutTicks + 1);
    else
        s.TimeoutTicks = 0;

    if (s.TimeoutTicks >= kJobTimeLimit) {
        s.DetectCountdown = 0;
        s.ProgramState = job::kIdle;
        s.StatusCode = status::kProgramFailure;
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
    else if (s.ProgramState == job::kSecondSent && key == kSecondAck)
        s.ProgramState = static_cast<uint8_t>(s.ProgramState + 1);
}

} // namespace pm
