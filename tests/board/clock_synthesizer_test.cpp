// The synthesizer's settings search and the paced, stuffed serial stream that carries it.
#include "board/board_driver.h"
#include "board/clock_synthesizer.h"
#include "recording_channel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace cellwatch;
using namespace cellwatch::test;

namespace {

class ClockSynthesizerTest : public ::testing::Test {
protected:
    ClockSynthesizerTest() {
        board =
            std::make_unique<BoardDriver>(std::make_unique<RecordingChannel>(ChannelScript{}, &log, &clock));
        board->setMillisecondClock(&clock);
        log.clear();
    }
    void TearDown() override { selectDevice(1); }

    std::vector<ChannelEvent> serialWrites() const {
        std::vector<ChannelEvent> out;
        for (const auto& e : log)
            if (e.kind == ChannelEvent::Port && e.where == 0xE014)
                out.push_back(e);
        return out;
    }
    std::vector<int> serialBits() const {
        std::vector<int> out;
        for (const auto& e : serialWrites())
            out.push_back(static_cast<int>(e.value));
        return out;
    }

    SteppingClock clock;
    std::vector<ChannelEvent> log;
    std::unique_ptr<BoardDriver> board;
};

} // namespace

TEST(ClockSettingsSearch, RangeLimits) {
    const ClockSettings top = chooseClockSettings(16.0, 100.0);
    ASSERT_TRUE(top.ok);
    EXPECT_EQ(top.e, 0);
    EXPECT_EQ(top.r, 8);
    EXPECT_FALSE(chooseClockSettings(16.0, 100.5).ok);
    EXPECT_FALSE(chooseClockSettings(16.0, 1.9).ok);
    EXPECT_TRUE(chooseClockSettings(16.0, 2.0).ok);
    EXPECT_FALSE(chooseClockSettings(16.0, std::numeric_limits<double>::quiet_NaN()).ok);
    EXPECT_FALSE(chooseClockSettings(16.0, std::numeric_limits<double>::infinity()).ok);
    EXPECT_FALSE(chooseClockSettings(std::numeric_limits<double>::quiet_NaN(), 20.0).ok);
    EXPECT_FALSE(chooseClockSettings(0.0, 20.0).ok);
    EXPECT_FALSE(chooseClockSettings(-16.0, 20.0).ok);
    // References for which no divider pair is valid are refused rather than overflowing the search.
    EXPECT_FALSE(chooseClockSettings(1.0e-9, 50.0).ok);
    EXPECT_FALSE(chooseClockSettings(1.0e5, 50.0).ok);
}

TEST(ClockSettingsSearch, LowFrequenciesAreDoubledIntoTheOscillatorRange) {
    const ClockSettings s25 = chooseClockSettings(16.0, 25.0);
    EXPECT_EQ(s25.e, 1);
    EXPECT_EQ(s25.r, 0);
    const ClockSettings s2 = chooseClockSettings(16.0, 2.0);
    EXPECT_EQ(s2.e, 5);
    EXPECT_EQ(s2.r, 0);
    EXPECT_EQ(chooseClockSettings(16.0, 40.0).r, 8) << "80 MHz of oscillator is the upper range";
}

TEST(ClockSettingsSearch, ExactRatiosAreFoundAndPairsStayValid) {
    // 50 MHz from 16: ratio 50/32 = 25/16, first met at q = 32 by search 1.
    const ClockSettings s = chooseClockSettings(16.0, 50.0);
    EXPECT_EQ(s.p, 50);
    EXPECT_EQ(s.q, 32);
    EXPECT_DOUBLE_EQ(s.obtainedMHz, 50.0);
    EXPECT_EQ(s.programWord, clockProgramWord(0, 0, 50, 32));

    for (double f = 2.0; f <= 100.0; f += 0.25) {
        const ClockSettings c = chooseClockSettings(16.0, f);
        ASSERT_TRUE(c.ok) << f;
        EXPECT_GE(c.p, 4);
        EXPECT_LE(c.p, 130);
        EXPECT_GT(c.q, 16) << "reference / q must stay below 1";
        EXPECT_LT(c.q, 80) << "reference / q must stay above 0.2";
        EXPECT_NEAR(c.obtainedMHz, f, f * 0.01) << f;
        EXPECT_DOUBLE_EQ(c.obtainedMHz, 32.0 * c.p / c.q / (1 << c.e));
    }
}

TEST_F(ClockSynthesizerTest, EveryBitWaitsForTheClock) {
    board->setClockFrequency(16.0, 66.0);
    const auto writes = serialWrites();
    ASSERT_GT(writes.size(), 60u);
    for (std::size_t i = 1; i < writes.size(); ++i)
        EXPECT_GE(writes[i].time - writes[i - 1].time, 1u) << "bit " << i;
}

namespace {

// Exposes the stuffing rule on its own through a one-bit-at-a-time view of the stream.
std::vector<int> stuff(int history, const std::vector<int>& data) {
    std::vector<int> out;
    for (int b : data) {
        history = history >> 1 | (b ? 4 : 0);
        out.push_back(b);
        if (history == 7) {
            out.push_back(0);
            history = 3;
        }
    }
    return out;
}

} // namespace

TEST_F(ClockSynthesizerTest, StuffingAcrossFieldsMatchesTheRule) {
    // The board's stream after a separator must equal the rule applied from history 3.
    board->setClockFrequency(16.0, 77.0);
    const ClockSettings s = chooseClockSettings(16.0, 77.0);
    std::vector<int> data;
    for (int i = 0; i < 22; ++i)
        data.push_back(static_cast<int>(s.programWord >> i & 1u));
    for (int i = 0; i < 8; ++i)
        data.push_back((4 >> i) & 1);
    const std::vector<int> expected = stuff(3, data);
    const std::vector<int> bits = serialBits();
    ASSERT_GE(bits.size(), 14 + expected.size());
    EXPECT_EQ(std::vector<int>(bits.begin() + 14, bits.begin() + 14 + static_cast<long>(expected.size())),
              expected);
    EXPECT_EQ(stuff(3, {1, 1, 1, 1}), (std::vector<int>{1, 1, 1, 0, 1}));
}
