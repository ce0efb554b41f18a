#include "ui/log_line_index.h"

#include "app/cwiz_doc.h"
#include "app/log_format.h"

#include <algorithm>

namespace cellwatch {

namespace {

// Whether record starts a display line, given the time of the last sample before it.
bool startsLine(const TraceRecord& record, bool haveSample, std::uint32_t lastSampleTime) {
    if (record.isLogLine())
        return true;
    return !haveSample || record.time != lastSampleTime;
}

void apply(CWizDoc& doc, const TraceRecord& record) {
    if (TracedComponent* c = doc.componentOf(record.component)) {
        c->previousValue = c->lastValue;
        c->lastValue = record.value;
    }
}

} // namespace

void LogLineIndex::drop() {
    m_checkpoints.clear();
    m_values.clear();
    m_current.clear();
    m_frontier = 0;
    m_lines = 0;
    m_lastSampleTime = 0;
    m_haveSample = false;
}

void LogLineIndex::extend(CWizDoc& doc) {
    TraceStore& store = doc.traceStore();
    if (store.generation() != m_generation || store.count() < m_frontier) {
        drop();
        m_generation = store.generation();
    }
    TraceRecord record;
    for (; m_frontier < store.count() && store.get(m_frontier, record); ++m_frontier) {
        if (startsLine(record, m_haveSample, m_lastSampleTime)) {
            if (m_lines % kSpacing == 0) {
                m_checkpoints.push_back({m_frontier, m_lines, m_lastSampleTime, m_haveSample, m_values.size(),
                                         m_current.size()});
                m_values.insert(m_values.end(), m_current.begin(), m_current.end());
            }
            ++m_lines;
        }
        if (record.isSample()) {
            m_haveSample = true;
            m_lastSampleTime = record.time;
            if (m_current.size() < record.component)
                m_current.resize(record.component);
            Value& v = m_current[record.component - 1];
            v.previous = v.last;
            v.last = record.value;
            v.sampled = true;
        }
    }
}

std::uint64_t LogLineIndex::lineCount(CWizDoc& doc) {
    extend(doc);
    return m_lines;
}

std::uint32_t LogLineIndex::seek(CWizDoc& doc, std::uint64_t n) {
    extend(doc);
    TraceStore& store = doc.traceStore();
    if (m_checkpoints.empty())
        return store.count();
    // Past the end the walk still runs to the last record, leaving the components as it finds them.
    const std::size_t at = std::min<std::uint64_t>(n / kSpacing, m_checkpoints.size() - 1);
    const Checkpoint& cp = m_checkpoints[at];
    for (std::size_t i = 0; i < cp.valueCount; ++i) {
        const Value& v = m_values[cp.valuesAt + i];
        if (!v.sampled)
            continue;
        if (TracedComponent* c = doc.componentOf(static_cast<TraceHandle>(i + 1))) {
            c->lastValue = v.last;
            c->previousValue = v.previous;
        }
    }
    std::uint64_t line = cp.line;
    bool haveSample = cp.haveSample;
    std::uint32_t lastSampleTime = cp.lastSampleTime;
    TraceRecord record;
    for (std::uint32_t index = cp.record; store.get(index, record); ++index) {
        // The checkpoint's record starts its line; every later record is tested.
        if (index == cp.record || startsLine(record, haveSample, lastSampleTime)) {
            if (index != cp.record)
                ++line;
            if (line == n)
                return index;
        }
        if (record.isSample()) {
            haveSample = true;
            lastSampleTime = record.time;
            apply(doc, record);
        }
    }
    return store.count();
}

std::uint32_t LogLineIndex::recordOfLine(CWizDoc& doc, std::uint64_t n) {
    return seek(doc, n);
}

int LogLineIndex::page(CWizDoc& doc, std::uint64_t first, int count,
                       const std::function<void(std::string_view)>& line) {
    TraceStore& store = doc.traceStore();
    std::uint32_t index = seek(doc, first);
    const std::uint32_t divisor = doc.clockTrace() != nullptr ? 5 : 10;
    int drawn = 0;
    bool pending = false;
    std::uint32_t rowTime = 0;
    auto drawInstant = [&] {
        m_row.clear();
        AppendSampleRow(m_row, rowTime, divisor, doc.traceList(), doc.radix());
        line(m_row);
        ++drawn;
        pending = false;
    };
    TraceRecord record;
    for (; drawn < count && store.get(index, record); ++index) {
        if (pending && record.time != rowTime) {
            drawInstant();
            if (drawn == count)
                return drawn;
        }
        if (record.isLogLine()) {
            const std::string* text = doc.logLineOf(record.line);
            line(text != nullptr ? std::string_view(*text) : std::string_view());
            ++drawn;
        } else {
            apply(doc, record);
            rowTime = record.time;
            pending = true;
        }
    }
    if (pending && drawn < count && index >= store.count() && rowTime != 0)
        drawInstant();
    return drawn;
}

} // namespace cellwatch
