#pragma once
// One run of the program without its windows: the shared record, the
// scheduler and the two window cores, wired to each other. The front-end
// gives it the HID backend and the toolkit's verbs (SessionShell).
#include <functional>
#include <string>

#include "app/app_state.h"
#include "app/job_run.h"
#include "app/scheduler.h"
#include "editor/editor_core.h"
#include "keypad/keypad_core.h"

namespace pm {

// Every verb of the toolkit that the session and its cores ask for.
class SessionShell : public SchedulerShell, public EditorShell, public KeypadShell { };

class Session final : private EditorHost, private KeypadHost {
public:
    Session(HidBackend& backend, SessionShell& shell);

    // The start-up part of creating the keypad window: fixes AppDir, waits
    // 100 ms and runs the first key-state refresh (which may throw).
    // whileWaiting runs at the start of the wait and counts towards it.
    void start(const std::string& appDir, const std::function<void()>& whileWaiting = {});

    // One tick of the keypad window's timer, then the restore's next step.
    void tick();

    // The keypad window's context menu. Files are named as the user chose them.
    void exportMacros(const std::string& path);
    void importMacros(const std::string& path);
    // Sends every stored macro to the keypad, one job after another.
    void restoreKeypad();
    // What the keypad window shows of a restore under way ("Restore 3/26"), or nothing.
    std::string restoreProgress() const;

    Context& context() { return ctx_; }
    const Context& context() const { return ctx_; }
    EditorCore& editor() { return editor_; }
    KeypadCore& keypad() { return keypad_; }
    Scheduler& scheduler() { return scheduler_; }

private:
    // EditorHost
    void Load_Key() override;
    void clearStatusText() override;
    bool keypadFound() const override;
    uint8_t currentKey() const override;
    void programWithoutKeypad() override;
    ReportImage& reportImage() override;
    void raiseJob() override;
    // KeypadHost
    uint8_t keypadMode() const override;
    void setKeypadMode(uint8_t mode) override;
    void setCurrentKey(uint8_t key) override;
    void closeKeypad() override;

    SessionShell& shell_;
    Context ctx_;
    Scheduler scheduler_;
    EditorCore editor_;
    KeypadCore keypad_;
    JobRun restore_;
};

} // namespace pm
