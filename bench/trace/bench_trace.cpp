// Trace store and VCD writer throughput: appends that spill to the cache file (next to a plain
// sequential write of the same bytes), sequential reads back, and VCD text generation.

#include "trace/trace_store.h"
#include "trace/vcd_writer.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace cellwatch;

namespace {

constexpr std::uint32_t kRecords = 50'000'000;

// A private folder under /tmp (or $CELLWATCH_BENCH_DIR), removed when the program ends.
const std::string& benchFolder() {
    static struct Folder {
        std::string path;
        Folder() {
            const char* base = std::getenv("CELLWATCH_BENCH_DIR");
            std::string tmpl = std::string(base ? base : "/tmp") + "/cellwatch-bench-XXXXXX";
            if (::mkdtemp(tmpl.data()))
                path = tmpl;
        }
        ~Folder() {
            if (!path.empty())
                ::rmdir(path.c_str());
        }
    } folder;
    return folder.path;
}

TraceRecord recordFor(std::uint32_t i) {
    return TraceRecord{i % 32 + 1, static_cast<std::int32_t>(i * 2654435761u), i / 32 * 10, kNoTraceHandle};
}

double peakRssMiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// 1 000 000 cycles of 32 traced values of mixed widths, as the trace conversion feeds them.
// Arg 0 writes into the bench folder on disk (the commit's flush waits for the disk); arg 1 into
// /dev/shm, where the flush is free, which measures the text generation itself.
void BM_VcdWrite(benchmark::State& state) {
    const std::uint16_t widths[32] = {1,  1,  1,  1,  2,  3,  4,  4,  5,  6,  7,  8,  8,  8,  10, 12,
                                      12, 16, 16, 16, 16, 20, 24, 24, 28, 31, 32, 32, 32, 32, 1,  8};
    const std::string path = (state.range(0) ? std::string("/dev/shm") : benchFolder()) +
                             "/cellwatch-bench-" + std::to_string(::getpid()) + ".vcd";
    std::int64_t bytes = 0;
    for (auto _ : state) {
        VcdWriter w(path, "Mon Jun 01 09:30:00 1998");
        w.setTimescale(10, 1);
        for (int v = 0; v < 32; ++v)
            w.addVariable("top\\unit\\signal_" + std::to_string(v), 4, widths[v], v % 3 ? 16 : 2, "0");
        std::uint32_t last[32];
        bool seen[32] = {};
        std::uint32_t seed = 12345;
        for (std::uint32_t cycle = 0; cycle < 1'000'000; ++cycle) {
            w.setTime(cycle * 10);
            for (int v = 0; v < 32; ++v) {
                seed = seed * 1664525u + 1013904223u;
                const std::uint32_t mask = widths[v] == 32 ? ~0u : (1u << widths[v]) - 1;
                // Most values move every cycle; a quarter hold still, as real designs do.
                const std::uint32_t value =
                    (seed >> 30) == 0 && seen[v] ? last[v] : (seed ^ (seed >> 13)) & mask;
                if (!seen[v] || value != last[v]) {
                    seen[v] = true;
                    last[v] = value;
                    w.addChange(v, value);
                }
            }
        }
        w.setTime(10'000'000);
        if (!w.write())
            state.SkipWithError("VCD write failed");
        struct stat st {};
        ::stat(path.c_str(), &st);
        bytes += st.st_size;
        std::remove(path.c_str());
    }
    state.SetBytesProcessed(bytes);
    state.counters["peak_rss_MiB"] = peakRssMiB();
}
BENCHMARK(BM_VcdWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The reference: the same number of bytes written sequentially in large blocks, no store involved.
void BM_PlainSequentialWrite(benchmark::State& state) {
    const std::string path = benchFolder() + "/plain.dat";
    std::vector<TraceRecord> chunk(65536);
    for (std::uint32_t i = 0; i < chunk.size(); ++i)
        chunk[i] = recordFor(i);
    const std::size_t total = std::size_t{kRecords} * sizeof(TraceRecord);
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        std::size_t done = 0;
        while (done < total) {
            const std::size_t n = std::min(total - done, chunk.size() * sizeof(TraceRecord));
            if (::write(fd, chunk.data(), n) != static_cast<ssize_t>(n)) {
                state.SkipWithError("write failed");
                break;
            }
            done += n;
        }
        ::close(fd);
        state.PauseTiming();
        std::remove(path.c_str());
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(total) * state.iterations());
}
BENCHMARK(BM_PlainSequentialWrite)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// 50 million appends: all but the last 200 blocks end up in the cache file.
void BM_Append(benchmark::State& state) {
    std::int64_t written = 0;
    for (auto _ : state) {
        auto store = std::make_unique<TraceStore>(benchFolder());
        for (std::uint32_t i = 0; i < kRecords; ++i)
            if (!store->append(recordFor(i))) {
                state.SkipWithError("append failed");
                break;
            }
        written += static_cast<std::int64_t>(store->writtenBlocks() * TraceStore::kBlockBytes);
        state.PauseTiming(); // the store's destruction unlinks the file; not part of appending
        store.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(std::int64_t{kRecords} * state.iterations());
    state.SetBytesProcessed(written); // the cache file's write rate
}
BENCHMARK(BM_Append)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Sequential get of 50 million records, after one warm pass so that the blocks are in the page cache.
void BM_GetSequential(benchmark::State& state) {
    TraceStore store(benchFolder());
    for (std::uint32_t i = 0; i < kRecords; ++i)
        store.append(recordFor(i));
    TraceRecord r;
    for (std::uint32_t i = 0; store.get(i, r); ++i)
        benchmark::DoNotOptimize(r);
    for (auto _ : state) {
        std::uint64_t sum = 0;
        std::uint32_t i = 0;
        for (; store.get(i, r); ++i)
            sum += r.time;
        benchmark::DoNotOptimize(sum);
        if (i != kRecords)
            state.SkipWithError("short read");
    }
    state.SetItemsProcessed(std::int64_t{kRecords} * state.iterations());
    state.counters["peak_rss_MiB"] = peakRssMiB();
}
BENCHMARK(BM_GetSequential)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace
