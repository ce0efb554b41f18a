// Loading a large design: a 50 000-record symbol table for the 128-cell member, with four-level
// hierarchical names, read from memory and turned into the design tree.
#include "design/design_tree.h"
#include "design/device_geometry.h"
#include "design/symbol_table.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <memory>
#include <string>

using namespace cellwatch;

namespace {

constexpr int kRecords = 50000;

void appendNumber(std::string& out, int value) {
    char buf[16];
    out.append(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
}

// 8 blocks x 25 units x 250 registers; every cell of the array is used about three times over.
const std::string& generatedTable() {
    static const std::string text = [] {
        std::string out;
        out.reserve(static_cast<std::size_t>(kRecords) * 64);
        out += "# generated design for the 128-cell member\n";
        for (int i = 0; i < kRecords; ++i) {
            out += i % 3 == 0 ? "S top\\blk" : "S Top\\BLK";
            appendNumber(out, i / 6250);
            out += "\\unit";
            appendNumber(out, i / 250 % 25);
            out += "\\reg";
            appendNumber(out, i % 250);
            out += i % 5 == 0 ? " 1 top\\d 0 " : " 0 0 ";
            appendNumber(out, i % 128);
            out += ' ';
            appendNumber(out, i / 128 % 128);
            out += i % 7 == 0 ? " W C\n" : " R S!\n";
        }
        return out;
    }();
    return text;
}

void loadSymbols(benchmark::State& state) {
    selectDevice(3);
    const std::string& text = generatedTable();
    for (auto _ : state) {
        auto table = std::make_unique<SymbolTable>();
        benchmark::DoNotOptimize(table->loadFromBuffer(text));
        state.PauseTiming(); // closing the design is not part of opening it
        table.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
    selectDevice(1);
}
BENCHMARK(loadSymbols)->Unit(benchmark::kMillisecond);

void buildTree(benchmark::State& state) {
    selectDevice(3);
    SymbolTable table;
    if (!table.loadFromBuffer(generatedTable()))
        state.SkipWithError("generated table did not load");
    for (auto _ : state) {
        auto tree = std::make_unique<DesignTree>(&table);
        tree->buildFromSymbols();
        benchmark::DoNotOptimize(tree->count());
        state.PauseTiming();
        tree.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
    selectDevice(1);
}
BENCHMARK(buildTree)->Unit(benchmark::kMillisecond);

// What opening a design costs: the load and the tree together.
void loadAndBuild(benchmark::State& state) {
    selectDevice(3);
    const std::string& text = generatedTable();
    for (auto _ : state) {
        auto table = std::make_unique<SymbolTable>();
        table->loadFromBuffer(text);
        auto tree = std::make_unique<DesignTree>(table.get());
        tree->buildFromSymbols();
        benchmark::DoNotOptimize(tree->count());
        state.PauseTiming();
        tree.reset();
        table.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
    selectDevice(1);
}
BENCHMARK(loadAndBuild)->Unit(benchmark::kMillisecond);

} // namespace
