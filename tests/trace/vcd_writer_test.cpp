#include "trace/vcd_writer.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace cellwatch;
namespace fs = std::filesystem;

namespace {

const std::string kDate = "Mon Jun 01 09:30:00 1998";

const std::string kHeader = "$version\n\tHalvane VCD file generator version 0.0\n$end\n\n"
                            "$date\n\tMon Jun 01 09:30:00 1998\n$end\n\n";

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class VcdWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "cellwatch-vcd-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
        target = dir / "wave.vcd";
    }
    void TearDown() override { fs::remove_all(dir); }

    std::vector<std::string> folderContents() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        return names;
    }

    fs::path dir;
    fs::path target;
};

TEST_F(VcdWriterTest, ReproducesTheTwoComponentExample) {
    VcdWriter w(target.string(), kDate);
    ASSERT_TRUE(w.setTimescale(10, 1));
    ASSERT_TRUE(w.addVariable("top\\en", 4, 1, 16, "0"));
    ASSERT_TRUE(w.addVariable("top\\q", 4, 4, 2, "0"));
    ASSERT_TRUE(w.addChange("top\\en", "1"));
    ASSERT_TRUE(w.addChange(w.findVariable("top\\q"), std::uint32_t{5}));
    ASSERT_TRUE(w.setTime(10));
    ASSERT_TRUE(w.addChange(0, std::uint32_t{0}));
    ASSERT_TRUE(w.write());

    EXPECT_EQ(readFile(target), kHeader + "$timescale\n\t10 ms\n$end\n"
                                          "$var reg 1 ! top\\en $end\n"
                                          "$dumpvars 0! $end\n"
                                          "$rdx H ! $end\n"
                                          "$var reg 4 \" top\\q $end\n"
                                          "$dumpvars b0 \" $end\n"
                                          "$enddefinitions $end\n\n"
                                          "\n#0\n"
                                          "1!\n"
                                          "b0101 \"\n"
                                          "\n#10\n"
                                          "0!\n");
    EXPECT_EQ(folderContents(), std::vector<std::string>{"wave.vcd"});
}

TEST_F(VcdWriterTest, NoChangesGiveDeclarationsAndTimeZeroOnly) {
    VcdWriter w(target.string(), kDate);
    ASSERT_TRUE(w.addVariable("a", 4, 8, 8, "0"));
    ASSERT_TRUE(w.write());
    EXPECT_EQ(readFile(target), kHeader + "$timescale\n\t1 ns\n$end\n"
                                          "$var reg 8 ! a $end\n"
                                          "$dumpvars b0 ! $end\n"
                                          "$rdx O ! $end\n"
                                          "$enddefinitions $end\n\n"
                                          "\n#0\n");
}

TEST_F(VcdWriterTest, LastTimeIsMarkedEvenWithoutAChange) {
    VcdWriter w(target.string(), kDate);
    ASSERT_TRUE(w.addVariable("a", 4, 1, 2, "0"));
    ASSERT_TRUE(w.setTime(10));
    ASSERT_TRUE(w.addChange("a", "1"));
    ASSERT_TRUE(w.setTime(20));
    ASSERT_TRUE(w.setTime(30));
    EXPECT_FALSE(w.setTime(29));
    ASSERT_TRUE(w.write());
    const std::string text = readFile(target);
    EXPECT_EQ(text.substr(text.find("$enddefinitions")), "$enddefinitions $end\n\n\n#0\n\n#10\n1!\n\n#30\n");
}

TEST_F(VcdWriterTest, TimeLinesCountUpThroughCarriesNewDigitsAndJumps) {
    VcdWriter w(target.string(), kDate);
    ASSERT_TRUE(w.addVariable("a", 4, 1, 2, "0"));
    const std::vector<std::uint32_t> times = {5,         9,          10,         19,        99,
                                              100,       109,        120,        999999999, 1000000000,
                                              1000000007, 4294967290u, 4294967295u};
    std::string expected = "$enddefinitions $end\n\n\n#0\n";
    std::uint32_t bit = 0;
    for (std::uint32_t t : times) {
        ASSERT_TRUE(w.setTime(t));
        bit ^= 1u;
        ASSERT_TRUE(w.addChange(0, bit));
        expected += "\n#" + std::to_string(t) + "\n" + std::to_string(bit) + "!\n";
    }
    ASSERT_TRUE(w.write());
    const std::string text = readFile(target);
    EXPECT_EQ(text.substr(text.find("$enddefinitions")), expected);
}

TEST_F(VcdWriterTest, HeaderKeywordsRadixLinesAndTimescaleRules) {
    VcdWriter w(target.string(), kDate + "\n"); // a date with its own newline is not doubled
    EXPECT_FALSE(w.setTimescale(5, 2));
    ASSERT_TRUE(w.setTimescale(100, 2));
    EXPECT_FALSE(w.setTimescale(5, 0));
    ASSERT_TRUE(w.addVariable("w", 15, 3, 10, "101"));
    ASSERT_TRUE(w.addVariable("x", 17, 1, 16, "1")); // no keyword for an unknown type
    ASSERT_TRUE(w.addVariable("y", -1, 2, 2, "00"));
    EXPECT_FALSE(w.addVariable("w", 4, 1, 2, "0")); // names repeat exactly...
    ASSERT_TRUE(w.addVariable("W", 0, 1, 2, "0"));  // ...and case matters
    ASSERT_TRUE(w.write());
    EXPECT_EQ(readFile(target), kHeader + "$timescale\n\t100 us\n$end\n"
                                          "$var wire 3 ! w $end\n$dumpvars b101 ! $end\n$rdx D ! $end\n"
                                          "$var 1 \" x $end\n$dumpvars 1\" $end\n$rdx H \" $end\n"
                                          "$var 2 # y $end\n$dumpvars b00 # $end\n"
                                          "$var event 1 $ W $end\n$dumpvars 0$ $end\n"
                                          "$enddefinitions $end\n\n\n#0\n");

    VcdWriter odd((dir / "odd.vcd").string(), kDate);
    ASSERT_TRUE(odd.setTimescale(1, 6)); // a unit outside the table writes nothing after the number
    ASSERT_TRUE(odd.write());
    EXPECT_EQ(readFile(dir / "odd.vcd"), kHeader + "$timescale\n\t1 $enddefinitions $end\n\n\n#0\n");
}

TEST_F(VcdWriterTest, ChangeLinesOfOneBitAndVectorVariables) {
    VcdWriter w(target.string(), kDate);
    ASSERT_TRUE(w.addVariable("bit", 4, 1, 2, "0"));
    ASSERT_TRUE(w.addVariable("nib", 4, 4, 2, "0"));
    ASSERT_TRUE(w.addVariable("word", 4, 32, 16, "0"));
    ASSERT_TRUE(w.addChange(0, std::uint32_t{1}));
    ASSERT_TRUE(w.addChange(1, std::uint32_t{0}));
    ASSERT_TRUE(w.addChange(1, std::uint32_t{0x1F})); // too wide for 4 bits: all digits are kept
    ASSERT_TRUE(w.addChange(2, std::uint32_t{0xFFFFFFFFu}));
    ASSERT_TRUE(w.addChange(2, std::uint32_t{0x80000001u}));
    ASSERT_TRUE(w.addChange("nib", "zz10"));
    EXPECT_FALSE(w.addChange("none", "1"));
    EXPECT_FALSE(w.addChange(3, std::uint32_t{1}));
    EXPECT_FALSE(w.addChange(-1, "1"));
    ASSERT_TRUE(w.write());
    const std::string text = readFile(target);
    EXPECT_EQ(text.substr(text.find("#0\n") + 3), "1!\n"
                                                  "b0000 \"\n"
                                                  "b11111 \"\n"
                                                  "b11111111111111111111111111111111 #\n"
                                                  "b10000000000000000000000000000001 #\n"
                                                  "bzz10 \"\n");
}

TEST_F(VcdWriterTest, IdentifierCodesGoOnPastThe94th) {
    EXPECT_EQ(VcdWriter::identifierCode(0), "!");
    EXPECT_EQ(VcdWriter::identifierCode(93), "~");
    EXPECT_EQ(VcdWriter::identifierCode(94), "!\"");
    EXPECT_EQ(VcdWriter::identifierCode(95), "\"\"");
    EXPECT_EQ(VcdWriter::identifierCode(94 * 94), "!!\"");
    std::set<std::string> seen;
    for (std::size_t n = 0; n < 20000; ++n) {
        const std::string code = VcdWriter::identifierCode(n);
        for (char c : code)
            ASSERT_TRUE(c >= '!' && c <= '~');
        ASSERT_TRUE(seen.insert(code).second) << n;
    }

    VcdWriter w(target.string(), kDate);
    for (int i = 0; i < 95; ++i)
        ASSERT_TRUE(w.addVariable("v" + std::to_string(i), 4, 1, 2, "0"));
    ASSERT_TRUE(w.addChange("v94", "1"));
    ASSERT_TRUE(w.addChange("v93", "1"));
    ASSERT_TRUE(w.write());
    const std::string text = readFile(target);
    EXPECT_NE(text.find("$var reg 1 ~ v93 $end\n"), std::string::npos);
    EXPECT_NE(text.find("$var reg 1 !\" v94 $end\n$dumpvars 0!\" $end\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.find("#0\n") + 3), "1!\"\n1~\n");
}

TEST_F(VcdWriterTest, DeclarationsAreFrozenOnceChangesStart) {
    VcdWriter w(target.string(), kDate);
    ASSERT_TRUE(w.addVariable("a", 4, 1, 2, "0"));
    ASSERT_TRUE(w.addChange("a", "1"));
    EXPECT_FALSE(w.addVariable("b", 4, 1, 2, "0"));
    EXPECT_FALSE(w.setTimescale(10, 1));
    ASSERT_TRUE(w.write());
    EXPECT_TRUE(w.write());
    EXPECT_FALSE(w.addChange("a", "0"));
}

TEST_F(VcdWriterTest, TargetIsReplacedOnlyByACompleteWrite) {
    { std::ofstream(target) << "old content"; }
    {
        VcdWriter abandoned(target.string(), kDate);
        ASSERT_TRUE(abandoned.addVariable("a", 4, 1, 2, "0"));
        for (int i = 0; i < 100000; ++i)
            abandoned.addChange(0, std::uint32_t(i & 1));
    }
    EXPECT_EQ(readFile(target), "old content");
    EXPECT_EQ(folderContents(), std::vector<std::string>{"wave.vcd"});

    VcdWriter w(target.string(), kDate);
    ASSERT_TRUE(w.write());
    EXPECT_EQ(readFile(target).substr(0, 9), "$version\n");
    EXPECT_EQ(folderContents(), std::vector<std::string>{"wave.vcd"});
}

TEST_F(VcdWriterTest, ReplacedFileKeepsItsPermissions) {
    { std::ofstream(target) << "old content"; }
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    VcdWriter w(target.string(), kDate);
    ASSERT_TRUE(w.write());
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(VcdWriterTest, NameAtTheFileSystemLimitCanBeWritten) {
    target = dir / (std::string(251, 'w') + ".vcd"); // 255 bytes, the longest name allowed
    VcdWriter w(target.string(), kDate);
    ASSERT_TRUE(w.write());
    EXPECT_EQ(readFile(target).substr(0, 9), "$version\n");
    EXPECT_EQ(folderContents().size(), 1u);
}

TEST_F(VcdWriterTest, UncreatableFileFailsTheWriteAndLeavesNothing) {
    VcdWriter w((dir / "missing" / "wave.vcd").string(), kDate);
    ASSERT_TRUE(w.addVariable("a", 4, 1, 2, "0"));
    EXPECT_TRUE(w.addChange("a", "1"));
    EXPECT_FALSE(w.write());
    EXPECT_TRUE(folderContents().empty());
}

// A write that fails part way (here: the file size limit, as a full disk would) is reported and the
// earlier file stays whole.
TEST_F(VcdWriterTest, FailedWriteIsReportedAndTheTargetKept) {
    { std::ofstream(target) << "old content"; }
    VcdWriter w(target.string(), kDate);
    ASSERT_TRUE(w.addVariable("a", 4, 32, 2, "0"));
    for (std::uint32_t i = 0; i < 200000; ++i)
        ASSERT_TRUE(w.addChange(0, i));

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1 << 20;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    for (std::uint32_t i = 0; i < 200000; ++i)
        w.addChange(0, i);
    const bool written = w.write();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(readFile(target), "old content");
    EXPECT_EQ(folderContents(), std::vector<std::string>{"wave.vcd"});
}

// The streamed output must equal what collecting every change and writing at the end gives, however
// the changes fall across the output buffer.
TEST_F(VcdWriterTest, StreamingMatchesCollectThenWrite) {
    struct Var {
        std::string name, code;
        int size;
    };
    std::vector<Var> vars;
    std::mt19937 rng(2024);
    VcdWriter w(target.string(), kDate);
    std::string expected = kHeader + "$timescale\n\t10 ms\n$end\n";
    ASSERT_TRUE(w.setTimescale(10, 1));
    for (int i = 0; i < 120; ++i) {
        const int size = i % 5 == 0 ? 1 : static_cast<int>(rng() % 32 + 1);
        vars.push_back(
            {"top\\sig" + std::to_string(i), VcdWriter::identifierCode(static_cast<std::size_t>(i)), size});
        ASSERT_TRUE(w.addVariable(vars.back().name, 4, static_cast<std::uint16_t>(size), 2, "0"));
        expected +=
            "$var reg " + std::to_string(size) + " " + vars.back().code + " " + vars.back().name + " $end\n";
        expected += size == 1 ? "$dumpvars 0" + vars.back().code + " $end\n"
                              : "$dumpvars b0 " + vars.back().code + " $end\n";
    }
    expected += "$enddefinitions $end\n\n\n#0\n";
    std::uint32_t time = 0, lastWritten = 0;
    for (int step = 0; step < 200000; ++step) {
        if (rng() % 8 == 0) {
            time += rng() % 3 * 5;
            w.setTime(time);
        }
        const Var& v = vars[rng() % vars.size()];
        const std::uint32_t value =
            static_cast<std::uint32_t>(rng()) & (v.size == 32 ? ~0u : (1u << v.size) - 1);
        std::string digits;
        for (int b = v.size - 1; b >= 0; --b)
            digits += static_cast<char>('0' + ((value >> b) & 1));
        if (step % 2)
            ASSERT_TRUE(w.addChange(w.findVariable(v.name), value));
        else
            ASSERT_TRUE(w.addChange(v.name, digits));
        if (time > lastWritten) {
            expected += "\n#" + std::to_string(time) + "\n";
            lastWritten = time;
        }
        expected += v.size == 1 ? digits + v.code + "\n" : "b" + digits + " " + v.code + "\n";
    }
    w.setTime(time + 10);
    expected += "\n#" + std::to_string(time + 10) + "\n";
    ASSERT_TRUE(w.write());
    EXPECT_TRUE(readFile(target) == expected);
}

TEST(VcdDate, EnglishNamesAndZeroPaddedDay) {
    std::tm t{};
    t.tm_wday = 1;
    t.tm_mon = 5;
    t.tm_mday = 1;
    t.tm_hour = 9;
    t.tm_min = 30;
    t.tm_sec = 0;
    t.tm_year = 98;
    EXPECT_EQ(vcdDateText(t), "Mon Jun 01 09:30:00 1998");
}

TEST(VcdDate, StampKeepsItsTwentyFourCharactersForAnyYear) {
    std::tm t{};
    t.tm_wday = 3;
    t.tm_mon = 11;
    t.tm_mday = 31;
    t.tm_hour = 23;
    t.tm_min = 59;
    t.tm_sec = 59;
    t.tm_year = 12000 - 1900;
    EXPECT_EQ(vcdDateText(t), "Wed Dec 31 23:59:59 9999");
    t.tm_year = -1900 - 5;
    EXPECT_EQ(vcdDateText(t), "Wed Dec 31 23:59:59 0000");
    t.tm_year = INT_MAX; // the year must not overflow on its way to the text
    EXPECT_EQ(vcdDateText(t).size(), 24u);
    t.tm_year = INT_MIN;
    EXPECT_EQ(vcdDateText(t).size(), 24u);
}

TEST_F(VcdWriterTest, WaveToolsAcceptTheFile) {
    if (!fs::exists("/usr/bin/vcd2fst"))
        GTEST_SKIP() << "vcd2fst is not installed";
    VcdWriter w(target.string(), kDate);
    ASSERT_TRUE(w.setTimescale(10, 1));
    const int sizes[] = {1, 4, 8, 13, 32, 1, 16};
    for (int i = 0; i < 7; ++i)
        ASSERT_TRUE(w.addVariable("top\\v" + std::to_string(i), 4, static_cast<std::uint16_t>(sizes[i]),
                                  static_cast<std::uint16_t>(i % 2 ? 16 : 2), "0"));
    std::mt19937 rng(7);
    for (std::uint32_t t = 0; t < 100; ++t) {
        w.setTime(t * 10);
        for (int i = 0; i < 7; ++i)
            if (rng() % 2)
                w.addChange(i, static_cast<std::uint32_t>(rng()) &
                                   (sizes[i] == 32 ? ~0u : (1u << sizes[i]) - 1));
    }
    w.setTime(1000);
    ASSERT_TRUE(w.write());
    const fs::path fst = dir / "wave.fst";
    const std::string cmd =
        "/usr/bin/vcd2fst \"" + target.string() + "\" \"" + fst.string() + "\" >/dev/null 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    ASSERT_TRUE(fs::exists(fst));
    EXPECT_GT(fs::file_size(fst), 0u);
}

} // namespace
