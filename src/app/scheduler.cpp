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

std::string accessDeniedNotice(const std::string& node, [[maybe_unused]] const UdevSetup& udev)
{
#ifdef _WIN32
    return "The keypad is at " + node
        + ", but this user may not open it for writing. Close any program that holds it, then unplug and "
          "replug the keypad.";
#else
    return "The keypad is at " + node + ", but this user may not write to it.\n" + udevAdvice(udev);
#endif
}

bool findKeypad(Context& ctx)
{
    AppState& s = ctx.state;
    s.KeypadFound = ctx.link.FindKeypad();
    if (s.KeypadFound != 1)
        return false;
    s.DeviceFlags = static_cast<uint8_t>(s.DeviceFlags | kKeypadLatched);
    s.StatusCode = status::kFound;
    return true;
}

void Scheduler::Timer1Timer()
{
    AppState& s = ctx_.state;

    if ((s.KeypadFound != 0 || (s.DeviceFlags & kKeypadLatched) != 0) && ctx_.link.keypadGone())
        loseKeypad();

    // Decrement before testing, so a countdown set to 0 comes round again
    // only after 256 ticks.
    s.DetectCountdown = static_cast<uint8_t>(s.DetectCountdown - 1);
    if (s.DetectCountdown == 0) {
        if ((s.DeviceFlags & kKeypadLatched) == 0 && s.KeypadFound == 0)
            discover();
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
        outcome_ = JobOutcome::Ok;
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
        // With the keypad there, discovery does not run and the 0 does not
        // matter; once it is lost, the next attempt comes one period later.
        s.DetectCountdown = keypadLost_ ? kDiscoveryPeriod : 0;
        s.ProgramState = job::kIdle;
        s.StatusCode = status::kProgramFailure;
        s.TimeoutTicks = 0;
        outcome_ = JobOutcome::Failed;
    }
}

void Scheduler::discover()
{
    AppState& s = ctx_.state;
    status_.simple = true;
    keypadLost_ = false;
    if (findKeypad(ctx_))
        return;
    s.StatusCode = status::kNotFound;
    // Without the udev rule the keypad looks unplugged; say why, once for
    // each time it is plugged in.
    if (const auto& denied = ctx_.link.deniedKeypad; denied && deniedTold_.insert(denied->identity).second)
        shell_.notice(accessDeniedNotice(denied->path, ctx_.udev));
}

void Scheduler::loseKeypad()
{
    AppState& s = ctx_.state;
    ctx_.link.CloseKeypad();
    s.KeypadFound = 0;
    s.DeviceFlags = static_cast<uint8_t>(s.DeviceFlags & ~kKeypadLatched);
    // A job in flight runs into its time limit as before; discovery comes
    // one period from now, after that limit, and finds the keypad again
    // once it is back.
    s.DetectCountdown = kDiscoveryPeriod;
    keypadLost_ = true;
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

void Scheduler::raiseJob()
{
    ctx_.state.WritePending = 1;
    ctx_.state.ProgramState = job::kRaised;
}

bool Scheduler::awaitsAcknowledgement(uint16_t key) const
{
    const uint8_t state = ctx_.state.ProgramState;
    return (key == kFirstAck && state == job::kRaised) || (key == kSecondAck && state == job::kSecondSent);
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
