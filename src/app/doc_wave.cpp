// The trace as a waveform: the conversion of the trace store into a VCD file, and the command that
// saves one where the user asks.

#include "app/cwiz_doc.h"
#include "app/trace_outputs.h"

namespace cellwatch {

bool CWizDoc::WriteTraceVcd(const std::string& path) {
    VcdWriter writer(path, m_host.localDate());
    writer.setTimescale(10, 1); // 10 ms: one unit of the session's time
    VcdTraceSink sink(writer, m_traceList, m_radix);
    std::uint32_t index = 0;
    for (auto span = m_pTraceStore->recordsFrom(0); !span.empty(); span = m_pTraceStore->recordsFrom(index)) {
        index += static_cast<std::uint32_t>(span.size());
        for (const TraceRecord& record : span)
            sink.record(record);
    }
    return writer.write();
}

bool CWizDoc::SaveTraceWave() {
    const std::optional<std::string> chosen = m_host.saveFileDialog(saveRequest("Save trace as waveform", "vcd"));
    if (!chosen)
        return false;
    m_host.beginWaitCursor();
    const bool ok = WriteTraceVcd(*chosen);
    m_host.endWaitCursor();
    if (!ok)
        m_host.messageOk("Failed to save wave file");
    return ok;
}

} // namespace cellwatch
