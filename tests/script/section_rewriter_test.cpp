#include "script/line_buffer.h"
#include "script/script_file.h"
#include "script/section_rewriter.h"

#include <gtest/gtest.h>

using namespace cellwatch;

namespace {

using Lines = std::vector<std::string>;

constexpr const char* kDate = "Sun Dec 06 18:37:30 1998";

LineBuffer Generated() {
    LineBuffer b;
    EXPECT_TRUE(GenerateInitialScript(b, "/d/top.sym", "/d/top.cal", kDate, {}, {}));
    return b;
}

Lines SectionLines(const TextBuffer& b, std::string_view begin, std::string_view end) {
    const SectionRange r = findSection(b, begin, end);
    Lines out;
    for (int n = r.first; n < r.last; ++n)
        out.push_back(b.line(n));
    return out;
}

} // namespace

TEST(GenerateInitialScript, WritesTheLayoutThenTheSections) {
    LineBuffer b;
    b.setModified(true);
    const std::vector<VectorLineSpec> groups = {{"top\\v", {"top\\a", "top\\b"}}, {"w", {"c"}}};
    ASSERT_TRUE(GenerateInitialScript(b, "/d/top.sym", "/d/top.cal", kDate, groups, {"top\\v", "top\\x"}));
    EXPECT_FALSE(b.isModified());
    EXPECT_EQ(b.selection(), TextSelection{}) << "the caret starts at the top";
    EXPECT_EQ(b.lineCount(), 21);
    EXPECT_EQ(SectionLines(b, kVectorBeginMarker, kVectorEndMarker),
              (Lines{"vector top\\v top\\a top\\b", "vector w c"}));
    EXPECT_EQ(SectionLines(b, kTraceBeginMarker, kTraceEndMarker), (Lines{"trace top\\v", "trace top\\x"}));

    std::string path;
    ASSERT_TRUE(readDesignReferenceText(bufferText(b), path));
    EXPECT_EQ(path, "/d/top.sym");
    const std::string text = bufferText(b);
    EXPECT_TRUE(text.ends_with("\r\n\r\n| TODO: Add extra commands here\r\n\r\n"));
}

TEST(SectionLines, TracesGoAboveTheEndMarkerInOrder) {
    LineBuffer b = Generated();
    b.setSelection({{15, 2}, {15, 5}});
    for (const char* name : {"a", "b", "c"})
        ASSERT_TRUE(AddTraceLine(b, name));
    EXPECT_EQ(SectionLines(b, kTraceBeginMarker, kTraceEndMarker), (Lines{"trace a", "trace b", "trace c"}));
    EXPECT_TRUE(b.isModified());
    EXPECT_EQ(b.selection(), (TextSelection{{18, 2}, {18, 5}})) << "the selection stays on its text";
    EXPECT_EQ(b.line(18), "| TODO: Add extra commands here");
}

TEST(SectionLines, MissingEndMarkerFailsWithoutChange) {
    LineBuffer b("|GRT_TRACE_BEGIN\r\n|GRT_TRACE_END \r\nreset\r\n");
    EXPECT_FALSE(AddTraceLine(b, "a"));
    EXPECT_FALSE(AddVectorLine(b, {"v", {"a"}}));
    EXPECT_EQ(b.lineCount(), 3);
    EXPECT_FALSE(b.isModified());
}

TEST(SectionLines, GroupMadeFromTheTraceList) {
    LineBuffer b = Generated();
    ASSERT_TRUE(AddVectorLine(b, {"v", {"bus3", "bus2", "en"}}));
    ASSERT_TRUE(AddTraceLine(b, "v"));
    EXPECT_EQ(SectionLines(b, kVectorBeginMarker, kVectorEndMarker), (Lines{"vector v bus3 bus2 en"}));
    EXPECT_EQ(SectionLines(b, kTraceBeginMarker, kTraceEndMarker), (Lines{"trace v"}));
}

TEST(SectionLines, RemovalMatchesTheWordInAnyCaseAndTheNameExactly) {
    LineBuffer b("|GRT_TRACE_BEGIN\r\ntrace Reg1\r\n  TRACE reg1 extra\r\ntrace reg1\r\n|GRT_TRACE_END\r\n");
    b.setSelection({{4, 0}, {4, 3}});
    ASSERT_TRUE(RemoveTraceLine(b, "reg1"));
    EXPECT_EQ(b.line(2), "trace reg1") << "only the first match goes";
    EXPECT_EQ(b.line(1), "trace Reg1") << "a name in another case is not removed";
    EXPECT_EQ(b.selection(), (TextSelection{{3, 0}, {3, 3}}));
    EXPECT_FALSE(RemoveTraceLine(b, "nosuch"));
    EXPECT_FALSE(RemoveTraceLine(b, "Reg"));

    LineBuffer v("vector v a b\r\nVector w c\r\n");
    EXPECT_FALSE(RemoveVectorLine(v, "a"));
    ASSERT_TRUE(RemoveVectorLine(v, "w"));
    EXPECT_EQ(v.lineCount(), 1);
}

TEST(ClockLines, RegisterLineFollowsTheTraceSection) {
    LineBuffer b = Generated();
    const int end = findMarkerLine(b, kTraceEndMarker);
    SetClockRegLine(b, "top\\clk");
    EXPECT_EQ(b.line(end + 1), "setclockreg top\\clk");
    SetClockRegLine(b, "top\\clk2");
    EXPECT_EQ(b.line(end + 1), "setclockreg top\\clk2") << "a second choice replaces the line in place";
    EXPECT_EQ(findCommandLine(b, "setclockreg"), end + 1);
    EXPECT_EQ(b.lineCount(), 18);

    LineBuffer moved("reset\r\n|GRT_TRACE_END\r\ncycle\r\nSETCLOCKREG old\r\n");
    SetClockRegLine(moved, "new");
    EXPECT_EQ(moved.line(3), "setclockreg new") << "an existing line is replaced where it stands";
    EXPECT_EQ(moved.lineCount(), 4);

    LineBuffer noMarker("reset\r\ncycle\r\n");
    SetClockRegLine(noMarker, "r");
    EXPECT_EQ(noMarker.line(2), "setclockreg r") << "without the marker it goes last";

    ASSERT_TRUE(RemoveClockRegLine(noMarker));
    EXPECT_EQ(noMarker.lineCount(), 2);
    EXPECT_FALSE(RemoveClockRegLine(noMarker));
}

TEST(ClockLines, ModeLineFollowsTheRegisterLine) {
    LineBuffer b("reset\r\ncycle 3\r\n");
    ASSERT_TRUE(SetClockModeLine(b, ClockMethod::CbufRead));
    EXPECT_EQ(b.line(2), "setclockmode CBUF_READ") << "no setclockreg line: at the end";

    LineBuffer r("|GRT_TRACE_END\r\nsetclockreg clk\r\nreset\r\n");
    ASSERT_TRUE(SetClockModeLine(r, ClockMethod::RegOut));
    EXPECT_EQ(r.line(2), "setclockmode REG_OUT");
    ASSERT_TRUE(SetClockModeLine(r, ClockMethod::None));
    EXPECT_EQ(r.line(2), "setclockmode NONE");
    EXPECT_EQ(r.lineCount(), 4);
    EXPECT_FALSE(SetClockModeLine(r, ClockMethod::External)) << "the external clock has no line";
    EXPECT_EQ(r.line(2), "setclockmode NONE");

    ASSERT_TRUE(RemoveClockRegLine(r));
    EXPECT_EQ(r.line(1), "setclockmode NONE") << "removing the register keeps the mode line";
    EXPECT_EQ(clockModeKeyword(ClockMethod::CbufAssign), "CBUF_ASSIGN");
}
