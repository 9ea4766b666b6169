#pragma once
// A run of programming jobs, one key after another, through the scheduler:
// the keypad window's Restore and padmacroctl's send. Each job is the one
// the Program command raises: the same image, reports, acknowledgements
// and time limit.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/scheduler.h"

namespace pm {

struct KeyJob {
    uint8_t key = 0;
    ReportImage image{};
};

// Builds every key's image from its stored stroke file before anything is
// sent, so a file that cannot be read or converted stops the run before its
// first report ("Cannot open file ...", "'x' is not a valid integer value").
std::vector<KeyJob> jobsFromStoredMacros(const std::string& appDir, const std::vector<uint8_t>& keys);

class JobRun {
public:
    JobRun(Context& ctx, Scheduler& scheduler)
        : ctx_(ctx)
        , scheduler_(scheduler)
    {
    }

    bool running() const { return !jobs_.empty() && !finished_; }
    // Raises the first job; the scheduler's ticks carry it.
    void start(std::vector<KeyJob> jobs);
    // Ends the run; a job under way still runs to its end.
    void stop() { finished_ = true; }

    struct Step {
        uint8_t key;
        JobOutcome outcome;
        bool last; // the run is over: every key went through, or this one failed
    };
    // After every scheduler tick: a job that ended, and the next one raised.
    std::optional<Step> afterTick();

    size_t done() const { return done_; }
    size_t total() const { return jobs_.size(); }
    // The key whose job is under way.
    uint8_t currentKey() const { return jobs_.at(next_ - 1).key; }

private:
    void raise(size_t i);

    Context& ctx_;
    Scheduler& scheduler_;
    std::vector<KeyJob> jobs_;
    size_t next_ = 0; // jobs raised so far
    size_t done_ = 0; // jobs that went through
    bool finished_ = false;
};

} // namespace pm
