// The command script editor: colours by the keyword rules, the caret's status text, saving, the
// closing refusal, paste, and section rewrites that keep the user's place and undo in one step.

#include "../../../app/fake_host.h"

#include "app/cwiz_doc.h"
#include "platform/settings_catalogue.h"
#include "script/section_rewriter.h"
#include "ui/look/colour_settings.h"
#include "ui/shell/wiz_frames.h"
#include "ui/views/script/cmd_view.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QPointer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

#include <memory>

using namespace cellwatch;

namespace {

const QColor kText(10, 20, 30), kKeyword(200, 0, 0), kComment(0, 150, 0), kBackground(250, 250, 200);

struct Editor {
    explicit Editor(const QByteArray& keywords, bool withKeywordFile = true) {
        if (withKeywordFile) {
            QFile file(dir.filePath(QStringLiteral("keywords.dat")));
            file.open(QIODevice::WriteOnly);
            file.write(keywords);
        }
        settings.writeString(settings::kEnvironment, settings::kAppPath, dir.path().toStdString() + "/");
        writeColour(settings, settings::kText, kText);
        writeColour(settings, settings::kKeywords, kKeyword);
        writeColour(settings, settings::kComments, kComment);
        writeColour(settings, settings::kBackground, kBackground);
        doc = std::make_unique<CWizDoc>(host, settings, "none");
        view = std::make_unique<CCmdView>(*doc);
    }
    ~Editor() {
        view.reset();
        doc.reset();
    }
    void setLines(std::string_view text) {
        TextBuffer& b = view->buffer();
        if (b.lineCount() > 0)
            b.deleteLines(0, b.lineCount());
        b.insertAt(0, text);
    }
    QTemporaryDir dir;
    FakeHost host{dir.path().toStdString()};
    MemorySettings settings;
    std::unique_ptr<CWizDoc> doc;
    std::unique_ptr<CCmdView> view;
};

} // namespace

class ScriptViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keywordCommentAndTextColours();
    void keywordFileRules();
    void firstDisplayAndStatusText();
    void savingEndsEveryLine();
    void refusesToCloseUntilTheSessionCloses();
    void pasteLeavesTheCaretAtItsStart();
    void sectionRewriteKeepsPlaceAndIsOneUndoStep();
};

void ScriptViewTest::keywordCommentAndTextColours() {
    Editor e("assign\n");
    e.setLines("  ASSIGN reg1 1 | set\r\nassign|x\r\n| a comment line\r\n");
    CCmdView& v = *e.view;
    QCOMPARE(v.colourAt(0, 2), kKeyword);
    QCOMPARE(v.colourAt(0, 7), kKeyword);
    QCOMPARE(v.colourAt(0, 9), kText);  // reg1
    QCOMPARE(v.colourAt(0, 14), kText); // 1
    QCOMPARE(v.colourAt(0, 16), kComment);
    QCOMPARE(v.colourAt(0, 20), kComment);
    QCOMPARE(v.colourAt(1, 0), kText); // "assign|x" is no keyword
    QCOMPARE(v.colourAt(1, 6), kComment);
    QCOMPARE(v.colourAt(2, 0), kComment);
    QCOMPARE(v.palette().color(QPalette::Base), kBackground);

    // A selection does not disturb the colours when they are applied again.
    v.buffer().setSelection({{0, 3}, {1, 2}});
    v.recolour();
    QCOMPARE(v.colourAt(0, 2), kKeyword);
    QCOMPARE(v.colourAt(0, 16), kComment);

    // Typing recolours the line it changes.
    QTextCursor c(v.document()->findBlockByNumber(1));
    c.insertText(QStringLiteral("  "));
    QCOMPARE(v.colourAt(1, 2), kText);
    c.movePosition(QTextCursor::StartOfBlock);
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    c.insertText(QStringLiteral("assign x"));
    QCOMPARE(v.colourAt(1, 0), kKeyword);
}

void ScriptViewTest::keywordFileRules() {
    // Upper-case entries never match; a 25-character line makes two keywords.
    Editor e("ASSIGN\nabcdefghijklmnopqrstuvwxy\n");
    QVERIFY(!e.view->keywords().contains("assign"));
    QVERIFY(e.view->keywords().contains("abcdefghijklmnopqrs"));
    QVERIFY(e.view->keywords().contains("tuvwxy"));
    e.setLines("ASSIGN r 1\r\ntuvwxy\r\n");
    QCOMPARE(e.view->colourAt(0, 0), kText);
    QCOMPARE(e.view->colourAt(1, 0), kKeyword);

    Editor none("", false);
    none.setLines("assign r 1\r\n");
    QCOMPARE(none.view->colourAt(0, 0), kText);
}

void ScriptViewTest::firstDisplayAndStatusText() {
    Editor e("");
    CCmdView& v = *e.view;
    QVERIFY(v.buffer().lineCount() > 5); // a fresh script for a session without a script file
    QVERIFY(!v.document()->isUndoAvailable());
    QVERIFY(!v.isModified());
    QCOMPARE(v.statusText(), QStringLiteral("Ln     1, Col   1"));
    QTextCursor c = v.textCursor();
    c.setPosition(v.document()->findBlockByNumber(2).position() + 4);
    v.setTextCursor(c);
    // Moving the caret alone leaves the pane; the idle pass takes the new position.
    QCOMPARE(v.statusText(), QStringLiteral("Ln     1, Col   1"));
    v.updateCaretPosition();
    QCOMPARE(v.statusText(), QStringLiteral("Ln     3, Col   5"));
    std::string line = "kept";
    QVERIFY(!v.getLine(9999, line));
    QCOMPARE(line, std::string("kept"));
}

void ScriptViewTest::savingEndsEveryLine() {
    Editor e("");
    const QString path = e.dir.filePath(QStringLiteral("out.cmd"));
    e.setLines("a\r\nx");
    e.host.paths.push_back(path.toStdString());
    QVERIFY(e.doc->SaveScriptAs());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("a\r\nx\r\n"));
    QVERIFY(!e.view->isModified());
    file.close();

    e.setLines("");
    QVERIFY(e.doc->SaveScript());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray());
}

void ScriptViewTest::refusesToCloseUntilTheSessionCloses() {
    Editor e("");
    auto* frame = new CWizMDIChild(e.doc.get(), e.view.release());
    QPointer<QWidget> view = frame->widget();
    QVERIFY(!frame->close());
    QVERIFY(view);
    e.doc->CloseSession();
    QVERIFY(e.doc->isClosing());
    QVERIFY(frame->close());
    delete frame;
    QVERIFY(!view);
}

void ScriptViewTest::pasteLeavesTheCaretAtItsStart() {
    Editor e("");
    e.setLines("one\r\ntwo\r\n");
    const int start = e.view->document()->findBlockByNumber(1).position();
    QTextCursor c(e.view->document());
    c.setPosition(start);
    e.view->setTextCursor(c);
    QApplication::clipboard()->setText(QStringLiteral("pasted\n"));
    e.view->paste();
    QCOMPARE(e.view->buffer().line(1), std::string("pasted"));
    QCOMPARE(e.view->textCursor().position(), start);
}

void ScriptViewTest::sectionRewriteKeepsPlaceAndIsOneUndoStep() {
    Editor e("");
    std::string text = "|GRT_TRACE_BEGIN\r\n|GRT_TRACE_END\r\nsetclockreg r\r\n";
    for (int i = 0; i < 300; ++i)
        text += "assign r " + std::to_string(i) + "\r\n";
    e.setLines(text);
    e.view->document()->clearUndoRedoStacks();
    CCmdView& v = *e.view;
    v.resize(300, 200);
    v.show();
    QVERIFY(QTest::qWaitForWindowExposed(&v));
    v.buffer().setSelection({{200, 2}, {201, 4}});
    v.verticalScrollBar()->setValue(150);
    const std::string before = bufferText(v.buffer());

    QVERIFY(AddTraceLine(v.buffer(), "top\\bit"));
    SetClockModeLine(v.buffer(), ClockMethod::CbufRead);
    QCOMPARE(v.buffer().selection(), (TextSelection{{202, 2}, {203, 4}}));
    QCOMPARE(v.buffer().line(202), std::string("assign r 197"));
    QCOMPARE(v.verticalScrollBar()->value(), 150);
    QVERIFY(v.isModified());

    v.undo();
    v.undo();
    QCOMPARE(bufferText(v.buffer()), before);
    QVERIFY(!v.document()->isUndoAvailable());
}

QTEST_MAIN(ScriptViewTest)
#include "script_view_test.moc"
