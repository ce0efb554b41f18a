// Makes the waveform pictures for docs/gui.md: runs the counter8 and shift16 examples' scripts to
// the end offscreen and saves the waveform view of each, zoomed in on their first cycles, with the cursor
// placed a third of the way in. Run it offscreen or under Xvfb:
//   wave_screenshots OUTPUT_FOLDER

#include "../../../app/fake_host.h"

#include "app/cwiz_doc.h"
#include "ui/views/wave/wave_view.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>

using namespace cellwatch;

namespace {

// shown: the stamps in view from the first, after a fit (0 keeps the fit).
bool shoot(const char* example, double shown, const QString& path) {
    QTemporaryDir scratch;
    FakeHost host(scratch.path().toStdString());
    MemorySettings settings;
    settings.writeString("Environment", "App path", std::string(CELLWATCH_SOURCE_DIR) + "/data/");
    CWizDoc doc(host, settings, "emulator");
    const std::string script = std::string(CELLWATCH_SOURCE_DIR) + "/examples/" + example + ".cmd";
    // Without a script view the session reads the script into its own buffer.
    if (!doc.OpenSession(script) || !doc.UseOwnScript()) {
        std::fprintf(stderr, "%s: cannot open\n", script.c_str());
        return false;
    }
    // The trace list comes from the script's sections, so the script is parsed and run to its end
    // before the picture is taken.
    doc.ParseScript();
    if (!doc.StartRun(RunMode::Script)) {
        std::fprintf(stderr, "%s: the run does not start\n", example);
        return false;
    }
    doc.RunCommands();
    while (host.timerActive)
        doc.OnRunTimer();
    if (doc.traceList().empty() || doc.traceStore().count() == 0) {
        std::fprintf(stderr, "%s: nothing traced\n", example);
        return false;
    }
    WaveView view(doc);
    const int lanes = static_cast<int>(doc.traceList().size());
    view.resize(1000, WaveView::kRulerHeight + lanes * WaveView::kLaneHeight + 6);
    view.show();
    QApplication::processEvents();
    view.documentUpdated();
    view.zoomToFit();
    if (shown > 0)
        view.setView(0, shown / view.waveWidth());
    const std::uint64_t stamps = view.summary().stampCount();
    view.setCursor(static_cast<std::uint64_t>(shown > 0 ? shown : static_cast<double>(stamps)) / 3, false);
    QApplication::processEvents();
    return view.grab().save(path);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    // Both runs are fitted, then their first cycles are shown, wide enough to print the values.
    bool ok = shoot("counter8", 20, out.filePath(QStringLiteral("waveform-counter8.png")));
    ok = shoot("shift16", 16, out.filePath(QStringLiteral("waveform-shift16.png"))) && ok;
    return ok ? 0 : 1;
}
