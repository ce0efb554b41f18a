// The emulated board as the driver protocol and the device operations see it: control codes, address
// decoding per member, column accesses, identification, SRAM sizing, reset, clear and the ports.

#include "window_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace cellwatch::test {
namespace {

TEST(EmulatedChannel, AnswersTheDriverProtocolLikeAWorkingDriver) {
    auto channel = makeEmulatedChannel(64);
    ASSERT_TRUE(channel->available());
    ASSERT_TRUE(channel->open());
    std::uint32_t returned = 99;
    EXPECT_FALSE(channel->control(0, nullptr, 0, returned));
    EXPECT_EQ(returned, 0u);

    std::uint8_t pci[148];
    std::memset(pci, 0xAA, sizeof pci);
    ASSERT_TRUE(channel->control(5, pci, sizeof pci, returned));
    EXPECT_EQ(returned, 148u);
    std::uint32_t memoryBase = 0;
    std::uint16_t ioBase = 0;
    std::memcpy(&memoryBase, pci + 16, 4);
    std::memcpy(&ioBase, pci + 20, 2);
    EXPECT_NE(memoryBase, 0u);
    EXPECT_EQ(ioBase & 1u, 1u);
    EXPECT_EQ(ioBase & ~1u, EmulatedBoard::kPortBase);

    std::uint32_t window = 0;
    ASSERT_TRUE(channel->control(6, &window, 4, returned));
    EXPECT_EQ(returned, 4u);
    EXPECT_NE(window, 0u);

    // A short buffer gets what fits and nothing beyond it.
    std::uint8_t shortBuffer[8] = {};
    std::uint8_t guard = 0x5A;
    ASSERT_TRUE(channel->control(5, shortBuffer, 4, returned));
    EXPECT_EQ(returned, 4u);
    EXPECT_EQ(shortBuffer[4], 0u);
    EXPECT_EQ(guard, 0x5A);

    EXPECT_TRUE(channel->control(4, nullptr, 0, returned));
    EXPECT_FALSE(channel->control(77, nullptr, 0, returned));
    channel->close();
}

TEST(EmulatedChannel, OtherChannelsHaveNoEmulatedBoard) {
    struct NullChannel : DriverChannel {
        bool available() const override { return false; }
        bool open() override { return false; }
        bool control(std::uint32_t, void*, std::uint32_t, std::uint32_t& r) override {
            r = 0;
            return false;
        }
        void close() override {}
        std::uint32_t load(std::uint32_t) override { return 0; }
        void store(std::uint32_t, std::uint32_t) override {}
        void portOut(std::uint16_t, std::uint32_t) override {}
    } other;
    EXPECT_EQ(emulatedBoardOf(other), nullptr);
    auto channel = makeEmulatedChannel(128);
    ASSERT_NE(emulatedBoardOf(*channel), nullptr);
    EXPECT_EQ(emulatedBoardOf(*channel)->cellsPerSide(), 128);
    EXPECT_EQ(emulatedBoardOf(*makeEmulatedChannel(50))->cellsPerSide(), 64);
}

class EveryMember : public ::testing::TestWithParam<int> {};

TEST_P(EveryMember, DecodesRegistersAndCellsWithItsOwnLayout) {
    WindowHost h(GetParam());
    EXPECT_EQ(h.g.cells, GetParam());

    h.write(h.g.controlRegister, 0x1FE);
    EXPECT_EQ(h.read(h.g.controlRegister), 0xFEu); // one byte wide
    EXPECT_EQ(h.board.busWidth(), 32);

    const int words = h.g.rowMaskBytes / 4;
    for (int i = 0; i < words; ++i)
        h.write(h.g.mapRegister + 4u * static_cast<std::uint32_t>(i),
                0x1000u + static_cast<std::uint32_t>(i));
    for (int i = 0; i < words; ++i)
        EXPECT_EQ(h.read(h.g.mapRegister + 4u * static_cast<std::uint32_t>(i)),
                  0x1000u + static_cast<std::uint32_t>(i));
    // The address after the map register's last word is not a map word.
    h.write(h.g.mapRegister + 4u * static_cast<std::uint32_t>(words), 0x77);
    EXPECT_EQ(h.read(h.g.mapRegister + 4u * static_cast<std::uint32_t>(words)), 0u);
    EXPECT_EQ(h.read(h.g.mapRegister + 1), 0u);

    for (int i = 0; i < h.g.idLength; ++i)
        h.write(h.g.idArea + static_cast<std::uint32_t>(i), 0x100u + static_cast<std::uint32_t>(i));
    EXPECT_EQ(h.read(h.g.idArea + 15), 0x0Fu);
    EXPECT_EQ(h.read(h.g.idArea + static_cast<std::uint32_t>(h.g.idLength)), 0u);

    // The last cell of the array, its state and its write-only configuration.
    const int last = h.g.cells - 1;
    h.setBus(8);
    h.write(h.cell(last, last), 1);
    EXPECT_TRUE(h.board.cellState(last, last));
    EXPECT_EQ(h.read(h.cell(last, last)), 1u);
    h.write(h.cell(last, last, 1), 0x12345);
    EXPECT_EQ(h.board.configWord(last, last, 1), 0x12345u);
    EXPECT_EQ(h.read(h.cell(last, last, 1)), 0u);

    // Beyond the member's address width, and mode-field addresses that are no register.
    const std::uint32_t beyond = 1u << h.g.addressBits;
    h.write(beyond | h.g.controlRegister, 0x55);
    EXPECT_EQ(h.read(beyond | h.g.controlRegister), 0u);
    EXPECT_EQ(h.read(h.g.controlRegister), 0xF2u); // the 8-bit bus set above
    EXPECT_EQ(h.read(h.g.controlRegister + 1), 0u);
    EXPECT_EQ(h.channel->load(0xFFFFFFFCu), 0u);
}

TEST_P(EveryMember, ColumnAccessFollowsTheMapRegisterOnThe32BitBus) {
    WindowHost h(GetParam());
    h.setBus(32);
    const int top = h.g.cells - 1;
    h.selectRows({1, 4, 5, top});
    h.write(h.cell(0, 7), 0b1011); // rows 1, 4 and top get 1, row 5 gets 0
    EXPECT_TRUE(h.board.cellState(1, 7));
    EXPECT_TRUE(h.board.cellState(4, 7));
    EXPECT_FALSE(h.board.cellState(5, 7));
    const bool topReachable = top < 32 * (h.g.rowMaskBytes / 4);
    EXPECT_EQ(h.board.cellState(top, 7), topReachable);
    EXPECT_FALSE(h.board.cellState(0, 7));
    EXPECT_FALSE(h.board.cellState(1, 6));

    h.selectRows({4, 5});
    EXPECT_EQ(h.read(h.cell(0, 7)), 0b01u);
    // The row field plays no part in a column access.
    EXPECT_EQ(h.read(h.cell(9, 7)), 0b01u);
}

INSTANTIATE_TEST_SUITE_P(Members, EveryMember, ::testing::Values(48, 64, 96, 128));

TEST(EmulatedBoard, ColumnAccessTakesAtMostTheBusWidthOfSelectedRows) {
    WindowHost h(128);
    h.setBus(32);
    h.write(h.g.mapRegister, 0);
    h.write(h.g.mapRegister + 4, 0);
    h.write(h.cell(0, 3), 0xFFFFFFFFu); // rows 0..63 selected: only 0..31 are written
    EXPECT_TRUE(h.board.cellState(31, 3));
    EXPECT_FALSE(h.board.cellState(32, 3));
    h.setBus(16);
    h.write(h.cell(0, 4), 0xFFFFFFFFu);
    EXPECT_TRUE(h.board.cellState(15, 4));
    EXPECT_FALSE(h.board.cellState(16, 4));
    EXPECT_EQ(h.read(h.cell(0, 3)), 0xFFFFu);
}

TEST(EmulatedBoard, MapsThatTakeTurnsSelectTheirOwnRowsEveryTime) {
    WindowHost h(128);
    h.setBus(32);
    for (int turn = 0; turn < 3; ++turn) {
        h.selectRows({0, 5, 31, 96, 127}); // the traced rows
        h.write(h.cell(0, 2), 0b10101u ^ static_cast<std::uint32_t>(turn & 1));
        h.selectRows({64}); // the clock register
        h.write(h.cell(0, 2), static_cast<std::uint32_t>(turn & 1));
        h.selectRows({0, 5, 31, 96, 127});
        EXPECT_EQ(h.read(h.cell(0, 2)), 0b10101u ^ static_cast<std::uint32_t>(turn & 1)) << turn;
        EXPECT_EQ(h.board.cellState(64, 2), (turn & 1) != 0) << turn;
    }
    // A map word changed and changed back before any access selects what it says.
    h.write(h.g.mapRegister, 0);
    h.write(h.g.mapRegister, ~1u);
    h.write(h.g.mapRegister + 12, ~0u);
    EXPECT_EQ(h.read(h.cell(0, 2)), 1u) << "row 0 only";
    h.port(0x10, 1); // a reset clears the map: every row is selected, the first 32 are reached
    h.setBus(32);
    h.write(h.cell(0, 2), 0xFFFFFFFFu);
    EXPECT_TRUE(h.board.cellState(31, 2));
    EXPECT_FALSE(h.board.cellState(32, 2));
}

TEST_P(EveryMember, AStoreSequenceActsAsItsStoresOneByOne) {
    // Two boards with a toggle register at (1, 3) clocked by cell (0, 3), and gates after it; one
    // takes each cycle's stores one by one, the other as sequences of every length.
    WindowHost single(GetParam());
    WindowHost sequenced(GetParam());
    const auto& g = single.g;
    const auto cellState = [&](int row, int column) {
        return driver_protocol::kDeviceSpace + 4u * single.cell(row, column);
    };
    const std::uint32_t control = driver_protocol::kDeviceSpace + 4u * g.controlRegister;
    const std::uint32_t map = driver_protocol::kDeviceSpace + 4u * g.mapRegister;
    std::vector<WindowStore> stores;
    const auto configure = [&](int row, int column, std::uint32_t a, std::uint32_t b, std::uint32_t f) {
        stores.push_back({driver_protocol::kDeviceSpace + 4u * single.cell(row, column, 0), a});
        stores.push_back({driver_protocol::kDeviceSpace + 4u * single.cell(row, column, 1), b});
        stores.push_back({driver_protocol::kDeviceSpace + 4u * single.cell(row, column, 2), f});
    };
    configure(1, 3, CellSource::cell(1, 3).encode(), 0x20000, 0x00300126); // q ^= 1 on (0, 3) rising
    configure(2, 3, CellSource::cell(1, 3).encode(), CellSource::cell(0, 3).encode(), 0x16); // q ^ clk
    for (int cycle = 0; cycle < 6; ++cycle) {
        for (std::uint32_t clock : {1u, 0u}) {
            stores.push_back({control, 0x08});
            stores.push_back({map, ~1u}); // row 0 only
            for (std::uint32_t w = 1; w < static_cast<std::uint32_t>(g.rowMaskBytes / 4); ++w)
                stores.push_back({map + 16u * w, ~0u});
            stores.push_back({cellState(0, 3), clock});
            stores.push_back({map, ~6u}); // rows 1 and 2
            stores.push_back({control, 0x04}); // the 16-bit bus reads the same two rows
        }
    }
    stores.push_back({0x100, 0xCAFE}); // SRAM in between
    stores.push_back({control, 0x00});
    stores.push_back({cellState(5, 7), 1}); // the 8-bit bus: one cell at the address row

    for (const WindowStore& s : stores)
        single.channel->store(s.byteOffset, s.value);
    for (std::size_t at = 0, length = 1; at < stores.size(); at += length, length = length % 7 + 1)
        sequenced.channel->storeSequence(stores.data() + at, std::min(length, stores.size() - at));

    for (int column : {3, 7})
        for (int row = 0; row < 8; ++row)
            EXPECT_EQ(sequenced.board.cellState(row, column), single.board.cellState(row, column)) << row << "," << column;
    EXPECT_TRUE(single.board.cellState(5, 7));
    EXPECT_EQ(sequenced.board.controlValue(), single.board.controlValue());
    EXPECT_EQ(sequenced.board.mapWord(0), single.board.mapWord(0));
    EXPECT_EQ(sequenced.channel->load(0x100), 0xCAFEu);
    EXPECT_EQ(sequenced.board.fabric().edgeCount(), single.board.fabric().edgeCount());
    EXPECT_EQ(single.board.fabric().edgeCount(), 6u);
}

TEST_P(EveryMember, AMappedColumnAccessActsAsItsAccessesOneByOne) {
    // The same toggle register and gate as above on two boards; one takes each mapped column access
    // through the channel's general sequence, the other in the board's one step. Besides the board
    // layer's own accesses, some the general sequence must still handle: the control register
    // elsewhere, map words out of order or too few, a control value of all ones.
    WindowHost single(GetParam());
    WindowHost direct(GetParam());
    const auto& g = single.g;
    for (WindowHost* h : {&single, &direct}) {
        h->configure(1, 3, CellSource::cell(1, 3).encode(), 0x20000, 0x00300126);
        h->configure(2, 3, CellSource::cell(1, 3).encode(), CellSource::cell(0, 3).encode(), 0x16);
        h->setBus(32);
    }
    const auto rows = [&](std::initializer_list<int> selected, int column, bool swapped = false,
                          std::uint32_t control = 0) {
        MappedColumnAccess a;
        a.control = control != 0 ? control : WindowHost::offsetOf(g.controlRegister);
        std::uint32_t words[4] = {~0u, ~0u, ~0u, ~0u};
        for (int r : selected)
            words[r / 32] &= ~(1u << (r % 32));
        a.mapWords = static_cast<std::uint32_t>(g.rowMaskBytes / 4);
        for (std::uint32_t i = 0; i < a.mapWords; ++i)
            a.map[i] = {WindowHost::offsetOf(g.mapRegister + 4u * i), words[i]};
        if (swapped && a.mapWords > 1)
            std::swap(a.map[0], a.map[1]);
        a.column = WindowHost::offsetOf(single.cell(0, column));
        return a;
    };
    const auto same = [&](const char* step) {
        EXPECT_EQ(direct.board.controlValue(), single.board.controlValue()) << step;
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(direct.board.mapWord(i), single.board.mapWord(i)) << step << " map word " << i;
        for (int row = 0; row < 4; ++row)
            EXPECT_EQ(direct.board.cellState(row, 3), single.board.cellState(row, 3)) << step << " row " << row;
        EXPECT_EQ(direct.board.fabric().edgeCount(), single.board.fabric().edgeCount()) << step;
    };
    for (int cycle = 0; cycle < 4; ++cycle) {
        for (std::uint32_t clock : {1u, 0u}) {
            const MappedColumnAccess clockRow = rows({0}, 3);
            single.channel->DriverChannel::storeMappedColumn(clockRow, clock);
            direct.channel->storeMappedColumn(clockRow, clock);
            same("clock write");
            const MappedColumnAccess reads = rows({1, 2}, 3, cycle % 2 == 1);
            EXPECT_EQ(direct.channel->loadMappedColumn(reads), single.channel->DriverChannel::loadMappedColumn(reads));
            same("read");
        }
    }
    for (WindowHost* h : {&single, &direct})
        h->write(g.controlRegister, 0xFF);
    const MappedColumnAccess allOnes = rows({0, 1}, 3);
    EXPECT_EQ(direct.channel->loadMappedColumn(allOnes), single.channel->DriverChannel::loadMappedColumn(allOnes));
    same("control of all ones");
    MappedColumnAccess elsewhere = rows({0}, 3, false, 0x100);
    elsewhere.mapWords = 1;
    single.channel->DriverChannel::storeMappedColumn(elsewhere, 1);
    direct.channel->storeMappedColumn(elsewhere, 1);
    same("control elsewhere");
    EXPECT_EQ(direct.channel->load(0x100), single.channel->load(0x100));
}

TEST(EmulatedBoard, The8BitBusReachesOneCellAtTheAddressRow) {
    WindowHost h(64);
    h.setBus(8);
    h.write(h.cell(9, 5), 0xFE); // only bit 0 counts
    EXPECT_FALSE(h.board.cellState(9, 5));
    h.write(h.cell(9, 5), 3);
    EXPECT_TRUE(h.board.cellState(9, 5));
    EXPECT_EQ(h.read(h.cell(9, 5)), 1u);
    EXPECT_EQ(h.read(h.cell(8, 5)), 0u);
    EXPECT_EQ(h.read(0x05C9), 1u); // the address word of mode 0, column 5, offset 3, row 9
}

TEST(EmulatedBoard, RowsBeyondTheMapWordsOfThe48CellMemberAreNeverSelected) {
    WindowHost h(48);
    h.setBus(32);
    h.write(h.g.mapRegister, 0xFFFFFFFEu); // row 0 only; rows 32-47 have no map bits
    h.write(h.cell(0, 2), 0xFFFFFFFFu);
    EXPECT_TRUE(h.board.cellState(0, 2));
    for (int r = 1; r < 48; ++r)
        EXPECT_FALSE(h.board.cellState(r, 2)) << r;
}

// identifyBoard of the board layer, written out at window level.
int identify(WindowHost& h) {
    const char* text = "Halvane LC3000 ";
    for (int mode : {1, 3}) {
        const DeviceGeometry& g = geometryOfMode(mode);
        const std::uint32_t c = h.read(g.controlRegister) & 0xFF;
        h.write(g.controlRegister, 0);
        for (int i = 0; i < 15; ++i)
            h.write(g.idArea + static_cast<std::uint32_t>(i), static_cast<std::uint8_t>(text[i]));
        h.write(g.idArea + 15, static_cast<std::uint32_t>(mode));
        h.write(g.controlRegister, c);
        const std::uint32_t c2 = h.read(g.controlRegister) & 0xFF;
        h.write(g.controlRegister, c2 & 0xF3);
        const std::uint32_t v = h.read(g.idArea + static_cast<std::uint32_t>(g.idLength) - 1);
        h.write(g.controlRegister, c2);
        if ((v & 0xFF) == static_cast<std::uint32_t>(mode))
            return mode;
    }
    return 0xFF;
}

TEST(EmulatedBoard, IdentificationAnswersAsTheLayoutTwins) {
    for (auto [cells, answer] : {std::pair{48, 1}, {64, 1}, {96, 3}, {128, 3}}) {
        WindowHost h(cells);
        h.port(0x10, 1);
        EXPECT_EQ(identify(h), answer) << cells;
    }
}

TEST(EmulatedBoard, AFailedIdentificationAttemptLeavesTheCellsAsStorage) {
    // On the 128-cell member the 64-cell layout's writes land in the configuration of column 96.
    WindowHost h(128);
    ASSERT_EQ(identify(h), 3);
    EXPECT_NE(h.board.configWord(48, 96, 0), 0u);
    h.setBus(32);
    h.selectRows({48, 63});
    h.write(h.cell(0, 96), 0b10);
    EXPECT_EQ(h.read(h.cell(0, 96)), 0b10u);
}

// measureSram of the board layer, written out at window level.
std::uint32_t measure(DriverChannel& ch) {
    const std::uint32_t saved42 = ch.load(42);
    const std::uint32_t savedHigh = ch.load(131114);
    ch.store(42, 0);
    ch.store(131114, 0xFFFFFFFFu);
    std::uint32_t size = 0x80000;
    if (ch.load(42) != 0)
        size = 0x20000;
    else
        ch.store(131114, savedHigh);
    ch.store(42, saved42);
    return size;
}

TEST(EmulatedBoard, SramSizesAreToldApartAndRestored) {
    WindowHost full(64);
    full.channel->store(40, 0x11223344);
    full.channel->store(44, 0x55667788);
    EXPECT_EQ(measure(*full.channel), 0x80000u);
    EXPECT_EQ(full.channel->load(40), 0x11223344u);
    EXPECT_EQ(full.channel->load(44), 0x55667788u);
    EXPECT_EQ(full.board.sramBytes(), 0x200000u);

    WindowHost small(64, true);
    EXPECT_EQ(measure(*small.channel), 0x20000u);
    EXPECT_EQ(small.board.sramBytes(), 0x20000u);
}

TEST(EmulatedBoard, SramIsLittleEndianBytesThatRepeatBelowTheDeviceWindow) {
    WindowHost small(64, true);
    small.channel->store(0x1FFFE, 0xAABBCCDDu); // wraps within the small part
    EXPECT_EQ(small.channel->load(0x1FFFE), 0xAABBCCDDu);
    EXPECT_EQ(small.channel->load(0), 0xAABBu);
    EXPECT_EQ(small.channel->load(0x20000), 0xAABBu);

    WindowHost full(64);
    const std::uint32_t words[3] = {1, 2, 3};
    full.channel->storeBlock(0x100, words, 3);
    std::uint32_t back[3] = {};
    full.channel->loadBlock(0x200100, back, 3);
    EXPECT_EQ(back[2], 3u);
    EXPECT_EQ(full.channel->load(0x101), 0x02000000u); // bytes 0x101..0x104: 00 00 00 02
    // A block running into the device window goes through the device for its upper words.
    std::uint32_t edge[2] = {};
    full.channel->loadBlock(0x7FFFFC, edge, 2);
    EXPECT_EQ(edge[1], 0u);
}

TEST(EmulatedBoard, ResetClearsConfigurationAndStateButNotSram) {
    WindowHost h(64);
    h.channel->store(0, 0xCAFE);
    h.configure(0, 1, 0x10001, 0, 0x00001012);
    h.setBus(8);
    h.write(h.cell(3, 2), 1);
    h.port(0x10, 1);
    EXPECT_EQ(h.board.configWord(0, 1, 0), 0u);
    EXPECT_EQ(h.board.configWord(0, 1, 2), 0u);
    EXPECT_FALSE(h.board.cellState(3, 2));
    EXPECT_EQ(h.read(h.g.controlRegister), 0u);
    EXPECT_EQ(h.channel->load(0), 0xCAFEu);
    EXPECT_EQ(h.board.resets(), 1);
}

TEST(EmulatedBoard, ClearLineZeroesStoredBitsAndCombinationalCellsFollow) {
    WindowHost h(64);
    h.setBus(8);
    // Cell (0,2) is NOT of storage cell (0,1).
    h.configure(0, 2, 0x10100, 0, 0x15);
    EXPECT_TRUE(h.board.cellState(0, 2));
    h.write(h.cell(0, 1), 1);
    h.write(h.cell(5, 1), 1);
    EXPECT_FALSE(h.board.cellState(0, 2));
    h.port(0x10, 2);
    EXPECT_FALSE(h.board.cellState(0, 1));
    EXPECT_FALSE(h.board.cellState(5, 1));
    EXPECT_TRUE(h.board.cellState(0, 2));
    EXPECT_EQ(h.board.clears(), 1);
    EXPECT_NE(h.board.configWord(0, 2, 2), 0u); // configuration stays
}

TEST(EmulatedBoard, PortsAreRecordedAndBankAndControlByteKept) {
    WindowHost h(64);
    h.port(0x24, 0x1C8);
    h.port(0x2c, 6);
    h.port(0x30, 9); // no port of this board: recorded, nothing else
    EXPECT_EQ(h.board.port24(), 0x1C8u);
    EXPECT_EQ(h.board.bankControl(), 2u);
    const auto history = h.board.portHistory();
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history[0].offset, 0x24);
    EXPECT_EQ(history[2].value, 9u);

    for (int i = 0; i < 5000; ++i)
        h.port(0x2c, static_cast<std::uint32_t>(i));
    const auto ring = h.board.portHistory();
    ASSERT_EQ(ring.size(), EmulatedBoard::kPortHistoryLimit);
    EXPECT_EQ(ring.back().value, 4999u);
    // Writes 3.. carry the values 0..; the oldest kept is write 5003 - limit.
    EXPECT_EQ(ring.front().value, 5003u - EmulatedBoard::kPortHistoryLimit - 3u);
    EXPECT_EQ(h.board.portWrites(), 5003u);
}

} // namespace
} // namespace cellwatch::test
