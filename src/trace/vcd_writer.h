#pragma once
// Writes a Value Change Dump file: header, one declaration per variable (with its initial value and
// display radix), then time lines and value changes. Changes stream to the file as they are added,
// so memory follows the number of variables, not the length of the trace; the target appears only
// when write() completes.

#include "common/atomic_file.h"

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace cellwatch {

class VcdWriter {
public:
    // fileName is the target; date is the 24-character local date and time for the "$date" block
    // (see vcdDateText).
    VcdWriter(std::string fileName, std::string date);
    ~VcdWriter(); // without a successful write() the target is left untouched

    VcdWriter(const VcdWriter&) = delete;
    VcdWriter& operator=(const VcdWriter&) = delete;

    // number 1, 10 or 100; unit 0..5 for s, ms, us, ns, ps, fs. False once changes have started.
    bool setTimescale(int number, int unit);

    // type indexes the keyword table (4 is "reg"); radix 8, 10 or 16 adds a display-radix line.
    // False for a repeated name (exact comparison) and once changes have started.
    bool addVariable(std::string_view name, int type, std::uint16_t size, std::uint16_t radix,
                     std::string_view initialValue);

    // False when time is below the current time.
    bool setTime(std::uint32_t time) {
        if (time < m_time)
            return false;
        m_time = time;
        return true;
    }

    // Adds a change of the named variable, stamped with the current time. False when no variable
    // has that name.
    bool addChange(std::string_view name, std::string_view value);

    // The same by variable number (declaration order from 0), without the name lookup.
    int findVariable(std::string_view name) const;
    bool addChange(int variable, std::string_view value);
    // A change given as a number: binary digits, most significant first, no leading zeros, padded
    // with "0" on the left to the variable's size.
    bool addChange(int variable, std::uint32_t value) {
        // A single bit of a variable with a one-character code while streaming: most of a long trace.
        if (m_streaming && value <= 1u) {
            if (const char code = bitCode(variable)) {
                emitTimeIfNew();
                putBit(code, value);
                return true;
            }
        }
        return addNumberChange(variable, value);
    }

    // The one-character code of a variable of one bit, or 0 for any other variable.
    char bitCode(int variable) const {
        if (variable < 0 || static_cast<std::size_t>(variable) >= m_vars.size())
            return 0;
        const Variable& v = m_vars[static_cast<std::size_t>(variable)];
        return v.size == 1 && v.code.size() == 1 ? v.code[0] : 0;
    }
    // addChange(variable, value) for a variable whose bitCode is code (not 0) and a value of 0 or 1.
    void addBit(int variable, char code, std::uint32_t value) {
        if (m_streaming) [[likely]] {
            emitTimeIfNew();
            putBit(code, value);
            return;
        }
        addChange(variable, value);
    }

    // The file, once open, is flushed to the disk along the way (AtomicFile::flushInBackground).
    void flushInBackground() { m_flushInBackground = true; }

    // Writes out what is buffered and sends the file so far on its way to the disk (see
    // AtomicFile::startWriteback); the file stays open for more.
    void startWriteback() {
        if (m_phase == Phase::Streaming) {
            flush();
            m_out.startWriteback();
        }
    }

    // Completes the file and puts it in place. False when the file could not be created or written;
    // the target is then left as it was. Later calls return the same result and change nothing.
    bool write();

    std::size_t variableCount() const { return m_vars.size(); }

    // The identifier code of the n-th variable (from 0): "!".."~" for the first 94, then base-94
    // digits over the same characters, least significant first.
    static std::string identifierCode(std::size_t n);

private:
    struct Variable {
        std::string name;
        std::string code;
        int type;
        std::uint16_t size;
        std::uint16_t radix;
        std::string initial;
    };
    // The change of a single bit of a variable with a one-character code, most of what a long trace
    // holds, written straight into the buffer.
    void putBit(char code, std::uint32_t value) {
        char* p = reserve(3);
        p[0] = static_cast<char>('0' + value);
        p[1] = code;
        p[2] = '\n';
        m_used += 3;
    }

    void startChanges();
    void writeHeader();
    void emitTimeIfNew() {
        if (m_time > m_lastWritten)
            emitTime();
    }
    void emitTime();
    bool addNumberChange(int variable, std::uint32_t value);
    void put(std::string_view text);
    void putNumber(std::uint64_t value);
    char* reserve(std::size_t n) {
        return m_used + n <= m_bufSize ? m_buf.get() + m_used : reserveSlow(n);
    }
    char* reserveSlow(std::size_t n);
    void flush();

    std::string m_fileName;
    std::string m_date;
    int m_timescale = 1;
    int m_unit = 3;
    std::uint32_t m_time = 0;
    std::vector<Variable> m_vars;
    std::map<std::string, int, std::less<>> m_byName;

    enum class Phase { Declaring, Streaming, Done };
    Phase m_phase = Phase::Declaring;
    bool m_result = false;
    std::uint32_t m_lastWritten = 0;
    // The decimal digits of m_lastWritten, kept so that the next time line counts up from them.
    char m_timeText[12] = {'0'};
    std::size_t m_timeLength = 1;
    AtomicFile m_out;
    bool m_outFailed = false;
    bool m_streaming = false; // m_phase is Streaming and the output has not failed
    bool m_flushInBackground = false;
    std::unique_ptr<char[]> m_buf; // not cleared: only what was put is written
    std::size_t m_bufSize = 0;
    std::size_t m_used = 0;
};

// "Www Mmm dd hh:mm:ss yyyy" with English names whatever the locale, the day zero-padded.
std::string vcdDateText(const std::tm& when);

} // namespace cellwatch
