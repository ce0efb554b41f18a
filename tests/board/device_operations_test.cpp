// Control register, bus width, map register, columns, identification and the SRAM probe.
#include "board/board_driver.h"
#include "recording_channel.h"

#include <gtest/gtest.h>

#include <utility>

using namespace cellwatch;
using namespace cellwatch::test;

namespace {

constexpr std::uint32_t deviceOffset(std::uint32_t address) {
    return 0x800000u + 4u * address;
}

class DeviceOperationsTest : public ::testing::Test {
protected:
    DeviceOperationsTest() {
        auto channel = std::make_unique<RecordingChannel>(ChannelScript{}, &log);
        fake = channel.get();
        board = std::make_unique<BoardDriver>(std::move(channel));
        log.clear();
    }
    void TearDown() override { selectDevice(1); }

    // The device stores made so far, as (device address, value).
    std::vector<std::pair<std::uint32_t, std::uint32_t>> deviceStores() const {
        std::vector<std::pair<std::uint32_t, std::uint32_t>> out;
        for (const auto& e : log)
            if (e.kind == ChannelEvent::Store && e.where >= 0x800000u)
                out.emplace_back((e.where - 0x800000u) / 4u, e.value);
        return out;
    }

    std::vector<ChannelEvent> log;
    RecordingChannel* fake = nullptr;
    std::unique_ptr<BoardDriver> board;
};

using Stores = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

} // namespace

TEST_F(DeviceOperationsTest, WriteControlKeepsTheLowByteAndNeverWritesAllOnes) {
    board->writeControl(0xFF);
    board->writeControl(0x1FE);
    board->writeControl(0xFFFFFFFF);
    board->writeControl(0x12);
    EXPECT_EQ(deviceStores(), (Stores{{0xC000, 0}, {0xC000, 0xFE}, {0xC000, 0}, {0xC000, 0x12}}));
}

TEST_F(DeviceOperationsTest, BusWidthSetsBitsTwoAndThree) {
    fake->poke(deviceOffset(0xC000), 0xFF);
    EXPECT_EQ(board->setBusWidth(16), 0);
    fake->poke(deviceOffset(0xC000), 0x1FF);
    EXPECT_EQ(board->setBusWidth(32), 0);
    fake->poke(deviceOffset(0xC000), 0x0C);
    EXPECT_EQ(board->setBusWidth(8), 0);
    EXPECT_EQ(deviceStores(), (Stores{{0xC000, 0x77}, {0xC000, 0x7B}, {0xC000, 0x00}}));
}

TEST_F(DeviceOperationsTest, BadBusWidthWritesNothing) {
    EXPECT_EQ(board->setBusWidth(12), 6);
    EXPECT_EQ(board->setBusWidth(0), 6);
    EXPECT_TRUE(deviceStores().empty());
}

TEST_F(DeviceOperationsTest, MapRegisterIsWrittenOnTheWideBusAndControlRestored) {
    selectDevice(3);
    fake->poke(deviceOffset(0x30000), 0x35);
    RowMask mask;
    mask.makeFull();
    mask.clearRow(0);
    mask.clearRow(127);
    board->writeMapRegister(mask);
    EXPECT_EQ(deviceStores(), (Stores{{0x30000, 0x39},
                                      {0x30010, 0xFFFFFFFE},
                                      {0x30014, 0xFFFFFFFF},
                                      {0x30018, 0xFFFFFFFF},
                                      {0x3001C, 0x7FFFFFFF},
                                      {0x30000, 0x35}}));

    // The 64-cell member has two map words; a control read of all ones is restored as 0.
    selectDevice(1);
    fake->poke(deviceOffset(0xC000), 0xFFFFFFFF);
    log.clear();
    board->writeMapRegister(mask);
    EXPECT_EQ(deviceStores(), (Stores{{0xC000, 0xFB}, {0xC010, 0xFFFFFFFE}, {0xC014, 0xFFFFFFFF}, {0xC000, 0}}));
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front().kind, ChannelEvent::Load) << "the control value is read before any store";
}

TEST_F(DeviceOperationsTest, ColumnsUseOffsetThreeRowZero) {
    board->writeColumn(5, 0xABCD);
    EXPECT_EQ(deviceStores(), (Stores{{0x05C0, 0xABCD}}));
    EXPECT_EQ(board->readColumn(5), 0xABCDu);
    selectDevice(3);
    log.clear();
    board->writeColumn(127, 1);
    EXPECT_EQ(deviceStores(), (Stores{{0xFF80, 1}}));
}

TEST_F(DeviceOperationsTest, APreparedColumnAccessIsTheMapWriteThenTheColumnAccess) {
    // Every channel event of the prepared calls, as the separate calls make them, on both members;
    // an access prepared for another member is worked out again for the current one.
    for (int mode : {1, 3}) {
        selectDevice(mode);
        RowMask mask;
        mask.makeFull();
        mask.clearRow(2);
        mask.clearRow(mode == 3 ? 100 : 40);
        const ColumnAccess access = prepareColumnAccess(mask, 9);
        for (std::uint32_t control : {0x35u, 0xFFu}) {
            fake->poke(deviceOffset(geometryOfMode(mode).controlRegister), control);
            log.clear();
            board->writeMapRegister(mask);
            board->writeColumn(9, 0x5A);
            const std::uint32_t separateRead = (board->writeMapRegister(mask), board->readColumn(9));
            const std::vector<ChannelEvent> separate = log;
            fake->poke(deviceOffset(geometryOfMode(mode).controlRegister), control);
            log.clear();
            board->writeColumnRows(access, 0x5A);
            EXPECT_EQ(board->readColumnRows(access), separateRead);
            ASSERT_EQ(log.size(), separate.size()) << mode;
            for (std::size_t i = 0; i < log.size(); ++i) {
                EXPECT_EQ(log[i].kind, separate[i].kind) << mode << " event " << i;
                EXPECT_EQ(log[i].where, separate[i].where) << mode << " event " << i;
                EXPECT_EQ(log[i].value, separate[i].value) << mode << " event " << i;
            }
        }
    }
    // Prepared on the 128-cell member, used on the 64-cell one.
    RowMask row0;
    row0.makeFull();
    row0.clearRow(0);
    selectDevice(3);
    const ColumnAccess wide = prepareColumnAccess(row0, 17);
    selectDevice(1);
    log.clear();
    board->writeMapRegister(row0);
    board->writeColumn(17, 1);
    const Stores separate = deviceStores();
    log.clear();
    board->writeColumnRows(wide, 1);
    EXPECT_EQ(deviceStores(), separate);
}

TEST_F(DeviceOperationsTest, IdentificationWritesTheTextThenTheMarker) {
    fake->poke(deviceOffset(0xC000), 0x2C);
    board->writeIdentification(0x101);
    const Stores stores = deviceStores();
    ASSERT_EQ(stores.size(), 18u);
    EXPECT_EQ(stores.front(), (std::pair<std::uint32_t, std::uint32_t>{0xC000, 0}));
    const char* text = "Halvane LC3000 ";
    for (std::uint32_t i = 0; i < 15; ++i) {
        EXPECT_EQ(stores[1 + i].first, 0xC030 + i);
        EXPECT_EQ(stores[1 + i].second, static_cast<std::uint32_t>(text[i]));
    }
    EXPECT_EQ(stores[16], (std::pair<std::uint32_t, std::uint32_t>{0xC03F, 1}));
    EXPECT_EQ(stores[17], (std::pair<std::uint32_t, std::uint32_t>{0xC000, 0x2C}));
}

TEST_F(DeviceOperationsTest, ReadIdentificationUsesTheByteBus) {
    fake->poke(deviceOffset(0xC000), 0x2C);
    fake->poke(deviceOffset(0xC03F), 0x1203);
    EXPECT_EQ(board->readIdentification(), 3);
    EXPECT_EQ(deviceStores(), (Stores{{0xC000, 0x20}, {0xC000, 0x2C}}));
}

TEST_F(DeviceOperationsTest, IdentifyStopsAtTheSixtyFourCellMember) {
    EXPECT_EQ(board->identifyBoard(), 1);
    EXPECT_EQ(deviceMode(), 1);
    for (const auto& [address, value] : deviceStores())
        EXPECT_LT(address, 0x30000u) << "mode 3 must never be tried";
}

TEST_F(DeviceOperationsTest, IdentifyFallsBackToTheLargeMemberOrGivesUp) {
    // The 64-cell marker cannot be stored: the device answers only at the large member's addresses.
    fake->makeReadOnly(deviceOffset(0xC03F));
    EXPECT_EQ(board->identifyBoard(), 3);
    EXPECT_EQ(deviceMode(), 3);

    fake->poke(deviceOffset(0x3003F), 0);
    fake->makeReadOnly(deviceOffset(0x3003F));
    EXPECT_EQ(board->identifyBoard(), 0xFF);
    EXPECT_EQ(deviceMode(), 3) << "the last member tried stays current";
}

TEST_F(DeviceOperationsTest, SramProbeTellsTheSizesApartAndRestores) {
    fake->poke(42, 0x11111111);
    fake->poke(131114, 0x22222222);
    EXPECT_EQ(board->measureSram(), BoardDriver::kLargeSram);
    std::uint32_t low = 0;
    std::uint32_t high = 0;
    board->readBlock(42, &low, 1);
    board->readBlock(131114, &high, 1);
    EXPECT_EQ(low, 0x11111111u);
    EXPECT_EQ(high, 0x22222222u);
}

namespace {

// SRAM whose address lines stop at 128 KiB: the high probe lands on the low one.
class AliasingChannel final : public DriverChannel {
public:
    bool available() const override { return true; }
    bool open() override { return true; }
    bool control(std::uint32_t code, void* out, std::uint32_t outSize, std::uint32_t& n) override {
        n = 0;
        if (code == 5 && outSize >= 22) {
            static_cast<std::uint8_t*>(out)[20] = 1;
            static_cast<std::uint8_t*>(out)[21] = 0;
        }
        return code != 0;
    }
    void close() override {}
    std::uint32_t load(std::uint32_t offset) override { return m_words[offset % 0x20000]; }
    void store(std::uint32_t offset, std::uint32_t value) override { m_words[offset % 0x20000] = value; }
    void portOut(std::uint16_t, std::uint32_t) override {}
    std::map<std::uint32_t, std::uint32_t> m_words;
};

} // namespace

TEST(SramProbe, SmallSramAliasesAndKeepsTheLowWord) {
    auto channel = std::make_unique<AliasingChannel>();
    AliasingChannel* raw = channel.get();
    raw->m_words[42] = 0xCAFE;
    BoardDriver board(std::move(channel));
    ASSERT_EQ(board.error(), 0);
    EXPECT_EQ(board.measureSram(), BoardDriver::kSmallSram);
    EXPECT_EQ(raw->m_words[42], 0xCAFEu);
}
