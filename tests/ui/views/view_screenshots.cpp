// Makes the pictures of docs/gui.md: opens an example, runs its script on the emulated board, puts
// some text in the SRAM and saves each of the three views as a PNG. Run it offscreen or under Xvfb:
//   view_screenshots EXAMPLE.cmd OUTPUT_FOLDER

#include "../../app/fake_host.h"

#include "app/cwiz_doc.h"
#include "ui/views/log/report_view.h"
#include "ui/views/script/cmd_view.h"
#include "ui/views/sram/memory_view.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstring>

using namespace cellwatch;

namespace {

bool save(QWidget& view, const QString& path) {
    view.resize(760, 420);
    view.show();
    QApplication::processEvents();
    return view.grab().save(path);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3)
        return 2;
    QTemporaryDir scratch;
    FakeHost host(scratch.path().toStdString());
    MemorySettings settings;
    settings.writeString("Environment", "App path", std::string(CELLWATCH_SOURCE_DIR) + "/data/");
    settings.writeInt("Colours", "Keywords", 0x00C00000);  // blue, stored 0x00BBGGRR
    settings.writeInt("Colours", "Comments", 0x00008000);  // green
    settings.writeInt("Colours", "Error", 0x000000C0);     // red
    settings.writeInt("Colours", "Warning", 0x000080C0);   // orange
    CWizDoc doc(host, settings, "emulator");
    if (!doc.OpenSession(argv[1]))
        return 1;
    CCmdView script(doc);
    CReportView log(doc);
    if (doc.StartRun(RunMode::Script)) {
        doc.RunCommands();
        while (host.timerActive)
            doc.OnRunTimer();
    }
    const char text[] = "Cellwatch SRAM view: hex words and their characters, row by row.";
    std::uint32_t words[sizeof text / 4 + 1] = {};
    for (std::size_t i = 0; i < sizeof text; ++i)
        words[i / 4] |= static_cast<std::uint32_t>(static_cast<unsigned char>(text[i])) << (24 - 8 * (i % 4));
    doc.board()->setBankControl(0);
    doc.board()->writeBlock(0, words, sizeof words / 4);
    CMemoryView sram(doc);
    const QDir out(QString::fromLocal8Bit(argv[2]));
    bool ok = save(script, out.filePath(QStringLiteral("script-editor.png")));
    log.refresh(true);
    ok = save(log, out.filePath(QStringLiteral("result-log.png"))) && ok;
    sram.show();
    QApplication::processEvents(); // the first layout; the size change below gives the usual rows
    ok = save(sram, out.filePath(QStringLiteral("sram-contents.png"))) && ok;
    return ok ? 0 : 1;
}
