// Program entry: the options, the application folder, the keypad window,
// the editor and the message loop.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "app/app_dir.h"
#include "app/command_line.h"
#include "app/folder_lock.h"
#include "app/udev_access.h"
#include "base/text.h"
#include "device/hid_platform.h"
#include "device/hid_sim.h"
#include "ui/application_qt.h"
#include "ui/picture_control_qt.h"
#include "ui/single_instance_qt.h"
#include "ui/text_qt.h"

namespace {

// Start-up failures reach the terminal and, for a start from the menu, a box.
int startFailed(const std::string& text)
{
    std::fprintf(stderr, "padmacro: %s\n", pm::escapedText(text).c_str());
    // The windows get the icon while start-up waits; this box comes before.
    QApplication::setWindowIcon(pm::appIcon());
    QMessageBox box(
        QMessageBox::Critical, QStringLiteral("padmacro"), pm::messageText(text), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    return 1;
}

// Chooses the application folder and makes it the current one; an exit
// status when start-up ends here.
std::optional<int> enterAppDir(const pm::CommandLine& cl, pm::AppDirChoice& where)
{
    try {
        where = pm::resolveAppDir(pm::processAppDirInputs(cl.dir, cl.userDir));
        std::error_code ec;
        std::filesystem::current_path(where.dir, ec);
        if (ec)
            return startFailed(
                "Cannot open " + where.dir + ": " + ec.message() + ". " + pm::appDirNote(where));
    } catch (const pm::AppDirError& e) {
        return startFailed(e.what());
    }
    return std::nullopt;
}

// Another window on the folder is brought to the front and this start ends;
// a lock that cannot be used only costs that. An exit status when start-up
// ends here.
std::optional<int> checkFolderLock(const pm::FolderLock& lock, const std::string& dir)
{
    if (lock.state() == pm::FolderLock::State::Busy) {
        if (lock.holder() == pm::kWindowHolder && pm::callRunningWindow(dir, 10000)) {
            std::printf(
                "padmacro is already open on %s: its window was brought to the front.\n", dir.c_str());
            return 0;
        }
        return startFailed(pm::folderBusyText(lock, dir) + "; start padmacro again when it is done.");
    }
    if (lock.state() == pm::FolderLock::State::Unavailable)
        std::fprintf(stderr,
            "padmacro: %s cannot be used (%s); a second start on this folder will not be noticed.\n",
            lock.path().c_str(), lock.why().c_str());
    return std::nullopt;
}

// A keypad that is always plugged in and acknowledges every report.
std::unique_ptr<pm::HidBackend> simulatedKeypad(pm::Application::Options& options)
{
    auto simulated = pm::SimulatedKeypad::pluggedIn();
    options.takeAcks = [keypad = simulated.get()] { return keypad->takeAcks(); };
    // Nothing typed here reaches a real keypad: the title says so.
    options.keypadTitle = "padmacro \u2014 simulated keypad";
    return simulated;
}

} // namespace

int main(int argc, char* argv[])
{
    const pm::CommandLine cl = pm::parseCommandLine(argc, argv);
    switch (cl.action) {
    case pm::CommandLine::Action::Help: std::fputs(pm::usageText(), stdout); return 0;
    case pm::CommandLine::Action::Version: std::fputs(pm::versionText("padmacro").c_str(), stdout); return 0;
    case pm::CommandLine::Action::UsageError:
        std::fprintf(stderr, "padmacro: %s\n%s", cl.error.c_str(), pm::usageText());
        return 2;
    case pm::CommandLine::Action::Run: break;
    }

    QApplication qtApp(argc, argv);
    // Only closing the keypad window ends the program; the editor comes and goes.
    QApplication::setQuitOnLastWindowClosed(false);
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.padmacro.padmacro"));

    // The windows take AppDir from the current folder.
    pm::AppDirChoice where;
    if (const std::optional<int> failed = enterAppDir(cl, where))
        return *failed;

    // One window per folder: a second start brings the first to the front.
    const pm::FolderLock lock(where.dir, pm::kWindowHolder);
    if (const std::optional<int> ended = checkFolderLock(lock, where.dir))
        return *ended;

    const char* demoEnv = std::getenv("PADMACRO_DEMO");
    const bool demo = cl.demo || (demoEnv && QByteArray(demoEnv) == "1");

    pm::Application::Options options;
    const std::unique_ptr<pm::HidBackend> backend
        = demo ? simulatedKeypad(options) : pm::createPlatformHidBackend();
    options.backend = backend.get();
    options.startNote = pm::appDirNote(where);

    pm::Application app(options);
    app.context().udev = pm::thisUdevSetup();
    std::unique_ptr<pm::WindowCalls> calls;
    if (lock.state() == pm::FolderLock::State::Held)
        calls = std::make_unique<pm::WindowCalls>(where.dir, [&app] { app.bringToFront(); });
    if (!app.start()) {
        std::fprintf(stderr, "padmacro: cannot start. %s\n", pm::escapedText(options.startNote).c_str());
        return 1;
    }
    return QApplication::exec();
}
