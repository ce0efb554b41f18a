#include "trace/vcd_sample_feed.h"

namespace cellwatch {

void VcdSampleFeed::addComponent(std::string_view name, std::uint16_t size, std::uint16_t radix) {
    constexpr int kReg = 4;
    m_writer.addVariable(name, kReg, size, radix, "0");
    m_slots.push_back(Slot{m_writer.findVariable(name), false, 0});
}

} // namespace cellwatch
