// Showing a large design: the hierarchy view populating 50 000 symbols, the view's first layout and
// paint included, on the offscreen platform. Two shapes: a deep tree (blocks of units of registers)
// and one flat level of 50 000 siblings that all have to be sorted.
#include "app/cwiz_doc.h"
#include "app/settings.h"
#include "ui/views/design/hierarchy_model.h"
#include "ui/views/design/symbol_view.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>

#include <charconv>
#include <fstream>
#include <memory>
#include <string>

using namespace cellwatch;

namespace {

constexpr int kSymbols = 50000;

// Dialogs are never needed: opening a .sym asks only for its circuit file.
class BenchHost final : public SessionHost {
public:
    explicit BenchHost(std::string folder) : m_folder(std::move(folder)) {}
    void messageOk(std::string_view) override {}
    Answer askYesNo(std::string_view) override { return Answer::No; }
    Answer askYesNoCancel(std::string_view) override { return Answer::Cancel; }
    bool boardNotFound(std::string_view, std::string_view, std::string_view) override { return false; }
    std::optional<std::string> openFileDialog(const FileDialogRequest&) override {
        return m_folder + "/design.cal";
    }
    std::optional<std::string> saveFileDialog(const FileDialogRequest&) override { return std::nullopt; }
    void beep() override {}
    void beginWaitCursor() override {}
    void endWaitCursor() override {}
    void startRunTimer(int) override {}
    void killRunTimer() override {}
    void updateAllViews() override {}
    void openResultLogView() override {}
    void splitLogFrame() override {}
    void quit(int) override {}
    std::string localDate() override { return "Mon Jan 01 00:00:00 2024"; }
    std::string scratchFolder() override { return m_folder; }

private:
    std::string m_folder;
};

void appendNumber(std::string& out, int value) {
    char buf[16];
    out.append(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
}

QApplication& application() {
    static int argc = 1;
    static char name[] = "bench_hierarchy";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Left for the process's end: destroying it from a static destructor upsets Qt's thread storage.
    static auto* app = new QApplication(argc, argv);
    return *app;
}

// A session opened on a generated symbol table; flat puts every symbol under one composite.
struct Design {
    explicit Design(bool flat) : host(folder.path().toStdString()) {
        const std::string path = folder.filePath(QStringLiteral("design.sym")).toStdString();
        std::string text;
        for (int i = 0; i < kSymbols; ++i) {
            text += "S top\\";
            if (!flat) {
                text += "blk";
                appendNumber(text, i / 5000);
                text += "\\unit";
                appendNumber(text, i / 250 % 20);
                text += '\\';
            }
            text += "reg";
            appendNumber(text, (i * 7919) % kSymbols); // not in name order
            text += " 0 0 ";
            appendNumber(text, i % 64);
            text += ' ';
            appendNumber(text, i / 64 % 64);
            text += i % 4 == 0 ? " R C\n" : " R S\n";
        }
        std::ofstream(path, std::ios::binary) << text;
        std::ofstream(folder.filePath(QStringLiteral("design.cal")).toStdString()) << "";
        doc = std::make_unique<CWizDoc>(host, settings, "emulator");
        doc->OpenSession(path);
    }
    QTemporaryDir folder;
    BenchHost host;
    MemorySettings settings;
    std::unique_ptr<CWizDoc> doc;
};

void populate(benchmark::State& state, bool flat) {
    application();
    Design design(flat);
    CSymbolView view(*design.doc, nullptr);
    view.resize(300, 600);
    for (auto _ : state) {
        view.populate();
        // Opens the top composite too, so that a flat design lays out all of its rows.
        view.expand(view.items().index(0, 0, view.items().designIndex()));
        QPixmap painted = view.grab();
        benchmark::DoNotOptimize(painted);
    }
    state.counters["symbols"] = static_cast<double>(design.doc->designTree()->count());
}

void BM_PopulateNested(benchmark::State& state) {
    populate(state, false);
}
void BM_PopulateFlat(benchmark::State& state) {
    populate(state, true);
}

} // namespace

BENCHMARK(BM_PopulateNested)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PopulateFlat)->Unit(benchmark::kMillisecond);
