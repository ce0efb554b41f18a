// The waveform view: lanes in trace-list order, the value column against the result log's sampling
// lines on the examples, the link with the log both ways, following a run, and the summary's
// picture against the one drawn from every sample.

#include "../../../app/log_store_fixture.h"
#include "frame_fixture.h"

#include "design/design_element.h"
#include "ui/shell/wiz_frames.h"
#include "ui/views/design/trace_view.h"
#include "ui/views/log/report_view.h"
#include "ui/views/wave/wave_link.h"
#include "ui/views/wave/wave_view.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QWheelEvent>
#include <QImageReader>
#include <QScrollBar>
#include <QTest>

#include <random>

using namespace cellwatch;

namespace {

WaveView* waveOf(WindowBench& bench) {
    CWizMDIChild* frame = bench.app->frameOf(ViewKind::Waveform);
    return frame != nullptr ? qobject_cast<WaveView*>(frame->widget()) : nullptr;
}

CReportView* logOf(WindowBench& bench) {
    return dynamic_cast<CReportView*>(bench.doc()->logViews().back());
}

QStringList fullNames(const CWizDoc& doc) {
    QStringList names;
    for (const TracedComponent& c : doc.traceList())
        names << QString::fromStdString(c.element->fullName);
    return names;
}

// Every sampling line of the log against the value column at its stamp; the number of lines compared.
int compareWithLog(WindowBench& bench, WaveView& wave, const char* what) {
    int rows = 0;
    bench.doc()->WalkLog([&](std::string_view line) {
        if (line.size() < 9 || line[0] != '#')
            return;
        const std::uint64_t stamp = std::stoull(std::string(line.substr(1, 8)));
        const QStringList fields =
            QString::fromLatin1(line.substr(9).data(), static_cast<qsizetype>(line.size() - 9))
                .split(QLatin1Char(' '), Qt::SkipEmptyParts);
        QStringList shown;
        for (const TracedComponent& c : bench.doc()->traceList()) {
            const std::optional<std::int32_t> v = wave.valueAt(c, stamp);
            shown << (v ? wave.valueText(c, *v) : QStringLiteral("?"));
        }
        if (shown != fields)
            qWarning() << what << stamp << shown << fields;
        QCOMPARE_EQ(shown, fields);
        ++rows;
    });
    return rows;
}

bool runToEnd(WindowBench& bench) {
    bench.action(FrameCommand::RunTest)->trigger();
    return QTest::qWaitFor([&] { return bench.doc()->runState() == RunState::Idle; }, 60000);
}

} // namespace

class WaveViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { prepareRuntimeFolder(); }
    void lanesFollowTheTraceList();
    void draggedLanesAreReachableWithoutMaximising();
    void valueColumnEqualsTheLog();
    void linkedWithTheLog();
    void followsUntilTheUserScrolls();
    void busValuesPrintedAtTheOpeningZoom();
    void summaryEqualsEverySample();
    void exportsPicture();
};

void WaveViewTest::lanesFollowTheTraceList() {
    WindowBench bench;
    bench.app->OpenSessionFile(bench.path("shift16.cmd"));
    WaveView* wave = waveOf(bench);
    QVERIFY(wave != nullptr);
    QCOMPARE(bench.app->frameOf(ViewKind::Waveform)->windowTitle(), QStringLiteral("Waveform"));
    QVERIFY(!bench.doc()->traceList().empty());
    QCOMPARE(wave->laneNames(), fullNames(*bench.doc()));

    // Removing the first entry and tracing another element: the lanes follow at once.
    bench.doc()->RemoveTrace(const_cast<TracedComponent*>(&bench.doc()->traceList().front()));
    QCOMPARE(wave->laneNames(), fullNames(*bench.doc()));
    const DesignElement* e = bench.doc()->designTree()->first();
    while (e != nullptr && (e->type != ElementType::Symbol || bench.doc()->isTraced(e)))
        e = e->next;
    QVERIFY(e != nullptr);
    QVERIFY(bench.doc()->AddTrace(e->fullName));
    QCOMPARE(wave->laneNames(), fullNames(*bench.doc()));
    QCOMPARE(wave->laneNames().back(), QString::fromStdString(e->fullName));

    // Grouping two entries gives one lane named by the group in their place, whose values are the
    // log's; ungrouping gives the members' lanes back.
    for (const char* name : {"shift16\\din", "shift16\\s3"}) {
        const DesignElement* m = bench.doc()->findElement(name);
        QVERIFY(m != nullptr);
        if (!bench.doc()->isTraced(m))
            QVERIFY(bench.doc()->AddTrace(name));
    }
    const std::size_t before = bench.doc()->traceList().size();
    std::vector<TracedComponent*> members;
    for (const TracedComponent& c : bench.doc()->traceList())
        if (c.element->fullName == "shift16\\din" || c.element->fullName == "shift16\\s3")
            members.push_back(const_cast<TracedComponent*>(&c));
    QCOMPARE(members.size(), std::size_t{2});
    bench.asker->texts = {std::string("pair")};
    QVERIFY(bench.doc()->makeGroup(members));
    QCOMPARE(bench.doc()->traceList().size(), before - 1);
    QCOMPARE(wave->laneNames(), fullNames(*bench.doc()));
    QVERIFY(wave->laneNames().contains(QStringLiteral("pair")));
    QVERIFY(!wave->laneNames().contains(QStringLiteral("shift16\\din")));
    QVERIFY(runToEnd(bench));
    QVERIFY(compareWithLog(bench, *wave, "grouped") > 10);
    if (QTest::currentTestFailed())
        return;
    std::vector<TracedComponent*> group;
    for (const TracedComponent& c : bench.doc()->traceList())
        if (c.element->fullName == "pair")
            group.push_back(const_cast<TracedComponent*>(&c));
    QCOMPARE(group.size(), std::size_t{1});
    QVERIFY(bench.doc()->ungroup(group));
    QCOMPARE(bench.doc()->traceList().size(), before);
    QCOMPARE(wave->laneNames(), fullNames(*bench.doc()));
    QVERIFY(!wave->laneNames().contains(QStringLiteral("pair")));
    QVERIFY(wave->laneNames().contains(QStringLiteral("shift16\\s3")));
    QVERIFY(runToEnd(bench));
    QVERIFY(compareWithLog(bench, *wave, "ungrouped") > 10);

    // The frame goes with the session; the menu item brings it back.
    bench.app->closeSession();
    QVERIFY(bench.app->frameOf(ViewKind::Waveform) == nullptr);
    QVERIFY(!bench.action(FrameCommand::ShowWaveform)->isEnabled());
    bench.app->OpenSessionFile(bench.path("shift16.cmd"));
    delete bench.app->frameOf(ViewKind::Waveform);
    QVERIFY(bench.app->frameOf(ViewKind::Waveform) == nullptr);
    bench.action(FrameCommand::ShowWaveform)->trigger();
    QVERIFY(waveOf(bench) != nullptr);
    QCOMPARE(bench.action(FrameCommand::ShowWaveform)->shortcut(), QKeySequence(QStringLiteral("Alt+6")));
}

// A user drags signals onto the trace list while the Waveform frame is small: the new lanes are
// scrolled into view, and the scroll bar at the right edge reaches every lane.
void WaveViewTest::draggedLanesAreReachableWithoutMaximising() {
    WindowBench bench;
    bench.app->OpenSessionFile(bench.path("shift16.cmd"));
    WaveView* wave = waveOf(bench);
    QVERIFY(wave != nullptr);
    CWizMDIChild* waveFrame = bench.app->frameOf(ViewKind::Waveform);
    waveFrame->showNormal();
    waveFrame->resize(520, 110);
    QTRY_VERIFY(wave->height() < WaveView::kRulerHeight + 4 * WaveView::kLaneHeight);
    QScrollBar* bar = wave->laneScrollBar();
    QVERIFY(bar != nullptr);
    QVERIFY(!bar->isVisible()); // one lane fits: no bar, the waves use the whole width
    QCOMPARE(wave->waveLeft() + wave->waveWidth(), wave->width());

    CWizMDIChild* listFrame = bench.app->frameOf(ViewKind::TraceList);
    QVERIFY(listFrame != nullptr);
    auto* list = listFrame->findChild<CTraceView*>();
    QVERIFY(list != nullptr);
    for (const char* name : {"shift16\\din", "shift16\\s0", "shift16\\s1", "shift16\\s2", "shift16\\s3"}) {
        QMimeData data;
        data.setText(QString::fromLatin1(name));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &drop);
    }
    QTRY_COMPARE(wave->laneNames().size(), 6); // each drop is taken once the drag has ended
    QCOMPARE(wave->laneNames().back(), QStringLiteral("shift16\\s3"));

    // The bar stands at the right edge below the ruler, and the waves end where it begins.
    QTRY_VERIFY(bar->isVisible());
    QCOMPARE(bar->geometry().right(), wave->width() - 1);
    QCOMPARE(bar->geometry().top(), WaveView::kRulerHeight);
    QCOMPARE(bar->geometry().bottom(), wave->height() - 1);
    QCOMPARE(wave->waveLeft() + wave->waveWidth(), bar->geometry().left());

    // The lane just added is in view, whole.
    const int last = 5;
    QVERIFY(wave->laneTop(last) >= WaveView::kRulerHeight);
    QVERIFY(wave->laneTop(last) + WaveView::kLaneHeight <= wave->height());

    // Scrolled to the top, the first lane sits under the ruler and the last is out of sight;
    // the bar's range reaches the last lane again.
    bar->setValue(bar->minimum());
    QCOMPARE(wave->laneTop(0), WaveView::kRulerHeight);
    QVERIFY(wave->laneTop(last) + WaveView::kLaneHeight > wave->height());
    bar->setValue(bar->maximum());
    QVERIFY(wave->laneTop(last) + WaveView::kLaneHeight <= wave->height());
    QVERIFY(wave->laneTop(0) < WaveView::kRulerHeight);

    // The wheel over the names moves through the lanes; over the waves it still pans in time.
    QWheelEvent up(QPointF(10, 60), wave->mapToGlobal(QPointF(10, 60)), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(wave, &up);
    QVERIFY(bar->value() < bar->maximum());

    // Made tall enough, every lane fits and the bar goes.
    waveFrame->resize(520, 600);
    QTRY_VERIFY(!bar->isVisible());
    QCOMPARE(wave->laneTop(0), WaveView::kRulerHeight);
}

void WaveViewTest::valueColumnEqualsTheLog() {
    for (const char* script : {"counter8.cmd", "shift16.cmd", "lfsr4.cmd", "cbuf_counter.cmd"}) {
        WindowBench bench;
        bench.app->OpenSessionFile(bench.path(script));
        QVERIFY2(runToEnd(bench), script);
        WaveView* wave = waveOf(bench);
        QVERIFY(wave != nullptr);
        const int rows = compareWithLog(bench, *wave, script);
        if (QTest::currentTestFailed())
            return;
        QVERIFY2(rows > 10, script);
    }
}

void WaveViewTest::linkedWithTheLog() {
    WindowBench bench;
    bench.app->OpenSessionFile(bench.path("counter8.cmd"));
    QVERIFY(runToEnd(bench));
    WaveView* wave = waveOf(bench);
    CReportView* log = logOf(bench);
    // The wave's cursor scrolls the log to that stamp's sampling line and marks it.
    Q_EMIT wave->cursorMoved(37);
    QVERIFY(log->mark().has_value());
    const int line = *log->mark() - 1;
    QCOMPARE(stampOfLine(*log, line), std::optional<std::uint64_t>(37));
    QVERIFY(log->pageLines().size() > 0);
    // A click on a sampling line moves the wave's cursor there.
    log->showLine(line + 2);
    const auto stamp = stampOfLine(*log, line + 2);
    QVERIFY(stamp.has_value());
    const int y = (line + 2 - log->verticalScrollBar()->value()) * log->lineHeight() + log->lineHeight() / 2;
    QTest::mouseClick(log->viewport(), Qt::LeftButton, {}, QPoint(5, y));
    QCOMPARE(wave->cursor(), stamp);
    // A click on a text line leaves it.
    QCOMPARE(stampOfLine(*log, 0), std::nullopt);
}

void WaveViewTest::followsUntilTheUserScrolls() {
    WindowBench bench;
    // More cycles than any machine runs before the test stops the run, so the run is still going
    // whenever a step below looks at it.
    bench.append("counter8.cmd", "cycle 1000000000\n");
    bench.app->OpenSessionFile(bench.path("counter8.cmd"));
    WaveView* wave = waveOf(bench);
    wave->resize(600, 200);
    bench.action(FrameCommand::RunTest)->trigger();
    // Following: the newest stamp stays at the right edge.
    QTRY_VERIFY(wave->firstStamp() > 600);
    QVERIFY(wave->following());
    QTest::keyClick(wave, Qt::Key_Home);
    QCOMPARE(wave->firstStamp(), 0.0);
    QVERIFY(!wave->following());
    const std::uint64_t before = wave->summary().stampCount();
    QTRY_VERIFY(wave->summary().stampCount() > before + 500);
    QCOMPARE(wave->firstStamp(), 0.0);
    // End brings following back; a pause keeps the view where it is.
    QTest::keyClick(wave, Qt::Key_End);
    QVERIFY(wave->following());
    bench.action(FrameCommand::PauseTest)->trigger();
    const double kept = wave->firstStamp();
    bench.app->updateAllViews();
    QCOMPARE(wave->firstStamp(), kept);
    bench.action(FrameCommand::StopTest)->trigger();
}

void WaveViewTest::busValuesPrintedAtTheOpeningZoom() {
    WindowBench bench;
    bench.app->OpenSessionFile(bench.path("counter8.cmd"));
    WaveView* wave = waveOf(bench);
    wave->resize(700, 200);
    QVERIFY(runToEnd(bench));
    bench.app->updateAllViews();
    const int lane = static_cast<int>(wave->laneNames().indexOf(QStringLiteral("count")));
    QVERIFY(lane >= 0);
    // Values are the only black ink in a lane's wave area; count it, all over and at the newest end.
    const QImage shown = wave->grab().toImage();
    const int top = WaveView::kRulerHeight + lane * WaveView::kLaneHeight;
    const auto inked = [&](int from) {
        int pixels = 0;
        for (int y = top; y < top + WaveView::kLaneHeight; ++y)
            for (int x = from; x < shown.width(); ++x)
                pixels += shown.pixel(x, y) == qRgb(0, 0, 0) ? 1 : 0;
        return pixels;
    };
    QVERIFY(wave->following());
    QVERIFY(inked(wave->waveLeft()) > 0);
    QVERIFY(inked(shown.width() - 60) > 0);
    // A zoom the user picks stays, also when the session announces changes.
    QTest::keyClick(wave, Qt::Key_Minus);
    const double chosen = wave->stampsPerPixel();
    bench.app->updateAllViews();
    QCOMPARE(wave->stampsPerPixel(), chosen);
}

void WaveViewTest::summaryEqualsEverySample() {
    for (unsigned seed : {3u, 11u, 99u}) {
        LogStoreFixture f;
        std::mt19937 rng(seed);
        f.addComponent("bit", 1, -1);
        f.addComponent("bus", 12, 16);
        f.addComponent("slow", 4, 10);
        std::uniform_int_distribution<int> percent(0, 99);
        // Samples change seldom, so both flat blocks and busy ones occur; some components skip stamps.
        std::int32_t values[3] = {0, 0, 0};
        for (std::uint32_t stamp = 0; stamp < 5000; ++stamp) {
            int i = 0;
            for (const TracedComponent& c : f.doc.traceList()) {
                if (percent(rng) < (i == 2 ? 1 : 5))
                    values[i] = static_cast<std::int32_t>(rng() % (i == 0 ? 2 : 4096));
                if (stamp == 0 || percent(rng) < 60)
                    f.sample(c, values[i], stamp * 10);
                ++i;
            }
        }
        WaveView view(f.doc);
        view.resize(400, 200);
        const std::uint32_t block = view.summary().blockStamps(0);
        const int blocks = 5000 / static_cast<int>(block) + 1;
        for (const TracedComponent& c : f.doc.traceList()) {
            // Every sample at one stamp per pixel, taken together per block...
            view.setView(0, 1);
            const auto fine = view.sampleColumns(c, blocks * static_cast<int>(block));
            std::vector<WaveView::Column> merged;
            for (int b = 0; b < blocks; ++b) {
                WaveView::Column m = fine[static_cast<std::size_t>(b) * block];
                for (std::uint32_t k = 1; k < block; ++k) {
                    const auto& x = fine[static_cast<std::size_t>(b) * block + k];
                    if (!x.known)
                        break;
                    m.changed = m.changed || x.changed || x.first != m.last;
                    m.last = x.last;
                }
                merged.push_back(m);
            }
            // ... is what the summary gives at one block per pixel, at every level.
            view.setView(0, block);
            QCOMPARE(view.summaryColumns(c, blocks, 0), merged);
            QCOMPARE(view.columns(c, blocks), merged);
            view.setView(0, block * 8);
            const auto coarse = view.summaryColumns(c, blocks / 8, 1);
            for (int x = 0; x < blocks / 8; ++x) {
                const auto& k = coarse[static_cast<std::size_t>(x)];
                QCOMPARE(k.first, merged[static_cast<std::size_t>(x) * 8].first);
                QCOMPARE(k.last, merged[static_cast<std::size_t>(x) * 8 + 7].last);
            }
            // And the picture drawn from the summary equals the one drawn from the samples.
            view.setView(0, 1);
            const QImage a = view.grab().toImage();
            QVERIFY(!a.isNull());
        }
        // The paint's one walk for all lanes gives each lane what reading its records alone gives.
        for (const auto& [first, scale] :
             {std::pair{0.0, 1.0}, {1234.0, 3.0}, {100.0, 32.0}, {4900.0, 1.0 / 8}}) {
            view.setView(first, scale);
            const auto all = view.allColumns(300);
            QCOMPARE(all.size(), f.doc.traceList().size());
            std::size_t i = 0;
            for (const TracedComponent& c : f.doc.traceList())
                QCOMPARE(all[i++], view.sampleColumns(c, 300));
        }
    }
}

void WaveViewTest::exportsPicture() {
    LogStoreFixture f;
    f.addComponent("bit", 1, -1);
    f.addComponent("bus", 8, 16);
    for (std::uint32_t stamp = 0; stamp < 200; ++stamp) {
        int i = 0;
        for (const TracedComponent& c : f.doc.traceList())
            f.sample(c, static_cast<std::int32_t>(i++ == 0 ? stamp & 1 : stamp / 3), stamp * 10);
    }
    WaveView view(f.doc);
    view.resize(520, WaveView::kRulerHeight + 2 * WaveView::kLaneHeight);
    view.zoomToFit();
    QCOMPARE(view.exportAction()->text(), QStringLiteral("Export picture..."));
    QTemporaryDir out;
    QVERIFY(out.isValid());

    // Exported: a PNG of the view's size holding what the view shows.
    const QString good = out.filePath(QStringLiteral("wave.png"));
    f.host.paths = {good.toStdString()};
    view.exportAction()->trigger();
    QCOMPARE(f.host.dialogs.size(), std::size_t{1});
    QCOMPARE(f.host.dialogs.back().title, std::string("Export picture"));
    QVERIFY(f.host.dialogs.back().filter.find("*.png") != std::string::npos);
    QVERIFY(f.host.messages.empty());
    QImageReader reader(good);
    QCOMPARE(reader.format(), QByteArray("png"));
    const QImage saved = reader.read();
    QCOMPARE(saved.size(), view.size());
    QCOMPARE(saved.convertToFormat(QImage::Format_RGB32),
             view.grab().toImage().convertToFormat(QImage::Format_RGB32));

    // A folder that does not exist: told, and nothing is left behind.
    const QString bad = out.filePath(QStringLiteral("missing/wave.png"));
    f.host.paths = {bad.toStdString()};
    QVERIFY(!view.exportPicture());
    QCOMPARE(f.host.messages.size(), std::size_t{1});
    QVERIFY(f.host.messages.back().find(bad.toStdString()) != std::string::npos);
    QVERIFY(!QFile::exists(bad));
    QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList{QStringLiteral("wave.png")});

    // Cancelled: nothing asked, nothing written.
    f.host.paths.clear();
    QVERIFY(!view.exportPicture());
    QCOMPARE(f.host.messages.size(), std::size_t{1});
}

QTEST_MAIN(WaveViewTest)
#include "wave_view_test.moc"
