// The full-size design of the 128-cell member on the fabric, against its behavioural model: every
// counter, LFSR and gate bit after every clock edge, under each clocking method a script can name,
// and after the configuration changes in the middle of a run (the fabric compiles it again).

#include "board/emulator/cell_fabric.h"
#include "board/emulator/workload128.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace cellwatch::test {
namespace {

constexpr int kCells = 128;

using Place = Workload128Cell;

Place stateCell(int s) { return Workload128Model::stateCell(s); }
Place gateCell(int j) { return Workload128Model::gateCell(j); }

// Writes the design's configuration words, as a CAL load on the 128-cell layout does.
void loadWorkload(CellFabric& fabric, ClockKind clock) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("cellwatch_fabric_workload_" + std::to_string(static_cast<int>(clock)));
    std::filesystem::create_directories(folder);
    Workload128Options options;
    options.method = clock == ClockKind::CellOutput ? "reg_out" : clock == ClockKind::ColumnRead ? "cbuf_read" : "cbuf_assign";
    options.cycles = 1;
    options.checks = false;
    ASSERT_TRUE(writeWorkload128(folder.string(), options));
    std::ifstream in(folder / "workload128.cal");
    std::string line;
    int words = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#' || line[0] == '\r')
            continue;
        std::istringstream fields(line);
        std::uint32_t address = 0;
        std::uint32_t value = 0;
        fields >> std::hex >> address >> value;
        fabric.writeConfig(static_cast<int>(address & 0x7F), static_cast<int>(address >> 9),
                           static_cast<int>((address >> 7) & 3), value);
        ++words;
    }
    std::filesystem::remove_all(folder);
    EXPECT_GT(words, 3 * 15000);
}

void writeBit(CellFabric& fabric, Place p, bool value) {
    const auto row = static_cast<std::uint8_t>(p.row);
    fabric.writeCells(p.column, &row, 1, value ? 1u : 0u);
}

// The script's assignments: every counter's start value and every LFSR's low word.
void assignStart(CellFabric& fabric) {
    for (int k = 0; k < Workload128Model::kCounters; ++k)
        for (int i = 0; i < 16; ++i)
            writeBit(fabric, stateCell(16 * k + i), (Workload128Model::counterStart(k) >> i) & 1u);
    for (int m = 0; m < Workload128Model::kLfsrs; ++m)
        for (int i = 0; i < 32; ++i)
            writeBit(fabric, stateCell(4096 + 128 * m + i), (Workload128Model::lfsrSeed(m) >> i) & 1u);
}

void clockEdge(CellFabric& fabric, ClockKind clock) {
    const std::uint8_t row = 0;
    switch (clock) {
    case ClockKind::CellOutput:
        fabric.setState(0, 0, true);
        fabric.setState(0, 0, false);
        break;
    case ClockKind::ColumnRead:
        (void)fabric.readCells(0, &row, 1);
        break;
    default:
        fabric.writeCells(0, &row, 1, 0);
        break;
    }
}

// Compares every state bit and every gate; gateFlip names a gate whose function the test turned
// from and into or (-1: none).
::testing::AssertionResult matchesModel(CellFabric& fabric, const Workload128Model& model, int gateFlip = -1) {
    for (int s = 0; s < Workload128Model::kStateBits; ++s) {
        const Place p = stateCell(s);
        if (fabric.state(p.row, p.column) != model.stateBit(s))
            return ::testing::AssertionFailure() << "state bit " << s << " at row " << p.row << " column " << p.column;
    }
    for (int j = 0; j < Workload128Model::kGates; ++j) {
        const Place p = gateCell(j);
        bool expected = model.gate(j);
        if (j == gateFlip)
            expected = model.stateBit(Workload128Model::gateInputA(j)) || model.stateBit(Workload128Model::gateInputB(j));
        if (fabric.state(p.row, p.column) != expected)
            return ::testing::AssertionFailure() << "gate " << j;
    }
    return ::testing::AssertionSuccess();
}

class FullSizeWorkload : public ::testing::TestWithParam<ClockKind> {};

TEST_P(FullSizeWorkload, EveryBitFollowsTheModelEdgeByEdge) {
    const ClockKind clock = GetParam();
    CellFabric fabric(kCells);
    loadWorkload(fabric, clock);
    assignStart(fabric);
    Workload128Model model;
    ASSERT_TRUE(matchesModel(fabric, model));
    const std::uint64_t edges = fabric.edgeCount();
    // Long enough for the low counter bits to carry through several of their chains.
    // Gates nothing in the fabric reads settle when the host reads them: a column read straight
    // after the edge, before any inspection, sees them settled.
    std::uint8_t gateRows[32];
    for (int r = 0; r < 32; ++r)
        gateRows[r] = static_cast<std::uint8_t>(r);
    for (int cycle = 1; cycle <= 70; ++cycle) {
        clockEdge(fabric, clock);
        model.clockEdge();
        ASSERT_EQ(fabric.readCells(gateCell(0).column, gateRows, 32), model.gateWord(0)) << "after edge " << cycle;
        ASSERT_TRUE(matchesModel(fabric, model)) << "after edge " << cycle;
    }
    EXPECT_EQ(fabric.edgeCount() - edges, 70u);
}

TEST_P(FullSizeWorkload, AConfigurationChangedMidRunTakesEffectAtTheNextAccess) {
    const ClockKind clock = GetParam();
    CellFabric fabric(kCells);
    loadWorkload(fabric, clock);
    assignStart(fabric);
    Workload128Model model;
    for (int cycle = 0; cycle < 5; ++cycle) {
        clockEdge(fabric, clock);
        model.clockEdge();
    }
    // Gate 0 is an and; its function word's table becomes or. Counter 0's top bit becomes plain
    // storage, which keeps its bit while the rest counts on.
    const Place gate = gateCell(0);
    fabric.writeConfig(gate.row, gate.column, 2, (fabric.configWord(gate.row, gate.column, 2) & ~0xFu) | truth::kOr);
    const Place top = stateCell(15);
    const bool held = fabric.state(top.row, top.column);
    fabric.writeConfig(top.row, top.column, 2, 0);
    for (int cycle = 0; cycle < 3; ++cycle) {
        clockEdge(fabric, clock);
        model.clockEdge();
    }
    EXPECT_EQ(fabric.state(top.row, top.column), held);
    // Every other bit still follows the model (counter 0's lower bits never reach its top bit here).
    EXPECT_EQ(model.stateBit(15), held);
    EXPECT_TRUE(matchesModel(fabric, model, 0));
}

INSTANTIATE_TEST_SUITE_P(Methods, FullSizeWorkload,
                         ::testing::Values(ClockKind::CellOutput, ClockKind::ColumnRead, ClockKind::ColumnAccess));

} // namespace
} // namespace cellwatch::test
