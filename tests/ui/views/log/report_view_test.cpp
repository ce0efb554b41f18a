// The result log view: the lines and colours it draws, its keys and click mark, and that painting
// leaves the traced components as recording left them. The checkpoint index it draws from is tested
// with the session (tests/app/log_line_index_test.cpp).

#include "../../../app/log_store_fixture.h"

#include "platform/settings_catalogue.h"
#include "ui/look/colour_settings.h"
#include "ui/views/log/report_view.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTest>

using namespace cellwatch;

namespace {

std::vector<std::string> texts(const std::vector<CReportView::PageLine>& lines) {
    std::vector<std::string> out;
    for (const auto& l : lines)
        out.push_back(l.text.toStdString());
    return out;
}

std::vector<std::int32_t> values(const CWizDoc& doc) {
    std::vector<std::int32_t> out;
    for (const TracedComponent& c : doc.traceList()) {
        out.push_back(c.lastValue);
        out.push_back(c.previousValue);
    }
    return out;
}

// Every pixel of the image in one colour.
bool allOf(const QImage& image, QColor colour) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != colour)
                return false;
    return true;
}

bool rowIsBlack(const QImage& image, int y) {
    for (int x = 0; x < image.width(); ++x)
        if (image.pixelColor(x, y) != Qt::black)
            return false;
    return true;
}

} // namespace

class ReportViewTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void paintingAPageLeavesTheTracedComponents();
    void coloursAndWhiteBackground();
    void keysStopAtTheEnd();
    void clickMarksAndUnmarks();
};

void ReportViewTest::paintingAPageLeavesTheTracedComponents() {
    LogStoreFixture f;
    std::mt19937 rng(5);
    f.addComponent("a", 1, 2);
    f.addComponent("bus", 12, 16);
    f.makeTexts({"|comment", "plain"});
    f.randomRun(rng, 2000);
    // As recording left them: values the log holds nowhere, so any write would show.
    f.setValues(-12345);
    const auto recorded = values(f.doc);
    CReportView view(f.doc);
    view.resize(500, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.refresh(false);
    QScrollBar* v = view.verticalScrollBar();
    // Pages from the start, the middle and the end, by keys as a user scrolls, each painted.
    for (int key : {Qt::Key_Home, Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_End, Qt::Key_PageUp}) {
        QTest::keyClick(&view, static_cast<Qt::Key>(key));
        (void)view.viewport()->grab();
        QCOMPARE(values(f.doc), recorded);
    }
    v->setValue(v->maximum() / 2);
    (void)view.viewport()->grab();
    QVERIFY(!view.pageLines().empty());
    QCOMPARE(values(f.doc), recorded);
}

void ReportViewTest::coloursAndWhiteBackground() {
    LogStoreFixture f;
    writeColour(f.settings, settings::kText, Qt::darkGreen);
    writeColour(f.settings, settings::kError, Qt::red);
    writeColour(f.settings, settings::kWarning, Qt::blue);
    writeColour(f.settings, settings::kComments, Qt::darkCyan);
    writeColour(f.settings, settings::kBackground, Qt::yellow);
    CReportView view(f.doc);
    view.resize(400, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QVERIFY2(allOf(view.viewport()->grab().toImage(), Qt::white), "an empty store paints white only");

    const TracedComponent& c = f.addComponent("c", 4, 16);
    f.makeTexts({"Every line starting with E", "WARNING: w", "|note", "ERROR: e", "text"});
    for (TraceHandle h = 1; h <= 5; ++h)
        f.line(h, 0);
    f.sample(c, 5, 10);
    f.sample(c, 6, 20);
    view.refresh(false);
    const auto lines = view.pageLines();
    QCOMPARE(texts(lines), (std::vector<std::string>{"Every line starting with E", "WARNING: w", "|note",
                                                     "ERROR: e", "text", "#00000001  5", "#00000002  6"}));
    const std::vector<QColor> colours{Qt::red, Qt::blue, Qt::darkCyan, Qt::red, Qt::darkGreen, Qt::darkGreen,
                                      Qt::darkGreen};
    for (std::size_t i = 0; i < lines.size(); ++i)
        QCOMPARE(lines[i].colour, colours[i]);
    const QImage image = view.viewport()->grab().toImage();
    QCOMPARE(image.pixelColor(image.width() - 1, image.height() - 1), QColor(Qt::white)); // whatever the Background colour says

    writeColour(f.settings, settings::kError, Qt::magenta);
    view.loadColours();
    QCOMPARE(view.pageLines().front().colour, QColor(Qt::magenta));
}

void ReportViewTest::keysStopAtTheEnd() {
    LogStoreFixture f;
    std::vector<std::string> many;
    for (int i = 0; i < 200; ++i)
        many.push_back("line " + std::to_string(i));
    f.makeTexts(many);
    for (TraceHandle h = 1; h <= 200; ++h)
        f.line(h, 0);
    CReportView view(f.doc);
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.refresh(false);
    QScrollBar* v = view.verticalScrollBar();
    const int rows = view.visibleRows();
    QVERIFY(rows > 2);
    // The estimate: the log's 200 lines + 1 + 0 cycles + 2.
    QCOMPARE(view.lineCount(), 203);
    QCOMPARE(v->maximum(), 203 - rows);

    QTest::keyClick(&view, Qt::Key_End);
    QCOMPARE(v->value(), 203 - rows);
    QCOMPARE(view.pageLines().front().text, QStringLiteral("line %1").arg(203 - rows));
    QTest::keyClick(&view, Qt::Key_Home);
    QCOMPARE(v->value(), 0);
    v->setValue(203 - rows - 3);
    QTest::keyClick(&view, Qt::Key_PageDown);
    QCOMPARE(v->value(), 203 - rows); // Page Down near the end stops at the last line
    QTest::keyClick(&view, Qt::Key_Down);
    QCOMPARE(v->value(), 203 - rows);
    QTest::keyClick(&view, Qt::Key_PageUp);
    QTest::keyClick(&view, Qt::Key_Up);
    QCOMPARE(v->value(), 203 - 2 * rows - 1);
    QTest::keyClick(&view, Qt::Key_Right);
    QCOMPARE(view.horizontalScrollBar()->value(), 1);
    QTest::keyClick(&view, Qt::Key_End);
    QCOMPARE(view.horizontalScrollBar()->value(), 0);

    view.refresh(true);
    QCOMPARE(v->value(), v->maximum()); // follow scrolls to the last line
    view.scrollToStart();
    QCOMPARE(v->value(), 0);
}

void ReportViewTest::clickMarksAndUnmarks() {
    LogStoreFixture f;
    f.makeTexts({"one", "two", "three", "four"});
    for (TraceHandle h = 1; h <= 4; ++h)
        f.line(h, 0);
    CReportView view(f.doc);
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.refresh(false);
    const int h = view.lineHeight();
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(20, h + h / 2));
    QCOMPARE(view.mark(), std::optional<int>(2)); // the rule goes under the clicked line
    QTRY_VERIFY(rowIsBlack(view.viewport()->grab().toImage(), 2 * h));
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(20, h + 1));
    QCOMPARE(view.mark(), std::nullopt);
    QTRY_VERIFY(!rowIsBlack(view.viewport()->grab().toImage(), 2 * h));
}

QTEST_MAIN(ReportViewTest)
#include "report_view_test.moc"
