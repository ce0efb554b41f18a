// Makes the picture of the hierarchy and the trace list for docs/gui.md: opens an example, traces
// and groups a few bits as a user would, runs the script and saves both views side by side as a PNG.
// Run it offscreen or under Xvfb:
//   hierarchy_screenshot EXAMPLE.cmd OUTPUT.png

#include "../../../app/fake_host.h"

#include "app/cwiz_doc.h"
#include "design/design_element.h"
#include "ui/views/design/hierarchy_model.h"
#include "ui/views/design/symbol_view.h"
#include "ui/views/design/trace_view.h"

#include <QApplication>
#include <QSplitter>
#include <QTemporaryDir>

using namespace cellwatch;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3)
        return 2;
    QTemporaryDir scratch;
    FakeHost host(scratch.path().toStdString());
    MemorySettings settings;
    CWizDoc doc(host, settings, "emulator");
    if (!doc.OpenSession(argv[1]) || !doc.UseOwnScript())
        return 1;
    QSplitter pair;
    auto* tree = new CSymbolView(doc, &pair);
    auto* list = new CTraceView(doc, &pair);
    doc.ParseScript();

    for (const char* name : {"counter8\\q0", "counter8\\q1", "counter8\\q2", "counter8\\q3"})
        list->addTraceByName(name);
    list->selectAll();
    list->selectionModel()->select(list->model()->index(0, 0),
                                   QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    host.texts = {std::string("low")};
    list->runCommand(CTraceView::Command::Group);
    list->addTraceByName("counter8\\carry3");
    // The run parses the script again: what is listed now comes from its sections.
    if (doc.StartRun(RunMode::Script)) {
        doc.RunCommands();
        while (host.timerActive)
            doc.OnRunTimer();
    }

    tree->expand(tree->items().index(0, 0, tree->items().designIndex()));
    tree->expand(tree->items().indexOf(*doc.findElement("counter8\\clk")));
    tree->expand(tree->items().indexOf(*doc.findElement("low")));
    tree->selectElement(*doc.findElement("counter8\\q3"));
    list->setColumnWidth(0, 150); // as a user widens it for long names
    list->selectionModel()->select(list->model()->index(1, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    pair.resize(880, 470);
    pair.setSizes({250, 630});
    pair.show();
    QApplication::processEvents();
    return pair.grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
