#include "command_fixture.h"

#include <cstdint>

using namespace cellwatch;

using AssignCommand = CommandTest;

TEST_F(AssignCommand, ValuesAreBinaryUnlessSuffixed) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"assign reg1 1", 1},    {"assign reg1 0", 0},    {"assign w0 10", 2},    {"assign w0 10\\d", 10},
        {"assign w0 17\\o", 15}, {"assign w0 1F\\H", 31}, {"assign w0 101\\b", 5}};
    for (const auto& [line, value] : cases) {
        auto c = compile(line);
        ASSERT_NE(c, nullptr) << line;
        EXPECT_EQ(c->kind, CommandKind::Assign);
        EXPECT_EQ(c->value, value) << line;
    }
}

TEST_F(AssignCommand, BitsAboveTheElementWarnButStillAssign) {
    declare("vector bus4 bus[3:0]");
    auto c = compile("assign bus4 1f\\h");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->value, 31);
    EXPECT_EQ(c->element, s.element("bus4"));
    EXPECT_EQ(s.log, Lines{"WARNING: ASSIGN - Data loss when assigning 1f\\h to element \"bus4\""});
    EXPECT_EQ(s.warnings, 1);
    EXPECT_EQ(s.errors, 0);

    s.clearLog();
    ASSERT_NE(compile("assign bus4 f\\h"), nullptr);
    EXPECT_TRUE(s.log.empty()) << "four bits fit a four-bit vector";
}

TEST_F(AssignCommand, AThirtyTwoBitVectorNeverLosesData) {
    declare("vector wide w[31:0]");
    auto c = compile("assign wide ffffffff\\h");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(static_cast<std::uint32_t>(c->value), 0xFFFFFFFFu);
    EXPECT_TRUE(s.log.empty());
}

TEST_F(AssignCommand, RefusalsLogOneErrorAndMakeNothing) {
    EXPECT_EQ(compile("assign nosuch 1"), nullptr);
    EXPECT_EQ(compile("assign reg1 2"), nullptr);
    EXPECT_EQ(compile("assign reg1"), nullptr);
    EXPECT_EQ(compile("assign reg1 12\\x"), nullptr);
    EXPECT_EQ(s.log,
              (Lines{"ERROR: ASSIGN - Cannot assign value to element \"nosuch\", as it does not exist.",
                     "ERROR: ASSIGN - Cannot parse value \"2\".", "ERROR: ASSIGN - Cannot parse value \"\".",
                     "ERROR: ASSIGN - Cannot parse value \"12\\x\"."}));
}

TEST_F(AssignCommand, TheSoftwareClockCannotBeAssignedByAnyName) {
    declare("setclockreg clk");
    EXPECT_EQ(compile("assign SOFTWARE_CLOCK 1"), nullptr);
    EXPECT_EQ(compile("assign software_clock 1"), nullptr);
    EXPECT_EQ(s.log, (Lines{"ERROR: ASSIGN - Cannot assign a value to the software clock!",
                            "ERROR: ASSIGN - Cannot assign a value to the software clock!"}));
    // The register under the clock is an ordinary element.
    EXPECT_NE(compile("assign clk 1"), nullptr);
}

using SequenceCommands = CommandTest;

TEST_F(SequenceCommands, ClockRepeatsAndPatternRunsOut) {
    declare("clock reg1 0 1");
    declare("pattern reg2 1 10 11");
    ASSERT_EQ(s.sequences.size(), 2u);
    DataSequence* clock = s.findSequence(s.element("reg1"));
    DataSequence* pattern = s.findSequence(s.element("reg2"));
    ASSERT_TRUE(clock && pattern);
    EXPECT_TRUE(clock->cyclic);
    EXPECT_FALSE(pattern->cyclic);
    EXPECT_EQ(pattern->values, (std::vector<std::uint32_t>{1, 2, 3}));

    std::vector<std::uint32_t> seen;
    for (int i = 0; i < 5 && clock->hasCurrent(); ++i, clock->advance())
        seen.push_back(clock->currentValue());
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{0, 1, 0, 1, 0}));
    for (int i = 0; i < 3; ++i)
        pattern->advance();
    EXPECT_FALSE(pattern->hasCurrent());
}

TEST_F(SequenceCommands, OneSequencePerElementWhicheverCommandMadeIt) {
    declare("clock reg1 0 1");
    EXPECT_EQ(compile("pattern REG1 1"), nullptr);
    EXPECT_EQ(compile("clock reg1 1"), nullptr);
    EXPECT_EQ(s.log, (Lines{"ERROR: PATTERN - Data sequence already exists for element \"REG1\".",
                            "ERROR: CLOCK - Data sequence already exists for element \"reg1\"."}));
    EXPECT_EQ(s.sequences.size(), 1u);
    EXPECT_EQ(s.sequences[0]->values.size(), 2u) << "the first sequence is untouched";
}

TEST_F(SequenceCommands, AnEmptySequenceStillBlocksLaterOnes) {
    declare("pattern en");
    ASSERT_EQ(s.sequences.size(), 1u);
    EXPECT_FALSE(s.sequences[0]->hasCurrent());
    EXPECT_EQ(compile("clock en 1"), nullptr);
    EXPECT_EQ(s.errors, 1);
}

TEST_F(SequenceCommands, BadValuesAreSkippedAndTheRestKept) {
    compile("clock en 1 x 0 2 1\\h");
    EXPECT_EQ(s.log, (Lines{"ERROR: CLOCK - Cannot parse value \"x\".",
                            "ERROR: CLOCK - Cannot parse value \"2\"."}));
    ASSERT_EQ(s.sequences.size(), 1u);
    EXPECT_EQ(s.sequences[0]->values, (std::vector<std::uint32_t>{1, 0, 1}));

    s.clearLog();
    compile("pattern x q");
    EXPECT_EQ(s.log, Lines{"ERROR: PATTERN - Cannot parse value \"q\"."});
}

TEST_F(SequenceCommands, UnknownElementsMakeNoSequence) {
    EXPECT_EQ(compile("clock nosuch 1"), nullptr);
    EXPECT_EQ(compile("pattern nosuch 1"), nullptr);
    EXPECT_EQ(s.log, (Lines{"ERROR: CLOCK - Cannot clock element \"nosuch\" as it does not exist.",
                            "ERROR: PATTERN - Cannot pattern element \"nosuch\" as it does not exist."}));
    EXPECT_TRUE(s.sequences.empty());
}

TEST_F(SequenceCommands, SequencesInTheClockColumnGoLast) {
    declare("setclockreg clk");
    declare("clock clk2 1 0"); // column 5, as the clock register
    declare("pattern reg1 1");
    declare("pattern fast 1"); // column 5 again
    declare("pattern reg2 0");
    ASSERT_EQ(s.sequences.size(), 4u);
    EXPECT_EQ(s.sequences[0]->element, s.element("reg2"));
    EXPECT_EQ(s.sequences[1]->element, s.element("reg1"));
    EXPECT_EQ(s.sequences[2]->element, s.element("clk2"));
    EXPECT_EQ(s.sequences[3]->element, s.element("fast"));
}

using FillMemCommand = CommandTest;

TEST_F(FillMemCommand, AddressDataAndCount) {
    auto c = compile("fm 100\\h 5\\h 3\\d");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->kind, CommandKind::FillMem);
    EXPECT_EQ(c->address, 0x100);
    EXPECT_EQ(c->data, 5);
    EXPECT_EQ(c->value, 3);

    c = compile("fm 100\\h 5\\h 11");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->value, 3) << "a count is binary unless suffixed";

    c = compile("fm 0 ffffffff\\h");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->value, 1) << "the count defaults to one";
    EXPECT_EQ(static_cast<std::uint32_t>(c->data), 0xFFFFFFFFu);

    c = compile("fm 0 1 0");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->value, 0);
    EXPECT_TRUE(s.log.empty());
}

TEST_F(FillMemCommand, EachBadFieldHasItsMessage) {
    EXPECT_EQ(compile("fm 100\\h 5\\h 3"), nullptr);
    EXPECT_EQ(compile("fm 100 5\\z"), nullptr);
    EXPECT_EQ(compile("fm 100"), nullptr);
    EXPECT_EQ(compile("fm zz 1"), nullptr);
    EXPECT_EQ(compile("fm"), nullptr);
    EXPECT_EQ(
        s.log,
        (Lines{"ERROR: FILLMEM - Bad count value \"3\".", "ERROR: FILLMEM - Bad data value \"5\\z\".",
               "ERROR: FILLMEM - Bad data value \"\".", "ERROR: FILLMEM - Bad memory address value \"zz\".",
               "ERROR: FILLMEM - Bad memory address value \"\"."}));
}

using BoardCommands = CommandTest;

TEST_F(BoardCommands, PclkTakesOneToSixtySixMegahertz) {
    const std::pair<const char*, float> accepted[] = {{"pclk 66", 66.0f},
                                                      {"pclk 1", 1.0f},
                                                      {"pclk 16.5", 16.5f},
                                                      {"pclk 2e1", 20.0f},
                                                      {"pclk 33MHz", 33.0f}};
    for (const auto& [line, mhz] : accepted) {
        auto c = compile(line);
        ASSERT_NE(c, nullptr) << line;
        EXPECT_EQ(c->kind, CommandKind::Pclk);
        EXPECT_FLOAT_EQ(c->frequency, mhz) << line;
    }
    EXPECT_TRUE(s.log.empty());

    for (const char* line : {"pclk 0.5", "pclk 70", "pclk fast", "pclk", "pclk -10", "pclk 66.1", "pclk nan"})
        EXPECT_EQ(compile(line), nullptr) << line;
    EXPECT_EQ(s.log.front(), "ERROR: PCLK - Freqency range is 1 to 66MHz (not \"0.5\").");
    EXPECT_EQ(s.log[3], "ERROR: PCLK - Freqency range is 1 to 66MHz (not \"\").");
    EXPECT_EQ(s.errors, 7);
}

TEST_F(BoardCommands, BctlTakesZeroToThree) {
    for (int bank = 0; bank <= 3; ++bank) {
        auto c = compile("bctl " + std::to_string(bank));
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->kind, CommandKind::Bctl);
        EXPECT_EQ(c->value, bank);
    }
    ASSERT_NE(compile("bctl 003"), nullptr);
    EXPECT_TRUE(s.log.empty());

    for (const char* line : {"bctl 4", "bctl -1", "bctl 1.0", "bctl 99999999999999999999", "bctl"})
        EXPECT_EQ(compile(line), nullptr) << line;
    EXPECT_EQ(s.log, (Lines{"ERROR: BCTL - Takes a number between 0 and 3 as a parameter, not \"4\".",
                            "ERROR: BCTL - Takes a number between 0 and 3 as a parameter, not \"-1\".",
                            "ERROR: BCTL - Takes a number between 0 and 3 as a parameter, not \"1.0\".",
                            "ERROR: BCTL - Takes a number between 0 and 3 as a parameter, not "
                            "\"99999999999999999999\".",
                            "ERROR: BCTL - Require one parameter (see online help for more details)."}));
}

using CycleCommands = CommandTest;

TEST_F(CycleCommands, CountsArePlainDecimal) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"cycle", 1}, {"cycle 10", 10}, {"cycle 3x", 3}, {"cycle 250", 250}, {"cycle +7", 7}};
    for (const auto& [line, n] : cases) {
        auto c = compile(line);
        ASSERT_NE(c, nullptr) << line;
        EXPECT_EQ(c->kind, CommandKind::Cycle);
        EXPECT_EQ(c->value, n) << line;
    }
    EXPECT_TRUE(s.log.empty());

    for (const char* line : {"cycle 0", "cycle abc", "cycle -3"})
        EXPECT_EQ(compile(line), nullptr) << line;
    EXPECT_EQ(s.log, (Lines{"ERROR: CYCLE - Invlaid number of cycles specified: \"0\".",
                            "ERROR: CYCLE - Invlaid number of cycles specified: \"abc\".",
                            "ERROR: CYCLE - Invlaid number of cycles specified: \"-3\"."}));
}

TEST_F(CycleCommands, StepSizeIsNeverRefused) {
    for (const auto& [line, n] :
         {std::pair<const char*, int>{"stepsize", 0}, {"stepsize 5", 5}, {"stepsize x", 0}}) {
        auto c = compile(line);
        ASSERT_NE(c, nullptr) << line;
        EXPECT_EQ(c->kind, CommandKind::StepSize);
        EXPECT_EQ(c->value, n);
    }
    EXPECT_TRUE(s.log.empty());
}

using LoadCalCommand = CommandTest;

TEST_F(LoadCalCommand, KeepsThePathAsWritten) {
    auto c = compile("loadcal \"with blank.cal\"");
    ASSERT_NE(c, nullptr) << s.lastLine();
    EXPECT_EQ(c->kind, CommandKind::LoadCal);
    EXPECT_EQ(c->text, "with blank.cal") << "resolved only for the existence check";

    c = compile("LOADCAL plain.cal trailing words");
    ASSERT_NE(c, nullptr) << s.lastLine();
    EXPECT_EQ(c->text, "plain.cal");

    const std::string absolute = CELLWATCH_TEST_DATA "/script/plain.cal";
    c = compile("loadcal \"" + absolute + "\"");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->text, absolute);
    EXPECT_TRUE(s.log.empty());
}

TEST_F(LoadCalCommand, MissingFilesAreReportedAtCompileTime) {
    EXPECT_EQ(compile("loadcal with blank.cal"), nullptr) << "without quotes only the first word is the path";
    EXPECT_EQ(compile("loadcal \"nosuch.cal\""), nullptr);
    EXPECT_EQ(compile("loadcal"), nullptr);
    EXPECT_EQ(compile("loadcal \"with blank.cal"), nullptr) << "an unclosed quote is part of the word";
    EXPECT_EQ(compile("loadcal \".\""), nullptr) << "a folder is no CAL file";
    EXPECT_EQ(s.log, (Lines{"ERROR: LOADCAL - Cannot find CAL file \"with\".",
                            "ERROR: LOADCAL - Cannot find CAL file \"nosuch.cal\".",
                            "ERROR: LOADCAL - Cannot find CAL file \"\".",
                            "ERROR: LOADCAL - Cannot find CAL file \"\"with\".",
                            "ERROR: LOADCAL - Cannot find CAL file \".\"."}));
}

using ClockSetup = CommandTest;

TEST_F(ClockSetup, SetClockRegMakesTheSoftwareClock) {
    declare("setclockreg CLK");
    DesignElement* clock = s.clockElement();
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(clock->parent, s.element("clk"));
    EXPECT_EQ(s.element("software_clock"), clock);
    EXPECT_EQ(s.viewRefreshes, 1);
}

TEST_F(ClockSetup, WhileParsingOnlyTheFirstClockRegisterActs) {
    declare("setclockreg clk");
    DesignElement* first = s.clockElement();
    declare("setclockreg clk2");
    EXPECT_EQ(s.clockElement(), first);
    EXPECT_EQ(s.clockElement()->parent, s.element("clk"));
}

TEST_F(ClockSetup, OnTheCommandBarANewRegisterReplacesTheClockAndItsMethod) {
    s.mode = RunMode::Interactive;
    declare("setclockreg clk");
    declare("setclockmode cbuf_read");
    EXPECT_EQ(s.clockMethod, ClockMethod::CbufRead);
    declare("setclockreg clk2");
    EXPECT_EQ(s.clockElement()->parent, s.element("clk2"));
    EXPECT_EQ(s.clockMethod, ClockMethod::None) << "replacing the clock resets the method";
}

TEST_F(ClockSetup, OnlySequentialSymbolsCanBeClockRegisters) {
    EXPECT_EQ(compile("setclockreg nosuch"), nullptr);
    EXPECT_EQ(compile("setclockreg gate"), nullptr);
    EXPECT_EQ(compile("setclockreg sub"), nullptr);
    EXPECT_EQ(compile("setclockreg"), nullptr);
    EXPECT_EQ(s.log,
              (Lines{"ERROR: SETCLOCKREG - Cannot clock on \"nosuch\" as it does not exist.",
                     "ERROR: SETCLOCKREG - Can only clock on registers, and \"gate\" is not a register.",
                     "ERROR: SETCLOCKREG - Can only clock on registers, and \"sub\" is not a register.",
                     "ERROR: SETCLOCKREG - Cannot clock on \"\" as it does not exist."}));
    EXPECT_EQ(s.clockElement(), nullptr);

    s.mode = RunMode::Interactive;
    declare("setclockreg clk");
    s.clearLog();
    EXPECT_EQ(compile("setclockreg software_clock"), nullptr);
    EXPECT_EQ(s.log,
              Lines{"ERROR: SETCLOCKREG - Can only clock on registers, and \"software_clock\" is not a "
                    "register."});
}

TEST_F(ClockSetup, ClockModeKeywordsIgnoreCase) {
    const std::pair<const char*, ClockMethod> cases[] = {{"setclockmode CBUF_READ", ClockMethod::CbufRead},
                                                         {"setclockmode cbuf_assign", ClockMethod::CbufAssign},
                                                         {"setclockmode Reg_Out", ClockMethod::RegOut},
                                                         {"setclockmode bufgp", ClockMethod::RegOut},
                                                         {"setclockmode none", ClockMethod::None}};
    for (const auto& [line, method] : cases) {
        declare(line);
        EXPECT_EQ(s.clockMethod, method) << line;
    }
    s.clockMethod = ClockMethod::CbufAssign;
    EXPECT_EQ(compile("setclockmode External"), nullptr);
    EXPECT_EQ(compile("setclockmode"), nullptr);
    EXPECT_EQ(s.log, (Lines{"ERROR: SETCLOCKMODE - Invalid clock type \"external\".",
                            "ERROR: SETCLOCKMODE - Invalid clock type \"\"."}));
    EXPECT_EQ(s.clockMethod, ClockMethod::CbufAssign) << "a refused keyword leaves the method alone";
}
