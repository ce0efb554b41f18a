// The design hierarchy and the trace list over the example designs: what they show, dragging and
// dropping names, grouping, picking the clock, a run's values, and the "Element info" dialog.

#include "../../../app/fake_host.h"
#include "app/cwiz_doc.h"
#include "design/design_element.h"
#include "script/text_buffer.h"
#include "ui/dialogs/element_info_dialog.h"
#include "ui/views/design/hierarchy_model.h"
#include "ui/views/design/symbol_view.h"
#include "ui/views/design/trace_model.h"
#include "ui/views/design/trace_view.h"

#include <QApplication>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

namespace cellwatch {
namespace {

// A session on an example with both views, the session's own script and a host whose dialogs
// answer from the test.
struct Bench {
    explicit Bench(const char* file, const char* cal = nullptr) : host(scratch.path().toStdString()) {
        if (cal != nullptr)
            host.paths.emplace_back(cal);
        doc = std::make_unique<CWizDoc>(host, settings, "emulator");
        opened = doc->OpenSession(file) && doc->UseOwnScript();
        tree = std::make_unique<CSymbolView>(*doc, nullptr);
        list = std::make_unique<CTraceView>(*doc, nullptr);
        parsed = doc->ParseScript();
    }
    ~Bench() {
        list.reset();
        tree.reset();
    }

    DesignElement& element(const char* name) const { return *doc->findElement(name); }
    QModelIndex item(const char* name) const { return tree->items().indexOf(element(name)); }
    QStringList texts(const QModelIndex& parent) const {
        QStringList out;
        for (int row = 0; row < tree->items().rowCount(parent); ++row)
            out << tree->items().index(row, 0, parent).data().toString();
        return out;
    }
    int image(const QModelIndex& index) const { return index.data(HierarchyModel::ImageRole).toInt(); }
    QString cell(int row, int column) const { return list->rows().index(row, column).data().toString(); }
    int rowOf(const char* name) const {
        for (int row = 0; row < list->rows().rowCount(); ++row) {
            if (cell(row, TraceListModel::SymbolColumn) == QLatin1String(name))
                return row;
        }
        return -1;
    }
    void selectRows(std::initializer_list<const char*> names) const {
        list->clearSelection();
        for (const char* name : names)
            list->selectionModel()->select(list->rows().index(rowOf(name), 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    int scriptLines(const std::string& text) const {
        const TextBuffer& buffer = *doc->scriptBuffer();
        int n = 0;
        for (int i = 0; i < buffer.lineCount(); ++i)
            n += buffer.line(i) == text;
        return n;
    }
    // Offers text to the list as a drag from elsewhere would; the drop action the list chose.
    Qt::DropAction drop(const QString& text, Qt::DropActions offered = Qt::CopyAction) const {
        QMimeData data;
        data.setText(text);
        QDragEnterEvent enter(QPoint(5, 5), offered, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &enter);
        if (!enter.isAccepted())
            return Qt::IgnoreAction;
        QDropEvent dropped(QPointF(5, 5), offered, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &dropped);
        return dropped.dropAction();
    }

    QTemporaryDir scratch;
    FakeHost host;
    MemorySettings settings;
    std::unique_ptr<CWizDoc> doc;
    std::unique_ptr<CSymbolView> tree;
    std::unique_ptr<CTraceView> list;
    bool opened = false;
    bool parsed = false;
};

const char* const kCounter8 = CELLWATCH_SOURCE_DIR "/examples/counter8.cmd";
const char* const kShift16 = CELLWATCH_SOURCE_DIR "/examples/shift16.cmd";

int img(ElementImage image) {
    return static_cast<int>(image);
}

} // namespace

class HierarchyViewsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void hierarchyShowsDesignGroupsAndClock();
    void unreadableSymbolsCannotBeDraggedOrPicked();
    void droppingNamesTracesThemOnce();
    void groupingUngroupingAndDeletingGroups();
    void groupsWiderThan32BitsAreRefused();
    void pickingAnotherClockRegisterMovesItsMarks();
    void removingTracesRenumbersAndFormatsValues();
    void aRunRefreshesTheValueColumn();
    void elementInfoFromEitherView();
};

void HierarchyViewsTest::hierarchyShowsDesignGroupsAndClock() {
    Bench b(kCounter8);
    QVERIFY(b.opened && b.parsed);
    const HierarchyModel& items = b.tree->items();
    QCOMPARE(b.texts({}), QStringList({"Design", "Groups"}));
    QCOMPARE(b.texts(items.designIndex()), QStringList({"counter8"}));
    const QModelIndex top = items.index(0, 0, items.designIndex());
    QCOMPARE(b.image(top), img(ElementImage::Composite));
    QVERIFY(!(items.flags(top) & Qt::ItemIsDragEnabled));
    QCOMPARE(b.texts(top), QStringList({"carry2", "carry3", "carry4", "carry5", "carry6", "carry7", "clk",
                                        "q0", "q1", "q2", "q3", "q4", "q5", "q6", "q7"}));
    QCOMPARE(b.image(b.item("counter8\\carry2")), img(ElementImage::Combinatorial));
    QCOMPARE(b.image(b.item("counter8\\q0")), img(ElementImage::Sequential));

    // The script's vector is listed under "Groups", opened, with its members by full name in order.
    QCOMPARE(b.texts(items.groupsIndex()), QStringList({"count"}));
    const QModelIndex count = b.item("count");
    QCOMPARE(count.parent(), items.groupsIndex());
    QVERIFY(b.tree->isExpanded(items.groupsIndex()));
    QCOMPARE(b.image(count), img(ElementImage::Group));
    QCOMPARE(b.texts(count).first(), QStringLiteral("counter8\\q7"));
    QCOMPARE(b.texts(count).last(), QStringLiteral("counter8\\q0"));

    // setclockreg marked the clock register and hung the software clock under it.
    const QModelIndex clk = b.item("counter8\\clk");
    QCOMPARE(b.image(clk), img(ElementImage::Clock));
    QCOMPARE(b.texts(clk), QStringList({"SOFTWARE_CLOCK"}));
    QCOMPARE(b.image(items.index(0, 0, clk)), img(ElementImage::Clock));
    // Each parse drops and makes the script's group and clock again: still one of each.
    QVERIFY(b.doc->ParseScript());
    QCOMPARE(b.texts(items.groupsIndex()), QStringList({"count"}));
    QCOMPARE(b.texts(b.item("counter8\\clk")), QStringList({"SOFTWARE_CLOCK"}));
    QCOMPARE(b.list->rows().rowCount(), 1);

    // What a drag of an element offers: its full name as plain text, to be copied.
    std::unique_ptr<QMimeData> data(items.mimeData({b.item("counter8\\q3")}));
    QVERIFY(data);
    QCOMPARE(data->text(), QStringLiteral("counter8\\q3"));
    QCOMPARE(items.supportedDragActions(), Qt::CopyAction);

    // Context menu texts and rules: a composite offers nothing of its own, a group can be deleted.
    const QStringList menu = [&] {
        QStringList out;
        for (QAction* a : b.tree->contextMenu()->actions())
            out << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return out;
    }();
    QCOMPARE(menu, QStringList({"&Select clock register", "&Deselect clock", "-", "D&elete group", "-",
                                "Symbol &properties"}));
    b.tree->setCurrentIndex(top);
    QVERIFY(!b.tree->isCommandEnabled(CSymbolView::Command::Properties));
    QVERIFY(b.tree->isCommandEnabled(CSymbolView::Command::DeselectClock));
    b.tree->setCurrentIndex(b.item("counter8\\carry3"));
    QVERIFY(!b.tree->isCommandEnabled(CSymbolView::Command::SelectClock));
    QVERIFY(b.tree->isCommandEnabled(CSymbolView::Command::Properties));
    b.tree->setCurrentIndex(b.item("count")); // the parse made the group anew
    QVERIFY(b.tree->isCommandEnabled(CSymbolView::Command::DeleteGroup));
}

void HierarchyViewsTest::unreadableSymbolsCannotBeDraggedOrPicked() {
    Bench b(CELLWATCH_TEST_DATA "/design/counter.sym", CELLWATCH_SOURCE_DIR "/examples/counter8.cal");
    QVERIFY(b.opened);
    const QModelIndex gate = b.item("counter\\c1"); // a W cell of combinatorial logic
    QCOMPARE(b.image(gate), img(ElementImage::CombinatorialUnreadable));
    QVERIFY(!(b.tree->items().flags(gate) & Qt::ItemIsDragEnabled));
    QVERIFY(!b.tree->items().mimeData({gate}));
    b.tree->setCurrentIndex(gate);
    QVERIFY(b.tree->selectedElement() == nullptr);
    QVERIFY(!b.tree->runCommand(CSymbolView::Command::SelectClock));
    QVERIFY(!b.tree->isCommandEnabled(CSymbolView::Command::Properties));
    QVERIFY(b.doc->clockElement() == nullptr);
    // The P symbol has no element at all.
    QCOMPARE(b.texts(b.tree->items().index(0, 0, b.tree->items().designIndex())),
             QStringList({"c1", "c2", "q0", "q1", "q2", "q3"}));
}

void HierarchyViewsTest::droppingNamesTracesThemOnce() {
    Bench b(kCounter8);
    QCOMPARE(b.list->rows().rowCount(), 1); // the script's "trace count"
    QCOMPARE(b.drop(QStringLiteral("counter8\\q3")), Qt::CopyAction);
    QTRY_COMPARE(b.list->rows().rowCount(), 2);
    QCOMPARE(b.cell(1, TraceListModel::SymbolColumn), QStringLiteral("counter8\\q3"));
    QCOMPARE(b.list->rows().index(1, 0).data(TraceListModel::ImageRole).toInt(),
             img(ElementImage::Sequential));
    QCOMPARE(b.scriptLines("trace counter8\\q3"), 1);
    QVERIFY(b.host.messages.empty());

    // Again, and a name the design does not know: refused with the name, nothing added.
    b.drop(QStringLiteral("counter8\\q3"));
    QTRY_COMPARE(b.host.messages.size(), std::size_t(1));
    QCOMPARE(b.host.messages.back(), std::string("Cannot add symbol \"counter8\\q3\"!"));
    b.drop(QStringLiteral("nowhere"));
    QTRY_COMPARE(b.host.messages.size(), std::size_t(2));
    QCOMPARE(b.host.messages.back(), std::string("Cannot add symbol \"nowhere\"!"));
    QCOMPARE(b.list->rows().rowCount(), 2);
    QCOMPARE(b.scriptLines("trace counter8\\q3"), 1);

    // Text is always taken as a copy, so that a source offering a move (an editor) keeps its text;
    // a source that offers only a move, and data other than text, are not taken at all.
    QCOMPARE(b.drop(QStringLiteral("counter8\\q4"), Qt::CopyAction | Qt::MoveAction), Qt::CopyAction);
    QTRY_COMPARE(b.list->rows().rowCount(), 3);
    QCOMPARE(b.drop(QStringLiteral("counter8\\q5"), Qt::MoveAction), Qt::IgnoreAction);
    QMimeData image;
    image.setData(QStringLiteral("image/png"), "x");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &image, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(b.list->viewport(), &enter);
    QVERIFY(!enter.isAccepted());

    // The software clock can be traced too, and shows as the clock.
    b.list->addTraceByName("SOFTWARE_CLOCK");
    QCOMPARE(b.list->rows().index(3, 0).data(TraceListModel::ImageRole).toInt(), img(ElementImage::Clock));
}

void HierarchyViewsTest::groupingUngroupingAndDeletingGroups() {
    Bench b(kCounter8);
    for (const char* name : {"counter8\\q0", "counter8\\q1", "counter8\\q2", "counter8\\q3"})
        b.list->addTraceByName(name);
    b.selectRows({"counter8\\q0", "counter8\\q1", "counter8\\q2", "counter8\\q3"});
    // The name dialog checks every answer and asks again until one is accepted.
    b.host.texts = {std::string(), std::string("COUNT"), std::string("nib")};
    QVERIFY(b.list->runCommand(CTraceView::Command::Group));
    QCOMPARE(b.host.textPrompts.front(), std::string("Default"));
    QCOMPARE(b.host.messages, (std::vector<std::string>{"You must enter a name for the new group!",
                                                        "The group name must be unique!"}));
    QCOMPARE(b.list->rows().rowCount(), 2);
    const int nib = b.rowOf("nib");
    QCOMPARE(b.cell(nib, TraceListModel::SizeColumn), QStringLiteral("4"));
    QCOMPARE(b.list->rows().index(nib, 0).data(TraceListModel::ImageRole).toInt(), img(ElementImage::Group));
    // The members share the column, not the row.
    QCOMPARE(b.cell(nib, TraceListModel::ColumnColumn), QStringLiteral("1"));
    QCOMPARE(b.cell(nib, TraceListModel::RowColumn), QStringLiteral("n/a"));
    QCOMPARE(b.scriptLines("vector nib counter8\\q0 counter8\\q1 counter8\\q2 counter8\\q3"), 1);
    QCOMPARE(b.scriptLines("trace nib"), 1);
    QCOMPARE(b.scriptLines("trace counter8\\q0"), 0);
    QCOMPARE(b.texts(b.item("nib")),
             QStringList({"counter8\\q0", "counter8\\q1", "counter8\\q2", "counter8\\q3"}));

    // Ctrl+Shift+G over the group's row gives its members back; the group stays in the hierarchy.
    b.selectRows({"nib"});
    b.list->show();
    QVERIFY(QTest::qWaitForWindowExposed(b.list.get()));
    b.list->setFocus();
    QTest::keyClick(b.list.get(), Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_COMPARE(b.list->rows().rowCount(), 5);
    QCOMPARE(b.rowOf("nib"), -1);
    QCOMPARE(b.scriptLines("trace nib"), 0);
    QCOMPARE(b.scriptLines("trace counter8\\q2"), 1);
    QVERIFY(b.item("nib").isValid());

    // Delete over a symbol does nothing; over a group it deletes the group with its member items.
    const int groupsBefore = b.tree->items().rowCount(b.tree->items().groupsIndex());
    b.tree->show();
    b.tree->selectElement(b.element("counter8\\q1"));
    QTest::keyClick(b.tree.get(), Qt::Key_Delete);
    QCOMPARE(b.tree->items().rowCount(b.tree->items().groupsIndex()), groupsBefore);
    b.tree->selectElement(b.element("nib"));
    QTest::keyClick(b.tree.get(), Qt::Key_Backspace);
    QCOMPARE(b.tree->items().rowCount(b.tree->items().groupsIndex()), groupsBefore - 1);
    QVERIFY(b.doc->findElement("nib") == nullptr);
    QCOMPARE(b.scriptLines("vector nib counter8\\q0 counter8\\q1 counter8\\q2 counter8\\q3"), 0);
}

void HierarchyViewsTest::groupsWiderThan32BitsAreRefused() {
    Bench b(kShift16);
    // "data" is 16 bits; with seventeen single bits the selection is 33 bits wide.
    std::vector<std::string> names = {"data", "shift16\\din"};
    for (int i = 0; i < 16; ++i) {
        names.push_back("shift16\\s" + std::to_string(i));
        b.list->addTraceByName(names.back());
    }
    b.list->addTraceByName("shift16\\din");
    b.list->selectAll();
    QVERIFY(b.list->runCommand(CTraceView::Command::Group));
    QCOMPARE(b.host.messages,
             std::vector<std::string>{"Cannot make vector as it is too large (the maximum is 32 bits)."});
    QVERIFY(b.host.textPrompts.empty());
    QCOMPARE(b.list->rows().rowCount(), 18);
    // Ungroup needs exactly one group selected.
    QVERIFY(!b.list->isCommandEnabled(CTraceView::Command::Ungroup));
}

void HierarchyViewsTest::pickingAnotherClockRegisterMovesItsMarks() {
    Bench b(kCounter8);
    b.list->addTraceByName("SOFTWARE_CLOCK");
    QVERIFY(b.tree->selectElement(b.element("counter8\\q7")));
    QVERIFY(b.tree->runCommand(CSymbolView::Command::SelectClock));

    const QModelIndex q7 = b.item("counter8\\q7");
    QCOMPARE(b.image(q7), img(ElementImage::Clock));
    QCOMPARE(b.texts(q7), QStringList({"SOFTWARE_CLOCK"}));
    const QModelIndex clk = b.item("counter8\\clk");
    QCOMPARE(b.image(clk), img(ElementImage::Sequential));
    QCOMPARE(b.tree->items().rowCount(clk), 0);
    QCOMPARE(b.scriptLines("setclockreg counter8\\q7"), 1);
    QCOMPARE(b.scriptLines("setclockreg counter8\\clk"), 0);
    // The old software clock left the trace list with its element.
    QCOMPARE(b.rowOf("SOFTWARE_CLOCK"), -1);

    // The "SOFTWARE_CLOCK" item carries the clock: it can be inspected, not chosen as clock.
    b.tree->setCurrentIndex(b.tree->items().index(0, 0, q7));
    QCOMPARE(b.tree->selectedElement(), b.doc->clockElement());
    QVERIFY(!b.tree->isCommandEnabled(CSymbolView::Command::SelectClock));

    QVERIFY(b.tree->runCommand(CSymbolView::Command::DeselectClock));
    QCOMPARE(b.image(q7), img(ElementImage::Sequential));
    QCOMPARE(b.tree->items().rowCount(q7), 0);
    QCOMPARE(b.scriptLines("setclockreg counter8\\q7"), 0);
    QVERIFY(!b.tree->isCommandEnabled(CSymbolView::Command::DeselectClock));
}

void HierarchyViewsTest::removingTracesRenumbersAndFormatsValues() {
    Bench b(kCounter8);
    for (const char* name : {"counter8\\q0", "counter8\\q1", "counter8\\q2"})
        b.list->addTraceByName(name);
    b.selectRows({"counter8\\q1"});
    b.list->show();
    QTest::keyClick(b.list.get(), Qt::Key_Delete);
    QCOMPARE(b.rowOf("counter8\\q1"), -1);
    QCOMPARE(b.rowOf("counter8\\q2"), 2);
    QCOMPARE(b.list->rows().rowOf(b.doc->traceList().back()), 2);
    QCOMPARE(b.scriptLines("trace counter8\\q1"), 0);
    QCOMPARE(b.scriptLines("trace counter8\\q2"), 1);
    QCOMPARE(b.cell(2, TraceListModel::SizeColumn), QStringLiteral("1"));
    QCOMPARE(b.cell(2, TraceListModel::RowColumn), QStringLiteral("2"));

    // A 10-bit value in each radix; anything but 8, 10 and 16 is binary, never the session's radix.
    DesignElement wide;
    wide.size = 10;
    const std::pair<int, const char*> cases[] = {{16, "2a5"},        {8, "1245"},       {10, "0677"},
                                                 {-1, "1010100101"}, {2, "1010100101"}, {3, "1010100101"}};
    for (const auto& [radix, text] : cases) {
        wide.radix = radix;
        QCOMPARE(traceValueText(wide, 0x2a5), QString::fromLatin1(text));
    }
    wide.size = 32;
    wide.radix = 16;
    QCOMPARE(traceValueText(wide, -1), QStringLiteral("ffffffff"));
}

void HierarchyViewsTest::aRunRefreshesTheValueColumn() {
    Bench b(kCounter8);
    const int count = b.rowOf("count");
    QCOMPARE(b.cell(count, TraceListModel::ValueColumn), QStringLiteral("00")); // "radix hex count"
    QSignalSpy changed(&b.list->rows(), &QAbstractItemModel::dataChanged);
    QVERIFY(b.doc->StartRun(RunMode::Script));
    b.list->addTraceByName("counter8\\q0");
    QCOMPARE(b.host.messages.back(), std::string("Cannot add trace while running a command script."));
    b.doc->RunCommands();
    int ticks = 0;
    while (b.host.timerActive && ticks < 10000) {
        b.doc->OnRunTimer(1);
        ++ticks;
    }
    QCOMPARE(b.doc->runState(), RunState::Idle);
    QCOMPARE(b.doc->failedCheckCount(), 0);
    // The last sample of 260 cycles is read back before the last edge, as in the log's last row.
    QCOMPARE(b.cell(count, TraceListModel::ValueColumn), QStringLiteral("03"));
    const auto valueRefreshes =
        std::count_if(changed.begin(), changed.end(), [](const QList<QVariant>& args) {
            return args.at(0).toModelIndex().column() == TraceListModel::ValueColumn;
        });
    // Once as each of the two cycle commands ends; while a command goes on, the window refreshes the
    // values at its own pace.
    QCOMPARE(valueRefreshes, 2);
    QVERIFY(ticks >= 2);
    QCOMPARE(b.list->rows().rowCount(), 1);
}

void HierarchyViewsTest::elementInfoFromEitherView() {
    Bench b(kCounter8);
    b.list->addTraceByName("counter8\\carry3");
    b.selectRows({"counter8\\carry3", "count"});
    QVERIFY(b.list->runCommand(CTraceView::Command::Properties));
    ElementInfoDialog* dialog = nullptr;
    QTRY_VERIFY((dialog = b.list->findChild<ElementInfoDialog*>()) != nullptr && dialog->isVisible());
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Element info"));
    QCOMPARE(dialog->field("Name"), QStringLiteral("count")); // the first selected row
    QCOMPARE(dialog->field("Type"), QStringLiteral("Group"));
    QCOMPARE(dialog->field("Size"), QStringLiteral("8"));
    QCOMPARE(dialog->field("Row"), QStringLiteral("n\\a"));
    dialog->accept();
    QTRY_VERIFY(b.list->findChild<ElementInfoDialog*>() == nullptr);

    b.tree->selectElement(b.element("counter8\\carry3"));
    QVERIFY(b.tree->runCommand(CSymbolView::Command::Properties));
    QTRY_VERIFY((dialog = b.tree->findChild<ElementInfoDialog*>()) != nullptr);
    QCOMPARE(dialog->field("Type"), QStringLiteral("Combinatorial logic"));
    QCOMPARE(dialog->field("Column"), QStringLiteral("2"));
    QCOMPARE(dialog->field("Row"), QStringLiteral("3"));
    dialog->accept();
}

} // namespace cellwatch

QTEST_MAIN(cellwatch::HierarchyViewsTest)
#include "hierarchy_views_test.moc"
