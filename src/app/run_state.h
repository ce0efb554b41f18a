#pragma once
// Where a session's run stands, and the snapshot of its progress that the batch runner and the views
// read.

#include <cstdint>

namespace cellwatch {

struct ScriptCommand;

enum class RunState {
    Idle = 0,    // no run, or the run has ended
    Running = 1, // commands are being executed
    Paused = 2,  // a break, a full trace store or the user paused the run; it can continue
    Cycling = 3, // a cycle command is being worked off by the run timer
};

// The run's time counts as the trace records stamp it, in 32 unsigned bits: as a plain int it would
// overflow after some 200 million cycles.
constexpr int advanceRunTime(int time, std::uint32_t step) {
    return static_cast<int>(static_cast<std::uint32_t>(time) + step);
}
// Whole cycles are sampled when the software clock is not traced.
constexpr bool isWholeCycle(int time) {
    return static_cast<std::uint32_t>(time) % 10 == 0;
}

// What one tick of the run timer may change. Two equal snapshots mean the tick made no progress.
struct RunProgress {
    RunState state = RunState::Idle;
    int time = 0;
    int cyclesDone = 0;
    int cyclesTarget = 0;
    const ScriptCommand* nextCommand = nullptr; // the command the run executes next; null at the end
    std::uint32_t traceRecords = 0;
    bool operator==(const RunProgress&) const = default;
};

} // namespace cellwatch
