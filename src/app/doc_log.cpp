// The result log: the four kinds of line, their place in the trace store, the rows of samples
// formed from the stream, the saved log file and the run's column header.

#include "app/cwiz_doc.h"
#include "app/log_format.h"
#include "app/live_output.h"
#include "app/log_walk.h"
#include "app/trace_outputs.h"
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
    if (!m_bComments)
        return;
    std::string line = "|";
    line += text;
    appendLogRecord(std::move(line));
}

void CWizDoc::LogWarning(std::string_view text) {
    std::string line(kWarningPrefix);
    line += text;
    appendLogRecord(std::move(line));
    m_scriptProblems.push_back({m_logLines.size() - 1, m_problemLine});
    ++m_warningCount;
}

void CWizDoc::LogError(std::string_view text) {
    std::string line(kErrorPrefix);
    line += text;
    appendLogRecord(std::move(line));
    m_scriptProblems.push_back({m_logLines.size() - 1, m_problemLine});
    ++m_errorCount;
}

void CWizDoc::EmptyLog() {
    dropLiveOutput();
    m_pTraceStore->reset();
    m_logLines.clear();
    m_unstoredLines.clear();
    m_scriptProblems.clear();
    m_bLogHeader = false;
    m_headerLines = 0;
    // No record names a component any more: handles of removed entries can be given out again.
    m_componentTable.clear();
    for (TracedComponent& entry : m_traceList) {
        m_componentTable.push_back(&entry);
        entry.handle = static_cast<TraceHandle>(m_componentTable.size());
    }
}

const TracedComponent* CWizDoc::componentOf(TraceHandle handle) const {
    if (handle == kNoTraceHandle || handle > m_componentTable.size())
        return nullptr;
    return m_componentTable[handle - 1];
}

const std::string* CWizDoc::logLineOf(TraceHandle handle) const {
    if (handle == kNoTraceHandle || handle > m_logLines.size())
        return nullptr;
    return &m_logLines[handle - 1];
}

LogWalkInputs CWizDoc::logWalkInputs() {
    return LogWalkInputs{m_traceList, m_componentTable, m_logLines, m_radix, m_pClockTrace != nullptr};
}

void CWizDoc::startLiveOutput() {
    dropLiveOutput();
    m_liveOutput = LiveOutput::start(*m_pTraceStore, logWalkInputs(), batchLogPath(), m_batchVcdPath,
                                     m_batchVcdPath.empty() ? std::string() : m_host.localDate());
}

void CWizDoc::dropLiveOutput() {
    m_liveOutput.reset();
}

bool CWizDoc::finishLiveOutput(bool& logWritten) {
    const std::unique_ptr<LiveOutput> live = std::move(m_liveOutput);
    if (!live || !live->finish(logWalkInputs(), m_unstoredLines))
        return false;
    logWritten = live->commitLog();
    const bool vcdWritten = !m_batchVcdPath.empty() && live->commitVcd();
    if (!logWritten)
        m_host.messageOk("The result log could not be written to \"" + batchLogPath() + "\".");
    if (!m_batchVcdPath.empty())
        m_batchVcdOutcome = vcdWritten ? BatchOutput::Written : BatchOutput::Failed;
    return true;
}

void CWizDoc::WalkLog(const std::function<void(std::string_view)>& line) {
    struct Sink {
        const std::function<void(std::string_view)>& out;
        void record(const TraceRecord&) {}
        void line(std::string_view text) { out(text); }
        void row(std::string_view text) { out(text); }
    } sink{line};
    SampleRows rows(m_traceList, m_radix, m_pClockTrace != nullptr ? 5 : 10);
    walkLogRecords(*m_pTraceStore, logWalkSlots(m_traceList, m_componentTable), m_logLines, rows, sink);
}

bool CWizDoc::WriteResultLog(const std::string& path) {
    dropLiveOutput();
    NoRecordSink none;
    return writeLogWalk(path, none);
}

template <class Next>
bool CWizDoc::writeLogWalk(const std::string& path, Next& next) {
    m_host.beginWaitCursor();
    SampleRows rows(m_traceList, m_radix, m_pClockTrace != nullptr ? 5 : 10);
    const std::vector<LogWalkSlot> slots = logWalkSlots(m_traceList, m_componentTable);
    AtomicFile file;
    bool ok = file.open(path);
    if (ok) {
        LogFileSink<Next> sink(file, next);
        walkLogRecords(*m_pTraceStore, slots, m_logLines, rows, sink);
        for (const std::string& text : m_unstoredLines)
            sink.put(text);
        sink.flush();
        ok = file.commit();
    } else {
        // The other output still gets its walk.
        struct Rest {
            Next& next;
            void record(const TraceRecord& r) { next.record(r); }
            void line(std::string_view) {}
            void row(std::string_view) {}
        } rest{next};
        walkLogRecords(*m_pTraceStore, slots, m_logLines, rows, rest);
    }
    m_host.endWaitCursor();
    if (!ok)
        m_host.messageOk("The result log could not be written to \"" + path + "\".");
    return ok;
}

bool CWizDoc::WriteResultLogAndVcd(const std::string& logPath, const std::string& vcdPath,
                                   bool& vcdWritten) {
    dropLiveOutput();
    // A device or FIFO must get one whole file after the other, as a reader of it expects.
    if (resolveSaveTarget(logPath).kind != SaveTarget::Kind::Replace ||
        resolveSaveTarget(vcdPath).kind != SaveTarget::Kind::Replace) {
        const bool logWritten = WriteResultLog(logPath);
        vcdWritten = WriteTraceVcd(vcdPath);
        return logWritten;
    }
    VcdWriter writer(vcdPath, m_host.localDate());
    writer.setTimescale(10, 1); // 10 ms: one unit of the session's time
    VcdTraceSink vcd(writer, m_traceList, m_radix);
    const bool logWritten = writeLogWalk(logPath, vcd);
    vcdWritten = writer.write();
    return logWritten;
}

void CWizDoc::WriteLogHeader() {
    for (const std::string& text : columnHeader(m_traceList, m_radix))
        LogLine(text);
    m_headerLines = columnHeader(m_traceList, m_radix).size();
    m_bLogHeader = true;
}

void CWizDoc::RewriteLogHeader() {
    if (!m_bLogHeader)
        return;
    std::vector<std::string> header = columnHeader(m_traceList, m_radix);
    if (m_logLines.size() < header.size())
        return;
    // Only a header of the height written replaces it: a taller one would overwrite the run's lines.
    if (header.size() != m_headerLines)
        return;
    // Lines the live output may have written already change.
    dropLiveOutput();
    std::copy(header.begin(), header.end(), m_logLines.begin());
    RefreshLogViews(false);
}

void CWizDoc::RefreshLogViews(bool follow) {
    // Only the newest view follows the end; the others keep the place the user scrolled to.
    for (std::size_t i = 0; i < m_logViews.size(); ++i)
        m_logViews[i]->refresh(follow && i + 1 == m_logViews.size());
}

} // namespace cellwatch
