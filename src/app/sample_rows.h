#pragma once
// The sample rows of one walk over the result log. Each component's field stays formatted between
// rows and is formatted again only when its value changes, and the row is kept whole in one buffer,
// so a row costs its time stamp and nothing else when few values change (the common case of a long
// run). The text is exactly what appendSampleRow makes.

#include "app/traced_component.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <string_view>
#include <vector>

namespace cellwatch {

class SampleRows {
public:
    // Fields in list order, starting from each component's lastValue; timeDivisor as appendSampleRow.
    SampleRows(const std::list<TracedComponent>& components, int defaultRadix, std::uint32_t timeDivisor);

    // Field number i (the component's place in the list) now shows value.
    void setValue(std::size_t field, std::int32_t value) {
        Field& f = m_fields[field];
        if (value == f.value)
            return;
        // A single digit 0 or 1 reads the same in every radix.
        if (f.digits == 1 && f.length == 1 && static_cast<std::uint32_t>(value) <= 1u) {
            f.value = value;
            m_row[f.offset] = static_cast<char>('0' + value);
            return;
        }
        changeField(field, value);
    }

    // A row's text is followed by this many readable bytes, so that it can be copied in pieces
    // of a fixed size.
    static constexpr std::size_t kRowSlack = 64;

    // The row at rowTime, without a line end. Valid until the next call.
    std::string_view row(std::uint32_t rowTime) {
        // Rows mostly keep their stamp or move on by one: no division for those.
        const std::uint32_t since = rowTime - m_stampStart;
        if (since >= m_divisor) {
            if (since < 2 * m_divisor && countStampUp()) {
                m_stampStart += m_divisor;
            } else {
                const std::uint32_t stamp = rowTime / m_divisor;
                if (stamp != m_stamp)
                    setStamp(stamp);
                m_stampStart = stamp * m_divisor;
            }
        }
        return {m_row.data(), m_row.size() - kRowSlack};
    }

    std::size_t fieldCount() const { return m_fields.size(); }

private:
    struct Field {
        std::int32_t value;
        int digits;
        int radix;
        std::size_t offset; // of its text in m_row, after the two blanks
        std::size_t length;
    };

    // The stamp's digits counted up by one in place; false (nothing changed) when that needs a
    // digit more.
    bool countStampUp() {
        char* digit = m_row.data() + m_stampLength;
        char* const last = digit;
        while (*digit == '9')
            --digit;
        if (*digit == '#')
            return false;
        ++*digit;
        for (++digit; digit <= last; ++digit)
            *digit = '0';
        ++m_stamp;
        return true;
    }
    void changeField(std::size_t field, std::int32_t value);
    void setStamp(std::uint32_t stamp);
    void replaceText(std::size_t offset, std::size_t oldLength, std::string_view text);

    std::uint32_t m_divisor;
    std::uint32_t m_stamp = 0;
    std::uint32_t m_stampStart = 0; // the first time of m_stamp: m_stamp * m_divisor
    std::size_t m_stampLength = 8;
    std::vector<Field> m_fields;
    std::string m_row; // "#", the stamp, then "  " and the text of each field; then kRowSlack blanks
};

// The text FormatNumber(value, ..., digits, radix, '0') gives, written to out (room for
// max(digits, 33) characters); returns its length.
std::size_t formatLogValue(char* out, std::uint32_t value, int digits, int radix);

} // namespace cellwatch
