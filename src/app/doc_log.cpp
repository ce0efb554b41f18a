// The result log: the four kinds of line, their place in the trace store, the rows of samples
// formed from the stream, the saved log file and the run's column header.

#include "app/cwiz_doc.h"
#include "app/log_format.h"
#include "common/atomic_file.h"

#include <algorithm>

namespace cellwatch {

void CWizDoc::appendLogRecord(std::string text) {
    m_logLines.push_back(std::move(text));
    TraceRecord record;
    // A line written during a time step sorts after that step's samples.
    record.time = m_time == 0 ? 0u : static_cast<std::uint32_t>(m_time) + 1u;
    record.line = static_cast<TraceHandle>(m_logLines.size());
    // A refused append keeps the line for the end of the saved log; the sample path is what halts a run.
    if (!m_pTraceStore->append(record))
        m_unstoredLines.push_back(m_logLines.back());
}

void CWizDoc::LogLine(std::string_view text) {
    appendLogRecord(std::string(text));
}

void CWizDoc::LogInfo(std::string_view text) {
    if (m_bComments == 0)
        return;
    std::string line = "|";
    line += text;
    appendLogRecord(std::move(line));
}

void CWizDoc::LogWarning(std::string_view text) {
    std::string line(kWarningPrefix);
    line += text;
    appendLogRecord(std::move(line));
    ++m_warningCount;
}

void CWizDoc::LogError(std::string_view text) {
    std::string line(kErrorPrefix);
    line += text;
    appendLogRecord(std::move(line));
    ++m_errorCount;
}

void CWizDoc::EmptyLog() {
    m_pTraceStore->reset();
    m_logLines.clear();
    m_unstoredLines.clear();
    m_bLogHeader = 0;
    m_headerLines = 0;
    // No record names a component any more: handles of removed entries can be given out again.
    m_componentTable.clear();
    for (TracedComponent& entry : m_traceList) {
        m_componentTable.push_back(&entry);
        entry.handle = static_cast<TraceHandle>(m_componentTable.size());
    }
}

TracedComponent* CWizDoc::componentOf(TraceHandle handle) const {
    if (handle == kNoTraceHandle || handle > m_componentTable.size())
        return nullptr;
    return m_componentTable[handle - 1];
}

const std::string* CWizDoc::logLineOf(TraceHandle handle) const {
    if (handle == kNoTraceHandle || handle > m_logLines.size())
        return nullptr;
    return &m_logLines[handle - 1];
}

void CWizDoc::WalkLog(const std::function<void(std::string_view)>& line) {
    const std::uint32_t divisor = m_pClockTrace != nullptr ? 5 : 10;
    std::string row;
    bool haveRowTime = false;
    bool pending = false;
    std::uint32_t rowTime = 0;
    TraceRecord record;
    for (std::uint32_t index = 0; m_pTraceStore->get(index, record); ++index) {
        if (!haveRowTime) {
            rowTime = record.time;
            haveRowTime = true;
        }
        if (record.time != rowTime && pending) {
            row.clear();
            AppendSampleRow(row, rowTime, divisor, m_traceList, m_radix);
            line(row);
            rowTime = record.time;
            pending = false;
        }
        if (record.isLogLine()) {
            if (const std::string* text = logLineOf(record.line))
                line(*text);
        } else if (TracedComponent* component = componentOf(record.component)) {
            component->previousValue = component->lastValue;
            component->lastValue = record.value;
            rowTime = record.time;
            pending = true;
        }
    }
    if (pending && rowTime != 0) {
        row.clear();
        AppendSampleRow(row, rowTime, divisor, m_traceList, m_radix);
        line(row);
    }
}

bool CWizDoc::WriteResultLog(const std::string& path) {
    m_host.beginWaitCursor();
    AtomicFile file;
    bool ok = file.open(path);
    if (ok) {
        constexpr std::size_t kFlushAt = 1 << 16;
        std::string block;
        block.reserve(kFlushAt + 4096);
        WalkLog([&](std::string_view text) {
            block += text;
            block += "\r\n";
            if (block.size() >= kFlushAt) {
                file.write(block.data(), block.size());
                block.clear();
            }
        });
        for (const std::string& text : m_unstoredLines) {
            block += text;
            block += "\r\n";
        }
        file.write(block.data(), block.size());
        ok = file.commit();
    }
    m_host.endWaitCursor();
    if (!ok)
        m_host.messageOk("The result log could not be written to \"" + path + "\".");
    return ok;
}

void CWizDoc::WriteLogHeader() {
    for (const std::string& text : ColumnHeader(m_traceList, m_radix))
        LogLine(text);
    m_headerLines = ColumnHeader(m_traceList, m_radix).size();
    m_bLogHeader = 1;
}

void CWizDoc::RewriteLogHeader() {
    if (m_bLogHeader != 1)
        return;
    std::vector<std::string> header = ColumnHeader(m_traceList, m_radix);
    if (m_logLines.size() < header.size())
        return;
    // Only a header of the height written replaces it: a taller one would overwrite the run's lines.
    if (header.size() != m_headerLines)
        return;
    std::copy(header.begin(), header.end(), m_logLines.begin());
    RefreshLogViews(false);
}

void CWizDoc::RefreshLogViews(bool follow) {
    // Only the newest view follows the end; the others keep the place the user scrolled to.
    for (std::size_t i = 0; i < m_logViews.size(); ++i)
        m_logViews[i]->refresh(follow && i + 1 == m_logViews.size());
}

} // namespace cellwatch
