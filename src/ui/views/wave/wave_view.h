#pragma once
// The waveform view: one lane per traced component in trace-list order, drawn from the trace store
// through a WaveSummary, with a ruler of stamps (the result log's cycle numbers), zoom, pan, a cursor
// with a value column and a second cursor with the distance. While a run goes on it follows the
// newest stamp unless the user has moved away from the end.

#include "app/wave_summary.h"
#include "ui/views/wiz_view.h"

#include <QFont>
#include <QWidget>

class QAction;
class QScrollBar;

#include <cstdint>
#include <optional>
#include <vector>

namespace cellwatch {

class CWizDoc;
struct TracedComponent;

class WaveView : public QWidget, public WizView {
    Q_OBJECT
public:
    static constexpr int kRulerHeight = 22;
    static constexpr int kLaneHeight = 22;

    explicit WaveView(CWizDoc& doc, QWidget* parent = nullptr);

    ViewKind viewKind() const override { return ViewKind::Waveform; }
    // Opened on its own (Alt+6), the window is wide enough to read a few dozen cycles.
    QSize sizeHint() const override { return {640, 180}; }
    // The store grew or was emptied: the summary is extended, and the view follows the end when it may.
    void documentUpdated() override;
    // The lanes grow with the run and the view follows its end.
    void runAdvanced() override { documentUpdated(); }

    // One pixel column of a lane: the value at its first stamp and at its last, and whether the value
    // changes inside it.
    struct Column {
        std::int32_t first = 0;
        std::int32_t last = 0;
        bool known = false;
        bool changed = false;
        bool operator==(const Column&) const = default;
    };
    // The columns of a lane for pixels [0, width) from stamp first at stampsPerPixel; from the
    // summary when a pixel holds a whole summary block or more, else from the records shown.
    std::vector<Column> columns(const TracedComponent& lane, int width);
    // The same from the records alone (what drawing every sample gives).
    std::vector<Column> sampleColumns(const TracedComponent& lane, int width);
    std::vector<Column> summaryColumns(const TracedComponent& lane, int width, int level);
    // The columns of every lane in trace-list order, as columns() gives them; below a summary block
    // per pixel the records shown are read once for all lanes.
    std::vector<std::vector<Column>> allColumns(int width);

    // --- Where the view is ---
    double firstStamp() const { return m_first; }
    double stampsPerPixel() const { return m_scale; }
    void setView(double first, double stampsPerPixel);
    void zoomToFit();
    void zoomBy(double factor, double aroundStamp);
    bool following() const { return m_follow; }
    // The zoom at which every bus lane's value is printed in a segment one stamp long: where the
    // view stays until the user zooms.
    double readableScale() const;
    // The x of the wave area's left edge (after the name and value columns).
    int waveLeft() const { return m_nameWidth + m_valueWidth; }
    int waveWidth() const { return std::max(1, width() - waveLeft() - laneBarWidth()); }

    // --- Lanes that do not fit ---
    // The vertical scroll bar at the right edge, below the ruler, shown while there are more lanes
    // than fit; its value is the first lane drawn. The wheel over the name and value columns moves it.
    QScrollBar* laneScrollBar() const { return m_laneBar; }
    int firstLane() const;
    // The top of a lane (its index in the trace list) as drawn; above the ruler's bottom when
    // scrolled out of sight.
    int laneTop(int lane) const { return kRulerHeight + (lane - firstLane()) * kLaneHeight; }

    // --- Cursors ---
    std::optional<std::uint64_t> cursor() const { return m_cursor; }
    std::optional<std::uint64_t> secondCursor() const { return m_cursor2; }
    // Moves the cursor there (from the log link: no signal back).
    void setCursor(std::uint64_t stamp, bool notify = true);
    // A lane's value at a stamp, as the result log's sampling line of that stamp shows it; empty when
    // the component had no sample by then.
    std::optional<std::int32_t> valueAt(const TracedComponent& lane, std::uint64_t stamp);
    // The value column's text of a lane at the cursor.
    QString valueText(const TracedComponent& lane, std::int32_t value) const;
    // Lane names in drawing order.
    QStringList laneNames() const;
    WaveSummary& summary() { return m_summary; }

    // "Export picture...": what is shown saved as PNG where the host's save dialog says, written
    // atomically; a failure is told through the host. False when cancelled or failed.
    bool exportPicture();
    QAction* exportAction() const { return m_exportAction; }
    const CWizDoc& session() const { return m_doc; }

Q_SIGNALS:
    // The user moved the cursor (click, keys).
    void cursorMoved(quint64 stamp);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    double stampAtX(double x) const { return m_first + (x - waveLeft()) * m_scale; }
    double xOfStamp(double stamp) const { return waveLeft() + (stamp - m_first) / m_scale; }
    void clampView();
    // Fits the lane scroll bar to the lanes and the height; a lane just added is scrolled into view.
    void updateLaneBar();
    int laneBarWidth() const;
    void userMoved();
    void showContextMenu(const QPoint& global);
    void drawLane(QPainter& p, const TracedComponent& lane, int top, const std::vector<Column>& cols);
    // The summary level a pixel covers a whole block of; -1 below level 0's block.
    int levelOfScale() const;
    // The columns of a lane from its value at the first shown block's start and its changes shown.
    // Hands take(record, stamp) every sample from the start of summary block `block` up to stampEnd.
    // A stamp position rounded down to its stamp, 0 before the first.
    static std::uint64_t floorStamp(double s);
    template <typename Take>
    void forEachSampleShown(std::uint64_t block, std::uint64_t stampEnd, Take take);
    void columnsFromChanges(std::vector<Column>& out, WaveSummary::Span start,
                            const std::vector<std::pair<std::uint64_t, std::int32_t>>& changes) const;

    // The host and the settings (exporting a picture); everything drawn is read through m_doc.
    CWizDoc& m_session;
    const CWizDoc& m_doc;
    WaveSummary m_summary;
    QFont m_font;
    int m_nameWidth = 160;
    int m_valueWidth = 90;
    double m_first = 0;
    double m_scale = 1.0 / 16; // stamps per pixel
    bool m_follow = true;
    // The user chose a zoom; until then the view keeps the readable one as lanes come and go.
    bool m_userZoomed = false;
    std::optional<std::uint64_t> m_cursor;
    std::optional<std::uint64_t> m_cursor2;
    // A drag: where it began, and whether it pans (left button) or marks a range to zoom to.
    std::optional<QPoint> m_press;
    double m_pressFirst = 0;
    bool m_dragged = false;
    bool m_zoomDrag = false;
    int m_dragX = 0;
    QAction* m_exportAction = nullptr;
    QScrollBar* m_laneBar = nullptr;
    std::size_t m_knownLanes = 0;
    // Reused by sampleColumns so that a paint does not allocate per record.
    std::vector<std::pair<std::uint64_t, std::int32_t>> m_changes;
    // allColumns' changes per lane, and the lane of each handle, reused from paint to paint.
    std::vector<std::vector<std::pair<std::uint64_t, std::int32_t>>> m_laneChanges;
    std::vector<int> m_laneOfHandle;
};

} // namespace cellwatch
