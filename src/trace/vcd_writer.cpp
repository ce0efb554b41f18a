#include "trace/vcd_writer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace cellwatch {
namespace {

constexpr std::size_t kBufferSize = 1u << 20;

constexpr std::array<std::string_view, 17> kTypeKeywords = {
    "event ",  "integer ", "parameter ", "real ", "reg ",  "supply0 ", "supply1 ", "time ", "tri ",
    "triand ", "trior ",   "trireg ",    "tri0 ", "tri1 ", "wand ",    "wire ",    "wor "};

constexpr std::array<std::string_view, 6> kUnitTexts = {"s\n$end\n",  "ms\n$end\n", "us\n$end\n",
                                                        "ns\n$end\n", "ps\n$end\n", "fs\n$end\n"};

// Eight binary digits per byte value, most significant first.
struct BitTable {
    char digits[256][8];
    constexpr BitTable() : digits() {
        for (int v = 0; v < 256; ++v)
            for (int b = 0; b < 8; ++b)
                digits[v][b] = static_cast<char>('0' + ((v >> (7 - b)) & 1));
    }
};
constexpr BitTable kBits;

// Copies n <= 32 bytes with at most two fixed-size moves each way, which the compiler inlines; the
// change lines are short and a library call per piece would cost more than the copy.
inline void copyShort(char* dst, const char* src, std::size_t n) {
    if (n >= 16) {
        std::memcpy(dst, src, 16);
        std::memcpy(dst + n - 16, src + n - 16, 16);
    } else if (n >= 8) {
        std::memcpy(dst, src, 8);
        std::memcpy(dst + n - 8, src + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(dst, src, 4);
        std::memcpy(dst + n - 4, src + n - 4, 4);
    } else {
        for (std::size_t i = 0; i < n; ++i)
            dst[i] = src[i];
    }
}

} // namespace

VcdWriter::VcdWriter(std::string fileName, std::string date)
    : m_fileName(std::move(fileName)), m_date(std::move(date)) {}

VcdWriter::~VcdWriter() = default;

bool VcdWriter::setTimescale(int number, int unit) {
    if (m_phase != Phase::Declaring || (number != 1 && number != 10 && number != 100))
        return false;
    m_timescale = number;
    m_unit = unit;
    return true;
}

bool VcdWriter::addVariable(std::string_view name, int type, std::uint16_t size, std::uint16_t radix,
                            std::string_view initialValue) {
    if (m_phase != Phase::Declaring || m_byName.find(name) != m_byName.end())
        return false;
    m_byName.emplace(std::string(name), static_cast<int>(m_vars.size()));
    m_vars.push_back(Variable{std::string(name), identifierCode(m_vars.size()), type, size, radix,
                              std::string(initialValue)});
    return true;
}

int VcdWriter::findVariable(std::string_view name) const {
    const auto it = m_byName.find(name);
    return it == m_byName.end() ? -1 : it->second;
}

bool VcdWriter::addChange(std::string_view name, std::string_view value) {
    return addChange(findVariable(name), value);
}

bool VcdWriter::addChange(int variable, std::string_view value) {
    if (variable < 0 || static_cast<std::size_t>(variable) >= m_vars.size() || m_phase == Phase::Done)
        return false;
    startChanges();
    if (m_outFailed)
        return true;
    emitTimeIfNew();
    const Variable& v = m_vars[static_cast<std::size_t>(variable)];
    if (v.size != 1)
        put("b");
    put(value);
    if (v.size != 1)
        put(" ");
    put(v.code);
    put("\n");
    return true;
}

bool VcdWriter::addNumberChange(int variable, std::uint32_t value) {
    if (variable < 0 || static_cast<std::size_t>(variable) >= m_vars.size() || m_phase == Phase::Done)
        return false;
    startChanges();
    if (m_outFailed)
        return true;
    emitTimeIfNew();
    const Variable& v = m_vars[static_cast<std::size_t>(variable)];
    if (v.size == 1 && value <= 1 && v.code.size() == 1) {
        putBit(v.code[0], value);
        return true;
    }
    const std::size_t significant = value == 0 ? 1 : static_cast<std::size_t>(std::bit_width(value));
    const std::size_t digits = std::max<std::size_t>(significant, v.size);
    char* p = reserve(digits + v.code.size() + 3);
    if (v.size != 1)
        *p++ = 'b';
    // Left padding, then the 32-bit value in whole bytes, keeping only the digits that belong.
    std::size_t pad = 0;
    if (digits > 32) [[unlikely]] {
        pad = digits - 32;
        std::memset(p, '0', pad);
    }
    char bits[32];
    for (int i = 0; i < 4; ++i)
        std::memcpy(bits + 8 * i, kBits.digits[(value >> (24 - 8 * i)) & 0xFF], 8);
    const std::size_t fromValue = digits - pad;
    copyShort(p + pad, bits + 32 - fromValue, fromValue);
    p += digits;
    if (v.size != 1)
        *p++ = ' ';
    if (v.code.size() == 1)
        *p = v.code[0];
    else
        std::memcpy(p, v.code.data(), v.code.size());
    p += v.code.size();
    *p++ = '\n';
    m_used = static_cast<std::size_t>(p - m_buf.get());
    return true;
}

bool VcdWriter::write() {
    if (m_phase == Phase::Done)
        return m_result;
    startChanges();
    m_phase = Phase::Done;
    m_streaming = false;
    if (!m_outFailed) {
        // Marks the end of the trace even when nothing changed at the last sample.
        if (m_time > m_lastWritten) {
            put("\n#");
            putNumber(m_time);
            put("\n");
        }
        flush();
    }
    m_result = !m_outFailed && m_out.commit();
    if (!m_result)
        m_out.abandon();
    m_buf.reset();
    m_bufSize = 0;
    return m_result;
}

void VcdWriter::startChanges() {
    if (m_phase != Phase::Declaring)
        return;
    m_phase = Phase::Streaming;
    if (!m_out.open(m_fileName)) {
        m_outFailed = true;
        return;
    }
    m_streaming = true;
    if (m_flushInBackground)
        m_out.flushInBackground();
    m_buf.reset(new char[kBufferSize]);
    m_bufSize = kBufferSize;
    m_used = 0;
    writeHeader();
}

void VcdWriter::writeHeader() {
    put("$version\n\tHalvane VCD file generator version 0.0\n$end\n\n");
    put("$date\n\t");
    put(m_date);
    if (m_date.empty() || m_date.back() != '\n')
        put("\n");
    put("$end\n\n");
    put("$timescale\n\t");
    char num[16];
    put(std::string_view(
        num, static_cast<std::size_t>(std::to_chars(num, num + sizeof num, m_timescale).ptr - num)));
    put(" ");
    if (m_unit >= 0 && m_unit < static_cast<int>(kUnitTexts.size()))
        put(kUnitTexts[static_cast<std::size_t>(m_unit)]);

    for (const Variable& v : m_vars) {
        put("$var ");
        if (v.type >= 0 && v.type < static_cast<int>(kTypeKeywords.size()))
            put(kTypeKeywords[static_cast<std::size_t>(v.type)]);
        putNumber(v.size);
        put(" ");
        put(v.code);
        put(" ");
        put(v.name);
        put(" $end\n");
        put(v.size == 1 ? "$dumpvars " : "$dumpvars b");
        put(v.initial);
        if (v.size != 1)
            put(" ");
        put(v.code);
        put(" $end\n");
        const char* radix = v.radix == 8    ? "$rdx O "
                            : v.radix == 10 ? "$rdx D "
                            : v.radix == 16 ? "$rdx H "
                                            : nullptr;
        if (radix) {
            put(radix);
            put(v.code);
            put(" $end\n");
        }
    }
    put("$enddefinitions $end\n\n");
    put("\n#0\n");
    m_lastWritten = 0;
    m_timeText[0] = '0';
    m_timeLength = 1;
}

void VcdWriter::emitTime() {
    // Time lines mostly move on by a few units: adding to the digits of the last one is cheaper
    // than formatting the number again.
    std::uint32_t step = m_time - m_lastWritten;
    if (step < 10) {
        // The last digit takes the step; a carry of one runs through the nines before it.
        std::size_t i = m_timeLength;
        std::uint32_t digit = static_cast<std::uint32_t>(m_timeText[i - 1] - '0') + step;
        step = 0;
        if (digit >= 10) {
            digit -= 10;
            step = 1;
        }
        m_timeText[--i] = static_cast<char>('0' + digit);
        for (; step != 0 && i > 0; --i) {
            if (m_timeText[i - 1] != '9') {
                ++m_timeText[i - 1];
                step = 0;
                break;
            }
            m_timeText[i - 1] = '0';
        }
        if (step != 0) {
            std::memmove(m_timeText + 1, m_timeText, m_timeLength);
            m_timeText[0] = static_cast<char>('0' + step);
            ++m_timeLength;
        }
    } else {
        m_timeLength = static_cast<std::size_t>(std::to_chars(m_timeText, m_timeText + sizeof m_timeText, m_time).ptr - m_timeText);
    }
    char* p = reserve(16);
    p[0] = '\n';
    p[1] = '#';
    std::memcpy(p + 2, m_timeText, 10);
    p[2 + m_timeLength] = '\n';
    m_used += m_timeLength + 3;
    m_lastWritten = m_time;
}

char* VcdWriter::reserveSlow(std::size_t n) {
    flush();
    if (n > m_bufSize) {
        m_buf.reset(new char[n]);
        m_bufSize = n;
    }
    return m_buf.get() + m_used;
}

void VcdWriter::put(std::string_view text) {
    if (m_outFailed)
        return;
    if (text.size() > kBufferSize / 2) {
        flush();
        if (!m_out.write(text.data(), text.size())) {
            m_outFailed = true;
            m_streaming = false;
        }
        return;
    }
    char* p = reserve(text.size());
    std::memcpy(p, text.data(), text.size());
    m_used += text.size();
}

void VcdWriter::putNumber(std::uint64_t value) {
    char* p = reserve(24);
    m_used = static_cast<std::size_t>(std::to_chars(p, p + 24, value).ptr - m_buf.get());
}

void VcdWriter::flush() {
    if (m_used > 0 && !m_outFailed && !m_out.write(m_buf.get(), m_used))
        m_outFailed = true;
    if (m_outFailed)
        m_streaming = false;
    m_used = 0;
}

std::string VcdWriter::identifierCode(std::size_t n) {
    std::string code;
    do {
        code += static_cast<char>('!' + n % 94);
        n /= 94;
    } while (n != 0);
    return code;
}

std::string vcdDateText(const std::tm& when) {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const int day = when.tm_wday >= 0 && when.tm_wday < 7 ? when.tm_wday : 0;
    const int month = when.tm_mon >= 0 && when.tm_mon < 12 ? when.tm_mon : 0;
    // Viewers read the stamp by its fixed width of 24 characters: every field keeps its digits.
    const auto clamp = [](int value, int low, int high) { return std::clamp(value, low, high); };
    const int year = static_cast<int>(std::clamp(static_cast<long long>(when.tm_year) + 1900, 0LL, 9999LL));
    char text[96];
    std::snprintf(text, sizeof text, "%s %s %02d %02d:%02d:%02d %04d", kDays[day], kMonths[month],
                  clamp(when.tm_mday, 1, 31), clamp(when.tm_hour, 0, 23), clamp(when.tm_min, 0, 59),
                  clamp(when.tm_sec, 0, 60), year);
    return text;
}

} // namespace cellwatch
