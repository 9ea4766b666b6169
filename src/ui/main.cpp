// Program entry: the keypad window, the editor and the message loop.
#include <QApplication>
#include <QStringList>
#include <cstdlib>
#include <memory>

#include "device/hid_platform.h"
#include "device/hid_sim.h"
#include "ui/application_qt.h"

int main(int argc, char* argv[])
{
    QApplication qtApp(argc, argv);
    // Only closing the keypad window ends the program; the editor comes and goes.
    QApplication::setQuitOnLastWindowClosed(false);

    const char* demoEnv = std::getenv("PADMACRO_DEMO");
    const bool demo = QCoreApplication::arguments().contains(QStringLiteral("--demo"))
        || (demoEnv && QByteArray(demoEnv) == "1");

    std::unique_ptr<pm::HidBackend> backend;
    pm::Application::Options options;
    if (demo) {
        // A keypad that is always plugged in and acknowledges every report.
        auto simulated = std::make_unique<pm::SimulatedKeypad>();
        simulated->add(pm::SimulatedKeypad::Interface{}, 0);
        simulated->setAck(pm::SimulatedKeypad::AckMode::On);
        options.simulated = simulated.get();
        backend = std::move(simulated);
    } else {
        backend = pm::createPlatformHidBackend();
    }
    options.backend = backend.get();

    pm::Application app(options);
    if (!app.start())
        return 1;
    return QApplication::exec();
}
