// The result log's checkpoint index against the plain walk from record 0, on random logs that grow
// and are emptied, and the order of log lines and sampling lines around an instant.

#include "log_store_fixture.h"

#include "app/log_line_index.h"

#include <gtest/gtest.h>

namespace cellwatch {
namespace {

std::vector<std::string> indexedPage(LogLineIndex& index, CWizDoc& doc, std::uint64_t first, int count) {
    std::vector<std::string> out;
    index.page(doc, first, count, [&](std::string_view t) { out.emplace_back(t); });
    return out;
}

std::vector<std::int32_t> values(const CWizDoc& doc) {
    std::vector<std::int32_t> out;
    for (const TracedComponent& c : doc.traceList()) {
        out.push_back(c.lastValue);
        out.push_back(c.previousValue);
    }
    return out;
}

TEST(LogLineIndex, IndexedPagesEqualThePlainWalk) {
    for (unsigned seed : {1u, 7u, 42u, 1234u}) {
        SCOPED_TRACE(seed);
        LogStoreFixture f;
        std::mt19937 rng(seed);
        f.addComponent("a", 1, 2);
        f.addComponent("bus", 12, 16);
        f.addComponent("n", 9, 10);
        f.addComponent("o", 7, -1);
        f.makeTexts({"|comment", "ERROR: bad", "WARNING: odd", "Every line", "plain"});
        LogLineIndex index;
        for (int round = 0; round < 3; ++round) {
            // Round 1 grows the same log (the index extends); round 2 empties it and writes another.
            if (round == 2)
                f.doc.traceStore().reset();
            f.randomRun(rng, 300 + round * 200);
            const std::uint64_t lines = index.lineCount(f.doc);
            EXPECT_GE(index.checkpointCount(), lines / LogLineIndex::kSpacing);
            for (int probe = 0; probe < 60; ++probe) {
                const std::uint64_t first = probe < 3 ? lines - probe : rng() % (lines + 5);
                const int count = static_cast<int>(rng() % 40) + 1;
                f.setValues(probe % 2 == 0 ? 0 : 7);
                const auto plain = f.plainPage(first, count);
                const auto recorded = values(f.doc);
                const auto indexed = indexedPage(index, f.doc, first, count);
                ASSERT_EQ(indexed, plain) << "first " << first << " count " << count;
                // Reading a page never changes what the run compares its next samples with.
                ASSERT_EQ(values(f.doc), recorded);
            }
        }
    }
}

TEST(LogLineIndex, SampleLinesAndTheirOrder) {
    LogStoreFixture f;
    const TracedComponent& bit = f.addComponent("clk", 1, 2);
    const TracedComponent& byte = f.addComponent("data", 8, 16);
    f.makeTexts({"header", "during the step", "neg"});
    LogLineIndex index;

    // Samples only at time 0: the instant is not drawn until a later record follows.
    f.sample(bit, 1, 0);
    f.sample(byte, 63, 0);
    EXPECT_EQ(indexedPage(index, f.doc, 0, 10), std::vector<std::string>{});
    // A line of time 0 joins the instant and comes before its sampling line.
    f.line(1, 0);
    f.sample(bit, 1, 120);
    f.sample(byte, 63, 120);
    // A line written during a step carries its time + 1: the step's sampling line comes first.
    f.line(2, 121);
    f.sample(byte, -1, 130);
    EXPECT_EQ(indexedPage(index, f.doc, 0, 10),
              (std::vector<std::string>{"header", "#00000000  1  3f", "#00000012  1  3f", "during the step",
                                        "#00000013  1  ffffffff"}));
}

} // namespace
} // namespace cellwatch
