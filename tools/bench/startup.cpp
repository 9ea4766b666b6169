// padmacro-bench-startup RUNS APPDIR PROGRAM BARE
//
// Starts PROGRAM (padmacro built with first_paint.cpp) and BARE (the bare
// window) one after the other, RUNS times each, in APPDIR under the display
// of the environment, and prints the medians side by side: exec to the first
// painted window, exec to exit, CPU time and peak memory.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

extern char** environ;

namespace {

// What start-up must spend waiting before the first refresh of the keys.
constexpr double kRequiredWaitMs = 100.0;

struct Run {
    double paintMs = 0, exitMs = 0, cpuMs = 0, peakMiB = 0;
};

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

bool runOnce(const char* program, const char* dir, Run& out)
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addchdir_np(&actions, dir);
    char* argv[] = {const_cast<char*>(program), nullptr};
    const double start = nowMs();
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        std::fprintf(stderr, "padmacro-bench-startup: cannot start %s\n", program);
        return false;
    }
    std::string text;
    char buf[256];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        text.append(buf, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double end = nowMs();
    const size_t at = text.find("first-paint ");
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || at == std::string::npos) {
        std::fprintf(stderr, "padmacro-bench-startup: %s ended without a painted window\n", program);
        return false;
    }
    const double paintNs = std::strtod(text.c_str() + at + 12, nullptr);
    out.paintMs = paintNs / 1e6 - start;
    out.exitMs = end - start;
    auto ms = [](const timeval& tv) { return static_cast<double>(tv.tv_sec) * 1e3 + static_cast<double>(tv.tv_usec) / 1e3; };
    out.cpuMs = ms(usage.ru_utime) + ms(usage.ru_stime);
    out.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return true;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

template <typename F> double medianOf(const std::vector<Run>& runs, F field)
{
    std::vector<double> v;
    for (const Run& r : runs)
        v.push_back(field(r));
    return median(v);
}

void row(const char* what, double program, double bare, const char* target)
{
    std::printf("  %-34s %9.1f %9.1f %7.2fx  %s\n", what, program, bare, program / bare, target);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: padmacro-bench-startup RUNS APPDIR PROGRAM BARE\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    const char* dir = argv[2];
    const char* program = argv[3];
    const char* bare = argv[4];

    // One of each first, uncounted: the caches of the disk and the X server.
    Run warm;
    if (!runOnce(program, dir, warm) || !runOnce(bare, dir, warm))
        return 1;
    std::vector<Run> ours, theirs;
    for (int i = 0; i < runs; ++i) {
        Run a, b;
        // Alternating which goes first keeps a drift of the machine's load fair.
        const bool programFirst = i % 2 == 0;
        if (!runOnce(programFirst ? program : bare, dir, programFirst ? a : b)
            || !runOnce(programFirst ? bare : program, dir, programFirst ? b : a))
            return 1;
        ours.push_back(a);
        theirs.push_back(b);
    }

    const double paint = medianOf(ours, [](const Run& r) { return r.paintMs; });
    const double barePaint = medianOf(theirs, [](const Run& r) { return r.paintMs; });
    std::printf("Start-up under X, %d interleaved runs each, medians\n", runs);
    std::printf("  %-34s %9s %9s %8s  %s\n", "", "padmacro", "bare", "ratio", "target");
    std::printf("  %-34s %9.1f %9.1f\n", "exec to first paint (ms)", paint, barePaint);
    std::printf("  %-34s %9.1f %9s\n", "  of which the required wait (ms)", kRequiredWaitMs, "-");
    row("  beyond the wait (ms)", paint - kRequiredWaitMs, barePaint, "<= 1.20x");
    row("exec to exit, beyond the wait (ms)",
        medianOf(ours, [](const Run& r) { return r.exitMs; }) - kRequiredWaitMs,
        medianOf(theirs, [](const Run& r) { return r.exitMs; }), "");
    row("CPU time, user+sys (ms)", medianOf(ours, [](const Run& r) { return r.cpuMs; }),
        medianOf(theirs, [](const Run& r) { return r.cpuMs; }), "<= 1.50x");
    row("peak memory (MiB)", medianOf(ours, [](const Run& r) { return r.peakMiB; }),
        medianOf(theirs, [](const Run& r) { return r.peakMiB; }), "<= 1.25x");
    return 0;
}
