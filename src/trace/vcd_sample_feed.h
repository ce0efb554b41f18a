#pragma once
// Turns a trace's samples, walked in store order, into VCD declarations and changes: one reg variable
// per traced component, a time line whenever time moves forward, and a change only when a
// component's value differs from the last one it wrote.

#include "trace/vcd_writer.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace cellwatch {

class VcdSampleFeed {
public:
    explicit VcdSampleFeed(VcdWriter& writer) : m_writer(writer) {}

    // Declares the next component (numbered from 0 in call order) as a reg with initial value "0".
    // A name that repeats an earlier one gets no variable of its own: its changes go to the first.
    void addComponent(std::string_view name, std::uint16_t size, std::uint16_t radix);

    // One sample record of a component. Values are written as unsigned binary, padded to the width.
    // Samples of components that were never added are ignored.
    void sample(std::size_t component, std::uint32_t time, std::int32_t value) {
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
        if (slot.code != 0 && bits <= 1u)
            m_writer.addBit(slot.variable, slot.code, bits);
        else
            m_writer.addChange(slot.variable, bits);
    }

private:
    struct Slot {
        int variable;
        bool written;
        std::uint32_t last;
        char code; // the variable's code when it is one bit wide (VcdWriter::bitCode), else 0
    };

    VcdWriter& m_writer;
    std::vector<Slot> m_slots;
    std::uint32_t m_latest = 0;
};

} // namespace cellwatch
