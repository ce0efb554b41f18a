// The cellwatch program run as a process, as a build server would run it: exit statuses, the files
// it leaves, and what it says on standard error. Settings, home and cache point into the test's
// folder so the user's own files are never touched.

#include "program_process.h"
#include "xml_check.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace cellwatch {
namespace {

using test::Contains;
using test::ReadText;

using Result = test::ProgramResult;

class ProgramTest : public test::ProgramProcessTest {
protected:
    std::unique_ptr<test::XmlNode> junit(const std::string& name) {
        test::XmlReader reader;
        auto root = reader.parse(ReadText(dir / name));
        EXPECT_TRUE(root) << reader.error();
        return root;
    }
};

TEST_F(ProgramTest, PassingScriptLeavesLogVcdAndReport) {
    const Result r = run({"-run", "-vcd=out.vcd", "-junit=report.xml", "counter8.cmd"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "");
    const std::string log = ReadText(dir / "counter8.cmd.log");
    EXPECT_TRUE(Contains(log, "| ten cycles counted\r\n")) << log;
    EXPECT_TRUE(Contains(log, "| wrapped past ff\r\n"));

    const std::string vcd = ReadText(dir / "out.vcd");
    EXPECT_TRUE(Contains(vcd, "$enddefinitions")) << vcd.substr(0, 400);
    auto root = junit("report.xml");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->attr("tests"), "3");
    EXPECT_EQ(root->attr("failures"), "0");
    EXPECT_EQ(root->all("testcase").size(), 3u);

    // The private scratch folder went with the process; nothing landed in the user's settings.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir / "cache"))
        EXPECT_FALSE(entry.path().filename().string().starts_with("run-")) << entry.path();
    EXPECT_FALSE(std::filesystem::exists(dir / "home" / ".config" / "Halvane"));

    if (!std::filesystem::exists("/usr/bin/vcd2fst"))
        GTEST_SKIP() << "vcd2fst is not installed";
    const std::string command =
        "/usr/bin/vcd2fst '" + path("out.vcd") + "' '" + path("out.fst") + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    EXPECT_GT(std::filesystem::file_size(dir / "out.fst"), 0u);
}

TEST_F(ProgramTest, FailedCheckGivesStatusOneAndAFailureInTheReport) {
    write("fail.cmd", test::Counter8Script("cycle 10\ncheck count 0b\\h\ncheck count 0a\\h\n"));
    const Result r = run({"-run", "-junit=report.xml", "fail.cmd"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Contains(r.err, "1 failed check(s)"));
    EXPECT_TRUE(Contains(ReadText(dir / "fail.cmd.log"), "WARNING: Assertion failed on count"));
    auto root = junit("report.xml");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->attr("tests"), "2");
    EXPECT_EQ(root->attr("failures"), "1");
    EXPECT_EQ(root->all("failure").size(), 1u);
}

TEST_F(ProgramTest, ParseErrorGivesStatusTwoWithTheErrorsOnStandardError) {
    write("bad.cmd", test::Counter8Script("trace nosuch\ncycle 2\n"));
    const Result r = run({"-run", "/junit=report.xml", "bad.cmd"});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(Contains(r.err, "ERROR: ")) << r.err;
    EXPECT_TRUE(Contains(r.err, "nosuch"));
    EXPECT_TRUE(Contains(ReadText(dir / "bad.cmd.log"), "ERROR: "));
    auto root = junit("report.xml");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->attr("errors"), "1");
}

TEST_F(ProgramTest, MissingFileNoFileAndNoBatchSwitch) {
    Result r = run({"-run", "nosuch.cmd"});
    EXPECT_EQ(r.status, 255);
    EXPECT_TRUE(Contains(r.err, "nosuch.cmd: no such file"));

    r = run({"-run"});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Contains(r.err, "Usage: "));

    r = run({"counter8.cmd"}); // the window, but there is no display
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Contains(r.err, "there is no display for the window"));
    EXPECT_FALSE(std::filesystem::exists(dir / "counter8.cmd.log"));

    r = run({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(Contains(r.out, "Usage: cellwatch"));
    EXPECT_TRUE(Contains(r.out, "255"));

    r = run({"-RUN", "counter8.cmd"}); // the batch switch is case-sensitive
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir / "counter8.cmd.log"));
}

TEST_F(ProgramTest, BreakConditionThatIsMetDoesNotStopTheRun) {
    write("brk.cmd", test::Counter8Script("break count 3\\h\ncycle 8\necho \"finished\"\n"));
    const Result r = run({"/run", "brk.cmd"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string log = ReadText(dir / "brk.cmd.log");
    EXPECT_TRUE(Contains(log, "Break occured: ")) << log;
    EXPECT_TRUE(Contains(log, "| finished"));
}

TEST_F(ProgramTest, ChecksAndBreaksOfAnUntracedCounterReadTheBoard) {
    // counter8 with `count` declared but not traced: after ten cycles the board holds 0x0a.
    auto untraced = [](const std::string& body) {
        std::string script = test::Counter8Script(body);
        script.erase(script.find("trace count\n"), 12);
        return script;
    };
    write("stale.cmd", untraced("cycle 10\ncheck count 00\\h\n"));
    Result r = run({"-run", "stale.cmd"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(Contains(ReadText(dir / "stale.cmd.log"), "WARNING: Assertion failed on count"));

    write("fresh.cmd", untraced("break count 05\\h\ncycle 10\ncheck count 0a\\h\n"));
    r = run({"-run", "fresh.cmd"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string log = ReadText(dir / "fresh.cmd.log");
    EXPECT_TRUE(Contains(log, "|Break occured: \"count\" = ")) << log;
    EXPECT_FALSE(Contains(log, "Assertion failed"));
}

TEST_F(ProgramTest, SymbolTableRunWritesItsLogBesideTheSym) {
    const Result r = run({"-run", "-board=emulator:48", "counter8.sym"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "counter8.sym.log"));
}

TEST_F(ProgramTest, TwoRunsAtOnceKeepTheirOwnLogs) {
    write("a.cmd", test::Counter8Script("cycle 3000\ncheck count 0b8\\h\necho \"run a\"\n"));
    const pid_t a = start({"-run", "a.cmd"}, "a");
    const pid_t b = start({"-run", "lfsr4.cmd"}, "b");
    const Result ra = finish(a, "a");
    const Result rb = finish(b, "b");
    EXPECT_EQ(ra.status, 0) << ra.err;
    EXPECT_EQ(rb.status, 0) << rb.err;
    const std::string logA = ReadText(dir / "a.cmd.log");
    const std::string logB = ReadText(dir / "lfsr4.cmd.log");
    EXPECT_TRUE(Contains(logA, "| run a"));
    EXPECT_FALSE(Contains(logB, "| run a"));
    EXPECT_FALSE(Contains(logA, "lfsr"));
}

} // namespace
} // namespace cellwatch
