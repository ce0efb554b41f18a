#include "trace/trace_store.h"
#include "trace/vcd_sample_feed.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

using namespace cellwatch;
namespace fs = std::filesystem;

namespace {

// The whole path from trace store to file, as the session's conversion walks it.
class VcdSampleFeedTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "cellwatch-feed-XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
        store = std::make_unique<TraceStore>(dir.string());
    }
    void TearDown() override {
        store.reset();
        fs::remove_all(dir);
    }

    void sample(TraceHandle component, std::int32_t value, std::uint32_t time) {
        ASSERT_TRUE(store->append(TraceRecord{component, value, time, kNoTraceHandle}));
    }
    void logLine(std::uint32_t time) { ASSERT_TRUE(store->append(TraceRecord{kNoTraceHandle, 0, time, 1})); }

    // Declares (name, size, radix) components and converts the store; returns the text after the
    // definitions.
    std::string convert(const std::vector<std::tuple<std::string, int, int>>& components,
                        std::string* whole = nullptr) {
        const fs::path target = dir / "out.vcd";
        VcdWriter writer(target.string(), "Mon Jun 01 09:30:00 1998");
        writer.setTimescale(10, 1);
        VcdSampleFeed feed(writer);
        for (const auto& [name, size, radix] : components)
            feed.addComponent(name, static_cast<std::uint16_t>(size), static_cast<std::uint16_t>(radix));
        TraceRecord r;
        for (std::uint32_t i = 0; store->get(i, r); ++i)
            if (r.isSample())
                feed.sample(r.component - 1, r.time, r.value);
        EXPECT_TRUE(writer.write());
        std::ifstream in(target, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        const std::string text = s.str();
        if (whole)
            *whole = text;
        return text.substr(text.find("$enddefinitions $end\n"));
    }

    fs::path dir;
    std::unique_ptr<TraceStore> store;
};

TEST_F(VcdSampleFeedTest, TwoComponentExample) {
    logLine(0);
    sample(1, 1, 0);
    sample(2, 5, 0);
    sample(1, 0, 10);
    sample(2, 5, 10);
    logLine(11);
    std::string whole;
    convert({{"top\\en", 1, 16}, {"top\\q", 4, 2}}, &whole);
    EXPECT_EQ(whole, "$version\n\tHalvane VCD file generator version 0.0\n$end\n\n"
                     "$date\n\tMon Jun 01 09:30:00 1998\n$end\n\n"
                     "$timescale\n\t10 ms\n$end\n"
                     "$var reg 1 ! top\\en $end\n$dumpvars 0! $end\n$rdx H ! $end\n"
                     "$var reg 4 \" top\\q $end\n$dumpvars b0 \" $end\n"
                     "$enddefinitions $end\n\n\n#0\n1!\nb0101 \"\n\n#10\n0!\n");
}

TEST_F(VcdSampleFeedTest, EmptyOrLogOnlyStoreGivesTimeZeroOnly) {
    EXPECT_EQ(convert({{"a", 1, 2}}), "$enddefinitions $end\n\n\n#0\n");
    logLine(0);
    logLine(31);
    EXPECT_EQ(convert({{"a", 1, 2}}), "$enddefinitions $end\n\n\n#0\n");
}

TEST_F(VcdSampleFeedTest, UnchangedValuesWriteOnceAndTheLastTimeIsMarked) {
    for (std::uint32_t t = 0; t <= 40; t += 10)
        sample(1, 6, t);
    EXPECT_EQ(convert({{"a", 3, 2}}), "$enddefinitions $end\n\n\n#0\nb110 !\n\n#40\n");
}

TEST_F(VcdSampleFeedTest, RepeatedNamesShareTheFirstVariable) {
    sample(1, 1, 0);
    sample(2, 1, 0); // its own last value: written although the variable already shows 1
    sample(2, 0, 10);
    sample(3, -1, 10); // a negative sample is the unsigned bit pattern
    EXPECT_EQ(convert({{"a", 1, 2}, {"a", 1, 2}, {"w", 32, 16}}),
              "$enddefinitions $end\n\n\n#0\n1!\n1!\n\n#10\n0!\nb11111111111111111111111111111111 \"\n");
}

} // namespace
