#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cellwatch {
namespace {

CommandLine parse(std::vector<std::string_view> arguments) {
    return parseCommandLine(arguments);
}

TEST(CommandLineTest, BatchSwitchWithDashOrSlashButOnlyInLowerCase) {
    EXPECT_TRUE(parse({"-run", "a.cmd"}).batch);
    EXPECT_TRUE(parse({"/run", "a.cmd"}).batch);
    EXPECT_TRUE(parse({"a.cmd", "-run"}).batch);
    EXPECT_FALSE(parse({"-RUN", "a.cmd"}).batch);
    EXPECT_FALSE(parse({"/Run", "a.cmd"}).batch);
    EXPECT_FALSE(parse({"--run", "a.cmd"}).batch);
    EXPECT_FALSE(parse({"-running", "a.cmd"}).batch);
    EXPECT_FALSE(parse({"a.cmd"}).batch);
    // An ignored switch is not taken for the file either.
    EXPECT_EQ(parse({"a.cmd", "-RUN"}).commandFile, "a.cmd");
}

TEST(CommandLineTest, LastPlainArgumentIsTheCommandFile) {
    EXPECT_EQ(parse({"a.cmd", "b.sym", "-run", "c.cmd"}).commandFile, "c.cmd");
    EXPECT_EQ(parse({}).commandFile, "");
    EXPECT_EQ(parse({"-run"}).commandFile, "");
    // An empty argument names nothing and does not clear the file before it.
    EXPECT_EQ(parse({"a.cmd", ""}).commandFile, "a.cmd");
    EXPECT_EQ(parse({"dir with blanks/a b.cmd"}).commandFile, "dir with blanks/a b.cmd");
}

TEST(CommandLineTest, AbsolutePathsAreFilesNotSlashSwitches) {
    EXPECT_EQ(parse({"-run", "/home/me/tests/a.cmd"}).commandFile, "/home/me/tests/a.cmd");
    EXPECT_EQ(parse({"//a.cmd"}).commandFile, "//a.cmd");
    // A single name after the slash is a switch, as "/run" is; a value may hold slashes.
    EXPECT_EQ(parse({"/a.cmd"}).commandFile, "");
    const CommandLine line = parse({"/cal=/opt/designs/x.cal", "/home/me/x.sym"});
    EXPECT_EQ(line.calFile, "/opt/designs/x.cal");
    EXPECT_EQ(line.commandFile, "/home/me/x.sym");
}

TEST(CommandLineTest, OurSwitchesTakeTheirValues) {
    const CommandLine line = parse({"-run", "-board=emulator:96", "-vcd=out/t.vcd", "-log=run.log",
                                    "-junit=report.xml", "-cal=designs/x.cal", "x.sym"});
    EXPECT_TRUE(line.batch);
    EXPECT_EQ(line.board, "emulator:96");
    EXPECT_EQ(line.vcdFile, "out/t.vcd");
    EXPECT_EQ(line.logFile, "run.log");
    EXPECT_EQ(line.junitFile, "report.xml");
    EXPECT_EQ(line.calFile, "designs/x.cal");
    EXPECT_EQ(line.commandFile, "x.sym");
    EXPECT_TRUE(line.warnings.empty());
}

TEST(CommandLineTest, OurSwitchesInOtherSpellings) {
    EXPECT_EQ(parse({"--vcd=a.vcd"}).vcdFile, "a.vcd");
    EXPECT_EQ(parse({"/board=none"}).board, "none");
    EXPECT_EQ(parse({"-board=emulator", "-board=none"}).board, "none");
    // Only the first '=' separates; the value keeps the rest.
    EXPECT_EQ(parse({"-board=pci:/sys/bus/pci/devices/0000:01:00.0"}).board,
              "pci:/sys/bus/pci/devices/0000:01:00.0");
    EXPECT_EQ(parse({"-log=a=b.log"}).logFile, "a=b.log");
    // Switch names are case-sensitive, like "run".
    EXPECT_EQ(parse({"-VCD=a.vcd"}).vcdFile, "");
}

TEST(CommandLineTest, UnknownSwitchesAreIgnoredSilently) {
    const CommandLine line = parse({"-x=y", "/nologo", "-", "--verbose", "a.cmd"});
    EXPECT_FALSE(line.batch);
    EXPECT_FALSE(line.help);
    EXPECT_EQ(line.commandFile, "a.cmd");
    EXPECT_TRUE(line.warnings.empty());
}

TEST(CommandLineTest, OurSwitchWithoutValueWarnsAndKeepsEarlierValue) {
    CommandLine line = parse({"-vcd=first.vcd", "-vcd=", "a.cmd"});
    EXPECT_EQ(line.vcdFile, "first.vcd");
    ASSERT_EQ(line.warnings.size(), 1u);
    EXPECT_NE(line.warnings[0].find("-vcd="), std::string::npos);

    // "-board emulator" would otherwise silently make "emulator" the command file.
    line = parse({"-board", "a.cmd"});
    EXPECT_EQ(line.board, "");
    EXPECT_EQ(line.commandFile, "a.cmd");
    ASSERT_EQ(line.warnings.size(), 1u);
    EXPECT_NE(line.warnings[0].find("-board=VALUE"), std::string::npos);
}

TEST(CommandLineTest, HelpSwitches) {
    for (std::string_view help : {"--help", "-h", "-?", "/?", "-help"})
        EXPECT_TRUE(parse({help}).help) << help;
    EXPECT_FALSE(parse({"-H"}).help);
    const std::string usage = usageText("cellwatch");
    EXPECT_NE(usage.find("cellwatch -run"), std::string::npos);
    for (const char* word : {"-board=VALUE", "-vcd=FILE", "-log=FILE", "-junit=FILE", "-cal=PATH", "255"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;
    EXPECT_EQ(usage.back(), '\n');
}

TEST(CommandLineTest, ListBoardsSwitch) {
    for (std::string_view list : {"--list-boards", "-list-boards", "/list-boards"})
        EXPECT_TRUE(parse({list}).listBoards) << list;
    for (std::string_view other : {"--list-board", "--list-boards=1", "list-boards", "-LIST-BOARDS"})
        EXPECT_FALSE(parse({other}).listBoards) << other;
    EXPECT_EQ(parse({"--list-boards", "a.cmd"}).commandFile, "a.cmd");
    EXPECT_NE(usageText("cellwatch").find("cellwatch --list-boards\n"), std::string::npos);
}

TEST(CommandLineTest, ArgvSkipsProgramNameAndNullEntries) {
    const char* argv[] = {"cellwatch", "-run", nullptr, "a.cmd"};
    const CommandLine line = parseCommandLine(4, argv);
    EXPECT_TRUE(line.batch);
    EXPECT_EQ(line.commandFile, "a.cmd");
    EXPECT_EQ(parseCommandLine(1, argv).commandFile, "");
    EXPECT_EQ(parseCommandLine(0, nullptr).commandFile, "");
}

} // namespace
} // namespace cellwatch
