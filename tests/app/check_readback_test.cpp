// A check or a break condition compares what the board holds, whether its element is traced or
// not: counters counted by cycles under REG 0/1 and the CBUF methods, in a script run (the window's
// flow, paused by what fails), in a batch run and from the command bar, with the clock column's
// rules kept and the trace unchanged.

#include "run_fixture.h"

namespace cellwatch {
namespace {

bool HasLine(const std::vector<std::string>& lines, const std::string& text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

// A counter design and the clocking method it is run under.
struct Clocking {
    const char* design;
    const char* method;
    const char* count;   // vector of the counter's bits, highest first
    int bits;
};

void PrintTo(const Clocking& c, std::ostream* os) { *os << c.design << " under " << c.method; }

const Clocking kClockings[] = {
    {"counter8", "reg_out", "counter8\\q7 counter8\\q6 counter8\\q5 counter8\\q4 counter8\\q3 counter8\\q2 "
                            "counter8\\q1 counter8\\q0", 8},
    {"cbuf_counter", "cbuf_read", "cbuf_counter\\q3 cbuf_counter\\q2 cbuf_counter\\q1 cbuf_counter\\q0", 4},
    {"cbuf_counter", "cbuf_assign", "cbuf_counter\\q3 cbuf_counter\\q2 cbuf_counter\\q1 cbuf_counter\\q0", 4},
};

class UntracedCounter : public RunTest, public ::testing::WithParamInterface<Clocking> {
protected:
    // The counter as vector `count`, traced or not, cleared; then body.
    std::string script(bool traced, const std::string& body) {
        const Clocking& c = GetParam();
        return writeScript(c.design, std::string("vector count ") + c.count + "\n" + (traced ? "trace count\n" : "") +
                                         "setclockreg " + c.design + "\\clk\nsetclockmode " + c.method +
                                         "\nradix hex count\nclearall\n" + body);
    }
    // As the break message shows it, in the session's radix (binary) as wide as the counter.
    std::string binary(int value) const {
        std::string digits;
        for (int bit = GetParam().bits - 1; bit >= 0; --bit)
            digits += (value >> bit) & 1 ? '1' : '0';
        return digits;
    }
    std::string hex(int value) const {
        char text[16];
        std::snprintf(text, sizeof text, "%x\\h", value % (1 << GetParam().bits));
        return text;
    }
};

TEST_P(UntracedCounter, CheckAfterCyclesSeesTheCountInBatch) {
    // After cycle n the board holds the state after n edges: the check must see it, not the value
    // clearall left in the session.
    runBatch(script(false, "cycle 10\ncheck count " + hex(10) + "\ncheck count 0\\h\ncycle 3\ncheck count " +
                               hex(13) + "\n"));
    EXPECT_EQ(doc->failedCheckCount(), 1) << logText();
    EXPECT_EQ(host->exitCode, 0);
    const auto lines = logLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "WARNING: Assertion failed on count"), 1);
}

TEST_P(UntracedCounter, FailedCheckPausesTheScriptRunAndAPassingOneDoesNot) {
    open(script(false, "cycle 6\ncheck count " + hex(6) + "\necho \"passed\"\ncheck count 0\\h\necho \"after\"\n"));
    ASSERT_TRUE(doc->StartRun(RunMode::Script));
    doc->RunCommands();
    tick();
    EXPECT_EQ(doc->runState(), RunState::Paused);
    const auto lines = logLines();
    EXPECT_TRUE(HasLine(lines, "| passed")) << logText();
    EXPECT_TRUE(HasLine(lines, "WARNING: Assertion failed on count"));
    EXPECT_FALSE(HasLine(lines, "| after"));
    EXPECT_EQ(doc->failedCheckCount(), 1);
}

TEST_P(UntracedCounter, BreakConditionPausesAtTheSameCycleTracedOrNot) {
    // A break condition compares the values read before the cycle's clock edge, as that cycle's
    // log row shows them: the count of four is seen in the fifth cycle, traced or not.
    for (const bool traced : {true, false}) {
        SCOPED_TRACE(traced ? "traced" : "untraced");
        doc.reset();
        open(script(traced, "break count " + hex(4) + "\ncycle 9\necho \"end\"\n"));
        ASSERT_TRUE(doc->StartRun(RunMode::Script));
        doc->RunCommands();
        tick();
        EXPECT_EQ(doc->runState(), RunState::Paused);
        EXPECT_EQ(doc->runProgress().cyclesDone, 5);
        EXPECT_TRUE(HasLine(logLines(), "|Break occured: \"count\" = " + binary(4))) << logText();
        doc->ContinueTest();
        tick();
        EXPECT_EQ(doc->runState(), RunState::Idle);
        EXPECT_TRUE(HasLine(logLines(), "| end"));
    }
}

TEST_P(UntracedCounter, BreakConditionIsLoggedOnceInBatch) {
    runBatch(script(false, "break count " + hex(3) + "\ncycle 9\necho \"end\"\n"));
    const auto lines = logLines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.starts_with("|Break occured: \"count\" = "); }),
              1)
        << logText();
    EXPECT_TRUE(HasLine(lines, "| end"));
    EXPECT_EQ(host->exitCode, 0);
}

TEST_P(UntracedCounter, TypedCheckAfterTypedCyclesSeesTheBoard) {
    open(script(false, ""));
    ASSERT_TRUE(doc->StartRun(RunMode::Script));
    doc->RunCommands();
    tick();
    ASSERT_EQ(doc->runState(), RunState::Idle);
    doc->ExecuteTypedCommand("cycle 7");
    tick();
    doc->ExecuteTypedCommand("check count " + hex(7));
    EXPECT_EQ(doc->failedCheckCount(), 0) << logText();
    doc->ExecuteTypedCommand("check count " + hex(8));
    EXPECT_EQ(doc->failedCheckCount(), 1);
}

INSTANTIATE_TEST_SUITE_P(Clockings, UntracedCounter, ::testing::ValuesIn(kClockings),
                         [](const ::testing::TestParamInfo<Clocking>& info) { return std::string(info.param.method); });

TEST_F(RunTest, CheckLeavesTheTraceAsItWas) {
    // Reading an untraced element back adds no sample and changes no row.
    const std::string head = "vector count counter8\\q7 counter8\\q6 counter8\\q5 counter8\\q4 counter8\\q3 "
                             "counter8\\q2 counter8\\q1 counter8\\q0\nvector low counter8\\q1 counter8\\q0\n"
                             "trace low\nsetclockreg counter8\\clk\nsetclockmode reg_out\nclearall\ncycle 5\n";
    runBatch(writeScript("counter8", head + "cycle 2\n"));
    const auto without = logLines();
    doc.reset();
    runBatch(writeScript("counter8", head + "check count 101\nbreak count 110\ncycle 2\n"));
    auto with = logLines();
    EXPECT_EQ(doc->failedCheckCount(), 0) << logText();
    EXPECT_TRUE(HasLine(with, "|Break occured: \"count\" = 00000110"));
    std::erase(with, "|Break occured: \"count\" = 00000110");
    EXPECT_EQ(with, without);
}

TEST_F(RunTest, CbufCheckNeverReadsTheClockColumn) {
    // Under CBUF read a read of the clock register's column is a clock edge: a check of the clock
    // register (untraced, in that column) must not clock the counter.
    runBatch(writeScript("cbuf_counter", "vector count cbuf_counter\\q3 cbuf_counter\\q2 cbuf_counter\\q1 "
                                         "cbuf_counter\\q0\nsetclockreg cbuf_counter\\clk\nsetclockmode cbuf_read\n"
                                         "clearall\ncycle 3\ncheck cbuf_counter\\clk 0\ncheck cbuf_counter\\clk 0\n"
                                         "check count 11\n"));
    EXPECT_EQ(doc->failedCheckCount(), 0) << logText();
    EXPECT_TRUE(board->cellState(0, 1));
    EXPECT_TRUE(board->cellState(1, 1));
    EXPECT_FALSE(board->cellState(2, 1));
}

} // namespace
} // namespace cellwatch
