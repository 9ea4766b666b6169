// Runs of programming jobs (Restore keypad, padmacroctl send), the tooltip
// each key gets, and keeping the macros in one export.
#include "keypad_core_fixture.h"

#include "app/job_run.h"
#include "app/macro_keeping.h"

using namespace pmtest;
using pm::SimulatedKeypad;

namespace {

class JobRunTest : public KeypadCoreTest {
protected:
    pm::Scheduler& sched = session.scheduler();
    pm::JobRun run{ctx, sched};

    void attach()
    {
        sim.add({});
        for (int i = 0; i < 3; ++i)
            tick();
        ASSERT_EQ(ctx.state.KeypadFound, 1);
        sim.takeReports();
    }
    // A tick, the keypad's answers, and the run's next step.
    std::optional<pm::JobRun::Step> tick()
    {
        sched.Timer1Timer();
        for (char c : sim.takeAcks())
            sched.Memo1KeyDown(static_cast<uint16_t>(c - 'a' + 'A'));
        return run.afterTick();
    }
    std::vector<pm::JobRun::Step> ticks(int n)
    {
        std::vector<pm::JobRun::Step> steps;
        for (int i = 0; i < n; ++i)
            if (auto s = tick())
                steps.push_back(*s);
        return steps;
    }
};

} // namespace

TEST_F(JobRunTest, EveryKeyGoesOutAsTheProgramCommandWouldSendIt)
{
    attach();
    writeMacro(40, "Shift+Q\r\n", "2,20\r\n", "7,0\r\n");
    run.start(pm::jobsFromStoredMacros(dir.path(), {40, 2}));
    const auto steps = ticks(6);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].key, 40);
    EXPECT_FALSE(steps[0].last);
    EXPECT_EQ(steps[1].key, 2);
    EXPECT_TRUE(steps[1].last);
    EXPECT_EQ(run.done(), 2u);
    EXPECT_FALSE(run.running());

    const auto reports = sim.takeReports();
    ASSERT_EQ(reports.size(), 4u);
    // Key 40 with Shift+Q: the bytes of the image the Program command builds.
    EXPECT_EQ(std::vector<uint8_t>(reports[0].bytes.begin(), reports[0].bytes.begin() + 6),
        (std::vector<uint8_t>{0x00, 0x55, 40, 0x02, 0x14, 0xFF}));
    EXPECT_EQ(reports[1].bytes.back(), 0x15);
    // An empty macro clears its key.
    EXPECT_EQ(reports[2].bytes[2], 2);
    EXPECT_EQ(reports[2].bytes[3], 0xFF);
}

TEST_F(JobRunTest, ItStopsAtTheFirstKeyTheKeypadLeavesUnanswered)
{
    attach();
    sim.setAck(SimulatedKeypad::AckMode::AOnly);
    run.start(pm::jobsFromStoredMacros(dir.path(), {40, 41, 42}));
    const auto steps = ticks(30);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].key, 40);
    EXPECT_EQ(steps[0].outcome, pm::JobOutcome::Failed);
    EXPECT_TRUE(steps[0].last);
    EXPECT_EQ(run.done(), 0u);
    EXPECT_EQ(sim.takeReports().size(), 2u); // nothing of 41 or 42
}

TEST_F(JobRunTest, AStrokeFileThatDoesNotConvertStopsTheRunBeforeAnyReport)
{
    attach();
    writeMacro(41, "x\r\n", "0,x\r\n", "1,0\r\n");
    EXPECT_EQ(uiErrorOf([&] {
        pm::jobsFromStoredMacros(dir.path(), {40, 41});
    }),
        "'x' is not a valid integer value");
    dir.remove("\\log\\KeyNum42.txt");
    EXPECT_EQ(uiErrorOf([&] { pm::jobsFromStoredMacros(dir.path(), {42}); }),
        "Cannot open file \"" + dir.file("\\log\\KeyNum42.txt") + "\". No such file or directory");
}

TEST_F(JobRunTest, AnOutcomeFromBeforeTheRunIsNotTakenForItsFirstKey)
{
    attach();
    sched.Memo1KeyDown(0x41); // a stray A: a job of nobody's that times out
    ticks(10);
    run.start(pm::jobsFromStoredMacros(dir.path(), {40}));
    const auto steps = ticks(3);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].outcome, pm::JobOutcome::Ok);
}

TEST_F(KeypadCoreTest, TooltipsSayWhatEachKeyHoldsInTheCurrentLayout)
{
    writeMacro(8, "Shift+\xA1\xA8\r\nAlt+6+5\r\n", "2,31\r\n132,94\r\n132,93\r\n", "8,0\r\n7,2\r\n");
    keypad.Load_Key();
    const auto& tips = kp().keyTooltips;
    EXPECT_EQ(
        tips[key("Key_17")], "7/Home - legend 7 Home\nKey number 8 in MOD0\nMacro: Shift+\xA1\xA8 Alt+6+5 ");
    EXPECT_EQ(tips[key("Key_9")], "ESC\nKey number 40 in MOD0\nNo macro stored");
    keypad.BitBtn1Click();
    EXPECT_EQ(tips[key("Key_9")], "ESC\nKey number 2 in MOD1\nNo macro stored");
    // A refresh that stops at a file leaves the tooltips after it as they were.
    markText(41);
    dir.remove("\\log\\KeyCode4.txt");
    keypad.BitBtn1Click();
    EXPECT_THROW(keypad.BitBtn1Click(), pm::UiError);
    EXPECT_EQ(tips[key("Key_9")], "ESC\nKey number 2 in MOD1\nNo macro stored");
}

TEST_F(KeypadCoreTest, RestoreNeedsAKeypadAnIdleSchedulerAndAClosedEditor)
{
    session.start(dir.path());
    session.restoreKeypad();
    EXPECT_EQ(shell.take().back().rfind("message:No keypad has been found", 0), 0u);
    EXPECT_EQ(session.restoreProgress(), "");

    sim.add({});
    for (int i = 0; i < 3; ++i)
        session.tick();
    keypad.keyMouseDown(key("Key_9"));
    shell.take();
    session.restoreKeypad();
    EXPECT_EQ(shell.take(), Lines{"message:Close the macro editor before restoring the keypad."});
    editor.close();

    session.restoreKeypad();
    EXPECT_EQ(session.restoreProgress(), "Restore 1/26");
    // A second start while it runs starts nothing: one run, one closing box.
    shell.take();
    session.restoreKeypad();
    EXPECT_EQ(shell.take(), Lines{"message:A restore is already under way."});
    EXPECT_EQ(session.restoreProgress(), "Restore 1/26");
    // Choosing a key mid-way ends the run: a Program job would be taken for the restore's.
    keypad.keyMouseDown(key("Key_10"));
    session.tick();
    EXPECT_EQ(session.restoreProgress(), "");
    bool told = false;
    for (const auto& e : shell.take())
        told = told || e.rfind("notice:The restore stopped: the macro editor was opened", 0) == 0;
    EXPECT_TRUE(told);
}

TEST(MacroKeeping, EveryNumberNamesItsKeyAndLayout)
{
    EXPECT_EQ(pm::keyDescription(40), "ESC, MOD0");
    EXPECT_EQ(pm::keyDescription(2), "ESC, MOD1");
    EXPECT_EQ(pm::keyDescription(0), "NumLock, MOD1");
    EXPECT_EQ(pm::keyDescription(5), "no key");
    EXPECT_EQ(pm::macroKeyNumbers().size(), 26u);
}

TEST(MacroKeeping, AnExportImportedElsewhereGivesTheSameFiles)
{
    TempAppDir from, to;
    from.write("\\log\\KeyCode40.txt", "Shift+\xA1\xA8\r\n");
    from.write("\\log\\KeyNum40.txt", "2,31\r\n");
    from.write("\\log\\LineBuf40.txt", "8,0\r\n");
    const std::string text = pm::exportMacroText(from.path());
    EXPECT_NE(text.find("key 40  # ESC, MOD0"), std::string::npos);
    const pm::ImportResult result = pm::importMacroText(to.path(), text, "copy.txt");
    EXPECT_EQ(to.logSnapshot(), from.logSnapshot());
    EXPECT_FALSE(result.backupPath.empty());

    EXPECT_EQ(uiErrorOf([&] {
        pm::importMacroText(to.path(), "format padmacro-macros 1\nkey 7\n", "x.txt");
    }).rfind("Cannot import \"x.txt\": line 2:", 0),
        0u);
    EXPECT_EQ(to.logSnapshot(), from.logSnapshot());
}
