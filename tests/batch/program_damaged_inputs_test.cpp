// The program run as a process on inputs a careless merge, a wrong variable or a runaway generator
// can produce: a script with a repeated section marker, a settings file that is one of the run's own
// files, inputs far larger than any design. None may turn a failing test into a pass or destroy a file.
#include "program_process.h"
#include "xml_check.h"

#include <gtest/gtest.h>

#include <fstream>

namespace cellwatch {
namespace {

namespace fs = std::filesystem;
using test::Contains;
using test::ReadText;

class ProgramDamagedInputsTest : public test::ProgramProcessTest {
protected:
    // counter8.cmd with its second check made wrong, so that a run that reaches it fails.
    std::string failingCounter() const {
        std::string text = ReadText(dir / "counter8.cmd");
        const std::size_t at = text.find("check count 0a\\h");
        EXPECT_NE(at, std::string::npos);
        text.replace(at, 16, "check count 0b\\h");
        return text;
    }
    static std::string insertBefore(std::string text, std::string_view anchor, std::string_view line) {
        const std::size_t at = text.find(anchor);
        EXPECT_NE(at, std::string::npos) << anchor;
        text.insert(at, line);
        return text;
    }
};

TEST_F(ProgramDamagedInputsTest, RepeatedSectionMarkerIsRefusedNamingItsLine) {
    write("fail.cmd", failingCounter());
    test::ProgramResult r = run({"-run", "fail.cmd"});
    ASSERT_EQ(r.status, 1) << r.err;

    for (const char* marker : {"|GRT_VECTOR_BEGIN\r\n", "|GRT_TRACE_BEGIN\r\n"}) {
        SCOPED_TRACE(marker);
        write("stray.cmd", insertBefore(failingCounter(), "| Count from 0", marker));
        r = run({"-run", "-junit=report.xml", "stray.cmd"});
        EXPECT_EQ(r.status, 2) << r.err;
        // The stray marker stands on line 20 of the file.
        EXPECT_TRUE(Contains(r.err, "ERROR: Line 20 repeats the marker")) << r.err;
        EXPECT_TRUE(Contains(ReadText(dir / "stray.cmd.log"), "Line 20 repeats the marker"));
        test::XmlReader reader;
        auto root = reader.parse(ReadText(dir / "report.xml"));
        ASSERT_TRUE(root) << reader.error();
        EXPECT_EQ(root->attr("errors"), "1");
    }
}

TEST_F(ProgramDamagedInputsTest, SectionWithoutItsEndRunsItsLinesOnce) {
    // The vector section's end marker edited away: everything after its begin belongs to it and is
    // compiled once, before the rest. The trace section's end marker used to end the vector section
    // for the main pass too, which then compiled every later line a second time (here: the trace,
    // refused the second time, and every cycle and echo).
    std::string text = ReadText(dir / "counter8.cmd");
    for (const char* cut : {"|GRT_VECTOR_END\r\n", "trace count\r\n"}) {
        const std::size_t at = text.find(cut);
        ASSERT_NE(at, std::string::npos) << cut;
        text.erase(at, std::string_view(cut).size());
    }
    text = insertBefore(text, "| Initial cal file", "trace count\r\n");
    write("open.cmd", text);
    const test::ProgramResult r = run({"-run", "open.cmd"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string log = ReadText(dir / "open.cmd.log");
    const std::size_t first = log.find("| ten cycles counted");
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_EQ(log.find("| ten cycles counted", first + 1), std::string::npos) << log;
}

TEST_F(ProgramDamagedInputsTest, SettingsFileThatIsOneOfTheRunsFilesIsRefusedBeforeAnythingIsWritten) {
    const std::string script = ReadText(dir / "counter8.cmd");
    const std::string design = ReadText(dir / "counter8.sym");
    const std::string config = ReadText(dir / "counter8.cal");
    fs::create_symlink("counter8.cmd", dir / "script-link.ini");
    const std::string userSettings = "[Environment]\nBase=16\n";
    write("user.ini", userSettings);

    struct Case {
        const char* settings;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"counter8.cmd", {"-run", "counter8.cmd"}},
        {"script-link.ini", {"-run", "counter8.cmd"}},
        {"counter8.sym", {"-run", "counter8.cmd"}}, // named by the script
        {"counter8.cal", {"-run", "counter8.cmd"}}, // loaded by the script
        {"user.ini", {"-run", "-log=user.ini", "counter8.cmd"}},
        {"user.ini", {"-run", "-junit=user.ini", "counter8.cmd"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings + (" " + c.args[1]));
        const test::ProgramResult r = run(c.args, path(c.settings));
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_TRUE(Contains(r.err, "the settings file")) << r.err;
        EXPECT_EQ(ReadText(dir / "counter8.cmd"), script);
        EXPECT_EQ(ReadText(dir / "counter8.sym"), design);
        EXPECT_EQ(ReadText(dir / "counter8.cal"), config);
        EXPECT_EQ(ReadText(dir / "user.ini"), userSettings);
        EXPECT_FALSE(fs::exists(dir / "counter8.cmd.log"));
        EXPECT_TRUE(fs::is_symlink(dir / "script-link.ini"));
    }
}

TEST_F(ProgramDamagedInputsTest, SettingsFileThatIsNotIniIsLeftAsItIsAndTheUserIsToldOnce) {
    const std::string notes = "My notes on the bench\nboard in slot 3\n";
    write("notes.txt", notes);
    const test::ProgramResult r = run({"-run", "counter8.cmd"}, path("notes.txt"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadText(dir / "notes.txt"), notes);
    const std::size_t told = r.err.find("does not read as settings");
    ASSERT_NE(told, std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("does not read as settings", told + 1), std::string::npos) << r.err;

    // A settings file that reads as INI still keeps what the run saves in it.
    write("good.ini", "[Environment]\nBase=16\n");
    EXPECT_EQ(run({"-run", "counter8.cmd"}, path("good.ini")).status, 0);
    EXPECT_TRUE(Contains(ReadText(dir / "good.ini"), "Last%20path")) << ReadText(dir / "good.ini");
    EXPECT_TRUE(Contains(ReadText(dir / "good.ini"), "Base=16"));
}

TEST_F(ProgramDamagedInputsTest, BoardReasonOnStandardErrorCannotDriveTheTerminal) {
    // The folder of -board=pci: comes from the user, the environment or the settings.
    const std::string folder = path("dev\x1b]0;owned\x07\xc2\x9b"
                                    "2J");
    const test::ProgramResult r = run({"-run", "-board=pci:" + folder, "counter8.cmd"});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(Contains(r.err, "dev\\x1b]0;owned\\x07\\xc2\\x9b2J: No such file or directory")) << r.err;
    EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
    EXPECT_EQ(r.err.find("\xc2\x9b"), std::string::npos);
}

TEST_F(ProgramDamagedInputsTest, HugeInputsAreRefusedBeforeTheyAreRead) {
    // Sparse files: a gigabyte that costs nothing, with a valid start.
    const auto sparse = [this](const std::string& name, const std::string& head) {
        write(name, head);
        fs::resize_file(dir / name, std::uintmax_t{1} << 30);
    };
    sparse("huge.cmd", "|GRT_SYMBOL_TABLE \"counter8.sym\"\r\n");
    test::ProgramResult r = run({"-run", "huge.cmd"});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(Contains(r.err, "huge.cmd is larger than 64 MiB (1073741824 bytes)")) << r.err;

    std::string script = ReadText(dir / "counter8.cmd");
    script.replace(script.find("counter8.sym"), 12, "huge.sym");
    write("big-design.cmd", script);
    sparse("huge.sym", "counter8\\q0 0 0 1 0 R S\n");
    r = run({"-run", "big-design.cmd"});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(Contains(r.err, "is larger than 64 MiB")) << r.err;
    EXPECT_TRUE(Contains(ReadText(dir / "big-design.cmd.log"), "is larger than 64 MiB"));
}

TEST_F(ProgramDamagedInputsTest, TwoOutputsNamingOneFileAreRefused) {
    fs::create_symlink("out.vcd", dir / "link.vcd");
    write("keep.txt", "kept");
    fs::create_symlink("keep.txt", dir / "keep-link.txt");
    const std::vector<std::vector<std::string>> cases = {
        {"-run", "-log=x.out", "-vcd=x.out", "counter8.cmd"},
        {"-run", "-vcd=out.vcd", "-junit=link.vcd", "counter8.cmd"}, // through a link to a new file
        {"-run", "-log=keep.txt", "-junit=keep-link.txt", "counter8.cmd"},
        {"-run", "-vcd=counter8.cmd.log", "counter8.cmd"}, // the log's own default name
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args[1] + " " + args[2]);
        const test::ProgramResult r = run(args);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_TRUE(Contains(r.err, "are the same file")) << r.err;
        EXPECT_FALSE(fs::exists(dir / "x.out"));
        EXPECT_FALSE(fs::exists(dir / "out.vcd"));
        EXPECT_FALSE(fs::exists(dir / "counter8.cmd.log"));
        EXPECT_EQ(ReadText(dir / "keep.txt"), "kept");
    }
}

} // namespace
} // namespace cellwatch
