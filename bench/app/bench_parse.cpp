// Parsing a long generated script on the counter8 example design: the whole parse pass, from
// emptying the session to the summary line.

#include "app/cwiz_doc.h"
#include "batch/batch_host.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace cellwatch {
namespace {

// 20 000 lines: the example's sections, then a mix of the commands a long test script repeats.
std::string writeScript(const std::filesystem::path& folder) {
    const std::string examples = std::string(CELLWATCH_SOURCE_DIR) + "/examples/";
    const std::filesystem::path path = folder / "long.cmd";
    std::ofstream out(path, std::ios::binary);
    out << "|GRT_SYMBOL_TABLE \"" << examples << "counter8.sym\"\r\n\r\n"
        << "|GRT_VECTOR_BEGIN\r\nvector count counter8\\q7 counter8\\q6 counter8\\q5 counter8\\q4 "
           "counter8\\q3 counter8\\q2 counter8\\q1 counter8\\q0\r\n|GRT_VECTOR_END\r\n\r\n"
        << "|GRT_TRACE_BEGIN\r\ntrace count\r\ntrace counter8\\carry2\r\n|GRT_TRACE_END\r\n"
        << "setclockreg counter8\\clk\r\nsetclockmode reg_out\r\n";
    const char* body[] = {
        "assign count 1010\\b | drive the counter",
        "cycle 10",
        "check count 0a\\h",
        "echo \"step done\"",
        "| a comment line",
        "",
        "traceoff",
        "traceon",
    };
    for (int i = 0; i < 20000 - 12; ++i)
        out << body[i % 8] << "\r\n";
    return path.string();
}

void BM_ParseScript(benchmark::State& state) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "cellwatch_bench_parse";
    std::filesystem::create_directories(folder);
    const std::string script = writeScript(folder);
    BatchHost host([](std::string_view) {}, [&folder] { return folder.string(); },
                   [] { return std::string("Mon Jan 01 00:00:00 2024"); });
    MemorySettings settings;
    CWizDoc doc(host, settings, "emulator");
    if (!doc.OpenSession(script) || !doc.UseOwnScript()) {
        state.SkipWithError("cannot open the generated script");
        return;
    }
    for (auto _ : state) {
        const bool ok = doc.ParseScript();
        benchmark::DoNotOptimize(ok);
    }
    state.counters["commands"] = static_cast<double>(doc.commandList().size());
    state.counters["errors"] = doc.errorCount();
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ParseScript)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace cellwatch
