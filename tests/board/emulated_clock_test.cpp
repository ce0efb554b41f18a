// Every frequency the program can ask for reaches the emulated board's synthesizer as the word the
// search chose, and the board derives the same frequency from it.
#include "board/board_driver.h"
#include "board/clock_synthesizer.h"
#include "board/emulator/emulated_channel.h"
#include "recording_channel.h"

#include <gtest/gtest.h>

using namespace cellwatch;

TEST(EmulatedClock, EveryRequestFromTwoToAHundredDecodesAsChosen) {
    auto channel = makeEmulatedChannel(64);
    ASSERT_NE(channel, nullptr);
    EmulatedBoard* emulated = emulatedBoardOf(*channel);
    ASSERT_NE(emulated, nullptr);
    BoardDriver board(std::move(channel));
    ASSERT_EQ(board.error(), 0);
    test::SteppingClock clock;
    board.setMillisecondClock(&clock);

    int programs = 0;
    for (int step = 4; step <= 200; ++step) {
        const double wanted = step * 0.5;
        const ClockSettings chosen = chooseClockSettings(16.0, wanted);
        ASSERT_TRUE(chosen.ok) << wanted;
        const double obtained = board.setClockFrequency(16.0, wanted);
        EXPECT_DOUBLE_EQ(obtained, chosen.obtainedMHz) << wanted;
        const SynthDecoder& synth = emulated->synthesizer();
        ASSERT_EQ(synth.programsDecoded(), ++programs) << wanted;
        EXPECT_EQ(synth.programWord(), chosen.programWord) << wanted;
        EXPECT_NEAR(synth.frequencyMHz(), obtained, 1e-9) << wanted;
    }
    EXPECT_EQ(emulated->synthesizer().framingErrors(), 0);
    selectDevice(1);
}

TEST(EmulatedClock, RefusedFrequenciesSendNothing) {
    auto channel = makeEmulatedChannel(64);
    EmulatedBoard* emulated = emulatedBoardOf(*channel);
    BoardDriver board(std::move(channel));
    EXPECT_EQ(board.setClockFrequency(16.0, 1.9), -1.0);
    EXPECT_EQ(board.setClockFrequency(16.0, 100.5), -1.0);
    EXPECT_EQ(emulated->synthesizer().bitsReceived(), 0u);
    selectDevice(1);
}
