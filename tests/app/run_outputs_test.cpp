// The log and the VCD written in one pass over the trace: the same bytes as two separate writes,
// from a store that has spilled to its cache file, and each output's failure kept apart.

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
        ASSERT_GT(doc->traceStore().writtenBlocks(), 3u);
        ASSERT_FALSE(doc->traceStore().isBlockResident(0));
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
