// Column reads and writes through BoardDriver: the board side of every traced cycle.
#include "board/board_driver.h"

#include "board/emulator/emulated_channel.h"
#include "board/emulator/example_designs.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

using namespace cellwatch;

namespace {

std::unique_ptr<DriverChannel> makeChannel(int cells) {
    return makeEmulatedChannel(cells);
}

int modeOf(int cells) {
    return cells == 48 ? 0 : cells == 64 ? 1 : cells == 96 ? 2 : 3;
}

void BM_WriteColumns(benchmark::State& state) {
    const int cells = static_cast<int>(state.range(0));
    BoardDriver board(makeChannel(cells));
    selectDevice(modeOf(cells));
    std::uint32_t value = 0;
    for (auto _ : state) {
        for (int c = 0; c < cells; ++c)
            board.writeColumn(c, value++);
    }
    state.SetItemsProcessed(state.iterations() * cells);
    selectDevice(1);
}
BENCHMARK(BM_WriteColumns)->Arg(64)->Arg(128);

void BM_ReadColumns(benchmark::State& state) {
    const int cells = static_cast<int>(state.range(0));
    BoardDriver board(makeChannel(cells));
    selectDevice(modeOf(cells));
    for (auto _ : state) {
        std::uint32_t sum = 0;
        for (int c = 0; c < cells; ++c)
            sum += board.readColumn(c);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * cells);
    selectDevice(1);
}
BENCHMARK(BM_ReadColumns)->Arg(64)->Arg(128);

// One column driven as the cycle step does: map register with the addressed rows open, the column
// written, then read back.
void BM_MappedColumnWriteRead(benchmark::State& state) {
    const int cells = static_cast<int>(state.range(0));
    BoardDriver board(makeChannel(cells));
    selectDevice(modeOf(cells));
    RowMask mask;
    mask.makeFull();
    for (int r = 0; r < 8; ++r)
        mask.clearRow(r);
    int column = 0;
    for (auto _ : state) {
        board.writeMapRegister(mask);
        board.writeColumn(column, 0xA5);
        benchmark::DoNotOptimize(board.readColumn(column));
        column = (column + 1) % cells;
    }
    state.SetItemsProcessed(state.iterations());
    selectDevice(1);
}
BENCHMARK(BM_MappedColumnWriteRead)->Arg(64)->Arg(128);

// One REG 0/1 cycle of the counter8 example as the run engine makes it: the clock register written
// 1 then 0, each behind its map, and the eight bits read back as one group (18 board accesses).
void BM_Counter8RegOutCycle(benchmark::State& state) {
    BoardDriver board(makeEmulatedChannel(64));
    selectDevice(1);
    const std::vector<ExampleDesign> examples = exampleDesigns();
    const auto counter8 = std::find_if(examples.begin(), examples.end(),
                                       [](const ExampleDesign& e) { return e.name == "counter8"; });
    if (counter8 == examples.end() || board.loadConfigurationText(counter8->design.calText()) != 0) {
        state.SkipWithError("counter8 did not load");
        return;
    }
    board.setBusWidth(32);
    RowMask clock;
    clock.makeFull();
    clock.clearRow(0);
    RowMask bits;
    bits.makeFull();
    for (int r = 0; r < 8; ++r)
        bits.clearRow(r);
    // Prepared once, as the session's read groups and assignment batches are.
    const ColumnAccess clockColumn = prepareColumnAccess(clock, 0);
    const ColumnAccess bitsColumn = prepareColumnAccess(bits, 1);
    for (auto _ : state) {
        board.writeColumnRows(clockColumn, 1);
        board.writeColumnRows(clockColumn, 0);
        benchmark::DoNotOptimize(board.readColumnRows(bitsColumn));
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("items: cycles");
}
BENCHMARK(BM_Counter8RegOutCycle);

} // namespace
