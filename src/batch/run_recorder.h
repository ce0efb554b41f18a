#pragma once
// The batch run's RunObserver: keeps every executed check for the JUnit report and passes cycle
// progress on to the progress line.

#include "app/run_observer.h"
#include "batch/progress_line.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cellwatch {

struct CheckOutcome {
    int line = -1;       // 0-based script line; -1 when unknown
    std::string element; // the element's full name
    bool passed = true;
    std::string message; // the assertion text of a failed check
    std::uint32_t expected = 0;
    std::uint32_t read = 0;
    std::uint32_t width = 0; // the element's size in bits
    int radix = 2;           // the radix the element is shown in
};

class RunRecorder final : public RunObserver {
public:
    explicit RunRecorder(ProgressLine* progress = nullptr) : m_progress(progress) {}

    void checkExecuted(const ScriptCommand& command, const CheckResult& result) override;
    void cycleProgress(std::int64_t done, std::int64_t target) override;

    const std::vector<CheckOutcome>& checks() const { return m_checks; }

private:
    ProgressLine* m_progress;
    std::vector<CheckOutcome> m_checks;
};

} // namespace cellwatch
