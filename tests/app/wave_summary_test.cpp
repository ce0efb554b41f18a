// The waveform's summary against the samples it summarises: block by block for components sampled
// at every stamp, the coarser levels against the finer, and a summary extended as the store grows
// (and is emptied) against one built from the finished store.

#include "log_store_fixture.h"

#include "app/wave_summary.h"

#include <gtest/gtest.h>

namespace cellwatch {
namespace {

constexpr std::uint32_t kBlock = 16;

// Every component gets a value at every stamp; values change seldom so flat and busy blocks occur.
std::vector<std::vector<std::int32_t>> writeEveryStamp(LogStoreFixture& f, std::mt19937& rng, std::uint32_t stamps) {
    std::vector<std::vector<std::int32_t>> values(f.doc.traceList().size());
    std::vector<std::int32_t> current(values.size(), 0);
    std::uniform_int_distribution<int> percent(0, 99);
    for (std::uint32_t stamp = 0; stamp < stamps; ++stamp) {
        std::size_t i = 0;
        for (const TracedComponent& c : f.doc.traceList()) {
            if (percent(rng) < (i == 0 ? 20 : 2))
                current[i] = static_cast<std::int32_t>(rng() % 4096);
            f.sample(c, current[i], stamp * 10);
            values[i].push_back(current[i]);
            ++i;
        }
    }
    return values;
}

TEST(WaveSummary, BlocksHoldTheFirstAndLastValueAndWhetherItChanged) {
    LogStoreFixture f;
    std::mt19937 rng(17);
    f.addComponent("busy", 8, 16);
    f.addComponent("calm", 12, 16);
    const std::uint32_t stamps = 2000;
    const auto values = writeEveryStamp(f, rng, stamps);
    WaveSummary summary(kBlock);
    summary.extend(f.doc);
    EXPECT_EQ(summary.stampCount(), stamps);
    EXPECT_EQ(summary.frontier(), f.doc.traceStore().count());
    for (const TracedComponent& c : f.doc.traceList()) {
        const auto& v = values[c.handle - 1];
        for (std::uint32_t b = 0; b * kBlock < stamps; ++b) {
            const std::uint32_t from = b * kBlock;
            const std::uint32_t to = std::min(stamps, from + kBlock); // one past the block's last stamp
            bool changed = false;
            for (std::uint32_t s = from + 1; s < to; ++s)
                changed = changed || v[s] != v[s - 1];
            const WaveSummary::Span span = summary.span(c.handle, 0, b);
            ASSERT_TRUE(span.known);
            EXPECT_EQ(span.first, v[from]) << c.name << " block " << b;
            EXPECT_EQ(span.last, v[to - 1]) << c.name << " block " << b;
            EXPECT_EQ(span.changed, changed) << c.name << " block " << b;
            // Each block starts at the record of its first stamp's first sample.
            EXPECT_EQ(summary.recordOfBlock(b), from * f.doc.traceList().size());
        }
        // A coarser block runs from its first finer block's first value to its last one's last.
        for (int level = 1; level < 3; ++level) {
            const std::uint64_t blocks = (stamps - 1) / summary.blockStamps(level) + 1;
            for (std::uint64_t b = 0; b < blocks; ++b) {
                const WaveSummary::Span coarse = summary.span(c.handle, level, b);
                const WaveSummary::Span head = summary.span(c.handle, level - 1, b * WaveSummary::kLevelFactor);
                bool changed = head.changed;
                std::int32_t last = head.last;
                for (std::uint32_t k = 1; k < WaveSummary::kLevelFactor; ++k) {
                    const WaveSummary::Span s = summary.span(c.handle, level - 1, b * WaveSummary::kLevelFactor + k);
                    changed = changed || s.changed || s.first != last;
                    last = s.last;
                }
                EXPECT_EQ(coarse.first, head.first) << "level " << level << " block " << b;
                EXPECT_EQ(coarse.last, last) << "level " << level << " block " << b;
                EXPECT_EQ(coarse.changed, changed) << "level " << level << " block " << b;
            }
        }
    }
    // Past the end a component holds its newest value, unchanged.
    const WaveSummary::Span after = summary.span(1, 0, stamps / kBlock + 10);
    EXPECT_EQ(after, (WaveSummary::Span{values[0].back(), values[0].back(), true, false}));
}

TEST(WaveSummary, ExtendedAsTheStoreGrowsEqualsBuiltOnce) {
    for (unsigned seed : {2u, 5u, 31u}) {
        SCOPED_TRACE(seed);
        LogStoreFixture f;
        std::mt19937 rng(seed);
        f.addComponent("a", 1, 2);
        f.addComponent("bus", 12, 16);
        f.addComponent("n", 9, 10);
        f.makeTexts({"|comment", "plain"});
        WaveSummary growing(kBlock);
        for (int round = 0; round < 4; ++round) {
            // Round 2 empties the store: the summary must start again, not keep the old lanes.
            if (round == 2)
                f.doc.traceStore().reset();
            f.randomRun(rng, 400);
            growing.extend(f.doc);
        }
        WaveSummary once(kBlock);
        once.extend(f.doc);
        ASSERT_EQ(growing.stampCount(), once.stampCount());
        ASSERT_EQ(growing.frontier(), once.frontier());
        for (const TracedComponent& c : f.doc.traceList())
            for (int level = 0; level < 3; ++level)
                for (std::uint64_t b = 0; b * growing.blockStamps(level) < growing.stampCount() + kBlock; ++b)
                    ASSERT_EQ(growing.span(c.handle, level, b), once.span(c.handle, level, b))
                        << c.name << " level " << level << " block " << b;
        for (std::uint64_t b = 0; b * kBlock < once.stampCount(); ++b)
            ASSERT_EQ(growing.recordOfBlock(b), once.recordOfBlock(b));
    }
}

} // namespace
} // namespace cellwatch
