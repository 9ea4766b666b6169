// The 300 ms scheduler over a simulated keypad: discovery timing, the two
// halves of a job and their acknowledgements, the time limit and the status
// bar text.
#include "keypad_core_fixture.h"

#include "app/scheduler.h"
#include "device/hid_sim.h"

using namespace pmtest;
using pm::SimulatedKeypad;

namespace {

class SchedulerTest : public ::testing::Test {
protected:
    SimulatedKeypad sim;
    pm::Context ctx{sim};
    FakeShell shell;
    pm::Scheduler sched{ctx, shell};
    const pm::StatusLine& status = sched.statusLine();
    pm::AppState& st = ctx.state;

    // One timer tick, then the keystrokes the keypad typed meanwhile, as
    // they arrive at Memo1 (virtual-key codes of the upper-case letters).
    void tick(int n = 1)
    {
        for (int i = 0; i < n; ++i) {
            sched.Timer1Timer();
            for (char c : sim.takeAcks())
                sched.Memo1KeyDown(static_cast<uint16_t>(c - 'a' + 'A'));
        }
    }
    void attachAndDiscover()
    {
        sim.add({});
        tick(3);
        ASSERT_EQ(st.KeypadFound, 1);
        sim.takeReports();
    }
    void raiseJob()
    {
        for (size_t i = 1; i <= 64; ++i)
            ctx.image[i] = static_cast<uint8_t>(i);
        ctx.image[1] = 0x55; // the keypad answers a first half with A
        st.WritePending = 1;
        st.ProgramState = 1;
    }
};

} // namespace

// The status bar after each thing that happens to the keypad and to a job
// started from the editor: each code must bring its own words.
TEST_F(KeypadCoreTest, TheStatusBarSaysWhatLastHappenedToTheKeypad)
{
    const std::string& bar = session.scheduler().statusLine().text;
    const auto tick = [&](int n) {
        for (int i = 0; i < n; ++i) {
            session.tick();
            for (char c : sim.takeAcks())
                session.scheduler().Memo1KeyDown(static_cast<uint16_t>(c - 'a' + 'A'));
        }
    };
    const auto chooseKeyWithAStroke = [&] {
        keypad.keyMouseDown(key("Key_9"));
        ed().KeyCode.add("q");
        ed().KeyNum.add("0,20");
        ed().LineLen[0] = 1;
    };

    tick(2);
    EXPECT_EQ(bar, ""); // nothing to say before the first search
    tick(1);
    EXPECT_EQ(bar, "USB Device detect...");

    chooseKeyWithAStroke();
    shell.take();
    editor.SpeedButton2Click();
    EXPECT_EQ(shell.take(), Lines{"message:USB Keyboar remove or USB not get device"});
    tick(1);
    EXPECT_EQ(bar, "USB Keyboar remove or USB not get device");

    sim.add({});
    tick(14); // the next search comes a whole period after Program
    EXPECT_EQ(bar, "USB Keyboar remove or USB not get device");
    tick(1);
    EXPECT_EQ(bar, "USB Keyboard Device get");

    editor.SpeedButton2Click(); // the editor stayed open on the same macro
    ASSERT_FALSE(editor.isOpen());
    tick(1);
    EXPECT_EQ(bar, "USB Keyboard Device get");
    tick(1);
    EXPECT_EQ(bar, "Programming...");
    tick(1);
    EXPECT_EQ(bar, "Program OK");

    // A keypad that never confirms the second half.
    sim.setAck(SimulatedKeypad::AckMode::AOnly);
    chooseKeyWithAStroke();
    editor.SpeedButton2Click();
    tick(10);
    EXPECT_EQ(bar, "Programming...");
    tick(1);
    EXPECT_EQ(bar, "Program falure");
}

TEST_F(SchedulerTest, ACodeWithoutWordsOfItsOwnLeavesTheStatusBarAsItIs)
{
    attachAndDiscover();
    for (int code : {0, 5, 8, 255}) {
        st.StatusCode = static_cast<uint8_t>(code);
        tick();
        EXPECT_EQ(status.text, "USB Keyboard Device get") << code;
    }
}

// ---- discovery ----------------------------------------------------------------

TEST_F(SchedulerTest, WithoutAKeypadTheFirstAttemptIsTickThreeThenEverySixteen)
{
    tick(2);
    EXPECT_EQ(status.text, "");
    EXPECT_FALSE(status.simple);
    EXPECT_EQ(ctx.link.discoveryAttempts, 0);

    tick();
    EXPECT_EQ(ctx.link.discoveryAttempts, 1);
    EXPECT_TRUE(status.simple);
    EXPECT_EQ(status.text, "USB Device detect...");
    EXPECT_EQ(st.StatusCode, 1);

    tick(15); // tick 18
    EXPECT_EQ(ctx.link.discoveryAttempts, 1);
    tick(); // tick 19
    EXPECT_EQ(ctx.link.discoveryAttempts, 2);
    tick(16); // tick 35
    EXPECT_EQ(ctx.link.discoveryAttempts, 3);
}

TEST_F(SchedulerTest, AKeypadAttachedLaterIsFoundAtTheNextAttemptAndLatched)
{
    tick(3);
    sim.add({});
    tick(15);
    EXPECT_EQ(status.text, "USB Device detect...");
    tick(); // tick 19
    EXPECT_EQ(status.text, "USB Keyboard Device get");
    EXPECT_EQ(st.KeypadFound, 1);
    EXPECT_EQ(st.DeviceFlags, pm::kKeypadLatched);

    // Found: not looked for again while it stays plugged in.
    tick(100);
    EXPECT_EQ(ctx.link.discoveryAttempts, 2);
    EXPECT_EQ(status.text, "USB Keyboard Device get");
}

TEST_F(SchedulerTest, AnUnpluggedKeypadIsLetGoAndFoundAgainWhenItComesBack)
{
    const size_t handlesBefore = sim.openHandleCount();
    attachAndDiscover();
    for (int cycle = 0; cycle < 100; ++cycle) {
        sim.removeAll();
        tick(); // noticed within one tick
        ASSERT_EQ(st.KeypadFound, 0);
        ASSERT_EQ(st.DeviceFlags & pm::kKeypadLatched, 0);
        ASSERT_EQ(ctx.link.DeviceHandle, pm::kInvalidHandle);
        ASSERT_EQ(ctx.link.WriteHandle, pm::kInvalidHandle);
        tick(15);
        ASSERT_EQ(status.text, "USB Device detect...");
        sim.add({});
        tick(16);
        ASSERT_EQ(status.text, "USB Keyboard Device get");
        ASSERT_EQ(st.KeypadFound, 1);
    }
    ctx.link.CloseKeypad();
    EXPECT_EQ(sim.openHandleCount(), handlesBefore);
}

TEST_F(SchedulerTest, AJobCutOffByAnUnplugFailsThenDiscoveryResumesAndTheNextJobSucceeds)
{
    attachAndDiscover();
    raiseJob();
    sim.removeAll();
    tick(10);
    EXPECT_EQ(st.ProgramState, 0);
    tick();
    EXPECT_EQ(status.text, "Program falure");
    // One discovery period after the failure, not 256 ticks.
    tick(15);
    EXPECT_EQ(status.text, "USB Device detect...");
    sim.add({});
    tick(16);
    EXPECT_EQ(status.text, "USB Keyboard Device get");
    sim.takeReports();
    raiseJob();
    tick(3);
    EXPECT_EQ(status.text, "Program OK");
    EXPECT_EQ(sim.takeReports().size(), 2u);
}

TEST_F(SchedulerTest, AKeypadThatMayNotBeOpenedIsToldOncePerPlugIn)
{
    SimulatedKeypad::Interface denied;
    denied.open = SimulatedKeypad::OpenBehaviour::Denied;
    sim.add(denied);
    tick(3 + 16 * 3);
    EXPECT_EQ(st.KeypadFound, 0);
    EXPECT_EQ(status.text, "USB Device detect...");
    auto notices = [&] {
        int n = 0;
        for (const auto& e : shell.take())
            n += e.rfind("notice:", 0) == 0 && e.find("may not write") != std::string::npos;
        return n;
    };
    EXPECT_EQ(notices(), 1);
    sim.removeAll();
    sim.add(denied); // plugged in again: told again
    tick(16);
    EXPECT_EQ(notices(), 1);
}

TEST_F(SchedulerTest, AKeypadPresentAtStartIsShownFromTickThree)
{
    sim.add({});
    tick(2);
    EXPECT_EQ(status.text, "");
    tick();
    EXPECT_EQ(status.text, "USB Keyboard Device get");
    EXPECT_EQ(st.StatusCode, 2);
    EXPECT_EQ(st.DetectCountdown, 16);
}

// ---- a programming job -----------------------------------------------------------

TEST_F(SchedulerTest, AWholeJobWritesBothHalvesAndEndsInProgramOk)
{
    attachAndDiscover();
    raiseJob();

    tick(); // first half written, keypad types A
    auto reports = sim.takeReports();
    ASSERT_EQ(reports.size(), 1u);
    ASSERT_EQ(reports[0].bytes.size(), 33u);
    EXPECT_EQ(reports[0].bytes[0], 0);
    EXPECT_EQ(reports[0].bytes[1], 0x55);
    EXPECT_EQ(reports[0].bytes[2], 2);
    EXPECT_EQ(reports[0].bytes[32], 32);
    EXPECT_EQ(st.ProgramState, 2);
    EXPECT_EQ(st.TimeoutTicks, 1);
    EXPECT_EQ(st.WritePending, 0);
    EXPECT_EQ(status.text, "USB Keyboard Device get");

    tick(); // "Programming...", second half written, keypad types B
    EXPECT_EQ(status.text, "Programming...");
    reports = sim.takeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].bytes[1], 33);
    EXPECT_EQ(reports[0].bytes[32], 64);
    EXPECT_EQ(st.ProgramState, 4);
    EXPECT_EQ(st.TimeoutTicks, 2);
    EXPECT_TRUE(shell.events.empty());

    tick();
    EXPECT_EQ(status.text, "Program OK");
    EXPECT_EQ(st.ProgramState, 0);
    EXPECT_EQ(st.TimeoutTicks, 0);
    EXPECT_EQ(shell.take(), std::vector<std::string>{"clearMemo1"});
    EXPECT_TRUE(sim.takeReports().empty());

    // The status keeps its text while nothing happens.
    tick(20);
    EXPECT_EQ(status.text, "Program OK");
}

TEST_F(SchedulerTest, AJobWithoutTheSecondAcknowledgementFailsAtTheEleventhTick)
{
    attachAndDiscover();
    sim.setAck(SimulatedKeypad::AckMode::AOnly);
    raiseJob();

    tick(9);
    EXPECT_EQ(st.ProgramState, 3);
    EXPECT_EQ(st.TimeoutTicks, 9);
    tick(); // tenth tick: the job is given up
    EXPECT_EQ(st.ProgramState, 0);
    EXPECT_EQ(st.StatusCode, 7);
    EXPECT_EQ(st.TimeoutTicks, 0);
    EXPECT_EQ(st.DetectCountdown, 0);
    EXPECT_EQ(status.text, "Programming...");
    tick(); // eleventh tick shows it
    EXPECT_EQ(status.text, "Program falure");
    EXPECT_EQ(st.ProgramState, 0);
    EXPECT_EQ(st.TimeoutTicks, 0);
}

TEST_F(SchedulerTest, AFailedWriteShowsNoProgrammingAndTimesOut)
{
    attachAndDiscover();
    sim.removeAll(); // unplugged after discovery: the handles stay, writes fail
    raiseJob();

    tick();
    auto reports = sim.takeReports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_FALSE(reports[0].ok);
    EXPECT_EQ(st.WriteOk, 0);
    tick(9);
    EXPECT_EQ(status.text, "USB Keyboard Device get");
    tick();
    EXPECT_EQ(status.text, "Program falure");
    EXPECT_EQ(ctx.link.discoveryAttempts, 1);
}

TEST_F(SchedulerTest, TwoAcknowledgementsBeforeTheFirstTickSendAnAllZeroReport)
{
    attachAndDiscover();
    sim.setAck(SimulatedKeypad::AckMode::Off);
    raiseJob();
    sched.Memo1KeyDown(0x41);
    sched.Memo1KeyDown(0x41);

    tick();
    const auto reports = sim.takeReports();
    ASSERT_EQ(reports.size(), 1u); // only the write the job left pending: zeros, past the first half
    EXPECT_EQ(reports[0].bytes, std::vector<uint8_t>(33, 0));
    EXPECT_EQ(st.ProgramState, 3);
    EXPECT_EQ(st.WritePending, 0);

    sched.Memo1KeyDown(0x42);
    tick();
    EXPECT_EQ(status.text, "Program OK");
}

// ---- acknowledgement keystrokes --------------------------------------------------

TEST_F(SchedulerTest, OnlyAAdvancesFreelyAndBOnlyFromStateThree)
{
    for (uint8_t from : {0, 1, 2, 4, 255}) {
        st.ProgramState = from;
        sched.Memo1KeyDown(0x42);
        EXPECT_EQ(st.ProgramState, from) << int(from);
        sched.Memo1KeyDown(0x41);
        EXPECT_EQ(st.ProgramState, uint8_t(from + 1)) << int(from);
    }
    st.ProgramState = 3;
    sched.Memo1KeyDown('C');
    sched.Memo1KeyDown('b'); // the character code, not the key's
    EXPECT_EQ(st.ProgramState, 3);
    sched.Memo1KeyDown(0x42);
    EXPECT_EQ(st.ProgramState, 4);
}

TEST_F(SchedulerTest, AStrayADelaysTheNextDiscoveryBy256Ticks)
{
    tick(3);
    ASSERT_EQ(ctx.link.discoveryAttempts, 1);
    sched.Memo1KeyDown(0x41); // no job: starts the time limit all the same

    tick(9);
    EXPECT_EQ(st.StatusCode, 1);
    tick(); // tick 13: time limit, DetectCountdown := 0
    EXPECT_EQ(st.StatusCode, 7);
    tick();
    EXPECT_EQ(status.text, "Program falure");

    // Instead of tick 19, the next attempt falls on tick 13 + 256.
    tick(254); // tick 268
    EXPECT_EQ(ctx.link.discoveryAttempts, 1);
    sim.add({});
    tick(); // tick 269
    EXPECT_EQ(ctx.link.discoveryAttempts, 2);
    EXPECT_EQ(status.text, "USB Keyboard Device get");
}

TEST_F(SchedulerTest, NoProgramCommandWhileNoKeypadShowsItsStatusAtTheNextTick)
{
    tick(5);
    // What the Program command leaves when it finds no keypad.
    st.DetectCountdown = 16;
    st.StatusCode = 6;
    sched.clearStatusText();
    tick();
    EXPECT_EQ(status.text, "USB Keyboar remove or USB not get device");
    tick(14);
    EXPECT_EQ(ctx.link.discoveryAttempts, 1);
    tick(); // sixteen ticks after the command
    EXPECT_EQ(ctx.link.discoveryAttempts, 2);
    EXPECT_EQ(status.text, "USB Device detect...");
}

// Keystrokes typed on a key or the layout button are taken for the keypad's
// only while the job waits for exactly that one: a whole job goes through
// so, and a user's A or B between jobs starts nothing.
TEST_F(SchedulerTest, AnAcknowledgementIsAwaitedOnlyWhileItsHalfIsOut)
{
    attachAndDiscover();
    auto deliverAwaited = [&] {
        for (char c : sim.takeAcks()) {
            const auto vk = static_cast<uint16_t>(c - 'a' + 'A');
            if (sched.awaitsAcknowledgement(vk))
                sched.Memo1KeyDown(vk);
        }
    };
    EXPECT_FALSE(sched.awaitsAcknowledgement(pm::kFirstAck));
    EXPECT_FALSE(sched.awaitsAcknowledgement(pm::kSecondAck));
    raiseJob();
    EXPECT_TRUE(sched.awaitsAcknowledgement(pm::kFirstAck));
    EXPECT_FALSE(sched.awaitsAcknowledgement(pm::kSecondAck));
    for (int i = 0; i < 3; ++i) {
        sched.Timer1Timer();
        deliverAwaited();
    }
    EXPECT_EQ(status.text, "Program OK");
    EXPECT_EQ(st.ProgramState, 0);
    EXPECT_FALSE(sched.awaitsAcknowledgement(pm::kFirstAck));
    EXPECT_FALSE(sched.awaitsAcknowledgement(0x20)); // Space chooses a key, nothing else
}
