// Finding lines in the result log view: text and error lines both ways across many chunks, against
// the plain walk; a long search that leaves the event loop responsive; stopping a search.

#include "../../../app/log_store_fixture.h"
#include "timing_application.h"

#include "ui/views/log/report_view.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using namespace cellwatch;

namespace {

// A view on the fixture's session, shown at a size that holds a few lines.
struct ShownView {
    explicit ShownView(LogStoreFixture& f) : view(f.doc) {
        view.resize(400, 200);
        view.show(); // follows the end of the log
        view.scrollToStart();
    }
    // Runs search and returns the marked line it ended on (-1: none found).
    template <class Search> int run(Search search) {
        QSignalSpy finished(&view, &CReportView::searchFinished);
        search();
        if (finished.isEmpty() && !finished.wait(60000))
            return -2;
        if (!finished.at(0).at(0).toBool())
            return -1;
        const int line = *view.mark() - 1;
        // The found line is on the page.
        const int top = view.verticalScrollBar()->value();
        return line >= top && line < top + view.visibleRows() ? line : -3;
    }
    CReportView view;
};

std::vector<int> linesWhere(const std::vector<std::string>& lines, bool (*test)(const std::string&)) {
    std::vector<int> out;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (test(lines[i]))
            out.push_back(static_cast<int>(i));
    return out;
}

} // namespace

class LogSearchTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void findsTextAndErrorsBothWays();
    void longSearchLeavesTheLoopResponsive();
    void escapeANewSearchOrAnEmptiedLogStopsTheSearch();
};

void LogSearchTest::findsTextAndErrorsBothWays() {
    LogStoreFixture f;
    std::mt19937 rng(5);
    f.addComponent("bus", 12, 16);
    f.addComponent("n", 9, 10);
    f.makeTexts({"|comment", "ERROR: bad Fault", "WARNING: odd", "Every line", "plain", "note: fault"});
    f.randomRun(rng, 3000);
    const std::vector<std::string> all = f.plainPage(0, 1 << 20);
    QVERIFY(all.size() > 2000); // several chunks of the search
    ShownView s(f);
    const std::size_t beepsBefore = static_cast<std::size_t>(f.host.beeps);

    // Next error from the top through every error line, then a beep and the mark stays.
    const auto errors = linesWhere(all, [](const std::string& l) { return !l.empty() && l[0] == 'E'; });
    QVERIFY(errors.size() > 20);
    for (int expected : errors)
        QCOMPARE(s.run([&] { s.view.nextError(); }), expected);
    QCOMPARE(s.run([&] { s.view.nextError(); }), -1);
    QCOMPARE(static_cast<std::size_t>(f.host.beeps), beepsBefore + 1);
    QCOMPARE(s.view.mark(), std::optional<int>(errors.back() + 1));
    for (auto it = errors.rbegin() + 1; it != errors.rend(); ++it)
        QCOMPARE(s.run([&] { s.view.previousError(); }), *it);
    QCOMPARE(s.run([&] { s.view.previousError(); }), -1);

    // Text in any case, forward then back; "Every line" starts with 'E' but is no match for "fault".
    const auto faults = linesWhere(all, [](const std::string& l) {
        return l.find("Fault") != std::string::npos || l.find("fault") != std::string::npos;
    });
    s.view.scrollToStart();
    s.view.showLine(0); // the search starts after the marked line
    const auto after = std::upper_bound(faults.begin(), faults.end(), 0);
    QVERIFY(faults.end() - after >= 3);
    QCOMPARE(s.run([&] { s.view.find(QStringLiteral("FAULT")); }), after[0]);
    QCOMPARE(s.run([&] { s.view.findNext(); }), after[1]);
    QCOMPARE(s.run([&] { s.view.findNext(); }), after[2]);
    QCOMPARE(s.run([&] { s.view.findPrevious(); }), after[1]);
    QCOMPARE(s.view.findText(), QStringLiteral("FAULT"));

    // A sampling line far down (the last one) is found by its text, as drawn.
    std::size_t far = all.size() - 1;
    while (std::find(f.doc.logLines().begin(), f.doc.logLines().end(), all[far]) != f.doc.logLines().end())
        --far;
    QVERIFY(far > all.size() / 2);
    s.view.showLine(0);
    QCOMPARE(s.run([&] { s.view.find(QString::fromStdString(all[far])); }), static_cast<int>(far));
}

void LogSearchTest::longSearchLeavesTheLoopResponsive() {
    auto& timing = static_cast<TimingApplication&>(*qApp);
    LogStoreFixture f;
    const TracedComponent& c = f.addComponent("count", 16, 16);
    f.makeTexts({"ERROR: the one fault", "plain"});
    constexpr std::uint32_t kLines = 400000;
    for (std::uint32_t t = 0; t < kLines; ++t) {
        if (t == kLines - 10)
            f.line(1, t * 10 + 1);
        f.sample(c, static_cast<std::int32_t>(t & 0xffff), t * 10 + 10);
    }
    ShownView s(f);
    QVERIFY(QTest::qWaitForWindowExposed(&s.view));
    s.view.scrollToStart();
    QApplication::processEvents();

    // A slice looks at no more than 4096 lines, so the search must give the loop back at least
    // kLines / 4096 times whatever the machine's speed; how long a handler blocked is reported only
    // (the bound on it is a benchmark's business).
    constexpr std::uint64_t kSliceLines = 4096;
    s.view.search().setSliceLineLimit(kSliceLines);
    timing.measuring = true;
    timing.longestMs = 0;
    timing.events = 0;
    const int found = s.run([&] { s.view.nextError(); });
    timing.measuring = false;
    qInfo("%d slices, longest slice %lld ms, longest handler %lld ms", s.view.search().slices(),
          s.view.search().longestSliceMs(), timing.longestMs);

    QCOMPARE(found, static_cast<int>(kLines - 10));
    QCOMPARE(f.plainPage(static_cast<std::uint64_t>(found), 1).at(0), std::string("ERROR: the one fault"));
    QVERIFY2(s.view.search().slices() >= static_cast<int>((kLines - 10) / kSliceLines),
             "the search was not spread over the event loop");
    QVERIFY(timing.events > static_cast<qint64>((kLines - 10) / kSliceLines));
}

void LogSearchTest::escapeANewSearchOrAnEmptiedLogStopsTheSearch() {
    LogStoreFixture f;
    const TracedComponent& c = f.addComponent("count", 16, 16);
    f.makeTexts({"ERROR: late", "plain"});
    for (std::uint32_t t = 0; t < 200000; ++t)
        f.sample(c, static_cast<std::int32_t>(t), t * 10 + 10);
    f.line(1, 2000001);
    ShownView s(f);
    s.view.setFocus();
    QSignalSpy finished(&s.view, &CReportView::searchFinished);
    LogSearch& search = s.view.search();

    // The search is held and stepped by hand, so that it is seen under way between two slices
    // however fast the machine runs them.
    search.setHeld(true);
    search.setSliceLineLimit(1024);

    // Esc: no result, no beep, the mark stays where it was.
    s.view.find(QStringLiteral("not in this log"));
    search.runSlice();
    search.runSlice();
    QCOMPARE(search.slices(), 2);
    QVERIFY(s.view.searching());
    QTest::keyClick(&s.view, Qt::Key_Escape);
    QVERIFY(!s.view.searching());
    QCOMPARE(s.view.mark(), std::nullopt);
    QCOMPARE(finished.size(), 0);

    // A new search replaces the one under way: only the error search reports.
    search.setSliceLineLimit(0);
    search.setHeld(false);
    s.view.find(QStringLiteral("not in this log"));
    s.view.nextError();
    QVERIFY(finished.wait(60000));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).toBool(), true);
    QCOMPARE(f.host.beeps, 0);

    // The log emptied under a search ends it without a result.
    search.setHeld(true);
    search.setSliceLineLimit(1024);
    s.view.showLine(0);
    s.view.nextError();
    search.runSlice();
    search.runSlice();
    QCOMPARE(search.slices(), 2);
    QVERIFY(s.view.searching());
    f.doc.traceStore().reset();
    search.setHeld(false);
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.size(), 2);
    QCOMPARE(finished.last().at(0).toBool(), false);
    QVERIFY(!s.view.searching());
}

int main(int argc, char** argv) {
    TimingApplication application(argc, argv);
    LogSearchTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "log_search_test.moc"
