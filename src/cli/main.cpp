// padmacroctl: the keypad's macros from a terminal, without a display.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <memory>

#include "app/app_dir.h"
#include "app/scheduler.h"
#include "cli/ctl.h"
#include "cli/terminal.h"
#include "device/hid_platform.h"
#include "device/hid_sim.h"

int main(int argc, char* argv[])
{
    using namespace pm::ctl;
    // A reader that goes away (export - | head, a keypad node closed) is a
    // failed write, not the end of the program.
    ::signal(SIGPIPE, SIG_IGN);

    const Invocation inv = parseInvocation(argc, argv);
    switch (inv.action) {
    case Invocation::Action::Help: std::fputs(usageText(), stdout); return 0;
    case Invocation::Action::Version: std::fputs(versionText(), stdout); return 0;
    case Invocation::Action::UsageError:
        std::fprintf(stderr, "padmacroctl: %s; try 'padmacroctl --help'\n", inv.error.c_str());
        return 2;
    case Invocation::Action::Run: break;
    }

    std::unique_ptr<pm::HidBackend> backend;
    pm::SimulatedKeypad* simulated = nullptr;
    if (inv.demo) {
        // One keypad, plugged in and acknowledging every report.
        auto keypad = std::make_unique<pm::SimulatedKeypad>();
        keypad->add(pm::SimulatedKeypad::Interface{}, 0);
        keypad->setAck(pm::SimulatedKeypad::AckMode::On);
        simulated = keypad.get();
        backend = std::move(keypad);
    } else {
        backend = pm::createPlatformHidBackend();
    }

    const std::chrono::milliseconds period(pm::kSchedulerTickMs);
    Environment env;
    env.backend = backend.get();
    env.simulated = simulated;
    env.in = &std::cin;
    env.out = &std::cout;
    env.err = &std::cerr;
    auto chosen = std::make_shared<pm::AppDirChoice>();
    env.appDir = [chosen](const std::string& dir) {
        *chosen = pm::resolveAppDir(pm::processAppDirInputs(dir));
        return chosen->dir;
    };
    env.appDirNote = [chosen] { return pm::appDirNote(*chosen); };
    env.inputIsTerminal = ::isatty(STDIN_FILENO) == 1;
    env.terminalClock = [period] { return std::make_unique<TerminalTicks>(STDIN_FILENO, period); };
    env.plainClock = [period] { return std::make_unique<SteadyTicks>(-1, period); };
    const int status = run(inv, env);
    std::cout.flush();
    return status;
}
