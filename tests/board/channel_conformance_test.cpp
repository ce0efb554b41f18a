// What every DriverChannel must do for BoardDriver: the control codes of the open sequence, memory that
// keeps what is stored, ports that take writes, and a board that identifies itself and its SRAM.
#include "board/board_driver.h"
#include "fake_pci_folder.h"
#include "recording_channel.h"

#include "board/emulator/emulated_channel.h"

#include <gtest/gtest.h>

#include <iterator>

using namespace cellwatch;

namespace {

struct RecordingFake {
    static std::unique_ptr<DriverChannel> make() { return std::make_unique<test::RecordingChannel>(); }
    static constexpr int kIdentity = 1;
    static constexpr int kMode = 1;
};

// The real-board channel over a fake sysfs folder: its window is plain memory, so it keeps what is
// stored and answers identification as the 64-cell member, like the recording fake.
struct FakeSysfs {
    static std::unique_ptr<DriverChannel> make() { return std::make_unique<test::FakeFolderChannel>(); }
    static constexpr int kIdentity = 1;
    static constexpr int kMode = 1;
};

template <int Cells, bool SmallSram = false> struct Emulated {
    static std::unique_ptr<DriverChannel> make() {
        EmulatorOptions options;
        options.cellsPerSide = Cells;
        options.smallSram = SmallSram;
        return makeEmulatedChannel(options);
    }
    // Only the 64- and 128-cell members answer identification for certain.
    static constexpr int kIdentity = Cells == 64 ? 1 : Cells == 128 ? 3 : 0;
    static constexpr int kMode = Cells == 48 ? 0 : Cells == 64 ? 1 : Cells == 96 ? 2 : 3;
};

template <typename Factory> class ChannelConformance : public ::testing::Test {
protected:
    void TearDown() override { selectDevice(1); }

    // An opened channel, initialised as BoardDriver would.
    std::unique_ptr<DriverChannel> opened() {
        auto channel = Factory::make();
        EXPECT_NE(channel, nullptr);
        if (!channel)
            return channel;
        EXPECT_TRUE(channel->available());
        EXPECT_TRUE(channel->open());
        return channel;
    }
};

using Channels = ::testing::Types<RecordingFake, FakeSysfs, Emulated<48>, Emulated<64>, Emulated<96>, Emulated<128>,
                                  Emulated<64, true>>;
TYPED_TEST_SUITE(ChannelConformance, Channels);

} // namespace

TYPED_TEST(ChannelConformance, ControlCodesAnswerAsTheOpenSequenceExpects) {
    auto channel = this->opened();
    ASSERT_NE(channel, nullptr);
    std::uint32_t n = 99;
    EXPECT_FALSE(channel->control(0, nullptr, 0, n)) << "a working driver reports failure for code 0";

    std::uint8_t window[4] = {};
    n = 0;
    channel->control(6, window, sizeof window, n);
    EXPECT_EQ(n, 4u);

    std::uint8_t pci[148] = {};
    n = 0;
    channel->control(5, pci, sizeof pci, n);
    EXPECT_EQ(n, 148u);
    EXPECT_EQ(pci[20] & 1, 1) << "the I/O base must carry the I/O-space bit";

    channel->control(4, nullptr, 0, n);
    channel->close();
}

TYPED_TEST(ChannelConformance, SramKeepsWhatIsStored) {
    BoardDriver board(TypeParam::make());
    ASSERT_EQ(board.error(), 0);
    const std::uint32_t offsets[] = {0, 4, 0x100, 0x1FFFC};
    for (std::uint32_t i = 0; i < 4; ++i) {
        const std::uint32_t v = 0xA5000000u | offsets[i];
        board.writeBlock(offsets[i], &v, 1);
    }
    for (std::uint32_t i = 0; i < 4; ++i) {
        std::uint32_t v = 0;
        board.readBlock(offsets[i], &v, 1);
        EXPECT_EQ(v, 0xA5000000u | offsets[i]) << std::hex << offsets[i];
    }
    const std::uint32_t block[3] = {7, 8, 9};
    board.writeBlock(0x2000, block, 3);
    std::uint32_t back[3] = {};
    board.readBlock(0x2000, back, 3);
    EXPECT_EQ(back[0], 7u);
    EXPECT_EQ(back[2], 9u);
}

TYPED_TEST(ChannelConformance, DeviceRegistersKeepWhatIsStored) {
    BoardDriver board(TypeParam::make());
    ASSERT_EQ(board.error(), 0);
    selectDevice(TypeParam::kMode);
    board.writeControl(0x2C);
    EXPECT_EQ(board.readControl() & 0xFFu, 0x2Cu);
    board.writeControl(0);
    EXPECT_EQ(board.readControl() & 0xFFu, 0u);
}

TYPED_TEST(ChannelConformance, AStoreSequenceIsItsStoresInOrder) {
    auto channel = this->opened();
    ASSERT_NE(channel, nullptr);
    std::uint32_t n = 0;
    channel->control(0, nullptr, 0, n);
    const std::uint32_t control = driver_protocol::kDeviceSpace + 4u * geometryOfMode(TypeParam::kMode).controlRegister;
    // A repeated offset keeps the later value; an unaligned SRAM offset and a device register mix in.
    const WindowStore stores[] = {{0x40, 1},      {0x44, 2},          {0x40, 3},    {0x49, 0xA1B2C3D4},
                                  {control, 0x2C}, {control, 0x24}, {0x1FFFC, 5}};
    channel->storeSequence(stores, std::size(stores));
    EXPECT_EQ(channel->load(0x40), 3u);
    EXPECT_EQ(channel->load(0x44), 2u);
    EXPECT_EQ(channel->load(0x49), 0xA1B2C3D4u);
    EXPECT_EQ(channel->load(0x1FFFC), 5u);
    EXPECT_EQ(channel->load(control) & 0xFFu, 0x24u);
    channel->storeSequence(nullptr, 0);
    EXPECT_EQ(channel->load(0x40), 3u) << "an empty sequence stores nothing";
}

TYPED_TEST(ChannelConformance, PortsAndStrayStoresAreTaken) {
    BoardDriver board(TypeParam::make());
    ASSERT_EQ(board.error(), 0);
    board.resetBoard();
    board.setControlByte(200);
    board.setPort24Flag(0);
    board.setBankControl(1);
    board.assertClear();
    for (int i = 0; i < 10; ++i)
        board.serialBit(i & 1);
    // A memory fill may run past the SRAM; the channel must survive it.
    board.fillSram(0x7FFFF0, 1, 8, 0);
    std::uint32_t v = 0;
    board.readBlock(0xFFFFFFF0u, &v, 1);
    board.writeDeviceWord(0x3FFFFF, 1);
    (void)board.readDeviceWord(0x3FFFFF);
    // The channel still answers as before: no error, and memory keeps what is written to it.
    EXPECT_EQ(board.error(), 0);
    const std::uint32_t word = 0x5AA5C33Cu;
    board.writeBlock(0x100, &word, 1);
    std::uint32_t back = 0;
    board.readBlock(0x100, &back, 1);
    EXPECT_EQ(back, word);
}

TYPED_TEST(ChannelConformance, BoardIdentifiesItselfAndItsSram) {
    BoardDriver board(TypeParam::make());
    ASSERT_EQ(board.error(), 0);
    board.resetBoard();
    board.setControlByte(200);
    board.setPort24Flag(0);
    const int identity = board.identifyBoard();
    if (TypeParam::kIdentity != 0)
        EXPECT_EQ(identity, TypeParam::kIdentity);
    else
        EXPECT_TRUE(identity == 1 || identity == 3 || identity == 0xFF) << identity;

    std::uint32_t before = 0;
    board.readBlock(0x28, &before, 1);
    const std::uint32_t size = board.measureSram();
    EXPECT_TRUE(size == BoardDriver::kSmallSram || size == BoardDriver::kLargeSram) << size;
    std::uint32_t after = 0;
    board.readBlock(0x28, &after, 1);
    EXPECT_EQ(before, after) << "the probe leaves the SRAM as it found it";
    EXPECT_EQ(board.setBusWidth(32), 0);
}
