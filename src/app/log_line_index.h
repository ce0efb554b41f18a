#pragma once
// Where each display line of the result log starts in the trace store, and the pages the log view
// draws from it. Display lines are the log's text lines plus one sampling line per instant; finding
// line n by walking the store from record 0 would make every paint cost the length of the log, so
// a checkpoint every kSpacing lines keeps the record index and the traced components' values
// there, and a page is walked from the checkpoint at or before its first line. The index grows with
// the store and is dropped when the store is emptied (its generation changes).

#include "trace/trace_record.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace cellwatch {

class CWizDoc;

class LogLineIndex {
public:
    static constexpr std::uint64_t kSpacing = 128;

    // Draws the display lines first, first + 1, ... through line(), at most count of them, and
    // returns how many were drawn. Sampling lines show the values the walk from record 0 would have
    // shown, kept in the index's own copy: the session's traced components are only read (a
    // component that no sample before the line has set shows its newest recorded value).
    int page(const CWizDoc& doc, std::uint64_t first, int count,
             const std::function<void(std::string_view)>& line);

    // Display lines the store holds so far: text lines plus instants, the last one counted even
    // when its sampling line is not drawn (an instant at time 0 at the very end).
    std::uint64_t lineCount(const CWizDoc& doc);
    // The record that starts display line n, or the store's count when it holds fewer lines.
    std::uint32_t recordOfLine(const CWizDoc& doc, std::uint64_t n);

    // Forgets everything; the next call walks the store again from record 0.
    void drop();
    std::size_t checkpointCount() const { return m_checkpoints.size(); }

private:
    struct Value {
        std::int32_t last = 0;
        std::int32_t previous = 0;
        bool sampled = false;
    };
    // The state of the line count at the record that starts a line.
    struct Checkpoint {
        std::uint32_t record = 0;
        std::uint64_t line = 0;
        std::uint32_t lastSampleTime = 0;
        bool haveSample = false;
        std::size_t valuesAt = 0; // where its values start in m_values
        std::size_t valueCount = 0;
    };

    // Brings the index up to the end of the store.
    void extend(const CWizDoc& doc);
    // Sets the page's values to those at the record that starts line n; returns that record.
    std::uint32_t seek(const CWizDoc& doc, std::uint64_t n);
    void applyToPage(const TraceRecord& record);
    // One sample into a walk's values (current or page), grown to the component on first sight.
    static void applySample(std::vector<Value>& values, const TraceRecord& record);
    // The sampling line at rowTime from the page's values.
    void formatRow(const CWizDoc& doc, std::uint32_t rowTime);

    std::uint64_t m_generation = 0;
    std::vector<Checkpoint> m_checkpoints;
    std::vector<Value> m_values; // checkpoint snapshots, one after the other

    // The walk so far: the next record to index and the line count's state before it.
    std::uint32_t m_frontier = 0;
    std::uint64_t m_lines = 0;
    std::uint32_t m_lastSampleTime = 0;
    bool m_haveSample = false;
    std::vector<Value> m_current; // by component handle - 1

    std::vector<Value> m_page;            // the page walk's values, by component handle - 1
    std::vector<std::int32_t> m_rowValues; // one sampling line's values in trace-list order
    std::string m_row;                     // reused for sampling lines
};

} // namespace cellwatch
