// The SRAM view: its row format, words per row for narrow windows, keys, the jump dialog's accepted
// and refused addresses, and the copy read again when the session announces a change.

#include "../../../app/fake_host.h"

#include "app/cwiz_doc.h"
#include "board/emulator/emulated_channel.h"
#include "ui/views/sram/memory_view.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace cellwatch;

namespace {

struct Sram {
    Sram() {
        doc = std::make_unique<CWizDoc>(host, settings, "emulator");
        doc->setBoardChannel(makeEmulatedChannel(EmulatorOptions{64, true})); // 131 072 words
        opened = doc->OpenSession(std::string(CELLWATCH_TEST_DATA) + "/app/basic.cmd");
    }
    ~Sram() {
        views.clear();
        doc.reset();
    }
    void write(std::uint32_t word, std::vector<std::uint32_t> words) {
        doc->board()->setBankControl(0);
        doc->board()->writeBlock(word * 4, words.data(), words.size());
    }
    // A view shown for the first time with a client area of k columns (and about 20 rows).
    CMemoryView& show(int k) {
        auto probe = std::make_unique<CMemoryView>(*doc);
        probe->resize(400, 400);
        probe->show();
        [[maybe_unused]] bool exposed = QTest::qWaitForWindowExposed(probe.get());
        const int extraW = probe->width() - probe->viewport()->width();
        const int extraH = probe->height() - probe->viewport()->height();
        const int column = probe->columnWidth();
        auto& v = views.emplace_back(std::make_unique<CMemoryView>(*doc));
        v->resize(k * column + column / 2 + extraW, 20 * 19 + extraH);
        v->show();
        exposed = QTest::qWaitForWindowExposed(v.get());
        return *v;
    }
    void resizeTo(CMemoryView& v, int k) {
        // A change of height too, so that the same width still makes a size change.
        v.resize(v.width() - v.viewport()->width() + k * v.columnWidth() + v.columnWidth() / 2, v.height() + 1);
    }
    QTemporaryDir dir;
    FakeHost host{dir.path().toStdString()};
    MemorySettings settings;
    std::unique_ptr<CWizDoc> doc;
    bool opened = false;
    std::vector<std::unique_ptr<CMemoryView>> views;
};

} // namespace

class MemoryViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rowFormat();
    void wordsPerRowAndNarrowWindows();
    void keysStayInTheRange();
    void jumpDialog();
    void documentUpdateReadsTheSramAgain();
};

void MemoryViewTest::rowFormat() {
    Sram s;
    QVERIFY(s.opened);
    s.write(0, {0x41424300, 0x00000001});
    CMemoryView& v = s.show(60); // (60 - 12) / 17 - 1 = 1 word... the first layout
    s.resizeTo(v, 60);           // (60 - 12) / 14 - 1 = 2 words
    QCOMPARE(v.wordsPerLine(), 2);
    QCOMPARE(v.rowText(0), std::string("0x00000000  41424300 00000001   ABC. ...."));
    QCOMPARE(v.rowText(1).size(), std::size_t(13 + 14 * 2));
    QCOMPARE(v.rowText(1).substr(0, 11), std::string("0x00000008 "));
    // An SRAM that ends inside a row: blanks for the missing words.
    s.resizeTo(v, 12 + 14 * 4);
    QCOMPARE(v.wordsPerLine(), 3);
    const std::string last = v.rowText(v.size() / 3);
    QCOMPARE(last.size(), std::size_t(13 + 14 * 3));
    QCOMPARE(last.substr(11 + 2 * 9, 9), std::string(9, ' '));
    QCOMPARE(last.substr(last.size() - 5), std::string(5, ' '));
}

void MemoryViewTest::wordsPerRowAndNarrowWindows() {
    Sram s;
    CMemoryView& narrowFirst = s.show(45);
    QCOMPARE(narrowFirst.wordsPerLine(), 1); // under 46 columns at first display
    CMemoryView& wide = s.show(120);
    QCOMPARE(wide.wordsPerLine(), 5);
    QCOMPARE(wide.verticalScrollBar()->maximum(), wide.lines()); // the first range reaches one row further
    s.resizeTo(wide, 120);
    QCOMPARE(wide.wordsPerLine(), 6);
    QCOMPARE(wide.verticalScrollBar()->maximum(), wide.lines() - 1);
    s.resizeTo(wide, 39);
    QCOMPARE(wide.wordsPerLine(), 1); // under 40 columns after a size change
}

void MemoryViewTest::keysStayInTheRange() {
    Sram s;
    CMemoryView& v = s.show(60);
    QScrollBar* bar = v.verticalScrollBar();
    const int rows = v.visibleRows();
    QTest::keyClick(&v, Qt::Key_End);
    QCOMPARE(bar->value(), bar->maximum());
    bar->setValue(bar->maximum() - rows / 2);
    QTest::keyClick(&v, Qt::Key_PageDown);
    QCOMPARE(bar->value(), bar->maximum()); // Page Down near the end stops at the range's end
    QTest::keyClick(&v, Qt::Key_PageUp);
    QTest::keyClick(&v, Qt::Key_Up);
    QCOMPARE(bar->value(), bar->maximum() - rows - 1);
    QTest::keyClick(&v, Qt::Key_Home);
    QCOMPARE(bar->value(), 0);
    QTest::keyClick(&v, Qt::Key_Up);
    QCOMPARE(bar->value(), 0);
}

void MemoryViewTest::jumpDialog() {
    Sram s;
    CMemoryView& v = s.show(60);
    s.resizeTo(v, 12 + 14 * 3); // 2 words per row
    QCOMPARE(v.size(), 131072);
    QCOMPARE(v.wordsPerLine(), 2);
    QScrollBar* bar = v.verticalScrollBar();

    s.host.texts = {"20000", "7fFf0", "", "80000", "12g4", "-4"};
    v.OnViewLocation();
    QCOMPARE(bar->value(), 32768 / 2); // the row holding word 32 768 at the top
    QCOMPARE(s.host.textPrompts.back(), std::string("0"));
    v.OnViewLocation();
    QCOMPARE(bar->value(), 0x7fff0 / 4 / 2); // either case of hex letters
    v.OnViewLocation();
    QCOMPARE(bar->value(), 0); // an empty field counts as 0
    QVERIFY(s.host.messages.empty());
    bar->setValue(5);
    for (int refused = 1; refused <= 3; ++refused) {
        v.OnViewLocation();
        QCOMPARE(s.host.messages.size(), std::size_t(refused));
        QCOMPARE(s.host.messages.back(), std::string("Invalid memory address specified!\n"));
        QCOMPARE(bar->value(), 5);
    }
    v.OnViewLocation(); // Cancel
    QCOMPARE(s.host.messages.size(), std::size_t(3));

    // The context menu offers the same command.
    QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(0, 0), v.mapToGlobal(QPoint(0, 0)));
    QApplication::sendEvent(&v, &event);
    QVERIFY(v.contextMenu() != nullptr);
    QCOMPARE(v.contextMenu()->actions().size(), 1);
    QCOMPARE(v.contextMenu()->actions().front()->text(), QStringLiteral("&View SRAM location..."));
    v.contextMenu()->close();
}

void MemoryViewTest::documentUpdateReadsTheSramAgain() {
    Sram s;
    CMemoryView& v = s.show(60);
    s.resizeTo(v, 60);
    v.verticalScrollBar()->setValue(100);
    s.write(200, {0x30313233, 0x34353637});
    QVERIFY(v.rowText(100).find("30313233") == std::string::npos); // the copy is not the board
    v.documentUpdated();
    QCOMPARE(v.verticalScrollBar()->value(), 100);
    QCOMPARE(v.rowText(100), std::string("0x00000320  30313233 34353637   0123 4567"));
}

QTEST_MAIN(MemoryViewTest)
#include "memory_view_test.moc"
