#include "trace/vcd_sample_feed.h"

namespace cellwatch {

void VcdSampleFeed::addComponent(std::string_view name, std::uint16_t size, std::uint16_t radix) {
    constexpr int kReg = 4;
    m_writer.addVariable(name, kReg, size, radix, "0");
    const int variable = m_writer.findVariable(name);
    m_slots.push_back(Slot{variable, false, 0, m_writer.bitCode(variable)});
}

} // namespace cellwatch
