// The cell fabric as configured through the window: storage, gates, registers on each clock source,
// simultaneous edges, cascades and read-back polarity.

#include "window_host.h"

#include <gtest/gtest.h>

namespace cellwatch::test {
namespace {

std::uint32_t src(int row, int column) {
    return CellSource::cell(row, column).encode();
}
constexpr std::uint32_t kOne = 0x20000;

std::uint32_t reg(std::uint8_t table, ClockKind clock, int clockRow, int clockColumn, bool inverted = false) {
    CellConfig c;
    c.table = table;
    c.mode = CellMode::Registered;
    c.clock = clock;
    c.clockRow = clockRow;
    c.clockColumn = clockColumn;
    c.invertedReadBack = inverted;
    return c.functionWord();
}

std::uint32_t gate(std::uint8_t table) {
    return 0x10u | table;
}

// A 4-bit counter in column 1 clocked by the chosen source; carries in column 2.
void buildCounter(WindowHost& h, ClockKind clock) {
    h.configure(0, 1, src(0, 1), kOne, reg(truth::kXor, clock, 0, 0));
    h.configure(1, 1, src(1, 1), src(0, 1), reg(truth::kXor, clock, 0, 0));
    h.configure(2, 1, src(2, 1), src(2, 2), reg(truth::kXor, clock, 0, 0));
    h.configure(3, 1, src(3, 1), src(3, 2), reg(truth::kXor, clock, 0, 0));
    h.configure(2, 2, src(0, 1), src(1, 1), gate(truth::kAnd));
    h.configure(3, 2, src(2, 2), src(2, 1), gate(truth::kAnd));
}

std::uint32_t readRows(WindowHost& h, int column, std::initializer_list<int> rows) {
    h.selectRows(rows);
    return h.read(h.cell(0, column));
}

TEST(CellFabric, AnUnconfiguredBoardHoldsWhatIsAssigned) {
    WindowHost h(64);
    h.setBus(32);
    h.selectRows({0, 1, 2, 3});
    h.write(h.cell(0, 0), 0b1010);
    h.write(h.cell(0, 1), 0b0110);
    for (int i = 0; i < 3; ++i) {
        h.assignCell(0, 0, 1);
        h.assignCell(0, 0, 0);
    }
    h.port(0x10, 2 + 0); // the clear line clears storage too
    EXPECT_EQ(readRows(h, 0, {0, 1, 2, 3}), 0u);
    h.selectRows({0, 1, 2, 3});
    h.write(h.cell(0, 1), 0b0110);
    EXPECT_EQ(readRows(h, 1, {0, 1, 2, 3}), 0b0110u);
    EXPECT_EQ(readRows(h, 1, {0, 1, 2, 3}), 0b0110u); // reads change nothing
}

TEST(CellFabric, CounterCountsOnRisingEdgesOfTheClockRegister) {
    WindowHost h(64);
    buildCounter(h, ClockKind::CellOutput);
    h.setBus(32);
    for (std::uint32_t n = 1; n <= 20; ++n) {
        h.assignCell(0, 0, 1);
        EXPECT_EQ(readRows(h, 1, {0, 1, 2, 3}), n % 16) << n;
        h.assignCell(0, 0, 0); // the falling edge changes nothing
        EXPECT_EQ(readRows(h, 1, {0, 1, 2, 3}), n % 16) << n;
    }
    h.assignCell(0, 0, 0); // writing 0 again is no edge
    h.assignCell(0, 0, 1);
    h.assignCell(0, 0, 1); // nor is writing 1 over 1
    EXPECT_EQ(readRows(h, 1, {0, 1, 2, 3}), 5u);
}

TEST(CellFabric, AssignedRegisterValuesAreCountedOnFrom) {
    WindowHost h(64);
    buildCounter(h, ClockKind::CellOutput);
    h.setBus(32);
    h.selectRows({0, 1, 2, 3});
    h.write(h.cell(0, 1), 0b0111); // the carries settle from the written bits
    EXPECT_TRUE(h.board.cellState(3, 2));
    h.assignCell(0, 0, 1);
    EXPECT_EQ(readRows(h, 1, {0, 1, 2, 3}), 0b1000u);
}

TEST(CellFabric, ShiftRegisterRegistersMoveTogetherOnOneEdge) {
    WindowHost h(64);
    h.configure(0, 1, src(0, 2), 0, reg(truth::kA, ClockKind::CellOutput, 0, 0));
    for (int i = 1; i < 16; ++i)
        h.configure(i, 1, src(i - 1, 1), 0, reg(truth::kA, ClockKind::CellOutput, 0, 0));
    h.setBus(32);
    const int bits[] = {1, 0, 1, 1, 0, 0, 1};
    std::uint32_t expected = 0;
    for (int b : bits) {
        h.assignCell(0, 2, static_cast<std::uint32_t>(b));
        h.assignCell(0, 0, 1);
        h.assignCell(0, 0, 0);
        expected = ((expected << 1) | static_cast<std::uint32_t>(b)) & 0xFFFF;
    }
    h.selectRows({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
    EXPECT_EQ(h.read(h.cell(0, 1)), expected);
    EXPECT_EQ(h.board.fabric().edgeCount(), 7u);
}

TEST(CellFabric, XnorLfsrWalksAllFifteenStates) {
    WindowHost h(64);
    h.configure(0, 1, src(3, 1), src(2, 1), reg(truth::kXnor, ClockKind::CellOutput, 0, 0));
    for (int i = 1; i < 4; ++i)
        h.configure(i, 1, src(i - 1, 1), 0, reg(truth::kA, ClockKind::CellOutput, 0, 0));
    h.setBus(32);
    std::uint32_t model = 0;
    for (int n = 0; n < 15; ++n) {
        model = ((model << 1) & 0xF) | (((model >> 3) ^ (model >> 2) ^ 1u) & 1u);
        h.assignCell(0, 0, 1);
        h.assignCell(0, 0, 0);
        EXPECT_EQ(readRows(h, 1, {0, 1, 2, 3}), model) << n;
    }
    EXPECT_EQ(model, 0u); // period 15
}

TEST(CellFabric, ColumnReadStrobeClocksAfterTheReadIsTaken) {
    WindowHost h(64);
    buildCounter(h, ClockKind::ColumnRead);
    h.setBus(32);
    // Reads of other columns, and writes of the clock column, are no edge.
    EXPECT_EQ(readRows(h, 1, {0, 1, 2, 3}), 0u);
    h.assignCell(5, 0, 1);
    EXPECT_EQ(readRows(h, 1, {0, 1, 2, 3}), 0u);
    // A read of the clock column with no row selected still strobes; the read sees the value before it.
    h.write(h.g.mapRegister, ~0u);
    h.write(h.g.mapRegister + 4, ~0u);
    EXPECT_EQ(h.read(h.cell(0, 0)), 0u);
    EXPECT_EQ(readRows(h, 1, {0, 1, 2, 3}), 1u);
    h.setBus(8);
    h.read(h.cell(7, 0));
    h.setBus(32);
    EXPECT_EQ(readRows(h, 1, {0, 1, 2, 3}), 2u);
}

TEST(CellFabric, ColumnAccessStrobeClocksOnWritesButWrittenCellsKeepTheirValue) {
    WindowHost h(64);
    buildCounter(h, ClockKind::ColumnAccess);
    // A register in the clock column itself, loading constant 1 on the strobe.
    h.configure(9, 0, kOne, 0, reg(truth::kA, ClockKind::ColumnAccess, 0, 0));
    h.setBus(32);
    h.selectRows({9});
    h.write(h.cell(0, 0), 0); // the write wins over the edge for cell (9, 0)
    EXPECT_FALSE(h.board.cellState(9, 0));
    EXPECT_EQ(readRows(h, 1, {0, 1, 2, 3}), 1u);
    readRows(h, 0, {0});
    EXPECT_EQ(readRows(h, 1, {0, 1, 2, 3}), 2u);
    EXPECT_TRUE(h.board.cellState(9, 0));
}

TEST(CellFabric, RippleCounterCascadesThroughClockNets) {
    WindowHost h(64);
    // Stage i toggles on the rising edge of the inverted output of stage i-1, that is when stage i-1
    // falls: the stored bits count up, and their inverted read-back counts down from 15.
    h.configure(0, 1, src(0, 1), 0, reg(truth::kNotA, ClockKind::CellOutput, 0, 0, true));
    for (int i = 1; i < 4; ++i) {
        h.configure(i, 2, src(i - 1, 1), 0, gate(truth::kNotA));
        h.configure(i, 1, src(i, 1), 0, reg(truth::kNotA, ClockKind::CellOutput, i, 2, true));
    }
    h.setBus(32);
    for (std::uint32_t n = 1; n <= 17; ++n) {
        h.assignCell(0, 0, 1);
        h.assignCell(0, 0, 0);
        EXPECT_EQ(readRows(h, 1, {0, 1, 2, 3}), (15u - n % 16u) & 15u) << n;
        EXPECT_EQ(h.board.cellState(0, 1), (n & 1u) != 0);
        EXPECT_EQ(h.board.cellState(3, 1), (n & 8u) != 0);
    }
}

TEST(CellFabric, CombinationalLoopsAndSelfClockingDoNotHang) {
    // A ring of three inverters and a register clocked by its own output: the model settles each
    // change in one pass, so the outcome is the same on every board and reads do not move it.
    const auto loopsAfterTwoAssigns = [](WindowHost& h) {
        h.configure(0, 3, src(1, 3), 0, gate(truth::kNotA));
        h.configure(1, 3, src(2, 3), 0, gate(truth::kNotA));
        h.configure(2, 3, src(0, 3), 0, gate(truth::kNotA));
        h.configure(4, 3, src(4, 3), 0, reg(truth::kNotA, ClockKind::CellOutput, 4, 3));
        h.setBus(32);
        h.assignCell(4, 3, 1);
        h.assignCell(4, 3, 0);
        h.selectRows({0, 1, 2, 4});
        return h.read(h.cell(0, 3));
    };
    WindowHost first(64);
    WindowHost second(64);
    const std::uint32_t value = loopsAfterTwoAssigns(first);
    EXPECT_LT(value, 16u); // four rows selected, four bits
    EXPECT_EQ(loopsAfterTwoAssigns(second), value);
    EXPECT_EQ(first.read(first.cell(0, 3)), value);
    EXPECT_EQ(first.read(first.cell(0, 3)), value);
}

TEST(CellFabric, GatesFollowTheirInputsAndOverrideWritesWhileLoopsKeepTurning) {
    WindowHost h(64);
    h.configure(0, 2, src(0, 1), src(1, 1), gate(truth::kAnd));
    h.setBus(32);
    h.selectRows({0, 1});
    h.write(h.cell(0, 1), 0b11);
    EXPECT_TRUE(h.board.cellState(0, 2));
    h.assignCell(5, 1, 1); // not an input of the gate
    EXPECT_TRUE(h.board.cellState(0, 2));
    h.assignCell(0, 2, 0); // a gate written takes its function's value again
    EXPECT_TRUE(h.board.cellState(0, 2));
    h.assignCell(1, 1, 0);
    EXPECT_FALSE(h.board.cellState(0, 2));

    // A ring of three inverters has no settled state: every write, wherever it lands, turns it once.
    h.configure(0, 3, src(1, 3), 0, gate(truth::kNotA));
    h.configure(1, 3, src(2, 3), 0, gate(truth::kNotA));
    h.configure(2, 3, src(0, 3), 0, gate(truth::kNotA));
    h.selectRows({0, 1, 2});
    const std::uint32_t before = h.read(h.cell(0, 3));
    h.assignCell(9, 5, 1);
    h.selectRows({0, 1, 2});
    EXPECT_NE(h.read(h.cell(0, 3)), before);
}

TEST(CellFabric, InvertedReadBackAppliesToReadsOnly) {
    WindowHost h(64);
    h.configure(6, 4, 0, 0, 1u << 28); // storage read back inverted
    h.setBus(32);
    EXPECT_EQ(readRows(h, 4, {5, 6}), 0b10u);
    h.assignCell(6, 4, 1);
    EXPECT_TRUE(h.board.cellState(6, 4));
    EXPECT_EQ(readRows(h, 4, {6}), 0u);
    EXPECT_FALSE(h.board.cellReadBack(6, 4));
}

TEST(CellFabric, InputsOutsideTheArrayReadAsZero) {
    WindowHost h(48);
    h.configure(0, 1, src(60, 1), src(0, 200), gate(truth::kNor)); // both inputs are constant 0
    EXPECT_TRUE(h.board.cellState(0, 1));
    h.configure(1, 1, 0, 0,
                reg(truth::kOne, ClockKind::CellOutput, 50, 0)); // clock cell outside: never clocked
    h.setBus(32);
    h.assignCell(0, 0, 1);
    EXPECT_FALSE(h.board.cellState(1, 1));
}

TEST(CellConfig, EncodingRoundTripsAndReservedValuesStayHarmless) {
    CellConfig c;
    c.inputA = CellSource::cell(0x7F, 0x45);
    c.inputB = CellSource::one();
    c.table = truth::kNand;
    c.mode = CellMode::Registered;
    c.clock = ClockKind::ColumnAccess;
    c.clockRow = 3;
    c.clockColumn = 0x7E;
    c.invertedReadBack = true;
    EXPECT_EQ(c.functionWord(), 0x17E03327u);
    EXPECT_EQ(CellConfig::decode(c.inputA.encode(), c.inputB.encode(), c.functionWord()), c);
    EXPECT_EQ(c.inputA.encode(), 0x1457Fu);

    const CellConfig reserved = CellConfig::decode(0x30000, 0, 0x00000F70);
    EXPECT_EQ(reserved.mode, CellMode::Storage);
    EXPECT_EQ(reserved.clock, ClockKind::Global);
    EXPECT_EQ(reserved.inputA, CellSource::zero());
}

} // namespace
} // namespace cellwatch::test
