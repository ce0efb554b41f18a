// The waveform view's paint of 32 lanes (16 one-bit, 16 sixteen-bit buses) in a 1600-pixel-wide wave
// area. Fit: 10 000 000 stamps per lane fed straight into the summary (the store stays empty, so no
// gigabytes of records are needed and nothing but the summary can be read). Zoomed: a store of real
// records, painted in its middle at a few stamps per pixel, where the view reads the records shown;
// two store lengths show that the cost follows the records shown and not the trace length.

#include "log_store_fixture.h"

#include "ui/views/wave/wave_view.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>

using namespace cellwatch;

namespace {

constexpr int kLanes = 32;
constexpr int kWaveWidth = 1600;

QApplication& application() {
    static int argc = 1;
    static char name[] = "bench_wave_view";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

struct Wave {
    LogStoreFixture fixture;
    std::unique_ptr<WaveView> view;
};

void addLanes(LogStoreFixture& f) {
    for (int i = 0; i < kLanes; ++i) {
        const bool bus = i % 2 == 1;
        f.addComponent("top.lane" + std::to_string(i), bus ? 16 : 1, 16);
    }
}

// Lane i's value at a stamp: bits toggle and buses count at periods from 1 to 32 stamps, so some
// lanes change in every pixel and some hold for a few.
std::int32_t valueOf(int lane, std::uint64_t stamp) {
    const std::uint64_t period = static_cast<std::uint64_t>(lane) + 1;
    const auto n = static_cast<std::int32_t>(stamp / period);
    return lane % 2 == 1 ? (n & 0xffff) : (n & 1);
}

std::unique_ptr<WaveView> makeView(CWizDoc& doc) {
    auto view = std::make_unique<WaveView>(doc);
    view->resize(0, WaveView::kRulerHeight + kLanes * WaveView::kLaneHeight);
    view->resize(view->waveLeft() + kWaveWidth, view->height());
    return view;
}

Wave& fitWave() {
    static std::unique_ptr<Wave> wave;
    if (wave)
        return *wave;
    application();
    wave = std::make_unique<Wave>();
    addLanes(wave->fixture);
    wave->view = makeView(wave->fixture.doc);
    WaveSummary& summary = wave->view->summary();
    // Takes the empty store's generation first, so that the paint's extend keeps what is fed below.
    summary.extend(wave->fixture.doc);
    const auto& lanes = wave->fixture.doc.traceList();
    constexpr std::uint64_t kStamps = 10'000'000;
    for (std::uint64_t stamp = 0; stamp < kStamps; ++stamp) {
        int i = 0;
        for (const TracedComponent& c : lanes)
            summary.add(c.handle, stamp, valueOf(i++, stamp), 0);
    }
    wave->view->zoomToFit();
    // The first paint combines the coarser summary levels; it is timed once here, not in the loop.
    QImage image(wave->view->size(), QImage::Format_RGB32);
    const auto t0 = std::chrono::steady_clock::now();
    wave->view->render(&image);
    const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    std::fprintf(stderr, "first fit paint (coarser levels combined): %.1f ms\n", ms);
    return *wave;
}

Wave& storeWave(std::uint32_t records) {
    static std::map<std::uint32_t, std::unique_ptr<Wave>> waves;
    auto& slot = waves[records];
    if (slot)
        return *slot;
    application();
    slot = std::make_unique<Wave>();
    LogStoreFixture& f = slot->fixture;
    addLanes(f);
    const auto& lanes = f.doc.traceList();
    const std::uint32_t stamps = records / kLanes;
    for (std::uint32_t stamp = 0; stamp < stamps; ++stamp) {
        int i = 0;
        for (const TracedComponent& c : lanes)
            f.sample(c, valueOf(i++, stamp), stamp * 10);
    }
    slot->view = makeView(f.doc);
    slot->view->summary().extend(f.doc); // built as a live run builds it, outside the timing
    return *slot;
}

void BM_FitPaint(benchmark::State& state) {
    Wave& wave = fitWave();
    WaveView& view = *wave.view;
    QImage image(view.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        view.render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
    state.counters["stamps_per_pixel"] = view.stampsPerPixel();
    state.counters["lanes"] = kLanes;
}

// range(0): records in the store; range(1): stamps per pixel.
void BM_ZoomedPaint(benchmark::State& state) {
    Wave& wave = storeWave(static_cast<std::uint32_t>(state.range(0)));
    WaveView& view = *wave.view;
    const auto scale = static_cast<double>(state.range(1));
    const double middle = static_cast<double>(view.summary().stampCount()) / 2;
    view.setView(middle, scale);
    QImage image(view.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        view.render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
    state.counters["stamps_shown"] = kWaveWidth * scale;
}

} // namespace

BENCHMARK(BM_FitPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZoomedPaint)
    ->Args({1'000'000, 1})
    ->Args({10'000'000, 1})
    ->Args({10'000'000, 8})
    ->Args({10'000'000, 32})
    ->Unit(benchmark::kMillisecond);
