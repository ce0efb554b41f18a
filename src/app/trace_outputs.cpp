#include "app/trace_outputs.h"

#include "app/log_format.h"
#include "design/design_element.h"

namespace cellwatch {

VcdTraceSink::VcdTraceSink(VcdWriter& writer, const std::list<TracedComponent>& traceList,
                           int defaultRadix)
    : m_feed(writer) {
    // Sample records name components by handle; the feed numbers them in trace-list order.
    std::size_t slot = 0;
    for (const TracedComponent& entry : traceList) {
        if (entry.element == nullptr)
            continue;
        const std::uint32_t size = entry.element->size > 32 ? 32 : entry.element->size;
        m_feed.addComponent(entry.element->fullName, static_cast<std::uint16_t>(size),
                            static_cast<std::uint16_t>(componentRadix(entry, defaultRadix)));
        if (entry.handle != kNoTraceHandle) {
            if (m_slotOfHandle.size() <= entry.handle)
                m_slotOfHandle.resize(entry.handle + 1, kNoSlot);
            m_slotOfHandle[entry.handle] = slot;
        }
        ++slot;
    }
}

} // namespace cellwatch
