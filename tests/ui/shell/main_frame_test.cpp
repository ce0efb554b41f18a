// The main window by user flow: opening a script, the menus through a run, the command bar, closing
// with unsaved edits, and a long run that must leave the window responsive.

#include "frame_fixture.h"
#include "timing_application.h"

#include "ui/shell/cmd_list.h"
#include "ui/shell/run_monitor.h"
#include "ui/shell/wiz_frames.h"
#include "ui/views/log/report_view.h"
#include "ui/views/script/gr_edit_view.h"
#include "ui/views/sram/memory_view.h"

#include <QAbstractEventDispatcher>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTreeView>
#include <QScreen>
#include <QRegion>
#include <QHeaderView>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSplitterHandle>
#include <QProgressBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTextBlock>
#include <QTimer>

#include <algorithm>

using namespace cellwatch;

namespace {

// Runs the event loop until it runs out of events, which is when the application's idle pass runs.
void waitForIdlePass() {
    QEventLoop loop;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, &loop,
                     &QEventLoop::quit, Qt::QueuedConnection);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
}

QMenu* menuOf(const WindowBench& bench, const char* title) {
    for (QAction* a : bench.frame().menuBar()->actions())
        if (a->text() == QLatin1String(title))
            return a->menu();
    return nullptr;
}

QString titleOf(const CWizApp& app, ViewKind kind) {
    const CWizMDIChild* frame = app.frameOf(kind);
    return frame != nullptr ? frame->windowTitle() : QStringLiteral("(none)");
}

// Which of F5, F6, F7, F8 are enabled, as a string like "5..8".
QString runKeys(const WindowBench& bench) {
    QString keys;
    const std::pair<FrameCommand, char> items[] = {{FrameCommand::RunTest, '5'},
                                                   {FrameCommand::ContinueTest, '6'},
                                                   {FrameCommand::PauseTest, '7'},
                                                   {FrameCommand::StopTest, '8'}};
    for (const auto& [command, key] : items)
        keys += bench.action(command)->isEnabled() ? QLatin1Char(key) : QLatin1Char('.');
    return keys;
}

} // namespace

class MainFrameTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void openingBuildsTheFourFramesWithTheirTitles();
    void menusFollowTheRunStateAndTheBoard();
    void commandBarRunsTypedLinesAndKeepsTheirHistory();
    void closingWithAModifiedScriptAsksToSave();
    void caretPaneFollowsTheActiveScriptEditor();
    void editingTheScriptMarksBothTitles();
    void contextMenusOpenFromTheKeyboard();
    void closedTopPaneShowsItsHandle();
    void sramWindowOpensReadable();
    void viewCommandsFollowTheActiveView();
    void longRunKeepsTheWindowResponsive();
    void untracedCounterIsCheckedAndBrokenOnFromTheBoard();
    void windowSizeAndFrameLayoutAreKept();
};

void MainFrameTest::openingBuildsTheFourFramesWithTheirTitles() {
    WindowBench bench;
    QVERIFY(!bench.action(FrameCommand::Close)->isEnabled());
    QCOMPARE(bench.frame().statusPanes().size(), 4);
    QCOMPARE(qobject_cast<QLabel*>(bench.frame().statusPanes()[1])->text(), QStringLiteral("CAP"));

    const std::string script = bench.path("counter8.cmd");
    bench.asker->files.push_back(script);
    bench.action(FrameCommand::Open)->trigger();
    QVERIFY(bench.doc() != nullptr);
    const FileDialogRequest& open = bench.asker->fileRequests.at(0);
    QCOMPARE(open.title, std::string("Open file"));
    QCOMPARE(open.filter, std::string("Test files (*.cmd, *.sym)|*.cmd;*.sym|Symbol table (*.sym)|*.sym|"
                                      "Command script (*.cmd)|*.cmd|All files (*.*)|*.*"));
    QVERIFY(open.mustExist);

    // The four frames, and the waveform because the script traces a component.
    QCOMPARE(bench.frame().mdiArea()->subWindowList().size(), 5);
    QCOMPARE(titleOf(*bench.app, ViewKind::Waveform), QStringLiteral("Waveform"));
    QCOMPARE(titleOf(*bench.app, ViewKind::Hierarchy), QStringLiteral("Design hierarchy"));
    QCOMPARE(titleOf(*bench.app, ViewKind::TraceList), QStringLiteral("Traced components"));
    QCOMPARE(titleOf(*bench.app, ViewKind::Script),
             QStringLiteral("Command script - [%1]").arg(QString::fromStdString(script)));
    QCOMPARE(titleOf(*bench.app, ViewKind::ResultLog), QStringLiteral("Result log"));
    QCOMPARE(bench.frame().windowTitle(), QStringLiteral("LC3400 Cellwatch - counter8.cmd"));
    QVERIFY(bench.logHas("0 error(s), 0 warning(s)")); // the parse that follows every open
    QVERIFY2(!bench.doc()->scriptBuffer()->isModified(), "opening and colouring are no edit");
    QCOMPARE(bench.settings.readString("Recent File List", "File1", ""), script);

    // Alt+5 makes the SRAM frame on demand; Alt+1 finds the hierarchy frame instead of making another.
    QCOMPARE(bench.action(FrameCommand::ShowSram)->shortcut(), QKeySequence(QStringLiteral("Alt+5")));
    bench.action(FrameCommand::ShowSram)->trigger();
    QCOMPARE(titleOf(*bench.app, ViewKind::Sram), QStringLiteral("SRAM contents"));
    bench.action(FrameCommand::ShowHierarchy)->trigger();
    QCOMPARE(bench.frame().mdiArea()->subWindowList().size(), 6);
    QCOMPARE(bench.frame().mdiArea()->activeSubWindow(), bench.app->frameOf(ViewKind::Hierarchy));

    // The script stays while the session is open; the result log closes with both its panes and
    // Alt+4 brings a new one.
    QVERIFY(!bench.app->frameOf(ViewKind::Script)->close());
    QVERIFY(bench.app->frameOf(ViewKind::Script) != nullptr);
    QCOMPARE(bench.doc()->logViews().size(), std::size_t(2));
    QVERIFY(bench.app->frameOf(ViewKind::ResultLog)->close());
    QTRY_VERIFY(bench.app->frameOf(ViewKind::ResultLog) == nullptr);
    QVERIFY(bench.doc()->logViews().empty());
    bench.action(FrameCommand::ShowResultLog)->trigger();
    QCOMPARE(titleOf(*bench.app, ViewKind::ResultLog), QStringLiteral("Result log"));
    QCOMPARE(bench.doc()->logViews().size(), std::size_t(2));

    // A frame whose view is no view of ours, and a frame with no view at all.
    QLabel stranger;
    QCOMPARE(CWizMDIChild::titleFor(&stranger, bench.doc()),
             QStringLiteral("Like, totally bogus view, dude!"));
    QCOMPARE(CWizMDIChild::titleFor(nullptr, bench.doc()), QStringLiteral("Oh, isn't this weird?"));

    // Open again: No to the question keeps the session; Yes, then Cancel in the dialog, keeps it too.
    bench.asker->answers = {Answer::No};
    bench.action(FrameCommand::Open)->trigger();
    QCOMPARE(bench.asker->said.back(),
             std::string("You already have a document open. Would you like to close it?"));
    QCOMPARE(bench.asker->fileRequests.size(), std::size_t(1));
    bench.asker->answers = {Answer::Yes};
    bench.action(FrameCommand::Open)->trigger();
    QCOMPARE(bench.asker->fileRequests.size(), std::size_t(2));
    QVERIFY(bench.doc() != nullptr);

    bench.action(FrameCommand::Close)->trigger();
    QVERIFY(bench.doc() == nullptr);
    QVERIFY(bench.frame().mdiArea()->subWindowList().isEmpty());
    QCOMPARE(bench.frame().windowTitle(), QStringLiteral("LC3400 Cellwatch"));
}

void MainFrameTest::menusFollowTheRunStateAndTheBoard() {
    const std::pair<FrameCommand, const char*> keys[] = {
        {FrameCommand::RunTest, "F5"},   {FrameCommand::ContinueTest, "F6"},
        {FrameCommand::PauseTest, "F7"}, {FrameCommand::StopTest, "F8"},
        {FrameCommand::ViewWave, "F4"},  {FrameCommand::ParseScript, "F9"},
        {FrameCommand::Open, "Ctrl+O"},  {FrameCommand::ShowResultLog, "Alt+4"},
    };
    {
        WindowBench bench;
        for (const auto& [command, key] : keys)
            QCOMPARE(bench.action(command)->shortcut(), QKeySequence(QString::fromLatin1(key)));
        QCOMPARE(runKeys(bench), QStringLiteral("...."));

        bench.settings.writeString("Environment", "Wave viewer", "/bin/true");
        bench.append("counter8.cmd", "cycle 5000\n");
        bench.app->OpenSessionFile(bench.path("counter8.cmd"));
        QCOMPARE(runKeys(bench), QStringLiteral("5..."));
        QVERIFY(bench.action(FrameCommand::ShowSram)->isEnabled());
        QVERIFY(bench.action(FrameCommand::ParseScript)->isEnabled());

        // F5 leaves the run working off its first cycle command on the timer.
        bench.action(FrameCommand::RunTest)->trigger();
        QCOMPARE(bench.doc()->runState(), RunState::Cycling);
        QVERIFY(bench.frame().runTimerActive());
        QCOMPARE(runKeys(bench), QStringLiteral("..78"));
        QVERIFY(!bench.action(FrameCommand::ParseScript)->isEnabled());
        QVERIFY(!bench.action(FrameCommand::ViewWave)->isEnabled());
        QVERIFY(!bench.action(FrameCommand::SaveResultLog)->isEnabled());

        bench.action(FrameCommand::PauseTest)->trigger();
        QCOMPARE(bench.doc()->runState(), RunState::Paused);
        QVERIFY(!bench.frame().runTimerActive());
        QCOMPARE(runKeys(bench), QStringLiteral("56.8"));
        QVERIFY(bench.action(FrameCommand::ViewWave)->isEnabled());
        QVERIFY(bench.action(FrameCommand::SaveResultLog)->isEnabled());

        bench.action(FrameCommand::ContinueTest)->trigger();
        QCOMPARE(runKeys(bench), QStringLiteral("..78"));
        // The ticks alone carry the run on, and the menus follow them.
        QTRY_COMPARE(bench.doc()->runState(), RunState::Cycling);
        QTRY_VERIFY(bench.doc()->runProgress().time > 200);
        bench.action(FrameCommand::StopTest)->trigger();
        QCOMPARE(bench.doc()->runState(), RunState::Idle);
        QCOMPARE(runKeys(bench), QStringLiteral("5..."));

        // The clocking items show the session's method; "External clock" is never offered.
        QVERIFY(!bench.action(FrameCommand::ExternalClock)->isEnabled());
        bench.action(FrameCommand::CbufRead)->trigger();
        QVERIFY(bench.action(FrameCommand::CbufRead)->isChecked());
        QVERIFY(!bench.action(FrameCommand::RegOut)->isChecked());
        QCOMPARE(bench.doc()->clockMethod(), ClockMethod::CbufRead);
    }
    {
        WindowBench bench("none");
        bench.app->OpenSessionFile(bench.path("counter8.cmd"));
        QVERIFY(bench.doc() != nullptr);
        QCOMPARE(bench.asker->said.at(0), std::string("LC3400DS Not Found!"));
        QCOMPARE(runKeys(bench), QStringLiteral("...."));
        QVERIFY(!bench.action(FrameCommand::ShowSram)->isEnabled());
        QVERIFY(bench.action(FrameCommand::ShowResultLog)->isEnabled());
        QVERIFY(bench.action(FrameCommand::ParseScript)->isEnabled());
    }
}

void MainFrameTest::commandBarRunsTypedLinesAndKeepsTheirHistory() {
    WindowBench bench;
    bench.frame().show();
    QVERIFY(QTest::qWaitForWindowActive(&bench.frame()));
    CCmdList& line = *bench.frame().cmdList();
    // As a user types: a click in the command line, then keys to whatever holds the focus.
    const auto click = [&line] {
        QTest::mouseClick(line.lineEdit(), Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
        QTRY_VERIFY(QApplication::focusWidget() != nullptr);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    };
    const auto type = [&](const QString& text, Qt::Key enter = Qt::Key_Return) {
        click();
        if (text.isEmpty())
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
        QTest::keyClicks(QApplication::focusWidget(), text);
        QTest::keyClick(QApplication::focusWidget(), enter,
                        enter == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    };
    type(QStringLiteral("echo \"nobody listens\""));
    QVERIFY(line.history().isEmpty()); // no session: nothing happens

    bench.append("counter8.cmd", "cycle 5000\n");
    bench.app->OpenSessionFile(bench.path("counter8.cmd"));
    type(QStringLiteral("echo \"first\""));
    QVERIFY(bench.logHas("first"));
    QCOMPARE(line.history(), QStringList{QStringLiteral("echo \"first\"")});
    QCOMPARE(line.lineEdit()->selectedText(), QStringLiteral("echo \"first\""));
    // The selected line is replaced by the next typing, and keypad Enter runs it as Return does.
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("echo \"first\""));
    QCOMPARE(line.currentText(), QStringLiteral("echo \"first\""));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(line.history().size(), 2);
    // Only the first line of a pasted text is taken.
    click();
    line.setEditText(QStringLiteral("echo \"second\"\nignored"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    type(QString());
    QCOMPARE(line.history(),
             (QStringList{QString(), QStringLiteral("echo \"second\""), QStringLiteral("echo \"first\""),
                          QStringLiteral("echo \"first\"")}));

    // With a paused run the line asks first: No keeps the run and the history, Yes stops the run.
    bench.action(FrameCommand::RunTest)->trigger();
    bench.action(FrameCommand::PauseTest)->trigger();
    bench.asker->answers = {Answer::No};
    type(QStringLiteral("echo \"third\""));
    QCOMPARE(bench.asker->said.back(), std::string("Are you sure you want to use the command line? This will "
                                                   "stop the currently paused session."));
    QCOMPARE(bench.doc()->runState(), RunState::Paused);
    QCOMPARE(line.history().size(), 4);
    QCOMPARE(line.currentText(), QStringLiteral("echo \"third\""));
    bench.asker->answers = {Answer::Yes};
    type(QStringLiteral("echo \"third\""));
    QCOMPARE(bench.doc()->runState(), RunState::Idle);
    QVERIFY(bench.logHas("Test run stopped by user."));
    QVERIFY(bench.logHas("third"));
    QCOMPARE(line.history().first(), QStringLiteral("echo \"third\""));

    // A cycle typed on the command line runs on the timer like a script's.
    type(QStringLiteral("cycle 300"), Qt::Key_Enter);
    QCOMPARE(bench.doc()->runState(), RunState::Cycling);
    QTRY_COMPARE(bench.doc()->runState(), RunState::Idle);
    QCOMPARE(line.history().first(), QStringLiteral("cycle 300"));

    // Without a board the line is refused and stays selected for retyping.
    bench.app.reset();
    WindowBench boardless("none");
    boardless.frame().show();
    QVERIFY(QTest::qWaitForWindowActive(&boardless.frame()));
    boardless.app->OpenSessionFile(boardless.path("counter8.cmd"));
    CCmdList& other = *boardless.frame().cmdList();
    QTest::mouseClick(other.lineEdit(), Qt::LeftButton, Qt::NoModifier, QPoint(4, 4));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("clearall"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(boardless.asker->said.back(), std::string("There is no LC3400DS device driver!"));
    QVERIFY(other.history().isEmpty());
    QCOMPARE(other.lineEdit()->selectedText(), QStringLiteral("clearall"));
}

void MainFrameTest::closingWithAModifiedScriptAsksToSave() {
    WindowBench bench;
    bench.frame().show();
    const std::string script = bench.path("counter8.cmd");
    bench.app->OpenSessionFile(script);
    // The clocking menu rewrites the script's setclockmode line.
    bench.action(FrameCommand::CbufAssign)->trigger();
    QVERIFY(bench.doc()->scriptBuffer()->isModified());

    bench.asker->answers = {Answer::Cancel};
    QVERIFY(!bench.frame().close());
    QCOMPARE(bench.asker->said.back(),
             std::string("Command script has been modified. Do you wish to save before closing?"));
    QVERIFY(bench.frame().isVisible());
    QVERIFY(bench.doc() != nullptr);

    bench.asker->answers = {Answer::Yes};
    QVERIFY(bench.frame().close());
    QVERIFY(bench.doc() == nullptr);
    QFile saved(QString::fromStdString(script));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll().contains("setclockmode CBUF_ASSIGN"));
}

void MainFrameTest::caretPaneFollowsTheActiveScriptEditor() {
    WindowBench bench;
    bench.frame().show();
    QVERIFY(QTest::qWaitForWindowExposed(&bench.frame()));
    QLabel* pane = bench.frame().caretPane();
    QCOMPARE(pane->parentWidget(), bench.frame().statusBar());
    QVERIFY(pane->isEnabled());
    QVERIFY(pane->minimumWidth() >=
            pane->fontMetrics().horizontalAdvance(QStringLiteral("Ln 99999, Col 999")));
    QCOMPARE(pane->text(), QString());

    bench.app->OpenSessionFile(bench.path("counter8.cmd"));
    bench.action(FrameCommand::ShowScript)->trigger();
    auto* editor = qobject_cast<CGRTEditView*>(bench.app->frameOf(ViewKind::Script)->activeView());
    QVERIFY(editor != nullptr);
    waitForIdlePass();
    QCOMPARE(pane->text(), QStringLiteral("Ln     1, Col   1"));

    // The idle pass takes the caret's new place.
    QTextCursor c = editor->textCursor();
    c.setPosition(editor->document()->findBlockByNumber(1).position() + 2);
    editor->setTextCursor(c);
    QCOMPARE(pane->text(), QStringLiteral("Ln     1, Col   1"));
    waitForIdlePass();
    QCOMPARE(pane->text(), QStringLiteral("Ln     2, Col   3"));

    // Another view active: the pane is blank; the editor again: its position is back.
    bench.action(FrameCommand::ShowResultLog)->trigger();
    QCOMPARE(pane->text(), QString());
    bench.action(FrameCommand::ShowScript)->trigger();
    QCOMPARE(pane->text(), QStringLiteral("Ln     2, Col   3"));

    // "Save command script as" takes the position at once, without waiting for the idle pass.
    c.setPosition(editor->document()->findBlockByNumber(3).position());
    editor->setTextCursor(c);
    bench.asker->files.push_back(bench.path("saved-as.cmd"));
    bench.action(FrameCommand::SaveScriptAs)->trigger();
    QCOMPARE(pane->text(), QStringLiteral("Ln     4, Col   1"));
}

void MainFrameTest::editingTheScriptMarksBothTitles() {
    WindowBench bench;
    bench.frame().show();
    QVERIFY(QTest::qWaitForWindowActive(&bench.frame()));
    const std::string script = bench.path("counter8.cmd");
    const QString scriptTitle = QStringLiteral("Command script - [%1]").arg(QString::fromStdString(script));
    bench.app->OpenSessionFile(script);
    bench.action(FrameCommand::ShowScript)->trigger();
    auto* editor = qobject_cast<CGRTEditView*>(bench.app->frameOf(ViewKind::Script)->activeView());
    QVERIFY(editor != nullptr);
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 8));
    QTRY_COMPARE(QApplication::focusWidget(), editor);
    waitForIdlePass();
    QCOMPARE(titleOf(*bench.app, ViewKind::Script), scriptTitle);
    QCOMPARE(bench.frame().windowTitle(), QStringLiteral("LC3400 Cellwatch - counter8.cmd"));

    // Typing marks both titles at the next idle pass.
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("| a note"));
    waitForIdlePass();
    QCOMPARE(titleOf(*bench.app, ViewKind::Script), scriptTitle + QStringLiteral(" *"));
    QCOMPARE(bench.frame().windowTitle(), QStringLiteral("LC3400 Cellwatch - counter8.cmd *"));

    // Undone back to the text as saved, the marks go.
    for (int i = 0; i < 10 && editor->isModified(); ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(!editor->isModified());
    waitForIdlePass();
    QCOMPARE(titleOf(*bench.app, ViewKind::Script), scriptTitle);
    QCOMPARE(bench.frame().windowTitle(), QStringLiteral("LC3400 Cellwatch - counter8.cmd"));

    // Edited again and saved: the marks go with the save.
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("| kept"));
    waitForIdlePass();
    QCOMPARE(bench.frame().windowTitle(), QStringLiteral("LC3400 Cellwatch - counter8.cmd *"));
    bench.action(FrameCommand::SaveScript)->trigger();
    waitForIdlePass();
    QCOMPARE(titleOf(*bench.app, ViewKind::Script), scriptTitle);
    QCOMPARE(bench.frame().windowTitle(), QStringLiteral("LC3400 Cellwatch - counter8.cmd"));
    QFile saved(QString::fromStdString(script));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.readAll().contains("| kept"));

    // A session opened from a symbol table edits an untitled script; the clocking menu's rewrite marks it.
    bench.asker->files = {bench.path("counter8.cal")};
    bench.app->OpenSessionFile(bench.path("counter8.sym"));
    QVERIFY(bench.doc() != nullptr);
    waitForIdlePass();
    QCOMPARE(bench.frame().windowTitle(), QStringLiteral("LC3400 Cellwatch - untitled"));
    QCOMPARE(titleOf(*bench.app, ViewKind::Script), QStringLiteral("Command script - []"));
    bench.action(FrameCommand::CbufRead)->trigger();
    waitForIdlePass();
    QCOMPARE(bench.frame().windowTitle(), QStringLiteral("LC3400 Cellwatch - untitled *"));
    QCOMPARE(titleOf(*bench.app, ViewKind::Script), QStringLiteral("Command script - [] *"));
}

void MainFrameTest::contextMenusOpenFromTheKeyboard() {
    WindowBench bench;
    bench.frame().show();
    QVERIFY(QTest::qWaitForWindowActive(&bench.frame()));
    bench.app->OpenSessionFile(bench.path("counter8.cmd"));
    const struct {
        ViewKind kind;
        const char* firstItem;
    } views[] = {
        {ViewKind::TraceList, "Group..."},
        {ViewKind::Hierarchy, "&Select clock register"},
        {ViewKind::Sram, "&View SRAM location..."},
        {ViewKind::Waveform, "Export picture..."},
    };
    const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {{Qt::Key_F10, Qt::ShiftModifier},
                                                              {Qt::Key_Menu, Qt::NoModifier}};
    for (const auto& view : views) {
        bench.app->showView(view.kind);
        QWidget* shown = bench.frame().activeView();
        QVERIFY(shown != nullptr);
        auto* scrolled = qobject_cast<QAbstractScrollArea*>(shown);
        for (const auto& [key, modifiers] : keys) {
            // Offscreen, nothing gives the window back its activation when a menu closes.
            bench.frame().activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&bench.frame()));
            QTest::mouseClick(scrolled != nullptr ? scrolled->viewport() : shown, Qt::LeftButton, Qt::NoModifier,
                              QPoint(30, 30));
            QTRY_VERIFY(QApplication::focusWidget() == shown);
            // The menu shows its first item; it is closed again by the poll that saw it.
            QString seen;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, [&seen] {
                if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                    seen = menu->actions().value(0) != nullptr ? menu->actions().value(0)->text() : QString();
                    menu->close();
                }
            });
            poll.start(10);
            QTest::keyClick(QApplication::focusWidget(), key, modifiers);
            QTRY_COMPARE(seen, QString::fromLatin1(view.firstItem));
            QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
        }
    }
}

void MainFrameTest::closedTopPaneShowsItsHandle() {
    WindowBench bench;
    bench.frame().show();
    QVERIFY(QTest::qWaitForWindowExposed(&bench.frame()));
    bench.app->OpenSessionFile(bench.path("counter8.cmd"));
    bench.action(FrameCommand::ShowSram)->trigger();
    for (ViewKind kind : {ViewKind::ResultLog, ViewKind::Sram}) {
        auto* frame = static_cast<CSplitFrame*>(bench.app->frameOf(kind));
        CWizSplitWnd* panes = frame->splitWnd();
        QVERIFY(!panes->isSplit());
        QSplitterHandle* handle = panes->handle(1);
        QVERIFY(handle->isVisible());
        // A bar across the top of the window, drawn apart from the window's own grey, that says what it is.
        QCOMPARE(handle->geometry().top(), 0);
        QVERIFY(handle->height() >= 6);
        QCOMPARE(handle->width(), panes->width());
        QVERIFY(!handle->toolTip().isEmpty());
        const QImage bar = handle->grab().toImage();
        QVERIFY(bar.pixelColor(2, bar.height() / 2) != handle->palette().color(QPalette::Window));
    }
}

void MainFrameTest::sramWindowOpensReadable() {
    // Whether a row of the SRAM view shows whole: four words or more, and the characters.
    const auto readable = [](const WindowBench& bench) {
        auto* sram = qobject_cast<CMemoryView*>(bench.frame().activeView());
        if (sram == nullptr)
            return QStringLiteral("no SRAM view");
        const int row = static_cast<int>(sram->rowText(0).size()) * sram->columnWidth() + 2;
        if (sram->wordsPerLine() < 4 || sram->viewport()->width() < row)
            return QStringLiteral("%1 words a row, %2 of %3 pixels shown")
                .arg(sram->wordsPerLine())
                .arg(sram->viewport()->width())
                .arg(row);
        return QString();
    };
    {
        // In the window as it opens the frames fill the area: the SRAM frame goes over them, whole.
        // (The offscreen screen is 800 by 600, so the window that opens at three quarters of it is
        // made the size of a window on a desk first.)
        WindowBench bench;
        bench.frame().resize(1100, 760);
        bench.frame().show();
        QVERIFY(QTest::qWaitForWindowExposed(&bench.frame()));
        bench.app->OpenSessionFile(bench.path("counter8.cmd"));
        bench.action(FrameCommand::ShowSram)->trigger();
        QTRY_COMPARE(readable(bench), QString());
        const QRect area(QPoint(0, 0), bench.frame().mdiArea()->viewport()->size());
        QVERIFY(area.contains(bench.app->frameOf(ViewKind::Sram)->geometry()));
    }
    {
        // A window made larger after the session opened has room: the SRAM frame covers no other.
        WindowBench bench;
        bench.frame().show();
        QVERIFY(QTest::qWaitForWindowExposed(&bench.frame()));
        bench.app->OpenSessionFile(bench.path("counter8.cmd"));
        bench.frame().resize(2200, 1300);
        QTRY_VERIFY(bench.frame().mdiArea()->viewport()->width() > 2000);
        bench.action(FrameCommand::ShowSram)->trigger();
        QTRY_COMPARE(readable(bench), QString());
        const QRect sram = bench.app->frameOf(ViewKind::Sram)->geometry();
        for (const QMdiSubWindow* other : bench.frame().mdiArea()->subWindowList()) {
            if (other != bench.app->frameOf(ViewKind::Sram))
                QVERIFY2(!other->geometry().intersects(sram), qPrintable(other->windowTitle()));
        }
    }
}

void MainFrameTest::viewCommandsFollowTheActiveView() {
    WindowBench bench;
    QAction* location = bench.action(FrameCommand::ViewSramLocation);
    QCOMPARE(location->text(), QStringLiteral("&View SRAM location..."));
    QVERIFY(!location->isEnabled());
    bench.app->OpenSessionFile(bench.path("counter8.cmd"));
    bench.action(FrameCommand::ShowScript)->trigger();
    QVERIFY(!location->isEnabled());

    // In the View menu, enabled while the SRAM view is active; it jumps in that view.
    bench.action(FrameCommand::ShowSram)->trigger();
    QVERIFY(location->isEnabled());
    QVERIFY(menuOf(bench, "&View")->actions().contains(location));
    auto* sram = qobject_cast<CMemoryView*>(bench.frame().activeView());
    QVERIFY(sram != nullptr);
    bench.asker->texts = {std::string("1000")};
    location->trigger();
    QCOMPARE(bench.asker->textTitles.back(), std::string("SRAM Location"));
    QCOMPARE(sram->verticalScrollBar()->value(), 0x1000 / 4 / sram->wordsPerLine());

    bench.action(FrameCommand::ShowResultLog)->trigger();
    QVERIFY(!location->isEnabled());

    // The find commands: in the Edit menu with their keys, enabled only while a result log pane is active.
    const std::pair<FrameCommand, const char*> finds[] = {
        {FrameCommand::Find, "Ctrl+F"},
        {FrameCommand::FindNext, "F3"},
        {FrameCommand::FindPrevious, "Shift+F3"},
        {FrameCommand::NextError, "F2"},
        {FrameCommand::PreviousError, "Shift+F2"},
    };
    for (const auto& [command, key] : finds) {
        QCOMPARE(bench.action(command)->shortcut(), QKeySequence(QString::fromLatin1(key)));
        QVERIFY(menuOf(bench, "&Edit")->actions().contains(bench.action(command)));
        QVERIFY(bench.action(command)->isEnabled());
    }
    auto* log = qobject_cast<CReportView*>(bench.frame().activeView());
    QVERIFY(log != nullptr);
    // F3 before any text asks for it; Cancel leaves everything as it was.
    bench.action(FrameCommand::FindNext)->trigger();
    QCOMPARE(bench.asker->textTitles.back(), std::string("Find"));
    QVERIFY(!log->searching());
    log->scrollToStart();
    QSignalSpy finished(log, &CReportView::searchFinished);
    bench.asker->texts = {std::string("WARNING(S)")};
    bench.action(FrameCommand::Find)->trigger();
    QVERIFY(finished.wait(10000));
    QVERIFY(finished.at(0).at(0).toBool());
    const int marked = *log->mark() - 1;
    QVERIFY(log->lineIndex().lineCount(*bench.doc()) > static_cast<std::uint64_t>(marked));
    std::vector<std::string> text;
    log->lineIndex().page(*bench.doc(), static_cast<std::uint64_t>(marked), 1,
                          [&](std::string_view t) { text.emplace_back(t); });
    QVERIFY(text.at(0).find("warning(s)") != std::string::npos);

    bench.action(FrameCommand::ShowScript)->trigger();
    for (const auto& [command, key] : finds)
        QVERIFY(!bench.action(command)->isEnabled());
}

void MainFrameTest::longRunKeepsTheWindowResponsive() {
    auto& timing = static_cast<TimingApplication&>(*qApp);
    WindowBench bench;
    // 10 + 250 + 99740 = 100000 cycles; the 8-bit counter then holds 100000 mod 256 = 0xa0.
    bench.append("counter8.cmd", "cycle 99740\ncheck count a0\\h\necho \"all cycles done\"\n");
    bench.frame().show();
    QVERIFY(QTest::qWaitForWindowExposed(&bench.frame()));
    bench.app->OpenSessionFile(bench.path("counter8.cmd"));
    QApplication::processEvents();

    // The event loop gets its turn while the long cycle command goes on: a timer of its own sees the
    // command part done, and the progress bar says how far.
    bool seenMidway = false;
    QString progressText;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const RunProgress p = bench.doc()->runProgress();
        if (p.state == RunState::Cycling && p.cyclesTarget == 99740 && p.cyclesDone > 0 &&
            p.cyclesDone < p.cyclesTarget) {
            seenMidway = true;
            if (bench.frame().runMonitor().progressBar()->isVisible())
                progressText = bench.frame().runMonitor().progressBar()->text();
        }
    });
    watch.start(0);
    timing.measuring = true;
    timing.longestMs = 0;
    timing.events = 0;
    QMetaObject::invokeMethod(bench.action(FrameCommand::RunTest), &QAction::trigger, Qt::QueuedConnection);
    QTRY_VERIFY_WITH_TIMEOUT(bench.logHas("all cycles done") && bench.doc()->runState() == RunState::Idle,
                             120000);
    timing.measuring = false;
    qInfo("longest %lld ms over %lld events", timing.longestMs, timing.events);

    QCOMPARE(bench.doc()->errorCount(), 0);
    QCOMPARE(bench.doc()->failedCheckCount(), 0);
    QCOMPARE(bench.doc()->time(), 100000 * 10);
    QVERIFY(!bench.frame().runTimerActive());
    watch.stop();
    QVERIFY2(seenMidway, "the cycles were not spread over the timer's ticks");
    QVERIFY2(progressText.isEmpty() || progressText.endsWith(QStringLiteral(" of 99740")), qPrintable(progressText));
    QVERIFY(!bench.frame().runMonitor().progressBar()->isVisible());
    // How long the longest handler blocked is a speed figure: printed above, bounded by a benchmark
    // (bench/ui/bench_window_run).
    // The run split the result log, as "AutoSplit" asks.
    QVERIFY(static_cast<CSplitFrame*>(bench.app->frameOf(ViewKind::ResultLog))->splitWnd()->isSplit());
}

void MainFrameTest::untracedCounterIsCheckedAndBrokenOnFromTheBoard() {
    // counter8.cmd with `count` no longer traced, and a break condition on it: the run pauses in
    // the fifth cycle and, continued, passes its checks of ten and 260 counts.
    WindowBench bench;
    QFile script(QString::fromStdString(bench.path("counter8.cmd")));
    QVERIFY(script.open(QIODevice::ReadOnly));
    QByteArray text = script.readAll();
    script.close();
    QVERIFY(text.contains("trace count"));
    text.replace("trace count", "");
    text.replace("radix hex count", "radix hex count\r\nbreak count 04\\h");
    QVERIFY(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
    script.write(text);
    script.close();
    bench.frame().show();
    bench.app->OpenSessionFile(bench.path("counter8.cmd"));
    QApplication::processEvents();

    bench.action(FrameCommand::RunTest)->trigger();
    QTRY_COMPARE(bench.doc()->runState(), RunState::Paused);
    QCOMPARE(bench.doc()->runProgress().cyclesDone, 5);
    QVERIFY(bench.logHas("Break occured: \"count\" = "));
    bench.action(FrameCommand::ContinueTest)->trigger();
    QTRY_VERIFY(bench.logHas("wrapped past ff") && bench.doc()->runState() == RunState::Idle);
    QCOMPARE(bench.doc()->failedCheckCount(), 0);
    QVERIFY(!bench.logHas("Assertion failed"));
}

void MainFrameTest::windowSizeAndFrameLayoutAreKept() {
    auto bench = std::make_unique<WindowBench>();
    CMainFrame& frame = bench->frame();
    // A first start: three quarters of the screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(std::abs(frame.width() - screen.width() * 3 / 4) <= 2);
    QVERIFY(std::abs(frame.height() - screen.height() * 3 / 4) <= 2);
    frame.resize(1100, 760);
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QVERIFY(bench->app->OpenSessionFile(bench->path("counter8.cmd")) != nullptr);
    QApplication::processEvents();

    // The frames fill the area between them, and the trace list shows its five columns whole.
    const QRect area(QPoint(0, 0), frame.mdiArea()->viewport()->size());
    QRegion covered;
    for (QMdiSubWindow* child : frame.mdiArea()->subWindowList())
        covered += child->geometry();
    QCOMPARE(covered, QRegion(area));
    auto* list = qobject_cast<QTreeView*>(bench->app->frameOf(ViewKind::TraceList)->widget());
    QVERIFY(list != nullptr);
    QVERIFY2(list->header()->length() <= list->viewport()->width(), "the trace list needs a scroll bar");

    // The user moves the trace list and makes the window smaller; both are kept for the next start.
    CWizMDIChild* traces = bench->app->frameOf(ViewKind::TraceList);
    traces->setGeometry(QRect(40, 30, 500, 300));
    const QSize oldArea = frame.mdiArea()->viewport()->size();
    QVERIFY(frame.close());
    QTRY_VERIFY(!frame.isVisible());
    QtSettings& settings = bench->settings;
    QVERIFY(!settings.readString("Window", "Geometry", "").empty());

    CWizApp again(settings, bench->temp);
    again.setAsker(std::make_unique<ScriptedAsker>());
    CWizApp::StartOptions options;
    options.splash = false;
    QVERIFY(again.InitInstance(options));
    QCOMPARE(again.mainFrame()->size(), QSize(1100, 760));
    QVERIFY(QTest::qWaitForWindowExposed(again.mainFrame()));
    QVERIFY(again.OpenSessionFile(bench->path("counter8.cmd")) != nullptr);
    QApplication::processEvents();
    const QSize newArea = again.mainFrame()->mdiArea()->viewport()->size();
    QCOMPARE(newArea, oldArea);
    const QRect place = again.frameOf(ViewKind::TraceList)->geometry();
    QVERIFY(std::abs(place.x() - 40) <= 1 && std::abs(place.y() - 30) <= 1);
    QVERIFY(std::abs(place.width() - 500) <= 1 && std::abs(place.height() - 300) <= 1);
    again.closeSession();
}

int main(int argc, char** argv) {
    prepareRuntimeFolder();
    TimingApplication application(argc, argv);
    MainFrameTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "main_frame_test.moc"
