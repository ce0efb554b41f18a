// Batch runs given inputs that lie: outputs naming an input, designs that never load, lines longer
// than the parser reads, inputs that are not files, CAL files that fail, and bytes that would act on
// the user's terminal.

#include "batch/batch_run.h"

#include "batch_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace cellwatch {
namespace {

using test::Contains;
using test::ReadText;

class BatchInputsTest : public test::BatchRunTestBase {
protected:
    BatchOptions script(const std::string& file) {
        BatchOptions options;
        options.commandFile = file;
        return options;
    }
};

TEST_F(BatchInputsTest, AnOutputThatIsAnInputIsRefusedAndNothingIsWritten) {
    const std::string cmd = ReadText(path("counter8.cmd"));
    const std::string sym = ReadText(path("counter8.sym"));
    const std::string cal = ReadText(path("counter8.cal"));
    std::filesystem::create_symlink(path("counter8.cal"), path("alias.cal"));

    BatchOptions options = script(path("counter8.cmd"));
    options.logFile = path("counter8.cmd");
    EXPECT_EQ(run(options), kBatchCannotStart);
    EXPECT_TRUE(Contains(errors, "is the input file")) << errors;

    options = script(path("counter8.cmd"));
    options.vcdFile = path("counter8.sym");
    EXPECT_EQ(run(options), kBatchCannotStart);

    // The CAL file is named only by the script's loadcal line; a link to it is the same file.
    options = script(path("counter8.cmd"));
    options.junitFile = path("alias.cal");
    EXPECT_EQ(run(options), kBatchCannotStart);

    EXPECT_EQ(ReadText(path("counter8.cmd")), cmd);
    EXPECT_EQ(ReadText(path("counter8.sym")), sym);
    EXPECT_EQ(ReadText(path("counter8.cal")), cal);
    EXPECT_FALSE(std::filesystem::exists(path("counter8.cmd.log")));
}

TEST_F(BatchInputsTest, ADesignThatCannotBeLoadedIsReportedAndNotRun) {
    std::string text = ReadText(path("counter8.cmd"));
    text.replace(text.find("counter8.sym"), 12, "missing.sym");
    const std::string missing = write("missing.cmd", text);
    EXPECT_EQ(run(script(missing)), kBatchCannotStart);
    EXPECT_TRUE(Contains(errors, "missing.sym")) << errors;
    const std::string log = ReadText(path("missing.cmd.log"));
    EXPECT_TRUE(log.starts_with("WARNING: The symbol table \"missing.sym\" could not be loaded: code 2 (Invalid "
                                "File Found) - the file does not exist.\r\n"))
        << log;

    write("counter8.sym", "not a symbol table\n");
    errors.clear();
    EXPECT_EQ(run(script(path("counter8.cmd"))), kBatchCannotStart);
    EXPECT_TRUE(Contains(ReadText(path("counter8.cmd.log")), "code 1 (Bad Symbol Table Record)"));
    EXPECT_TRUE(Contains(errors, "code 1")) << errors;
}

TEST_F(BatchInputsTest, ALineCutAtTheParsersLimitFailsTheParseUnlessOnlyBlanksOrACommentAreLost) {
    // Cut at 511 characters, "check count 0ff...f" would check a shorter value and could pass.
    const std::string longCheck = "check count 0" + std::string(505, ' ') + "ff\\h\n";
    const std::string file = write("long.cmd", test::Counter8Script("cycle 3\n" + longCheck));
    EXPECT_EQ(run(script(file)), kBatchCannotStart);
    EXPECT_TRUE(Contains(ReadText(path("long.cmd.log")),
                         "ERROR: Line 14 is longer than 511 characters; the part beyond them is not read."));

    const std::string harmless = test::Counter8Script("cycle 3\ncheck count 3\\h" + std::string(600, ' ') +
                                                      "\ncheck count 3\\h |" + std::string(600, 'c') + "\n");
    EXPECT_EQ(run(script(write("harmless.cmd", harmless))), kBatchPassed) << errors;
}

TEST_F(BatchInputsTest, InputsThatAreNotRegularFilesAreRefusedAtOnce) {
    ASSERT_EQ(::mkfifo(path("fifo.cmd").c_str(), 0600), 0);
    EXPECT_EQ(run(script(path("fifo.cmd"))), kBatchCannotStart);
    EXPECT_TRUE(Contains(errors, "is a FIFO, not a regular file")) << errors;

    // A FIFO as symbol table or CAL file: refused as a missing file would be, never waited on.
    ASSERT_EQ(::mkfifo(path("fifo.sym").c_str(), 0600), 0);
    std::string text = ReadText(path("counter8.cmd"));
    text.replace(text.find("counter8.sym"), 12, "fifo.sym");
    EXPECT_EQ(run(script(write("fifosym.cmd", text))), kBatchCannotStart);
    EXPECT_TRUE(Contains(ReadText(path("fifosym.cmd.log")), "the file is a FIFO, not a regular file"));

    const std::string zero = test::Counter8Script("loadcal \"/dev/zero\"\n");
    EXPECT_EQ(run(script(write("zero.cmd", zero))), kBatchCannotStart);
    const std::string log = ReadText(path("zero.cmd.log"));
    EXPECT_TRUE(Contains(log, "ERROR: LOADCAL - Cannot find CAL file \"/dev/zero\".")) << log;
    EXPECT_TRUE(Contains(log, "|\"/dev/zero\" is a character device, not a regular file.")) << log;

    // -cal= naming a link to a device says what it is, not that it is missing.
    std::filesystem::create_symlink("/dev/zero", path("zero.cal"));
    errors.clear();
    BatchOptions options = script(path("counter8.sym"));
    options.calFile = path("zero.cal");
    EXPECT_EQ(run(options), kBatchCannotStart);
    EXPECT_TRUE(Contains(errors, "is a character device, not a regular file")) << errors;
}

TEST_F(BatchInputsTest, ARejectedCalFileSaysWhichLineAndWhy) {
    write("bad.cal", "# header\nC000 0\nC001 zz\n");
    const std::string file = write("bad.cmd", test::Counter8Script("loadcal \"bad.cal\"\n"));
    EXPECT_EQ(run(script(file)), kBatchFailed);
    const std::vector<std::string> lines = test::Lines(ReadText(path("bad.cmd.log")));
    const auto failed = std::find(lines.begin(), lines.end(), "ERROR: Failed to load \"bad.cal\" onto board.");
    ASSERT_NE(failed, lines.end());
    ASSERT_NE(failed + 1, lines.end());
    EXPECT_EQ(*(failed + 1), "|CAL file \"" + path("bad.cal") +
                                 "\", line 3: code 5 (Error reading CAL file.) - the line is not two hexadecimal "
                                 "numbers (address and value).");
}

TEST_F(BatchInputsTest, ControlBytesOfTheScriptReachTheTerminalEscapedAndTheLogRaw) {
    const std::string file = write("esc.cmd", test::Counter8Script("check \x1b[2J\x07 0\n"));
    EXPECT_EQ(run(script(file)), kBatchCannotStart);
    EXPECT_TRUE(Contains(errors, "\"\\x1b[2J\\x07\"")) << errors;
    EXPECT_EQ(errors.find('\x1b'), std::string::npos);
    EXPECT_TRUE(Contains(ReadText(path("esc.cmd.log")), "\x1b[2J\x07"));
}

} // namespace
} // namespace cellwatch
