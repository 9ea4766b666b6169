#pragma once
// The terminal that send reads the keypad's acknowledgements from: no echo,
// no line editing, and put back as it was however the program ends.
#include <chrono>
#include <functional>

#include "cli/ctl.h"

namespace pm::ctl {

// Turns echo and canonical input off on fd (signals stay on) and puts the
// terminal back on destruction and on SIGINT, SIGTERM, SIGHUP, SIGQUIT and
// SIGABRT, which are then raised again. On SIGTSTP the terminal is put back
// before the program stops and set again once it is continued. One at a
// time. Throws std::runtime_error naming the terminal when it cannot be set.
class RawTerminal {
public:
    explicit RawTerminal(int fd);
    ~RawTerminal();
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;
};

// Ticks every period on a steady clock, reading what is typed on fd (none
// when fd < 0) while it waits. A late tick does not move the ones after it.
class SteadyTicks : public TickClock {
public:
    SteadyTicks(int fd, std::chrono::milliseconds period);
    void waitForTick(const std::function<void(char)>& typed) override;

private:
    int fd_;
    std::chrono::milliseconds period_;
    std::chrono::steady_clock::time_point deadline_;
};

// SteadyTicks on fd with the terminal in RawTerminal's mode while it lives.
class TerminalTicks : public TickClock {
public:
    TerminalTicks(int fd, std::chrono::milliseconds period)
        : raw_(fd)
        , ticks_(fd, period)
    {
    }
    void waitForTick(const std::function<void(char)>& typed) override { ticks_.waitForTick(typed); }

private:
    RawTerminal raw_;
    SteadyTicks ticks_;
};

} // namespace pm::ctl
