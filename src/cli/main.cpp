// padmacroctl: the keypad's macros from a terminal, without a display.
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>

#include "app/app_dir.h"
#include "app/scheduler.h"
#include "app/udev_access.h"
#include "cli/ctl.h"
#include "cli/terminal.h"
#include "device/hid_platform.h"
#include "device/hid_sim.h"

namespace {

// Bytes written to a pipe have only reached its buffer: a reader that goes
// away before taking them all (export - | head -c10) lost them. Waits until
// the pipe is drained or its reader is gone; the unread bytes left then.
int unreadInPipe(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISFIFO(st.st_mode))
        return 0;
    for (;;) {
        int unread = 0;
        if (::ioctl(fd, FIONREAD, &unread) != 0 || unread <= 0)
            return 0;
        pollfd p{fd, 0, 0};
        if (::poll(&p, 1, 20) > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)))
            return unread;
    }
}

// 0 when everything written to standard output arrived, else 1 with a message.
int stdoutWritten()
{
    errno = 0;
    std::cout.flush();
    if (std::fflush(stdout) == 0 && !std::ferror(stdout) && std::cout) {
        const int unread = unreadInPipe(STDOUT_FILENO);
        if (unread == 0)
            return 0;
        std::fprintf(stderr, "padmacroctl: Cannot write to standard output: the reader closed the pipe with %d "
                             "bytes unread\n", unread);
        return 1;
    }
    const int err = errno;
    std::fprintf(stderr, "padmacroctl: Cannot write to standard output%s%s\n", err ? ": " : "",
        err ? std::strerror(err) : "");
    return 1;
}

// Help, the version and a usage mistake are answered before anything else:
// the exit status, or nullopt when the verb is to run.
std::optional<int> answeredAtOnce(const pm::ctl::Invocation& inv)
{
    using Action = pm::ctl::Invocation::Action;
    switch (inv.action) {
    case Action::Help: std::fputs(pm::ctl::usageText().c_str(), stdout); return stdoutWritten();
    case Action::Version: std::fputs(pm::versionText("padmacroctl").c_str(), stdout); return stdoutWritten();
    case Action::UsageError:
        std::fprintf(stderr, "padmacroctl: %s; try 'padmacroctl --help'\n", inv.error.c_str());
        return 2;
    case Action::Run: break;
    }
    return std::nullopt;
}

// The keypad's backend: with --demo one simulated keypad, plugged in and
// acknowledging every report (also given in simulated), else the platform's.
std::unique_ptr<pm::HidBackend> keypadBackend(bool demo, pm::SimulatedKeypad*& simulated)
{
    simulated = nullptr;
    if (!demo)
        return pm::createPlatformHidBackend();
    auto keypad = pm::SimulatedKeypad::pluggedIn();
    simulated = keypad.get();
    return keypad;
}

// This process's streams, folders, udev set-up and terminal.
pm::ctl::Environment processEnvironment(pm::HidBackend* backend, pm::SimulatedKeypad* simulated)
{
    const std::chrono::milliseconds period(pm::kSchedulerTickMs);
    pm::ctl::Environment env;
    env.backend = backend;
    env.simulated = simulated;
    env.in = &std::cin;
    env.out = &std::cout;
    env.err = &std::cerr;
    auto chosen = std::make_shared<pm::AppDirChoice>();
    env.appDir = [chosen](const std::string& dir) {
        *chosen = pm::resolveAppDir(pm::processAppDirInputs(dir));
        return chosen->dir;
    };
    env.udev = pm::thisUdevSetup();
    env.appDirNote = [chosen] { return pm::appDirNote(*chosen); };
    env.inputIsTerminal = ::isatty(STDIN_FILENO) == 1;
    env.terminalClock = [period] { return std::make_unique<pm::ctl::TerminalTicks>(STDIN_FILENO, period); };
    env.plainClock = [period] { return std::make_unique<pm::ctl::SteadyTicks>(-1, period); };
    return env;
}

} // namespace

int main(int argc, char* argv[])
{
    // A reader that goes away (export - | head, a keypad node closed) is a
    // failed write, not the end of the program.
    ::signal(SIGPIPE, SIG_IGN);

    const pm::ctl::Invocation inv = pm::ctl::parseInvocation(argc, argv);
    if (const std::optional<int> status = answeredAtOnce(inv))
        return *status;
    pm::SimulatedKeypad* simulated = nullptr;
    const std::unique_ptr<pm::HidBackend> backend = keypadBackend(inv.demo, simulated);
    pm::ctl::Environment env = processEnvironment(backend.get(), simulated);
    const int status = pm::ctl::run(inv, env);
    return status == 0 ? stdoutWritten() : status;
}
