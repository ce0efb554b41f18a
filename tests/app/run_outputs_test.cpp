// The log and the VCD written in one pass over the trace: the same bytes as two separate writes,
// from a store that has spilled to its cache file, and each output's failure kept apart. A batch
// run writes them while it runs, with the same bytes, or leaves them to the end walk when the run
// changes what the log looks like.

#include "run_fixture.h"
#include "trace/memory_probe.h"

namespace cellwatch {
namespace {

// A machine always short of memory: every new block of the store sends an old one to the file.
class LowMemory final : public MemoryProbe {
public:
    bool availableBytes(std::uint64_t& bytes) override {
        bytes = 1024;
        return true;
    }
};

class OnePassTest : public RunTest {
protected:
    // A counter run of some 5 blocks of records, most of them on file, with lines among the rows.
    void runSpilled(bool vcdWithTheRun = false) {
        const std::string script = writeScript(
            "counter8", "vector count counter8\\q7 counter8\\q6 counter8\\q5 counter8\\q4 counter8\\q3 "
                        "counter8\\q2 counter8\\q1 counter8\\q0\ntrace count SOFTWARE_CLOCK counter8\\q0\n"
                        "setclockreg counter8\\clk\nsetclockmode reg_out\nradix hex count\nclearall\n"
                        "cycle 3000\necho \"half way\"\nradix dec count\ncycle 3000\n");
        open(script);
        doc->replaceTraceStore(std::make_unique<TraceStore>(scratch.string(), makePosixCacheFile(),
                                                            std::make_unique<LowMemory>()));
        doc->setBatchLogPath(logPath());
        if (vcdWithTheRun)
            doc->setBatchVcdPath(path("with_run.vcd"));
        ASSERT_TRUE(doc->StartRun(RunMode::Batch));
        doc->RunCommands();
        tick();
        ASSERT_GE(doc->traceStore().writtenBlocks(), 3u);
        ASSERT_FALSE(doc->traceStore().isBlockResident(0));
    }
    // Starts a batch run of body on counter8 with both outputs, on a store short of memory.
    void startBatch(const std::string& body) {
        open(writeScript("counter8", body));
        doc->replaceTraceStore(std::make_unique<TraceStore>(scratch.string(), makePosixCacheFile(),
                                                            std::make_unique<LowMemory>()));
        doc->setBatchLogPath(logPath());
        doc->setBatchVcdPath(path("run.vcd"));
        ASSERT_TRUE(doc->StartRun(RunMode::Batch));
    }
    // The files the run left equal what the end walk writes now.
    void expectEndWalkBytes() {
        ASSERT_TRUE(doc->WriteResultLog(path("end.log")));
        ASSERT_TRUE(doc->WriteTraceVcd(path("end.vcd")));
        EXPECT_TRUE(ReadFile(logPath()) == ReadFile(path("end.log")));
        EXPECT_TRUE(ReadFile(path("run.vcd")) == ReadFile(path("end.vcd")));
    }
    std::vector<std::string> temporaryFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(scratch))
            if (entry.path().filename().string().ends_with(".tmp"))
                names.push_back(entry.path().filename().string());
        return names;
    }
    std::string path(const std::string& name) const { return (scratch / name).string(); }
};

TEST_F(OnePassTest, GivesTheBytesOfTwoSeparateWrites) {
    runSpilled();
    ASSERT_TRUE(doc->WriteResultLog(path("two.log")));
    ASSERT_TRUE(doc->WriteTraceVcd(path("two.vcd")));
    bool vcdWritten = false;
    ASSERT_TRUE(doc->WriteResultLogAndVcd(path("one.log"), path("one.vcd"), vcdWritten));
    EXPECT_TRUE(vcdWritten);
    const std::string log = ReadFile(path("one.log"));
    EXPECT_EQ(log, ReadFile(path("two.log")));
    EXPECT_EQ(ReadFile(path("one.vcd")), ReadFile(path("two.vcd")));
    EXPECT_NE(log.find("half way\r\n#00006001  184  1  0\r\n"), std::string::npos);
    EXPECT_TRUE(log.ends_with("#00012000  111  0  1\r\n"));
}

TEST_F(OnePassTest, ABatchRunWritesItsVcdWithTheLog) {
    runSpilled(true);
    EXPECT_EQ(doc->batchVcdOutcome(), BatchOutput::Written);
    ASSERT_TRUE(doc->WriteTraceVcd(path("after.vcd")));
    EXPECT_EQ(ReadFile(path("with_run.vcd")), ReadFile(path("after.vcd")));
    ASSERT_TRUE(doc->WriteResultLog(path("after.log")));
    EXPECT_EQ(ReadFile(logPath()), ReadFile(path("after.log")));

    ASSERT_TRUE(doc->StartRun(RunMode::Script));
    EXPECT_EQ(doc->batchVcdOutcome(), BatchOutput::NotWritten) << "a new run has not written it yet";
}

TEST_F(OnePassTest, ABatchRunWritesItsOutputsWhileItRuns) {
    // Blocks leave memory while the walk follows them; lines and a break sit among the rows.
    startBatch("vector count counter8\\q7 counter8\\q6 counter8\\q5 counter8\\q4 counter8\\q3 "
               "counter8\\q2 counter8\\q1 counter8\\q0\ntrace count SOFTWARE_CLOCK counter8\\q0\n"
               "setclockreg counter8\\clk\nsetclockmode reg_out\nradix hex count\nclearall\n"
               "break count 10000000\ncycle 6000\necho \"done\"\n");
    doc->RunCommands();
    tick();
    ASSERT_GE(doc->traceStore().writtenBlocks(), 3u);
    EXPECT_TRUE(doc->outputsWrittenDuringRun());
    EXPECT_EQ(doc->batchVcdOutcome(), BatchOutput::Written);
    EXPECT_TRUE(temporaryFiles().empty());
    expectEndWalkBytes();
}

TEST_F(OnePassTest, ARunThatChangesTheLogsLayoutLeavesItToTheEndWalk) {
    startBatch("vector count counter8\\q7 counter8\\q6 counter8\\q5 counter8\\q4 counter8\\q3 "
               "counter8\\q2 counter8\\q1 counter8\\q0\ntrace count SOFTWARE_CLOCK\n"
               "setclockreg counter8\\clk\nsetclockmode reg_out\nradix hex count\nclearall\ncycle 8000\n");
    doc->RunCommands();
    // Whatever changes a column while the run goes on (here its radix) changes every row of the log.
    doc->findElement("count")->radix = 8;
    tick();
    EXPECT_FALSE(doc->outputsWrittenDuringRun());
    EXPECT_EQ(doc->batchVcdOutcome(), BatchOutput::Written);
    expectEndWalkBytes();
    const std::string log = ReadFile(logPath());
    EXPECT_TRUE(log.ends_with("#00016000  077  0\r\n"));
}

TEST_F(OnePassTest, ARunThatNeverEndsLeavesNoFileBehind) {
    const std::string body = "trace counter8\\q0 SOFTWARE_CLOCK\nsetclockreg counter8\\clk\n"
                             "setclockmode reg_out\nclearall\ncycle 20000\n";
    startBatch(body);
    doc->RunCommands();
    EXPECT_FALSE(temporaryFiles().empty()) << "the outputs are on their way";
    doc->EmptyLog(); // as removing a trace does
    EXPECT_TRUE(temporaryFiles().empty());

    startBatch(body);
    doc->RunCommands();
    doc.reset();
    EXPECT_TRUE(temporaryFiles().empty());
    EXPECT_FALSE(std::filesystem::exists(logPath()));
    EXPECT_FALSE(std::filesystem::exists(path("run.vcd")));
}

TEST_F(OnePassTest, EachOutputFailsOnItsOwn) {
    runSpilled();
    ASSERT_TRUE(doc->WriteTraceVcd(path("reference.vcd")));
    ASSERT_TRUE(doc->WriteResultLog(path("reference.log")));
    host->messages.clear();

    bool vcdWritten = false;
    EXPECT_FALSE(doc->WriteResultLogAndVcd(path("missing/run.log"), path("a.vcd"), vcdWritten));
    EXPECT_TRUE(vcdWritten);
    EXPECT_EQ(ReadFile(path("a.vcd")), ReadFile(path("reference.vcd")));
    ASSERT_EQ(host->messages.size(), 1u);
    EXPECT_EQ(host->messages[0], "The result log could not be written to \"" + path("missing/run.log") + "\".");

    EXPECT_TRUE(doc->WriteResultLogAndVcd(path("b.log"), path("missing/b.vcd"), vcdWritten));
    EXPECT_FALSE(vcdWritten);
    EXPECT_EQ(ReadFile(path("b.log")), ReadFile(path("reference.log")));
    EXPECT_FALSE(std::filesystem::exists(path("missing")));
}

TEST_F(OnePassTest, ADeviceGetsOneWholeFileAfterTheOther) {
    runSpilled();
    ASSERT_TRUE(doc->WriteTraceVcd(path("reference.vcd")));
    bool vcdWritten = false;
    EXPECT_TRUE(doc->WriteResultLogAndVcd("/dev/null", path("c.vcd"), vcdWritten));
    EXPECT_TRUE(vcdWritten);
    EXPECT_EQ(ReadFile(path("c.vcd")), ReadFile(path("reference.vcd")));
}

} // namespace
} // namespace cellwatch
