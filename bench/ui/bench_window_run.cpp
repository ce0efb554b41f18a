// A run in the window beside the same run unattended, on the same machine: counter8 with a million
// cycles appended, F5 in the window on the offscreen platform until the run is idle, against the
// batch path that `cellwatch -run` takes. Prints the two times and their ratio (the window should
// stay within 1.5 times the batch run), and the longest any event handler of the window blocked,
// there and on the 100 000-cycle run of the window tests.

#include "timing_application.h"

#include "app/cwiz_doc.h"
#include "batch/batch_host.h"
#include "batch/batch_run.h"
#include "platform/qt_settings.h"
#include "platform/temp_folder.h"
#include "ui/shell/cwiz_app.h"
#include "ui/shell/main_frame.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

using namespace cellwatch;

namespace {

TimingApplication& application() {
    static int argc = 1;
    static char name[] = "bench_window_run";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static TimingApplication app(argc, argv);
    return app;
}

// The examples in a folder of their own, counter8's script with lines appended.
struct Folder {
    explicit Folder(const char* appended) {
        const QDir examples(QStringLiteral(CELLWATCH_SOURCE_DIR "/examples"));
        for (const QString& name : examples.entryList(QDir::Files))
            QFile::copy(examples.filePath(name), dir.filePath(name));
        QFile script(dir.filePath(QStringLiteral("counter8.cmd")));
        if (script.open(QIODevice::Append))
            script.write(appended);
    }
    std::string path(const char* name) const { return dir.filePath(QString::fromLatin1(name)).toStdString(); }
    QTemporaryDir dir;
};

double batchSeconds(const Folder& folder) {
    QtSettings settings(folder.path("batch-settings.ini"));
    TempFolder temp(folder.path("batch-cache"));
    temp.prepare();
    BatchHost host([](std::string_view) {}, [&temp] { return temp.path(); },
                   [] { return std::string("Mon Jan 01 00:00:00 2024"); });
    BatchOptions options;
    options.commandFile = folder.path("counter8.cmd");
    options.logFile = folder.path("batch.log");
    QElapsedTimer clock;
    clock.start();
    const int status = runBatch(options, host, settings);
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    return status == kBatchPassed ? seconds : -1.0;
}

struct WindowRun {
    double seconds = -1.0;
    qint64 longestMs = 0;
    qint64 events = 0;
};

// F5 as the user gives it, then the event loop runs until the run is idle.
WindowRun windowRun(const Folder& folder, const char* lastLine) {
    TimingApplication& timing = application();
    QtSettings settings(folder.path("window-settings.ini"));
    settings.writeString("Environment", "App path", CELLWATCH_SOURCE_DIR "/data");
    TempFolder temp(folder.path("window-cache"));
    WindowRun result;
    auto app = std::make_unique<CWizApp>(settings, temp);
    CWizApp::StartOptions options;
    options.splash = false;
    if (!app->InitInstance(options))
        return result;
    app->mainFrame()->show();
    if (app->OpenSessionFile(folder.path("counter8.cmd")) == nullptr)
        return result;
    QCoreApplication::processEvents();
    const auto done = [&] {
        const CWizDoc* doc = app->session();
        if (doc == nullptr || doc->runState() != RunState::Idle)
            return false;
        for (auto it = doc->logLines().rbegin(); it != doc->logLines().rend(); ++it)
            if (it->find(lastLine) != std::string::npos)
                return true;
        return false;
    };
    timing.longestMs = 0;
    timing.events = 0;
    timing.measuring = true;
    QElapsedTimer clock;
    clock.start();
    QMetaObject::invokeMethod(app->mainFrame()->action(FrameCommand::RunTest), &QAction::trigger,
                              Qt::QueuedConnection);
    while (!done() && clock.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    result.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    timing.measuring = false;
    result.longestMs = timing.longestMs;
    result.events = timing.events;
    if (!done() || app->session()->failedCheckCount() != 0)
        result.seconds = -1.0;
    app->closeSession();
    return result;
}

void BM_WindowRunBesideBatch(benchmark::State& state) {
    application();
    for (auto _ : state) {
        // 10 + 250 example cycles, then a million more: the counter holds 1000260 mod 256 = 0x44.
        const Folder folder("cycle 1000000\ncheck count 44\\h\necho \"all cycles done\"\n");
        const double batch = batchSeconds(folder);
        const WindowRun window = windowRun(folder, "all cycles done");
        if (batch <= 0 || window.seconds <= 0) {
            state.SkipWithError("a run did not complete cleanly");
            break;
        }
        state.SetIterationTime(window.seconds);
        const double ratio = window.seconds / batch;
        state.counters["batch_s"] = batch;
        state.counters["window_s"] = window.seconds;
        state.counters["ratio"] = ratio;
        state.counters["worst_handler_ms"] = static_cast<double>(window.longestMs);
        std::printf("counter8, 1 000 000 cycles: window %.3f s, batch %.3f s, ratio %.2f (at most 1.5), "
                    "worst handler %lld ms over %lld events\n",
                    window.seconds, batch, ratio, static_cast<long long>(window.longestMs),
                    static_cast<long long>(window.events));
    }
}
BENCHMARK(BM_WindowRunBesideBatch)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// The window tests' long run: 100 000 cycles. The longest handler should stay at or under 50 ms.
void BM_LongRunWorstHandler(benchmark::State& state) {
    application();
    for (auto _ : state) {
        const Folder folder("cycle 99740\ncheck count a0\\h\necho \"all cycles done\"\n");
        const WindowRun window = windowRun(folder, "all cycles done");
        if (window.seconds <= 0) {
            state.SkipWithError("the run did not complete cleanly");
            break;
        }
        state.SetIterationTime(window.seconds);
        state.counters["worst_handler_ms"] = static_cast<double>(window.longestMs);
        state.counters["events"] = static_cast<double>(window.events);
        std::printf("long run, 100 000 cycles: %.3f s, worst handler %lld ms (at most 50) over %lld events\n",
                    window.seconds, static_cast<long long>(window.longestMs),
                    static_cast<long long>(window.events));
    }
}
BENCHMARK(BM_LongRunWorstHandler)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
