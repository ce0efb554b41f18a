#pragma once
// The millisecond clock that paces the clock synthesizer's serial bits. Tests put in a clock of their
// own so that programming a frequency never really waits.

#include <cstdint>

namespace cellwatch {

class MillisecondClock {
public:
    virtual ~MillisecondClock() = default;
    // Milliseconds since an arbitrary origin; never goes backwards.
    virtual std::uint64_t milliseconds() = 0;
};

// The process's real clock, over std::chrono::steady_clock.
MillisecondClock& steadyMillisecondClock();

} // namespace cellwatch
