#include "app/log_format.h"

#include "design/design_element.h"
#include "script/scanning.h"

#include <algorithm>

namespace cellwatch {

int componentRadix(const TracedComponent& component, int defaultRadix) {
    if (component.element != nullptr && component.element->radix != -1)
        return component.element->radix;
    return defaultRadix;
}

int digitCount(std::uint32_t widthBits, int radix) {
    const auto w = static_cast<int>(std::min<std::uint32_t>(widthBits, 1024));
    switch (radix) {
    case 8:
    case 10:
        return (w + 2) / 3;
    case 16:
        return (w + 3) / 4;
    default:
        return w;
    }
}

namespace {

std::uint32_t widthOf(const TracedComponent& c) {
    return c.element != nullptr ? c.element->size : 0;
}

} // namespace

std::vector<std::string> columnHeader(const std::list<TracedComponent>& components, int defaultRadix) {
    std::size_t longest = 0;
    for (const TracedComponent& c : components)
        longest = std::max(longest, c.name.size());
    std::vector<std::string> lines;
    lines.reserve(longest);
    for (std::size_t i = longest; i >= 1; --i) {
        std::string line(11, ' ');
        std::size_t k = 0;
        for (const TracedComponent& c : components) {
            line += c.name.size() >= i ? c.name[c.name.size() - i] : ' ';
            if (++k != components.size()) {
                const int d = digitCount(widthOf(c), componentRadix(c, defaultRadix));
                if (d > 1)
                    line.append(static_cast<std::size_t>(d - 1), ' ');
            }
            line += "  ";
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

void appendSampleRow(std::string& out, std::uint32_t rowTime, std::uint32_t timeDivisor,
                     const std::list<TracedComponent>& components, int defaultRadix) {
    std::vector<std::int32_t> values;
    values.reserve(components.size());
    for (const TracedComponent& c : components)
        values.push_back(c.lastValue);
    appendSampleRow(out, rowTime, timeDivisor, components, defaultRadix, values);
}

void appendSampleRow(std::string& out, std::uint32_t rowTime, std::uint32_t timeDivisor,
                     const std::list<TracedComponent>& components, int defaultRadix,
                     std::span<const std::int32_t> values) {
    char buffer[64];
    out += '#';
    std::size_t n = FormatNumber(rowTime / timeDivisor, buffer, sizeof buffer, 8, 10, '0');
    out.append(buffer, n);
    std::size_t k = 0;
    for (const TracedComponent& c : components) {
        const auto value = static_cast<std::uint32_t>(k < values.size() ? values[k] : c.lastValue);
        ++k;
        const int radix = componentRadix(c, defaultRadix);
        const int digits = digitCount(widthOf(c), radix);
        out += "  ";
        if (digits < static_cast<int>(sizeof buffer)) {
            n = FormatNumber(value, buffer, sizeof buffer, digits, radix, '0');
            out.append(buffer, n);
        } else {
            std::string wide;
            FormatNumber(value, wide, digits, radix, '0');
            out += wide;
        }
    }
}

} // namespace cellwatch
