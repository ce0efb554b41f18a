// The parse pass over real scripts: section order, markers, the clock checks and repeatability.

#include "session_fixture.h"

#include "design/design_element.h"
#include "script/section_rewriter.h"

#include <algorithm>
#include <fstream>

namespace cellwatch {
namespace {

std::vector<std::string> logText(CWizDoc& d) {
    return d.logLines();
}

TEST_F(SessionTest, BasicScriptBuildsTracesGroupsClockAndCommands) {
    CWizDoc& d = openBatch("basic.cmd");
    ASSERT_TRUE(d.ParseScript());
    EXPECT_EQ(traceNames(), (std::vector<std::string>{"nib", "top\\b"}));
    DesignElement* nib = d.findElement("nib");
    ASSERT_NE(nib, nullptr);
    EXPECT_EQ(nib->type, ElementType::Group);
    EXPECT_EQ(nib->size, 4u);
    ASSERT_NE(d.clockElement(), nullptr);
    EXPECT_EQ(d.clockElement()->parent, d.findElement("top\\clk"));
    EXPECT_EQ(d.clockMethod(), ClockMethod::RegOut);
    EXPECT_EQ(d.runMode(), RunMode::Interactive);
    ASSERT_EQ(d.commandList().size(), 4u);
    EXPECT_EQ(CommandAt(d, 0).kind, CommandKind::LoadCal);
    EXPECT_EQ(CommandAt(d, 1).kind, CommandKind::ClearAll);
    EXPECT_EQ(CommandAt(d, 2).kind, CommandKind::Cycle);
    EXPECT_EQ(CommandAt(d, 2).value, 5);
    EXPECT_EQ(CommandAt(d, 3).kind, CommandKind::Echo);
    EXPECT_EQ(logText(d),
              (std::vector<std::string>{"|Adding trace: nib - Size: 4", "|Adding trace: top\\b - Size: 1",
                                        "| 0 error(s), 0 warning(s)"}));
}

TEST_F(SessionTest, ParsingTwiceGivesTheSameState) {
    CWizDoc& d = openBatch("basic.cmd");
    d.setSymbolView(&tree);
    ASSERT_TRUE(d.ParseScript());
    const auto kinds = commandKinds();
    const auto traces = traceNames();
    const auto log = logText(d);
    DesignElement* firstClock = d.clockElement();
    ASSERT_TRUE(d.ParseScript());
    EXPECT_EQ(commandKinds(), kinds);
    EXPECT_EQ(traceNames(), traces);
    EXPECT_EQ(logText(d), log);
    ASSERT_NE(d.clockElement(), nullptr);
    (void)firstClock;
    // One group and one clock element, however often the script is parsed.
    int groups = 0, clocks = 0;
    for (DesignElement* e = d.designTree()->first(); e != nullptr; e = e->next) {
        groups += e->type == ElementType::Group;
        clocks += e->type == ElementType::SoftwareClock;
    }
    EXPECT_EQ(groups, 1);
    EXPECT_EQ(clocks, 1);
    // The hierarchy view dropped the first parse's group before the second made it again.
    EXPECT_EQ(std::count(views.calls.begin(), views.calls.end(), "tree:remove nib"), 1);
    EXPECT_EQ(std::count(views.calls.begin(), views.calls.end(), "tree:add nib"), 2);
}

TEST_F(SessionTest, SectionsCompileFirstAndOnlyTheFirstClockRegisterActs) {
    CWizDoc& d = openBatch("order.cmd");
    d.ParseScript();
    // The vector section, then the trace section (its cycle), then the main text in order; the
    // comment after '|' is cut from the echo.
    ASSERT_EQ(d.commandList().size(), 3u);
    EXPECT_EQ(CommandAt(d, 0).kind, CommandKind::Cycle);
    EXPECT_EQ(CommandAt(d, 1).kind, CommandKind::Echo);
    EXPECT_EQ(CommandAt(d, 1).text, "first in text");
    EXPECT_EQ(CommandAt(d, 2).kind, CommandKind::Assign);
    EXPECT_NE(d.findElement("v"), nullptr);
    EXPECT_EQ(traceNames(), (std::vector<std::string>{"top\\b"}));
    ASSERT_NE(d.clockElement(), nullptr);
    EXPECT_EQ(d.clockElement()->parent->fullName, "top\\clk");
    EXPECT_EQ(d.clockMethod(), ClockMethod::CbufRead);
}

TEST_F(SessionTest, ClockSetupWarnings) {
    CWizDoc& a = openBatch("clock_no_method.cmd");
    EXPECT_TRUE(a.ParseScript());
    EXPECT_EQ(a.warningCount(), 1);
    EXPECT_EQ(logText(a), (std::vector<std::string>{
                              "WARNING: You have specified a clock register but no clocking method.",
                              "| 0 error(s), 1 warning(s)"}));
    CWizDoc& b = openBatch("method_no_clock.cmd");
    EXPECT_TRUE(b.ParseScript());
    EXPECT_EQ(logText(b), (std::vector<std::string>{
                              "WARNING: You have specified a clocking method but no clock register.",
                              "| 0 error(s), 1 warning(s)"}));
}

TEST_F(SessionTest, UnterminatedSectionSwallowsTheRestOfTheMainPass) {
    CWizDoc& d = openBatch("damaged.cmd");
    EXPECT_TRUE(d.ParseScript());
    EXPECT_EQ(traceNames(), (std::vector<std::string>{"top\\b"}));
    ASSERT_EQ(d.commandList().size(), 1u);
    EXPECT_EQ(CommandAt(d, 0).kind, CommandKind::Echo);
}

TEST_F(SessionTest, DuplicatesAndUnknownWordsAreCountedErrors) {
    CWizDoc& d = openBatch("duplicates.cmd");
    EXPECT_FALSE(d.ParseScript());
    EXPECT_EQ(d.errorCount(), 3);
    EXPECT_EQ(d.sequenceList().size(), 1u);
    EXPECT_EQ(
        logText(d),
        (std::vector<std::string>{
            "|Adding trace: top\\b - Size: 1", "ERROR: TRACE - Trace \"top\\b\" has already been defined.",
            "ERROR: CLOCK - Data sequence already exists for element \"top\\a0\".",
            "ERROR: Command \"bogus\" is not a valid command.", "| 3 error(s), 0 warning(s)"}));
}

TEST_F(SessionTest, EmptyScriptParsesToTheSummaryAlone) {
    CWizDoc& d = openBatch("blank.cmd");
    EXPECT_TRUE(d.ParseScript());
    EXPECT_TRUE(d.commandList().empty());
    EXPECT_EQ(logText(d), (std::vector<std::string>{"| 0 error(s), 0 warning(s)"}));
}

TEST_F(SessionTest, ParseCommandAsksWhilePausedAndSavesAsTheSettingsSay) {
    CWizDoc& d = openBatch("basic.cmd");
    ASSERT_TRUE(d.StartRun(RunMode::Script));
    d.RunCommands();
    d.PauseTest();
    const ScriptCommand* compiled = d.commandList().front().get();
    host->answers.push_back(Answer::No);
    d.ParseCommand();
    EXPECT_EQ(d.runState(), RunState::Paused);
    EXPECT_EQ(d.commandList().front().get(), compiled) << "not parsed again";
    EXPECT_EQ(host->questions.back(), "Currently paused session! Are you sure you wish to restart?");

    // "Save before parse" off: a modified script is parsed from the text, not written.
    settings.writeInt("Environment", "Save before parse", 0);
    d.scriptBuffer()->insertAt(d.scriptBuffer()->lineCount(), "echo \"added\"\r\n");
    host->answers.push_back(Answer::Yes);
    d.ParseCommand();
    EXPECT_EQ(d.runState(), RunState::Idle);
    EXPECT_EQ(d.commandList().size(), 5u);
    EXPECT_TRUE(host->saved.empty());
    EXPECT_TRUE(d.scriptBuffer()->isModified());
    EXPECT_EQ(host->logViewsOpened, 1);
    // With a board the read plan follows the parse: nib's four rows in column 1, b in column 2.
    ASSERT_EQ(d.cellGroups().size(), 2u);
    EXPECT_EQ(d.cellGroups()[0].column, 1);
    EXPECT_EQ(d.cellGroups()[0].rows, 4);
    EXPECT_EQ(d.cellGroups()[1].column, 2);
}

TEST_F(SessionTest, CellsOutsideTheDeviceNeverReachTheMaps) {
    CWizDoc& d = openBatch("blank.cmd");
    d.ParseScript();
    ASSERT_NE(d.findElement("top\\far"), nullptr);
    ASSERT_TRUE(d.AddTrace("top\\far"));
    ASSERT_TRUE(d.AddTrace("top\\b"));
    d.buildReadPlan();
    ASSERT_EQ(d.cellGroups().size(), 1u);
    EXPECT_EQ(d.cellGroups()[0].column, 2);
}

TEST_F(SessionTest, ClockFromHierarchyWritesTheScriptAndDeselectRemovesIt) {
    CWizDoc& d = openBatch("blank.cmd");
    d.setSymbolView(&tree);
    d.setTraceView(&list);
    d.ParseScript();
    DesignElement* clk = d.findElement("top\\clk");
    DesignElement* b = d.findElement("top\\b");
    d.SelectClockFromHierarchy(b);
    d.SelectClockFromHierarchy(clk);
    ASSERT_NE(d.clockElement(), nullptr);
    EXPECT_EQ(d.findElement("SOFTWARE_CLOCK"), d.clockElement());
    EXPECT_EQ(d.clockElement()->parent, clk);
    d.setClockingMethod(ClockMethod::CbufRead);
    std::string text = bufferText(*d.scriptBuffer());
    EXPECT_NE(text.find("setclockreg top\\clk\r\n"), std::string::npos);
    EXPECT_EQ(text.find("setclockreg top\\b"), std::string::npos);
    EXPECT_NE(text.find("setclockmode CBUF_READ\r\n"), std::string::npos);
    EXPECT_TRUE(d.sharesClockColumn(d.findElement("top\\clk")));
    EXPECT_FALSE(d.sharesClockColumn(b));

    d.traceElement(d.clockElement());
    EXPECT_NE(d.clockTrace(), nullptr);
    d.DeselectClock();
    EXPECT_EQ(d.clockElement(), nullptr);
    EXPECT_EQ(d.clockTrace(), nullptr);
    EXPECT_EQ(d.clockMethod(), ClockMethod::None);
    EXPECT_TRUE(d.traceList().empty());
    EXPECT_EQ(d.findElement("SOFTWARE_CLOCK"), nullptr);
    text = bufferText(*d.scriptBuffer());
    EXPECT_EQ(text.find("setclockreg"), std::string::npos);
    EXPECT_NE(std::find(views.calls.begin(), views.calls.end(), "tree:unmark top\\clk"), views.calls.end());
    EXPECT_NE(std::find(views.calls.begin(), views.calls.end(), "trace:remove SOFTWARE_CLOCK"),
              views.calls.end());
}

} // namespace
} // namespace cellwatch

namespace cellwatch {
namespace {

// The examples name their design and CAL file by bare name; they parse from any working folder.
TEST_F(SessionTest, ExampleScriptsParseCleanlyFromAnotherFolder) {
    for (const char* name : {"counter8.cmd", "cbuf_counter.cmd", "lfsr4.cmd", "shift16.cmd"}) {
        make();
        ASSERT_TRUE(doc->OpenSession(std::string(CELLWATCH_SOURCE_DIR) + "/examples/" + name)) << name;
        ASSERT_TRUE(doc->UseOwnScript());
        EXPECT_TRUE(doc->ParseScript()) << name << ": " << doc->logLines().front();
        EXPECT_EQ(doc->warningCount(), 0) << name;
    }
}

// A script in the test's folder for the small design, with the given sections and main part.
std::string writeDesignScript(const std::filesystem::path& folder, const std::string& vectors,
                              const std::string& traces, const std::string& main = {}) {
    const std::filesystem::path file = folder / "script.cmd";
    std::ofstream out(file, std::ios::binary);
    out << "|GRT_SYMBOL_TABLE \"" << AppData("design.sym") << "\"\n"
        << "|GRT_VECTOR_BEGIN\n"
        << vectors << "|GRT_VECTOR_END\n"
        << "|GRT_TRACE_BEGIN\n"
        << traces << "|GRT_TRACE_END\n"
        << main;
    return file.string();
}

TEST_F(SessionTest, VectorsNestedDeeperThanGroupsReachAreRefused) {
    std::string vectors = "vector v1 top\\a0\n";
    for (int level = 2; level <= 65; ++level)
        vectors += "vector v" + std::to_string(level) + " v" + std::to_string(level - 1) + "\n";
    make();
    ASSERT_TRUE(doc->OpenSession(writeDesignScript(scratch, vectors, "trace v64\n")));
    ASSERT_TRUE(doc->UseOwnScript());
    EXPECT_FALSE(doc->ParseScript());
    EXPECT_EQ(doc->errorCount(), 1);
    const std::vector<std::string> log = doc->logLines();
    EXPECT_NE(std::find(log.begin(), log.end(),
                        "ERROR: VECTOR - Cannot make vector \"v65\", as its groups nest more than 64 deep."),
              log.end());
    EXPECT_EQ(doc->findElement("v65"), nullptr);
    // 64 levels still reach the register's cell.
    ASSERT_NE(doc->findElement("v64"), nullptr);
    EXPECT_EQ(groupDepth(doc->findElement("v64")), 64);
    EXPECT_EQ(traceNames(), std::vector<std::string>{"v64"});
}

TEST_F(SessionTest, VeryLongVectorAndTraceLinesParseInOnePass) {
    // A generated design of 65536 registers and a script with a vector of a quarter of a million
    // members (far over 32 bits) and one trace line naming every register: the vector is refused and
    // every register traced, in time linear in the lines (taking names off the front of the line and
    // looking each trace up in a list made both quadratic: minutes for this script).
    constexpr int kRegisters = 65536;
    {
        std::ofstream sym(scratch / "big.sym", std::ios::binary);
        for (int i = 0; i < kRegisters; ++i)
            sym << "S big\\r" << i << " 0 0 " << i % 64 << ' ' << i / 64 % 64 << " R S=\n";
    }
    std::string vector = "vector wide";
    for (int i = 0; i < 4 * kRegisters; ++i)
        vector += " big\\r" + std::to_string(i % kRegisters);
    std::string trace = "trace";
    for (int i = 0; i < kRegisters; ++i)
        trace += " big\\r" + std::to_string(i);
    {
        std::ofstream out(scratch / "big.cmd", std::ios::binary);
        out << "|GRT_SYMBOL_TABLE \"" << (scratch / "big.sym").string() << "\"\n"
            << "|GRT_VECTOR_BEGIN\n"
            << vector << "\n|GRT_VECTOR_END\n"
            << "|GRT_TRACE_BEGIN\n"
            << trace << "\n|GRT_TRACE_END\n";
    }
    make();
    ASSERT_TRUE(doc->OpenSession((scratch / "big.cmd").string()));
    ASSERT_TRUE(doc->UseOwnScript());
    EXPECT_FALSE(doc->ParseScript());
    EXPECT_EQ(doc->errorCount(), 1);
    const std::vector<std::string> log = doc->logLines();
    EXPECT_NE(std::find(log.begin(), log.end(),
                        "ERROR: VECTOR - Cannot make vector \"wide\", as it is too large (32 bits max)."),
              log.end());
    ASSERT_EQ(doc->traceList().size(), std::size_t{kRegisters});
    EXPECT_EQ(doc->traceList().back().element->fullName, "big\\r65535");
}

} // namespace
} // namespace cellwatch
