// padmacro-scenario SCRIPT: runs a scenario script against the real program
// with a simulated keypad and prints what a user or the keypad would observe.
#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "base/paths.h"
#include "device/hid_sim.h"
#include "runner_qt.h"
#include "script.h"
#include "ui/application_qt.h"

namespace {

void printLine(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    using namespace pm::scenario;
    if (argc != 2) {
        std::fprintf(stderr, "usage: padmacro-scenario SCRIPT\n");
        return 1;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "padmacro-scenario: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto lines = parseScript(text);

    const auto runtimeDir = prepareOffscreen();
    QApplication qapp(argc, argv);

    const std::string appDir = pm::currentDirectory();
    pm::SimulatedKeypad sim;
    pm::Application::Options options;
    options.backend = &sim;
    options.takeAcks = [&sim] { return sim.takeAcks(); };
    options.realTimers = false;
    options.onError = [](const std::string& m) { printLine("error " + quote(m)); };
    options.onMessage = [](const std::string& m) { printLine("message " + quote(m)); };
    options.onNotice = options.onMessage;
    bool exited = false;
    options.onExit = [&exited] { exited = true; };

    pm::Application app(options);
    if (!app.start()) {
        printLine("exit");
        return 2;
    }
    Runner runner(app, sim, appDir, printLine);
    for (const auto& line : lines) {
        bool goesOn;
        try {
            goesOn = runner.run(line);
        } catch (const ScriptError& e) {
            std::fflush(stdout);
            std::fprintf(stderr, "script error: line %d: %s\n", line.number, e.what());
            return 1;
        }
        if (!goesOn || exited) {
            printLine("exit");
            return 0;
        }
    }
    return 0;
}
