#include "app/log_line_index.h"

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

void LogLineIndex::extend(const CWizDoc& doc) {
    const TraceStore& store = doc.traceStore();
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
            applySample(m_current, record);
        }
    }
}

std::uint64_t LogLineIndex::lineCount(const CWizDoc& doc) {
    extend(doc);
    return m_lines;
}

void LogLineIndex::applyToPage(const TraceRecord& record) {
    if (record.component == kNoTraceHandle)
        return;
    applySample(m_page, record);
}

void LogLineIndex::applySample(std::vector<Value>& values, const TraceRecord& record) {
    if (values.size() < record.component)
        values.resize(record.component);
    Value& v = values[record.component - 1];
    v.previous = v.last;
    v.last = record.value;
    v.sampled = true;
}

std::uint32_t LogLineIndex::seek(const CWizDoc& doc, std::uint64_t n) {
    extend(doc);
    const TraceStore& store = doc.traceStore();
    m_page.clear();
    if (m_checkpoints.empty())
        return store.count();
    // Past the end the walk still runs to the last record.
    const std::size_t at = std::min<std::uint64_t>(n / kSpacing, m_checkpoints.size() - 1);
    const Checkpoint& cp = m_checkpoints[at];
    const auto from = m_values.begin() + static_cast<std::ptrdiff_t>(cp.valuesAt);
    m_page.assign(from, from + static_cast<std::ptrdiff_t>(cp.valueCount));
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
            applyToPage(record);
        }
    }
    return store.count();
}

void LogLineIndex::formatRow(const CWizDoc& doc, std::uint32_t rowTime) {
    m_rowValues.clear();
    for (const TracedComponent& c : doc.traceList()) {
        const TraceHandle h = c.handle;
        // Handles are given out again only when the store is emptied, so the page's value under an
        // entry's handle is that entry's.
        const bool seen = h != kNoTraceHandle && h <= m_page.size() && m_page[h - 1].sampled;
        m_rowValues.push_back(seen ? m_page[h - 1].last : c.lastValue);
    }
    m_row.clear();
    appendSampleRow(m_row, rowTime, doc.clockTrace() != nullptr ? 5 : 10, doc.traceList(), doc.radix(),
                    m_rowValues);
}

std::uint32_t LogLineIndex::recordOfLine(const CWizDoc& doc, std::uint64_t n) {
    return seek(doc, n);
}

int LogLineIndex::page(const CWizDoc& doc, std::uint64_t first, int count,
                       const std::function<void(std::string_view)>& line) {
    const TraceStore& store = doc.traceStore();
    std::uint32_t index = seek(doc, first);
    int drawn = 0;
    bool pending = false;
    std::uint32_t rowTime = 0;
    auto drawInstant = [&] {
        formatRow(doc, rowTime);
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
            applyToPage(record);
            rowTime = record.time;
            pending = true;
        }
    }
    if (pending && drawn < count && index >= store.count() && rowTime != 0)
        drawInstant();
    return drawn;
}

} // namespace cellwatch
