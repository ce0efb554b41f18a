// A run in the window records what the same run unattended records: every example and scripts that
// cover the clocking methods, a traced and an untraced clock, breaks, failed checks and traceoff are
// run once with F5 (Continue at every pause, every log pane scrolled back and forth there) and once by
// the program with -run; the sample rows and the VCD must agree, and the other log lines differ only
// where the two kinds of run differ by design.

#include "frame_fixture.h"

#include "app/cwiz_doc.h"
#include "ui/views/log/report_view.h"

#include <QFile>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <string>
#include <vector>

using namespace cellwatch;

namespace {

// The design of a register beside a clock register two columns away, and an empty configuration.
const char* kTwoRegisterSym = "# a and its clock\nS top\\clk 0 0 5 0 R S\nS top\\a 0 0 1 0 R S\n";

std::string scriptFor(const std::string& sym, const std::string& body) {
    return "|GRT_SYMBOL_TABLE \"" + sym + "\"\n|GRT_VECTOR_BEGIN\n|GRT_VECTOR_END\n|GRT_TRACE_BEGIN\n"
           "|GRT_TRACE_END\n" + body;
}

const char* kCounterVector = "vector count counter8\\q7 counter8\\q6 counter8\\q5 counter8\\q4 counter8\\q3 "
                             "counter8\\q2 counter8\\q1 counter8\\q0\n";

struct Case {
    const char* name;
    std::string file; // a copied example, or a script written for the case
    std::string text; // empty for an example
};

std::vector<Case> cases() {
    const std::string counter = std::string(kCounterVector) + "trace count counter8\\carry4\n";
    return {
        {"counter8 example", "counter8.cmd", ""},
        {"cbuf_counter example", "cbuf_counter.cmd", ""},
        {"lfsr4 example", "lfsr4.cmd", ""},
        {"shift16 example", "shift16.cmd", ""},
        // The fault as it was found: REG 0/1 with the clock traced, a pause, a register that changes.
        {"REG 0/1, clock traced", "reg_traced.cmd",
         scriptFor("two.sym", "trace top\\a\ntrace SOFTWARE_CLOCK\nsetclockreg top\\clk\nsetclockmode REG_OUT\n"
                              "loadcal \"empty.cal\"\nassign top\\a 1\ncycle 40\nassign top\\a 0\ncycle 3\n"
                              "break\nassign top\\a 1\ncycle 3\necho \"end\"\n")},
        {"REG 0/1, clock untraced, breaks, failed checks, traceoff", "reg_untraced.cmd",
         scriptFor("counter8.sym", counter + "setclockreg counter8\\clk\nsetclockmode reg_out\n"
                                             "loadcal \"counter8.cal\"\nradix hex count\nbreak count 23\\h\n"
                                             "clearall\ncycle 30\nbreak\ncheck count 1e\\h\ncycle 20\n"
                                             "check count 00\\h\ntraceoff\ncycle 7\ntraceon\ncycle 5\n"
                                             "check count 3f\\h\necho \"done\"\n")},
        {"REG 0/1 with the clock traced and a break condition", "reg_clock_break.cmd",
         scriptFor("counter8.sym", counter + "trace SOFTWARE_CLOCK\nsetclockreg counter8\\clk\n"
                                             "setclockmode reg_out\nloadcal \"counter8.cal\"\n"
                                             "break count 00010001\nclearall\ncycle 40\ncheck count 2\\h\n"
                                             "traceoff\ncycle 3\ntraceon\ncycle 4\n")},
        {"CBUF read, clock traced", "cbuf_read.cmd",
         scriptFor("cbuf_counter.sym",
                   "vector count cbuf_counter\\q3 cbuf_counter\\q2 cbuf_counter\\q1 cbuf_counter\\q0\n"
                   "trace count SOFTWARE_CLOCK\nsetclockreg cbuf_counter\\clk\nsetclockmode cbuf_read\n"
                   "loadcal \"cbuf_counter.cal\"\nclearall\ncycle 9\nbreak\ncheck count 1\ncycle 12\n")},
        {"CBUF assign, clock untraced", "cbuf_assign.cmd",
         scriptFor("cbuf_counter.sym",
                   "vector count cbuf_counter\\q3 cbuf_counter\\q2 cbuf_counter\\q1 cbuf_counter\\q0\n"
                   "trace count\nsetclockreg cbuf_counter\\clk\nsetclockmode cbuf_assign\n"
                   "loadcal \"cbuf_counter.cal\"\nbreak count 0111\nclearall\ncycle 9\nassign count 0\n"
                   "cycle 12\ntraceoff\ncycle 2\ntraceon\ncycle 2\n")},
        {"no clocking method", "no_method.cmd",
         scriptFor("counter8.sym", counter + "setclockreg counter8\\clk\nsetclockmode none\n"
                                             "loadcal \"counter8.cal\"\nclearall\ncycle 6\nbreak\n"
                                             "assign counter8\\q0 1\ncycle 4\ncheck count 0\n")},
        {"no software clock", "no_clock.cmd",
         scriptFor("counter8.sym", counter + "loadcal \"counter8.cal\"\nclearall\ncycle 6\n"
                                             "break\nassign counter8\\q3 1\ncycle 4\ncheck count 0\n")},
    };
}

std::vector<std::string> readLines(const std::string& path) {
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    std::vector<std::string> lines;
    for (const QByteArray& line : file.readAll().split('\n'))
        lines.push_back(line.endsWith('\r') ? line.chopped(1).toStdString() : line.toStdString());
    return lines;
}

std::vector<std::string> rowsOf(const std::vector<std::string>& lines) {
    std::vector<std::string> rows;
    for (const std::string& line : lines)
        if (!line.empty() && line.front() == '#')
            rows.push_back(line);
    return rows;
}

// Where two texts first differ, for the failure message; empty when they are equal.
QString firstDifference(const char* what, const std::vector<std::string>& batch,
                        const std::vector<std::string>& window) {
    for (std::size_t i = 0; i < std::max(batch.size(), window.size()); ++i) {
        const std::string b = i < batch.size() ? batch[i] : "<none>";
        const std::string w = i < window.size() ? window[i] : "<none>";
        if (b != w)
            return QStringLiteral("%1 %2: batch \"%3\", window \"%4\"")
                .arg(QString::fromLatin1(what))
                .arg(i + 1)
                .arg(QString::fromStdString(b), QString::fromStdString(w));
    }
    return {};
}

// The VCD without its date, which tells when each file was written.
std::vector<std::string> vcdBody(const std::string& path) {
    std::vector<std::string> out;
    bool inDate = false;
    for (const std::string& line : readLines(path)) {
        if (line.rfind("$date", 0) == 0)
            inDate = true;
        if (!inDate)
            out.push_back(line);
        if (inDate && line.find("$end") != std::string::npos)
            inDate = false;
    }
    return out;
}

// Walks the batch log beside the window's and returns the first line where they differ beyond what
// the two kinds of run do differently by design (empty when none):
// - nobody is there to continue a batch run, so it skips a `break` command ("|Break command skipped")
//   where the window's run pauses ("|Test run paused by break command.");
// - pausing there, the window's run samples the traced components once more at the same time: when
//   tracing is on and every value is recorded, the row before the pause comes again after its line.
//   (Here no command reads the board between the last cycle and a `break`; one that does would show
//   its new values in that row and in the VCD a cycle early, which is why the scripts avoid it.)
// Everything else, sample rows and the summary line included, must be the same.
QString logDifference(const std::vector<std::string>& batch, const std::vector<std::string>& window) {
    std::size_t j = 0;
    std::string lastRow;
    const auto line = [](const std::vector<std::string>& lines, std::size_t k) {
        return k < lines.size() ? lines[k] : std::string("<none>");
    };
    for (std::size_t i = 0; i < batch.size() || j < window.size(); ++i, ++j) {
        const std::string b = line(batch, i);
        const std::string w = line(window, j);
        const std::string want = b == "|Break command skipped" ? "|Test run paused by break command." : b;
        if (want != w)
            return QStringLiteral("batch line %1 \"%2\", window line %3 \"%4\"")
                .arg(i + 1)
                .arg(QString::fromStdString(b))
                .arg(j + 1)
                .arg(QString::fromStdString(w));
        if (b != want && !lastRow.empty() && line(window, j + 1) == lastRow)
            ++j;
        if (!b.empty() && b.front() == '#')
            lastRow = b;
    }
    return {};
}

int runUnattended(const std::string& script, const std::string& log, const std::string& vcd) {
    QProcess run;
    run.start(QStringLiteral(CELLWATCH_PROGRAM),
              {QStringLiteral("-run"), QString::fromStdString("-log=" + log), QString::fromStdString("-vcd=" + vcd),
               QString::fromStdString(script)});
    if (!run.waitForFinished(120000))
        return -1;
    return run.exitStatus() == QProcess::NormalExit ? run.exitCode() : -1;
}

void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWidget* focus = QApplication::focusWidget();
    QVERIFY(focus != nullptr);
    QTest::keyClick(focus, static_cast<Qt::Key>(key), modifiers);
}

// What a user does to a log pane while a run waits: click into it, go to the top, page down through
// it, to the end and back, each page drawn.
void scrollBackAndForth(CReportView& view) {
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(4, 4));
    QTRY_VERIFY(QApplication::focusWidget() == &view);
    press(Qt::Key_Home, Qt::ControlModifier);
    (void)view.viewport()->grab();
    for (int page = 0; page < 4; ++page) {
        press(Qt::Key_PageDown);
        (void)view.viewport()->grab();
    }
    press(Qt::Key_End);
    (void)view.viewport()->grab();
    press(Qt::Key_PageUp);
    press(Qt::Key_Up);
    (void)view.viewport()->grab();
}

std::vector<CReportView*> logPanes(const CWizDoc& doc) {
    std::vector<CReportView*> panes;
    for (LogView* view : doc.logViews())
        if (auto* pane = dynamic_cast<CReportView*>(view))
            panes.push_back(pane);
    return panes;
}

// F5, then at every pause each pane scrolled about and F6, until the run is over; pauses counts them.
void runInWindow(WindowBench& bench, const std::string& script, int& pauses) {
    bench.app->OpenSessionFile(script);
    QVERIFY(bench.doc() != nullptr);
    bench.frame().activateWindow();
    QTRY_VERIFY_WITH_TIMEOUT(QApplication::focusWidget() != nullptr, 5000);
    pauses = 0;
    press(Qt::Key_F5);
    for (;;) {
        QTRY_VERIFY_WITH_TIMEOUT(bench.doc()->runState() == RunState::Paused ||
                                     bench.doc()->runState() == RunState::Idle,
                                 60000);
        if (bench.doc()->runState() == RunState::Idle)
            break;
        ++pauses;
        for (CReportView* pane : logPanes(*bench.doc()))
            scrollBackAndForth(*pane);
        press(Qt::Key_F6);
        QVERIFY(pauses < 200);
    }
}

} // namespace

class WindowBatchTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void scrolledLogDuringAPauseKeepsTheBatchRows();
    void windowRunsRecordWhatBatchRunsRecord();
};

// The steps of the report that found the fault: the lower pane scrolled to the rows where a is 1
// while the run waits at its break, then Continue.
void WindowBatchTest::scrolledLogDuringAPauseKeepsTheBatchRows() {
    WindowBench bench;
    const Case issue = cases()[4];
    QFile::remove(QString::fromStdString(bench.path("two.sym")));
    {
        QFile sym(QString::fromStdString(bench.path("two.sym")));
        QVERIFY(sym.open(QIODevice::WriteOnly));
        sym.write(kTwoRegisterSym);
        QFile cal(QString::fromStdString(bench.path("empty.cal")));
        QVERIFY(cal.open(QIODevice::WriteOnly));
        QFile cmd(QString::fromStdString(bench.path(issue.file.c_str())));
        QVERIFY(cmd.open(QIODevice::WriteOnly));
        cmd.write(issue.text.c_str());
    }
    const std::string script = bench.path(issue.file.c_str());
    bench.frame().show();
    QVERIFY(QTest::qWaitForWindowExposed(&bench.frame()));
    bench.app->OpenSessionFile(script);
    QVERIFY(bench.doc() != nullptr);
    bench.frame().activateWindow();
    QTRY_VERIFY(QApplication::focusWidget() != nullptr);
    press(Qt::Key_F5);
    QTRY_VERIFY_WITH_TIMEOUT(bench.doc()->runState() == RunState::Paused, 30000);

    const std::vector<CReportView*> panes = logPanes(*bench.doc());
    QCOMPARE(panes.size(), std::size_t{2});
    CReportView& lower = *panes.back();
    QTest::mouseClick(lower.viewport(), Qt::LeftButton, {}, QPoint(4, 4));
    QTRY_VERIFY(QApplication::focusWidget() == &lower);
    press(Qt::Key_Home, Qt::ControlModifier);
    bool shown = false;
    for (int page = 0; page < 50 && !shown; ++page) {
        press(Qt::Key_PageDown);
        for (const CReportView::PageLine& line : lower.pageLines())
            shown = shown || line.text.startsWith(QStringLiteral("#00000026  1"));
        (void)lower.viewport()->grab();
    }
    QVERIFY2(shown, "the rows where a is 1 were never on the page");
    press(Qt::Key_F6);
    QTRY_VERIFY_WITH_TIMEOUT(bench.doc()->runState() == RunState::Idle, 30000);

    const std::string windowLog = bench.path("window.log");
    QVERIFY(bench.doc()->WriteResultLog(windowLog));
    const std::string batchLog = bench.path("batch.log");
    QCOMPARE(runUnattended(script, batchLog, bench.path("batch.vcd")), 0);
    const std::vector<std::string> rows = rowsOf(readLines(windowLog));
    QCOMPARE(rows, rowsOf(readLines(batchLog)));
    // After Continue a is 1 again: the row of the assignment's first half cycle says so.
    QVERIFY(std::find(rows.begin(), rows.end(), "#00000087  1  1") != rows.end());
}

void WindowBatchTest::windowRunsRecordWhatBatchRunsRecord() {
    for (const Case& c : cases()) {
        WindowBench bench;
        {
            QFile sym(QString::fromStdString(bench.path("two.sym")));
            QVERIFY(sym.open(QIODevice::WriteOnly));
            sym.write(kTwoRegisterSym);
            QFile cal(QString::fromStdString(bench.path("empty.cal")));
            QVERIFY(cal.open(QIODevice::WriteOnly));
        }
        if (!c.text.empty()) {
            QFile cmd(QString::fromStdString(bench.path(c.file.c_str())));
            QVERIFY(cmd.open(QIODevice::WriteOnly));
            cmd.write(c.text.c_str());
        }
        const std::string script = bench.path(c.file.c_str());
        const std::string batchLog = bench.path("batch.log");
        const std::string batchVcd = bench.path("batch.vcd");
        const int status = runUnattended(script, batchLog, batchVcd);
        QVERIFY2(status == 0 || status == 1, c.name);

        bench.frame().show();
        QVERIFY(QTest::qWaitForWindowExposed(&bench.frame()));
        int pauses = -1;
        runInWindow(bench, script, pauses);
        if (QTest::currentTestFailed())
            QFAIL(c.name);
        const std::string windowLog = bench.path("window.log");
        const std::string windowVcd = bench.path("window.vcd");
        QVERIFY(bench.doc()->WriteResultLog(windowLog));
        QVERIFY(bench.doc()->WriteTraceVcd(windowVcd));

        const std::vector<std::string> batchLines = readLines(batchLog);
        const std::vector<std::string> windowLines = readLines(windowLog);
        QVERIFY2(!rowsOf(batchLines).empty(), c.name);
        const QString log = logDifference(batchLines, windowLines);
        QVERIFY2(log.isEmpty(), qPrintable(QString::fromLatin1(c.name) + QStringLiteral(", ") + log));
        const QString vcd = firstDifference("VCD line", vcdBody(batchVcd), vcdBody(windowVcd));
        QVERIFY2(vcd.isEmpty(), qPrintable(QString::fromLatin1(c.name) + QStringLiteral(", ") + vcd));
        bench.app->closeSession();
    }
}

int main(int argc, char** argv) {
    prepareRuntimeFolder();
    QApplication application(argc, argv);
    WindowBatchTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "window_batch_test.moc"
