// Progress on a terminal: carriage returns over one line, padded so a shorter text hides a longer one.

#include "batch/progress_line.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace cellwatch {

namespace {

constexpr std::int64_t kGraceMs = 1000;
constexpr std::int64_t kIntervalMs = 100;

} // namespace

ProgressLine::ProgressLine(TextSink sink, bool enabled, std::function<std::int64_t()> clockMs)
    : m_sink(std::move(sink)), m_enabled(enabled && m_sink), m_clockMs(std::move(clockMs)) {
    m_start = now();
}

std::int64_t ProgressLine::now() const {
    if (m_clockMs)
        return m_clockMs();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void ProgressLine::start() {
    m_start = now();
    m_lastWrite = m_start;
}

void ProgressLine::update(std::int64_t done, std::int64_t target) {
    if (!m_enabled)
        return;
    const std::int64_t t = now();
    if (t - m_start <= kGraceMs)
        return;
    if (m_width > 0 && t - m_lastWrite < kIntervalMs && done != target)
        return;
    m_lastWrite = t;
    char text[96];
    const int n = std::snprintf(text, sizeof text, "cycle %lld/%lld", static_cast<long long>(done),
                                static_cast<long long>(target));
    const std::size_t width = n > 0 ? static_cast<std::size_t>(n) : 0;
    std::string line = "\r";
    line.append(text, width);
    if (m_width > width)
        line.append(m_width - width, ' ');
    m_width = std::max(m_width, width);
    m_sink(line);
}

void ProgressLine::finish() {
    if (m_width == 0)
        return;
    std::string line = "\r";
    line.append(m_width, ' ');
    line += '\r';
    m_sink(line);
    m_width = 0;
}

} // namespace cellwatch
