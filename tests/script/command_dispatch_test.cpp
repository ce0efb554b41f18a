#include "command_fixture.h"

#include <vector>

using namespace cellwatch;

using Dispatch = CommandTest;

TEST_F(Dispatch, TableHoldsTheWordsInMatchOrder) {
    std::vector<std::string_view> words;
    for (const CommandEntry& e : commandTable())
        words.push_back(e.word);
    const std::vector<std::string_view> expected = {
        "assign",       "bctl",    "check",    "break", "clear",   "clearall", "clock",   "echo",
        "fm",           "loadcal", "pattern",  "pclk",  "radix",   "reset",    "restart", "setclockreg",
        "setclockmode", "cycle",   "stepsize", "trace", "traceon", "traceoff", "comment", "vector"};
    EXPECT_EQ(words, expected);
}

TEST_F(Dispatch, BlankAndCommentLinesMakeNothingAndLogNothing) {
    for (const char* line : {"", " \t\r\n", "| a comment", "   |assign reg1 1", "|"})
        declare(line);
    EXPECT_EQ(s.errors, 0);
}

TEST_F(Dispatch, CommandWordsIgnoreCase) {
    for (const char* line : {"ASSIGN reg1 1", "Assign REG1 1", "\tassign reg1 1"}) {
        auto c = compile(line);
        ASSERT_NE(c, nullptr) << line;
        EXPECT_EQ(c->kind, CommandKind::Assign);
        EXPECT_EQ(c->element, s.element("reg1"));
        EXPECT_EQ(c->value, 1);
    }
    EXPECT_TRUE(s.log.empty());
}

TEST_F(Dispatch, UnknownWordsAreReportedLowerCased) {
    EXPECT_EQ(compile("assignx reg1 1"), nullptr);
    EXPECT_EQ(compile("FOO"), nullptr);
    EXPECT_EQ(compile("clear-all"), nullptr);
    EXPECT_EQ(s.log, (Lines{"ERROR: Command \"assignx\" is not a valid command.",
                            "ERROR: Command \"foo\" is not a valid command.",
                            "ERROR: Command \"clear-all\" is not a valid command."}));
    EXPECT_EQ(s.errors, 3);
}

TEST_F(Dispatch, WordsMatchExactlyNotByPrefix) {
    EXPECT_EQ(compile("clearall")->kind, CommandKind::ClearAll);
    EXPECT_EQ(compile("clear")->kind, CommandKind::Clear);
    EXPECT_EQ(compile("traceoff")->kind, CommandKind::TraceOff);
    EXPECT_EQ(compile("traceon")->kind, CommandKind::TraceOn);
    EXPECT_EQ(compile("cle"), nullptr);
    EXPECT_EQ(s.errors, 1);
}

TEST_F(Dispatch, TextAfterABarIsAComment) {
    auto c = compile("assign reg1 1| and 10\\d is ignored");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->value, 1);
    // The bar also cuts a quoted echo text: the quote is then never closed.
    auto e = compile("echo \"a|b\"");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->text, "");
    EXPECT_TRUE(s.log.empty());
}

TEST_F(Dispatch, ABareWordStillGetsItsArgumentsChecked) {
    // The word ends the line: the handler sees no arguments and reports the missing ones.
    EXPECT_EQ(compile("assign"), nullptr);
    EXPECT_EQ(compile("bctl|3"), nullptr);
    EXPECT_EQ(s.log, (Lines{"ERROR: ASSIGN - Cannot assign value to element \"\", as it does not exist.",
                            "ERROR: BCTL - Require one parameter (see online help for more details)."}));
}

TEST_F(Dispatch, StepsWithoutArgumentsIgnoreWhatFollows) {
    const std::pair<const char*, CommandKind> cases[] = {
        {"reset now", CommandKind::Reset},     {"clear 1", CommandKind::Clear},
        {"clearall x", CommandKind::ClearAll}, {"restart please", CommandKind::Restart},
        {"traceon all", CommandKind::TraceOn}, {"traceoff", CommandKind::TraceOff},
    };
    for (const auto& [line, kind] : cases) {
        auto c = compile(line);
        ASSERT_NE(c, nullptr) << line;
        EXPECT_EQ(c->kind, kind) << line;
    }
    EXPECT_TRUE(s.log.empty());
}
