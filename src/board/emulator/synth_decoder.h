#pragma once
// Listens to the clock synthesizer's serial line (one bit per port write) and recovers what the host
// programmed: it undoes the bit stuffing, splits the stream at separators and recognises the
// three-field programming sequence, from which it computes the frequency obtained from the reference.

#include <cstdint>

namespace cellwatch {

class SynthDecoder {
public:
    static constexpr double kReferenceMHz = 16.0;

    // Back to the state of a freshly opened line (the host's stuffing history is 0 then).
    void restart();
    void bit(std::uint32_t value);

    bool hasProgram() const { return m_programs > 0; }
    std::uint32_t programWord() const { return m_programWord; }
    double frequencyMHz() const { return m_frequency; }
    int programsDecoded() const { return m_programs; }
    int fieldsDecoded() const { return m_fields; }
    // Separators not followed by their closing 0, and data fields too long to be any field.
    int framingErrors() const { return m_errors; }
    std::uint64_t bitsReceived() const { return m_bits; }

    // The frequency a program word sets: 2 * reference * p / q / 2^e.
    static double frequencyOf(std::uint32_t programWord, double referenceMHz = kReferenceMHz);

private:
    void endField();

    static constexpr int kMaxFieldBits = 64;

    std::uint32_t m_history = 0;   // the last three data bits, newest in bit 2, as the sender keeps it
    std::uint64_t m_data = 0;      // data bits of the field in progress, first bit in bit 0
    int m_dataCount = 0;           // may run past kMaxFieldBits; the field is then invalid
    bool m_stuffPending = false;   // three 1s seen: the next bit is a stuffed 0 or a separator's fourth 1
    bool m_closingPending = false; // a separator's closing 0 is due

    // The last three fields, newest last.
    std::uint64_t m_fieldValue[3] = {0, 0, 0};
    int m_fieldBits[3] = {-1, -1, -1};

    std::uint32_t m_programWord = 0;
    double m_frequency = 0.0;
    int m_programs = 0;
    int m_fields = 0;
    int m_errors = 0;
    std::uint64_t m_bits = 0;
};

} // namespace cellwatch
