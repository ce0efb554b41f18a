#include "trace/vcd_sample_feed.h"

namespace cellwatch {

void VcdSampleFeed::addComponent(std::string_view name, std::uint16_t size, std::uint16_t radix) {
    constexpr int kReg = 4;
    m_writer.addVariable(name, kReg, size, radix, "0");
    m_slots.push_back(Slot{m_writer.findVariable(name), false, 0});
}

void VcdSampleFeed::sample(std::size_t component, std::uint32_t time, std::int32_t value) {
    if (component >= m_slots.size())
        return;
    if (time > m_latest) {
        m_latest = time;
        m_writer.setTime(time);
    }
    Slot& slot = m_slots[component];
    const auto bits = static_cast<std::uint32_t>(value);
    if (slot.written && slot.last == bits)
        return;
    slot.written = true;
    slot.last = bits;
    m_writer.addChange(slot.variable, bits);
}

} // namespace cellwatch
