#pragma once
// One entry of a run's time-ordered trace: either a sample of a traced component or a reference to a
// result-log line. Records are written to the cache file verbatim, so their size is fixed at 16 bytes.

#include <cstdint>

namespace cellwatch {

// Handles are indices into their owner's table plus one; 0 means "none".
using TraceHandle = std::uint32_t;
inline constexpr TraceHandle kNoTraceHandle = 0;

struct TraceRecord {
    TraceHandle component = kNoTraceHandle; // the sampled trace-list entry, none for a log line
    std::int32_t value = 0;                 // the sampled bits, 0 for a log line
    std::uint32_t time = 0;                 // the run's time counter (log lines: counter + 1, or 0)
    TraceHandle line = kNoTraceHandle;      // the log line, none for a sample

    bool isLogLine() const { return line != kNoTraceHandle; }
    bool isSample() const { return component != kNoTraceHandle; }
};

static_assert(sizeof(TraceRecord) == 16, "trace records are 16 bytes in memory and in the cache file");

} // namespace cellwatch
