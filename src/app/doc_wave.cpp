// The trace as a waveform: the conversion of the trace store into a VCD file, and the command that
// saves one where the user asks.

#include "app/cwiz_doc.h"
#include "app/log_format.h"
#include "design/design_element.h"
#include "trace/vcd_sample_feed.h"
#include "trace/vcd_writer.h"

namespace cellwatch {

bool CWizDoc::WriteTraceVcd(const std::string& path) {
    VcdWriter writer(path, m_host.localDate());
    writer.setTimescale(10, 1); // 10 ms: one unit of the session's time
    VcdSampleFeed feed(writer);

    // Sample records name components by handle; the feed numbers them in trace-list order.
    std::vector<std::size_t> slotOfHandle;
    std::size_t slot = 0;
    for (const TracedComponent& entry : m_traceList) {
        if (entry.element == nullptr)
            continue;
        const std::uint32_t size = entry.element->size > 32 ? 32 : entry.element->size;
        feed.addComponent(entry.element->fullName, static_cast<std::uint16_t>(size),
                          static_cast<std::uint16_t>(ComponentRadix(entry, m_radix)));
        if (entry.handle != kNoTraceHandle) {
            if (slotOfHandle.size() <= entry.handle)
                slotOfHandle.resize(entry.handle + 1, static_cast<std::size_t>(-1));
            slotOfHandle[entry.handle] = slot;
        }
        ++slot;
    }

    TraceRecord record;
    for (std::uint32_t index = 0; m_pTraceStore->get(index, record); ++index) {
        if (!record.isSample() || record.component >= slotOfHandle.size())
            continue;
        const std::size_t component = slotOfHandle[record.component];
        if (component != static_cast<std::size_t>(-1))
            feed.sample(component, record.time, record.value);
    }
    return writer.write();
}

bool CWizDoc::SaveTraceWave() {
    FileDialogRequest request;
    request.title = "Save trace as waveform";
    request.filter = "All files (*.*)|*.*";
    request.defaultExt = "vcd";
    request.startFolder = m_settings.readString("Environment", "Last path", "");
    request.overwritePrompt = true;
    const std::optional<std::string> chosen = m_host.saveFileDialog(request);
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
