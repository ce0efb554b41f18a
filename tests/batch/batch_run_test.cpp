// Batch runs over the emulated board: what each outcome leaves on disk, on the error sink and in
// the exit status.

#include "batch/batch_run.h"

#include "app/cwiz_doc.h"
#include "batch_support.h"
#include "trace/cache_file.h"
#include "trace/memory_probe.h"
#include "xml_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace cellwatch {
namespace {

using test::Contains;
using test::ReadText;

// A cache file that takes no block and a machine with no memory to spare: the trace store fills up
// once it has to spill its first block.
class FullCacheFile final : public CacheFile {
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

// Processes whose parent is this one, running or ended and not yet waited for.
int ChildProcesses() {
    const std::string self = std::to_string(::getpid());
    int children = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string text;
        if (!std::getline(stat, text))
            continue;
        // "pid (name) state ppid ...": the name may hold blanks and parentheses.
        const std::size_t close = text.rfind(')');
        std::istringstream rest(close == std::string::npos ? std::string() : text.substr(close + 1));
        std::string state;
        std::string parent;
        if (rest >> state >> parent && parent == self)
            ++children;
    }
    return children;
}

class BatchRunTest : public test::BatchRunTestBase {
protected:
    BatchOptions script(const std::string& file) {
        BatchOptions options;
        options.commandFile = file;
        options.junitFile = path("report.xml");
        return options;
    }
    std::unique_ptr<test::XmlNode> report() {
        test::XmlReader reader;
        auto root = reader.parse(ReadText(path("report.xml")));
        EXPECT_TRUE(root) << reader.error();
        return root;
    }
};

TEST_F(BatchRunTest, PassingScriptLeavesItsLogAndAPassingReport) {
    EXPECT_EQ(run(script(path("counter8.cmd"))), kBatchPassed) << errors;
    EXPECT_EQ(errors, "");
    const std::string log = ReadText(path("counter8.cmd.log"));
    EXPECT_TRUE(Contains(log, "| ten cycles counted\r\n")) << log;
    EXPECT_TRUE(Contains(log, "| wrapped past ff\r\n"));

    auto root = report();
    ASSERT_TRUE(root);
    EXPECT_EQ(root->attr("tests"), "3");
    EXPECT_EQ(root->attr("failures"), "0");
    EXPECT_EQ(root->attr("errors"), "0");
    const auto cases = root->all("testcase");
    ASSERT_EQ(cases.size(), 3u);
    EXPECT_EQ(cases[0]->attr("classname"), "counter8.cmd");
}

TEST_F(BatchRunTest, CheckCasesAreNamedByElementAndScriptLine) {
    EXPECT_EQ(run(script(path("counter8.cmd"))), kBatchPassed) << errors;
    auto root = report();
    ASSERT_TRUE(root);
    const auto cases = root->all("testcase");
    ASSERT_EQ(cases.size(), 3u);
    EXPECT_EQ(cases[0]->attr("name"), "check count (line 23)");
    EXPECT_EQ(cases[1]->attr("name"), "check count (line 25)");
    EXPECT_EQ(cases[2]->attr("name"), "check count (line 28)");
}

TEST_F(BatchRunTest, FailedCheckCompletesTheRunWithStatusOne) {
    const std::string file = write("fail.cmd", test::Counter8Script("cycle 10\n"
                                                                    "check count 0b\\h\n"
                                                                    "echo \"after the check\"\n"
                                                                    "check counter8\\q1 1\n"));
    EXPECT_EQ(run(script(file)), kBatchFailed);
    EXPECT_TRUE(Contains(errors, "1 failed check(s)")) << errors;
    const std::string log = ReadText(path("fail.cmd.log"));
    EXPECT_TRUE(Contains(log, "WARNING: Assertion failed on count"));
    EXPECT_TRUE(Contains(log, "| after the check")); // batch runs go on past a failed check

    auto root = report();
    ASSERT_TRUE(root);
    EXPECT_EQ(root->attr("tests"), "2");
    EXPECT_EQ(root->attr("failures"), "1");
    const auto failures = root->all("failure");
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0]->attr("message"), file + ":14: Assertion failed on count: expected 0b\\h, read 0a\\h");
    const auto cases = root->all("testcase");
    ASSERT_EQ(cases.size(), 2u);
    EXPECT_TRUE(cases[1]->attr("name").starts_with("check counter8\\q1"));
    EXPECT_TRUE(cases[1]->children.empty());
}

// A failure on a build page or a terminal says where it is, what was expected and what was read,
// in the element's radix; the log keeps its own lines exactly.
TEST_F(BatchRunTest, FailedChecksSayWhereWhatWasExpectedAndWhatWasRead) {
    const std::string file = write("why.cmd", test::Counter8Script("cycle 10\n"
                                                                   "check count 0b\\h\n"
                                                                   "radix dec counter8\\q3\n"
                                                                   "check counter8\\q3 0\n"
                                                                   "check counter8\\q0 1\n"
                                                                   "check count 0a\\h\n"));
    EXPECT_EQ(run(script(file)), kBatchFailed);

    // Standard error: one line per failed check, file:line first, then the summary.
    const std::vector<std::string> said = test::Lines(errors);
    ASSERT_EQ(said.size(), 4u) << errors;
    EXPECT_EQ(said[0], "cellwatch: " + file + ":14: Assertion failed on count: expected 0b\\h, read 0a\\h");
    EXPECT_EQ(said[1], "cellwatch: " + file + ":16: Assertion failed on q3: expected 0\\d, read 1\\d");
    EXPECT_EQ(said[2], "cellwatch: " + file + ":17: Assertion failed on q0: expected 1\\b, read 0\\b");
    EXPECT_TRUE(said[3].starts_with("cellwatch: why.cmd: 3 failed check(s)")) << said[3];

    // The JUnit report: the message is the same text; the body adds the log's line and the script's.
    auto root = report();
    ASSERT_TRUE(root);
    const auto failures = root->all("failure");
    ASSERT_EQ(failures.size(), 3u);
    EXPECT_EQ(failures[0]->attr("message"), file + ":14: Assertion failed on count: expected 0b\\h, read 0a\\h");
    EXPECT_EQ(failures[0]->text, "WARNING: Assertion failed on count\n" + file + ":14: check count 0b\\h\n" +
                                     failures[0]->attr("message"));
    EXPECT_EQ(failures[2]->attr("message"), file + ":17: Assertion failed on q0: expected 1\\b, read 0\\b");

    // The log is as it always was: the bare assertion lines, nothing added.
    std::vector<std::string> warnings;
    for (const std::string& line : test::Lines(ReadText(path("why.cmd.log"))))
        if (line.starts_with("WARNING: "))
            warnings.push_back(line);
    EXPECT_EQ(warnings, (std::vector<std::string>{"WARNING: Assertion failed on count",
                                                  "WARNING: Assertion failed on q3",
                                                  "WARNING: Assertion failed on q0"}));
}

TEST_F(BatchRunTest, ParseErrorsNameTheirLineAndHowValuesAreWritten) {
    const std::string file = write("typo.cmd", test::Counter8Script("cycle 2\n"
                                                                    "assign counter8\\q0 2\n"
                                                                    "check nosuch 1\n"));
    EXPECT_EQ(run(script(file)), kBatchCannotStart);
    const std::string assignError = "ERROR: ASSIGN - Cannot parse value \"2\".";
    const std::string hint = " (a value is binary unless it ends in \\d, \\h or \\o: 2 is 10 or 2\\d)";
    const std::string checkError = "ERROR: CHECK - Cannot assert on element \"nosuch\", as it does not exist.";
    EXPECT_TRUE(Contains(errors, "cellwatch: " + file + ":14: " + assignError + hint + "\n")) << errors;
    EXPECT_TRUE(Contains(errors, "cellwatch: " + file + ":15: " + checkError + "\n")) << errors;

    // The log's lines stay as they are.
    const std::vector<std::string> log = test::Lines(ReadText(path("typo.cmd.log")));
    EXPECT_NE(std::find(log.begin(), log.end(), assignError), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), checkError), log.end());

    // The report's error case names the first error with its line, and lists each with its line.
    auto root = report();
    ASSERT_TRUE(root);
    const auto found = root->all("error");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->attr("message"),
              "The run could not start: 2 error(s) in the script; the first: " + file + ":14: " + assignError + hint);
    EXPECT_TRUE(Contains(found[0]->text, file + ":15: " + checkError)) << found[0]->text;
}

// The run's summary counts the parse's warnings, which the run's own log does not keep: a failing
// run names them on standard error, with their lines, before its failed checks.
TEST_F(BatchRunTest, AFailingRunNamesTheParseWarningsItsSummaryCounts) {
    const std::string file = write("warned.cmd", test::Counter8Script("assign count 1ff\\h\n"
                                                                      "check count 0\\h\n"));
    EXPECT_EQ(run(script(file)), kBatchFailed);
    const std::vector<std::string> said = test::Lines(errors);
    ASSERT_EQ(said.size(), 3u) << errors;
    EXPECT_EQ(said[0], "cellwatch: " + file + ":13: WARNING: ASSIGN - Data loss when assigning 1ff\\h to element \"count\"");
    EXPECT_EQ(said[1], "cellwatch: " + file + ":14: Assertion failed on count: expected 00\\h, read ff\\h");
    const std::string log = ReadText(path("warned.cmd.log"));
    EXPECT_FALSE(Contains(log, "Data loss")); // the log's lines are the run's, as always
    EXPECT_TRUE(Contains(log, " 0 error(s), 2 warning(s) - see parse output for more information.")) << log;
}

TEST_F(BatchRunTest, ParseErrorsStopTheStartButTheLogIsStillWritten) {
    const std::string file = write("bad.cmd", test::Counter8Script("check nosuch 1\ncycle 2\n"));
    BatchOptions options = script(file);
    options.vcdFile = path("bad.vcd");
    EXPECT_EQ(run(options), kBatchCannotStart);
    const std::string error = "ERROR: CHECK - Cannot assert on element \"nosuch\", as it does not exist.";
    EXPECT_TRUE(Contains(errors, error)) << errors;
    EXPECT_TRUE(Contains(errors, "the run could not start"));
    EXPECT_TRUE(Contains(ReadText(path("bad.cmd.log")), error + "\r\n"));
    EXPECT_FALSE(std::filesystem::exists(path("bad.vcd")));

    auto root = report();
    ASSERT_TRUE(root);
    EXPECT_EQ(root->attr("tests"), "1");
    EXPECT_EQ(root->attr("errors"), "1");
    const auto errorsFound = root->all("error");
    ASSERT_EQ(errorsFound.size(), 1u);
    EXPECT_TRUE(Contains(errorsFound[0]->text, error));
}

TEST_F(BatchRunTest, MissingAndAbsentFiles) {
    EXPECT_EQ(run(script(path("nosuch.cmd"))), kBatchMissingFile);
    EXPECT_TRUE(Contains(errors, "nosuch.cmd: no such file"));
    EXPECT_FALSE(std::filesystem::exists(path("nosuch.cmd.log")));
    EXPECT_FALSE(std::filesystem::exists(path("report.xml")));

    errors.clear();
    EXPECT_EQ(run(script("")), kBatchCannotStart);
    EXPECT_TRUE(Contains(errors, "no file to run"));
}

TEST_F(BatchRunTest, FilesThatCannotBeOpenedAreExplainedInTheLog) {
    const std::string corrupt = write("corrupt.cmd", "no design named here\n");
    EXPECT_EQ(run(script(corrupt)), kBatchCannotStart);
    EXPECT_TRUE(Contains(errors, "Bad or corrupt command file."));
    EXPECT_TRUE(Contains(ReadText(path("corrupt.cmd.log")), "ERROR: Bad or corrupt command file.\r\n"));

    errors.clear();
    const std::string text = write("notes.txt", "hello\n");
    EXPECT_EQ(run(script(text)), kBatchCannotStart);
    EXPECT_TRUE(Contains(errors, "Invalid file type."));
}

TEST_F(BatchRunTest, NoBoardMeansTheRunCannotStart) {
    BatchOptions options = script(path("counter8.cmd"));
    options.board = "none";
    EXPECT_EQ(run(options), kBatchCannotStart);
    EXPECT_TRUE(Contains(errors, "LC3400DS Not Found!")) << errors;
    EXPECT_TRUE(Contains(errors, "No LC3400DS board"));
    EXPECT_TRUE(Contains(ReadText(path("counter8.cmd.log")), "ERROR: No LC3400DS board"));
    EXPECT_EQ(settings.readInt("Environment", "Dont warn", 0), 0);

    errors.clear();
    options.board = "bogus";
    EXPECT_EQ(run(options), kBatchCannotStart);
    EXPECT_TRUE(Contains(errors, "No LC3400DS board (board \"bogus\")"));
}

TEST_F(BatchRunTest, BoardSwitchComesBeforeEnvironmentAndSetting) {
    settings.writeString("Environment", "Board", "none");
    BatchOptions options = script(path("counter8.cmd"));
    EXPECT_EQ(run(options), kBatchCannotStart);
    options.environmentBoard = "emulator:48";
    EXPECT_EQ(run(options), kBatchPassed) << errors;
    options.environmentBoard = "none";
    options.board = "emulator";
    EXPECT_EQ(run(options), kBatchPassed) << errors;
}

TEST_F(BatchRunTest, SymbolTableRunWritesItsLogBesideTheSym) {
    EXPECT_EQ(run(script(path("counter8.sym"))), kBatchPassed) << errors;
    EXPECT_TRUE(std::filesystem::exists(path("counter8.sym.log")));
    EXPECT_FALSE(std::filesystem::exists(path("counter8.cmd.log")));
}

TEST_F(BatchRunTest, SymbolTableWithoutCircuitFileCannotStart) {
    std::filesystem::rename(dir / "counter8.cal", dir / "elsewhere.cal");
    EXPECT_EQ(run(script(path("counter8.sym"))), kBatchCannotStart);
    EXPECT_TRUE(Contains(errors, "No circuit file")) << errors;
    EXPECT_TRUE(Contains(ReadText(path("counter8.sym.log")), "ERROR: No circuit file"));

    errors.clear();
    BatchOptions options = script(path("counter8.sym"));
    options.calFile = path("elsewhere.cal");
    EXPECT_EQ(run(options), kBatchPassed) << errors;
}

TEST_F(BatchRunTest, LogAndVcdGoWhereTheyAreAsked) {
    std::filesystem::create_directories(dir / "out");
    BatchOptions options = script(path("counter8.cmd"));
    options.logFile = path("out/run.log");
    options.vcdFile = path("out/run.vcd");
    EXPECT_EQ(run(options), kBatchPassed) << errors;
    EXPECT_TRUE(Contains(ReadText(path("out/run.log")), "| wrapped past ff"));
    EXPECT_FALSE(std::filesystem::exists(path("counter8.cmd.log")));
    EXPECT_TRUE(Contains(ReadText(path("out/run.vcd")), "$enddefinitions"));
}

TEST_F(BatchRunTest, ARunStartsNoOtherProgramAndLeavesNoProcessBehind) {
    // Large outputs to replace and a trace store that spills every block: what once went to
    // programs found on the PATH. Stand-ins on the PATH would note it if anything ran them.
    const std::filesystem::path bin = dir / "bin";
    std::filesystem::create_directories(bin);
    for (const char* name : {"rm", "truncate", "sh"}) {
        test::WriteText(bin / name, "#!/bin/sh\necho ran > '" + path("ran") + "'\n");
        std::filesystem::permissions(bin / name, std::filesystem::perms::owner_all);
    }
    for (const char* name : {"run.log", "run.vcd"}) {
        test::WriteText(dir / name, "old");
        std::filesystem::resize_file(dir / name, std::uintmax_t{20} << 20);
    }
    const std::string file = write("long.cmd", test::Counter8Script("cycle 20000\n"));
    BatchOptions options = script(file);
    options.logFile = path("run.log");
    options.vcdFile = path("run.vcd");
    options.prepareSession = [this](CWizDoc& doc) {
        doc.replaceTraceStore(std::make_unique<TraceStore>(path("scratch"), makePosixCacheFile(),
                                                           std::make_unique<NoMemory>()));
    };
    const std::string pathBefore = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (":" + bin.string()).c_str(), 1); // an empty entry is the working folder
    const int status = run(options);
    const int children = ChildProcesses();
    ::setenv("PATH", pathBefore.c_str(), 1);

    EXPECT_EQ(status, kBatchPassed) << errors;
    EXPECT_EQ(children, 0) << "no helper, running or a zombie, once runBatch has returned";
    EXPECT_FALSE(std::filesystem::exists(path("ran")));
    EXPECT_FALSE(ReadText(path("run.log")).starts_with("old"));
    EXPECT_TRUE(Contains(ReadText(path("run.vcd")), "$enddefinitions"));
    EXPECT_LT(std::filesystem::file_size(path("run.vcd")), std::uintmax_t{20} << 20);
    EXPECT_TRUE(std::filesystem::is_empty(dir / "scratch")) << "the spilled cache file is gone with the run";
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        EXPECT_FALSE(entry.path().filename().string().ends_with(".tmp")) << entry.path();
}

TEST_F(BatchRunTest, OutputsThatCannotBeWrittenFailTheRun) {
    BatchOptions options = script(path("counter8.cmd"));
    options.logFile = path("missing/run.log");
    EXPECT_EQ(run(options), kBatchFailed);
    EXPECT_TRUE(Contains(errors, "missing/run.log")) << errors;

    errors.clear();
    options = script(path("counter8.cmd"));
    options.vcdFile = path("missing/run.vcd");
    EXPECT_EQ(run(options), kBatchFailed);
    EXPECT_TRUE(Contains(errors, "VCD")) << errors;
    auto root = report();
    ASSERT_TRUE(root);
    EXPECT_EQ(root->attr("errors"), "1");
    // The log, written after the other outputs, says what became of them.
    EXPECT_TRUE(ReadText(path("counter8.cmd.log"))
                    .ends_with("ERROR: The VCD file could not be written to \"" + path("missing/run.vcd") + "\".\r\n"));

    errors.clear();
    options = script(path("counter8.cmd"));
    options.junitFile = path("missing/report.xml");
    EXPECT_EQ(run(options), kBatchFailed);
    EXPECT_TRUE(Contains(errors, "JUnit")) << errors;
    EXPECT_TRUE(Contains(ReadText(path("counter8.cmd.log")), "ERROR: The JUnit report could not be written"));
}

TEST_F(BatchRunTest, BreaksNeverStopAnUnattendedRun) {
    const std::string file = write("breaks.cmd", test::Counter8Script("break count 5\\h\n"
                                                                      "cycle 10\n"
                                                                      "break\n"
                                                                      "cycle 3\n"
                                                                      "echo \"done\"\n"));
    EXPECT_EQ(run(script(file)), kBatchPassed) << errors;
    const std::string log = ReadText(path("breaks.cmd.log"));
    EXPECT_TRUE(Contains(log, "Break occured: \"count\"")) << log;
    EXPECT_TRUE(Contains(log, "|Break command skipped"));
    EXPECT_TRUE(Contains(log, "| done"));
}

TEST_F(BatchRunTest, FullTraceStoreEndsTheRunWithItsLogSaved) {
    const std::string file = write("long.cmd", test::Counter8Script("cycle 12000\necho \"never\"\n"));
    BatchOptions options = script(file);
    options.prepareSession = [this](CWizDoc& doc) {
        doc.replaceTraceStore(std::make_unique<TraceStore>(path("scratch"), std::make_unique<FullCacheFile>(),
                                                           std::make_unique<NoMemory>()));
    };
    EXPECT_EQ(run(options), kBatchFailed);
    EXPECT_TRUE(Contains(errors, "trace store is full")) << errors;
    // The store took no more lines, yet the saved log still ends saying why it stops there.
    EXPECT_TRUE(ReadText(path("long.cmd.log"))
                    .ends_with("ERROR: The trace store is full: the run was ended before the end of the script.\r\n"));
    auto root = report();
    ASSERT_TRUE(root);
    EXPECT_EQ(root->attr("errors"), "1");
}

TEST_F(BatchRunTest, LongRunsShowProgressOnlyWhenAskedTo) {
    const std::string file = write("long.cmd", test::Counter8Script("cycle 30000\n"));
    BatchOptions options = script(file);
    std::int64_t now = 0;
    options.clockMs = [&now] { return now += 400; };
    EXPECT_EQ(run(options), kBatchPassed);
    EXPECT_EQ(errors, "");

    options.showProgress = true;
    EXPECT_EQ(run(options), kBatchPassed);
    EXPECT_TRUE(Contains(errors, "\rcycle ")) << errors;
    EXPECT_TRUE(errors.ends_with("\r")) << "the line is blanked at the end";
}

} // namespace
} // namespace cellwatch
