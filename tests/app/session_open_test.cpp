// Opening a session: file types, the design reference, the board choice and what open builds.

#include "session_fixture.h"

#include "design/design_element.h"

#include <fstream>

namespace cellwatch {
namespace {

TEST_F(SessionTest, OpensCommandScriptWithItsDesignAndTheEmulatedBoard) {
    CWizDoc& d = make();
    ASSERT_TRUE(d.OpenSession(AppData("basic.cmd")));
    EXPECT_EQ(*d.scriptPath(), AppData("basic.cmd"));
    // The design is named by bare file name and found beside the script.
    EXPECT_EQ(*d.symbolPath(), AppData("design.sym"));
    ASSERT_TRUE(d.symbolTable() && d.symbolTable()->isLoaded());
    ASSERT_NE(d.findElement("TOP\\A3"), nullptr);
    EXPECT_EQ(settings.readString("Environment", "Last path", "?"),
              std::string(CELLWATCH_TEST_DATA) + "/app");
    ASSERT_NE(d.board(), nullptr);
    EXPECT_EQ(d.boardInfo().boardType, 1);
    EXPECT_EQ(d.boardInfo().deviceSize, 1);
    EXPECT_EQ(d.boardInfo().gridColumns, 64);
    EXPECT_EQ(d.traceCells().size(), 64u * 64u);
    EXPECT_TRUE(d.boardInfo().sramSize == 0x20000 || d.boardInfo().sramSize == 0x80000);
    EXPECT_EQ(host->waitDepth, 0);
    EXPECT_TRUE(host->messages.empty());
}

TEST_F(SessionTest, LargestEmulatedMemberSelectsSizeCodeThree) {
    CWizDoc& d = make("emulator:128");
    ASSERT_TRUE(d.OpenSession(AppData("basic.cmd")));
    EXPECT_EQ(d.boardInfo().deviceSize, 3);
    EXPECT_EQ(d.boardInfo().gridRows, 128);
}

TEST_F(SessionTest, OpenRefusalsCarryTheirExactMessages) {
    struct Case {
        std::string file;
        std::string message;
    };
    std::ofstream(scratch / "design.sym.bak") << "x";
    const Case cases[] = {
        {AppData("no_reference.cmd"), "Bad or corrupt command file."},
        {AppData("empty.cmd"), "Bad or corrupt command file."},
        {(scratch / "design.sym.bak").string(), "Invalid file type."},
    };
    for (const Case& c : cases) {
        host->messages.clear();
        CWizDoc& d = make();
        EXPECT_FALSE(d.OpenSession(c.file)) << c.file;
        ASSERT_EQ(host->messages.size(), 1u) << c.file;
        EXPECT_EQ(host->messages[0], c.message);
        EXPECT_EQ(d.board(), nullptr);
    }
    host->messages.clear();
    EXPECT_FALSE(make().OpenSession((scratch / "absent.cmd").string()));
    EXPECT_EQ(host->messages.size(), 1u);
}

TEST_F(SessionTest, SymbolFileAsksForTheCircuitFileAndCancelFailsSilently) {
    std::filesystem::copy_file(AppData("design.sym"), scratch / "DESIGN.SYM");
    const std::string sym = (scratch / "DESIGN.SYM").string();
    CWizDoc& d = make();
    EXPECT_FALSE(d.OpenSession(sym));
    EXPECT_TRUE(host->messages.empty());
    ASSERT_EQ(host->dialogs.size(), 1u);
    EXPECT_EQ(host->dialogs[0].title, "Select circuit file");
    EXPECT_TRUE(host->dialogs[0].mustExist);
    EXPECT_EQ(host->dialogs[0].startFolder, scratch.string());

    host->paths.push_back(AppData("design.cal"));
    CWizDoc& d2 = make();
    ASSERT_TRUE(d2.OpenSession(sym));
    EXPECT_EQ(*d2.calPath(), AppData("design.cal"));
    EXPECT_EQ(d2.scriptPath(), nullptr);
    // The generated script loads the chosen circuit and names the symbol table.
    ASSERT_TRUE(d2.UseOwnScript());
    const std::string text = bufferText(*d2.scriptBuffer());
    EXPECT_NE(text.find("|GRT_SYMBOL_TABLE \"" + sym + "\""), std::string::npos);
    EXPECT_NE(text.find("loadcal \"" + AppData("design.cal") + "\""), std::string::npos);
}

TEST_F(SessionTest, MissingDesignStillOpens) {
    CWizDoc& d = make();
    ASSERT_TRUE(d.OpenSession(AppData("missing_design.cmd")));
    EXPECT_FALSE(d.symbolTable()->isLoaded());
    ASSERT_TRUE(d.UseOwnScript());
    EXPECT_TRUE(d.ParseScript());
    // Every parse says so, or a user would chase "does not exist" errors on an empty design.
    ASSERT_FALSE(d.logLines().empty());
    EXPECT_TRUE(d.logLines()[0].starts_with("WARNING: The symbol table \"")) << d.logLines()[0];
    EXPECT_NE(d.logLines()[0].find("could not be loaded: code 2 (Invalid File Found)"), std::string::npos);
}

TEST_F(SessionTest, ABoardThatCannotBeUsedSaysWhyInTheLog) {
    const std::string folder = (scratch / "no_such_device").string();
    CWizDoc& d = make("pci:" + folder);
    ASSERT_TRUE(d.OpenSession(AppData("basic.cmd")));
    EXPECT_EQ(d.board(), nullptr);
    ASSERT_EQ(host->notFound.size(), 1u);
    ASSERT_TRUE(d.UseOwnScript());
    d.ParseScript();
    bool said = false;
    for (const std::string& line : d.logLines())
        said = said || (line.starts_with("|") && line.find(folder) != std::string::npos);
    EXPECT_TRUE(said) << "the path and the system's reason, as an info line";
}

TEST_F(SessionTest, NoBoardWarnsUnlessToldNotTo) {
    CWizDoc& d = make("none");
    host->tickDontWarn = true;
    ASSERT_TRUE(d.OpenSession(AppData("basic.cmd")));
    EXPECT_EQ(d.board(), nullptr);
    EXPECT_EQ(d.boardInfo().gridColumns, 0);
    EXPECT_TRUE(d.traceCells().empty());
    ASSERT_EQ(host->notFound.size(), 1u);
    EXPECT_EQ(host->notFound[0],
              "LC3400DS Not Found!|Cellwatch was unable to find the LC3400DS device driver. You will not be "
              "able to execute any tests without one.|Do not show this warning again");
    EXPECT_EQ(settings.readInt("Environment", "Dont warn", 0), 1);

    // The ticked box is remembered: the next open asks nothing, and still parses without a board.
    CWizDoc& again = make("none");
    ASSERT_TRUE(again.OpenSession(AppData("basic.cmd")));
    ASSERT_TRUE(again.UseOwnScript());
    EXPECT_EQ(host->notFound.size(), 1u);
    EXPECT_TRUE(again.ParseScript());
    EXPECT_FALSE(again.isEnabled(MenuCommand::RunTest));
    EXPECT_TRUE(again.isEnabled(MenuCommand::ParseScript));
}

TEST_F(SessionTest, UnknownBoardValueOpensWithoutBoardAndSaysWhy) {
    CWizDoc& d = make("floppy");
    ASSERT_TRUE(d.OpenSession(AppData("basic.cmd")));
    EXPECT_EQ(d.board(), nullptr);
    EXPECT_EQ(host->messages.size(), 1u);
    EXPECT_TRUE(host->notFound.empty());
}

TEST_F(SessionTest, ScriptPathsResolveAgainstTheScriptFolder) {
    CWizDoc& d = make();
    ASSERT_TRUE(d.OpenSession(AppData("basic.cmd")));
    EXPECT_EQ(d.resolveScriptPath("design.cal"), AppData("design.cal"));
    EXPECT_EQ(d.resolveScriptPath("nowhere.cal"), "nowhere.cal");
    EXPECT_EQ(d.resolveScriptPath("/abs/x.cal"), "/abs/x.cal");
}

TEST(MenuRules, FollowTheSessionState) {
    MenuState s;
    EXPECT_TRUE(IsMenuEnabled(MenuCommand::Close, s));
    EXPECT_FALSE(IsMenuEnabled(MenuCommand::SaveScript, s));
    s.hasScript = true;
    EXPECT_TRUE(IsMenuEnabled(MenuCommand::ParseScript, s));
    EXPECT_FALSE(IsMenuEnabled(MenuCommand::RunTest, s));
    s.hasBoard = true;
    EXPECT_TRUE(IsMenuEnabled(MenuCommand::RunTest, s));
    EXPECT_FALSE(IsMenuEnabled(MenuCommand::SaveResultLog, s));
    s.traceRecords = 1;
    EXPECT_TRUE(IsMenuEnabled(MenuCommand::SaveResultLog, s));
    s.runState = RunState::Cycling;
    EXPECT_FALSE(IsMenuEnabled(MenuCommand::SaveTraceWave, s));
    EXPECT_FALSE(IsMenuEnabled(MenuCommand::ParseScript, s));
    EXPECT_TRUE(IsMenuEnabled(MenuCommand::PauseTest, s));
    EXPECT_TRUE(IsMenuEnabled(MenuCommand::StopTest, s));
    s.runState = RunState::Paused;
    EXPECT_TRUE(IsMenuEnabled(MenuCommand::ContinueTest, s));
    EXPECT_TRUE(IsMenuEnabled(MenuCommand::RunTest, s));
    EXPECT_FALSE(IsMenuEnabled(MenuCommand::DeselectClock, s));
    s.hasClock = true;
    EXPECT_TRUE(IsMenuEnabled(MenuCommand::DeselectClock, s));
}

} // namespace
} // namespace cellwatch
