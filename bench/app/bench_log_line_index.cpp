// The result log's checkpoint index built from record 0, as the log view's first paint of a log
// loaded whole builds it: logs of 10 000 and 10 000 000 records (four traced components sampled
// every cycle, a log line every hundred cycles).

#include "log_store_fixture.h"

#include "app/log_line_index.h"

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

using namespace cellwatch;

namespace {

// One log per size, kept across runs: writing 10 M records takes longer than indexing them.
LogStoreFixture& logOf(std::uint32_t records) {
    static std::map<std::uint32_t, std::unique_ptr<LogStoreFixture>> logs;
    auto& slot = logs[records];
    if (slot)
        return *slot;
    slot = std::make_unique<LogStoreFixture>();
    LogStoreFixture& f = *slot;
    f.writeBenchLog(records);
    return f;
}

void BM_IndexWholeLog(benchmark::State& state) {
    LogStoreFixture& log = logOf(static_cast<std::uint32_t>(state.range(0)));
    for (auto _ : state) {
        LogLineIndex index;
        benchmark::DoNotOptimize(index.lineCount(log.doc));
    }
}

} // namespace

BENCHMARK(BM_IndexWholeLog)->Arg(10'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond)->Iterations(2);
