#include "app/sample_rows.h"

#include "app/log_format.h"
#include "design/design_element.h"

#include <charconv>
#include <cstring>

namespace cellwatch {

std::size_t formatLogValue(char* out, std::uint32_t value, int digits, int radix) {
    if (radix == 2 && digits > 0 && digits <= 32 && (digits == 32 || (value >> digits) == 0)) {
        for (int bit = digits - 1; bit >= 0; --bit)
            *out++ = static_cast<char>('0' + ((value >> bit) & 1u));
        return static_cast<std::size_t>(digits);
    }
    char raw[40];
    std::to_chars_result res;
    if (radix == 2 || radix == 8 || radix == 16)
        res = std::to_chars(raw, raw + sizeof raw, value, radix);
    else
        res = std::to_chars(raw, raw + sizeof raw, static_cast<std::int32_t>(value));
    const auto len = static_cast<std::size_t>(res.ptr - raw);
    const std::size_t sign = len > 0 && raw[0] == '-' ? 1 : 0;
    const std::size_t pad = digits > 0 && len < static_cast<std::size_t>(digits)
                                ? static_cast<std::size_t>(digits) - len
                                : 0;
    std::memcpy(out, raw, sign);
    std::memset(out + sign, '0', pad);
    std::memcpy(out + sign + pad, raw + sign, len - sign);
    return len + pad;
}

SampleRows::SampleRows(const std::list<TracedComponent>& components, int defaultRadix,
                       std::uint32_t timeDivisor)
    : m_divisor(timeDivisor) {
    m_row = "#00000000";
    std::string text;
    for (const TracedComponent& c : components) {
        Field f{};
        f.value = c.lastValue;
        f.radix = componentRadix(c, defaultRadix);
        f.digits = digitCount(c.element != nullptr ? c.element->size : 0, f.radix);
        text.resize(static_cast<std::size_t>(f.digits) + 40);
        f.length = formatLogValue(text.data(), static_cast<std::uint32_t>(f.value), f.digits, f.radix);
        m_row += "  ";
        f.offset = m_row.size();
        m_row.append(text.data(), f.length);
        m_fields.push_back(f);
    }
    m_row.append(kRowSlack, ' ');
}

void SampleRows::changeField(std::size_t field, std::int32_t value) {
    Field& f = m_fields[field];
    f.value = value;
    char small[72];
    std::string wide;
    char* text = small;
    if (f.digits + 40 > static_cast<int>(sizeof small)) {
        wide.resize(static_cast<std::size_t>(f.digits) + 40);
        text = wide.data();
    }
    const std::size_t length = formatLogValue(text, static_cast<std::uint32_t>(value), f.digits, f.radix);
    if (length == f.length) {
        std::memcpy(m_row.data() + f.offset, text, length);
        return;
    }
    replaceText(f.offset, f.length, std::string_view(text, length));
    const std::size_t old = f.length;
    f.length = length;
    for (std::size_t k = field + 1; k < m_fields.size(); ++k)
        m_fields[k].offset = m_fields[k].offset + length - old;
}

void SampleRows::setStamp(std::uint32_t stamp) {
    // Rows mostly follow each other: counting the decimal digits up is cheaper than formatting.
    if (stamp == m_stamp + 1 && countStampUp())
        return;
    char text[16];
    const auto length = static_cast<std::size_t>(formatLogValue(text, stamp, 8, 10));
    replaceText(1, m_stampLength, std::string_view(text, length));
    for (Field& f : m_fields)
        f.offset = f.offset + length - m_stampLength;
    m_stampLength = length;
    m_stamp = stamp;
}

void SampleRows::replaceText(std::size_t offset, std::size_t oldLength, std::string_view text) {
    if (text.size() == oldLength)
        std::memcpy(m_row.data() + offset, text.data(), text.size());
    else
        m_row.replace(offset, oldLength, text);
}

} // namespace cellwatch
