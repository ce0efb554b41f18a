// Batch runs end to end in the process, as `cellwatch -run` does them: the counter8 example,
// 1 000 000 cycles under REG 0/1 clocking with its eight bits and the software clock traced, ending
// with the log written (and with the VCD too); and wide64, 64 traced cells of the 128-cell member in
// vectors of 32, 16, 8 and 8 bits, 1 000 000 cycles under each clocking method, log and VCD written;
// and the full-size workload of the 128-cell member, 100 000 cycles with 432 bits traced, log and VCD
// written. Reports cycles per second.

#include "app/cwiz_doc.h"
#include "batch/batch_host.h"
#include "bench_workloads.h"

#include <benchmark/benchmark.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>

namespace cellwatch {
namespace {

constexpr int kCycles = 1000000;

// The clocking methods a script can name (bufgp is reg_out under another name).
const std::array<const char*, 4> kMethods = {"reg_out", "cbuf_read", "cbuf_assign", "none"};

std::filesystem::path benchFolder() {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "cellwatch_bench_run";
    std::filesystem::create_directories(folder);
    return folder;
}

std::string writeScript(const std::filesystem::path& folder, const std::string& text) {
    const std::filesystem::path path = folder / "run.cmd";
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
}

void runBatch(benchmark::State& state, const std::filesystem::path& folder, const std::string& script,
              const std::string& board, bool vcd, int cycles = kCycles) {
    for (auto _ : state) {
        BatchHost host([](std::string_view) {}, [&folder] { return folder.string(); },
                       [] { return std::string("Mon Jan 01 00:00:00 2024"); });
        MemorySettings settings;
        CWizDoc doc(host, settings, board);
        if (vcd)
            doc.setBatchVcdPath((folder / "run.vcd").string());
        if (!doc.OpenSession(script) || !doc.UseOwnScript() || !doc.StartRun(RunMode::Batch)) {
            state.SkipWithError("the run did not start");
            break;
        }
        doc.RunCommands();
        while (host.timerActive())
            doc.OnRunTimer(1);
        if (host.exitCode() != 0 || doc.logWriteFailed() ||
            (vcd && doc.batchVcdOutcome() != BatchOutput::Written)) {
            state.SkipWithError("the run did not end cleanly");
            break;
        }
    }
    state.counters["cycles/s"] = benchmark::Counter(
        static_cast<double>(cycles) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    std::filesystem::remove_all(folder);
}

void BM_BatchRunCounter8(benchmark::State& state) {
    const std::filesystem::path folder = benchFolder();
    runBatch(state, folder, writeScript(folder, bench::counter8Script(kCycles)), "emulator", false);
}

void BM_BatchRunCounter8WithVcd(benchmark::State& state) {
    const std::filesystem::path folder = benchFolder();
    runBatch(state, folder, writeScript(folder, bench::counter8Script(kCycles)), "emulator", true);
}

void BM_BatchRunWide64WithVcd(benchmark::State& state) {
    const std::string method = kMethods[static_cast<std::size_t>(state.range(0))];
    state.SetLabel(method);
    const std::filesystem::path folder = benchFolder();
    const std::string script = bench::wide64Script(folder.string(), method, kCycles);
    if (script.empty()) {
        state.SkipWithError("the design could not be written");
        return;
    }
    runBatch(state, folder, writeScript(folder, script), "emulator:128", true);
}

void BM_BatchRunWorkload128WithVcd(benchmark::State& state) {
    constexpr int kFullSizeCycles = 100000;
    const std::filesystem::path folder = benchFolder();
    const std::string script = bench::workload128Script(folder.string(), kFullSizeCycles);
    if (script.empty()) {
        state.SkipWithError("the design could not be written");
        return;
    }
    runBatch(state, folder, writeScript(folder, script), "emulator:128", true, kFullSizeCycles);
}

BENCHMARK(BM_BatchRunCounter8)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BatchRunCounter8WithVcd)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BatchRunWide64WithVcd)->DenseRange(0, static_cast<int>(kMethods.size()) - 1)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BatchRunWorkload128WithVcd)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace cellwatch
