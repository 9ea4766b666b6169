#include "app/session.h"

#include <chrono>
#include <thread>

namespace pm {

Session::Session(HidBackend& backend, Shell& shell)
    : shell_(shell)
    , ctx_(backend)
    , scheduler_(ctx_, shell)
    , editor_(*this, shell, ctx_.AppDir)
    , keypad_(*this, editor_, shell, ctx_.AppDir)
{
}

void Session::start(const std::string& appDir)
{
    ctx_.AppDir = appDir;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    keypad_.Load_Key();
}

void Session::Load_Key()
{
    keypad_.Load_Key();
}

void Session::clearStatusText()
{
    scheduler_.clearStatusText();
}

bool Session::keypadFound() const
{
    return ctx_.state.KeypadFound != 0;
}

uint8_t Session::currentKey() const
{
    return ctx_.state.CurrentKey;
}

void Session::programWithoutKeypad()
{
    // The next discovery attempt comes one period from now.
    ctx_.state.DetectCountdown = kDiscoveryPeriod;
    ctx_.state.StatusCode = status::kNoKeypad;
    shell_.message(statusMessage(status::kNoKeypad));
}

ReportImage& Session::reportImage()
{
    return ctx_.image;
}

void Session::raiseJob()
{
    ctx_.state.WritePending = 1;
    ctx_.state.ProgramState = job::kRaised;
}

uint8_t Session::keypadMode() const
{
    return ctx_.state.KeypadMode;
}

void Session::setKeypadMode(uint8_t mode)
{
    ctx_.state.KeypadMode = mode;
}

void Session::setCurrentKey(uint8_t key)
{
    ctx_.state.CurrentKey = key;
}

void Session::closeKeypad()
{
    ctx_.link.CloseKeypad();
}

} // namespace pm
