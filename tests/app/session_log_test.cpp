// The result log: line kinds and counting, stamps, rows formed from the stream, the column header
// and the saved file.

#include "session_fixture.h"

#include "design/design_element.h"
#include "common/file_text.h"

namespace cellwatch {
namespace {

class LogTest : public SessionTest {
protected:
    // A parsed session tracing the 4-bit vector v (a3..a0) and the flag b.
    CWizDoc& traced() {
        CWizDoc& d = openBatch("blank.cmd");
        d.ParseScript();
        d.DispatchCommand("vector v top\\a3 top\\a2 top\\a1 top\\a0");
        EXPECT_TRUE(d.AddTrace("v"));
        EXPECT_TRUE(d.AddTrace("top\\b"));
        EXPECT_FALSE(d.AddTrace("top\\b"));
        EXPECT_FALSE(d.AddTrace("nothing"));
        d.EmptyLog();
        return d;
    }
    void sample(const std::string& name, std::int32_t value, std::uint32_t time) {
        TraceRecord r;
        r.component = doc->FindTrace(doc->findElement(name))->handle;
        r.value = value;
        r.time = time;
        ASSERT_TRUE(doc->traceStore().append(r));
    }
    // Executes a script line at once, as the run engine would.
    void execute(const std::string& line) {
        if (std::unique_ptr<ScriptCommand> command = doc->DispatchCommand(line))
            doc->ExecuteCommand(*command);
    }
    // Moves the session's time on by one cycle without a sample or a line.
    void quietCycle() {
        execute("comment off");
        execute("traceoff");
        doc->StepCycle();
        execute("traceon");
        execute("comment on");
    }
    std::vector<std::string> walk() {
        std::vector<std::string> out;
        doc->WalkLog([&](std::string_view s) { out.emplace_back(s); });
        return out;
    }
};

TEST_F(LogTest, CommentsOffDropsInfoButNotWarningsOrErrors) {
    CWizDoc& d = traced();
    execute("comment off");
    d.LogInfo("hidden");
    d.LogWarning("w");
    d.LogError("e");
    d.LogLine("plain");
    EXPECT_EQ(d.logLines(), (std::vector<std::string>{"WARNING: w", "ERROR: e", "plain"}));
    EXPECT_EQ(d.warningCount(), 1);
    EXPECT_EQ(d.errorCount(), 1);
    EXPECT_EQ(d.traceStore().count(), 3u);
}

TEST_F(LogTest, RowsFollowTheStreamOrder) {
    CWizDoc& d = traced();
    d.LogLine("start");
    sample("v", 1, 0);
    sample("top\\b", 1, 0);
    quietCycle();
    sample("v", 2, 10);
    sample("v", 3, 10); // the later sample of the same step wins
    d.LogLine("after ten"); // stamped 11: after the row of time 10
    sample("v", 0xf, 20);
    sample("top\\b", 0, 20);
    EXPECT_EQ(walk(), (std::vector<std::string>{"start", "#00000000  0001  1", "#00000001  0011  1",
                                                "after ten", "#00000002  1111  0"}));
    // The walk keeps the values it read to itself: the entry holds what recording gave it (here
    // nothing was recorded, the samples were put in the store directly).
    EXPECT_EQ(d.FindTrace(d.findElement("v"))->lastValue, 0);
    EXPECT_EQ(d.FindTrace(d.findElement("v"))->previousValue, 0);
}

TEST_F(LogTest, SamplesOnlyAtTimeZeroWriteNoRow) {
    CWizDoc& d = traced();
    sample("v", 5, 0);
    d.LogLine("text");
    EXPECT_EQ(walk(), (std::vector<std::string>{"text"}));
}

TEST_F(LogTest, RadixAndTracedClockShapeTheRow) {
    CWizDoc& d = traced();
    d.findElement("v")->radix = 16;
    d.selectClockRegister(d.findElement("top\\clk"));
    d.traceElement(d.clockElement());
    d.EmptyLog();
    sample("v", 0xc, 15);
    sample("SOFTWARE_CLOCK", 1, 15);
    EXPECT_EQ(walk(), (std::vector<std::string>{"#00000003  c  0  1"}));
}

TEST_F(LogTest, HeaderAlignsNamesWithValueColumnsAndFollowsRadixChanges) {
    CWizDoc& d = traced();
    d.makeGroupElement("wide", {d.findElement("top\\a0"), d.findElement("top\\a1")});
    ASSERT_TRUE(d.AddTrace("wide"));
    d.EmptyLog();
    d.WriteLogHeader();
    EXPECT_EQ(d.logLines(),
              (std::vector<std::string>{std::string(20, ' ') + "w  ", std::string(20, ' ') + "i  ",
                                        std::string(20, ' ') + "d  ", "           v     b  e  "}));
    quietCycle();
    sample("v", 6, 10);
    sample("wide", 2, 10);
    sample("top\\b", 1, 10);
    d.LogLine("end");
    const std::vector<std::string> lines = walk();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[4], "#00000001  0110  1  10");
    EXPECT_EQ(lines[3].find('v'), lines[4].find("0110"));
    EXPECT_EQ(lines[3].rfind('e'), lines[4].rfind("10"));

    d.findElement("v")->radix = 16;
    d.RewriteLogHeader();
    EXPECT_EQ(d.logLines()[3], "           v  b  e  ");
    EXPECT_EQ(d.logLines()[4], "end");
}

TEST_F(LogTest, HeaderIsNotRewrittenOverOtherLines) {
    CWizDoc& d = traced();
    d.WriteLogHeader();
    d.LogLine("run line");
    ASSERT_TRUE(d.AddTrace("top\\a0")); // a longer name: the header would grow by a line
    d.RewriteLogHeader();
    EXPECT_EQ(d.logLines().back(), "run line");
    d.EmptyLog();
    d.LogLine("parse line");
    d.RewriteLogHeader(); // an emptied log has no header to rewrite
    EXPECT_EQ(d.logLines(), (std::vector<std::string>{"parse line"}));
}

TEST_F(LogTest, WrittenLogHasCrLfLinesAndAFailureIsReported) {
    CWizDoc& d = traced();
    d.LogLine("a");
    sample("v", 1, 10);
    const std::string path = (scratch / "out.log").string();
    ASSERT_TRUE(d.WriteResultLog(path));
    std::string text;
    ASSERT_TRUE(readFileText(path, text));
    EXPECT_EQ(text, "a\r\n#00000001  0001  0\r\n");

    EXPECT_FALSE(d.WriteResultLog((scratch / "no_such_folder" / "x.log").string()));
    ASSERT_EQ(host->messages.size(), 1u);
    EXPECT_EQ(host->waitDepth, 0);

    host->paths.push_back((scratch / "chosen.log").string());
    EXPECT_TRUE(d.SaveResultLog());
    EXPECT_EQ(host->dialogs.back().title, "Save result log");
    EXPECT_EQ(host->dialogs.back().defaultExt, "log");
}

TEST_F(LogTest, RemovingATraceEmptiesTheLogAndRepaints) {
    CWizDoc& d = traced();
    d.addLogView(&logView);
    d.LogLine("x");
    sample("v", 1, 10);
    d.RemoveTrace(d.FindTrace(d.findElement("v")));
    EXPECT_EQ(d.traceStore().count(), 0u);
    EXPECT_TRUE(d.logLines().empty());
    EXPECT_EQ(traceNames(), (std::vector<std::string>{"top\\b"}));
    EXPECT_EQ(views.calls.size(), 1u);
    // Handles are given out again once the store holds no record naming the old ones.
    sample("top\\b", 1, 10);
    EXPECT_EQ(walk(), (std::vector<std::string>{"#00000001  1"}));
    d.removeLogView(&logView);
    EXPECT_TRUE(d.logViews().empty());
}

} // namespace
TEST_F(LogTest, OnlyTheNewestViewFollowsTheEnd) {
    CWizDoc& d = traced();
    FakeLogView older{views};
    d.addLogView(&older);
    d.addLogView(&logView);
    d.RefreshLogViews(true);
    EXPECT_EQ(views.calls, (std::vector<std::string>{"log:refresh", "log:follow"}));
    views.calls.clear();
    d.RefreshLogViews(false);
    EXPECT_EQ(views.calls, (std::vector<std::string>{"log:refresh", "log:refresh"}));
    d.removeLogView(&logView);
    d.removeLogView(&older);
}

} // namespace cellwatch
