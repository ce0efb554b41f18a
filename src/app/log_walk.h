#pragma once
// The one walk over the trace store that forms the result log: log lines as they come, and a sample
// row whenever the time moves on after samples. The log view's walk, the saved log and the pass that
// writes the log and the VCD together all go through it, so they cannot disagree.

#include "app/sample_rows.h"
#include "app/traced_component.h"
#include "trace/trace_store.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace cellwatch {

// What a sample record's handle names: the trace-list entry and its field in the rows.
struct LogWalkSlot {
    const TracedComponent* component = nullptr;
    std::size_t field = 0;
};

// The walk over records handed to it piece by piece, in store order: for a walk that runs while
// the store still grows. Calls sink.record(r) for each record first, then sink.line(text) for a
// log line and sink.row(rows.row(time)) for each completed row. The walk keeps the values it has
// seen in its rows alone: the entries themselves are never written, so that reading the log (a
// view's page, a search, a saved file) cannot change what the run compares its next samples with.
template <class Sink>
class LogWalk {
public:
    LogWalk(const std::vector<LogWalkSlot>& slotOfHandle, SampleRows& rows, Sink& sink)
        : m_slots(slotOfHandle), m_rows(rows), m_sink(sink) {}

    // lineText(handle) gives the text of a log line record, or null for a line no longer there.
    template <class LineText>
    void feed(std::span<const TraceRecord> records, LineText&& lineText) {
        for (const TraceRecord& record : records) {
            m_sink.record(record);
            if (!m_haveRowTime) {
                m_rowTime = record.time;
                m_haveRowTime = true;
            }
            if (record.time != m_rowTime && m_pending) {
                m_sink.row(m_rows.row(m_rowTime));
                m_rowTime = record.time;
                m_pending = false;
            }
            if (record.isLogLine()) {
                if (const std::string* text = lineText(record.line))
                    m_sink.line(*text);
            } else if (record.component < m_slots.size()) {
                const LogWalkSlot& slot = m_slots[record.component];
                if (slot.component == nullptr)
                    continue;
                m_rows.setValue(slot.field, record.value);
                m_rowTime = record.time;
                m_pending = true;
            }
        }
    }

    // After the last record: the row still open, if any.
    void finish() {
        if (m_pending && m_rowTime != 0)
            m_sink.row(m_rows.row(m_rowTime));
        m_pending = false;
    }

private:
    const std::vector<LogWalkSlot>& m_slots;
    SampleRows& m_rows;
    Sink& m_sink;
    bool m_haveRowTime = false;
    bool m_pending = false;
    std::uint32_t m_rowTime = 0;
};

// Walks every record that can be read, in order (see LogWalk).
template <class Sink>
void walkLogRecords(const TraceStore& store, const std::vector<LogWalkSlot>& slotOfHandle,
                    const std::vector<std::string>& lines, SampleRows& rows, Sink& sink) {
    LogWalk<Sink> walk(slotOfHandle, rows, sink);
    const auto lineText = [&lines](TraceHandle line) -> const std::string* {
        return line <= lines.size() ? &lines[line - 1] : nullptr;
    };
    std::uint32_t index = 0;
    for (auto span = store.recordsFrom(0); !span.empty(); span = store.recordsFrom(index)) {
        index += static_cast<std::uint32_t>(span.size());
        walk.feed(span, lineText);
    }
    walk.finish();
}

} // namespace cellwatch
