#pragma once
// The "cycle done/target" line a long batch run keeps rewriting on a terminal, so the user sees it is
// alive. It stays silent for the first second and whenever the caller says the sink is no terminal.

#include "batch/text_sink.h"

#include <cstdint>
#include <functional>

namespace cellwatch {

class ProgressLine {
public:
    // clockMs: a monotonic clock in milliseconds; a steady clock when empty.
    ProgressLine(TextSink sink, bool enabled, std::function<std::int64_t()> clockMs = {});

    // The run starts now: the one-second grace period counts from here.
    void start();
    // Rewrites the line in place, at most ten times a second.
    void update(std::int64_t done, std::int64_t target);
    // Blanks a line that was shown, so later messages start at the left margin.
    void finish();

    bool shown() const { return m_width > 0; }

private:
    std::int64_t now() const;

    TextSink m_sink;
    bool m_enabled;
    std::function<std::int64_t()> m_clockMs;
    std::int64_t m_start = 0;
    std::int64_t m_lastWrite = 0;
    std::size_t m_width = 0; // characters of the line on screen; 0 when none is shown
};

} // namespace cellwatch
