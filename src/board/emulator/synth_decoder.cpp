#include "board/emulator/synth_decoder.h"

namespace cellwatch {

void SynthDecoder::restart() {
    m_history = 0;
    m_data = 0;
    m_dataCount = 0;
    m_stuffPending = false;
    m_closingPending = false;
    for (int k = 0; k < 3; ++k) {
        m_fieldValue[k] = 0;
        m_fieldBits[k] = -1;
    }
}

void SynthDecoder::bit(std::uint32_t value) {
    const std::uint32_t b = value & 1u;
    ++m_bits;
    if (m_closingPending) {
        m_closingPending = false;
        if (b != 0)
            ++m_errors; // the line is out of step; the next separator brings it back
        return;
    }
    if (m_stuffPending) {
        m_stuffPending = false;
        if (b == 0) {
            m_history = 3; // the stuffed 0, as the sender records it
            return;
        }
        // A fourth 1 in a row never occurs in stuffed data: this is a separator 0 1 1 1 1 0, and its
        // first four bits were taken for data.
        m_dataCount -= 4;
        if (m_dataCount < 0)
            m_dataCount = 0;
        if (m_dataCount < kMaxFieldBits)
            m_data &= (std::uint64_t{1} << m_dataCount) - 1u;
        endField();
        m_history = 3;
        m_closingPending = true;
        return;
    }
    if (m_dataCount < kMaxFieldBits)
        m_data |= static_cast<std::uint64_t>(b) << m_dataCount;
    if (m_dataCount < 1 << 20)
        ++m_dataCount;
    m_history = (m_history >> 1) | (b << 2);
    if (m_history == 7)
        m_stuffPending = true;
}

void SynthDecoder::endField() {
    ++m_fields;
    for (int k = 0; k < 2; ++k) {
        m_fieldValue[k] = m_fieldValue[k + 1];
        m_fieldBits[k] = m_fieldBits[k + 1];
    }
    if (m_dataCount > kMaxFieldBits) {
        ++m_errors;
        m_fieldBits[2] = -1;
    } else {
        m_fieldBits[2] = m_dataCount;
        m_fieldValue[2] = m_data;
    }
    m_data = 0;
    m_dataCount = 0;

    // The programming sequence: 5 (8 bits) | program word (22 bits) then 4 (8 bits) | 0 (8 bits).
    if (m_fieldBits[0] == 8 && m_fieldValue[0] == 5 && m_fieldBits[1] == 30 && (m_fieldValue[1] >> 22) == 4 &&
        m_fieldBits[2] == 8 && m_fieldValue[2] == 0) {
        m_programWord = static_cast<std::uint32_t>(m_fieldValue[1] & 0x3FFFFFu);
        m_frequency = frequencyOf(m_programWord);
        ++m_programs;
    }
}

double SynthDecoder::frequencyOf(std::uint32_t programWord, double referenceMHz) {
    const std::uint32_t q = ((programWord >> 4) & 0x7Fu) + 2;
    const std::uint32_t e = (programWord >> 11) & 0x7u;
    const std::uint32_t p = ((programWord >> 15) & 0x7Fu) + 3;
    return 2.0 * referenceMHz * static_cast<double>(p) / static_cast<double>(q) /
           static_cast<double>(1u << e);
}

} // namespace cellwatch
