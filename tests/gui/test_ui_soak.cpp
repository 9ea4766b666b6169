// A long run of random events through the real windows and the simulated
// keypad: clicks anywhere, ticks of both timers, typed keystrokes, the
// keypad unplugged and plugged in, export, import and restore. After every
// event the program's state must hold together, and at the end every macro
// it stored must be one an import accepts.
#include <QApplication>
#include <QPushButton>
#include <QToolButton>
#include <gtest/gtest.h>

#include <random>
#include <unistd.h>

#include "app/scheduler.h"
#include "device/hid_sim.h"
#include "editor/physical_keys.h"
#include "storage/macro_check.h"
#include "storage/macro_set.h"
#include "ui/application_qt.h"
#include "ui/editor_window_qt.h"
#include "ui/keypad_window_qt.h"
#include "ui/picture_control_qt.h"
#include "ui_test_support.h"

namespace pm {
namespace {

class Soak : public ::testing::TestWithParam<unsigned> {
protected:
    void SetUp() override
    {
        oldDir_ = fs::current_path();
        root_ = fs::temp_directory_path() / ("padmacro-soak-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        makeAppDir(root_);
        fs::current_path(root_);
        Application::Options o;
        o.backend = &sim_;
        o.takeAcks = [this] { return sim_.takeAcks(); };
        o.realTimers = false;
        o.onError = [this](const std::string& text) { errors_.push_back(text); };
        o.onMessage = [](const std::string&) {};
        o.onNotice = [](const std::string&) {};
        o.onExit = [] {};
        app_ = std::make_unique<Application>(o);
        ASSERT_TRUE(app_->start());
    }
    void TearDown() override
    {
        app_.reset();
        fs::current_path(oldDir_);
        fs::remove_all(root_);
    }

    // A control the window system would deliver a click to, or null.
    static QWidget* reachable(QWidget* w)
    {
        return w && w->window()->isVisible() && w->isVisible() && w->isEnabled() ? w : nullptr;
    }
    QWidget* pick(std::mt19937& rng)
    {
        auto any = [&](size_t n) { return static_cast<size_t>(rng() % n); };
        KeypadWindow* f1 = app_->form1();
        EditorWindow* f2 = app_->form2();
        // Mostly controls of the window that is shown, as a user would click.
        if (f1->isVisible() && any(5) != 0)
            return any(6) == 0 ? static_cast<QWidget*>(f1->bitBtn1())
                               : f1->key(static_cast<int>(any(kKeypadKeys.size())));
        // The Program button comes up often enough for macros to be stored.
        if (f2->isVisible() && any(8) == 0)
            return f2->findChild<QToolButton*>(QStringLiteral("SpeedButton2"));
        switch (any(6)) {
        case 0: return f1->key(static_cast<int>(any(kKeypadKeys.size())));
        case 1: return f1->bitBtn1();
        case 2: return f2->recordKey(static_cast<int>(any(kRecordKeys.size())));
        case 3: return f2->modifierKey(static_cast<int>(any(kModifierKeys.size())));
        case 4: return f2->numLockKey();
        default:
            return f2->findChild<QToolButton*>(QStringLiteral("SpeedButton%1").arg(1 + any(4)));
        }
    }

    void event(std::mt19937& rng)
    {
        const unsigned roll = rng() % 100;
        if (roll < 40) {
            QWidget* w = reachable(pick(rng));
            if (!w)
                return;
            const bool program = w->objectName() == QStringLiteral("SpeedButton2");
            click(w, rng() % 5 == 0 ? Qt::RightButton : Qt::LeftButton);
            programs_ += program && !app_->editor().isOpen();
        } else if (roll < 62) {
            app_->tick();
        } else if (roll < 70) {
            app_->editorTick();
        } else if (roll < 74) {
            app_->typeIntoFocus(std::string(1, "abAB"[rng() % 4]));
        } else if (roll < 75) {
            sim_.removeAll();
        } else if (roll < 82) {
            sim_.add({}, static_cast<int>(rng() % 2)); // at 0 again: unplugged and plugged in
        } else if (roll < 84) {
            sim_.setAck(rng() % 4 == 0 ? SimulatedKeypad::AckMode::Off : SimulatedKeypad::AckMode::On);
        } else if (roll < 86 && app_->form1()->isVisible()) {
            app_->form1()->exportMacrosTo(QString::fromStdString((root_ / "soak.txt").string()));
        } else if (roll < 87 && app_->form1()->isVisible() && fs::exists(root_ / "soak.txt")) {
            app_->form1()->importMacrosFrom(QString::fromStdString((root_ / "soak.txt").string()));
        } else if (roll < 89) {
            app_->form1()->restoreKeypad();
        } else if (roll < 91 && app_->form2()->isVisible()) {
            app_->form2()->close();
        } else if (roll < 98) {
            // A key of the computer's keyboard pressed or let go, as X11 reports it.
            const PhysicalKey& k = kPhysicalKeys[rng() % kPhysicalKeys.size()];
            QWidget* target = app_->focusedControl();
            if (!target)
                target = app_->form2()->isVisible() ? static_cast<QWidget*>(app_->form2()) : app_->form1();
            Application::sendKey(
                target, rng() % 2 ? QEvent::KeyPress : QEvent::KeyRelease, 0, scanCodeOf(k, ScanCodes::Xkb));
        }
    }

    // What must hold after every event.
    void checkInvariants(int step)
    {
        SCOPED_TRACE("event " + std::to_string(step));
        const AppState& s = app_->context().state;
        const EditorState& e = app_->editor().state();
        const bool form1 = app_->form1()->isVisible();
        const bool form2 = app_->form2()->isVisible();
        ASSERT_NE(form1, form2) << "exactly one window is shown";
        ASSERT_EQ(form2, app_->editor().isOpen());
        ASSERT_LE(e.KeyNum.count(), 30);
        ASSERT_EQ(e.TextLines, std::to_string(e.KeyNum.count()));
        ASSERT_EQ(e.ModState & kLockableBits, e.ModLock);
        ASSERT_LE(e.KeyCode.count(), 41); // 40 lines and a pending placeholder at most
        const int lines = std::min(e.KeyCode.count(), 40) - (e.ReplaceLast && !e.KeyCode.empty() ? 1 : 0);
        for (int i = 0; i < lines; ++i)
            ASSERT_EQ(e.LineLen[static_cast<size_t>(i)], static_cast<int32_t>(e.KeyCode.line(i).size()))
                << "display line " << i << " '" << e.KeyCode.line(i) << "'";
        if (s.KeypadFound == 0) {
            ASSERT_EQ(app_->context().link.DeviceHandle, kInvalidHandle);
            ASSERT_EQ(app_->context().link.WriteHandle, kInvalidHandle);
        }
        const std::string& status = app_->scheduler().statusLine().text;
        bool known = status.empty();
        for (int code = 1; code < 8; ++code)
            known = known
                || (statusMessage(static_cast<uint8_t>(code))
                    && status == statusMessage(static_cast<uint8_t>(code)));
        ASSERT_TRUE(known) << status;
        ASSERT_TRUE(errors_.empty()) << errors_.front();
    }

    SimulatedKeypad sim_;
    std::unique_ptr<Application> app_;
    std::vector<std::string> errors_;
    int programs_ = 0; // Program commands that stored a macro
    fs::path root_;
    fs::path oldDir_;
};

TEST_P(Soak, StateHoldsTogetherAndEveryStoredMacroCanBeImported)
{
    std::mt19937 rng(GetParam());
    for (int step = 0; step < 4000; ++step) {
        event(rng);
        checkInvariants(step);
        if (HasFatalFailure())
            return;
    }
    std::vector<int> keys(kDeviceKeyNumbers.begin(), kDeviceKeyNumbers.end());
    const MacroSet stored = readMacroSet((root_ / "log").string(), keys);
    for (const auto& [key, files] : stored) {
        const auto problem = macroProblem(files);
        EXPECT_FALSE(problem) << "key " << key << ": " << macroFileName(problem->file, key) << " line "
                              << problem->line << ": " << problem->why;
    }
    EXPECT_GT(programs_, 3) << "the run should have stored some macros";
}

INSTANTIATE_TEST_SUITE_P(Seeds, Soak, ::testing::Values(1u, 2u, 3u));

} // namespace
} // namespace pm
