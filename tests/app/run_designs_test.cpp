// End-to-end runs of the example designs on the emulated board: counting under each clocking
// method, shifting, sequences, clearing, board commands, and elements outside the device.

#include "run_fixture.h"

#include <cstdio>

namespace cellwatch {
namespace {

bool HasLine(const std::vector<std::string>& lines, const std::string& text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

std::string ExampleScript(const std::string& name) {
    return std::string(CELLWATCH_SOURCE_DIR) + "/examples/" + name + ".cmd";
}

class ExampleRun : public RunTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(ExampleRun, ChecksPassInBatch) {
    // The shipped scripts check what each design does (counting, wrapping, shifting, the LFSR walk).
    open(ExampleScript(GetParam()));
    doc->setBatchLogPath(logPath());
    ASSERT_TRUE(doc->StartRun(RunMode::Batch));
    doc->RunCommands();
    tick();
    EXPECT_EQ(doc->failedCheckCount(), 0) << logText();
    EXPECT_EQ(doc->errorCount(), 0);
    EXPECT_EQ(host->exitCode, 0);
    EXPECT_FALSE(doc->logWriteFailed());
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleRun,
                         ::testing::Values("counter8", "shift16", "lfsr4", "cbuf_counter"));

TEST_F(RunTest, CounterLogWithTracedClockCountsHalfCycles) {
    runBatch(writeScript("counter8", "vector count counter8\\q7 counter8\\q6 counter8\\q5 counter8\\q4 "
                                     "counter8\\q3 counter8\\q2 counter8\\q1 counter8\\q0\n"
                                     "trace count SOFTWARE_CLOCK\n"
                                     "setclockreg counter8\\clk\nsetclockmode reg_out\n"
                                     "radix hex count\nclearall\ncycle 3\necho \"done\"\n"));
    const std::string expected = "               S  \r\n"
                                 "               O  \r\n"
                                 "               F  \r\n"
                                 "               T  \r\n"
                                 "               W  \r\n"
                                 "               A  \r\n"
                                 "               R  \r\n"
                                 "               E  \r\n"
                                 "               _  \r\n"
                                 "           c   C  \r\n"
                                 "           o   L  \r\n"
                                 "           u   O  \r\n"
                                 "           n   C  \r\n"
                                 "           t   K  \r\n"
                                 "|Loaded \"" +
                                 Example("counter8.cal") +
                                 "\" onto board.\r\n"
                                 "|Board cleared.\r\n"
                                 "#00000000  00  0\r\n"
                                 "#00000001  00  1\r\n"
                                 "#00000002  00  0\r\n"
                                 "#00000003  01  1\r\n"
                                 "#00000004  01  0\r\n"
                                 "#00000005  02  1\r\n"
                                 "#00000006  02  0\r\n"
                                 "| done\r\n";
    EXPECT_EQ(ReadFile(logPath()), expected);
    EXPECT_EQ(host->exitCode, 0);
}

TEST_F(RunTest, CounterWithoutTracedClockShowsWholeCyclesInBinary) {
    runBatch(writeScript("counter8", "trace counter8\\q0 counter8\\q1\nsetclockreg counter8\\clk\n"
                                     "setclockmode reg_out\nclearall\ncycle 3\n"));
    const auto lines = logLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()),
              (std::vector<std::string>{"#00000000  0  0", "#00000001  0  0", "#00000002  1  0",
                                        "#00000003  0  1"}));
}

TEST_F(RunTest, CbufReadCountsAndRefusesWritesInTheClockColumn) {
    runBatch(writeScript("cbuf_counter", "vector count cbuf_counter\\q3 cbuf_counter\\q2 cbuf_counter\\q1 "
                                         "cbuf_counter\\q0\ntrace count\nsetclockreg cbuf_counter\\clk\n"
                                         "setclockmode cbuf_read\nclearall\ncycle 3\ncheck count 11\n"
                                         "assign cbuf_counter\\clk 1\n"));
    EXPECT_EQ(doc->failedCheckCount(), 0);
    EXPECT_TRUE(HasLine(logLines(), "ERROR: Cannot assign to \"cbuf_counter\\clk\" as it lies in same column "
                                    "as clock register."));
}

TEST_F(RunTest, CbufAssignClockedWriteStandsInForTheCycle) {
    // Each cycle's sequence writes the clock column: that write is the cycle, so the column is not
    // read and the read-clocked counter stands still while time moves on.
    runBatch(writeScript("cbuf_counter", "vector count cbuf_counter\\q3 cbuf_counter\\q2 cbuf_counter\\q1 "
                                         "cbuf_counter\\q0\ntrace count\nsetclockreg cbuf_counter\\clk\n"
                                         "setclockmode cbuf_assign\nclearall\nclock cbuf_counter\\clk 0\n"
                                         "cycle 3\ncheck count 0\n"));
    EXPECT_EQ(doc->failedCheckCount(), 0);
    const auto lines = logLines();
    EXPECT_EQ(lines.back(), "#00000003  0000");

    doc.reset();
    runBatch(writeScript("cbuf_counter", "vector count cbuf_counter\\q3 cbuf_counter\\q2 cbuf_counter\\q1 "
                                         "cbuf_counter\\q0\ntrace count\nsetclockreg cbuf_counter\\clk\n"
                                         "setclockmode cbuf_assign\nclearall\ncycle 3\ncheck count 11\n"));
    EXPECT_EQ(doc->failedCheckCount(), 0);
}

TEST_F(RunTest, ShiftRegisterTakesPatternAndRepeatingClock) {
    const std::string head = "vector data shift16\\s15 shift16\\s14 shift16\\s13 shift16\\s12 shift16\\s11 "
                             "shift16\\s10 shift16\\s9 shift16\\s8 shift16\\s7 shift16\\s6 shift16\\s5 "
                             "shift16\\s4 shift16\\s3 shift16\\s2 shift16\\s1 shift16\\s0\ntrace data\n"
                             "setclockreg shift16\\clk\nsetclockmode reg_out\nradix hex data\nclearall\n";
    runBatch(writeScript("shift16", head + "pattern shift16\\din 1 1 0 1\ncycle 6\ncheck data 110111\n"));
    EXPECT_EQ(doc->failedCheckCount(), 0) << logText();

    doc.reset();
    runBatch(writeScript("shift16", head + "clock shift16\\din 1 0\ncycle 7\ncheck data 1010101\n"));
    EXPECT_EQ(doc->failedCheckCount(), 0) << logText();
}

TEST_F(RunTest, ClearAllAndResetDoWhatTheLogSays) {
    runBatch(writeScript("counter8", "vector count counter8\\q7 counter8\\q6 counter8\\q5 counter8\\q4 "
                                     "counter8\\q3 counter8\\q2 counter8\\q1 counter8\\q0\ntrace count\n"
                                     "setclockreg counter8\\clk\nsetclockmode reg_out\nclearall\ncycle 5\n"
                                     "check count 101\nclearall\ncheck count 0\ncycle 2\ncheck count 10\n"
                                     "reset\n"));
    EXPECT_EQ(doc->failedCheckCount(), 0) << logText();
    const auto lines = logLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "|Board cleared."), 2);
    EXPECT_TRUE(HasLine(lines, "|Board reset."));
    // The reset dropped the loaded configuration.
    EXPECT_EQ(board->configWord(0, 1, 2), 0u);
    EXPECT_EQ(board->controlValue(), 0u);
}

TEST_F(RunTest, BoardCommandsReachSramSynthesizerAndBank) {
    runBatch(writeScript("counter8", "fm 100\\h 5\\h 3\\d\nbctl 1\nfm 200\\h 5\\h\npclk 25\n"));
    EXPECT_EQ(board->sram().load(0x100), 5u);
    EXPECT_EQ(board->sram().load(0x104), 5u);
    EXPECT_EQ(board->sram().load(0x108), 5u);
    EXPECT_EQ(board->sram().load(0x10c), 0u);
    EXPECT_EQ(board->sram().load(0x200), 0x50000u);
    EXPECT_EQ(board->bankControl(), 1u);
    char expected[64];
    std::snprintf(expected, sizeof expected, "|frequency = %3.4fMHz", board->synthesizer().frequencyMHz());
    EXPECT_TRUE(HasLine(logLines(), expected)) << logText();
    EXPECT_NEAR(board->synthesizer().frequencyMHz(), 25.0, 0.5);
    EXPECT_TRUE(HasLine(logLines(), "|Bank control set."));
}

TEST_F(RunTest, FillStaysInsideTheSram) {
    // 0x80000 words of SRAM end at byte 0x200000; the device's own space starts at 0x800000.
    runBatch(writeScript("counter8", "fm 1ffff8\\h 7\\h 4\\d\nfm 800000\\h 1\\h\n"));
    EXPECT_EQ(board->sram().load(0x1ffff8), 7u);
    EXPECT_EQ(board->sram().load(0x1ffffc), 7u);
    EXPECT_EQ(board->sram().load(0), 0u); // nothing wrapped round
    const auto lines = logLines();
    EXPECT_TRUE(HasLine(lines, "ERROR: FILLMEM - Fill at 1ffff8 stops at the end of the board's SRAM: 2 of 4 "
                               "words written."))
        << logText();
    EXPECT_TRUE(HasLine(lines,
                        "ERROR: FILLMEM - Address 800000 lies outside the board's SRAM (200000 bytes); "
                        "nothing written."));
    EXPECT_EQ(doc->errorCount(), 2);
}

TEST_F(RunTest, GroupValuesSpreadOverMembers) {
    runBatch(writeScript("counter8", "vector lo counter8\\q3 counter8\\q2 counter8\\q1 counter8\\q0\n"
                                     "vector v lo counter8\\q7\ntrace v\nassign v 10011\ncheck lo 1001\n"
                                     "check counter8\\q7 1\ncheck v 10011\n"));
    EXPECT_EQ(doc->failedCheckCount(), 0) << logText();
    EXPECT_TRUE(board->cellState(7, 1));
    EXPECT_TRUE(board->cellState(0, 1));
    EXPECT_FALSE(board->cellState(1, 1));
    EXPECT_TRUE(board->cellState(3, 1));
    EXPECT_TRUE(HasLine(logLines(), "|Assigned 10011 to v."));
}

TEST_F(RunTest, ElementsOutsideTheDeviceNeverReachTheBoard) {
    const std::string path = (scratch / "far.cmd").string();
    {
        std::ofstream out(path, std::ios::binary);
        out << "|GRT_SYMBOL_TABLE \"" << AppData("far.sym") << "\"\n"
            << "loadcal \"" << AppData("far.cal") << "\"\n"
            << "trace far\\near far\\beyond\nassign far\\beyond 1\nassign far\\near 1\ncycle 1\n";
    }
    runBatch(path);
    // Column 100 would wrap to column 36 in the address word.
    for (int row = 0; row < 64; ++row)
        EXPECT_FALSE(board->cellState(row, 36)) << row;
    EXPECT_TRUE(board->cellState(5, 1));
    ASSERT_EQ(doc->cellGroups().size(), 1u);
    EXPECT_EQ(doc->cellGroups()[0].column, 1);
}

} // namespace
} // namespace cellwatch

namespace cellwatch {
namespace {

class InversionRun : public RunTest {
protected:
    void runInv(const std::string& body) {
        const std::string path = (scratch / "inv.cmd").string();
        {
            std::ofstream out(path, std::ios::binary);
            out << "|GRT_SYMBOL_TABLE \"" << AppData("inv.sym") << "\"\n"
                << "loadcal \"" << AppData("inv.cal") << "\"\n"
                << body;
        }
        runBatch(path);
    }
};

TEST_F(InversionRun, HiddenInversionShowsWhatWasAssigned) {
    // inv\b is not traced: its value comes from the assignment alone.
    runInv("trace inv\\a\nassign inv\\a 1\nassign inv\\b 1\ncycle 1\ncheck inv\\a 1\ncheck inv\\b 1\n");
    EXPECT_EQ(doc->failedCheckCount(), 0) << logText();
    EXPECT_TRUE(board->cellState(0, 1)); // stored as written
    EXPECT_EQ(logLines().back(), "#00000001  1");
}

TEST_F(InversionRun, ShownInversionGivesTheRawReadBack) {
    settings.writeInt("Environment", "Hide inversion", 0);
    runInv("trace inv\\a\nassign inv\\a 1\nassign inv\\b 1\ncycle 1\ncheck inv\\a 0\ncheck inv\\b 0\n");
    EXPECT_EQ(doc->failedCheckCount(), 0) << logText();
}

} // namespace
} // namespace cellwatch

#include "board/emulator/design_builder.h"

namespace cellwatch {
namespace {

// The cycle step samples traced entries from a plan worked out once (read group words, the clock
// register's writes, a falling half cycle that samples only what the reads do not cover). After
// every cycle each entry must still show what a walk over its element's cells gives, through
// assignments over traced cells, sequences, a trace added during the run and either inversion setting.
class PlannedSampling : public RunTest, public ::testing::WithParamInterface<std::tuple<const char*, int>> {};

TEST_P(PlannedSampling, EveryEntryMatchesItsCellsAfterEachCycle) {
    const std::string method = std::get<0>(GetParam());
    settings.writeInt("Environment", "Hide inversion", std::get<1>(GetParam()));
    const ClockKind kind = method == "reg_out" ? ClockKind::CellOutput
                           : method == "cbuf_read" ? ClockKind::ColumnRead
                                                   : ClockKind::ColumnAccess;
    DesignBuilder d(64);
    d.storage("p\\clk", 0, 0);
    d.storage("p\\in", 4, 2);
    for (int i = 0; i < 4; ++i) // a Johnson counter with one bit read back inverted
        d.registered("p\\j" + std::to_string(i), i, 1, CellSource::cell(i == 0 ? 3 : i - 1, 1), CellSource::zero(),
                     i == 0 ? truth::kNotA : truth::kA, kind, 0, 0, i == 1);
    const std::string base = (scratch / "plan").string();
    ASSERT_TRUE(d.write(base));
    std::string body = "|GRT_SYMBOL_TABLE \"" + base + ".sym\"\n"
                       "vector lo p\\j1 p\\j0\nvector v p\\j3 p\\in lo p\\j2\nvector w p\\clk SOFTWARE_CLOCK p\\j0\n"
                       "trace v w p\\clk SOFTWARE_CLOCK\nsetclockreg p\\clk\nsetclockmode " + method + "\n"
                       "loadcal \"" + base + ".cal\"\nclearall\npattern p\\in 1 0 1 1 0\n";
    for (int i = 0; i < 6; ++i)
        body += "cycle 1\n";
    body += "assign lo 10\n";
    for (int i = 0; i < 8; ++i)
        body += "cycle 1\n";
    const std::string path = (scratch / "plan.cmd").string();
    std::ofstream(path, std::ios::binary) << body;

    open(path);
    ASSERT_TRUE(doc->StartRun(RunMode::Script));
    doc->RunCommands();
    int cycles = 0;
    while (host->timerActive) {
        doc->OnRunTimer(1);
        ++cycles;
        for (const TracedComponent& entry : doc->traceList())
            EXPECT_EQ(static_cast<std::uint32_t>(entry.lastValue), doc->ElementValue(entry.element))
                << entry.name << " after cycle " << cycles;
        if (cycles == 8) { // as the command bar would, between two cycles
            EXPECT_TRUE(doc->AddTrace("p\\j3"));
        }
        doc->RunCommands();
    }
    EXPECT_EQ(cycles, 14);
    EXPECT_EQ(doc->traceList().size(), 5u);
    EXPECT_EQ(doc->errorCount(), 0) << logText();
}

INSTANTIATE_TEST_SUITE_P(Methods, PlannedSampling,
                         ::testing::Combine(::testing::Values("reg_out", "cbuf_read", "cbuf_assign"),
                                            ::testing::Values(0, 1)));

} // namespace
} // namespace cellwatch
