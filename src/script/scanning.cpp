#include "script/scanning.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <vector>

namespace cellwatch {

namespace {

std::size_t firstNonSeparator(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isSeparator(text[i]))
        ++i;
    return i;
}

int digitOf(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 99;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// One "[first:second]" of a bus token, with the literal text that follows its ']'.
struct BusRange {
    std::uint32_t first = 0;
    std::uint32_t second = 0;
    std::string_view after;
};

// Reads decimal digits at pos; at least one, and the index must fit a signed 32-bit int.
bool readIndex(std::string_view text, std::size_t& pos, std::uint32_t& index) {
    const std::size_t start = pos;
    std::uint64_t n = 0;
    while (pos < text.size() && isDigit(text[pos])) {
        n = n * 10 + static_cast<std::uint64_t>(text[pos] - '0');
        if (n > static_cast<std::uint64_t>(INT_MAX))
            return false;
        ++pos;
    }
    index = static_cast<std::uint32_t>(n);
    return pos > start;
}

// Splits the token into its prefix and ranges; false for any malformed range.
bool splitBus(std::string_view text, std::string_view& prefix, std::vector<BusRange>& ranges) {
    std::size_t open = text.find('[');
    prefix = text.substr(0, open);
    while (open != std::string_view::npos) {
        BusRange r;
        std::size_t pos = open + 1;
        if (!readIndex(text, pos, r.first))
            return false;
        if (pos >= text.size() || text[pos] != ':')
            return false;
        ++pos;
        if (!readIndex(text, pos, r.second))
            return false;
        if (pos >= text.size() || text[pos] != ']')
            return false;
        ++pos;
        open = text.find('[', pos);
        r.after = text.substr(pos, open == std::string_view::npos ? std::string_view::npos : open - pos);
        ranges.push_back(r);
    }
    return true;
}

std::uint32_t rangeLength(const BusRange& r) {
    return (r.first <= r.second ? r.second - r.first : r.first - r.second) + 1;
}

void appendDecimal(std::string& out, std::uint32_t n) {
    char buf[16];
    const auto res = std::to_chars(buf, buf + sizeof buf, n);
    out.append(buf, res.ptr);
}

// Writes the digits of the value (and '-' for negative decimals) into buf; returns the length.
std::size_t rawDigits(std::uint32_t value, int base, char* buf, bool& negative) {
    negative = false;
    std::to_chars_result res;
    if (base == 2 || base == 8 || base == 16) {
        res = std::to_chars(buf, buf + 40, value, base);
    } else {
        const auto s = static_cast<std::int32_t>(value);
        negative = s < 0;
        res = std::to_chars(buf, buf + 40, s);
    }
    return static_cast<std::size_t>(res.ptr - buf);
}

} // namespace

std::string toLowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = lowerAscii(c);
    return out;
}

void SkipBlanks(std::string& text) {
    text.erase(0, firstNonSeparator(text));
}

bool NextToken(std::string_view text, std::string& token) {
    const std::size_t start = firstNonSeparator(text);
    std::size_t end = start;
    while (end < text.size() && !isSeparator(text[end]))
        ++end;
    token.assign(text.substr(start, end - start));
    return !token.empty();
}

void DropToken(std::string& text) {
    std::size_t end = firstNonSeparator(text);
    while (end < text.size() && !isSeparator(text[end]))
        ++end;
    text.erase(0, end);
}

bool TakeQuoted(std::string& text, std::string& result) {
    result.clear();
    SkipBlanks(text);
    if (text.empty() || text[0] != '"')
        return false;
    const std::size_t close = text.find('"', 1);
    if (close == std::string::npos)
        return false;
    result.assign(text, 1, close - 1);
    return true;
}

bool ParseValue(std::string_view text, std::uint32_t& value) {
    if (text.empty())
        return false;
    std::uint32_t radix = 2;
    std::string_view digits = text;
    const std::size_t slash = text.rfind('\\');
    if (slash != std::string_view::npos) {
        if (slash + 2 != text.size())
            return false;
        switch (lowerAscii(text[slash + 1])) {
        case 'b':
            radix = 2;
            break;
        case 'o':
            radix = 8;
            break;
        case 'd':
            radix = 10;
            break;
        case 'h':
            radix = 16;
            break;
        default:
            return false;
        }
        digits = text.substr(0, slash);
    }
    std::uint64_t n = 0;
    bool overflow = false;
    for (char c : digits) {
        const int d = digitOf(lowerAscii(c));
        if (d >= static_cast<int>(radix))
            return false;
        if (!overflow) {
            n = n * radix + static_cast<std::uint64_t>(d);
            overflow = n > 0xFFFFFFFFull;
        }
    }
    value = overflow ? 0xFFFFFFFFu : static_cast<std::uint32_t>(n);
    return true;
}

bool ExpandBus(std::string& text) {
    if (text.find('[') == std::string::npos)
        return true;
    std::string_view prefix;
    std::vector<BusRange> ranges;
    if (!splitBus(text, prefix, ranges))
        return false;
    std::uint64_t names = 1;
    for (const BusRange& r : ranges) {
        names *= rangeLength(r);
        if (names > kMaxBusNames)
            return false;
    }

    // Walk the ranges like an odometer, innermost fastest. Each finished inner range adds one more
    // blank, exactly as expanding the suffix again would: an inner expansion ends with its own blank.
    std::vector<std::uint32_t> step(ranges.size(), 0);
    std::string result;
    std::string name;
    while (true) {
        name.assign(prefix);
        for (std::size_t j = 0; j < ranges.size(); ++j) {
            const BusRange& r = ranges[j];
            appendDecimal(name, r.first <= r.second ? r.first + step[j] : r.first - step[j]);
            name.append(r.after);
        }
        result.append(name);
        result.push_back(' ');
        std::size_t j = ranges.size();
        while (j > 0 && step[j - 1] + 1 == rangeLength(ranges[j - 1])) {
            step[j - 1] = 0;
            --j;
            if (j > 0)
                result.push_back(' ');
        }
        if (j == 0)
            break;
        ++step[j - 1];
    }
    text = std::move(result);
    return true;
}

void FormatNumber(std::uint32_t value, std::string& out, int width, int base, char fill) {
    char buf[48];
    bool negative = false;
    const std::size_t len = rawDigits(value, base, buf, negative);
    out.assign(buf, len);
    if (width > 0 && out.size() < static_cast<std::size_t>(width))
        out.insert(negative ? 1 : 0, static_cast<std::size_t>(width) - out.size(), fill);
}

std::size_t FormatNumber(std::uint32_t value, char* buffer, std::size_t capacity, int width, int base,
                         char fill) {
    if (capacity == 0)
        return 0;
    char digits[48];
    bool negative = false;
    const std::size_t len = rawDigits(value, base, digits, negative);
    const std::size_t pad =
        (width > 0 && len < static_cast<std::size_t>(width)) ? static_cast<std::size_t>(width) - len : 0;
    const std::size_t room = capacity - 1;
    std::size_t n = 0;
    auto put = [&](char c) {
        if (n < room)
            buffer[n++] = c;
    };
    std::size_t i = 0;
    if (negative)
        put(digits[i++]);
    for (std::size_t k = 0; k < pad && n < room; ++k)
        put(fill);
    for (; i < len; ++i)
        put(digits[i]);
    buffer[n] = '\0';
    return n;
}

bool IsDecimalNumber(std::string_view text) {
    if (text.empty())
        return false;
    for (char c : text)
        if (!isDigit(c))
            return false;
    return true;
}

bool ReadTextLine(std::string_view text, std::size_t& cursor, std::string& line, std::size_t capacity) {
    if (cursor >= text.size())
        return false;
    const std::size_t lf = text.find('\n', cursor);
    if (lf == std::string_view::npos)
        return false;
    std::size_t end = lf;
    if (end > cursor && text[end - 1] == '\r')
        --end;
    std::size_t length = end - cursor;
    const std::size_t room = capacity == 0 ? 0 : capacity - 1;
    if (length > room)
        length = room;
    line.assign(text.substr(cursor, length));
    cursor = lf + 1;
    return true;
}

namespace {
constexpr bool isWhite(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
} // namespace

int readPlainDecimal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isWhite(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t n = 0;
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(INT_MIN) : INT_MAX;
    while (i < text.size() && isDigit(text[i])) {
        if (n < limit)
            n = std::min<std::int64_t>(n * 10 + (text[i] - '0'), limit);
        ++i;
    }
    return static_cast<int>(negative ? -n : n);
}

float readDecimalFloat(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isWhite(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // from_chars would take "inf", "nan" and a second sign; only digits or a point may start here.
    if (i >= text.size() || !(isDigit(text[i]) || text[i] == '.'))
        return 0.0f;
    float value = 0.0f;
    const auto res = std::from_chars(text.data() + i, text.data() + text.size(), value);
    if (res.ec != std::errc())
        return 0.0f;
    return negative ? -value : value;
}

} // namespace cellwatch
