#include "cli/terminal.h"

#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace pm::ctl {

namespace {

// Signals that end the program: the terminal is put back, then the signal
// takes its default course. SIGTSTP comes last: it stops rather than ends.
constexpr int kRestoringSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT, SIGTSTP};

// What the signal handlers need; set before the handlers are installed.
int gFd = -1;
termios gSaved{};
termios gRaw{};
volatile sig_atomic_t gActive = 0;
struct sigaction gPrevious[std::size(kRestoringSignals)];

void onSignal(int sig);

void install(int sig, struct sigaction* previous)
{
    struct sigaction action { };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // Fails only for a signal that cannot be caught, and these all can.
    ::sigaction(sig, &action, previous);
}

// Only async-signal-safe calls here.
void onSignal(int sig)
{
    const int savedErrno = errno;
    if (gActive != 0)
        ::tcsetattr(gFd, TCSANOW, &gSaved);
    ::signal(sig, SIG_DFL);
    if (sig != SIGTSTP) {
        ::raise(sig); // delivered once the handler returns, with the default action
        errno = savedErrno;
        return;
    }
    // Stop now, with the terminal as the shell expects it; once continued,
    // take the signal again and go back to no echo.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    ::raise(SIGTSTP);
    ::sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    install(SIGTSTP, nullptr);
    if (gActive != 0)
        ::tcsetattr(gFd, TCSANOW, &gRaw);
    errno = savedErrno;
}

// Back to the saved settings, and the previous signal actions back.
void restore(int when)
{
    if (gActive == 0)
        return;
    // Fails only when the terminal has gone (a hang-up), leaving nothing to
    // put back, or when one of the signals above interrupts it, whose
    // handler puts the settings back itself.
    ::tcsetattr(gFd, when, &gSaved);
    gActive = 0;
    for (size_t i = 0; i < std::size(kRestoringSignals); ++i)
        ::sigaction(kRestoringSignals[i], &gPrevious[i], nullptr);
}

std::string terminalName(int fd)
{
    const char* name = ::ttyname(fd);
    return name != nullptr ? name : "standard input";
}

} // namespace

RawTerminal::RawTerminal(int fd)
{
    if (gActive != 0)
        throw std::logic_error("the terminal is already in no-echo mode");
    termios saved{};
    if (::tcgetattr(fd, &saved) != 0)
        throw std::runtime_error(
            "Cannot read the settings of " + terminalName(fd) + ": " + std::strerror(errno));
    termios raw = saved;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_lflag |= ISIG; // Ctrl+C still ends the program
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    gFd = fd;
    gSaved = saved;
    gRaw = raw;
    gActive = 1;
    for (size_t i = 0; i < std::size(kRestoringSignals); ++i)
        install(kRestoringSignals[i], &gPrevious[i]);

    if (::tcsetattr(fd, TCSANOW, &raw) != 0) {
        const int err = errno;
        restore(TCSANOW);
        throw std::runtime_error("Cannot turn off echo on " + terminalName(fd) + ": " + std::strerror(err));
    }
}

RawTerminal::~RawTerminal()
{
    // Late acknowledgements are dropped rather than left for the shell.
    restore(TCSAFLUSH);
}

SteadyTicks::SteadyTicks(int fd, std::chrono::milliseconds period)
    : fd_(fd)
    , period_(period)
    , deadline_(std::chrono::steady_clock::now())
{
}

void SteadyTicks::waitForTick(const std::function<void(char)>& typed)
{
    using namespace std::chrono;
    deadline_ += period_;
    for (;;) {
        const auto now = steady_clock::now();
        if (now >= deadline_)
            return;
        const auto left = ceil<milliseconds>(deadline_ - now);
        pollfd p{fd_, POLLIN, 0}; // a negative fd is ignored: a plain wait
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready <= 0 || fd_ < 0)
            continue; // timed out or interrupted: the deadline decides
        if ((p.revents & POLLIN) != 0) {
            char buffer[64];
            const ssize_t got = ::read(fd_, buffer, sizeof buffer);
            if (got > 0) {
                for (ssize_t i = 0; i < got; ++i)
                    typed(buffer[i]);
                continue;
            }
        }
        // End of input or a hang-up: nothing more will be typed.
        fd_ = -1;
    }
}

} // namespace pm::ctl
