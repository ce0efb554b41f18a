// What a run leaves behind: the VCD of its trace, the batch log and where it goes, and a trace
// store that runs out of room.

#include "run_fixture.h"
#include "trace/cache_file.h"
#include "trace/memory_probe.h"

namespace cellwatch {
namespace {

const char* kCounter = "vector count counter8\\q7 counter8\\q6 counter8\\q5 counter8\\q4 counter8\\q3 "
                       "counter8\\q2 counter8\\q1 counter8\\q0\n"
                       "trace count\nsetclockreg counter8\\clk\nsetclockmode reg_out\nclearall\n";

TEST_F(RunTest, TraceBecomesVcd) {
    runBatch(writeScript("counter8", "trace counter8\\q1 SOFTWARE_CLOCK\nsetclockreg counter8\\clk\n"
                                     "setclockmode reg_out\nradix hex counter8\\q1\nclearall\ncycle 4\n"));
    const std::string vcd = (scratch / "run.vcd").string();
    ASSERT_TRUE(doc->WriteTraceVcd(vcd));
    EXPECT_EQ(ReadFile(vcd), "$version\n\tHalvane VCD file generator version 0.0\n$end\n\n"
                             "$date\n\tMon Jan 01 00:00:00 2024\n$end\n\n"
                             "$timescale\n\t10 ms\n$end\n"
                             "$var reg 1 ! counter8\\q1 $end\n$dumpvars 0! $end\n$rdx H ! $end\n"
                             "$var reg 1 \" SOFTWARE_CLOCK $end\n$dumpvars 0\" $end\n"
                             "$enddefinitions $end\n\n"
                             "\n#0\n0!\n0\"\n"
                             "\n#5\n1\"\n\n#10\n0\"\n\n#15\n1\"\n\n#20\n0\"\n"
                             "\n#25\n1!\n1\"\n\n#30\n0\"\n\n#35\n1\"\n\n#40\n0\"\n");
}

TEST_F(RunTest, SaveTraceWaveReportsAFailedWrite) {
    runBatch(writeScript("counter8", std::string(kCounter) + "cycle 2\n"));
    host->paths.push_back((scratch / "no such folder" / "x.vcd").string());
    EXPECT_FALSE(doc->SaveTraceWave());
    ASSERT_FALSE(host->messages.empty());
    EXPECT_EQ(host->messages.back(), "Failed to save wave file");
    EXPECT_EQ(host->dialogs.back().title, "Save trace as waveform");
    EXPECT_EQ(host->dialogs.back().defaultExt, "vcd");
}

TEST_F(RunTest, BatchLogGoesNextToTheScriptAndAFailureIsRemembered) {
    const std::string script = writeScript("counter8", std::string(kCounter) + "cycle 1\n");
    open(script);
    EXPECT_EQ(doc->batchLogPath(), script + ".log");
    ASSERT_TRUE(doc->StartRun(RunMode::Batch));
    doc->RunCommands();
    tick();
    EXPECT_FALSE(ReadFile(script + ".log").empty());
    EXPECT_FALSE(doc->logWriteFailed());

    doc.reset();
    open(script);
    doc->setBatchLogPath((scratch / "missing" / "run.log").string());
    ASSERT_TRUE(doc->StartRun(RunMode::Batch));
    doc->RunCommands();
    tick();
    EXPECT_TRUE(doc->logWriteFailed());
    EXPECT_FALSE(host->messages.empty());
}

// A cache file on a full disk and a machine short of memory: the store takes two blocks, then no more.
class FullDisk final : public CacheFile {
public:
    bool open(const std::string&) override { return true; }
    bool isOpen() const override { return true; }
    std::size_t writeAt(std::uint64_t, const void*, std::size_t) override { return 0; }
    std::size_t readAt(std::uint64_t, void*, std::size_t) override { return 0; }
    bool truncate(std::uint64_t) override { return true; }
    void close() override {}
    bool remove(const std::string&) override { return true; }
};

class NoMemory final : public MemoryProbe {
public:
    bool availableBytes(std::uint64_t& bytes) override {
        bytes = 0;
        return true;
    }
};

class FullStoreRun : public RunTest {
protected:
    void openFull(const std::string& script) {
        open(script);
        doc->replaceTraceStore(std::make_unique<TraceStore>(scratch.string(), std::make_unique<FullDisk>(),
                                                            std::make_unique<NoMemory>()));
    }
};

TEST_F(FullStoreRun, PausesAScriptRun) {
    openFull(writeScript("counter8", std::string(kCounter) + "cycle 20000\n"));
    ASSERT_TRUE(doc->StartRun(RunMode::Script));
    doc->RunCommands();
    tick();
    EXPECT_EQ(doc->runState(), RunState::Paused);
    EXPECT_FALSE(host->timerActive);
    ASSERT_FALSE(host->messages.empty());
    EXPECT_EQ(host->messages.back(), "Out of disk space, halting simulation.");
    EXPECT_GT(doc->runProgress().cyclesDone, 9000);
    EXPECT_LT(doc->runProgress().cyclesDone, 20000);
    EXPECT_FALSE(doc->endedOutOfStorage());
}

TEST_F(FullStoreRun, EndsABatchRunWithItsLog) {
    openFull(writeScript("counter8", std::string(kCounter) + "cycle 20000\necho \"end\"\n"));
    doc->setBatchLogPath(logPath());
    ASSERT_TRUE(doc->StartRun(RunMode::Batch));
    doc->RunCommands();
    EXPECT_LE(tick(), 1);
    EXPECT_FALSE(host->timerActive);
    EXPECT_EQ(doc->runState(), RunState::Idle);
    EXPECT_TRUE(doc->endedOutOfStorage());
    EXPECT_EQ(host->exitCode, 1);
    const std::string log = ReadFile(logPath());
    EXPECT_NE(log.find("#00009"), std::string::npos);
    EXPECT_EQ(log.find("| end"), std::string::npos);
}

} // namespace
} // namespace cellwatch
