// The run engine's states: cycles per tick, pause and continue, breaks and failed checks in script
// and batch runs, the late pause, stop, and the command bar.

#include "run_fixture.h"

namespace cellwatch {
namespace {

const char* kCounter = "vector count counter8\\q7 counter8\\q6 counter8\\q5 counter8\\q4 counter8\\q3 "
                       "counter8\\q2 counter8\\q1 counter8\\q0\n"
                       "trace count\n"
                       "setclockreg counter8\\clk\n"
                       "setclockmode reg_out\n"
                       "clearall\n";

bool HasLine(const std::vector<std::string>& lines, const std::string& text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

TEST_F(RunTest, ScriptFinishesOnlyAfterTheLastCycle) {
    open(writeScript("counter8", std::string(kCounter) + "cycle 5\n"));
    ASSERT_TRUE(doc->StartRun(RunMode::Script));
    doc->RunCommands();
    EXPECT_EQ(doc->runState(), RunState::Cycling);
    EXPECT_TRUE(host->timerActive);
    EXPECT_EQ(host->beeps, 0);
    EXPECT_EQ(tick(), 1);
    EXPECT_EQ(doc->runState(), RunState::Idle);
    EXPECT_EQ(doc->runMode(), RunMode::Interactive);
    EXPECT_EQ(host->beeps, 1);
    // No errors or warnings: no summary line.
    EXPECT_EQ(logText().find("error(s)"), std::string::npos);
}

TEST_F(RunTest, TypedCyclesRunInSlicesOfTime) {
    open(writeScript("counter8", kCounter));
    doc->ParseCommand();
    doc->ExecuteTypedCommand("cycle 250");
    ASSERT_EQ(doc->runState(), RunState::Cycling);
    // Each read of the clock finds 4 ms more: a tick of 8 ms reads it at its start and after 32
    // and 64 cycles, and ends there.
    host->clockStepNs = 4'000'000;
    std::vector<int> done;
    while (host->timerActive) {
        const int reads = host->clockReads;
        doc->OnRunTimer(1);
        EXPECT_LE(host->clockReads - reads, 3);
        done.push_back(doc->runProgress().cyclesDone);
    }
    EXPECT_EQ(done, (std::vector<int>{64, 128, 192, 0}));
    EXPECT_EQ(doc->runState(), RunState::Idle);
    EXPECT_EQ(doc->time(), 2500);
}

TEST_F(RunTest, APauseComesAtTheSameCycleHoweverTheTicksAreSliced) {
    // From ticks of 32 cycles to one tick for the whole command: the break condition (the counter
    // at 100) pauses the run after the same cycle, and the run ends with the same log.
    std::vector<std::string> firstLog;
    for (const std::int64_t step : {std::int64_t{0}, std::int64_t{8'000'000}, std::int64_t{1'000'000},
                                    std::int64_t{100'000}}) {
        open(writeScript("counter8", std::string(kCounter) + "break count 01100100\ncycle 250\necho \"end\"\n"));
        ASSERT_TRUE(doc->StartRun(RunMode::Script));
        doc->RunCommands();
        host->clockStepNs = step;
        tick();
        EXPECT_EQ(doc->runState(), RunState::Paused);
        EXPECT_EQ(doc->ElementValue(doc->findElement("count")), 100u);
        EXPECT_EQ(doc->runProgress().cyclesDone, 101); // the count is read before each cycle's edge
        EXPECT_EQ(doc->time(), 1010);
        doc->ContinueTest();
        tick();
        EXPECT_EQ(doc->runState(), RunState::Idle);
        EXPECT_EQ(doc->time(), 2500);
        if (firstLog.empty())
            firstLog = logLines();
        EXPECT_EQ(logLines(), firstLog);
    }
}

TEST_F(RunTest, BatchRunsAllCyclesInOneTickAndSkipsBreak) {
    runBatch(writeScript("counter8", std::string(kCounter) + "break\ncycle 250\ncheck count 11111010\n"));
    EXPECT_EQ(host->timerStarts, 1);
    EXPECT_EQ(host->exitCode, 0);
    EXPECT_EQ(doc->failedCheckCount(), 0);
    EXPECT_TRUE(HasLine(logLines(), "|Break command skipped"));
    EXPECT_EQ(doc->runState(), RunState::Idle);
}

TEST_F(RunTest, PauseThenContinueFinishesTheRemainder) {
    open(writeScript("counter8", std::string(kCounter) + "cycle 250\ncheck count 11111010\n"));
    ASSERT_TRUE(doc->StartRun(RunMode::Script));
    doc->RunCommands();
    host->clockStepNs = 4'000'000; // a tick of 64 cycles
    doc->OnRunTimer(1);
    doc->PauseTest();
    EXPECT_EQ(doc->runState(), RunState::Paused);
    EXPECT_FALSE(host->timerActive);
    EXPECT_TRUE(HasLine(logLines(), "|Test run paused by break command."));
    doc->OnRunTimer(1); // a stray tick while paused does nothing
    EXPECT_EQ(doc->runProgress().cyclesDone, 64);
    doc->ContinueTest();
    EXPECT_EQ(doc->runState(), RunState::Cycling);
    tick();
    EXPECT_EQ(doc->runState(), RunState::Idle);
    EXPECT_EQ(doc->failedCheckCount(), 0);
}

TEST_F(RunTest, BreakConditionPausesScriptButNotBatch) {
    const std::string body = std::string(kCounter) + "break count 00000100\ncycle 10\necho \"end\"\n";
    open(writeScript("counter8", body));
    ASSERT_TRUE(doc->StartRun(RunMode::Script));
    doc->RunCommands();
    tick();
    EXPECT_EQ(doc->runState(), RunState::Paused);
    // The cells are read before each step: the fifth cycle sees the count of four.
    EXPECT_EQ(doc->runProgress().cyclesDone, 5);
    EXPECT_TRUE(HasLine(logLines(), "|Break occured: \"count\" = 00000100"));
    doc->ContinueTest();
    tick();
    EXPECT_EQ(doc->runState(), RunState::Idle);
    EXPECT_TRUE(HasLine(logLines(), "| end"));

    doc.reset();
    host->exitCode = -1;
    runBatch(writeScript("counter8", body));
    EXPECT_EQ(host->exitCode, 0);
    const auto lines = logLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "|Break occured: \"count\" = 00000100"), 1);
    EXPECT_TRUE(HasLine(lines, "| end"));
}

TEST_F(RunTest, FailedCheckPausesScriptButNotBatch) {
    const std::string body = std::string(kCounter) + "check count 1\necho \"after\"\n";
    open(writeScript("counter8", body));
    ASSERT_TRUE(doc->StartRun(RunMode::Script));
    doc->RunCommands();
    EXPECT_EQ(doc->runState(), RunState::Paused);
    EXPECT_TRUE(HasLine(logLines(), "WARNING: Assertion failed on count"));
    EXPECT_FALSE(HasLine(logLines(), "| after"));

    doc.reset();
    runBatch(writeScript("counter8", body));
    EXPECT_EQ(doc->failedCheckCount(), 1);
    EXPECT_TRUE(HasLine(logLines(), "| after"));
    EXPECT_TRUE(HasLine(logLines(), "| 0 error(s), 1 warning(s) - see parse output for more information."));
    EXPECT_EQ(host->exitCode, 0);
}

TEST_F(RunTest, PauseInTheLastCycleSurvives) {
    open(writeScript("counter8", std::string(kCounter) + "break count 00000010\ncycle 3\necho \"end\"\n"));
    ASSERT_TRUE(doc->StartRun(RunMode::Script));
    doc->RunCommands();
    tick();
    EXPECT_EQ(doc->runState(), RunState::Paused);
    EXPECT_EQ(doc->runProgress().cyclesDone, 3);
    EXPECT_EQ(doc->runProgress().cyclesTarget, 3);
    EXPECT_FALSE(HasLine(logLines(), "| end"));
    doc->ContinueTest();
    tick();
    EXPECT_EQ(doc->runState(), RunState::Idle);
    EXPECT_TRUE(HasLine(logLines(), "| end"));
}

TEST_F(RunTest, StopEndsTheRun) {
    open(writeScript("counter8", std::string(kCounter) + "cycle 500\necho \"end\"\n"));
    ASSERT_TRUE(doc->StartRun(RunMode::Script));
    doc->RunCommands();
    doc->OnRunTimer(1);
    doc->StopTest();
    EXPECT_EQ(doc->runState(), RunState::Idle);
    EXPECT_EQ(doc->runMode(), RunMode::Interactive);
    EXPECT_FALSE(host->timerActive);
    EXPECT_TRUE(HasLine(logLines(), "|Test run stopped by user."));
    EXPECT_FALSE(HasLine(logLines(), "| end"));
}

TEST_F(RunTest, RunCannotStartWithParseErrorsOrWithoutBoard) {
    open(writeScript("counter8", "bogus\n"));
    EXPECT_FALSE(doc->StartRun(RunMode::Script));
    EXPECT_EQ(doc->runState(), RunState::Idle);

    doc.reset();
    make("none");
    ASSERT_TRUE(doc->OpenSession(writeScript("counter8", "cycle 1\n")));
    ASSERT_TRUE(doc->UseOwnScript());
    EXPECT_FALSE(doc->StartRun(RunMode::Script));
    doc->ExecuteTypedCommand("cycle 1");
    ASSERT_FALSE(host->messages.empty());
    EXPECT_EQ(host->messages.back(), "There is no LC3400DS device driver!");
}

TEST_F(RunTest, TypedCommandWhilePausedAsksFirst) {
    open(writeScript("counter8", std::string(kCounter) + "break\ncycle 2\n"));
    ASSERT_TRUE(doc->StartRun(RunMode::Script));
    doc->RunCommands();
    ASSERT_EQ(doc->runState(), RunState::Paused);
    host->answers.push_back(Answer::No);
    doc->ExecuteTypedCommand("echo \"x\"");
    EXPECT_EQ(doc->runState(), RunState::Paused);
    host->answers.push_back(Answer::Yes);
    doc->ExecuteTypedCommand("echo \"typed\"");
    EXPECT_EQ(doc->runState(), RunState::Idle);
    EXPECT_TRUE(HasLine(logLines(), "| typed"));
    EXPECT_FALSE(HasLine(logLines(), "| x"));
    // Restart works from the command bar only.
    doc->ExecuteTypedCommand("restart");
    EXPECT_EQ(doc->time(), 0);
    EXPECT_EQ(doc->traceStore().count(), 0u);
}

} // namespace
} // namespace cellwatch

namespace cellwatch {
namespace {

class RecordingObserver final : public RunObserver {
public:
    void checkExecuted(const ScriptCommand& command, const CheckResult& result) override {
        checks.push_back(std::to_string(command.line) + (result.passed ? " pass" : " fail ") +
                         std::string(result.message));
        reads.push_back(result.read);
    }
    void cycleProgress(std::int64_t done, std::int64_t target) override {
        progress.push_back(std::to_string(done) + "/" + std::to_string(target));
    }
    std::vector<std::string> checks;
    std::vector<std::uint32_t> reads;
    std::vector<std::string> progress;
};

TEST_F(RunTest, ObserverHearsChecksAndProgress) {
    open(
        writeScript("counter8", std::string(kCounter) + "cycle 5000\ncheck count 10001000\ncheck count 1\n"));
    RecordingObserver observer;
    doc->setRunObserver(&observer);
    doc->setBatchLogPath(logPath());
    ASSERT_TRUE(doc->StartRun(RunMode::Batch));
    doc->RunCommands();
    tick();
    EXPECT_EQ(observer.progress, (std::vector<std::string>{"4096/5000", "5000/5000"}));
    ASSERT_EQ(observer.checks.size(), 2u);
    EXPECT_NE(observer.checks[0].find(" pass"), std::string::npos);
    EXPECT_NE(observer.checks[1].find(" fail Assertion failed on count"), std::string::npos);
    // The value each check read, whichever way it went (5000 cycles leave the 8-bit count at 0x88).
    EXPECT_EQ(observer.reads, (std::vector<std::uint32_t>{0x88, 0x88}));
}

TEST_F(RunTest, RunTestCommandParsesAndRunsTheScriptView) {
    make();
    doc->setCmdView(&scriptView);
    doc->addLogView(&logView);
    scriptView.text = LineBuffer(ReadFile(writeScript("counter8", std::string(kCounter) + "cycle 2\n")));
    ASSERT_TRUE(doc->OpenSession(writeScript("counter8", "")));
    settings.writeInt("Environment", "Save before parse", 0);
    doc->RunTest();
    EXPECT_EQ(doc->runState(), RunState::Cycling);
    EXPECT_EQ(host->timerPeriod, 1);
    // The run starts with every log view at its first line.
    EXPECT_NE(std::find(views.calls.begin(), views.calls.end(), "log:start"), views.calls.end());
    tick();
    EXPECT_EQ(doc->runState(), RunState::Idle);
    EXPECT_EQ(doc->time(), 20);
    EXPECT_EQ(host->beeps, 1);
}

} // namespace
} // namespace cellwatch

namespace cellwatch {
namespace {

TEST_F(RunTest, CommandsRememberTheirScriptLine) {
    // Line 0 names the design, line 2 loads the configuration.
    open(writeScript("counter8", "\necho \"a\"\ncycle 1\n"));
    doc->ParseCommand();
    ASSERT_EQ(doc->commandList().size(), 3u);
    EXPECT_EQ(CommandAt(*doc, 0).line, 2);
    EXPECT_EQ(CommandAt(*doc, 1).line, 4);
    EXPECT_EQ(CommandAt(*doc, 2).line, 5);
}

} // namespace
} // namespace cellwatch

namespace cellwatch {
namespace {

TEST_F(RunTest, DroppingTheClockLeavesNoVectorPointingAtIt) {
    open(writeScript("counter8", "setclockreg counter8\\clk\nsetclockmode reg_out\n"
                                 "vector inner SOFTWARE_CLOCK counter8\\q0\n"
                                 "vector outer inner counter8\\q1\ntrace outer\n"));
    doc->ParseCommand();
    DesignElement* inner = doc->findElement("inner");
    DesignElement* outer = doc->findElement("outer");
    ASSERT_NE(inner, nullptr);
    ASSERT_NE(outer, nullptr);
    ASSERT_EQ(inner->size, 2u);
    ASSERT_EQ(outer->size, 3u);

    doc->DeselectClock();
    EXPECT_EQ(doc->clockElement(), nullptr);
    EXPECT_EQ(inner->children, (std::vector<DesignElement*>{doc->findElement("counter8\\q0")}));
    EXPECT_EQ(inner->size, 1u);
    EXPECT_EQ(outer->size, 2u);
    // The traced vector is still sampled, from live members only.
    doc->RecordTraces();
    doc->ParseCommand();
}

} // namespace
} // namespace cellwatch

namespace cellwatch {
namespace {

TEST(RunTime, RunsOnPastTheSignedRange) {
    // Some 215 million cycles in, the time leaves the range of a signed int; whole cycles must still
    // be sampled, at the time the records carry.
    const int time = advanceRunTime(2147483640, 10);
    EXPECT_EQ(static_cast<std::uint32_t>(time), 2147483650u);
    EXPECT_TRUE(isWholeCycle(time));
    EXPECT_FALSE(isWholeCycle(advanceRunTime(time, 5)));
    EXPECT_EQ(static_cast<std::uint32_t>(advanceRunTime(-6, 10)), 4u) << "and on past 32 bits";
}

} // namespace
} // namespace cellwatch
