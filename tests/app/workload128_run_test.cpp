// The full-size workload of the 128-cell member, generated and run in the session: every vector's
// check passes under each clocking method, traced or not, and a configuration word changed on the
// way is caught by the checks.

#include "board/emulator/workload128.h"
#include "run_fixture.h"

namespace cellwatch {
namespace {

class Workload128Run : public RunTest {
protected:
    std::string generate(const Workload128Options& options) {
        EXPECT_TRUE(writeWorkload128(scratch.string(), options));
        return (scratch / "workload128.cmd").string();
    }
    void runOn128(const std::string& path) {
        open(path, 128);
        doc->setBatchLogPath(logPath());
        ASSERT_TRUE(doc->StartRun(RunMode::Batch));
        doc->RunCommands();
        tick();
    }
    int checkCount() {
        const auto lines = logLines();
        return static_cast<int>(std::count(lines.begin(), lines.end(), "| workload128 checked"));
    }
};

TEST_F(Workload128Run, FillsNinetyFivePercentOfTheMember) {
    EXPECT_EQ(workload128CellCount(), 15659);
    generate({});
    // One symbol record per counter bit, LFSR bit and gate, plus the clock register.
    const std::string sym = ReadFile((scratch / "workload128.sym").string());
    int records = 0;
    for (std::size_t at = sym.find("\nS "); at != std::string::npos; at = sym.find("\nS ", at + 1))
        ++records;
    EXPECT_EQ(records, 1 + 256 * 16 + 61 * 128 + 170);
    EXPECT_FALSE(writeWorkload128(scratch.string(), {.method = "bufgp"}));
}

TEST_F(Workload128Run, EveryVectorChecksOutUnderEachMethodTracedOrNot) {
    for (const char* method : {"reg_out", "cbuf_read", "cbuf_assign"}) {
        for (const bool traced : {true, false}) {
            SCOPED_TRACE(std::string(method) + (traced ? " traced" : " untraced"));
            doc.reset();
            runOn128(generate({.cycles = 24, .method = method, .traced = traced}));
            EXPECT_EQ(doc->errorCount(), 0) << logText().substr(0, 2000);
            EXPECT_EQ(doc->failedCheckCount(), 0);
            EXPECT_EQ(checkCount(), 1);
        }
    }
}

TEST_F(Workload128Run, ChangedConfigurationWordFailsTheChecks) {
    const std::string path = generate({.cycles = 24});
    // Bit 3 of counter 37 (an xor with its carry) made to keep its own value: that counter goes astray.
    const std::string calPath = (scratch / "workload128.cal").string();
    std::string cal = ReadFile(calPath);
    const std::size_t at = cal.find("# counters\\k037\\q3 ");
    ASSERT_NE(at, std::string::npos);
    std::size_t line = at;
    for (int i = 0; i < 3; ++i)
        line = cal.find('\n', line) + 1;
    const std::size_t end = cal.find('\n', line);
    ASSERT_EQ(cal[end - 1], '6'); // xor
    cal[end - 1] = 'a';           // input A alone
    std::ofstream(calPath, std::ios::binary) << cal;
    runOn128(path);
    EXPECT_GE(doc->failedCheckCount(), 1);
    EXPECT_EQ(doc->failedCheckCount(), 1);
    EXPECT_TRUE(logText().find("WARNING: Assertion failed on cnt037") != std::string::npos) << logText().substr(0, 3000);
}

} // namespace
} // namespace cellwatch
