// The synthesizer's settings search, its program word, and the serial stream that carries it.
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

std::uint32_t fieldValue(const std::vector<int>& bits, std::size_t from, std::size_t count) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < count; ++i)
        v |= static_cast<std::uint32_t>(bits[from + i]) << i;
    return v;
}

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

TEST(ClockSettingsSearch, ProgramWordLayout) {
    EXPECT_EQ(clockProgramWord(0, 0, 3, 2), 0u);
    EXPECT_EQ(clockProgramWord(7, 8, 130, 129), 0x8u | 127u << 4 | 7u << 11 | 127u << 15);
    EXPECT_EQ(clockProgramWord(0, 0, 3, 2) & (1u << 14), 0u);
}

TEST_F(ClockSynthesizerTest, OutOfRangeTouchesNothing) {
    EXPECT_EQ(board->setClockFrequency(16.0, 100.5), -1.0);
    EXPECT_EQ(board->setClockFrequency(16.0, 1.9), -1.0);
    EXPECT_TRUE(log.empty());
}

TEST_F(ClockSynthesizerTest, StreamCarriesPreambleWordAndTrailer) {
    const ClockSettings s = chooseClockSettings(16.0, 33.0);
    EXPECT_DOUBLE_EQ(board->setClockFrequency(16.0, 33.0), s.obtainedMHz);
    const auto fields = decodeSerialFields(serialBits());
    ASSERT_EQ(fields.size(), 3u);
    ASSERT_EQ(fields[0].size(), 8u);
    ASSERT_EQ(fields[1].size(), 30u);
    ASSERT_EQ(fields[2].size(), 8u);
    EXPECT_EQ(fieldValue(fields[0], 0, 8), 5u);
    EXPECT_EQ(fieldValue(fields[1], 0, 22), s.programWord);
    EXPECT_EQ(fieldValue(fields[1], 22, 8), 4u);
    EXPECT_EQ(fieldValue(fields[2], 0, 8), 0u);
    EXPECT_EQ(board->serialHistory(), 3);
}

TEST_F(ClockSynthesizerTest, EveryBitWaitsForTheClock) {
    board->setClockFrequency(16.0, 66.0);
    const auto writes = serialWrites();
    ASSERT_GT(writes.size(), 60u);
    for (std::size_t i = 1; i < writes.size(); ++i)
        EXPECT_GE(writes[i].time - writes[i - 1].time, 1u) << "bit " << i;
}

TEST_F(ClockSynthesizerTest, OnlySeparatorsCarryFourOnesInARow) {
    // A second request starts from the history the first one left behind (3).
    board->setClockFrequency(16.0, 50.0);
    log.clear();
    const std::vector<int> prefix = {1, 0, 1, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 0};
    board->setClockFrequency(16.0, 100.0);
    const std::vector<int> bits = serialBits();
    ASSERT_GT(bits.size(), prefix.size() + 5);
    EXPECT_EQ(std::vector<int>(bits.begin(), bits.begin() + 14), prefix);
    // 100 MHz: r = 8 is 0,0,0,1 on the wire, no stuffing needed in the range nibble.
    EXPECT_EQ(std::vector<int>(bits.begin() + 14, bits.begin() + 18), (std::vector<int>{0, 0, 0, 1}));
    for (std::size_t i = 3; i < bits.size(); ++i) {
        const bool fourOnes = bits[i] && bits[i - 1] && bits[i - 2] && bits[i - 3];
        if (fourOnes) { // only a separator has four ones in a row
            EXPECT_TRUE(i >= 4 && bits[i - 4] == 0 && i + 1 < bits.size() && bits[i + 1] == 0) << i;
        }
    }
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

TEST_F(ClockSynthesizerTest, EveryRequestFromTwoToAHundredDecodesToTheChosenWord) {
    for (double f = 2.0; f <= 100.0; f += 0.5) {
        log.clear();
        const ClockSettings s = chooseClockSettings(16.0, f);
        ASSERT_TRUE(s.ok) << f;
        EXPECT_DOUBLE_EQ(board->setClockFrequency(16.0, f), s.obtainedMHz) << f;
        const auto fields = decodeSerialFields(serialBits());
        ASSERT_EQ(fields.size(), 3u) << f;
        ASSERT_EQ(fields[1].size(), 30u) << f;
        EXPECT_EQ(fieldValue(fields[1], 0, 22), s.programWord) << f;
    }
}
