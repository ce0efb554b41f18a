#include "command_fixture.h"

#include <cstdint>

using namespace cellwatch;

using CheckAndBreak = CommandTest;

TEST_F(CheckAndBreak, CheckCompilesToAStep) {
    auto c = compile("check reg1 1");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->kind, CommandKind::Check);
    EXPECT_EQ(c->element, s.element("reg1"));
    EXPECT_EQ(c->value, 1);

    EXPECT_EQ(compile("check nosuch 1"), nullptr);
    EXPECT_EQ(compile("check reg1 3"), nullptr);
    EXPECT_EQ(s.log, (Lines{"ERROR: CHECK - Cannot assert on element \"nosuch\", as it does not exist.",
                            "ERROR: CHECK - Cannot parse value \"3\"."}));
}

TEST_F(CheckAndBreak, BreakAloneIsAStepWithArgumentsACondition) {
    for (const char* line : {"break", "BREAK \t ", "break | pause here"}) {
        auto c = compile(line);
        ASSERT_NE(c, nullptr) << line;
        EXPECT_EQ(c->kind, CommandKind::Break);
    }
    declare("break reg1 10");
    declare("break Bus0 1");
    ASSERT_EQ(s.breaks.size(), 2u);
    EXPECT_EQ(s.breaks[0].element, s.element("reg1"));
    EXPECT_EQ(s.breaks[0].value, 2u);
    EXPECT_EQ(s.breaks[1].element, s.element("bus0"));
}

TEST_F(CheckAndBreak, BadBreakConditionsAreNotKept) {
    EXPECT_EQ(compile("break nosuch 1"), nullptr);
    EXPECT_EQ(compile("break reg1"), nullptr);
    EXPECT_EQ(compile("break reg1 9"), nullptr);
    EXPECT_EQ(s.log,
              (Lines{"ERROR: BREAK - Cannot break on element \"nosuch\" as it does not exist.",
                     "ERROR: BREAK - Cannot parse value \"\".", "ERROR: BREAK - Cannot parse value \"9\"."}));
    EXPECT_TRUE(s.breaks.empty());
}

using TraceCommand = CommandTest;

TEST_F(TraceCommand, TracesInOrderWithAnInfoLineEach) {
    declare("vector v bus[1:0]");
    compile("trace reg1 SUB\\a v");
    EXPECT_EQ(s.traces,
              (std::vector<DesignElement*>{s.element("reg1"), s.element("sub\\a"), s.element("v")}));
    EXPECT_EQ(s.log, (Lines{"|Adding trace: reg1 - Size: 1", "|Adding trace: sub\\a - Size: 1",
                            "|Adding trace: v - Size: 2"}))
        << "the info line names the element as the design does";
}

TEST_F(TraceCommand, StopsAtTheFirstBadName) {
    compile("trace reg1 reg2 nosuch en");
    EXPECT_EQ(s.traces, (std::vector<DesignElement*>{s.element("reg1"), s.element("reg2")}));
    EXPECT_EQ(s.lastLine(), "ERROR: TRACE - Element \"nosuch\" cannot be traced as it does not exist.");
    EXPECT_EQ(s.errors, 1);

    s.clearLog();
    compile("trace sub en");
    EXPECT_EQ(s.log, Lines{"ERROR: TRACE - Cannot trace composite object \"sub\""});
    EXPECT_FALSE(s.isTraced(s.element("en")));
}

TEST_F(TraceCommand, ANameTracesOnce) {
    compile("trace x X");
    EXPECT_EQ(s.traces, std::vector<DesignElement*>{s.element("x")});
    EXPECT_EQ(s.log,
              (Lines{"|Adding trace: x - Size: 1", "ERROR: TRACE - Trace \"X\" has already been defined."}));
}

TEST_F(TraceCommand, UnreadableCellsWarnButStayTraced) {
    declare("vector mixed reg1 wcell");
    compile("trace wcell mixed sub");
    EXPECT_EQ(s.traces, (std::vector<DesignElement*>{s.element("wcell"), s.element("mixed")}));
    EXPECT_EQ(
        s.log,
        (Lines{"|Adding trace: wcell - Size: 1",
               "WARNING: TRACE - Element \"wcell\" contains cells that cannot be read. Using cell outputs "
               "instead.",
               "|Adding trace: mixed - Size: 2",
               "WARNING: TRACE - Element \"mixed\" contains cells that cannot be read. Using cell outputs "
               "instead.",
               "ERROR: TRACE - Cannot trace composite object \"sub\""}));
}

TEST_F(TraceCommand, NothingToTraceIsAWarning) {
    EXPECT_EQ(compile("trace  |x"), nullptr);
    EXPECT_EQ(s.log, Lines{"WARNING: TRACE - Nothing to trace!"});
    EXPECT_EQ(s.errors, 0);
}

TEST_F(TraceCommand, TheSoftwareClockIsTheClockTrace) {
    declare("setclockreg clk");
    s.comments = false;
    declare("trace software_clock");
    EXPECT_EQ(s.clockTrace, s.clockElement());
}

using VectorCommand = CommandTest;

TEST_F(VectorCommand, MembersInTheOrderWritten) {
    declare("vector v bus[3:0] en");
    DesignElement* v = s.element("v");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->type, ElementType::Group);
    EXPECT_EQ(v->size, 5u);
    EXPECT_EQ(v->children,
              (std::vector<DesignElement*>{s.element("bus3"), s.element("bus2"), s.element("bus1"),
                                           s.element("bus0"), s.element("en")}));
    declare("vector up BUS[0:1] sub\\b");
    EXPECT_EQ(s.element("up")->children,
              (std::vector<DesignElement*>{s.element("bus0"), s.element("bus1"), s.element("sub\\b")}));
    EXPECT_EQ(s.groups.size(), 2u);
}

TEST_F(VectorCommand, ThirtyTwoBitsAtMost) {
    declare("vector wide w[31:0]");
    EXPECT_EQ(s.element("wide")->size, 32u);
    EXPECT_EQ(compile("vector v w[31:0] x"), nullptr);
    EXPECT_EQ(compile("vector v2 wide x"), nullptr) << "a vector's members count with their sizes";
    EXPECT_EQ(s.log, (Lines{"ERROR: VECTOR - Cannot make vector \"v\", as it is too large (32 bits max).",
                            "ERROR: VECTOR - Cannot make vector \"v2\", as it is too large (32 bits max)."}));
    EXPECT_EQ(s.element("v"), nullptr);
}

TEST_F(VectorCommand, NamesInUseAreRefused) {
    EXPECT_EQ(compile("vector reg1 en x"), nullptr);
    EXPECT_EQ(compile("vector SUB en"), nullptr);
    // The software clock's name stays free for the clock, even before one is chosen.
    EXPECT_EQ(compile("vector Software_Clock en"), nullptr);
    EXPECT_EQ(s.log,
              (Lines{"ERROR: VECTOR - Cannot redefine \"reg1\", this name is already in use.",
                     "ERROR: VECTOR - Cannot redefine \"SUB\", this name is already in use.",
                     "ERROR: VECTOR - Cannot redefine \"Software_Clock\", this name is already in use."}));
    EXPECT_TRUE(s.groups.empty());
}

TEST_F(VectorCommand, AnyBadComponentMakesNothing) {
    EXPECT_EQ(compile("vector v"), nullptr);
    EXPECT_EQ(compile("vector v en bus[3:]"), nullptr);
    EXPECT_EQ(compile("vector v en bus[4:0]"), nullptr);
    EXPECT_EQ(compile("vector v en nosuch x"), nullptr);
    EXPECT_EQ(s.log, (Lines{"ERROR: VECTOR - Cannot make vector \"v\", as no componets specified.",
                            "ERROR: VECTOR - Cannot expand bus in vector \"v\".",
                            "ERROR: VECTOR - Cannot make vector \"v\", element \"bus4\" is not valid.",
                            "ERROR: VECTOR - Cannot make vector \"v\", element \"nosuch\" is not valid."}));
    EXPECT_EQ(s.element("v"), nullptr);
    EXPECT_TRUE(s.groups.empty());
}

using RadixCommand = CommandTest;

TEST_F(RadixCommand, SetsTheDisplayRadixOfEachName) {
    declare("radix HEX Reg1 bus0");
    EXPECT_EQ(s.element("reg1")->radix, 16);
    EXPECT_EQ(s.element("bus0")->radix, 16);
    declare("radix oct reg1");
    EXPECT_EQ(s.element("reg1")->radix, 8);
    declare("radix dec reg1");
    declare("radix bin bus0");
    EXPECT_EQ(s.element("reg1")->radix, 10);
    EXPECT_EQ(s.element("bus0")->radix, 2);
    EXPECT_EQ(s.element("en")->radix, -1);
}

TEST_F(RadixCommand, BadBaseStopsBadNamesAreSkipped) {
    EXPECT_EQ(compile("radix hexa reg1"), nullptr);
    EXPECT_EQ(compile("radix"), nullptr);
    EXPECT_EQ(s.element("reg1")->radix, -1);
    EXPECT_EQ(compile("radix hex NoSuch reg1"), nullptr);
    EXPECT_EQ(s.element("reg1")->radix, 16) << "the names after a bad one still count";
    EXPECT_EQ(s.log, (Lines{"ERROR: RADIX - \"hexa\" is not a valid base.",
                            "ERROR: RADIX - \"\" is not a valid base.",
                            "ERROR: RADIX - Cannot set radix on element \"nosuch\" as it does not exist."}));
}

using TextCommands = CommandTest;

TEST_F(TextCommands, EchoTakesTheQuotedText) {
    const std::pair<const char*, const char*> cases[] = {{"echo \"Phase 2 done\"", "Phase 2 done"},
                                                         {"echo   \"\"", ""},
                                                         {"echo Phase 2", ""},
                                                         {"echo \"unclosed", ""},
                                                         {"echo", ""},
                                                         {"ECHO \"Keep  CASE\" tail", "Keep  CASE"}};
    for (const auto& [line, text] : cases) {
        auto c = compile(line);
        ASSERT_NE(c, nullptr) << line;
        EXPECT_EQ(c->kind, CommandKind::Echo);
        EXPECT_EQ(c->text, text) << line;
    }
    EXPECT_TRUE(s.log.empty());
}

TEST_F(TextCommands, CommentTakesOnOrOff) {
    auto on = compile("comment on");
    auto off = compile("comment OFF extra");
    ASSERT_TRUE(on && off);
    EXPECT_EQ(on->kind, CommandKind::CommentOn);
    EXPECT_EQ(off->kind, CommandKind::CommentOff);
    for (const char* line : {"comment maybe", "comment", "comment onn"})
        EXPECT_EQ(compile(line), nullptr) << line;
    EXPECT_EQ(s.errors, 3);
    EXPECT_EQ(s.lastLine(), "ERROR: COMMENT - Takes only on and off as parameters.");
}
