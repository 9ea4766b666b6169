#include "app/job_run.h"

#include "base/paths.h"
#include "storage/line_list.h"
#include "storage/macro_files.h"

namespace pm {

std::vector<KeyJob> jobsFromStoredMacros(const std::string& appDir, const std::vector<uint8_t>& keys)
{
    std::vector<KeyJob> jobs;
    for (const uint8_t key : keys) {
        LineList strokes;
        strokes.loadFromFile(platformPath(appDir, strokeFileLiteral(key)));
        KeyJob job;
        job.key = key;
        buildReportImage(job.image, strokes.lines(), key);
        jobs.push_back(job);
    }
    return jobs;
}

void JobRun::start(std::vector<KeyJob> jobs)
{
    jobs_ = std::move(jobs);
    next_ = 0;
    done_ = 0;
    finished_ = jobs_.empty();
    scheduler_.takeJobOutcome(); // an outcome from before belongs to no job of this run
    if (!finished_)
        raise(0);
}

void JobRun::raise(size_t i)
{
    ctx_.image = jobs_[i].image;
    scheduler_.raiseJob();
    next_ = i + 1;
}

std::optional<JobRun::Step> JobRun::afterTick()
{
    if (!running())
        return std::nullopt;
    const std::optional<JobOutcome> outcome = scheduler_.takeJobOutcome();
    if (!outcome)
        return std::nullopt;
    const Step step{currentKey(), *outcome, *outcome != JobOutcome::Ok || next_ == jobs_.size()};
    if (*outcome == JobOutcome::Ok)
        ++done_;
    if (step.last)
        finished_ = true;
    else
        raise(next_);
    return step;
}

} // namespace pm
