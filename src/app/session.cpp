#include "app/session.h"

#include <chrono>
#include <thread>
#include <vector>

#include "app/macro_keeping.h"

namespace pm {

Session::Session(HidBackend& backend, SessionShell& shell)
    : shell_(shell)
    , ctx_(backend)
    , scheduler_(ctx_, shell)
    , editor_(*this, shell, ctx_.AppDir)
    , keypad_(*this, editor_, shell, ctx_.AppDir)
    , restore_(ctx_, scheduler_)
{
}

void Session::tick()
{
    scheduler_.Timer1Timer();
    if (restore_.running() && editor_.isOpen()) {
        // A key programmed from the editor would be taken for the restore's.
        restore_.stop();
        shell_.notice("The restore stopped: the macro editor was opened. " + std::to_string(restore_.done())
            + " of " + std::to_string(restore_.total()) + " key numbers had been sent.");
        return;
    }
    const std::optional<JobRun::Step> step = restore_.afterTick();
    if (!step)
        return;
    if (step->outcome != JobOutcome::Ok)
        shell_.notice("The restore stopped at key " + std::to_string(step->key) + " ("
            + keyDescription(step->key) + "): "
            + (ctx_.state.KeypadFound ? "the keypad did not acknowledge it in time. "
                                      : "the keypad was unplugged. ")
            + std::to_string(restore_.done()) + " of " + std::to_string(restore_.total())
            + " key numbers were sent; the rest were not.");
    else if (step->last)
        shell_.notice(std::string("The keypad holds the stored macros again: ") + kAllKeyNumbers + " were sent.");
}

void Session::exportMacros(const std::string& path)
{
    exportMacroFile(ctx_.AppDir, path);
    shell_.message(exportedMessage(path));
}

void Session::importMacros(const std::string& path)
{
    if (editor_.isOpen()) {
        shell_.message(
            "Close the macro editor before importing: it holds a macro of the files an import replaces.");
        return;
    }
    const ImportResult result = importMacroFile(ctx_.AppDir, path);
    keypad_.Load_Key();
    shell_.message(importedMessage(path, result));
}

void Session::restoreKeypad()
{
    if (restore_.running()) {
        shell_.message("A restore is already under way.");
        return;
    }
    if (editor_.isOpen()) {
        shell_.message("Close the macro editor before restoring the keypad.");
        return;
    }
    if (ctx_.state.ProgramState != job::kIdle) {
        shell_.message("A key is being programmed; restore the keypad when the status bar says how it went.");
        return;
    }
    if (ctx_.state.KeypadFound == 0) {
        shell_.message("No keypad has been found, so nothing was sent. Plug it in and wait for \""
            + std::string(statusMessage(status::kFound)) + "\".");
        return;
    }
    std::vector<uint8_t> keys;
    for (const int n : macroKeyNumbers())
        keys.push_back(static_cast<uint8_t>(n));
    // Every stroke file is read and converted before the first report.
    restore_.start(jobsFromStoredMacros(ctx_.AppDir, keys));
    // The acknowledgements must reach Memo1.
    shell_.focusMemo1();
}

std::string Session::restoreProgress() const
{
    if (!restore_.running())
        return {};
    return "Restore " + std::to_string(restore_.done() + 1) + "/" + std::to_string(restore_.total());
}

void Session::start(const std::string& appDir, const std::function<void()>& whileWaiting)
{
    ctx_.AppDir = appDir;
    const auto waited = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    if (whileWaiting)
        whileWaiting();
    // What a crash left is made whole before the first key is read.
    const std::vector<std::string> recovered = recoverMacros(appDir);
    std::this_thread::sleep_until(waited);
    if (!recovered.empty()) {
        std::string text;
        for (const std::string& line : recovered)
            text += (text.empty() ? "" : "\n") + line;
        shell_.message(text);
    }
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
    scheduler_.raiseJob();
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
