// The result log view's paint: the last page and a middle page of logs of 10 000 and 10 000 000
// records (four traced components sampled every cycle, a log line every hundred cycles). The
// checkpoint index is built before the timing starts, as a live run builds it while it goes (its
// build from record 0 is timed with the session, in bench/app/bench_log_line_index.cpp).

#include "log_store_fixture.h"

#include "ui/views/log/report_view.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <map>

using namespace cellwatch;

namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "bench_report_view";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

struct Log {
    LogStoreFixture fixture;
    CReportView* view = nullptr;
    std::unique_ptr<CReportView> owner;
};

// One log per size, kept across benchmarks: writing 10 M records takes longer than timing them.
Log& logOf(std::uint32_t records) {
    static std::map<std::uint32_t, std::unique_ptr<Log>> logs;
    auto& slot = logs[records];
    if (slot)
        return *slot;
    application();
    slot = std::make_unique<Log>();
    LogStoreFixture& f = slot->fixture;
    f.writeBenchLog(records);
    slot->owner = std::make_unique<CReportView>(f.doc);
    slot->view = slot->owner.get();
    slot->view->resize(1000, 800);
    slot->view->refresh(true);
    slot->view->lineIndex().lineCount(f.doc); // the index catches up outside the timing
    return *slot;
}

void paintAt(benchmark::State& state, bool last) {
    Log& log = logOf(static_cast<std::uint32_t>(state.range(0)));
    CReportView& view = *log.view;
    const std::uint64_t lines = view.lineIndex().lineCount(log.fixture.doc);
    view.verticalScrollBar()->setValue(last ? view.verticalScrollBar()->maximum()
                                            : static_cast<int>(lines / 2 / LogLineIndex::kSpacing * LogLineIndex::kSpacing +
                                                                               LogLineIndex::kSpacing - 1));
    QImage image(view.viewport()->size(), QImage::Format_RGB32);
    for (auto _ : state) {
        view.viewport()->render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
    state.counters["lines"] = static_cast<double>(lines);
}

void BM_PaintLastPage(benchmark::State& state) {
    paintAt(state, true);
}
void BM_PaintMiddlePage(benchmark::State& state) {
    // The page furthest from its checkpoint: the walk's worst case.
    paintAt(state, false);
}

} // namespace

BENCHMARK(BM_PaintLastPage)->Arg(10'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintMiddlePage)->Arg(10'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);
