// The synthesizer decoder: hand-made streams with stuffing and separators, and every frequency the
// board layer programs over the serial port.

#include "board/board_driver.h"
#include "board/emulator/emulated_channel.h"
#include "board/emulator/synth_decoder.h"

#include <gtest/gtest.h>

#include <vector>

namespace cellwatch::test {
namespace {

// Sends fields as the host does: data bits stuffed after three 1s, separators sent raw.
struct Sender {
    explicit Sender(SynthDecoder& decoder, std::uint32_t startHistory = 0)
        : d(decoder), history(startHistory) {}

    SynthDecoder& d;
    std::uint32_t history;
    std::vector<int> line;

    void raw(int b) {
        line.push_back(b);
        d.bit(static_cast<std::uint32_t>(b));
    }
    void data(std::uint32_t value, int bits) {
        for (int i = 0; i < bits; ++i) {
            const std::uint32_t b = (value >> i) & 1u;
            history = (history >> 1) | (b << 2);
            raw(static_cast<int>(b));
            if (history == 7) {
                raw(0);
                history = 3;
            }
        }
    }
    void separator() {
        for (int b : {0, 1, 1, 1, 1, 0})
            raw(b);
        history = 3;
    }
    void program(std::uint32_t word) {
        data(5, 8);
        separator();
        data(word, 22);
        data(4, 8);
        separator();
        data(0, 8);
        separator();
    }
};

TEST(SynthDecoder, UndoesStuffingAndRecognisesTheProgramSequence) {
    SynthDecoder d;
    Sender s(d);
    const std::uint32_t word = 0x3FFFFF & 0x2BFFFF; // long runs of 1s force stuffing
    s.program(word);
    ASSERT_TRUE(d.hasProgram());
    EXPECT_EQ(d.programWord(), word);
    EXPECT_EQ(d.fieldsDecoded(), 3);
    EXPECT_EQ(d.framingErrors(), 0);
    EXPECT_GT(s.line.size(), 8u + 6 + 30 + 6 + 8 + 6); // stuffed bits were sent

    // The edge case of the sender: 1 1 1 1 from history 3 goes out as 1 1 1 0 1.
    SynthDecoder d2;
    Sender s2(d2, 3);
    s2.data(0xF, 4);
    EXPECT_EQ(s2.line, (std::vector<int>{1, 1, 1, 0, 1}));
}

TEST(SynthDecoder, FrequencyFollowsTheProgramWordFields) {
    // p = 50 + 3, q = 14 + 2, e = 1: 2 * 16 * 53 / 16 / 2 = 53 MHz.
    const std::uint32_t word = (50u << 15) | (1u << 11) | (14u << 4) | 0u;
    EXPECT_DOUBLE_EQ(SynthDecoder::frequencyOf(word), 53.0);
}

TEST(SynthDecoder, RecoversAfterGarbageOnTheLine) {
    SynthDecoder d;
    Sender s(d);
    for (int b : {1, 1, 1, 1, 1, 1, 1, 0, 1, 0, 0, 1, 1})
        s.raw(b);
    s.history = 3;
    s.separator();
    s.program(0x12345);
    ASSERT_TRUE(d.hasProgram());
    EXPECT_EQ(d.programWord(), 0x12345u);
    EXPECT_GT(d.framingErrors(), 0);

    // A field longer than any field is dropped, not misread.
    for (int i = 0; i < 200; ++i)
        s.data(0x2, 2);
    s.separator();
    EXPECT_EQ(d.programsDecoded(), 1);
}

struct FakeClock : MillisecondClock {
    std::uint64_t now = 0;
    std::uint64_t milliseconds() override { return ++now; }
};

TEST(SynthDecoder, DecodesWhatTheBoardLayerPrograms) {
    FakeClock clock;
    auto channel = makeEmulatedChannel(64);
    EmulatedBoard* emulated = emulatedBoardOf(*channel); // the board outlives the move into the driver
    BoardDriver board(std::move(channel));
    ASSERT_EQ(board.error(), 0);
    board.setMillisecondClock(&clock);
    int programs = 0;
    for (double wanted : {100.0, 66.0, 50.0, 33.3333, 25.0, 14.31818, 2.0, 7.5}) {
        SCOPED_TRACE(wanted);
        const double obtained = board.setClockFrequency(16.0, wanted);
        ASSERT_GT(obtained, 0.0);
        ++programs;
        EXPECT_EQ(emulated->synthesizer().programsDecoded(), programs);
        EXPECT_NEAR(emulated->synthesizer().frequencyMHz(), obtained, 1e-9);
        EXPECT_NEAR(obtained, wanted, wanted * 0.01);
    }
    EXPECT_EQ(emulated->synthesizer().framingErrors(), 0);

    // A frequency that cannot be made sends nothing.
    const auto bits = emulated->synthesizer().bitsReceived();
    EXPECT_EQ(board.setClockFrequency(16.0, 100.5), -1.0);
    EXPECT_EQ(emulated->synthesizer().bitsReceived(), bits);
}

} // namespace
} // namespace cellwatch::test
