// The emulated board's hot paths: fabric steps of the 16-bit shift register (one REG 0/1 clock
// cycle through the window, and one bare edge), a clock cycle of the full-size workload of the
// 128-cell member (11 904 registers, 3 754 gates), and column reads and writes at the channel.

#include "board/emulator/emulated_channel.h"
#include "board/emulator/example_designs.h"
#include "board/emulator/workload128.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace cellwatch {
namespace {

struct Bench {
    explicit Bench(int cells = 64) : channel(makeEmulatedChannel(cells)) {}
    std::unique_ptr<DriverChannel> channel;
    EmulatedBoard& board = *emulatedBoardOf(*channel);
    const DeviceGeometry& g = board.geometry();

    void write(std::uint32_t a, std::uint32_t v) { channel->store(0x800000u + 4u * a, v); }
    std::uint32_t read(std::uint32_t a) { return channel->load(0x800000u + 4u * a); }
    std::uint32_t stateAddress(int column) const {
        return static_cast<std::uint32_t>(column) << g.columnShift | 3u << g.offsetShift;
    }

    // Loads a .cal text line by line, as the board layer does.
    void load(const std::string& cal) {
        const char* p = cal.c_str();
        while (*p) {
            const char* end = std::strchr(p, '\n');
            const std::string line(p, end ? static_cast<std::size_t>(end - p) : std::strlen(p));
            p = end ? end + 1 : p + line.size();
            if (line.empty() || line[0] == '#')
                continue;
            char* rest = nullptr;
            const auto address = static_cast<std::uint32_t>(std::strtoul(line.c_str(), &rest, 16));
            write(address, static_cast<std::uint32_t>(std::strtoul(rest, nullptr, 16)));
        }
        write(g.controlRegister, 0x08); // 32-bit bus
    }
    // writeMapRegister of the board layer: control read, 32-bit bus, map words, control restored.
    void map(std::uint32_t word0, std::uint32_t word1) {
        const std::uint32_t c = read(g.controlRegister);
        write(g.controlRegister, (c & 0xFB) | 8);
        write(g.mapRegister, word0);
        write(g.mapRegister + 4, word1);
        write(g.controlRegister, c);
    }
};

void BM_Shift16RegCycleThroughWindow(benchmark::State& state) {
    Bench b;
    b.load(exampleDesigns()[1].design.calText());
    std::uint32_t din = 0;
    for (auto _ : state) {
        b.map(~1u, ~0u); // din and clk are both row 0
        b.channel->store(0x800000u + 4u * b.stateAddress(2), din ^= 1u);
        b.channel->store(0x800000u + 4u * b.stateAddress(0), 1);
        b.channel->store(0x800000u + 4u * b.stateAddress(0), 0);
        b.map(~0xFFFFu, ~0u);
        benchmark::DoNotOptimize(b.channel->load(0x800000u + 4u * b.stateAddress(1)));
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("cycles: din write, clk 1/0, 16-bit read");
}
BENCHMARK(BM_Shift16RegCycleThroughWindow);

void BM_Shift16FabricEdge(benchmark::State& state) {
    Bench b;
    b.load(exampleDesigns()[1].design.calText());
    CellFabric& fabric = b.board.fabric();
    bool clk = false;
    for (auto _ : state) {
        clk = !clk;
        fabric.setState(0, 0, clk); // every second call is a rising edge
    }
    state.SetItemsProcessed(state.iterations() / 2);
    state.SetLabel("items: shift steps");
}
BENCHMARK(BM_Shift16FabricEdge);

// One clock cycle of the full-size workload (REG 0/1: the clock register written 1, then 0), the
// fabric alone.
void BM_Workload128FabricCycle(benchmark::State& state) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "cellwatch_bench_workload128";
    std::filesystem::create_directories(folder);
    Workload128Options options;
    options.checks = false;
    std::stringstream cal;
    if (writeWorkload128(folder.string(), options))
        cal << std::ifstream(folder / "workload128.cal").rdbuf();
    std::filesystem::remove_all(folder);
    if (cal.str().empty()) {
        state.SkipWithError("the design could not be written");
        return;
    }
    Bench b(128);
    b.load(cal.str());
    CellFabric& fabric = b.board.fabric();
    for (auto _ : state) {
        fabric.setState(0, 0, true);
        fabric.setState(0, 0, false);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("items: clock cycles");
}
BENCHMARK(BM_Workload128FabricCycle);

void BM_ColumnRead32(benchmark::State& state) {
    Bench b;
    b.map(0, ~0u); // rows 0..31 selected
    const std::uint32_t offset = 0x800000u + 4u * b.stateAddress(5);
    for (auto _ : state)
        benchmark::DoNotOptimize(b.channel->load(offset));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ColumnRead32);

void BM_ColumnWrite32(benchmark::State& state) {
    Bench b;
    b.map(0, ~0u);
    const std::uint32_t offset = 0x800000u + 4u * b.stateAddress(5);
    std::uint32_t v = 0;
    for (auto _ : state)
        b.channel->store(offset, v += 0x9E3779B9u);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ColumnWrite32);

void BM_MapThenColumnRead(benchmark::State& state) {
    Bench b;
    const std::uint32_t offset = 0x800000u + 4u * b.stateAddress(5);
    std::uint32_t m = 0;
    for (auto _ : state) {
        b.map(m ^= 0x0F0F0F0Fu, ~0u);
        benchmark::DoNotOptimize(b.channel->load(offset));
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("a read group as the run engine reads it");
}
BENCHMARK(BM_MapThenColumnRead);

} // namespace
} // namespace cellwatch
