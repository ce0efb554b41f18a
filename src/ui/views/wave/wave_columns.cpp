// What the waveform reads of the trace: a lane's value at a stamp, and its pixel columns from the
// samples the view shows, or from the summary's blocks when a pixel holds a whole block or more.

#include "ui/views/wave/wave_view.h"

#include "app/cwiz_doc.h"
#include "trace/trace_store.h"

#include <algorithm>
#include <cmath>

namespace cellwatch {

std::uint64_t WaveView::floorStamp(double s) {
    return s <= 0 ? 0 : static_cast<std::uint64_t>(std::floor(s));
}

template <typename Take>
void WaveView::forEachSampleShown(std::uint64_t block, std::uint64_t stampEnd, Take take) {
    const TraceStore& store = m_doc.traceStore();
    const std::uint32_t divisor = m_summary.divisor();
    std::uint32_t index = m_summary.recordOfBlock(block);
    for (auto span = store.recordsFrom(index); !span.empty(); span = store.recordsFrom(index)) {
        index += static_cast<std::uint32_t>(span.size());
        for (const TraceRecord& r : span) {
            if (!r.isSample())
                continue;
            const std::uint64_t stamp = r.time / divisor;
            if (stamp >= stampEnd)
                return;
            take(r, stamp);
        }
    }
}

std::optional<std::int32_t> WaveView::valueAt(const TracedComponent& lane, std::uint64_t stamp) {
    m_summary.extend(m_doc);
    const std::uint64_t block = stamp / m_summary.blockStamps(0);
    const WaveSummary::Span start = m_summary.span(lane.handle, 0, block);
    std::optional<std::int32_t> value;
    if (start.known)
        value = start.first;
    forEachSampleShown(block, stamp + 1, [&](const TraceRecord& r, std::uint64_t) {
        if (r.component == lane.handle)
            value = r.value;
    });
    return value;
}

// --- Columns ---

int WaveView::levelOfScale() const {
    int level = -1;
    while (level + 1 < WaveSummary::kLevels && m_summary.blockStamps(level + 1) <= m_scale)
        ++level;
    return level;
}

std::vector<WaveView::Column> WaveView::columns(const TracedComponent& lane, int width) {
    const int level = levelOfScale();
    return level < 0 ? sampleColumns(lane, width) : summaryColumns(lane, width, level);
}

std::vector<std::vector<WaveView::Column>> WaveView::allColumns(int width) {
    m_summary.extend(m_doc);
    const auto& lanes = m_doc.traceList();
    std::vector<std::vector<Column>> out;
    out.reserve(lanes.size());
    const int level = levelOfScale();
    if (level >= 0) {
        for (const TracedComponent& lane : lanes)
            out.push_back(summaryColumns(lane, width, level));
        return out;
    }
    for (std::size_t i = 0; i < lanes.size(); ++i)
        out.emplace_back(static_cast<std::size_t>(std::max(width, 0)));
    const std::uint64_t s0 = floorStamp(m_first);
    if (s0 >= m_summary.stampCount() || lanes.empty())
        return out;
    const std::uint64_t sEnd = floorStamp(m_first + width * m_scale) + 1;
    const std::uint64_t block = s0 / m_summary.blockStamps(0);
    // One walk over the records shown, each sample handed to its lane's changes.
    m_laneOfHandle.clear();
    m_laneChanges.resize(lanes.size());
    int i = 0;
    for (const TracedComponent& lane : lanes) {
        if (lane.handle >= m_laneOfHandle.size())
            m_laneOfHandle.resize(static_cast<std::size_t>(lane.handle) + 1, -1);
        m_laneOfHandle[lane.handle] = i;
        m_laneChanges[static_cast<std::size_t>(i)].clear();
        ++i;
    }
    forEachSampleShown(block, sEnd, [this](const TraceRecord& r, std::uint64_t stamp) {
        if (r.component < m_laneOfHandle.size()) {
            const int lane = m_laneOfHandle[r.component];
            if (lane >= 0)
                m_laneChanges[static_cast<std::size_t>(lane)].emplace_back(stamp, r.value);
        }
    });
    i = 0;
    for (const TracedComponent& lane : lanes) {
        columnsFromChanges(out[static_cast<std::size_t>(i)], m_summary.span(lane.handle, 0, block),
                           m_laneChanges[static_cast<std::size_t>(i)]);
        ++i;
    }
    return out;
}

std::vector<WaveView::Column> WaveView::sampleColumns(const TracedComponent& lane, int width) {
    m_summary.extend(m_doc);
    std::vector<Column> out(static_cast<std::size_t>(std::max(width, 0)));
    const std::uint64_t count = m_summary.stampCount();
    const std::uint64_t s0 = floorStamp(m_first);
    const std::uint64_t sEnd = floorStamp(m_first + width * m_scale) + 1;
    if (s0 >= count)
        return out;
    // The value at the first block's start from the summary, then the changes from the records shown.
    const std::uint64_t block = s0 / m_summary.blockStamps(0);
    const WaveSummary::Span start = m_summary.span(lane.handle, 0, block);
    m_changes.clear();
    forEachSampleShown(block, sEnd, [this, &lane](const TraceRecord& r, std::uint64_t stamp) {
        if (r.component == lane.handle)
            m_changes.emplace_back(stamp, r.value);
    });
    columnsFromChanges(out, start, m_changes);
    return out;
}

void WaveView::columnsFromChanges(std::vector<Column>& out, WaveSummary::Span start,
                                   const std::vector<std::pair<std::uint64_t, std::int32_t>>& changes) const {
    const std::uint64_t count = m_summary.stampCount();
    const int width = static_cast<int>(out.size());
    bool known = start.known;
    std::int32_t value = start.first;
    std::size_t next = 0;
    for (int x = 0; x < width; ++x) {
        const std::uint64_t a = floorStamp(m_first + x * m_scale);
        const std::uint64_t b = std::max(a + 1, floorStamp(m_first + (x + 1) * m_scale));
        while (next < changes.size() && changes[next].first <= a) {
            value = changes[next++].second;
            known = true;
        }
        Column& c = out[static_cast<std::size_t>(x)];
        if (a >= count)
            break;
        c.known = known;
        c.first = c.last = value;
        while (next < changes.size() && changes[next].first < b) {
            const std::int32_t v = changes[next++].second;
            c.changed = c.changed || (known && v != value) || !known;
            value = v;
            known = true;
            c.last = v;
        }
        c.known = known;
    }
}

std::vector<WaveView::Column> WaveView::summaryColumns(const TracedComponent& lane, int width, int level) {
    m_summary.extend(m_doc);
    std::vector<Column> out(static_cast<std::size_t>(std::max(width, 0)));
    const std::uint64_t count = m_summary.stampCount();
    const std::uint64_t per = m_summary.blockStamps(level);
    for (int x = 0; x < width; ++x) {
        const std::uint64_t a = floorStamp(m_first + x * m_scale);
        if (a >= count)
            break;
        const std::uint64_t b = std::max(a + 1, floorStamp(m_first + (x + 1) * m_scale));
        const std::uint64_t from = a / per;
        const std::uint64_t to = std::max(from + 1, b / per);
        WaveSummary::Span s = m_summary.span(lane.handle, level, from);
        Column& c = out[static_cast<std::size_t>(x)];
        c = Column{s.first, s.last, s.known, s.changed};
        for (std::uint64_t i = from + 1; i < to; ++i) {
            s = m_summary.span(lane.handle, level, i);
            if (!s.known)
                continue;
            c.changed = c.changed || s.changed || !c.known || s.first != c.last;
            if (!c.known)
                c.first = s.first;
            c.known = true;
            c.last = s.last;
        }
    }
    return out;
}

} // namespace cellwatch
