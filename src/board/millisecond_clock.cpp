#include "board/millisecond_clock.h"

#include <chrono>

namespace cellwatch {

namespace {

class SteadyMillisecondClock final : public MillisecondClock {
public:
    std::uint64_t milliseconds() override {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }
};

} // namespace

MillisecondClock& steadyMillisecondClock() {
    static SteadyMillisecondClock clock;
    return clock;
}

} // namespace cellwatch
