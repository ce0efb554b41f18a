#include "app/wave_summary.h"

#include "app/cwiz_doc.h"
#include "trace/trace_store.h"

namespace cellwatch {

void WaveSummary::drop() {
    m_lanes.clear();
    m_records.clear();
    m_frontier = 0;
    m_lastStamp = 0;
    m_haveStamp = false;
}

void WaveSummary::extend(const CWizDoc& doc) {
    extend(doc.traceStore(), doc.clockTrace() != nullptr ? 5u : 10u);
}

void WaveSummary::extend(const TraceStore& store, std::uint32_t divisor) {
    if (store.generation() != m_generation || divisor != m_divisor || store.count() < m_frontier) {
        drop();
        m_generation = store.generation();
        m_divisor = divisor;
    }
    for (auto span = store.recordsFrom(m_frontier); !span.empty(); span = store.recordsFrom(m_frontier)) {
        for (const TraceRecord& r : span) {
            if (r.isSample())
                add(r.component, r.time / m_divisor, r.value, m_frontier);
            ++m_frontier;
        }
    }
}

WaveSummary::Lane& WaveSummary::lane(std::uint32_t handle) {
    if (m_lanes.size() < handle)
        m_lanes.resize(handle);
    return m_lanes[handle - 1];
}

void WaveSummary::add(std::uint32_t handle, std::uint64_t stamp, std::int32_t value, std::uint32_t record) {
    if (handle == kNoTraceHandle)
        return;
    const std::uint64_t b = stamp / m_block;
    while (m_records.size() <= b)
        m_records.push_back(record);
    m_lastStamp = m_haveStamp && m_lastStamp > stamp ? m_lastStamp : stamp;
    m_haveStamp = true;
    Lane& l = lane(handle);
    std::vector<Span>& blocks = l.levels[0];
    if (blocks.size() <= b) {
        // Blocks the component was not sampled in hold its value (or nothing, before its first sample).
        blocks.resize(b, Span{l.current, l.current, l.known, false});
        const bool atStart = stamp == b * m_block;
        blocks.push_back(Span{atStart || !l.known ? value : l.current, value, true,
                              !atStart && l.known && value != l.current});
    } else {
        Span& s = blocks[b];
        if (stamp == b * m_block) {
            s.first = s.last = value;
        } else {
            s.changed = s.changed || value != s.last;
            s.last = value;
        }
    }
    l.current = value;
    l.known = true;
}

std::uint32_t WaveSummary::blockStamps(int level) const {
    std::uint32_t n = m_block;
    for (int i = 0; i < level; ++i)
        n *= kLevelFactor;
    return n;
}

WaveSummary::Span WaveSummary::span(std::uint32_t handle, int level, std::uint64_t index) {
    if (handle == kNoTraceHandle || handle > m_lanes.size())
        return {};
    Lane& l = m_lanes[handle - 1];
    std::uint64_t scale = 1;
    for (int i = 0; i < level; ++i)
        scale *= kLevelFactor;
    const std::uint64_t written = l.levels[0].size();
    if (index * scale >= written)
        return Span{l.current, l.current, l.known, false};
    if (level == 0)
        return l.levels[0][index];
    std::vector<Span>& cache = l.levels[level];
    if (index < cache.size())
        return cache[index];
    auto combine = [&](std::uint64_t j) {
        Span out = span(handle, level - 1, j * kLevelFactor);
        for (std::uint32_t k = 1; k < kLevelFactor; ++k) {
            const Span s = span(handle, level - 1, j * kLevelFactor + k);
            if (!out.known) {
                out = s;
                out.changed = out.changed || s.known;
                continue;
            }
            out.changed = out.changed || s.changed || s.first != out.last;
            out.last = s.last;
        }
        return out;
    };
    // Only blocks whose level-0 blocks will not change again (all before the component's newest) are
    // kept; the newest is combined afresh each time.
    while (cache.size() <= index && (cache.size() + 1) * scale < written)
        cache.push_back(combine(cache.size()));
    return index < cache.size() ? cache[index] : combine(index);
}

std::uint32_t WaveSummary::recordOfBlock(std::uint64_t index) const {
    return index < m_records.size() ? m_records[index] : m_frontier;
}

} // namespace cellwatch
