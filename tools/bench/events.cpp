// padmacro-bench-events [N]: the cost of one event of each kind, driven through
// the real windows as the scenario runner drives them, at N and at 10 N
// repetitions, with the heap's growth per event. Runs in the current folder,
// which must be a copy of the staged application directory.
#include <QApplication>
#include <QTemporaryDir>
#include <QWidget>
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "base/paths.h"
#include "device/hid_sim.h"
#include "runner_qt.h"
#include "script.h"
#include "ui/application_qt.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Kind {
    const char* name;
    const char* setup;    // once, before the first repetition
    const char* body;     // one repetition
    int eventsPerBody;    // what one repetition counts as
    const char* teardown; // once, after the last
    int scale;            // repetitions are N / scale
};

// A stroke needs Delete after it, or the macro would fill up; a job needs the
// editor opened, emptied, one stroke and Program, then ticks until it is done;
// a keypad plugged in is found within one discovery period (16 ticks). The
// simulated keypad keeps every report until they are printed, so each job
// prints them, as a scenario would.
const Kind kKinds[] = {
    {"editor click (a stroke, then Delete)", "click Key_9", "click KeyQ\nclick SpeedButton4", 2, "close Form2", 1},
    {"choosing a key, closing the editor", "", "click Key_9\nclose Form2", 1, "", 1},
    {"layout switch", "", "click BitBtn1", 1, "", 1},
    {"programming job (4 clicks, 3 ticks)", "device add\ntick 20",
        "click Key_9\nclick SpeedButton3\nclick KeyQ\nclick SpeedButton2\ntick 3\nprint reports", 1, "device remove", 4},
};

size_t heapInUse()
{
    return mallinfo2().uordblks;
}

struct Cost {
    double us[2] = {0, 0}; // per event, at N / scale and at ten times that
    double growth = 0;     // heap bytes per event, at the larger count
};

Cost measure(const Kind& kind, int n, const std::function<void(const char*)>& run)
{
    run(kind.setup);
    const int base = std::max(1, n / kind.scale);
    Cost cost;
    for (int round = 0; round < 2; ++round) {
        const int reps = round == 0 ? base : 10 * base;
        // One repetition outside the count, so caches filled once are not growth.
        run(kind.body);
        const size_t heapBefore = heapInUse();
        const auto start = Clock::now();
        for (int i = 0; i < reps; ++i)
            run(kind.body);
        const double elapsed = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
        const double events = static_cast<double>(reps) * kind.eventsPerBody;
        cost.us[round] = elapsed / events;
        if (round == 1)
            cost.growth = (static_cast<double>(heapInUse()) - static_cast<double>(heapBefore)) / events;
    }
    run(kind.teardown);
    return cost;
}

} // namespace

int main(int argc, char* argv[])
{
    using namespace pm::scenario;
    const int n = argc > 1 ? std::atoi(argv[1]) : 1000;
    const auto runtimeDir = prepareOffscreen();
    QApplication qapp(argc, argv);

    pm::SimulatedKeypad sim;
    pm::Application::Options options;
    options.backend = &sim;
    options.takeAcks = [&sim] { return sim.takeAcks(); };
    options.realTimers = false;
    std::string lastBox;
    int boxes = 0;
    options.onError = [&](const std::string& m) { ++boxes, lastBox = m; };
    options.onMessage = options.onError;
    options.onNotice = options.onError;
    pm::Application app(options);
    if (!app.start()) {
        std::fprintf(stderr, "padmacro-bench-events: start-up failed: %s\n", lastBox.c_str());
        return 1;
    }
    Runner runner(app, sim, pm::currentDirectory(), [](const std::string&) {});
    auto run = [&](const char* text) {
        for (const ScriptLine& line : parseScript(text))
            runner.run(line);
    };

    // The runner's windows draw nothing unless asked; the second pass has
    // them draw into their offscreen buffers after every line, as on screen.
    for (const bool drawn : {false, true}) {
        for (QWidget* w : QApplication::topLevelWidgets())
            w->setUpdatesEnabled(drawn);
        std::printf("%sEvents through the real windows (offscreen, %s), time per event at two counts\n",
            drawn ? "\n" : "", drawn ? "drawn" : "handlers only");
        std::printf("  %-42s %12s %12s %14s\n", "", "us, 1x", "us, 10x", "heap/event");
        for (const Kind& kind : kKinds) {
            const Cost cost = measure(kind, n, run);
            std::printf("  %-42s %12.1f %12.1f %12.0f B\n", kind.name, cost.us[0], cost.us[1], cost.growth);
        }
    }
    if (boxes > 0)
        std::printf("  (%d message boxes came up; the last: %s)\n", boxes, lastBox.c_str());
    return 0;
}
