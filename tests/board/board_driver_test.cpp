// The driver's open sequence, its window offsets and its ports.
#include "board/board_driver.h"
#include "recording_channel.h"

#include <gtest/gtest.h>

using namespace cellwatch;
using namespace cellwatch::test;

namespace {

struct Rig {
    std::vector<ChannelEvent> log;
    std::unique_ptr<BoardDriver> board;

    explicit Rig(ChannelScript script = {}) {
        board = std::make_unique<BoardDriver>(std::make_unique<RecordingChannel>(script, &log));
    }
    std::vector<ChannelEvent> ofKind(ChannelEvent::Kind kind) const {
        std::vector<ChannelEvent> out;
        for (const auto& e : log)
            if (e.kind == kind)
                out.push_back(e);
        return out;
    }
};

class BoardDriverTest : public ::testing::Test {
protected:
    void TearDown() override { selectDevice(1); }
};

} // namespace

TEST_F(BoardDriverTest, OpenTakesPortBaseAndMemoryBaseFromPciData) {
    ChannelScript script;
    script.setIoBase(0xE001);
    script.setMemoryBase(0xF4000000);
    script.window = 0xC0DE0000;
    Rig rig(script);
    EXPECT_EQ(rig.board->error(), 0);
    EXPECT_TRUE(rig.board->ok());
    EXPECT_EQ(rig.board->portBase(), 0xE000);
    EXPECT_EQ(rig.board->memoryBase(), 0xF4000000u);
    EXPECT_EQ(rig.board->window(), 0xC0DE0000u);
    EXPECT_EQ(rig.board->controlByte(), 0xFF);
    EXPECT_EQ(rig.board->serialHistory(), 0);

    // Initialise, then the window address (4 bytes), then the PCI data (148 bytes).
    const auto controls = rig.ofKind(ChannelEvent::Control);
    ASSERT_EQ(controls.size(), 3u);
    EXPECT_EQ(controls[0].where, 0u);
    EXPECT_EQ(controls[1].where, 6u);
    EXPECT_EQ(controls[1].value, 4u);
    EXPECT_EQ(controls[2].where, 5u);
    EXPECT_EQ(controls[2].value, 148u);
}

TEST_F(BoardDriverTest, OpenFailuresGiveTheirCodes) {
    {
        ChannelScript script;
        script.available = false;
        Rig rig(script);
        EXPECT_EQ(rig.board->error(), 1);
        EXPECT_TRUE(rig.ofKind(ChannelEvent::Open).empty()) << "no driver file may be opened";
    }
    {
        ChannelScript script;
        script.opens = false;
        Rig rig(script);
        EXPECT_EQ(rig.board->error(), 1);
        EXPECT_FALSE(rig.board->ok());
    }
    {
        ChannelScript script;
        script.initialiseSucceeds = true;
        Rig rig(script);
        EXPECT_EQ(rig.board->error(), 2);
        EXPECT_EQ(rig.ofKind(ChannelEvent::Control).size(), 1u) << "the sequence stops after code 0";
    }
    {
        ChannelScript script;
        script.setIoBase(0xE000);
        Rig rig(script);
        EXPECT_EQ(rig.board->error(), 2);
        EXPECT_FALSE(rig.board->ok());
    }
    BoardDriver nothing(nullptr);
    EXPECT_EQ(nothing.error(), 1);
}

TEST_F(BoardDriverTest, OpenSelectsTheSixtyFourCellMemberWhateverTheOutcome) {
    selectDevice(3);
    ChannelScript script;
    script.available = false;
    Rig rig(script);
    EXPECT_EQ(deviceMode(), 1);
}

TEST_F(BoardDriverTest, DestructorClosesOnlyAnOpenedChannel) {
    {
        Rig rig;
        rig.board.reset();
        ASSERT_GE(rig.log.size(), 2u);
        EXPECT_EQ(rig.log[rig.log.size() - 2].kind, ChannelEvent::Control);
        EXPECT_EQ(rig.log[rig.log.size() - 2].where, 4u);
        EXPECT_EQ(rig.log.back().kind, ChannelEvent::Close);
    }
    {
        // Opened, but the driver failed to initialise: the handle is still closed.
        ChannelScript script;
        script.initialiseSucceeds = true;
        Rig rig(script);
        rig.board.reset();
        EXPECT_EQ(rig.log.back().kind, ChannelEvent::Close);
    }
    {
        ChannelScript script;
        script.opens = false;
        Rig rig(script);
        rig.board.reset();
        EXPECT_TRUE(rig.ofKind(ChannelEvent::Close).empty());
    }
}

TEST_F(BoardDriverTest, DeviceWordsLiveAboveTheSram) {
    Rig rig;
    rig.log.clear();
    rig.board->writeDeviceWord(0xC000, 5);
    rig.board->readDeviceWord(0x05C9);
    ASSERT_EQ(rig.log.size(), 2u);
    EXPECT_EQ(rig.log[0].kind, ChannelEvent::Store);
    EXPECT_EQ(rig.log[0].where, 0x830000u);
    EXPECT_EQ(rig.log[0].value, 5u);
    EXPECT_EQ(rig.log[1].where, 0x800000u + 4u * 0x05C9u);
}

TEST_F(BoardDriverTest, PortsAreWrittenAtTheBasePlusOffset) {
    Rig rig;
    rig.log.clear();
    rig.board->resetBoard();
    rig.board->assertClear();
    rig.board->setControlByte(200);
    rig.board->setPort24Flag(0);
    rig.board->setPort24Flag(1);
    rig.board->setBankControl(6);
    rig.board->serialBit(3);
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected = {
        {0xE010, 1}, {0xE010, 2}, {0xE024, 200}, {0xE024, 0x1C8}, {0xE02C, 2}, {0xE014, 1}};
    ASSERT_EQ(rig.log.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(rig.log[i].kind, ChannelEvent::Port);
        EXPECT_EQ(rig.log[i].where, expected[i].first) << i;
        EXPECT_EQ(rig.log[i].value, expected[i].second) << i;
    }
    EXPECT_EQ(rig.board->controlFlag(), 1);
}

TEST_F(BoardDriverTest, AFailedBoardNeverReachesTheChannel) {
    ChannelScript script;
    script.setIoBase(0xE000);
    Rig rig(script);
    rig.log.clear();
    rig.board->writeDeviceWord(0xC000, 1);
    rig.board->resetBoard();
    EXPECT_EQ(rig.board->readDeviceWord(0xC000), 0xFFFFFFFFu);
    std::uint32_t word = 0;
    rig.board->readBlock(0, &word, 1);
    EXPECT_EQ(word, 0xFFFFFFFFu);
    EXPECT_TRUE(rig.log.empty());
}

TEST_F(BoardDriverTest, SramFillShiftsForBankOneAndAdvances) {
    Rig rig;
    rig.log.clear();
    rig.board->fillSram(0x40, 0x1234, 3, 1);
    rig.board->fillSram(0x80, 0x1234, 1, 2);
    rig.board->fillSram(0x90, 0x1234, 0, 0);
    const auto stores = rig.ofKind(ChannelEvent::Store);
    ASSERT_EQ(stores.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(stores[static_cast<std::size_t>(i)].where, 0x40u + 4u * static_cast<std::uint32_t>(i));
        EXPECT_EQ(stores[static_cast<std::size_t>(i)].value, 0x12340000u);
    }
    EXPECT_EQ(stores[3].value, 0x1234u);
}

TEST_F(BoardDriverTest, SramReadSelectsBankZeroAndRestores) {
    Rig rig;
    std::uint32_t buffer[4] = {};
    rig.log.clear();
    rig.board->readSram(buffer, 4, 3);
    ASSERT_GE(rig.log.size(), 3u);
    EXPECT_EQ(rig.log.front().kind, ChannelEvent::Port);
    EXPECT_EQ(rig.log.front().value, 0u);
    EXPECT_EQ(rig.log.back().kind, ChannelEvent::Port);
    EXPECT_EQ(rig.log.back().value, 3u);
    EXPECT_EQ(rig.ofKind(ChannelEvent::Load).size(), 4u);
}
