// A batch run of the counter8 example: 1 000 000 cycles under REG 0/1 clocking with its eight bits
// and the software clock traced, ending with the log written. Reports cycles per second.

#include "app/cwiz_doc.h"
#include "batch/batch_host.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace cellwatch {
namespace {

constexpr int kCycles = 1000000;

std::string writeScript(const std::filesystem::path& folder) {
    const std::string examples = std::string(CELLWATCH_SOURCE_DIR) + "/examples/";
    const std::filesystem::path path = folder / "run.cmd";
    std::ofstream out(path, std::ios::binary);
    out << "|GRT_SYMBOL_TABLE \"" << examples << "counter8.sym\"\r\n"
        << "trace counter8\\q7 counter8\\q6 counter8\\q5 counter8\\q4 counter8\\q3 counter8\\q2 "
           "counter8\\q1 counter8\\q0 SOFTWARE_CLOCK\r\n"
        << "setclockreg counter8\\clk\r\nsetclockmode reg_out\r\n"
        << "loadcal \"" << examples << "counter8.cal\"\r\nclearall\r\n"
        << "cycle " << kCycles << "\r\n";
    return path.string();
}

void BM_BatchRunCounter8(benchmark::State& state) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "cellwatch_bench_run";
    std::filesystem::create_directories(folder);
    const std::string script = writeScript(folder);
    for (auto _ : state) {
        BatchHost host([](std::string_view) {}, [&folder] { return folder.string(); },
                       [] { return std::string("Mon Jan 01 00:00:00 2024"); });
        MemorySettings settings;
        CWizDoc doc(host, settings, "emulator");
        if (!doc.OpenSession(script) || !doc.UseOwnScript() || !doc.StartRun(RunMode::Batch)) {
            state.SkipWithError("the run did not start");
            break;
        }
        doc.RunCommands();
        while (host.timerActive())
            doc.OnRunTimer(1);
        if (host.exitCode() != 0 || doc.logWriteFailed()) {
            state.SkipWithError("the run did not end cleanly");
            break;
        }
    }
    state.counters["cycles/s"] = benchmark::Counter(
        static_cast<double>(kCycles) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    std::filesystem::remove_all(folder);
}

BENCHMARK(BM_BatchRunCounter8)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace cellwatch
