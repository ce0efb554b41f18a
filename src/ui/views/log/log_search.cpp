#include "ui/views/log/log_search.h"

#include "app/cwiz_doc.h"
#include "app/log_line_index.h"

#include <algorithm>
#include <optional>

namespace cellwatch {

namespace {

// Lines per page walk: small enough that a slice can check its clock often, large enough that the
// walk from the checkpoint before each chunk stays a small share of the work.
constexpr std::uint64_t kChunk = 512;

} // namespace

LogSearch::LogSearch(const CWizDoc& doc, LogLineIndex& index, QObject* parent)
    : QObject(parent), m_doc(doc), m_index(index) {
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &LogSearch::slice);
}

void LogSearch::start(std::uint64_t from, Direction direction, Match match) {
    m_match = std::move(match);
    m_direction = direction;
    m_next = from;
    m_generation = m_doc.traceStore().generation();
    m_slices = 0;
    m_longestMs = 0;
    m_running = true;
    if (!m_held)
        m_timer.start();
}

void LogSearch::cancel() {
    m_running = false;
    m_timer.stop();
}

void LogSearch::setHeld(bool held) {
    m_held = held;
    if (held)
        m_timer.stop();
    else if (m_running)
        m_timer.start();
}

void LogSearch::runSlice() {
    if (m_running)
        slice();
}

void LogSearch::finish(bool found, std::uint64_t line) {
    m_running = false;
    m_timer.stop();
    Q_EMIT finished(found, line);
}

void LogSearch::slice() {
    QElapsedTimer clock;
    clock.start();
    ++m_slices;
    // The log was emptied under the search: the lines it was counting are gone.
    if (m_doc.traceStore().generation() != m_generation) {
        finish(false, 0);
        return;
    }
    std::uint64_t lines = 0;
    while (running() && !step() && clock.elapsed() < kSliceMs) {
        lines += kChunk;
        if (m_sliceLineLimit != 0 && lines >= m_sliceLineLimit)
            break;
    }
    m_longestMs = std::max(m_longestMs, clock.elapsed());
}

bool LogSearch::step() {
    std::optional<std::uint64_t> hit;
    std::uint64_t line = 0;
    if (m_direction == Direction::Forward) {
        line = m_next;
        const int drawn = m_index.page(m_doc, m_next, static_cast<int>(kChunk), [&](std::string_view text) {
            if (!hit && m_match(text))
                hit = line;
            ++line;
        });
        m_next += static_cast<std::uint64_t>(drawn);
        if (hit)
            finish(true, *hit);
        else if (static_cast<std::uint64_t>(drawn) < kChunk)
            finish(false, 0);
        return !running();
    }
    // Backward: the chunk that ends at m_next, the last match in it wins.
    const std::uint64_t first = m_next + 1 >= kChunk ? m_next + 1 - kChunk : 0;
    line = first;
    m_index.page(m_doc, first, static_cast<int>(m_next + 1 - first), [&](std::string_view text) {
        if (m_match(text))
            hit = line;
        ++line;
    });
    if (hit)
        finish(true, *hit);
    else if (first == 0)
        finish(false, 0);
    else
        m_next = first - 1;
    return !running();
}

} // namespace cellwatch
