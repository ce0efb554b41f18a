#pragma once
// The one walk over the trace store that forms the result log: log lines as they come, and a sample
// row whenever the time moves on after samples. The log view's walk, the saved log and the pass that
// writes the log and the VCD together all go through it, so they cannot disagree.

#include "app/sample_rows.h"
#include "app/traced_component.h"
#include "trace/trace_store.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cellwatch {

// What a sample record's handle names: the trace-list entry and its field in the rows.
struct LogWalkSlot {
    TracedComponent* component = nullptr;
    std::size_t field = 0;
};

// Walks every record that can be read, in order. Calls sink.record(r) for each record first, then
// sink.line(text) for a log line and sink.row(rows.row(time)) for each completed row. The entries
// named by samples get lastValue and previousValue as they pass.
template <class Sink>
void WalkLogRecords(TraceStore& store, const std::vector<LogWalkSlot>& slotOfHandle,
                    const std::vector<std::string>& lines, SampleRows& rows, Sink& sink) {
    bool haveRowTime = false;
    bool pending = false;
    std::uint32_t rowTime = 0;
    std::uint32_t index = 0;
    for (auto span = store.recordsFrom(0); !span.empty(); span = store.recordsFrom(index)) {
        index += static_cast<std::uint32_t>(span.size());
        for (const TraceRecord& record : span) {
            sink.record(record);
            if (!haveRowTime) {
                rowTime = record.time;
                haveRowTime = true;
            }
            if (record.time != rowTime && pending) {
                sink.row(rows.row(rowTime));
                rowTime = record.time;
                pending = false;
            }
            if (record.isLogLine()) {
                if (record.line <= lines.size())
                    sink.line(lines[record.line - 1]);
            } else if (record.component < slotOfHandle.size()) {
                const LogWalkSlot& slot = slotOfHandle[record.component];
                if (slot.component == nullptr)
                    continue;
                slot.component->previousValue = slot.component->lastValue;
                slot.component->lastValue = record.value;
                rows.setValue(slot.field, record.value);
                rowTime = record.time;
                pending = true;
            }
        }
    }
    if (pending && rowTime != 0)
        sink.row(rows.row(rowTime));
}

} // namespace cellwatch
