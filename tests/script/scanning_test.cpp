#include "script/scanning.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <stdexcept>

using namespace cellwatch;

namespace {

std::uint32_t ValueOf(std::string_view text) {
    std::uint32_t v = 0xDEADBEEF;
    EXPECT_TRUE(ParseValue(text, v)) << text;
    return v;
}

bool Fails(std::string_view text) {
    std::uint32_t v = 0xDEADBEEF;
    const bool ok = ParseValue(text, v);
    EXPECT_EQ(v, 0xDEADBEEFu) << "a failed parse must leave the value alone: " << text;
    return !ok;
}

std::string Expanded(std::string text) {
    EXPECT_TRUE(ExpandBus(text)) << text;
    return text;
}

bool ExpandFails(std::string text) {
    const std::string before = text;
    const bool ok = ExpandBus(text);
    EXPECT_EQ(text, before) << "a failed expansion must leave the text alone";
    return !ok;
}

// The expansion as the recursive rule states it, to check the iterative walk against.
bool ReferenceExpand(const std::string& text, std::string& out) {
    const std::size_t open = text.find('[');
    if (open == std::string::npos) {
        out = text;
        return true;
    }
    std::size_t pos = open + 1;
    auto readNumber = [&](long& n) {
        const std::size_t start = pos;
        n = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')
            n = n * 10 + (text[pos++] - '0');
        return pos > start;
    };
    long a = 0, b = 0;
    if (!readNumber(a) || pos >= text.size() || text[pos++] != ':' || !readNumber(b) || pos >= text.size() ||
        text[pos++] != ']')
        return false;
    if (a > 50 || b > 50)
        throw std::range_error("too wide for the reference");
    const std::string prefix = text.substr(0, open), suffix = text.substr(pos);
    std::string result;
    for (long i = a;; i += (a <= b ? 1 : -1)) {
        std::string inner;
        if (!ReferenceExpand(prefix + std::to_string(i) + suffix, inner))
            return false;
        result += inner + " ";
        if (i == b)
            break;
    }
    out = result;
    return true;
}

} // namespace

TEST(ParseValue, RadixSuffixesSelectTheBase) {
    EXPECT_EQ(ValueOf("1111\\b"), 15u);
    EXPECT_EQ(ValueOf("17\\o"), 15u);
    EXPECT_EQ(ValueOf("15\\d"), 15u);
    EXPECT_EQ(ValueOf("f\\h"), 15u);
    EXPECT_EQ(ValueOf("1F\\h"), 31u);
    EXPECT_EQ(ValueOf("1f\\H"), 31u);
    EXPECT_EQ(ValueOf("101\\B"), 5u);
    EXPECT_EQ(ValueOf("10"), 2u) << "no suffix means binary";
    EXPECT_EQ(ValueOf("0"), 0u);
    EXPECT_EQ(ValueOf("\\h"), 0u) << "a bare suffix is zero";
    EXPECT_EQ(ValueOf("\\d"), 0u);
}

TEST(ParseValue, RejectsDigitsOutsideTheRadixAndBadSuffixes) {
    EXPECT_TRUE(Fails(""));
    EXPECT_TRUE(Fails("15"));
    EXPECT_TRUE(Fails("2"));
    EXPECT_TRUE(Fails("12\\x"));
    EXPECT_TRUE(Fails("1\\hh"));
    EXPECT_TRUE(Fails("1\\"));
    EXPECT_TRUE(Fails("\\"));
    EXPECT_TRUE(Fails("8\\o"));
    EXPECT_TRUE(Fails("a\\d"));
    EXPECT_TRUE(Fails("g\\h"));
    EXPECT_TRUE(Fails("1\\h\\h")) << "only the last backslash is the suffix";
    EXPECT_TRUE(Fails("0x1f\\h"));
    EXPECT_TRUE(Fails("-1\\d"));
    EXPECT_TRUE(Fails("1 0"));
}

TEST(ParseValue, TooLargeNumbersSaturate) {
    EXPECT_EQ(ValueOf("ffffffff\\h"), 0xFFFFFFFFu);
    EXPECT_EQ(ValueOf("1ffffffff\\h"), 0xFFFFFFFFu);
    EXPECT_EQ(ValueOf("4294967295\\d"), 0xFFFFFFFFu);
    EXPECT_EQ(ValueOf("4294967296\\d"), 0xFFFFFFFFu);
    EXPECT_EQ(ValueOf("99999999999999999999999999\\d"), 0xFFFFFFFFu);
    EXPECT_EQ(ValueOf("00000000000000000000000000000000000001\\d"), 1u) << "leading zeros never overflow";
    EXPECT_EQ(ValueOf(std::string(33, '1')), 0xFFFFFFFFu);
    EXPECT_EQ(ValueOf(std::string(32, '1')), 0xFFFFFFFFu);
    EXPECT_EQ(ValueOf("37777777777\\o"), 0xFFFFFFFFu);
    EXPECT_EQ(ValueOf("40000000000\\o"), 0xFFFFFFFFu);
    EXPECT_TRUE(Fails("1ffffffffg\\h")) << "a bad digit after the overflow still fails";
}

TEST(Tokens, NextTokenLeavesTheTextAlone) {
    std::string token = "stale";
    EXPECT_FALSE(NextToken(" \t \t", token));
    EXPECT_EQ(token, "");
    EXPECT_FALSE(NextToken("", token));
    const std::string text = " \r\n assign,x=1 reg";
    EXPECT_TRUE(NextToken(text, token));
    EXPECT_EQ(token, "assign,x=1") << "commas and '=' are token characters";
    EXPECT_EQ(text, " \r\n assign,x=1 reg");
}

TEST(Tokens, DropTokenKeepsTheEndingSeparator) {
    std::string text = "reset";
    DropToken(text);
    EXPECT_EQ(text, "");
    text = "x 1";
    DropToken(text);
    EXPECT_EQ(text, " 1");
    text = "  \tx\t1 ";
    DropToken(text);
    EXPECT_EQ(text, "\t1 ");
    text = "";
    DropToken(text);
    EXPECT_EQ(text, "");
    text = "   ";
    DropToken(text);
    EXPECT_EQ(text, "");
}

TEST(Tokens, WalkingALineVisitsEveryToken) {
    std::string text = " trace  a\tb\r\nc ";
    std::vector<std::string> seen;
    std::string token;
    for (SkipBlanks(text); !text.empty(); SkipBlanks(text)) {
        ASSERT_TRUE(NextToken(text, token));
        seen.push_back(token);
        DropToken(text);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"trace", "a", "b", "c"}));
}

TEST(Tokens, TakeQuoted) {
    std::string text = " \t\"a b\" c", result = "x";
    EXPECT_TRUE(TakeQuoted(text, result));
    EXPECT_EQ(result, "a b");
    EXPECT_EQ(text.front(), '"') << "leading separators are removed from the text";

    text = "\"\"";
    EXPECT_TRUE(TakeQuoted(text, result));
    EXPECT_EQ(result, "");

    text = "\"open";
    result = "x";
    EXPECT_FALSE(TakeQuoted(text, result));
    EXPECT_EQ(result, "");
    text = "noquote";
    EXPECT_FALSE(TakeQuoted(text, result));
    text = "   ";
    EXPECT_FALSE(TakeQuoted(text, result));
    EXPECT_EQ(text, "");
    text = "\"";
    EXPECT_FALSE(TakeQuoted(text, result));
}

TEST(Tokens, IsDecimalNumber) {
    EXPECT_TRUE(IsDecimalNumber("0"));
    EXPECT_TRUE(IsDecimalNumber("0123"));
    EXPECT_FALSE(IsDecimalNumber(""));
    EXPECT_FALSE(IsDecimalNumber("-1"));
    EXPECT_FALSE(IsDecimalNumber("1.0"));
    EXPECT_FALSE(IsDecimalNumber("3 "));
}

TEST(ExpandBus, ExpandsRangesInOrder) {
    EXPECT_EQ(Expanded("data[3:0]"), "data3 data2 data1 data0 ");
    EXPECT_EQ(Expanded("d[0:2]"), "d0 d1 d2 ");
    EXPECT_EQ(Expanded("bus[1:1]"), "bus1 ");
    EXPECT_EQ(Expanded("m[0:1]_q[1:0]"), "m0_q1 m0_q0  m1_q1 m1_q0  ");
    EXPECT_EQ(Expanded("a[08:10]x"), "a8x a9x a10x ") << "indices are written without padding";
    EXPECT_EQ(Expanded("[1:0]"), "1 0 ");
    EXPECT_EQ(Expanded("top\\u[1:0].q"), "top\\u1.q top\\u0.q ");
    EXPECT_EQ(Expanded("plain"), "plain") << "no range: unchanged, no trailing blank";
    EXPECT_EQ(Expanded(""), "");
}

TEST(ExpandBus, MalformedRangesFail) {
    for (const char* bad : {"bus[:3]", "bus[3-0]", "bus[3:0", "a[3", "a[", "a[3:", "a[3:]", "a[x:0]",
                            "a[1:0]b[", "a[1:0]b[2:1", "a[ 1:0]", "a[1:0]c[1:0]d[1]", "a[2147483648:0]"})
        EXPECT_TRUE(ExpandFails(bad)) << bad;
    EXPECT_EQ(Expanded("a[2147483647:2147483646]"), "a2147483647 a2147483646 ");
    EXPECT_EQ(Expanded("a[1:0]]"), "a1] a0] ") << "a stray bracket after a range is literal text";
}

TEST(ExpandBus, HugeExpansionsFailInsteadOfExhaustingMemory) {
    EXPECT_TRUE(ExpandFails("a[0:2147483647]"));
    EXPECT_TRUE(ExpandFails("a[0:300]b[0:300]"));
    std::string many;
    for (int i = 0; i < 20; ++i)
        many += "x[0:1]";
    EXPECT_TRUE(ExpandFails(many)) << "2^20 names";
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "[0:0]";
    EXPECT_TRUE(ExpandBus(deep)) << "many one-wide ranges need no deep recursion";
}

TEST(ExpandBus, MatchesTheRecursiveRuleOnRandomTokens) {
    std::mt19937 rng(1234);
    const std::string alphabet = "ab_[]:0123";
    for (int n = 0; n < 20000; ++n) {
        std::string token;
        const int len = static_cast<int>(rng() % 14);
        for (int i = 0; i < len; ++i)
            token += alphabet[rng() % alphabet.size()];
        if (rng() % 2)
            token = "n[" + std::to_string(rng() % 4) + ":" + std::to_string(rng() % 4) + "]" + token;
        std::string expected, actual = token;
        bool refOk = false;
        try {
            refOk = ReferenceExpand(token, expected);
        } catch (const std::range_error&) {
            continue;
        }
        ASSERT_EQ(ExpandBus(actual), refOk) << token;
        if (refOk) {
            ASSERT_EQ(actual, expected) << token;
        }
    }
}

TEST(FormatNumber, BasesWidthsAndFill) {
    std::string out;
    FormatNumber(5, out, 8, 2, '0');
    EXPECT_EQ(out, "00000101");
    FormatNumber(255, out, 0, 16, '0');
    EXPECT_EQ(out, "ff");
    FormatNumber(0xFFFFFFFF, out, 0, 16, '0');
    EXPECT_EQ(out, "ffffffff");
    FormatNumber(0xFFFFFFFF, out, 0, 10, '0');
    EXPECT_EQ(out, "-1") << "base 10 is signed";
    FormatNumber(static_cast<std::uint32_t>(-5), out, 4, 10, '0');
    EXPECT_EQ(out, "-005") << "fill goes after the sign";
    FormatNumber(0x80000000u, out, 0, 10, ' ');
    EXPECT_EQ(out, "-2147483648");
    FormatNumber(0x80000000u, out, 0, 8, ' ');
    EXPECT_EQ(out, "20000000000");
    FormatNumber(0, out, 3, 2, ' ');
    EXPECT_EQ(out, "  0");
    FormatNumber(12345, out, 2, 10, '0');
    EXPECT_EQ(out, "12345") << "width never cuts";
    FormatNumber(7, out, -3, 10, '0');
    EXPECT_EQ(out, "7");
}

TEST(FormatNumber, BufferFormMatchesAndNeverOverruns) {
    char buf[12];
    EXPECT_EQ(FormatNumber(5, buf, sizeof buf, 8, 2, '0'), 8u);
    EXPECT_STREQ(buf, "00000101");
    std::string expected;
    FormatNumber(static_cast<std::uint32_t>(-42), expected, 6, 10, '0');
    FormatNumber(static_cast<std::uint32_t>(-42), buf, sizeof buf, 6, 10, '0');
    EXPECT_EQ(std::string(buf), expected);

    char small[5] = {'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(FormatNumber(1, small, 4, 32, 2, '0'), 3u);
    EXPECT_STREQ(small, "000");
    EXPECT_EQ(small[4], 'x');
    char none = 'x';
    EXPECT_EQ(FormatNumber(1, &none, 0, 0, 10, '0'), 0u);
    EXPECT_EQ(none, 'x');
}

TEST(ReadTextLine, LinesEndAtLineFeeds) {
    const std::string text = "one\r\ntwo\n\r\nlast";
    std::size_t cursor = 0;
    std::string line;
    ASSERT_TRUE(ReadTextLine(text, cursor, line, 256));
    EXPECT_EQ(line, "one");
    ASSERT_TRUE(ReadTextLine(text, cursor, line, 256));
    EXPECT_EQ(line, "two") << "a bare LF ends a line too";
    ASSERT_TRUE(ReadTextLine(text, cursor, line, 256));
    EXPECT_EQ(line, "");
    EXPECT_FALSE(ReadTextLine(text, cursor, line, 256)) << "text after the last LF is not a line";
    EXPECT_FALSE(ReadTextLine(text, cursor = text.size(), line, 256));
}

TEST(ReadTextLine, LongLinesAreCutButTheCursorPassesTheWholeLine) {
    const std::string text = "abcdefgh\r\nnext\r\n";
    std::size_t cursor = 0;
    std::string line;
    ASSERT_TRUE(ReadTextLine(text, cursor, line, 4));
    EXPECT_EQ(line, "abc");
    ASSERT_TRUE(ReadTextLine(text, cursor, line, 4));
    EXPECT_EQ(line, "nex");
}

TEST(NumberReaders, PlainDecimalReadsLikeACount) {
    EXPECT_EQ(readPlainDecimal("3x"), 3);
    EXPECT_EQ(readPlainDecimal("abc"), 0);
    EXPECT_EQ(readPlainDecimal(""), 0);
    EXPECT_EQ(readPlainDecimal("  -12"), -12);
    EXPECT_EQ(readPlainDecimal("+7"), 7);
    EXPECT_EQ(readPlainDecimal("- 7"), 0);
    EXPECT_EQ(readPlainDecimal("10\\d"), 10);
    EXPECT_EQ(readPlainDecimal("2147483647"), 2147483647);
    EXPECT_EQ(readPlainDecimal("4294967297"), 2147483647) << "clamped, not wrapped to 1";
    EXPECT_EQ(readPlainDecimal("-99999999999999999999"), -2147483647 - 1);
}

TEST(NumberReaders, DecimalFloat) {
    EXPECT_FLOAT_EQ(readDecimalFloat("66"), 66.0f);
    EXPECT_FLOAT_EQ(readDecimalFloat("0.5"), 0.5f);
    EXPECT_FLOAT_EQ(readDecimalFloat(".5"), 0.5f);
    EXPECT_FLOAT_EQ(readDecimalFloat("+1.5e1MHz"), 15.0f);
    EXPECT_FLOAT_EQ(readDecimalFloat("-3"), -3.0f);
    EXPECT_FLOAT_EQ(readDecimalFloat("fast"), 0.0f);
    EXPECT_FLOAT_EQ(readDecimalFloat(""), 0.0f);
    EXPECT_FLOAT_EQ(readDecimalFloat("inf"), 0.0f);
    EXPECT_FLOAT_EQ(readDecimalFloat("nan"), 0.0f);
    EXPECT_FLOAT_EQ(readDecimalFloat("0x10"), 0.0f) << "no hexadecimal floats";
    EXPECT_FLOAT_EQ(readDecimalFloat("+-5"), 0.0f);
    EXPECT_FLOAT_EQ(readDecimalFloat("  12e"), 12.0f);
}
